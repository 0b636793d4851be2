// Program steps per second through runStep, as a plain program with no benchmark library, so
// that the very same source is timed natively and as WebAssembly under node in one run
// (bench/web_steps.sh). The loop is the engine benchmark's: R00 counts down from 1000 while R01
// sums the counter, a DSZ loop of 7 steps a turn.
//
//   korvelce_steps_per_second [SECONDS]    prints "<steps per second> <R01 of the last turn>"
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "files/program_source.h"

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (!(seconds > 0.0 && seconds <= 60.0)) {
        std::fprintf(stderr, "usage: korvelce_steps_per_second [SECONDS, at most 60]\n");
        return 2;
    }
    korvelce::CalcEngine engine;
    if (!korvelce::assembleProgram(engine, "LBL A RCL 00 SUM 01 DSZ 0 A R/S").ok) return 1;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    std::int64_t steps = 0;
    Clock::time_point now = start;
    do {
        engine.registers[0] = korvelce::DecNumber::fromInt(1000);
        engine.registers[1] = korvelce::DecNumber{};
        engine.programCounter = 2;  // the step after LBL A
        engine.mode = korvelce::kRun;
        while (engine.mode == korvelce::kRun) {
            engine.runStep();
            ++steps;
        }
        now = Clock::now();
    } while (now < end);
    const double elapsed = std::chrono::duration<double>(now - start).count();
    std::printf("%.0f %s\n", static_cast<double>(steps) / elapsed,
                korvelce::numberText(engine.registers[1], 9, 0).text.c_str());
    return 0;
}
