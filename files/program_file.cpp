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

// The sizes a memory image may have, for the messages.
std::string imageSizes() {
    return ", an image " + std::to_string(kImageSize) + " (or " + std::to_string(kOldImageSize) +
           " in the older format)";
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
    const bool source = isProgramSourcePath(path);
    const InputRead input = readWholeInput(path, source ? kMaxTextInput : kImageSize);
    if (!input.bytes) {
        ProgramFileRead read = refused("cannot be read: " + input.message);
        read.readError = input.message;
        return read;
    }
    if (input.truncated) {
        return refused(source ? std::string("is too large for program source text")
                              : "is not a Korvel memory image: it holds more than " +
                                    std::to_string(kImageSize) + " bytes" + imageSizes());
    }
    return readProgramBytes(path, *input.bytes);
}

ProgramFileRead readProgramBytes(std::string_view name, std::string_view bytes) {
    if (isProgramSourcePath(name)) {
        if (bytes.size() > kMaxTextInput) return refused("is too large for program source text");
        const auto engine = std::make_unique<CalcEngine>();
        const AssembleResult assembled = assembleProgram(*engine, bytes);
        if (!assembled.ok) return refused("is not program source text: " + assembled.message);
        ProgramFileRead read;
        read.ok = true;
        read.image = memoryImageBytes(*engine);
        read.steps = assembled.steps;
        return read;
    }
    const std::size_t size = bytes.size();
    if (size != kImageSize && size != kOldImageSize) {
        return refused("is not a Korvel memory image: it holds " + std::to_string(size) +
                       (size == 1 ? " byte" : " bytes") + imageSizes());
    }
    ProgramFileRead read;
    read.ok = true;
    read.image.assign(bytes.begin(), bytes.end());
    return read;
}

SaveResult saveProgramFile(const CalcEngine& engine, const std::string& path) {
    if (!isProgramSourcePath(path)) return saveMemoryImage(engine, path);
    const std::string text = disassembleProgram(engine.programMemory[0]);
    return writeFileReplacing(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace korvelce
