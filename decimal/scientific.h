// The scientific keys: angle units, powers and roots, logarithms and exponentials,
// trigonometry, polar/rectangular and degrees-minutes-seconds conversions.
#pragma once

#include "decimal/dec_number.h"

namespace korvelce {

enum AngleUnit : int { kDegrees = 0, kRadians = 1, kGrads = 2 };

DecNumber toRadians(int angleUnit, const DecNumber& x);
DecNumber fromRadians(int angleUnit, const DecNumber& r);

// y raised to x: exact repeated multiplication for whole x from 1 to 32, 1 for x = 0, the
// double pow otherwise. The caller range-limits the result.
DecNumber power(const DecNumber& y, const DecNumber& x);
// The x-th root of y: power with the reciprocal of x computed in double.
DecNumber root(const DecNumber& y, const DecNumber& x);

// The outcome of a one-argument key: the new X, and whether the key raised the error.
// `limit` says whether the caller must range-limit the new X afterwards.
struct KeyResult {
    DecNumber x;
    bool error = false;
    bool limit = false;
};

// One-argument keys by key code (23 LNX, 28 LOG, 30 TAN, 33 X², 34 SQRT, 35 1/X, 38 SIN,
// 39 COS, 50 |X|, 59 INT, 89 PI) with the INV state. Other codes return x unchanged.
KeyResult unaryFunction(int keyCode, bool inv, int angleUnit, const DecNumber& x);

// P->R (inv = false: radius in t, angle in x) and its inverse (x coordinate in t, y in x).
// The new t and x are written back; no range limiting.
void polarRectangular(bool inv, int angleUnit, DecNumber& t, DecNumber& x);

// D.MS to decimal degrees (inv = false) or back. The caller replaces x by its rounded display
// text first when fixed decimals are set.
DecNumber degreesMinutesSeconds(bool inv, const DecNumber& x);

}  // namespace korvelce
