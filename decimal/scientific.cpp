#include "decimal/scientific.h"

#include <cmath>
#include <cstdint>

namespace korvelce {

namespace {

// Key codes of the one-argument keys.
constexpr int kKeyLnx = 23;
constexpr int kKeyLog = 28;
constexpr int kKeyTan = 30;
constexpr int kKeySquare = 33;
constexpr int kKeySqrt = 34;
constexpr int kKeyReciprocal = 35;
constexpr int kKeySin = 38;
constexpr int kKeyCos = 39;
constexpr int kKeyAbs = 50;
constexpr int kKeyInt = 59;
constexpr int kKeyPi = 89;

// The largest whole exponent that power computes by repeated multiplication.
constexpr std::int64_t kExactPowerLimit = 32;

DecNumber number(double value) {
    return DecNumber::fromDouble(value);
}

// The result of a key computed in double. A non-finite double sets the error and is clamped
// here already, so that keys the caller does not range-limit (the direct trigonometric keys)
// never leave a value beyond the range in X.
KeyResult fromDoubleResult(double value, bool limit) {
    KeyResult result{number(value), false, limit};
    if (!std::isfinite(value)) {
        result.error = true;
        result.limit = true;
        result.x.limitRange();
    }
    return result;
}

// LNX and LOG: a negative argument raises the error and is used as its magnitude.
KeyResult logarithm(const DecNumber& x, double (*function)(double)) {
    const bool negative = x.isNegative();
    KeyResult result = fromDoubleResult(function(x.absolute().toDouble()), true);
    result.error = result.error || negative;
    return result;
}

// INV SIN and INV COS: an argument outside -1..1 raises the error and leaves X unchanged.
KeyResult inverseSineCosine(int angleUnit, const DecNumber& x, double (*function)(double)) {
    if (x.compare(number(-1.0)) < 0 || x.compare(number(1.0)) > 0) return KeyResult{x, true, false};
    KeyResult result = fromDoubleResult(function(x.toDouble()), true);
    if (!result.error) result.x = fromRadians(angleUnit, result.x);
    return result;
}

KeyResult trigonometric(int angleUnit, const DecNumber& x, double (*function)(double)) {
    return fromDoubleResult(function(toRadians(angleUnit, x).toDouble()), false);
}

}  // namespace

DecNumber toRadians(int angleUnit, const DecNumber& x) {
    switch (angleUnit) {
        case kDegrees:
            return (x * kPi).divide(180.0);
        case kGrads:
            return (x * kPi).divide(200.0);
        default:
            return x;
    }
}

DecNumber fromRadians(int angleUnit, const DecNumber& r) {
    switch (angleUnit) {
        case kDegrees:
            return (r / kPi).multiply(180.0);
        case kGrads:
            return (r / kPi).multiply(200.0);
        default:
            return r;
    }
}

DecNumber power(const DecNumber& y, const DecNumber& x, bool& undefined) {
    undefined = false;
    if (x.isZero()) return DecNumber::fromInt(1);
    if ((x.exponent == 0 || x.exponent == 1) && x.isInteger()) {
        const std::int64_t n = x.toInteger();
        if (n >= 1 && n <= kExactPowerLimit) {
            // Each step truncates, so y^n is the left-to-right product, not a squaring chain.
            DecNumber result = y;
            for (std::int64_t i = 1; i < n; ++i)
                result.multiply(y);
            return result;
        }
    }
    const double value = std::pow(y.toDouble(), x.toDouble());
    undefined = !std::isfinite(value);
    return number(value);
}

DecNumber power(const DecNumber& y, const DecNumber& x) {
    bool undefined = false;
    return power(y, x, undefined);
}

DecNumber root(const DecNumber& y, const DecNumber& x, bool& undefined) {
    const double reciprocal = 1.0 / x.toDouble();
    if (!std::isfinite(reciprocal)) {
        // The 0th root: pow would give 0, 1 or infinity depending on y; report it instead.
        undefined = true;
        return number(reciprocal);
    }
    return power(y, number(reciprocal), undefined);
}

DecNumber root(const DecNumber& y, const DecNumber& x) {
    bool undefined = false;
    return root(y, x, undefined);
}

KeyResult unaryFunction(int keyCode, bool inv, int angleUnit, const DecNumber& x) {
    switch (keyCode) {
        case kKeyLnx:
            if (inv) return fromDoubleResult(std::exp(x.toDouble()), true);
            return logarithm(x, [](double v) { return std::log(v); });
        case kKeyLog:
            if (inv) return fromDoubleResult(std::pow(10.0, x.toDouble()), true);
            return logarithm(x, [](double v) { return std::log10(v); });
        case kKeySin:
            if (inv) return inverseSineCosine(angleUnit, x, [](double v) { return std::asin(v); });
            return trigonometric(angleUnit, x, [](double v) { return std::sin(v); });
        case kKeyCos:
            if (inv) return inverseSineCosine(angleUnit, x, [](double v) { return std::acos(v); });
            return trigonometric(angleUnit, x, [](double v) { return std::cos(v); });
        case kKeyTan:
            if (inv) {
                KeyResult result = fromDoubleResult(std::atan(x.toDouble()), true);
                if (!result.error) result.x = fromRadians(angleUnit, result.x);
                return result;
            }
            return trigonometric(angleUnit, x, [](double v) { return std::tan(v); });
        case kKeySquare:
            return KeyResult{x * x, false, true};
        case kKeySqrt:
            return KeyResult{x.squareRoot(), x.isNegative(), true};
        case kKeyReciprocal:
            if (x.isZero()) return KeyResult{kLargest, true, false};
            return KeyResult{number(1.0).divide(x), false, true};
        case kKeyAbs:
            return KeyResult{x.absolute(), false, false};
        case kKeyInt:
            return KeyResult{inv ? x - x.integerPart() : x.integerPart(), false, false};
        case kKeyPi:
            return KeyResult{kPi, false, false};
        default:
            return KeyResult{x, false, false};
    }
}

void polarRectangular(bool inv, int angleUnit, DecNumber& t, DecNumber& x, bool& undefined) {
    undefined = false;
    if (!inv) {
        const double a = toRadians(angleUnit, x).toDouble();
        const double c = std::cos(a);
        const double s = std::sin(a);
        if (!std::isfinite(c) || !std::isfinite(s)) {
            undefined = true;
            return;
        }
        const DecNumber radius = t;
        t = radius * number(c);
        x = radius * number(s);
        return;
    }
    DecNumber a;
    if (t.isZero()) {
        // On the vertical axis; the origin is given the angle of 45 degrees.
        if (x.isNegative()) {
            a = kPi / number(-2.0);
        } else if (x.isZero()) {
            a = kPi / number(4.0);
        } else {
            a = kPi / number(2.0);
        }
    } else {
        const double angle = std::atan((x / t).toDouble());
        if (!std::isfinite(angle)) {
            undefined = true;
            return;
        }
        a = number(angle);
        if (t.isNegative()) a.add(kPi);
    }
    const DecNumber r = (t * t + x * x).squareRoot();
    t = r;
    x = fromRadians(angleUnit, a);
}

void polarRectangular(bool inv, int angleUnit, DecNumber& t, DecNumber& x) {
    bool undefined = false;
    polarRectangular(inv, angleUnit, t, x, undefined);
}

DecNumber degreesMinutesSeconds(bool inv, const DecNumber& x) {
    // Worked on the magnitude; the sign is put back by a final multiplication.
    DecNumber sign = number(1.0);
    DecNumber v = x;
    if (v.isNegative()) {
        sign = number(-1.0);
        v = v.negate();
    }
    const DecNumber degrees = v.integerPart();
    const DecNumber fraction = v - degrees;
    // D.MS in: minutes are two digits after the point (x100) and count 1/60 of a degree.
    // D.MS out: the reverse scales.
    const double minuteScale = inv ? 60.0 : 100.0;
    const double secondScale = inv ? 3600.0 : 10000.0;
    const double minuteWeight = inv ? 100.0 : 60.0;
    const double secondWeight = inv ? 10000.0 : 3600.0;
    const DecNumber minutes = (fraction * number(minuteScale)).integerPart();
    const DecNumber seconds = (fraction - minutes / number(minuteScale)) * number(secondScale);
    return sign * ((degrees + minutes / number(minuteWeight)) + seconds / number(secondWeight));
}

}  // namespace korvelce
