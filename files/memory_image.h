// The memory image: the 100 data registers and the user's 1000 program steps, the format of
// program files and of the saved state. Plain bytes, no window system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvelce {

class CalcEngine;

inline constexpr std::size_t kImageSize = 2600;     // 100 records of 16 bytes, 1000 steps
inline constexpr std::size_t kOldImageSize = 1800;  // 100 doubles, 1000 steps

// The image of the engine's registers and bank 0.
std::vector<std::uint8_t> memoryImageBytes(const CalcEngine& engine);

// Reads an image over the engine: registers and bank 0, as far as the bytes reach (an
// 1800-byte image holds doubles). Register records are brought to the number type's normal
// form, and values outside the calculator's range to the nearest limit. The return depth and
// program counter go back to zero; nothing else changes.
void applyMemoryImage(CalcEngine& engine, const std::vector<std::uint8_t>& bytes);

// Loads the image at path (a file, a pipe, or standard input for "-"); false, with the engine
// unchanged and the reason in why, when it cannot be read or is a folder.
bool loadMemoryImage(CalcEngine& engine, const std::string& path, std::string* why = nullptr);

struct SaveResult {
    bool ok = true;
    std::string message;  // the system's description of the failure
};

// Writes the image to a temporary file beside path and renames it into place, so a failed
// save never leaves a truncated file or loses the old one.
SaveResult saveMemoryImage(const CalcEngine& engine, const std::string& path);

// Writes bytes to path through a hidden temporary file in the same folder and a rename. A
// symbolic link is followed, so its target gets the new contents and the link stays; an
// existing file keeps its permission bits. A read-only file, a folder, a device or a FIFO is
// refused with a message and left as it is. Nothing temporary is left behind on failure.
SaveResult writeFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace korvelce
