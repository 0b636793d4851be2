// Learn mode: the steps each keyed instruction leaves in user memory, the editing keys and the
// end of memory.
#include <gtest/gtest.h>

#include <vector>

#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

using test::shown;

std::vector<int> stepsFrom(const CalcEngine& engine, int first, int count) {
    std::vector<int> steps;
    for (int s = first; s < first + count; ++s)
        steps.push_back(engine.programMemory[0][static_cast<std::size_t>(s)]);
    return steps;
}

struct StoredRow {
    const char* keys;  // pressed after LRN on a fresh engine
    std::vector<int> steps;
    int pointer;
};

TEST(LearnMode, StoredForms) {
    const StoredRow rows[] = {
        {"STO 1 2", {42, 12}, 2},
        {"STO 1 2 3", {42, 12, 3}, 3},
        {"STO 5 +", {42, 5, 85}, 3},
        {"RCL IND 7 =", {73, 7, 95}, 3},
        {"SUM IND 1 2", {74, 12}, 2},
        {"EXC IND 1 2", {63, 12}, 2},
        {"PRD IND 1 2", {64, 12}, 2},
        {"PGM IND 0 3", {62, 3}, 2},
        {"OP IND 0 5", {84, 5}, 2},
        {"PGM 2 5", {36, 25}, 2},
        {"STO IND 2 5", {72, 25}, 2},
        {"GTO 1 2 3", {61, 1, 23}, 3},
        {"GTO 5 +", {61, 0, 5, 85}, 4},
        {"GTO A", {61, 11}, 2},
        {"GTO IND 2 5", {83, 25}, 2},
        {"SBR B'", {71, 17}, 2},
        {"SBR 1 2 3", {71, 1, 23}, 3},
        {"SBR IND 2 5", {71, 40, 25}, 3},
        {"EQ IND 2 5", {67, 40, 25}, 3},
        {"GE 9 8 7", {77, 9, 87}, 3},
        {"EQ E", {67, 15}, 2},
        {"IFF 3 4 5 6", {87, 3, 4, 56}, 4},
        {"IFF 3 A", {87, 3, 11}, 3},
        {"IFF 3 IND 1 2", {87, 3, 40, 12}, 4},
        {"IFF IND 0 5 1 2 3", {87, 40, 5, 1, 23}, 5},
        {"DSZ 0 B", {97, 0, 12}, 3},
        {"DSZ IND 0 5 IND 1 2", {97, 40, 5, 40, 12}, 5},
        {"DSZ 2 7 =", {97, 2, 0, 7, 95}, 5},
        {"LBL A", {76, 11}, 2},
        {"LBL STO 5", {76, 42, 5}, 3},
        {"LBL 5 6", {76, 5, 6}, 3},
        {"LBL BST 5", {5, 0}, 1},  // BST keeps its editing meaning and ends the wait
        {"STF 3", {86, 3}, 2},
        {"STF IND 0 5", {86, 40, 5}, 3},
        {"FIX 5", {58, 5}, 2},
        {"FIX IND 1 2 3", {58, 40, 12, 3}, 4},
        {"INV FIX IND 1 2 3", {22, 58, 40, 1, 2, 3}, 6},  // INV FIX takes no digit
        {"IND 5", {40, 5}, 2},
        {"STO 1 IND", {42, 1, 40}, 3},
        {"INV SBR", {92, 0}, 1},
        {"1 INV BST SBR", {92, 22}, 1},  // the step before the pointer becomes RTN
        {"STO 2 2 SBR A", {42, 22, 71, 11}, 4},
        {"GTO INV SBR A", {61, 22, 71, 11}, 4},
        {"STO SST 5 6", {42, 0, 56}, 3},    // SST keeps the operand pending
        {"GTO SST 5 6", {61, 0, 5, 6}, 4},  // a label wait ends with SST
        {"1 2 3 4 BST BST INS", {1, 2, 0, 3, 4}, 2},
        {"1 2 3 4 BST BST BST DEL", {1, 3, 4, 0}, 1},
        {"BST BST 7", {7}, 1},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, "LRN");
        test::press(engine, row.keys);
        EXPECT_EQ(stepsFrom(engine, 0, static_cast<int>(row.steps.size())), row.steps) << row.keys;
        EXPECT_EQ(engine.learnPointer, row.pointer) << row.keys;
        EXPECT_EQ(engine.mode, kLearn) << row.keys;
        EXPECT_FALSE(engine.operandPending()) << row.keys;
        EXPECT_EQ(engine.errorFlag, 0) << row.keys;
    }
}

TEST(LearnMode, DisplayShowsPointerAndCode) {
    CalcEngine engine;
    test::press(engine, "LRN");
    EXPECT_EQ(engine.displayText(), "000 00");
    test::press(engine, "STO 1 2");
    EXPECT_EQ(engine.displayText(), "002 00");
    test::press(engine, "BST BST");
    EXPECT_EQ(engine.displayText(), "000 42");
    test::press(engine, "SST");
    EXPECT_EQ(engine.displayText(), "001 12");
    EXPECT_EQ(engine.errorFlag, 0);
}

TEST(LearnMode, LrnMovesBetweenProgramCounterAndPointer) {
    CalcEngine engine;
    test::press(engine, "GTO 0 4 0 LRN");
    EXPECT_EQ(engine.learnPointer, 40);
    test::press(engine, "1 2 3 LRN");
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.programCounter, 43);
    EXPECT_EQ(stepsFrom(engine, 40, 3), (std::vector<int>{1, 2, 3}));
}

// Positions the pointer at step 999 with steps 998 and 999 holding 7 and 9.
std::unique_ptr<CalcEngine> atLastStep() {
    auto engine = test::engineAfter("GTO 9 9 9 LRN");
    engine->programMemory[0][998] = 7;
    engine->programMemory[0][999] = 9;
    return engine;
}

TEST(LearnMode, EndOfMemory) {
    struct Row {
        const char* keys;
        int step998, step999, mode;
        const char* display;  // checked in calculate mode only
    };
    const Row rows[] = {
        {"INS", 7, 0, kLearn, nullptr},
        {"DEL", 7, 0, kLearn, nullptr},
        {"SST", 7, 9, kCalculate, "0"},
        {"5", 7, 5, kCalculate, "0"},
        {"5 6", 7, 5, kCalculate, "6"},             // the key after the last step is executed
        {"STO 5", 7, 42, kCalculate, "5"},          // no room for the operand: 5 is a digit
        {"BST GTO 1 2 3", 61, 1, kCalculate, "0"},  // the rest of the address is lost
        {"BST IFF 3 4", 87, 3, kCalculate, "4"},    // no address awaited
    };
    for (const auto& row : rows) {
        auto engine = atLastStep();
        test::press(*engine, row.keys);
        EXPECT_EQ(engine->programMemory[0][998], row.step998) << row.keys;
        EXPECT_EQ(engine->programMemory[0][999], row.step999) << row.keys;
        EXPECT_EQ(engine->mode, row.mode) << row.keys;
        EXPECT_EQ(engine->learnPointer, 999) << row.keys;
        EXPECT_FALSE(engine->operandPending()) << row.keys;
        EXPECT_EQ(engine->errorFlag, 0) << row.keys;
        if (row.display != nullptr) {
            EXPECT_EQ(shown(*engine), row.display) << row.keys;
        }
    }
}

TEST(LearnMode, BstAtFirstStepDoesNothing) {
    auto engine = test::engineAfter("LRN BST BST");
    EXPECT_EQ(engine->learnPointer, 0);
    EXPECT_EQ(engine->mode, kLearn);
}

TEST(LearnMode, LibraryProgramCurrentEditsUserMemoryAtKeptPosition) {
    CalcEngine engine;
    auto& library = engine.programMemory[1];
    library[0] = 76;  // LBL A, R/S
    library[1] = 11;
    library[2] = 91;
    test::press(engine, "GTO 0 2 0 PGM 0 1 A");
    while (engine.mode == kRun)
        engine.runStep();
    ASSERT_EQ(engine.currentBank, 1);
    ASSERT_EQ(engine.programCounter, 3);
    test::press(engine, "LRN");
    EXPECT_EQ(engine.displayText(), "020 00");
    test::press(engine, "5 LRN");
    EXPECT_EQ(engine.programMemory[0][20], 5);
    EXPECT_EQ(library[3], 0);
    EXPECT_EQ(engine.programCounter, 3);  // a library program is current: the counter stays
    EXPECT_EQ(engine.currentBank, 1);
}

}  // namespace
}  // namespace korvelce
