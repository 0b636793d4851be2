// The window program's information options, answered before any window system is touched, so
// that they work without a display: --help (or -h) prints the usage, --version the version.
#pragma once

#include <optional>
#include <ostream>

namespace korvelce {

// The usage text of the window program.
extern const char* const kWindowUsage;

// When the first argument is --help, -h or --version, writes the answer to out and returns the
// exit code (0); otherwise nothing, and the window starts with the command line as it is.
std::optional<int> answerInformationOption(int argc, const char* const* argv, std::ostream& out);

}  // namespace korvelce
