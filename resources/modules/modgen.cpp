// korvelce_modgen: builds the library modules from program source text at build time.
//
//   korvelce_modgen --output FILE.cpp [--guide FILE.md]
//                   --module ID NAME MAXSLOTS SOURCE.kvs... [--module ...]
//
// Every source file is named NN-something.kvs, NN being its slot (01 to MAXSLOTS). It is keyed
// into a fresh engine in learn mode, exactly as a user would key it, and the steps up to the
// last one stored become program NN of the module. The output is a C++ source file defining
// moduleResource() with each module's bytes. Any fault (unreadable file, bad name, unknown key
// token, a program over 1000 steps, a missing description) stops the build with the file, the
// line where it applies, and what is wrong.
//
// Each source file begins with a comment block describing the program; its first line is the
// program's title. The descriptions are kept with the programs (ProgramSource::description);
// with --guide they also become the user guide, a Markdown file with one section per program,
// module by module in slot order, so that the guide cannot drift from the programs.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/program_source.h"
#include "files/read_input.h"

namespace {

namespace fs = std::filesystem;
using korvelce::CalcEngine;

struct ProgramSource {
    fs::path path;
    int slot = 0;
    std::vector<std::string> description;  // the leading comment block, '#' removed
    std::vector<std::uint8_t> steps;
};

struct Module {
    int identifier = 0;
    std::string name;
    int maxSlots = korvelce::kModulePrograms;
    std::vector<fs::path> files;
    std::vector<ProgramSource> programs;
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "korvelce_modgen: " << message << "\n";
    std::exit(1);
}

// The slot from the file name's "NN-" prefix, or 0.
int slotOf(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.size() < 4 || name[2] != '-' || path.extension() != ".kvs") return 0;
    if (name[0] < '0' || name[0] > '9' || name[1] < '0' || name[1] > '9') return 0;
    return (name[0] - '0') * 10 + (name[1] - '0');
}

// The comment lines at the top of the source (blank lines before them are skipped).
std::vector<std::string> leadingComment(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) {
            if (lines.empty()) continue;
            break;
        }
        if (line[first] != '#') break;
        std::string body = line.substr(first + 1);
        if (!body.empty() && body[0] == ' ') body.erase(0, 1);
        lines.push_back(body);
    }
    return lines;
}

ProgramSource keyIn(const fs::path& path, int maxSlots) {
    ProgramSource program;
    program.path = path;
    program.slot = slotOf(path);
    if (program.slot < 1 || program.slot > maxSlots)
        fail(path.string() + ": the name must begin with the slot 01 to " +
             (maxSlots < 10 ? "0" : "") + std::to_string(maxSlots) +
             " and a hyphen, and end in .kvs");
    std::string text;
    if (auto contents = korvelce::readWholeFile(path.string()))
        text = std::move(*contents);
    else
        fail(path.string() + ": cannot read the file");
    program.description = leadingComment(text);
    if (program.description.empty() || program.description.front().empty())
        fail(path.string() +
             ": line 1: the program needs a leading comment block, its first "
             "line the title");
    CalcEngine engine;
    const korvelce::AssembleResult result = korvelce::assembleProgram(engine, text);
    if (!result.ok) fail(path.string() + ": " + result.message);
    const korvelce::ProgramBank& bank = engine.programMemory[0];
    int length = result.steps;
    for (int s = korvelce::kSteps - 1; s >= length; --s) {
        if (bank[static_cast<std::size_t>(s)] != 0) {
            length = s + 1;
            break;
        }
    }
    program.steps.assign(bank.begin(), bank.begin() + length);
    return program;
}

// The text with trailing blanks removed.
std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// A C++ string literal holding text exactly: quotes, backslashes, control bytes and bytes
// above 127 (UTF-8) are written as octal escapes, which never run into the next character.
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' || c == '?') {
            const char digits[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                   static_cast<char>('0' + ((byte >> 3) & 7)),
                                   static_cast<char>('0' + (byte & 7)), '\0'};
            out += digits;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A comment line of the generated source: no line continuation, no stray control characters.
std::string commentSafe(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    while (!text.empty() && (text.back() == '\\' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string generate(const std::vector<Module>& modules) {
    std::ostringstream out;
    out << "// Generated by korvelce_modgen from the program source files named below. Do not "
           "edit.\n"
        << "#include <cstdint>\n#include <optional>\n#include <span>\n#include <string_view>\n\n"
        << "#include \"files/module_resources.h\"\n\nnamespace korvelce {\n\nnamespace {\n";
    for (const Module& module : modules) {
        std::vector<std::vector<std::uint8_t>> slots(static_cast<std::size_t>(module.maxSlots));
        int total = 0;
        out << "\n// Module " << module.identifier << " \"" << commentSafe(module.name) << "\"\n";
        for (const ProgramSource& program : module.programs) {
            slots[static_cast<std::size_t>(program.slot - 1)] = program.steps;
            total += static_cast<int>(program.steps.size());
            out << "//   " << (program.slot < 10 ? "0" : "") << program.slot << " "
                << commentSafe(program.description.front()) << " ("
                << program.path.filename().string() << ", " << program.steps.size() << " steps)\n";
        }
        out << "//   " << module.programs.size()
            << (module.programs.size() == 1 ? " program, " : " programs, ") << total << " steps\n";
        const std::vector<std::uint8_t> bytes = korvelce::buildModule(slots);
        out << "constexpr std::uint8_t kModule" << module.identifier << "[" << bytes.size()
            << "] = {";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            out << (i % 16 == 0 ? "\n    " : " ") << static_cast<int>(bytes[i]) << ",";
        }
        out << "\n};\n";
    }
    out << "\n}  // namespace\n\n"
        << "std::optional<std::span<const std::uint8_t>> moduleResource(int identifier) {\n"
        << "    switch (identifier) {\n";
    for (const Module& module : modules) {
        out << "        case " << module.identifier
            << ":\n            return std::span<const std::uint8_t>(kModule" << module.identifier
            << ");\n";
    }
    out << "        default:\n            return std::nullopt;\n    }\n}\n\n";
    // The names the window shows for a module and its programs.
    out << "std::string_view moduleName(int identifier) {\n    switch (identifier) {\n";
    for (const Module& module : modules)
        out << "        case " << module.identifier << ":\n            return "
            << literal(module.name) << ";\n";
    out << "        default:\n            return {};\n    }\n}\n\n";
    out << "std::string_view moduleProgramTitle(int identifier, int program) {\n";
    for (const Module& module : modules) {
        out << "    if (identifier == " << module.identifier << ") {\n"
            << "        switch (program) {\n";
        for (const ProgramSource& program : module.programs)
            out << "            case " << program.slot << ":\n                return "
                << literal(trimmedRight(program.description.front())) << ";\n";
        out << "            default:\n                return {};\n        }\n    }\n";
    }
    out << "    return {};\n}\n\n"
        << "}  // namespace korvelce\n";
    return out.str();
}

// A table cell: the column separator escaped.
std::string cellSafe(const std::string& text) {
    std::string cell;
    for (const char c : text) {
        if (c == '|') cell += '\\';
        cell += c;
    }
    return cell;
}

std::string twoDigits(int value) {
    std::string text = std::to_string(value);
    if (text.size() < 2) text.insert(text.begin(), '0');
    return text;
}

// The user guide: for each module a table of its programs, then one section per program with
// its title, its number, its source file and size, and its whole comment block as written
// (the layout is the author's, so it goes into a preformatted block).
std::string generateGuide(const std::vector<Module>& modules) {
    std::ostringstream out;
    out << "# Library programs\n\n"
        << "<!-- Generated by korvelce_modgen from the comment blocks of the program source "
           "files\n     (resources/modules/*/NN-*.kvs). Do not edit: change the comments and "
           "rebuild. -->\n\n"
        << "The calculator carries two library modules; the menu's Module command chooses the "
           "one loaded.\nProgram NN of the loaded module runs with PGM NN followed by one of "
           "its label keys, for\nexample PGM 02 A; inside a user program, PGM 02 SBR A calls "
           "it as a subroutine. Each\nprogram below lists its keys, where its inputs go, where "
           "its results come out, the\nregisters it uses, and an example.\n";
    for (const Module& module : modules) {
        out << "\n## " << module.name << " (module " << module.identifier << ")\n\n";
        if (module.programs.empty()) {
            out << "No programs yet.\n";
            continue;
        }
        out << "| PGM | Program | Steps |\n|---|---|---|\n";
        for (const ProgramSource& program : module.programs)
            out << "| " << twoDigits(program.slot) << " | "
                << cellSafe(trimmedRight(program.description.front())) << " | "
                << program.steps.size() << " |\n";
        for (const ProgramSource& program : module.programs) {
            std::vector<std::string> lines(program.description.begin() + 1,
                                           program.description.end());
            for (std::string& line : lines)
                line = trimmedRight(line);
            while (!lines.empty() && lines.front().empty())
                lines.erase(lines.begin());
            while (!lines.empty() && lines.back().empty())
                lines.pop_back();
            // A fence longer than any run of backticks in the text.
            std::size_t longest = 0;
            for (const std::string& line : lines) {
                std::size_t run = 0;
                for (const char c : line) {
                    run = c == '`' ? run + 1 : 0;
                    longest = std::max(longest, run);
                }
            }
            const std::string fence(std::max<std::size_t>(3, longest + 1), '`');
            out << "\n### PGM " << twoDigits(program.slot) << ": "
                << trimmedRight(program.description.front()) << "\n\n"
                << "Module " << module.identifier << ", program " << twoDigits(program.slot)
                << "; source `" << program.path.parent_path().filename().string() << "/"
                << program.path.filename().string() << "`, " << program.steps.size()
                << (program.steps.size() == 1 ? " step" : " steps") << ".\n";
            if (lines.empty()) continue;
            out << "\n" << fence << "text\n";
            for (const std::string& line : lines)
                out << line << "\n";
            out << fence << "\n";
        }
    }
    return out.str();
}

// Writes the text through a temporary file, so that a failed run leaves no half file.
void writeFile(const fs::path& path, const std::string& text) {
    std::error_code error;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) fail("cannot write " + temp.string());
    }
    fs::rename(temp, path, error);
    if (error) fail("cannot write " + path.string() + ": " + error.message());
}

int parseNumber(const std::string& text, const std::string& what) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        fail(what + " must be a whole number, not '" + text + "'");
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    std::string output;
    std::string guidePath;
    std::vector<Module> modules;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--output") {
            if (i + 1 >= argc) fail("--output needs a file name");
            output = argv[++i];
        } else if (arg == "--guide") {
            if (i + 1 >= argc) fail("--guide needs a file name");
            guidePath = argv[++i];
        } else if (arg == "--module") {
            if (i + 3 >= argc) fail("--module needs an identifier, a name and a slot count");
            Module module;
            module.identifier = parseNumber(argv[++i], "the module identifier");
            module.name = argv[++i];
            module.maxSlots = parseNumber(argv[++i], "the slot count");
            if (module.maxSlots < 1 || module.maxSlots > korvelce::kModulePrograms)
                fail("a module has 1 to 25 slots");
            for (const Module& other : modules)
                if (other.identifier == module.identifier)
                    fail("module " + std::to_string(module.identifier) + " is named twice");
            modules.push_back(module);
        } else if (!modules.empty() && arg.rfind("--", 0) != 0) {
            modules.back().files.emplace_back(arg);
        } else {
            fail("unexpected argument '" + arg + "'");
        }
    }
    if (output.empty() || modules.empty())
        fail(
            "usage: korvelce_modgen --output FILE.cpp [--guide FILE.md] --module ID NAME "
            "MAXSLOTS SOURCE.kvs...");

    for (Module& module : modules) {
        std::map<int, fs::path> taken;
        for (const fs::path& file : module.files) {
            ProgramSource program = keyIn(file, module.maxSlots);
            const auto [place, fresh] = taken.emplace(program.slot, file);
            if (!fresh)
                fail(file.string() + ": slot " + std::to_string(program.slot) +
                     " is already taken by " + place->second.string());
            module.programs.push_back(std::move(program));
        }
        std::sort(module.programs.begin(), module.programs.end(),
                  [](const ProgramSource& a, const ProgramSource& b) { return a.slot < b.slot; });
    }

    writeFile(output, generate(modules));
    if (!guidePath.empty()) writeFile(guidePath, generateGuide(modules));
    return 0;
}
