// The program listing: one line per step of a bank, operands in their own forms. Written to a
// text file (UTF-16LE with a byte-order mark, CRLF lines) or printed by the headless front end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/memory_image.h"

namespace korvelce {

// The number of steps a listing covers: the next multiple of 20 above the last non-zero step
// (20 for an empty bank), at most 1000. Operand lines of the last instruction may run past it.
int listingLength(const ProgramBank& bank);

// One line of the listing taken apart: the step, its code, and how the listing reads it (the
// key's name, or an operand in its own form: "GTO", "2", "45", "A", "IND").
struct ListingRow {
    int address = 0;
    int code = 0;
    std::string form;
};

// The rows of steps 000 to length - 1 (at most 1000), each instruction walked as a whole as in
// the listing; operand rows of the last instruction may run past length, never past step 999.
// The row of a step is found at its address: rows[a].address == a.
std::vector<ListingRow> listingRows(const ProgramBank& bank, int length);

// The lines of the listing (UTF-8, no line ends). Every stored instruction is walked as a
// whole, so an operand step is never listed as a key: "010 61 GTO", "011 02 2", "012 45 45".
std::vector<std::string> listingLines(const ProgramBank& bank);

// The listing as the file holds it: U+FEFF, then the lines in UTF-16LE, each ending in CR LF.
std::vector<std::uint8_t> listingFileBytes(const ProgramBank& bank);

// The listing as UTF-8 text, each line ending in a line feed.
std::string listingText(const ProgramBank& bank);

// Writes the listing of the engine's current bank to path, replacing the file as a whole (a
// failed write leaves any old file untouched).
SaveResult writeListingFile(const CalcEngine& engine, const std::string& path);

// What a listing on screen shows, taken from the engine: which bank, which step is marked, how.
// The user's program in learn mode and while it runs or stops, a library program while it runs,
// or one chosen with PGM and not entered yet.
struct ProgramView {
    int bank = 0;     // 0: the user's program; 1 to 25: a library program
    int marker = -1;  // the marked step, or -1 for none
    int mode = kCalculate;
    bool editable = false;  // learn mode in the user's program: a click moves the pointer
    // The bank the panel shows and the step it marks, as the engine stands.
    static ProgramView of(const CalcEngine& engine);
    friend bool operator==(const ProgramView&, const ProgramView&) = default;
};

}  // namespace korvelce
