// The modes and flags in words, as the registers panels show them.
#include "files/state_text.h"

#include <gtest/gtest.h>

#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(StateText, ModesAndFlagsAfterKeys) {
    const struct {
        const char* keys;
        const char* angle;
        const char* format;
        const char* flags;
    } rows[] = {
        {"", "DEG", "no FIX, normal", "none set"},
        {"RAD", "RAD", "no FIX, normal", "none set"},
        {"GRD FIX 2", "GRD", "FIX 2, normal", "none set"},
        {"FIX 0 EE", "DEG", "FIX 0, scientific (EE)", "none set"},
        {"FIX 8 ENG", "DEG", "FIX 8, engineering (ENG)", "none set"},
        {"FIX 2 INV FIX", "DEG", "no FIX, normal", "none set"},
        {"STF 1 STF 7", "DEG", "no FIX, normal", "set: 1 7"},
        {"STF 0 STF 9 INV STF 0", "DEG", "no FIX, normal", "set: 9"},
    };
    for (const auto& row : rows) {
        CalcEngine engine;
        test::press(engine, row.keys);
        EXPECT_EQ(angleName(engine.angleUnit), row.angle) << row.keys;
        EXPECT_EQ(formatText(engine), row.format) << row.keys;
        EXPECT_EQ(flagsText(engine), row.flags) << row.keys;
    }
    EXPECT_EQ(angleName(7), "DEG") << "an angle unit out of range";
}

}  // namespace
}  // namespace korvelce
