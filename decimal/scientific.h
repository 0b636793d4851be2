// The scientific keys: angle units, powers and roots, logarithms and exponentials,
// trigonometry, polar/rectangular and degrees-minutes-seconds conversions.
//
// Square, reciprocal, square root, integer part and the angle and D.MS conversions are exact
// truncating DecNumber arithmetic; the transcendental functions and the non-integer powers go
// through double (toDouble, the C runtime function, fromDouble). A double result that is not
// finite (ln 0, an overflowing exp or pow, the sine of an infinite argument, a negative base
// with a fractional exponent) is reported so that the caller can raise the error flag; such a
// result converts to a value beyond the range that range limiting clamps to a limit.
#pragma once

#include "decimal/dec_number.h"

namespace korvelce {

enum AngleUnit : int { kDegrees = 0, kRadians = 1, kGrads = 2 };

// Angle in the unit to radians: (x * pi) / 180 or (x * pi) / 200, multiplication first.
// Radians and any unknown unit leave the value unchanged.
DecNumber toRadians(int angleUnit, const DecNumber& x);
// Radians to the unit: (r / pi) * 180 or (r / pi) * 200, division first.
DecNumber fromRadians(int angleUnit, const DecNumber& r);

// y raised to x: exact repeated multiplication for whole x from 1 to 32, 1 for x = 0, the
// double pow otherwise. The caller range-limits the result.
DecNumber power(const DecNumber& y, const DecNumber& x);
// As above; `undefined` is set to true when the double pow returned an infinity or NaN (for
// example 0 to a negative power, a negative base with a fractional exponent, an overflow of
// the double range) and to false otherwise. The returned value is then beyond the range
// (negative only for -infinity), so range limiting clamps it to kLargest or kNegLargest.
DecNumber power(const DecNumber& y, const DecNumber& x, bool& undefined);
// The x-th root of y: power with the reciprocal of x computed in double.
DecNumber root(const DecNumber& y, const DecNumber& x);
// As above; `undefined` is also true for x = 0, whose reciprocal is infinite.
DecNumber root(const DecNumber& y, const DecNumber& x, bool& undefined);

// The outcome of a one-argument key: the new X, and whether the key raised the error.
// `limit` says whether the caller must range-limit the new X afterwards.
struct KeyResult {
    DecNumber x;
    bool error = false;
    bool limit = false;
};

// One-argument keys by key code (23 LNX, 28 LOG, 30 TAN, 33 X², 34 SQRT, 35 1/X, 38 SIN,
// 39 COS, 50 |X|, 59 INT, 89 PI) with the INV state. Other codes return x unchanged.
// `error` covers the domain errors (negative argument of LNX, LOG and SQRT, 1/X of 0, INV SIN
// and INV COS outside -1..1) and a double function that returned an infinity or NaN; in the
// latter case x is already clamped to the nearest limit and `limit` is set as well.
KeyResult unaryFunction(int keyCode, bool inv, int angleUnit, const DecNumber& x);

// P->R (inv = false: radius in t, angle in x) and its inverse (x coordinate in t, y in x).
// The new t and x are written back; no range limiting.
void polarRectangular(bool inv, int angleUnit, DecNumber& t, DecNumber& x);
// As above; `undefined` is set to true when the sine or cosine of the angle is not finite (an
// angle whose double is infinite). t and x are then left unchanged and the caller should raise
// the error flag.
void polarRectangular(bool inv, int angleUnit, DecNumber& t, DecNumber& x, bool& undefined);

// D.MS to decimal degrees (inv = false) or back. The caller replaces x by its rounded display
// text first when fixed decimals are set.
DecNumber degreesMinutesSeconds(bool inv, const DecNumber& x);

}  // namespace korvelce
