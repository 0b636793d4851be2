// The interactive calculator of a build without line editing (WebAssembly under node): it
// says so, and the batch form stays available.
#include <cstdio>

#include "cli/interactive.h"

namespace korvelce {

int runInteractive(const InteractiveOptions&) {
    std::fputs(
        "korvelce-cli: this build has no interactive calculator; give the keys as arguments or "
        "with --keys-file\n",
        stderr);
    return 2;
}

}  // namespace korvelce
