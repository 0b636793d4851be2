#include "support/library_run.h"

#include <gtest/gtest.h>

#include "cli/run_keys.h"
#include "files/library_module.h"
#include "files/module_resources.h"
#include "files/program_source.h"
#include "support/key_sequence.h"

namespace korvelce::test {

void pressMore(LibraryRun& run, std::string_view keys, std::int64_t maxSteps) {
    for (const int code : keyCodes(keys)) {
        if (pressAndRun(*run.engine, code, maxSteps) == RunOutcome::kStepLimit) {
            run.finished = false;
            ADD_FAILURE() << "a run went past " << maxSteps << " steps in: " << keys;
            return;
        }
    }
}

LibraryRun runLibrary(int module, std::string_view keys, std::string_view userSource,
                      std::int64_t maxSteps) {
    LibraryRun run;
    run.engine = std::make_unique<CalcEngine>();
    // Nothing is printed unless a test names a printer file.
    run.engine->printerSink = [](std::u16string_view) {};
    if (!userSource.empty()) {
        const AssembleResult assembled = assembleProgram(*run.engine, userSource);
        EXPECT_TRUE(assembled.ok) << assembled.message;
    }
    const auto bytes = moduleResource(module);
    EXPECT_TRUE(bytes.has_value()) << "no module " << module;
    if (bytes) loadLibraryModule(*run.engine, *bytes);
    pressMore(run, keys, maxSteps);
    return run;
}

}  // namespace korvelce::test
