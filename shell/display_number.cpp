#include "shell/display_number.h"

#include <QRegularExpression>
#include <cstdlib>
#include <string>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "engine/entry_buffer.h"

namespace korvelce {

namespace {

// Zeros at the front of digits, kept as one "0" when nothing else is left.
QString withoutLeadingZeros(const QString& digits) {
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == u'0')
        ++first;
    return digits.mid(first);
}

QString withoutTrailingZeros(const QString& digits) {
    qsizetype end = digits.size();
    while (end > 0 && digits.at(end - 1) == u'0')
        --end;
    return digits.left(end);
}

// Texts longer than this are not numbers anyone types.
constexpr qsizetype kLongestText = 64;

}  // namespace

QString plainNumber(std::string_view displayText, bool hasExponent) {
    QString text =
        QString::fromLatin1(displayText.data(), static_cast<qsizetype>(displayText.size()));
    QString exponent;
    if (hasExponent && text.size() >= 3) {
        const QString field = text.right(3);
        text.chop(3);
        const QString digits = withoutLeadingZeros(field.mid(1).trimmed());
        if (!digits.isEmpty())
            exponent = QStringLiteral("e") +
                       (field.at(0) == u'-' ? QStringLiteral("-") : QString()) + digits;
    }
    text = text.trimmed();
    text.remove(u' ');
    if (text.endsWith(u'.')) text.chop(1);
    if (text.isEmpty() || text == QStringLiteral("-") || text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    // The display leaves out the 0 before a point ("-.5"); other programs like it written.
    if (text.startsWith(u'.')) text.prepend(u'0');
    if (text.startsWith(QStringLiteral("-."))) text.insert(1, u'0');
    return text + exponent;
}

QString fullNumber(const DecNumber& value) {
    if (value.isZero()) return QStringLiteral("0");
    const std::int64_t mantissa = value.mantissa;
    const std::uint64_t magnitude = mantissa < 0 ? 0 - static_cast<std::uint64_t>(mantissa)
                                                 : static_cast<std::uint64_t>(mantissa);
    QString digits = QString::number(magnitude);
    // value = mantissa x 10^(exponent - 12): the power of ten of the first digit.
    const int power = value.exponent - 12 + static_cast<int>(digits.size()) - 1;
    digits = withoutTrailingZeros(digits);
    const QString sign = mantissa < 0 ? QStringLiteral("-") : QString();
    if (power >= -5 && power < 13) {
        if (power < 0) return sign + QStringLiteral("0.") + QString(-power - 1, u'0') + digits;
        const int before = power + 1;
        if (digits.size() <= before) return sign + digits + QString(before - digits.size(), u'0');
        return sign + digits.left(before) + u'.' + digits.mid(before);
    }
    QString text = sign + digits.left(1);
    if (digits.size() > 1) text += u'.' + digits.mid(1);
    return text + QStringLiteral("e") + QString::number(power);
}

QString displayedNumber(const CalcEngine& engine, bool allDigits) {
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

TypedNumber keysForNumber(const QString& text) {
    TypedNumber typed;
    const QString number = text.trimmed();
    if (number.isEmpty()) {
        typed.problem = QStringLiteral("there is no number to paste");
        return typed;
    }
    static const QRegularExpression shape(
        QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?(?:[eE]([+-]?)([0-9]+))?$"));
    const QRegularExpressionMatch match = shape.match(number);
    if (number.size() > kLongestText || !match.hasMatch() ||
        (match.captured(2).isEmpty() && match.captured(3).isEmpty())) {
        typed.problem =
            QStringLiteral("\"%1\" is not a number")
                .arg(number.size() > 24 ? number.left(21) + QStringLiteral("...") : number);
        return typed;
    }
    const bool negative = match.captured(1) == QStringLiteral("-");
    const QString whole = withoutLeadingZeros(match.captured(2));
    const QString fraction = withoutTrailingZeros(match.captured(3));
    const bool exponentNegative = match.captured(4) == QStringLiteral("-");
    const QString exponent = withoutLeadingZeros(match.captured(5));
    if (exponent.size() > 2) {
        typed.problem = QStringLiteral("its exponent is beyond 99");
        return typed;
    }

    // The digits as the calculator keeps them: no leading zeros, a 0 before a point typed
    // first.
    for (const QChar digit : whole)
        typed.keys.push_back(digit.digitValue());
    if (!fraction.isEmpty()) {
        typed.keys.push_back(key::kPoint);
        for (const QChar digit : fraction)
            typed.keys.push_back(digit.digitValue());
    }
    if (typed.keys.empty()) typed.keys.push_back(0);
    const std::string kept =
        (whole.isEmpty() && !fraction.isEmpty() ? std::string("0") : whole.toStdString()) +
        (fraction.isEmpty() ? std::string() : "." + fraction.toStdString());
    if (negative) typed.keys.push_back(key::kChangeSign);
    if (!exponent.isEmpty()) {
        typed.keys.push_back(key::kEe);
        for (const QChar digit : exponent)
            typed.keys.push_back(digit.digitValue());
        if (exponentNegative) typed.keys.push_back(key::kChangeSign);
    }

    // Typed into an empty entry, every digit must arrive, and EE must open the exponent.
    EntryBuffer entry;
    entry.reset();
    bool exponentOpened = exponent.isEmpty();
    for (const int code : typed.keys) {
        entry.applyKey(code, false);
        if (code == key::kEe) exponentOpened = entry.inExponent != 0;
    }
    const std::string stored(entry.text.data(), static_cast<std::size_t>(entry.length));
    if (stored != kept || !exponentOpened) {
        typed.keys.clear();
        typed.problem = exponent.isEmpty()
                            ? QStringLiteral("it has more digits than the display takes (10)")
                            : QStringLiteral(
                                  "it has more digits than the display takes with an "
                                  "exponent (8)");
    }
    return typed;
}

}  // namespace korvelce
