#include "files/library_module.h"

#include <algorithm>

namespace korvelce {

namespace {

int lengthAt(std::span<const std::uint8_t> bytes, std::size_t slot) {
    const auto low = static_cast<std::uint16_t>(bytes[2 * slot]);
    const auto high = static_cast<std::uint16_t>(bytes[2 * slot + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

void note(ModuleLoadResult& result, std::string problem) {
    if (!result.intact) return;
    result.intact = false;
    result.problem = std::move(problem);
}

}  // namespace

ModuleLoadResult loadLibraryModule(CalcEngine& engine, std::span<const std::uint8_t> bytes) {
    ModuleLoadResult result;
    if (bytes.size() < kModuleHeaderBytes) {
        note(result, "the module is shorter than its table of lengths");
        return result;
    }
    std::size_t offset = kModuleHeaderBytes;
    for (std::size_t slot = 0; slot < static_cast<std::size_t>(kModulePrograms); ++slot) {
        const int length = lengthAt(bytes, slot);
        const std::string name = "program " + std::to_string(slot + 1);
        if (length < 0) {
            note(result, name + " has a negative length");
            continue;
        }
        if (length > kSteps) note(result, name + " is longer than 1000 steps");
        const std::size_t available = offset < bytes.size() ? bytes.size() - offset : 0;
        const auto span = static_cast<std::size_t>(length);
        const std::size_t copied = std::min({span, available, static_cast<std::size_t>(kSteps)});
        if (span > available) note(result, name + " runs past the end of the module");
        ProgramBank& bank = engine.programMemory[slot + 1];
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), copied, bank.begin());
        if (span > available) break;
        offset += span;
    }
    return result;
}

std::vector<std::uint8_t> buildModule(const std::vector<std::vector<std::uint8_t>>& programs) {
    std::vector<std::uint8_t> bytes(kModuleHeaderBytes, 0);
    const std::size_t count = std::min(programs.size(), static_cast<std::size_t>(kModulePrograms));
    for (std::size_t slot = 0; slot < count; ++slot) {
        const std::size_t length =
            std::min(programs[slot].size(), static_cast<std::size_t>(kSteps));
        bytes[2 * slot] = static_cast<std::uint8_t>(length & 0xFF);
        bytes[2 * slot + 1] = static_cast<std::uint8_t>(length >> 8);
        bytes.insert(bytes.end(), programs[slot].begin(),
                     programs[slot].begin() + static_cast<std::ptrdiff_t>(length));
    }
    return bytes;
}

}  // namespace korvelce
