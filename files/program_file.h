// A program the user opens or saves as a whole file: a memory image (.kv, registers and the
// program) or program source text (.kvs, the program alone). Reading checks the whole file
// before anything is replaced, so a malformed file costs nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/memory_image.h"

namespace korvelce {

class CalcEngine;

// Whether path names program source text: its name ends in ".kvs", in any letter case.
bool isProgramSourcePath(std::string_view path);

struct ProgramFileRead {
    bool ok = false;
    // The memory image the file stands for (kImageSize or, for the older format,
    // kOldImageSize bytes); program source gives the image korvelce-cli asm would save: its
    // steps and 100 zero registers.
    std::vector<std::uint8_t> image;
    std::string message;  // what is wrong with the file, for the user
    // Why the file itself could not be read (missing, a folder, a read error), the system's
    // text alone; empty when it was read, whatever its contents.
    std::string readError;
    int steps = 0;  // source text: the steps it keyed in
};

// Reads and checks a program file. A memory image must be exactly 2600 (or 1800) bytes; source
// text must assemble. The message names what is wrong ("not a Korvel memory image: it holds
// 12 bytes...", the assembler's message with its line, or why it could not be read).
ProgramFileRead readProgramFile(const std::string& path);

// The same check for the bytes of a file already read (a browser's upload): name decides, as a
// path would, whether they are source text or a memory image.
ProgramFileRead readProgramBytes(std::string_view name, std::string_view bytes);

// Saves the engine's program as path says: source text for a .kvs name, the memory image
// (registers and program) for any other. The file is replaced as a whole through a temporary
// file; a failure leaves any old file as it was.
SaveResult saveProgramFile(const CalcEngine& engine, const std::string& path);

}  // namespace korvelce
