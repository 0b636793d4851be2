// The library modules compiled into the executable, by identifier (110, 128). The bytes are
// generated at build time from the program source files in resources/modules/.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace korvelce {

inline constexpr int kMasterModule = 110;  // "Master", the default
inline constexpr int kMathsModule = 128;   // "Maths / Utilities"

// The bytes of module `identifier` in the module layout, or nothing when there is none.
std::optional<std::span<const std::uint8_t>> moduleResource(int identifier);

}  // namespace korvelce
