#include "programming/text_encoding.h"

namespace korvelce {

std::u16string toUtf16(std::string_view utf8) {
    std::u16string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        auto continuation = [&](std::size_t k) {
            return i + k < utf8.size() ? static_cast<unsigned char>(utf8[i + k]) & 0x3F : 0;
        };
        if (c < 0x80) {
            result += static_cast<char16_t>(c);
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            result += static_cast<char16_t>(((c & 0x1F) << 6) | continuation(1));
            i += 2;
        } else if ((c & 0xF0) == 0xE0) {
            result += static_cast<char16_t>(((c & 0x0F) << 12) | (continuation(1) << 6) |
                                            continuation(2));
            i += 3;
        } else {
            result += u'?';  // outside the characters our texts use
            i += 1;
        }
    }
    return result;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string result;
    result.reserve(utf16.size());
    for (const char16_t c : utf16) {
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

}  // namespace korvelce
