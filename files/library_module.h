// Library modules: up to 25 ready-made programs packed one after the other behind a table of
// their lengths. Loading copies program k to the start of library bank k.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/calc_engine.h"

namespace korvelce {

inline constexpr int kModulePrograms = 25;
inline constexpr std::size_t kModuleHeaderBytes = 2 * kModulePrograms;  // 25 int16 lengths

struct ModuleLoadResult {
    bool intact = true;   // every length was 0..1000 and every program lay within the bytes
    std::string problem;  // the first defect found, when not intact
};

// Copies the programs of a module into banks 1 to 25. Steps of a bank beyond its program keep
// what the bank held. Damaged modules are read as far as they make sense and never beyond
// their bytes: a negative length counts as an empty slot; a length above 1000 still spans its
// bytes in the layout, but only the first 1000 are copied; a program cut short by the end of
// the bytes is copied as far as it goes, and the slots after it stay as they were. A module
// shorter than its length table loads nothing.
ModuleLoadResult loadLibraryModule(CalcEngine& engine, std::span<const std::uint8_t> bytes);

// The module layout for the given programs (slot 1 first, at most 25, each at most 1000
// steps; anything beyond is left out).
std::vector<std::uint8_t> buildModule(const std::vector<std::vector<std::uint8_t>>& programs);

}  // namespace korvelce
