#include "programming/char_table.h"

#include <array>

namespace korvelce {

namespace {

// Tens digit by row, units digit by column; units 8 and 9 repeat other characters.
constexpr std::array<char16_t, 100> kAlphaCharacters = {
    u' ',    u'0', u'1',    u'2', u'3', u'4',  u'5',    u'6', u'7',    u'8',  // 0x
    u'7',    u'8', u'9',    u'A', u'B', u'C',  u'D',    u'E', u'7',    u'8',  // 1x
    u'-',    u'F', u'G',    u'H', u'I', u'J',  u'K',    u'L', u'M',    u'N',  // 2x
    u'M',    u'N', u'O',    u'P', u'Q', u'R',  u'S',    u'T', u'M',    u'N',  // 3x
    u'.',    u'U', u'V',    u'W', u'X', u'Y',  u'Z',    u'+', u'\xD7', u'*',  // 4x
    u'\xD7', u'*', u'v',    u'p', u'e', u'(',  u')',    u',', u'x',    u'*',  // 5x
    u'\xCE', u'%', u'#',    u'/', u'=', u'\'', u'\xAA', u'a', u'\xB2', u'?',  // 6x
    u'\xB2', u'?', u'\xF7', u'!', u'?', u'^',  u'?',    u'?', u'\xB2', u'?',  // 7x
    u' ',    u'0', u'1',    u'2', u'3', u'4',  u'5',    u'6', u'7',    u'8',  // 8x
    u'7',    u'8', u'9',    u'A', u'B', u'C',  u'D',    u'E', u'7',    u'8',  // 9x
};

}  // namespace

char16_t alphaCharacter(int code) {
    const int index = ((code % 100) + 100) % 100;
    return kAlphaCharacters[static_cast<std::size_t>(index)];
}

}  // namespace korvelce
