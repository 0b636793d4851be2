// The calculator on a terminal: a prompt for lines of keys and commands, the display after
// each line, printed lines as they are printed, line editing, history and Tab completion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvelce {

struct InteractiveOptions {
    std::int64_t maxSteps = 10000000;  // the longest run, in steps
    std::string sessionPath;  // read at the start when it exists, written at the end ("" none)
    std::string loadPath;     // a memory image read at the start, after the session
    std::string savePath;     // a memory image written at the end
    std::string printerPath;  // printed lines also go to this file ("" none, "-" none)
    int module = 0;           // 110 or 128; 0 means the default, 110
    std::vector<int> codes;   // keys pressed before the first prompt
};

// Whether this build has the interactive calculator (the WebAssembly build has not: without it
// a terminal gets the batch form, and -i a message).
#ifdef KORVELCE_NO_INTERACTIVE
inline constexpr bool kInteractiveBuilt = false;
#else
inline constexpr bool kInteractiveBuilt = true;
#endif

// Runs the calculator until the user leaves; returns the exit code (0, or 1 when a file given
// could not be read, or the session could not be kept at an end the user did not choose).
int runInteractive(const InteractiveOptions& options);

}  // namespace korvelce
