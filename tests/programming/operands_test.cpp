// Operand collection: keyed operands in calculate mode, operand steps in run mode, and the
// indirect values that name no register, address, bank, flag or digit count.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cli/json_state.h"
#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

using test::shown;

using Listing = std::vector<std::pair<int, std::vector<int>>>;  // address, steps

void load(CalcEngine& engine, const Listing& listing) {
    for (const auto& [address, steps] : listing)
        for (std::size_t i = 0; i < steps.size(); ++i)
            engine.programMemory[0][static_cast<std::size_t>(address) + i] =
                static_cast<std::uint8_t>(steps[i]);
}

struct CalcRow {
    const char* keys;
    const char* display;
    int error;
    int pc;
    int reg;  // -1: no register checked
    int regValue;
};

TEST(OperandsCalculate, KeyedOperands) {
    const CalcRow rows[] = {
        {"3 STO 5 + 4 =", "7", 0, 0, 5, 3},
        {"3 STO + 4 =", "7", 0, 0, 0, 0},  // no digit: STO is dropped, + still adds
        {"3 STO 1 2 4", "4", 0, 0, 12, 3},
        {"9 STO 0 7 7.9 STO 1 2 CLR RCL IND 1 2", "9", 0, 0, 7, 9},
        {"9 STO 0 7 100 STO 1 2 5 RCL IND 1 2", "5", 1, 0, 7, 9},
        {"4 STO 0 9 7 STO IND 0 9", "7", 0, 0, 4, 7},
        {"2 STO 0 5 9 IND STO 0 5", "9", 0, 0, 5, 9},  // a lone IND is cleared by STO
        {"5 SUM 0 3 2 INV SUM 0 3", "2", 0, 0, 3, 3},
        {"GTO 5 =", "0", 0, 5, -1, 0},
        {"GTO 1 2 3 4", "4", 0, 123, -1, 0},
        {"GTO 1 2 STO 0 1", "0", 0, 12, 1, 0},
        {"RCL A", "0", 1, 0, -1, 0},  // RCL dropped; A finds no label
        {"GTO +", "0", 1, 0, -1, 0},  // + is taken as the label, which is missing
        {"1 FIX 2", "1.00", 0, 0, -1, 0},
        {"1 FIX 2 INV FIX", "1", 0, 0, -1, 0},
        {"3 STO 0 4 1 FIX IND 0 4", "1.000", 0, 0, -1, 0},
        {"13 STO 0 4 1 FIX IND 0 4", "1.000", 0, 0, -1, 0},
        {"276 STO 0 5 OP IND 0 5", "276", 0, 0, 0, 1},  // operation 20 (276 modulo 256)
        {"5 STF 3 IFF 3 1 2 3", "5", 0, 123, -1, 0},
        {"5 IFF 3 1 2 3", "5", 0, 0, -1, 0},
        {"1 STO 0 0 DSZ 0 1 2 3", "1", 0, 0, 0, 0},
        {"3 STO 0 0 DSZ 0 1 2 3", "3", 0, 123, 0, 2},
    };
    for (const auto& row : rows) {
        const auto engine = test::engineAfter(row.keys);
        EXPECT_EQ(shown(*engine), row.display) << row.keys;
        EXPECT_EQ(engine->errorFlag, row.error) << row.keys;
        EXPECT_EQ(engine->programCounter, row.pc) << row.keys;
        EXPECT_EQ(engine->mode, kCalculate) << row.keys;
        EXPECT_FALSE(engine->operandPending()) << row.keys;
        if (row.reg >= 0) {
            EXPECT_TRUE(engine->registers[static_cast<std::size_t>(row.reg)] == row.regValue)
                << row.keys << ": R" << row.reg << " = "
                << exactValue(engine->registers[static_cast<std::size_t>(row.reg)]);
        }
    }
}

TEST(OperandsCalculate, LabelOperands) {
    CalcEngine engine;
    load(engine, {{40, {76, 11, 5, 91}}});
    test::press(engine, "GTO A");
    EXPECT_EQ(engine.programCounter, 42);
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(shown(engine), "0");
    test::press(engine, "RST SBR A");
    EXPECT_EQ(engine.mode, kRun);
    EXPECT_EQ(engine.programCounter, 42);
    EXPECT_EQ(engine.returnDepth, 1);
    runToStop(engine, 100);
    EXPECT_EQ(shown(engine), "5");
    EXPECT_EQ(engine.programCounter, 44);
}

// An indirect value out of range raises the error and changes nothing else.
TEST(OperandsCalculate, IndirectOutOfRangeChangesNothing) {
    struct Row {
        const char* setup;
        const char* keys;
    };
    const Row rows[] = {
        {"100 STO 1 2", "RCL IND 1 2"},
        {"1 +/- STO 1 2", "STO IND 1 2"},
        {"1 +/- STO 1 2", "SUM IND 1 2"},
        {"1 EE 99 STO 1 2", "EXC IND 1 2"},
        {"1 +/- EE 20 STO 1 2", "PRD IND 1 2"},
        {"1000 STO 1 2", "GTO IND 1 2"},
        {"5 +/- STO 1 2", "GTO IND 1 2"},
        {"1 EE 50 STO 1 2", "GTO IND 1 2"},
        {"1000 STO 1 2", "SBR IND 1 2"},
        {"1 +/- EE 50 STO 1 2", "SBR IND 1 2"},
        {"26 STO 1 2", "PGM IND 1 2"},
        {"1 +/- STO 1 2", "PGM IND 1 2"},
        {"", "PGM 2 6"},
        {"1 +/- STO 1 2 STF 1", "INV STF IND 1 2"},
        {"1 +/- EE 30 STO 1 2 STF 1", "INV STF IND 1 2"},
        {"3 +/- STO 1 2 FIX 4", "FIX IND 1 2"},
        {"1 +/- STO 1 2", "OP IND 1 2"},
        {"1 +/- STO 1 2 STF 9", "IFF IND 1 2 0 0 7"},  // the address is passed over
        {"150 STO 1 2 1 STO 0 0", "DSZ IND 1 2 0 0 7"},
        {"1 +/- EE 99 STO 1 2", "INV DSZ IND 1 2 0 0 7"},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, row.setup);
        test::press(engine, "GTO 0 3 0 5 =");
        const std::string before = jsonState(engine);
        test::press(engine, row.keys);
        EXPECT_EQ(engine.errorFlag, 1) << row.keys;
        EXPECT_FALSE(engine.operandPending()) << row.keys;
        EXPECT_EQ(engine.selectedBank[0], 0) << row.keys;
        engine.errorFlag = 0;
        EXPECT_EQ(jsonState(engine), before) << row.setup << " / " << row.keys;
    }
}

struct RunRow {
    const char* setup;  // keys pressed before the run
    Listing program;
    const char* display;
    int error;
    int pc;
    int reg;               // -1: none checked
    const char* regExact;  // "<mantissa>E<exponent>"
};

TEST(OperandsRun, OperandSteps) {
    const RunRow rows[] = {
        {"", {{0, {61, 1, 23}}, {123, {5, 91}}}, "5", 0, 125, -1, ""},
        {"", {{0, {61, 11}}, {40, {76, 11, 7, 91}}}, "7", 0, 44, -1, ""},
        {"200 STO 1 0", {{0, {83, 10}}, {200, {8, 91}}}, "8", 0, 202, -1, ""},
        // 25 after IND is a register number, not a label
        {"300 STO 2 5", {{0, {71, 40, 25, 91}}, {300, {4, 92}}}, "4", 0, 4, -1, ""},
        {"", {{0, {87, 3, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 0, 6, -1, ""},
        {"", {{0, {86, 3, 87, 3, 1, 23, 6, 91}}, {123, {9, 91}}}, "9", 0, 125, -1, ""},
        {"", {{0, {22, 87, 3, 1, 23, 6, 91}}, {123, {9, 91}}}, "9", 0, 125, -1, ""},
        {"",
         {{0, {86, 3, 22, 86, 3, 87, 3, 11, 6, 91}}, {50, {76, 11, 9, 91}}},
         "6",
         0,
         10,
         -1,
         ""},
        {"13 STO 0 5",
         {{0, {86, 40, 5, 87, 3, 1, 23, 6, 91}}, {123, {9, 91}}},
         "9",
         0,
         125,
         -1,
         ""},
        {"1 STO 0 0", {{0, {97, 0, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 0, 6, 0, "0E0"},
        {"2.5 +/- STO 0 0",
         {{0, {97, 0, 1, 23, 6, 91}}, {123, {9, 91}}},
         "9",
         0,
         125,
         0,
         "-1500000000000E0"},
        {"1 STO 0 0", {{0, {22, 97, 0, 1, 23, 6, 91}}, {123, {9, 91}}}, "9", 0, 125, 0, "0E0"},
        {"3 STO 0 2",
         {{0, {97, 2, 11, 6, 91}}, {50, {76, 11, 9, 91}}},
         "9",
         0,
         54,
         2,
         "2000000000000E0"},
        {"2 STO 0 5 1 STO 0 2",
         {{0, {97, 40, 5, 1, 23, 6, 91}}, {123, {9, 91}}},
         "6",
         0,
         7,
         2,
         "0E0"},
        {"250 STO 1 0 5 STO 0 7",
         {{0, {97, 7, 40, 10, 6, 91}}, {250, {9, 91}}},
         "9",
         0,
         252,
         -1,
         ""},
        {"", {{0, {5, 32, 5, 67, 1, 23, 6, 91}}, {123, {9, 91}}}, "9", 0, 125, -1, ""},
        {"", {{0, {5, 32, 5, 22, 67, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 0, 9, -1, ""},
        {"", {{0, {5, 32, 4, 77, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 0, 8, -1, ""},
        {"", {{0, {5, 32, 4, 22, 77, 1, 23, 6, 91}}, {123, {9, 91}}}, "9", 0, 125, -1, ""},
        // a failed test does not stop GTO* from jumping
        {"200 STO 1 0",
         {{0, {5, 32, 4, 67, 1, 23, 83, 10, 6, 91}}, {200, {9, 91}}},
         "9",
         0,
         202,
         -1,
         ""},
        {"", {{0, {5, 82, 3, 7, 82, 13, 91}}}, "5", 0, 7, -1, ""},
        {"", {{0, {5, 82, 9, 82, 19, 91}}}, "0", 0, 6, -1, ""},
        {"", {{0, {76, 11, 5, 91}}}, "5", 0, 4, -1, ""},                 // the label is passed over
        {"", {{0, {7, 42, 40, 91}}}, "7", 0, 4, 40, "7000000000000E0"},  // 40 is a register
        {"7 STO 0 4 4 STO 0 9", {{0, {2, 63, 9, 91}}}, "7", 0, 4, 4, "2000000000000E0"},
        {"", {{0, {5, 44, 3, 2, 22, 44, 3, 43, 3, 91}}}, "3", 0, 10, 3, "3000000000000E0"},
        {"13 STO 0 5", {{0, {1, 58, 40, 5, 91}}}, "1.000", 0, 5, -1, ""},
        {"276 STO 0 5", {{0, {84, 5, 91}}}, "0", 0, 3, 0, "1000000000000E0"},
        {"", {{0, {36, 26, 91}}}, "0", 1, 3, -1, ""},
        // out-of-range indirect values: the error, and the run goes on after the instruction
        {"150 STO 1 2", {{0, {73, 12, 6, 91}}}, "6", 1, 4, -1, ""},
        {"1000 STO 2 5", {{0, {71, 40, 25, 6, 91}}}, "6", 1, 5, -1, ""},
        {"1 +/- STO 1 2", {{0, {87, 40, 12, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 1, 7, -1, ""},
        {"1 +/- STO 1 2", {{0, {87, 40, 12, 11, 6, 91}}, {50, {76, 11, 9, 91}}}, "6", 1, 6, -1, ""},
        {"150 STO 1 2", {{0, {97, 40, 12, 1, 23, 6, 91}}, {123, {9, 91}}}, "6", 1, 7, -1, ""},
        // an address through a register out of range: refused whole, the run goes on after it
        {"1000 STO 0 5", {{0, {83, 5, 91}}}, "0", 1, 3, -1, ""},
        {"3 +/- STO 0 5", {{0, {61, 40, 5, 91}}}, "0", 1, 4, -1, ""},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, row.setup);
        load(engine, row.program);
        test::press(engine, "RST CLR");
        EXPECT_EQ(pressAndRun(engine, key::kRunStop, 10000), RunOutcome::kDone) << row.display;
        const std::string label = std::string(row.setup) + " / display " + row.display;
        EXPECT_EQ(shown(engine), row.display) << label;
        EXPECT_EQ(engine.errorFlag, row.error) << label;
        EXPECT_EQ(engine.programCounter, row.pc) << label;
        EXPECT_EQ(engine.returnDepth, 0) << label;
        EXPECT_FALSE(engine.operandPending()) << label;
        if (row.reg >= 0) {
            EXPECT_EQ(exactValue(engine.registers[static_cast<std::size_t>(row.reg)]), row.regExact)
                << label;
        }
    }
}

// An address read through a register that names no step (negative, or above 999) raises the
// error when the jump would be taken and changes nothing else; the running program goes on
// after the whole instruction, never running the register number as a key. Step 33 would
// square the display; register number 12 would call LBL B, which sets R00.
TEST(OperandsRun, RefusedIndirectAddressIsPassedOver) {
    struct Row {
        const char* program;  // keyed in learn mode from step 000
        const char* setup;    // pressed before RST R/S
        const char* display;
        int error;
        int pc;
        int r00;
    };
    const Row rows[] = {
        {"5 GTO IND 33 + 1 = R/S", "3 +/- STO 33", "6", 1, 7, 0},
        {"5 GTO IND 33 + 1 = R/S", "1000 STO 33", "6", 1, 7, 0},
        {"5 GTO IND 33 + 1 = R/S", "1 EE 20 STO 33", "6", 1, 7, 0},  // stored as GTO* 33
        {"5 GTO IND 12 R/S LBL B 7 STO 00 RTN", "3 +/- STO 12", "5", 1, 4, 0},
        // x=t and x>=t: taken, then not taken (nothing happens, no error)
        {"5 EQ IND 33 + 1 = R/S", "3 +/- STO 33 5 X<>T", "6", 1, 8, 0},
        {"5 EQ IND 33 + 1 = R/S", "3 +/- STO 33 4 X<>T", "6", 0, 8, 0},
        {"5 INV EQ IND 12 R/S LBL B 7 STO 00 RTN", "1000 STO 12 4 X<>T", "5", 1, 6, 0},
        {"5 GE IND 33 + 1 = R/S", "1000 STO 33 4 X<>T", "6", 1, 8, 0},
        {"5 GE IND 33 + 1 = R/S", "1000 STO 33 6 X<>T", "6", 0, 8, 0},
        {"5 GE IND 12 R/S LBL B 7 STO 00 RTN", "3 +/- STO 12 5 X<>T", "5", 1, 5, 0},
        // IFF: flag 3 set (taken) or not
        {"STF 3 5 IFF 3 IND 33 + 1 = R/S", "3 +/- STO 33", "6", 1, 11, 0},
        {"STF 4 5 IFF 3 IND 33 + 1 = R/S", "3 +/- STO 33", "6", 0, 11, 0},
        {"5 INV IFF 3 IND 12 R/S LBL B 7 STO 00 RTN", "1000 STO 12", "5", 1, 7, 0},
        // DSZ: the count goes on; the jump is taken while it is not zero
        {"5 DSZ 0 IND 33 + 1 = R/S", "3 STO 00 3 +/- STO 33", "6", 1, 9, 2},
        {"5 DSZ 0 IND 33 + 1 = R/S", "1 STO 00 3 +/- STO 33", "6", 0, 9, 0},
        {"5 DSZ 1 IND 12 R/S LBL B 7 STO 00 RTN", "2 STO 01 1000 STO 12", "5", 1, 6, 0},
        // with flag 8 the run stops right after the refused instruction
        {"STF 8 5 GTO IND 33 + 1 = R/S", "3 +/- STO 33", "5", 1, 5, 0},
        {"STF 8 5 EQ IND 33 + 1 = R/S", "3 +/- STO 33 5 X<>T", "5", 1, 6, 0},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, std::string("LRN ") + row.program + " LRN");
        test::press(engine, row.setup);
        test::press(engine, "RST CLR");
        EXPECT_EQ(pressAndRun(engine, key::kRunStop, 10000), RunOutcome::kDone) << row.program;
        const std::string label = std::string(row.program) + " / " + row.setup;
        EXPECT_EQ(engine.mode, kCalculate) << label;
        EXPECT_EQ(shown(engine), row.display) << label;
        EXPECT_EQ(engine.errorFlag, row.error) << label;
        EXPECT_EQ(engine.programCounter, row.pc) << label;
        EXPECT_EQ(engine.returnDepth, 0) << label;
        EXPECT_TRUE(engine.registers[0] == row.r00)
            << label << ": R00 = " << exactValue(engine.registers[0]);
    }
}

}  // namespace
}  // namespace korvelce
