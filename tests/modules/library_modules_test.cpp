// Both library modules are built into the program and their first programs run from them.
#include <gtest/gtest.h>

#include "support/library_run.h"

namespace korvelce {
namespace {

TEST(LibraryModules, FirstProgramsRunFromTheirBanks) {
    struct Case {
        int module;
        const char* keys;
        double expected;
    };
    const Case cases[] = {
        {110, "PGM 01 A", 1.0},     // the self-test agrees with itself
        {128, "PGM 01 5 A", 24.0},  // Gamma(5) = 4!
    };
    for (const auto& c : cases) {
        const test::LibraryRun run = test::runLibrary(c.module, c.keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << c.keys;
        EXPECT_NEAR(run.x(), c.expected, 1e-9 * c.expected) << c.keys;
    }
}

}  // namespace
}  // namespace korvelce
