// UTF-8 (our narrow texts) to and from UTF-16 (the printer's and the listing's texts).
#pragma once

#include <string>
#include <string_view>

namespace korvelce {

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace korvelce
