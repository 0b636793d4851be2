#include "files/key_tokens.h"

#include <array>
#include <cctype>
#include <string>

#include "engine/key_codes.h"

namespace korvelce {

std::string upperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

namespace {

constexpr KeyAlias kAliases[] = {
    {"CLR", key::kClr},   {"INV", key::kInv}, {"---", key::kSecond}, {"X^2", key::kSquare},
    {"X2", key::kSquare}, {"ABS", key::kAbs}, {"X<>T", key::kXt},    {"P>R", key::kPolar},
};

bool isNumberToken(std::string_view token) {
    if (token.empty()) return false;
    for (const char c : token)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.')) return false;
    return true;
}

}  // namespace

std::span<const KeyAlias> keyAliases() {
    return kAliases;
}

std::optional<std::vector<int>> tokenCodes(std::string_view token) {
    if (token.empty()) return std::nullopt;
    if (isNumberToken(token)) {
        std::vector<int> codes;
        for (const char c : token)
            codes.push_back(c == '.' ? key::kPoint : c - '0');
        return codes;
    }
    if (token[0] == '@') {
        const std::string_view digits = token.substr(1);
        if (digits.empty() || digits.size() > 2) return std::nullopt;
        int code = 0;
        for (const char c : digits) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            code = code * 10 + (c - '0');
        }
        return std::vector<int>{code};
    }
    const std::string name = upperAscii(token);
    for (const auto& alias : kAliases)
        if (alias.name == name) return std::vector<int>{alias.code};
    // The printed names in capitals, made once: tokens are looked up for every key of a source.
    static const std::array<std::string, 100> kUpperNames = [] {
        std::array<std::string, 100> names;
        for (std::size_t code = 0; code < names.size(); ++code)
            names[code] = upperAscii(mnemonic(static_cast<int>(code)));
        return names;
    }();
    for (std::size_t code = 0; code < kUpperNames.size(); ++code)
        if (kUpperNames[code] == name) return std::vector<int>{static_cast<int>(code)};
    return std::nullopt;
}

KeyParse parseKeyTokens(std::string_view text, bool comments, int firstPosition) {
    KeyParse result;
    int position = firstPosition;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (comments && c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
               !(comments && text[i] == '#'))
            ++i;
        const std::string_view token = text.substr(start, i - start);
        const auto codes = tokenCodes(token);
        if (!codes) {
            result.ok = false;
            result.badToken = std::string(token);
            result.badPosition = position;
            return result;
        }
        result.codes.insert(result.codes.end(), codes->begin(), codes->end());
        ++position;
        ++result.tokens;
    }
    return result;
}

std::string printableToken(std::string_view token) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

std::string_view trimmedBlanks(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace korvelce
