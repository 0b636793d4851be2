#include "files/json_text.h"

namespace korvelce {

std::string jsonString(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            result += '\\';
            result += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            result += "\\u00";
            result += kHex[byte >> 4];
            result += kHex[byte & 15];
        } else {
            result += c;
        }
    }
    return result + '"';
}

void JsonText::separate() {
    if (text_.size() > 1) text_ += ',';
}

JsonText& JsonText::field(std::string_view name, std::string_view json) {
    separate();
    text_ += jsonString(name);
    text_ += ':';
    text_ += json;
    return *this;
}

JsonText& JsonText::add(std::string_view json) {
    separate();
    text_ += json;
    return *this;
}

}  // namespace korvelce
