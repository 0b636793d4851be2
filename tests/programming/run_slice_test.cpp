// Programs run a slice at a time: a slice runs its whole count unless the run ends or a step
// asks for a pause, and nothing runs outside run mode.
#include "programming/run_slice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(RunSlice, StepsRunUntilTheCountAPauseOrTheEnd) {
    struct Row {
        const char* keys;    // keyed and pressed before the slice
        std::int64_t count;  // the slice's steps at most
        std::int64_t steps;  // the steps it ran
        int mode;            // the mode after it
        bool paused;
    };
    const Row rows[] = {
        // An endless loop runs every step it is given.
        {"LRN LBL A 1 SUM 00 GTO A LRN A", 500, 500, kRun, false},
        {"LRN LBL A 1 SUM 00 GTO A LRN A", 1, 1, kRun, false},
        {"LRN LBL A 1 SUM 00 GTO A LRN A", 0, 0, kRun, false},
        // The run starts after LBL A; the slice ends on the PAU step: 1, SUM, 00, PAU.
        {"LRN LBL A 1 SUM 00 PAU GTO A LRN A", 500, 4, kRun, true},
        // R/S ends the run and the slice: 1, +, 2, =, R/S.
        {"LRN LBL A 1 + 2 = R/S LRN A", 500, 5, kCalculate, false},
        // Nothing runs outside run mode.
        {"LRN LBL A 1 + 2 = R/S LRN", 500, 0, kCalculate, false},
        {"LRN", 500, 0, kLearn, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.keys << " / " << row.count);
        CalcEngine engine;
        test::press(engine, row.keys);
        EXPECT_EQ(runSlice(engine, row.count), row.steps);
        EXPECT_EQ(engine.mode, row.mode);
        EXPECT_EQ(engine.pauseRequest != 0, row.paused);
    }
}

TEST(RunSlice, SlicesAddUpToTheWholeRun) {
    // The counting loop stopped after a number of whole turns, whatever the slices.
    for (const std::int64_t slice : {1, 3, 4, 7, 1000}) {
        SCOPED_TRACE(slice);
        CalcEngine engine;
        test::press(engine, "LRN LBL A 1 SUM 00 GTO A LRN A");
        std::int64_t steps = 0;
        while (steps < 4000)
            steps += runSlice(engine, std::min(slice, 4000 - steps));
        EXPECT_EQ(steps, 4000);
        engine.userRunStop();
        runSlice(engine, 100);
        EXPECT_EQ(engine.mode, kCalculate);
        // Each turn is five steps after LBL A: 1, SUM, 00, GTO, A.
        test::press(engine, "RCL 00");
        EXPECT_EQ(test::shown(engine), "800");
    }
}

}  // namespace
}  // namespace korvelce
