#include "files/program_file.h"

#include <memory>

#include "engine/calc_engine.h"
#include "files/program_source.h"
#include "files/read_input.h"

namespace korvelce {

namespace {

ProgramFileRead refused(std::string message) {
    ProgramFileRead read;
    read.message = std::move(message);
    return read;
}

}  // namespace

bool isProgramSourcePath(std::string_view path) {
    constexpr std::string_view kSuffix = ".kvs";
    if (path.size() <= kSuffix.size()) return false;
    // Only the name counts: a folder called "x.kvs" does not make its files source text.
    const std::string_view tail = path.substr(path.size() - kSuffix.size());
    if (path[path.size() - kSuffix.size() - 1] == '/') return false;
    for (std::size_t i = 0; i < kSuffix.size(); ++i) {
        const char c = tail[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kSuffix[i]) return false;
    }
    return true;
}

ProgramFileRead readProgramFile(const std::string& path) {
    if (isProgramSourcePath(path)) {
        InputRead input = readWholeInput(path);
        if (!input.bytes) return refused("cannot be read: " + input.message);
        if (input.truncated) return refused("is too large for program source text");
        const auto engine = std::make_unique<CalcEngine>();
        const AssembleResult assembled = assembleProgram(*engine, *input.bytes);
        if (!assembled.ok) return refused("is not program source text: " + assembled.message);
        ProgramFileRead read;
        read.ok = true;
        read.image = memoryImageBytes(*engine);
        return read;
    }
    InputRead input = readWholeInput(path, kImageSize);
    if (!input.bytes) return refused("cannot be read: " + input.message);
    const std::size_t size = input.bytes->size();
    if (input.truncated || (size != kImageSize && size != kOldImageSize)) {
        return refused(
            "is not a Korvel memory image: it holds " +
            (input.truncated ? "more than " + std::to_string(kImageSize) : std::to_string(size)) +
            (size == 1 && !input.truncated ? " byte" : " bytes") + ", an image " +
            std::to_string(kImageSize) + " (or " + std::to_string(kOldImageSize) +
            " in the older format)");
    }
    ProgramFileRead read;
    read.ok = true;
    read.image.assign(input.bytes->begin(), input.bytes->end());
    return read;
}

SaveResult saveProgramFile(const CalcEngine& engine, const std::string& path) {
    if (!isProgramSourcePath(path)) return saveMemoryImage(engine, path);
    const std::string text = disassembleProgram(engine.programMemory[0]);
    return writeFileReplacing(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace korvelce
