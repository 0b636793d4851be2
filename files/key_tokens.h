// The key-token language of the front ends, the tests and program source text: mnemonics,
// ASCII aliases, numbers pressed digit by digit, and raw codes written @NN.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelce {

// The codes one token presses, or nothing when the token is unknown. Case-insensitive.
std::optional<std::vector<int>> tokenCodes(std::string_view token);

struct KeyAlias {
    std::string_view name;
    int code;
};

// Names typed more easily than the printed ones ("X^2" for X²), and the key's own code where
// two codes share a printed name ("CLR"); tokenCodes accepts each of them.
std::span<const KeyAlias> keyAliases();

struct KeyParse {
    std::vector<int> codes;
    bool ok = true;
    std::string badToken;  // the first unknown token
    int badPosition = 0;   // its position, counting tokens from 1
    int tokens = 0;        // tokens read
};

// Splits text at whitespace ('#' starts a comment to the end of the line when comments is set)
// and translates every token. firstPosition numbers the first token.
// A token as a message can show it: control bytes and NUL written as \xNN, a backslash doubled.
std::string printableToken(std::string_view token);

// text with its ASCII letters in upper case: tokens are read without regard to case.
std::string upperAscii(std::string_view text);

// text without the blanks (white space, as between tokens) at its ends.
std::string_view trimmedBlanks(std::string_view text);

KeyParse parseKeyTokens(std::string_view text, bool comments = false, int firstPosition = 1);

}  // namespace korvelce
