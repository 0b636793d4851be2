// Reading a whole text file (source text, key tokens), refusing what is not a regular file.
#pragma once

#include <optional>
#include <string>

namespace korvelce {

// The file's bytes, or nothing when it is missing, a folder, or cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace korvelce
