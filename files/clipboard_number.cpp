#include "files/clipboard_number.h"

#include <cstdint>
#include <string>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "engine/entry_buffer.h"
#include "engine/key_codes.h"
#include "files/key_tokens.h"

namespace korvelce {

namespace {

// Zeros at the front of digits, kept as one "0" when nothing else is left.
std::string withoutLeadingZeros(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string() : std::string(digits.substr(first));
}

std::string withoutTrailingZeros(std::string_view digits) {
    const std::size_t last = digits.find_last_not_of('0');
    return last == std::string_view::npos ? std::string() : std::string(digits.substr(0, last + 1));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits at the front of text, taken off it.
std::string_view takeDigits(std::string_view& text) {
    std::size_t n = 0;
    while (n < text.size() && isDigit(text[n]))
        ++n;
    const std::string_view digits = text.substr(0, n);
    text.remove_prefix(n);
    return digits;
}

// Texts longer than this are not numbers anyone types.
constexpr std::size_t kLongestText = 64;

// A refused text as the message quotes it: at most 24 characters, longer ones cut to 21 and
// "...", never inside a UTF-8 sequence.
std::string quotedForMessage(std::string_view text) {
    std::size_t characters = 0;
    std::size_t cut = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters == 21) cut = i;
        ++characters;
    }
    return characters > 24 ? std::string(text.substr(0, cut)) + "..." : std::string(text);
}

struct NumberParts {
    bool negative = false;
    std::string_view whole, fraction;
    bool exponentNegative = false;
    std::string_view exponent;
};

// [+-]digits[.digits][(e|E)[+-]digits], with at least one digit before the exponent.
bool parseNumber(std::string_view text, NumberParts& parts) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        parts.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    parts.whole = takeDigits(text);
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
        parts.fraction = takeDigits(text);
    }
    if (parts.whole.empty() && parts.fraction.empty()) return false;
    if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            parts.exponentNegative = text.front() == '-';
            text.remove_prefix(1);
        }
        parts.exponent = takeDigits(text);
        if (parts.exponent.empty()) return false;
    }
    return text.empty();
}

}  // namespace

std::string plainNumber(std::string_view displayText, bool hasExponent) {
    std::string_view text = displayText;
    std::string exponent;
    if (hasExponent && text.size() >= 3) {
        const std::string_view field = text.substr(text.size() - 3);
        text.remove_suffix(3);
        const std::string digits = withoutLeadingZeros(trimmedBlanks(field.substr(1)));
        if (!digits.empty()) exponent = std::string("e") + (field[0] == '-' ? "-" : "") + digits;
    }
    std::string number;
    for (const char c : trimmedBlanks(text))
        if (c != ' ') number += c;
    if (!number.empty() && number.back() == '.') number.pop_back();
    if (number.empty() || number == "-" || number == "-0") number = "0";
    // The display leaves out the 0 before a point ("-.5"); other programs like it written.
    if (number.front() == '.') number.insert(0, 1, '0');
    if (number.rfind("-.", 0) == 0) number.insert(1, 1, '0');
    return number + exponent;
}

std::string fullNumber(const DecNumber& value) {
    if (value.isZero()) return "0";
    const std::int64_t mantissa = value.mantissa;
    const std::uint64_t magnitude = mantissa < 0 ? 0 - static_cast<std::uint64_t>(mantissa)
                                                 : static_cast<std::uint64_t>(mantissa);
    std::string digits = std::to_string(magnitude);
    // value = mantissa x 10^(exponent - 12): the power of ten of the first digit.
    const int power = value.exponent - 12 + static_cast<int>(digits.size()) - 1;
    digits = withoutTrailingZeros(digits);
    const std::string sign = mantissa < 0 ? "-" : "";
    if (power >= -5 && power < 13) {
        if (power < 0)
            return sign + "0." + std::string(static_cast<std::size_t>(-power - 1), '0') + digits;
        const auto before = static_cast<std::size_t>(power + 1);
        if (digits.size() <= before)
            return sign + digits + std::string(before - digits.size(), '0');
        return sign + digits.substr(0, before) + '.' + digits.substr(before);
    }
    std::string text = sign + digits.substr(0, 1);
    if (digits.size() > 1) text += '.' + digits.substr(1);
    return text + "e" + std::to_string(power);
}

std::string displayedNumber(const CalcEngine& engine, bool allDigits) {
    const bool learning = engine.mode == kLearn;
    if (allDigits) {
        // The number being typed is what the display shows, except in learn mode.
        const bool typing = !learning && engine.entryActive != 0;
        return fullNumber(typing ? engine.entry.toDecNumber() : engine.displayValue());
    }
    if (learning) {
        const NumberTextResult shown =
            numberText(engine.displayValue(), engine.fixDigits, engine.displayFormat);
        return plainNumber(shown.text, shown.hasExponent);
    }
    char buffer[kTextCapacity];
    const int exponent = engine.displayText(buffer, kTextCapacity, true);
    return plainNumber(buffer, exponent != 0);
}

TypedNumber keysForNumber(std::string_view text) {
    TypedNumber typed;
    const std::string_view number = trimmedBlanks(text);
    if (number.empty()) {
        typed.problem = "there is no number to paste";
        return typed;
    }
    NumberParts parts;
    if (number.size() > kLongestText || !parseNumber(number, parts)) {
        typed.problem = "\"" + quotedForMessage(number) + "\" is not a number";
        return typed;
    }
    const std::string whole = withoutLeadingZeros(parts.whole);
    const std::string fraction = withoutTrailingZeros(parts.fraction);
    const std::string exponent = withoutLeadingZeros(parts.exponent);
    if (exponent.size() > 2) {
        typed.problem = "its exponent is beyond 99";
        return typed;
    }

    // The digits as the calculator keeps them: no leading zeros, a 0 before a point typed
    // first.
    for (const char digit : whole)
        typed.keys.push_back(digit - '0');
    if (!fraction.empty()) {
        typed.keys.push_back(key::kPoint);
        for (const char digit : fraction)
            typed.keys.push_back(digit - '0');
    }
    if (typed.keys.empty()) typed.keys.push_back(0);
    const std::string kept = (whole.empty() && !fraction.empty() ? std::string("0") : whole) +
                             (fraction.empty() ? std::string() : "." + fraction);
    if (parts.negative) typed.keys.push_back(key::kChangeSign);
    if (!exponent.empty()) {
        typed.keys.push_back(key::kEe);
        for (const char digit : exponent)
            typed.keys.push_back(digit - '0');
        if (parts.exponentNegative) typed.keys.push_back(key::kChangeSign);
    }

    // Typed into an empty entry, every digit must arrive, and EE must open the exponent.
    EntryBuffer entry;
    entry.reset();
    bool exponentOpened = exponent.empty();
    for (const int code : typed.keys) {
        entry.applyKey(code, false);
        if (code == key::kEe) exponentOpened = entry.inExponent != 0;
    }
    const std::string stored(entry.text.data(), static_cast<std::size_t>(entry.length));
    if (stored != kept || !exponentOpened) {
        typed.keys.clear();
        typed.problem = exponent.empty()
                            ? "it has more digits than the display takes (10)"
                            : "it has more digits than the display takes with an exponent (8)";
    }
    return typed;
}

TypedNumber keysForPaste(const CalcEngine& engine, std::string_view text) {
    TypedNumber typed;
    if (engine.mode == kRun) {
        typed.problem = "a program is running";
        return typed;
    }
    if (engine.operandPending()) {
        typed.problem = "the calculator waits for the rest of a key";
        return typed;
    }
    if (text.empty()) {
        typed.problem = "the clipboard holds no text";
        return typed;
    }
    typed = keysForNumber(text);
    // A new number: the one being typed is cleared first, as CE does.
    if (typed.problem.empty() && engine.mode == kCalculate && engine.entryActive != 0)
        typed.keys.insert(typed.keys.begin(), key::kCe);
    return typed;
}

}  // namespace korvelce
