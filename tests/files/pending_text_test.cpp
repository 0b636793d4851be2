// The pending operations as the registers panels show them.
#include "files/pending_text.h"

#include <gtest/gtest.h>

#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(PendingText, WaitingValuesAndOperatorsOldestFirst) {
    const struct {
        const char* keys;
        const char* shown;
    } rows[] = {
        {"", "none"},
        {"2 + 3 =", "none"},
        {"( 4 +", "( 4. +"},
        {"2 * ( 3 -", "2. \u00D7 ( 3. \u2212"},
        {"2 Y^X", "2. Y^X"},
        {"8 INV Y^X", "8. INV Y^X"},
        {"9 / ( (", "9. \u00F7 ( ("},
        {"FIX 2 1 +", "1.00 +"},
        {"1 + 2 *", "1. + 2. \u00D7"},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, row.keys);
        EXPECT_EQ(pendingText(engine), row.shown) << row.keys;
    }
}

// Written as key tokens, each waiting operator reads back as the key that put it there.
TEST(PendingText, OperatorsAsKeyTokens) {
    const std::pair<int, const char*> rows[] = {
        {kOpRoot, "INV Y^X"}, {kOpPower, "Y^X"},  {kOpMultiply, "*"}, {kOpDivide, "/"},
        {kOpAdd, "+"},        {kOpSubtract, "-"}, {-1, "?"}};
    for (const auto& [op, keyed] : rows)
        EXPECT_STREQ(operatorKeyed(op), keyed) << op;
}

}  // namespace
}  // namespace korvelce
