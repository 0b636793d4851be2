#include "shell/module_resources.h"

namespace korvelce {

std::optional<std::span<const std::uint8_t>> moduleResource(int) { return std::nullopt; }

}  // namespace korvelce
