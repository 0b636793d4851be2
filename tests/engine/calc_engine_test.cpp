// The engine's start state, its key-code vocabulary, the clearing keys and robustness against
// any byte arriving as a key.
#include <gtest/gtest.h>

#include "cli/json_state.h"
#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(Creation, FreshEngineIsReset) {
    CalcEngine engine;
    EXPECT_EQ(engine.displayText(), "0");
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.angleUnit, 0);
    EXPECT_EQ(engine.fixDigits, 9);
    EXPECT_EQ(engine.displayFormat, 0);
    EXPECT_EQ(engine.entryActive, 1);
    EXPECT_EQ(engine.errorFlag, 0);
    EXPECT_EQ(engine.pendingKey, key::kNop);
    EXPECT_EQ(engine.condition, 1);
    EXPECT_EQ(engine.calledFromKeyboard[0], 1);
    EXPECT_EQ(engine.calledFromKeyboard[1], 0);
    for (const auto& r : engine.registers)
        EXPECT_TRUE(r.isZero());
    EXPECT_TRUE(engine.tRegister.isZero());
    for (const int f : engine.userFlags)
        EXPECT_EQ(f, 0);
    for (const auto& bank : engine.programMemory)
        for (const auto step : bank)
            ASSERT_EQ(step, 0);
    for (const auto c : engine.alphaLine)
        EXPECT_EQ(c, u' ');
    EXPECT_TRUE(engine.printerPath.empty());
}

TEST(KeyCodes, MnemonicsOfSampleCodes) {
    const std::pair<int, const char*> table[] = {
        {0, "0"},    {10, "E'"},  {11, "A"},     {19, "D'"},  {20, "CLR"}, {25, "CLR"},
        {22, "INV"}, {27, "INV"}, {32, "X<->T"}, {33, "X²"},  {50, "|X|"}, {62, "PGM*"},
        {65, "*"},   {75, "-"},   {84, "Op*"},   {92, "RTN"}, {93, "."},   {99, "PRT"},
    };
    for (const auto& [code, name] : table)
        EXPECT_EQ(mnemonic(code), name) << code;
    EXPECT_EQ(mnemonic(100), "");
    EXPECT_EQ(mnemonic(-1), "");
}

TEST(KeyCodes, MergeTableBothWays) {
    const std::pair<int, int> pairs[] = {{36, 62}, {42, 72}, {43, 73}, {44, 74},
                                         {48, 63}, {49, 64}, {61, 83}, {69, 84}};
    for (const auto& [k, merged] : pairs) {
        EXPECT_EQ(mergedCode(k), merged);
        EXPECT_EQ(unmergedCode(merged), k);
    }
    for (const int code : {0, 40, 71, 86, 99, 255})
        EXPECT_EQ(mergedCode(code), kNoMerge);
    for (const int code : {42, 40, 92})
        EXPECT_EQ(unmergedCode(code), kNoMerge);
}

TEST(Clearing, CeClearsTheErrorAndTheTypedNumberOnly) {
    CalcEngine engine;
    test::press(engine, "4 =");
    engine.errorFlag = 1;
    test::press(engine, "CE");
    EXPECT_EQ(engine.errorFlag, 0);
    EXPECT_EQ(engine.displayText(), "4.");
}

TEST(Clearing, ClrResetsEntryAndScientificFormat) {
    CalcEngine engine;
    test::press(engine, "5 EE 2 =");
    EXPECT_EQ(engine.displayFormat, 1);
    engine.errorFlag = 1;
    test::press(engine, "CLR");
    EXPECT_EQ(engine.displayText(), "0");
    EXPECT_EQ(engine.errorFlag, 0);
    EXPECT_EQ(engine.displayFormat, 0);
    EXPECT_EQ(engine.entryActive, 1);
}

TEST(InvKey, TogglesAndIsClearedByTheNextKey) {
    CalcEngine engine;
    test::press(engine, "INV");
    EXPECT_EQ(engine.invFlag, 1);
    test::press(engine, "INV");
    EXPECT_EQ(engine.invFlag, 0);
    test::press(engine, "INV 5");
    EXPECT_EQ(engine.invFlag, 0);
    // The 2nd key's code and the unused code change nothing but INV.
    test::press(engine, "INV @21");
    EXPECT_EQ(engine.invFlag, 0);
    EXPECT_EQ(engine.displayText(), "5");
}

TEST(DisplayText, LearnAndRunModeForms) {
    CalcEngine engine;
    engine.mode = kLearn;
    engine.learnPointer = 12;
    engine.programMemory[0][12] = 42;
    char text[32];
    EXPECT_EQ(engine.displayText(text, 32), 1);
    EXPECT_STREQ(text, "012 42");
    engine.mode = kRun;
    EXPECT_EQ(engine.displayText(), "[          ");
    EXPECT_EQ(engine.displayText(true), "0");
    engine.mode = 7;
    EXPECT_EQ(engine.displayText(), "-");
}

TEST(Robustness, EveryByteIsAcceptedInEveryMode) {
    // Each byte pressed after a mix of states must neither crash nor leave the display empty.
    for (const int mode : {kCalculate, kRun}) {
        for (int code = 0; code < 256; ++code) {
            CalcEngine engine;
            test::press(engine, "1 2 . 5 EE 3");
            engine.mode = mode;
            engine.pressKey(code);
            engine.pressKey(code);
            EXPECT_FALSE(engine.displayText(true).empty()) << code;
        }
    }
}

TEST(RangeLimits, DisplayLimitRaisesTheErrorOnlyWhenClamping) {
    struct Case {
        DecNumber value;
        const char* exact;
        int error;
    };
    const Case cases[] = {
        {kLargest, "9999999900000E99", 0},
        {DecNumber::fromRaw(1000000000010, 100), "9999999900000E99", 1},
        {DecNumber::fromRaw(-5000000000000, -100), "-1000000000000E-99", 1},
        {DecNumber{}, "0E0", 0},
        {kDivideByZero, "9999999900000E99", 1},
    };
    for (const auto& c : cases) {
        CalcEngine engine;
        engine.finishEntry();
        engine.stack.setDisplayValue(c.value);
        engine.limitDisplay();
        EXPECT_EQ(exactValue(engine.displayValue()), c.exact);
        EXPECT_EQ(engine.errorFlag, c.error) << c.exact;
    }
}

}  // namespace
}  // namespace korvelce
