// The library modules compiled into the executable, by identifier (110, 128). The bytes are
// generated at build time from the program source files in resources/modules/.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace korvelce {

inline constexpr int kMasterModule = 110;  // "Master", the default
inline constexpr int kMathsModule = 128;   // "Maths / Utilities"

// The bytes of module `identifier` in the module layout, or nothing when there is none.
std::optional<std::span<const std::uint8_t>> moduleResource(int identifier);

// The module's name ("Master"), or empty when there is no such module.
std::string_view moduleName(int identifier);

// The title of program 1 to 25 of the module (the first line of its description, UTF-8), or
// empty when the module has no such program.
std::string_view moduleProgramTitle(int identifier, int program);

}  // namespace korvelce
