// Program source text: the keys one would press in learn mode, '#' comments, and raw steps
// written @N. The source is keyed into a fresh engine in learn mode, so every stored form is
// what learn mode produces; a raw step is stored as it is, which covers what no key sequence
// stores (damaged bytes, codes above 99).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvelce {

class CalcEngine;

struct AssembleResult {
    bool ok = true;
    std::string message;  // what went wrong, with the line
    int steps = 0;        // steps up to the last one stored
};

// Keys source into engine's user memory, starting at step 000 in learn mode. A token @N
// (N = 0 to 255, up to three digits) stores the byte N as one step, without any key meaning:
// it opens no operand, ends an operand that waits with nothing typed yet, and is refused in
// the middle of a typed operand (after GTO 1, for instance).
AssembleResult assembleProgram(CalcEngine& engine, std::string_view source);

// The program of bank as source text that assembleProgram keys back, into a fresh engine, as
// exactly the same 1000 steps: one instruction after another as learn mode is keyed (labels
// start a line, every line ends with the address of its first step as a comment), raw steps
// for what no key sequence stores. The text ends at the instruction holding the last non-zero
// step; an empty bank gives an empty text.
std::string disassembleProgram(const std::array<std::uint8_t, 1000>& bank);

}  // namespace korvelce
