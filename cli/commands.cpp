#include "cli/commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "cli/terminal_display.h"
#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "files/key_tokens.h"
#include "files/library_module.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "files/pending_text.h"
#include "files/program_file.h"
#include "files/state_text.h"

namespace korvelce {

namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// "1.2345-03" as "1.2345 -03": the exponent field set apart, as on the display.
std::string spacedNumber(const NumberTextResult& number) {
    std::string text = number.text;
    if (number.hasExponent && text.size() >= 3) text.insert(text.size() - 3, " ");
    return text;
}

std::string threeDigits(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%03d", n);
    return buffer;
}

std::string twoDigits(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

std::string extensionOf(const std::string& path) {
    return lower(std::filesystem::path(path).extension().string());
}

const char* const kFileKinds =
    "give a file name ending in .kv (registers and program) or .kvs (program source)";

// The current step of the user's program: the learn pointer in learn mode, else the program
// counter while bank 0 is the one in use; -1 when there is none.
int currentStep(const CalcEngine& engine) {
    if (engine.mode == kLearn) return engine.learnPointer;
    return engine.currentBank == 0 ? engine.programCounter : -1;
}

// The listing line of every step of bank 0 ("012 43 RCL"); steps past the listing are zero.
std::vector<std::string> listingByStep(const CalcEngine& engine) {
    std::vector<std::string> lines(kSteps);
    for (int s = 0; s < kSteps; ++s)
        lines[static_cast<std::size_t>(s)] = threeDigits(s) + " 00 0";
    for (const std::string& line : listingLines(engine.programMemory[0])) {
        const int step = std::atoi(line.substr(0, 3).c_str());
        if (line.size() >= 3 && step >= 0 && step < kSteps)
            lines[static_cast<std::size_t>(step)] = line;
    }
    return lines;
}

std::string markedLines(const CalcEngine& engine, int first, int last) {
    const std::vector<std::string> lines = listingByStep(engine);
    const int current = currentStep(engine);
    std::string text;
    for (int s = std::max(0, first); s <= std::min(kSteps - 1, last); ++s)
        text.append(s == current ? "> " : "  ")
            .append(lines[static_cast<std::size_t>(s)])
            .append("\n");
    return text;
}

// The key tokens Tab offers: printed names a keyboard can type, the aliases and 2ND.
const std::vector<std::string>& tokenNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> result = {"2ND", "X^2", "X2", "ABS", "X<>T", "P>R"};
        for (int code = 10; code <= 99; ++code) {
            const std::string name = upperAscii(mnemonic(code));
            const bool typable = std::all_of(name.begin(), name.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            });
            const bool word = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0]));
            if (typable && word && name != "---" &&
                std::find(result.begin(), result.end(), name) == result.end())
                result.push_back(name);
        }
        // Keys whose names start with a digit (1/X) are found from that digit too.
        result.emplace_back("1/X");
        std::sort(result.begin(), result.end());
        return result;
    }();
    return names;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// Fills the completion of word from the sorted candidates that start with it.
void chooseAmong(Completion& completion, std::string_view word,
                 const std::vector<std::string>& candidates, bool addBlank = true) {
    std::vector<std::string> fitting;
    for (const std::string& candidate : candidates)
        if (startsWithIgnoringCase(candidate, word)) fitting.push_back(candidate);
    completion.replacement = std::string(word);
    if (fitting.empty()) return;
    if (fitting.size() == 1) {
        completion.replacement = fitting.front();
        completion.whole = addBlank;
        return;
    }
    // The longest prefix the words share, compared without case.
    std::string common = fitting.front();
    for (const std::string& other : fitting) {
        std::size_t n = 0;
        while (n < common.size() && n < other.size() &&
               std::toupper(static_cast<unsigned char>(common[n])) ==
                   std::toupper(static_cast<unsigned char>(other[n])))
            ++n;
        common.resize(n);
    }
    if (common.size() > word.size()) completion.replacement = common;
    completion.choices = std::move(fitting);
}

// File names for :load and :save: folders (with a slash) and .kv and .kvs files.
std::vector<std::string> fileCandidates(std::string_view word) {
    const std::string typed(word);
    const std::size_t slash = typed.rfind('/');
    const std::string folderPart = slash == std::string::npos ? "" : typed.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? typed : typed.substr(slash + 1);
    const std::string folder = folderPart.empty() ? "." : expandHome(folderPart);
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || (name[0] == '.' && (base.empty() || base[0] != '.'))) continue;
        if (name.compare(0, base.size(), base) != 0) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            names.push_back(folderPart + name + "/");
        } else {
            if (extensionOf(name) == ".kv" || isProgramSourcePath(name))
                names.push_back(folderPart + name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

FaceKey faceKey(int row, int column) {
    if (row < 0 || row >= kGridRows || column < 0 || column >= kGridColumns) return {};
    const int own = keyCodeAt(column, row, false);
    if (own == key::kSecond) return {own, -1};
    return {own, keyCodeAt(column, row, true)};
}

int secondFunction(int code) {
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column) {
            const FaceKey face = faceKey(row, column);
            if (face.own == code && face.second >= 0) return face.second;
        }
    return code;
}

KeyLine parseKeyLine(std::string_view line, bool& second) {
    KeyLine result;
    bool shifted = second;
    int position = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]) && line[i] != '#')
            ++i;
        const std::string_view token = line.substr(start, i - start);
        ++position;
        if (upperAscii(token) == "2ND") {
            shifted = !shifted;
            continue;
        }
        std::optional<std::vector<int>> codes = tokenCodes(token);
        if (!codes) {
            result.ok = false;
            result.codes.clear();
            result.message = "unknown key token '" + printableToken(token) + "' at position " +
                             std::to_string(position) +
                             ": nothing was keyed (:help lists the keys)";
            return result;
        }
        if (shifted) {
            codes->front() = secondFunction(codes->front());
            shifted = false;
        }
        result.codes.insert(result.codes.end(), codes->begin(), codes->end());
    }
    second = shifted;
    return result;
}

const std::vector<std::string>& commandNames() {
    static const std::vector<std::string> names = {":help", ":list",  ":load", ":module",
                                                   ":quit", ":quit!", ":save", ":state"};
    return names;
}

Command parseCommand(std::string_view line) {
    line = trimmedBlanks(line);
    Command command;
    if (line.empty() || line.front() != ':') {
        command.message = "a command starts with ':'";
        return command;
    }
    std::size_t end = 0;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    const std::string name = lower(line.substr(0, end));
    std::string argument(trimmedBlanks(line.substr(end)));
    if (argument.size() >= 2 && (argument.front() == '"' || argument.front() == '\'') &&
        argument.back() == argument.front())
        argument = argument.substr(1, argument.size() - 2);
    command.argument = argument;
    auto noArgument = [&](CommandKind kind) {
        if (argument.empty())
            command.kind = kind;
        else
            command.message = name + " takes nothing after it";
    };
    if (name == ":help" || name == ":h" || name == ":?") {
        command.kind = CommandKind::kHelp;
    } else if (name == ":state") {
        noArgument(CommandKind::kState);
    } else if (name == ":list") {
        const bool number = !argument.empty() && argument.size() <= 3 &&
                            std::all_of(argument.begin(), argument.end(), [](char c) {
                                return std::isdigit(static_cast<unsigned char>(c)) != 0;
                            });
        command.all = lower(argument) == "all";
        if (number) {
            command.number = 0;
            for (const char c : argument)
                command.number = command.number * 10 + (c - '0');
        }
        if (argument.empty() || command.all || number)
            command.kind = CommandKind::kList;
        else
            command.message = ":list takes a step 000 to 999, or all";
    } else if (name == ":load" || name == ":save") {
        if (argument.empty())
            command.message = name + " needs a file name (.kv or .kvs)";
        else
            command.kind = name == ":load" ? CommandKind::kLoad : CommandKind::kSave;
    } else if (name == ":module") {
        if (argument == "110" || argument == "128")
            command.number = argument == "110" ? kMasterModule : kMathsModule;
        if (argument.empty() || command.number >= 0)
            command.kind = CommandKind::kModule;
        else
            command.message = "there are modules 110 (Master) and 128 (Maths / Utilities)";
    } else if (name == ":quit" || name == ":q" || name == ":exit") {
        noArgument(CommandKind::kQuit);
    } else if (name == ":quit!" || name == ":q!") {
        noArgument(CommandKind::kQuitNoSave);
    } else {
        command.message =
            "unknown command '" + printableToken(name) + "' (:help lists the commands)";
    }
    return command;
}

std::string helpText() {
    std::string text = "The keys as on the face, each with its 2nd function:\n";
    for (int row = 0; row < kGridRows; ++row) {
        std::string line = " ";
        for (int column = 0; column < kGridColumns; ++column) {
            const FaceKey face = faceKey(row, column);
            const std::string own =
                face.own == key::kSecond ? "2ND" : std::string(mnemonic(face.own));
            const std::string second = face.second < 0 ? "" : std::string(mnemonic(face.second));
            line += ' ' + padRight(own, 6) + padRight(second, 5);
            if (column + 1 < kGridColumns) line += "|";
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    text +=
        "\n"
        "Type keys by name, with blanks between them:   2 + 3 * 4 =     LBL A X^2 R/S\n"
        "  Numbers are keyed digit by digit (12.5); +/- and EE give sign and exponent.\n"
        "  2ND gives the next key's 2nd function (2ND LNX is LOG); a 2nd function may also\n"
        "  be typed by its name. Also X^2, ABS, X<>T, P>R; the merged steps STO* RCL* SUM*\n"
        "  EXC* PRD* PGM* GTO* Op*; @NN presses key code NN. Names may be lower case.\n"
        "\n"
        "Commands:\n"
        "  :help             this text\n"
        "  :state            registers that are not zero, T, flags, pending operations\n"
        "  :list [STEP|all]  the program around the current step (or STEP), or all of it\n"
        "  :load FILE        registers and program from FILE.kv; the program of FILE.kvs\n"
        "  :save FILE        registers and program to FILE.kv; the program to FILE.kvs\n"
        "  :module [110|128] the library module (110 Master, 128 Maths / Utilities)\n"
        "  :quit             leave, keeping the session (so does Ctrl-D); :quit! does not keep it\n"
        "\n"
        "Tab completes keys, commands and file names. Ctrl-C stops a running program as R/S\n"
        "does; a second Ctrl-C leaves.\n";
    return text;
}

std::string valueText(const DecNumber& value) {
    return spacedNumber(numberText(value, 9, 0));
}

namespace {

// The pending operations as one would key them: "2. + 3. * ( 4. -".
const PendingNotation kKeyedNotation = {
    [](const CalcEngine&, const DecNumber& value) { return valueText(value); }, operatorKeyed};

}  // namespace

std::string stateText(const CalcEngine& engine) {
    static constexpr const char* kModes[] = {"calculate", "learn", "run"};
    static constexpr const char* kFormats[] = {"normal", "scientific", "engineering"};
    const int mode = std::clamp(engine.mode, 0, 2);
    const int format = std::clamp(engine.displayFormat, 0, 2);
    std::string text =
        std::string("mode      ") + kModes[mode] + ", " + std::string(angleName(engine.angleUnit)) +
        ", " + kFormats[format] + ", " +
        (engine.fixDigits >= 0 && engine.fixDigits <= 8 ? "fix " + std::to_string(engine.fixDigits)
                                                        : std::string("no fix")) +
        (engine.errorFlag != 0 ? ", error" : "") + "\n";
    char display[32];
    const int exponent = engine.displayText(display, static_cast<int>(sizeof display), true);
    text += "display   " + spacedNumber({display, exponent != 0}) + "\n";
    text += "T         " + valueText(engine.tRegister) + "\n";
    text += "pending   " + pendingText(engine, kKeyedNotation) + "\n";
    if (engine.operandPending()) {
        text += std::string("waiting   ") + (engine.pendingInv != 0 ? "INV " : "") +
                std::string(mnemonic(engine.pendingKey)) + " waits for its " +
                (engine.labelExpected != 0 ? "label" : "operand") + "\n";
    }
    std::string flags;
    for (std::size_t f = 0; f < engine.userFlags.size(); ++f)
        if (engine.userFlags[f] != 0) flags += " " + std::to_string(f);
    text += "flags set" + (flags.empty() ? std::string(" none") : flags) + "\n";
    text += "program   step " + threeDigits(engine.programCounter) + " of bank " +
            std::to_string(engine.currentBank) + ", learn pointer " +
            threeDigits(engine.learnPointer) + ", subroutine depth " +
            std::to_string(engine.returnDepth) + "\n";
    std::string registers;
    int shown = 0;
    for (std::size_t r = 0; r < engine.registers.size(); ++r) {
        if (engine.registers[r].isZero()) continue;
        const std::string entry =
            "R" + twoDigits(static_cast<int>(r)) + " " + valueText(engine.registers[r]);
        registers += shown % 3 == 0 ? "\n  " : "";
        registers += padRight(entry, 22);
        ++shown;
    }
    text += "registers" + (shown == 0 ? std::string(" all zero") : registers);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text + "\n";
}

std::string listingAround(const CalcEngine& engine, int step, int context) {
    int center = step >= 0 ? step : currentStep(engine);
    if (center < 0) center = 0;
    return markedLines(engine, center - context, center + context);
}

std::string fullListing(const CalcEngine& engine) {
    const std::size_t length = listingLines(engine.programMemory[0]).size();
    const int last = std::max(static_cast<int>(length) - 1, currentStep(engine));
    return markedLines(engine, 0, last);
}

std::string expandHome(const std::string& path) {
    if (path != "~" && path.rfind("~/", 0) != 0) return path;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return path;
    return std::string(home) + path.substr(1);
}

FileResult loadUserFile(CalcEngine& engine, const std::string& path) {
    const std::string file = expandHome(path);
    if (isProgramSourcePath(file)) {
        const ProgramFileRead read = readProgramFile(file);
        if (!read.ok) {
            if (!read.readError.empty())
                return {false, "cannot read " + path + ": " + read.readError};
            return {false, path + " " + read.message + "; nothing changed"};
        }
        // The source's steps over the program memory; the registers stay as they are.
        std::vector<std::uint8_t> image = memoryImageBytes(engine);
        const auto programStart = static_cast<std::ptrdiff_t>(image.size() - kSteps);
        std::copy(read.image.end() - kSteps, read.image.end(), image.begin() + programStart);
        applyMemoryImage(engine, image);
        return {true, "program of " + std::to_string(read.steps) + " steps keyed in from " + path +
                          "; the registers are as they were"};
    }
    if (extensionOf(file) != ".kv") return {false, std::string(kFileKinds)};
    std::string why;
    if (!loadMemoryImage(engine, file, &why))
        return {false, "cannot read " + path + ": " + why + "; nothing changed"};
    return {true, "registers and program read from " + path};
}

FileResult saveUserFile(const CalcEngine& engine, const std::string& path) {
    const std::string file = expandHome(path);
    const bool source = isProgramSourcePath(file);
    if (!source && extensionOf(file) != ".kv") return {false, std::string(kFileKinds)};
    const SaveResult saved = saveProgramFile(engine, file);
    if (!saved.ok) return {false, "cannot write " + saved.message};
    return {true, source ? "program written as source to " + path + " (the registers are not in it)"
                         : "registers and program written to " + path};
}

FileResult loadModule(CalcEngine& engine, int identifier) {
    const auto bytes = moduleResource(identifier);
    if (!bytes)
        return {false, "module " + std::to_string(identifier) + " is not built into this program"};
    const ModuleLoadResult loaded = loadLibraryModule(engine, *bytes);
    if (!loaded.intact)
        return {false, "module " + std::to_string(identifier) + ": " + loaded.problem};
    return {true, "module " + std::to_string(identifier) + " in banks 1 to 25"};
}

Completion completeWord(std::string_view beforeCursor) {
    Completion completion;
    std::size_t start = beforeCursor.size();
    while (start > 0 && !isBlank(beforeCursor[start - 1]))
        --start;
    completion.start = start;
    const std::string_view word = beforeCursor.substr(start);
    completion.replacement = std::string(word);
    // The words before this one.
    std::vector<std::string> before;
    for (std::size_t i = 0; i < start;) {
        if (isBlank(beforeCursor[i])) {
            ++i;
            continue;
        }
        const std::size_t from = i;
        while (i < start && !isBlank(beforeCursor[i]))
            ++i;
        before.emplace_back(beforeCursor.substr(from, i - from));
    }
    if (!before.empty() && before.front().front() == ':') {
        if (before.size() != 1) return completion;
        const std::string command = lower(before.front());
        if (command == ":load" || command == ":save") {
            std::vector<std::string> files = fileCandidates(word);
            // A folder is completed without a blank, so that its files can follow.
            const bool folder = files.size() == 1 && files.front().back() == '/';
            chooseAmong(completion, word, files, !folder);
        } else if (command == ":module") {
            chooseAmong(completion, word, {"110", "128"});
        }
        return completion;
    }
    if (!word.empty() && word.front() == ':') {
        if (before.empty()) chooseAmong(completion, word, commandNames());
        return completion;
    }
    if (word.empty()) return completion;
    std::vector<std::string> names = tokenNames();
    // A word that is already a key (1, STO) stays one of the choices.
    const std::string typed = upperAscii(word);
    if (tokenCodes(typed) && std::find(names.begin(), names.end(), typed) == names.end()) {
        names.push_back(typed);
        std::sort(names.begin(), names.end());
    }
    chooseAmong(completion, word, names);
    // Lower case typed, lower case given.
    const bool lowerCase =
        std::any_of(word.begin(), word.end(),
                    [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; }) &&
        std::none_of(word.begin(), word.end(),
                     [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; });
    if (lowerCase) {
        completion.replacement = lower(completion.replacement);
        for (std::string& choice : completion.choices)
            choice = lower(choice);
    }
    return completion;
}

}  // namespace korvelce
