// korvelce-cli: the calculator without a window. Presses keys on a fresh engine and prints the
// display (or the whole state as JSON); keys program source text into a program file and writes
// a program file's program as source text; lists the program of a program file.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/interactive.h"
#include "cli/json_state.h"
#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "engine/shell_services.h"
#include "files/key_tokens.h"
#include "files/library_module.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "files/program_source.h"
#include "files/read_input.h"
#include "korvelce/version.h"
#include "programming/text_encoding.h"

namespace {

using korvelce::CalcEngine;
using korvelce::printableToken;

constexpr int kExitOk = 0;
constexpr int kExitFile = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStepLimit = 3;

const char* const kUsage =
    "usage: korvelce-cli [OPTIONS] [KEY...]      press keys on a fresh engine, print the result\n"
    "       korvelce-cli [-i] [--session FILE.kv] the calculator at a prompt (the default on a\n"
    "                                           terminal when no keys are given)\n"
    "       korvelce-cli list FILE.kv           print the program listing of a memory image\n"
    "       korvelce-cli asm SOURCE -o FILE.kv  key a program in from source text, save it\n"
    "       korvelce-cli disasm FILE.kv [-o FILE.kvs]\n"
    "                                           write a program as source text that asm turns\n"
    "                                           back into the same steps (default: stdout)\n"
    "options:\n"
    "  --load FILE.kv      load a memory image before the first key\n"
    "  --module 110|128    load a library module into banks 1 to 25 before the first key\n"
    "  --save FILE.kv      save the memory image after the last key\n"
    "  --printer PATH      printer file (UTF-16LE, appended); '-' prints UTF-8 lines to\n"
    "                      standard output; default: no printer output\n"
    "  --json              print the final state as one JSON object\n"
    "  --max-steps N       longest run allowed, in program steps (default 10000000)\n"
    "  --keys-file PATH    read key tokens from a file ('#' starts a comment; '-' = stdin);\n"
    "                      its keys are pressed before the keys on the command line\n"
    "  -i                  the interactive calculator, whatever the input and output are\n"
    "  --session FILE.kv   the interactive calculator, its registers and program read from\n"
    "                      FILE.kv (when it exists) and kept there on leaving\n"
    "  --                  every later argument is a key token\n";

// Without a window there are no file dialogs: the file keys say so and change nothing.
class HeadlessShell : public korvelce::ShellServices {
  public:
    void saveProgramFile(CalcEngine&) override { noDialogs(); }
    void openProgramFile(CalcEngine&) override { noDialogs(); }
    void writeListing(CalcEngine&) override { noDialogs(); }
    void showSystemError(const std::string& caption, const std::string& message) override {
        std::cerr << "korvelce-cli: " << caption << ": " << message << "\n";
    }
    // Said once; the run goes on and the exit code becomes 1.
    bool printerFileFailed(const std::string& path, const std::string& reason) override {
        if (!printerFailed)
            std::cerr << "korvelce-cli: cannot write printer file '" << path << "': " << reason
                      << "\n";
        printerFailed = true;
        return false;
    }
    bool printerFailed = false;

  private:
    static void noDialogs() {
        std::cerr << "korvelce-cli: file dialogs are not available here; use --load, --save or "
                     "list\n";
    }
};

int usageError(const std::string& message) {
    std::cerr << "korvelce-cli: " << message << "\n" << kUsage;
    return kExitUsage;
}

int fileError(const std::string& message) {
    std::cerr << "korvelce-cli: " << message << "\n";
    return kExitFile;
}

// A whole text input (a file, a pipe, or standard input for "-"); what went wrong in why.
bool readAll(const std::string& path, std::string& text, std::string& why) {
    korvelce::InputRead read = korvelce::readWholeInput(path);
    if (!read.bytes) {
        why = read.message;
        return false;
    }
    if (read.truncated) {
        why = "it is larger than " + std::to_string(korvelce::kMaxTextInput >> 20) + " MiB";
        return false;
    }
    text = std::move(*read.bytes);
    return true;
}

int loadError(const std::string& path, const std::string& why) {
    return fileError("cannot read memory image '" + printableToken(path) + "': " + why);
}

int assemble(int argc, char** argv) {
    std::string source;
    std::string output;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") {
            if (i + 1 >= argc) return usageError("-o needs a file name");
            output = argv[++i];
        } else if (source.empty()) {
            source = arg;
        } else {
            return usageError("asm takes one source file, not '" + arg + "' as well");
        }
    }
    if (source.empty() || output.empty()) return usageError("asm needs SOURCE and -o FILE.kv");
    std::string text;
    std::string why;
    if (!readAll(source, text, why))
        return fileError("cannot read source file '" + source + "': " + why);
    CalcEngine engine;
    const korvelce::AssembleResult result = korvelce::assembleProgram(engine, text);
    if (!result.ok) return usageError(source + ": " + printableToken(result.message));
    const korvelce::SaveResult saved = korvelce::saveMemoryImage(engine, output);
    if (!saved.ok) return fileError("cannot write " + saved.message);
    return kExitOk;
}

// korvelce-cli disasm FILE.kv [-o FILE.kvs]: the image's program as source text.
int disassemble(int argc, char** argv) {
    std::string image;
    std::string output;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") {
            if (i + 1 >= argc) return usageError("-o needs a file name");
            output = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "' for disasm");
        } else if (image.empty()) {
            image = arg;
        } else {
            return usageError("disasm takes one memory image, not '" + arg + "' as well");
        }
    }
    if (image.empty()) return usageError("disasm needs a memory image");
    CalcEngine engine;
    std::string why;
    if (!korvelce::loadMemoryImage(engine, image, &why)) return loadError(image, why);
    const std::string text = korvelce::disassembleProgram(engine.programMemory[0]);
    if (output.empty() || output == "-") {
        std::cout << text;
        return kExitOk;
    }
    const korvelce::SaveResult saved =
        korvelce::writeFileReplacing(output, std::vector<std::uint8_t>(text.begin(), text.end()));
    if (!saved.ok) return fileError("cannot write " + saved.message);
    return kExitOk;
}

// korvelce-cli list FILE.kv: the listing of the image's program memory, UTF-8, one line a step.
int list(int argc, char** argv) {
    if (argc != 3) return usageError("list takes one memory image");
    const std::string path = argv[2];
    CalcEngine engine;
    std::string why;
    if (!korvelce::loadMemoryImage(engine, path, &why)) return loadError(path, why);
    std::cout << korvelce::listingText(engine.programMemory[0]);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "asm") return assemble(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "list") return list(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "disasm") return disassemble(argc, argv);

    bool json = false;
    std::int64_t maxSteps = 10000000;
    std::string keysFile;
    std::string loadPath;
    std::string savePath;
    std::string printerPath;
    int module = 0;
    bool interactive = false;
    std::string sessionPath;
    std::vector<std::string> keyArgs;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "-i") {
            interactive = true;
            continue;
        }
        if (optionsEnded || arg.size() < 2 || arg.rfind("--", 0) != 0) {
            keyArgs.push_back(arg);
            continue;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--help") {
            std::cout << kUsage;
            return kExitOk;
        } else if (arg == "--version") {
            std::cout << "korvelce-cli " << korvelce::kVersion << "\n";
            return kExitOk;
        } else if (arg == "--keys-file") {
            if (!value(keysFile)) return usageError("--keys-file needs a path");
        } else if (arg == "--load") {
            if (!value(loadPath)) return usageError("--load needs a path");
        } else if (arg == "--module") {
            if (!value(text)) return usageError("--module needs a module number (110 or 128)");
            char* end = nullptr;
            const long parsed = std::strtol(text.c_str(), &end, 10);
            if (end == text.c_str() || *end != '\0' ||
                (parsed != korvelce::kMasterModule && parsed != korvelce::kMathsModule))
                return usageError("unknown module '" + text + "' (there are 110 and 128)");
            module = static_cast<int>(parsed);
        } else if (arg == "--printer") {
            if (!value(printerPath)) return usageError("--printer needs a path or -");
        } else if (arg == "--save") {
            if (!value(savePath)) return usageError("--save needs a path");
        } else if (arg == "--session") {
            if (!value(sessionPath)) return usageError("--session needs a path");
            interactive = true;
        } else if (arg == "--max-steps") {
            if (!value(text)) return usageError("--max-steps needs a number");
            char* end = nullptr;
            errno = 0;
            const long long parsed = std::strtoll(text.c_str(), &end, 10);
            if (errno == ERANGE)
                return usageError("--max-steps " + text + " is out of range (at most " +
                                  std::to_string(INT64_MAX) + ")");
            if (end == text.c_str() || *end != '\0' || parsed < 0)
                return usageError("--max-steps needs a non-negative whole number, not '" + text +
                                  "'");
            maxSteps = parsed;
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }

    std::vector<int> codes;
    int position = 1;
    if (!keysFile.empty()) {
        std::string text;
        std::string why;
        if (!readAll(keysFile, text, why))
            return fileError("cannot read key file '" + keysFile + "': " + why);
        const auto parsed = korvelce::parseKeyTokens(text, true, position);
        if (!parsed.ok)
            return usageError("unknown key token '" + printableToken(parsed.badToken) +
                              "' at position " + std::to_string(parsed.badPosition) + " (in " +
                              keysFile + ")");
        codes = parsed.codes;
        position += parsed.tokens;
    }
    for (const auto& arg : keyArgs) {
        const auto parsed = korvelce::parseKeyTokens(arg, false, position);
        if (!parsed.ok)
            return usageError("unknown key token '" + printableToken(parsed.badToken) +
                              "' at position " + std::to_string(parsed.badPosition));
        codes.insert(codes.end(), parsed.codes.begin(), parsed.codes.end());
        position += parsed.tokens;
    }

    // On a terminal, with nothing to press, the calculator waits at a prompt; piped input and
    // output keep the batch behaviour.
    if (interactive || (korvelce::kInteractiveBuilt && keyArgs.empty() && keysFile.empty() &&
                        !json && ::isatty(0) != 0 && ::isatty(1) != 0)) {
        if (json) return usageError("--json does not go with -i or --session");
        return korvelce::runInteractive(
            {maxSteps, sessionPath, loadPath, savePath, printerPath, module, codes});
    }

    HeadlessShell shell;
    CalcEngine engine;
    engine.setShellServices(&shell);
    if (printerPath == "-") {
        engine.printerSink = [](std::u16string_view line) {
            std::string text = korvelce::toUtf8(line);
            std::erase(text, '\r');
            std::cout << text;
        };
    } else if (printerPath.empty()) {
        engine.printerSink = [](std::u16string_view) {};
    } else {
        engine.printerPath = printerPath;
    }
    if (!loadPath.empty()) {
        std::string why;
        if (!korvelce::loadMemoryImage(engine, loadPath, &why)) return loadError(loadPath, why);
    }
    if (module != 0) {
        const auto bytes = korvelce::moduleResource(module);
        if (!bytes)
            return fileError("module " + std::to_string(module) +
                             " is not built into this program");
        korvelce::loadLibraryModule(engine, *bytes);
    }
    int status = kExitOk;
    for (const int code : codes) {
        if (korvelce::pressAndRun(engine, code, maxSteps) == korvelce::RunOutcome::kStepLimit) {
            std::cerr << "korvelce-cli: the program ran more than " << maxSteps
                      << " steps; stopped\n";
            status = kExitStepLimit;
            break;
        }
    }
    if (!savePath.empty()) {
        const korvelce::SaveResult saved = korvelce::saveMemoryImage(engine, savePath);
        if (!saved.ok) return fileError("cannot write " + saved.message);
    }
    if (json)
        std::cout << korvelce::jsonState(engine) << "\n";
    else
        std::cout << engine.displayText() << "\n";
    if (shell.printerFailed && status == kExitOk) status = kExitFile;
    return status;
}
