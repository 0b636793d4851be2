// Reading a whole input: a file, a pipe, a FIFO, a device or standard input ("-"), always as
// one stream, so a pipe gives exactly what the same bytes in a file give. Only folders are
// refused.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace korvelce {

// The most any text input may hold (program source, key tokens): an endless device such as
// /dev/zero is refused instead of filling the memory.
inline constexpr std::size_t kMaxTextInput = std::size_t{16} << 20;

struct InputRead {
    std::optional<std::string> bytes;  // nothing when the input could not be read
    std::string message;               // why not, for the user
    bool truncated = false;            // more than limit bytes were there
};

// Reads path ("-": standard input) to its end, or to limit bytes and one more. A folder, a
// missing file or a read error gives no bytes and a message.
InputRead readWholeInput(const std::string& path, std::size_t limit = kMaxTextInput);

// The input's bytes, or nothing when it cannot be read or is larger than kMaxTextInput.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace korvelce
