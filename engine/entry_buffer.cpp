#include "engine/entry_buffer.h"

#include <cstring>

namespace korvelce {

namespace {

constexpr int kMantissaDigits = 10;        // digits typed without an exponent
constexpr int kMantissaDigitsWithExp = 8;  // digits typed once an exponent is present
constexpr int kCodePoint = 93;
constexpr int kCodeEe = 52;
constexpr int kCodeChangeSign = 94;

}  // namespace

void EntryBuffer::reset() {
    hasPoint = 0;
    length = 0;
    inExponent = 0;
    expDigits = {'0', '0'};
    mantissaPositive = 1;
    exponentPositive = 1;
    exponentPresent = 0;
    digitValue = 0;
    typedDigits = 0;
    digitsBeforePoint = -1;
}

void EntryBuffer::appendDigit(int digit) {
    text[static_cast<std::size_t>(length++)] = static_cast<char>('0' + digit);
    digitValue = digitValue * 10 + digit;
    ++typedDigits;
}

void EntryBuffer::applyKey(int code, bool inv) {
    const bool digit = code >= 0 && code <= 9;
    if (inExponent != 0) {
        if (digit) {
            // The exponent rolls left: the newest digit is always the units digit.
            expDigits[0] = expDigits[1];
            expDigits[1] = static_cast<char>('0' + code);
        } else if (code == kCodeEe && inv) {
            inExponent = 0;
            if (exponentPositive != 0 && expDigits[0] == '0' && expDigits[1] == '0')
                exponentPresent = 0;
        } else if (code == kCodeChangeSign) {
            exponentPositive = 1 - exponentPositive;
        }
        return;
    }
    const int limit = (exponentPresent != 0 ? kMantissaDigitsWithExp : kMantissaDigits) + hasPoint;
    if (digit) {
        if ((length > 0 || code != 0) && length < limit) appendDigit(code);
    } else if (code == kCodePoint) {
        if (hasPoint != 0) return;
        if (length == 0) appendDigit(0);
        text[static_cast<std::size_t>(length++)] = '.';
        hasPoint = 1;
        digitsBeforePoint = typedDigits;
    } else if (code == kCodeChangeSign) {
        mantissaPositive = 1 - mantissaPositive;
    } else if (code == kCodeEe && !inv) {
        if (length <= kMantissaDigitsWithExp + hasPoint) {
            inExponent = 1;
            exponentPresent = 1;
        }
    }
}

int EntryBuffer::loadDisplayText(const char* displayText, bool hasExponent) {
    std::size_t end = std::strlen(displayText);
    exponentPresent = hasExponent ? 1 : 0;
    if (hasExponent && end >= 3) {
        exponentPositive = displayText[end - 3] == ' ' ? 1 : 0;
        auto digitOrZero = [](char c) { return c >= '0' && c <= '9' ? c : '0'; };
        expDigits = {digitOrZero(displayText[end - 2]), digitOrZero(displayText[end - 1])};
        end -= 3;
    } else {
        // A text without an exponent leaves no exponent behind: digits of an earlier typed
        // exponent must not survive into the reloaded number.
        exponentPresent = 0;
        exponentPositive = 1;
        expDigits = {'0', '0'};
    }
    std::size_t start = 0;
    mantissaPositive = 1;
    if (end > 0 && displayText[0] == '-') {
        mantissaPositive = 0;
        start = 1;
    }
    length = 0;
    hasPoint = 0;
    digitValue = 0;
    typedDigits = 0;
    digitsBeforePoint = -1;
    for (std::size_t i = start; i < end && length < static_cast<int>(text.size()) - 1; ++i) {
        const char c = displayText[i];
        if (c == '.' && hasPoint == 0) {
            hasPoint = 1;
            digitsBeforePoint = typedDigits;
        } else if (c >= '0' && c <= '9' && typedDigits < 13) {
            digitValue = digitValue * 10 + (c - '0');
            ++typedDigits;
        }
        text[static_cast<std::size_t>(length++)] = c;
    }
    inExponent = 0;
    return length;
}

DecNumber EntryBuffer::toDecNumber() const {
    int exponent = (expDigits[0] - '0') * 10 + (expDigits[1] - '0');
    if (exponentPositive == 0) exponent = -exponent;
    // value = digits x 10^(point - count + exponent); leading zeros vanish in the whole number.
    const int point = digitsBeforePoint < 0 ? typedDigits : digitsBeforePoint;
    const std::int64_t signedValue = mantissaPositive != 0 ? digitValue : -digitValue;
    return DecNumber::fromRaw(signedValue, point - typedDigits + exponent + 12);
}

int EntryBuffer::render(char* buffer, int capacity) const {
    if (capacity <= 0) return 0;
    int pos = 0;
    auto put = [&](char c) {
        if (pos < capacity - 1) buffer[pos++] = c;
    };
    if (mantissaPositive == 0) put('-');
    if (length == 0) put('0');
    for (int i = 0; i < length; ++i)
        put(text[static_cast<std::size_t>(i)]);
    int result = 0;
    if (expDigits[0] != '0' || expDigits[1] != '0' || inExponent != 0 || exponentPositive == 0) {
        put(exponentPositive != 0 ? ' ' : '-');
        put(expDigits[0]);
        put(expDigits[1]);
        result = 1;
    }
    buffer[pos] = '\0';
    return result;
}

}  // namespace korvelce
