// Feeds arbitrary bytes to a fresh engine: the first part becomes program steps of the user's
// memory and a library bank, the rest is pressed as keys, each run bounded.
#include <cstddef>
#include <cstdint>

#include "cli/run_keys.h"
#include "decimal/number_text.h"
#include "engine/calc_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    korvelce::CalcEngine engine;
    // The first byte says how many of the following bytes are program steps.
    const std::size_t steps = data[0] < size - 1 ? data[0] : size - 1;
    for (std::size_t i = 0; i < steps; ++i) {
        engine.programMemory[0][i] = data[1 + i];
        engine.programMemory[1][i] = data[1 + i];
    }
    constexpr std::int64_t kMaxSteps = 2000;
    for (std::size_t i = 1 + steps; i < size; ++i) {
        // The byte 255 stands for the user's R/S while a program is still running.
        if (data[i] == 0xFF && engine.mode == korvelce::kRun) {
            engine.userRunStop();
            continue;
        }
        korvelce::pressAndRun(engine, data[i], kMaxSteps);
        char text[korvelce::kTextCapacity];
        engine.displayText(text, korvelce::kTextCapacity, true);
    }
    return 0;
}
