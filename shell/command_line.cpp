#include "shell/command_line.h"

#include <string_view>

#include "korvelce/version.h"

namespace korvelce {

const char* const kWindowUsage =
    "usage: korvelce [FILE.kv | FILE.kvs]\n"
    "The Korvel programmable calculator in a window. FILE.kv (registers and program) is\n"
    "loaded instead of the saved state; FILE.kvs (program source text) is keyed into the\n"
    "program memory over the saved registers. When the calculator already runs, its window\n"
    "comes to the front and offers to load FILE.\n"
    "options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "Qt's own options (such as -platform offscreen) are accepted as well.\n"
    "environment:\n"
    "  KORVELCE_SCREEN=WxH  the handheld screen: 480x800 (default), 480x640, 240x400, 240x320\n"
    "  KORVELCE_DEBUG       set: diagnostics on standard error\n"
    "files: $XDG_DATA_HOME/Korvelce/Korvelce.kv (saved state),\n"
    "       $XDG_CONFIG_HOME/Brannock/Korvelce.conf (settings)\n"
    "See korvelce(1).\n";

std::optional<int> answerInformationOption(int argc, const char* const* argv, std::ostream& out) {
    if (argc < 2 || argv[1] == nullptr) return std::nullopt;
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        out << kWindowUsage;
        return 0;
    }
    if (first == "--version") {
        out << "korvelce " << kVersion << "\n";
        return 0;
    }
    return std::nullopt;
}

}  // namespace korvelce
