// The library modules compiled into the executable, by identifier (110, 128).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace korvelce {

// The bytes of module `identifier` in the module layout, or nothing when there is none.
std::optional<std::span<const std::uint8_t>> moduleResource(int identifier);

}  // namespace korvelce
