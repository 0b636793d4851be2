// The printer's character codes: two digits 00 to 99 select one character of the alpha line.
#pragma once

namespace korvelce {

// The character of code 0..99 (codes outside are taken modulo 100).
char16_t alphaCharacter(int code);

}  // namespace korvelce
