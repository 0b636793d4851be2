// Program execution: the label search, calls and returns, the call depth limit, flag 8, the
// end of memory, library programs chosen with PGM, SST and stopping a run.
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

void load(CalcEngine& engine, const Listing& listing, int bank = 0) {
    for (const auto& [address, steps] : listing)
        for (std::size_t i = 0; i < steps.size(); ++i)
            engine.programMemory[static_cast<std::size_t>(bank)]
                                [static_cast<std::size_t>(address) + i] =
                static_cast<std::uint8_t>(steps[i]);
}

// Presses the keys as the window would, each run going to its end.
void pressRunning(CalcEngine& engine, std::string_view keys) {
    for (const int code : test::keyCodes(keys))
        ASSERT_EQ(pressAndRun(engine, code, 100000), RunOutcome::kDone) << keys;
}

struct RunRow {
    const char* setup;
    Listing program;
    const char* keys;
    const char* display;
    int error;
    int pc;
    int depth;
};

TEST(Execution, LabelsCallsReturnsAndStops) {
    const RunRow rows[] = {
        {"", {{0, {76, 11, 1, 85, 1, 95, 91}}}, "A", "2", 0, 7, 1},
        {"", {{0, {76, 11, 1, 85, 1, 95, 92}}}, "GTO 0 5 0 A", "2", 0, 50, 0},
        {"", {{10, {76, 11, 1, 91}}, {50, {76, 11, 2, 91}}}, "A", "1", 0, 14, 1},
        // 76 11 formed by STO 76 and the next step counts as LBL A
        {"", {{0, {42, 76, 11, 3, 91}}, {50, {76, 11, 2, 91}}}, "A", "3", 0, 5, 1},
        {"", {{998, {76, 11}}}, "A", "0", 1, 0, 0},
        {"", {{997, {76, 11, 4}}}, "A", "4", 1, 999, 1},
        {"", {{0, {61, 12, 5, 91}}}, "R/S", "0", 1, 1, 0},  // GTO to a missing label
        {"", {{0, {71, 12, 5, 91}}}, "R/S", "0", 1, 2, 0},  // SBR to a missing label
        {"", {{0, {12, 5, 91}}}, "R/S", "5", 1, 3, 0},      // a missing label key goes on
        {"", {{0, {11, 85, 2, 95, 91}}, {20, {76, 11, 3, 92}}}, "R/S", "5", 0, 5, 0},
        {"", {{0, {5, 92, 6, 91}}}, "R/S", "5", 0, 2, 0},  // RTN at level 0 only stops
        {"", {{998, {5, 7}}}, "GTO 9 9 8 R/S", "57", 1, 999, 0},
        {"", {{0, {61, 9, 99}}, {999, {5}}}, "R/S", "0", 1, 999, 0},
        // calls nest until level 99 refuses one
        {"", {{0, {76, 11, 71, 11, 91}}}, "A", "0", 1, 5, 99},
        // flag 8: the run stops after the failing step, or once its operand completes
        {"150 STO 1 2", {{0, {86, 8, 73, 12, 6, 91}}}, "R/S", "0", 1, 4, 0},
        {"", {{0, {86, 8, 0, 35, 6, 91}}}, "R/S", "9.9999999 99", 1, 4, 0},
        {"1 +/- STO 1 2", {{0, {86, 8, 87, 40, 12, 1, 23, 6, 91}}}, "R/S", "0", 1, 7, 0},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, row.setup);
        load(engine, row.program);
        test::press(engine, "RST CLR");
        pressRunning(engine, row.keys);
        const std::string label = std::string(row.setup) + " / " + row.keys + " / display " +
                                  row.display + " pc " + std::to_string(row.pc);
        EXPECT_EQ(engine.mode, kCalculate) << label;
        EXPECT_EQ(shown(engine), row.display) << label;
        EXPECT_EQ(engine.errorFlag, row.error) << label;
        EXPECT_EQ(engine.programCounter, row.pc) << label;
        EXPECT_EQ(engine.returnDepth, row.depth) << label;
        EXPECT_EQ(engine.currentBank, 0) << label;
        EXPECT_EQ(engine.stopRequested, 0) << label;
    }
}

// A stop requested while an operand is pending must not outlive a run that ended otherwise.
TEST(Execution, NextRunIsNotCutShortByAnEarlierStopRequest) {
    struct Row {
        Listing program;
        bool userStop;  // the user's R/S while the first instruction waits for its operand
        const char* display;
        int pc;
    };
    const Row rows[] = {
        // flag 8 stops the run once IFF with a bad flag number has taken its address
        {{{0, {86, 8, 87, 40, 12, 1, 23, 1, 2, 3, 91}}}, false, "123", 11},
        // the user stops during GTO, whose label is missing
        {{{0, {61, 19, 1, 2, 3, 91}}}, true, "123", 6},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, "1 +/- STO 1 2 RST");
        load(engine, row.program);
        engine.pressKey(key::kRunStop);
        if (row.userStop) {
            engine.runStep();
            ASSERT_TRUE(engine.operandPending());
            engine.userRunStop();
        }
        runToStop(engine, 100);
        ASSERT_EQ(engine.mode, kCalculate);
        test::press(engine, "CLR");
        EXPECT_EQ(pressAndRun(engine, key::kRunStop, 100), RunOutcome::kDone);
        EXPECT_EQ(shown(engine), row.display) << row.display;
        EXPECT_EQ(engine.programCounter, row.pc) << row.display;
    }
}

TEST(Execution, KeyboardCallAtLevel99IsRefused) {
    for (const char* keys : {"A", "SBR A", "SBR 0 1 0", "R/S"}) {
        CalcEngine engine;
        load(engine, {{0, {76, 11, 91}}});
        load(engine, {{0, {91}}}, 2);
        engine.returnDepth = 99;
        engine.selectedBank[99] = 2;  // so that R/S has a library program to enter
        engine.returnBank[99] = 0;
        if (std::string(keys) != "R/S") engine.selectedBank[99] = 0;
        test::press(engine, keys);
        EXPECT_EQ(engine.mode, kCalculate) << keys;
        EXPECT_EQ(engine.errorFlag, 1) << keys;
        EXPECT_EQ(engine.returnDepth, 99) << keys;
        EXPECT_EQ(engine.currentBank, 0) << keys;
    }
}

// User memory: LBL A: PGM 02 SBR A SBR B R/S; LBL B: 10 SUM 01 RTN.
// Library program 02: LBL A: 1 SUM 01 RTN; LBL B: 100 SUM 01 RTN.
void withLibrary(CalcEngine& engine) {
    load(engine, {{0, {76, 11, 36, 2, 71, 11, 71, 12, 91}}, {20, {76, 12, 1, 0, 44, 1, 92}}});
    load(engine, {{0, {76, 11, 1, 44, 1, 92}}, {6, {76, 12, 1, 0, 0, 44, 1, 92}}}, 2);
}

TEST(Execution, ProgramSelectionInsideProgramServesOneCall) {
    CalcEngine engine;
    withLibrary(engine);
    pressRunning(engine, "A");
    EXPECT_TRUE(engine.registers[1] == 11) << exactValue(engine.registers[1]);
    EXPECT_EQ(engine.programCounter, 9);
    EXPECT_EQ(engine.returnDepth, 1);
    EXPECT_EQ(engine.currentBank, 0);
    EXPECT_EQ(engine.errorFlag, 0);
}

TEST(Execution, ProgramSelectionFromKeyboardStays) {
    CalcEngine engine;
    withLibrary(engine);
    pressRunning(engine, "GTO 0 4 0 PGM 0 2 A");
    EXPECT_TRUE(engine.registers[1] == 1);
    EXPECT_EQ(engine.programCounter, 40);
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.currentBank, 0);
    EXPECT_EQ(engine.learnPointer, 40);  // the user-memory place kept for learn mode
    pressRunning(engine, "B");
    EXPECT_TRUE(engine.registers[1] == 101);
    pressRunning(engine, "GTO B");  // looked up in program 02, counter set in user memory
    EXPECT_EQ(engine.programCounter, 8);
    EXPECT_EQ(engine.currentBank, 0);
    EXPECT_EQ(engine.mode, kCalculate);
    pressRunning(engine, "RST B");
    EXPECT_TRUE(engine.registers[1] == 111);
    EXPECT_EQ(engine.selectedBank[0], 0);
    EXPECT_EQ(engine.errorFlag, 0);
}

TEST(Execution, LibraryProgramCallingUserMemoryKeepsTheUserPlace) {
    CalcEngine engine;
    load(engine, {{20, {76, 12, 1, 0, 44, 1, 92}}});      // LBL B: 10 SUM 01 RTN
    load(engine, {{0, {76, 11, 36, 0, 71, 12, 92}}}, 2);  // LBL A: PGM 00 SBR B RTN
    pressRunning(engine, "PGM 0 2 A");
    EXPECT_TRUE(engine.registers[1] == 10);
    EXPECT_EQ(engine.learnPointer, 27);  // after the return made at step 026 of user memory
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.selectedBank[0], 2);
    EXPECT_EQ(engine.errorFlag, 0);
}

TEST(Execution, RunStopEntersSelectedProgramWhereTheLastReturnLeftOff) {
    CalcEngine engine;
    load(engine, {{0, {7, 65, 6, 95, 92}}, {5, {8, 92}}}, 3);  // 7 * 6 = RTN 8 RTN
    pressRunning(engine, "RST GTO 0 5 0 PGM 0 3 R/S");
    EXPECT_EQ(shown(engine), "42");
    EXPECT_EQ(engine.programCounter, 50);
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.currentBank, 0);
    EXPECT_EQ(engine.resumeAddress, 5);
    pressRunning(engine, "R/S");
    EXPECT_EQ(shown(engine), "8");
    EXPECT_EQ(engine.programCounter, 50);
    EXPECT_EQ(engine.errorFlag, 0);
    pressRunning(engine, "RST");
    EXPECT_EQ(engine.resumeAddress, 0);
    EXPECT_EQ(engine.selectedBank[0], 0);
}

TEST(Execution, SingleStep) {
    CalcEngine engine;
    load(engine, {{0, {91, 11}}, {10, {76, 11, 5, 92}}});
    test::press(engine, "SST");  // R/S only advances
    EXPECT_EQ(engine.programCounter, 1);
    EXPECT_EQ(engine.mode, kCalculate);
    test::press(engine, "SST");  // A calls
    EXPECT_EQ(engine.programCounter, 12);
    EXPECT_EQ(engine.returnDepth, 1);
    EXPECT_EQ(engine.mode, kCalculate);
    test::press(engine, "SST SST");  // 5, then the return
    EXPECT_EQ(shown(engine), "5");
    EXPECT_EQ(engine.programCounter, 2);
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.mode, kCalculate);
}

TEST(Execution, UserRunStop) {
    CalcEngine engine;
    load(engine, {{0, {1, 44, 5, 61, 0, 0}}});  // 1 SUM 05 GTO 000, for ever
    engine.pressKey(key::kRunStop);
    engine.runStep();
    engine.runStep();
    ASSERT_TRUE(engine.operandPending());
    engine.userRunStop();  // SUM still waits for its register: stop once it has it
    EXPECT_EQ(engine.mode, kRun);
    engine.runStep();
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.programCounter, 3);
    EXPECT_TRUE(engine.registers[5] == 1);
    EXPECT_EQ(engine.stopRequested, 0);
    engine.pressKey(key::kRunStop);  // resumes at GTO 000
    for (int i = 0; i < 3; ++i)
        engine.runStep();
    ASSERT_EQ(engine.programCounter, 0);
    engine.userRunStop();  // nothing pending: stop at once
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.programCounter, 0);
    EXPECT_EQ(engine.errorFlag, 0);
}

}  // namespace
}  // namespace korvelce
