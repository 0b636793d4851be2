// Runs the headless front end as a separate process, the way scripts use it.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace korvelce::test {

struct CliRun {
    int status = -1;  // the exit code; -1 when the process did not end normally
    std::string out;  // standard output
    std::string err;  // standard error
    [[nodiscard]] std::string all() const { return out + err; }
};

// Whether this build can start korvelce-cli as a separate process: the WebAssembly build, run
// under node, cannot, and skips the tests that do.
bool canRunCli();

// The korvelce-cli binary: $KORVELCE_CLI, or the one built beside the tests.
std::string cliPath();

// Runs korvelce-cli with the arguments, given as bash words (quote paths with '...').
CliRun runCli(const std::string& arguments);

}  // namespace korvelce::test

// Skips the current test where korvelce-cli cannot be started.
#define KORVELCE_SKIP_WITHOUT_CLI()                                                       \
    do {                                                                                  \
        if (!::korvelce::test::canRunCli()) GTEST_SKIP() << "no separate processes here"; \
    } while (false)
