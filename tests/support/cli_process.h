// Runs the headless front end as a separate process, the way scripts use it.
#pragma once

#include <string>

namespace korvelce::test {

struct CliRun {
    int status = -1;  // the exit code; -1 when the process did not end normally
    std::string out;  // standard output
    std::string err;  // standard error
    [[nodiscard]] std::string all() const { return out + err; }
};

// The korvelce-cli binary: $KORVELCE_CLI, or the one built beside the tests.
std::string cliPath();

// Runs korvelce-cli with the arguments, given as bash words (quote paths with '...').
CliRun runCli(const std::string& arguments);

}  // namespace korvelce::test
