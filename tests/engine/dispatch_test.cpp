// Keys in calculate mode, as a person checks a calculator: key sequences with the display, the
// error state and, where it matters, the T register they leave.
#include <gtest/gtest.h>

#include <ostream>

#include <random>
#include <string>

#include "cli/json_state.h"
#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

struct KeyCase {
    const char* keys;
    const char* display;
    int error;
    const char* t = nullptr;  // the T register, exactly, when given
};

// Names the case by its keys in test output.
void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class Keys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Keys, LeaveDisplayErrorAndT) {
    const KeyCase& c = GetParam();
    const auto engine = test::engineAfter(c.keys);
    EXPECT_EQ(engine->displayText(), c.display) << c.keys;
    EXPECT_EQ(engine->errorFlag, c.error) << c.keys;
    if (c.t != nullptr) {
        EXPECT_EQ(exactValue(engine->tRegister), c.t) << c.keys;
    }
}

INSTANTIATE_TEST_SUITE_P(
    CalculateMode, Keys,
    ::testing::Values(
        // Precedence, parentheses and the misuse errors.
        KeyCase{"2 + 3 * 4 =", "14.", 0}, KeyCase{"2 + 3 *", "3.", 0}, KeyCase{"2 * 3 +", "6.", 0},
        KeyCase{"2 + * 3 =", "5.", 1}, KeyCase{"2 * ( 3 + 4 ) =", "14.", 0},
        KeyCase{"2 * ( 3 + 4 )", "7.", 0}, KeyCase{"2 + 3 )", "5.", 0}, KeyCase{"2 ( 3 )", "3.", 0},
        KeyCase{"8 - 3 - 2 =", "3.", 0}, KeyCase{"2 Y^X 3 Y^X 2 =", "64.", 0},
        KeyCase{"5 / 0 =", "9.9999999 99", 1}, KeyCase{"5 +/- / 0 =", "9.9999999 99", 1},
        KeyCase{"2 + +/- =", "0.", 0}, KeyCase{"( ( ( ( ( ( ( ( ( (", "0.", 1},
        KeyCase{"1 EE 99 * 1 EE 99 =", "9.9999999 99", 1},
        KeyCase{"1 +/- EE 99 * 1 EE 99 =", "-9.9999999 99", 1},
        KeyCase{"1 EE 99 +/- INV EE / 1 EE 99 =", "1.-99", 1},
        // One-argument keys, their INV forms and their errors.
        KeyCase{"2 INV LNX", "7.389056099", 0}, KeyCase{"2 INV INV LNX", ".6931471806", 0},
        KeyCase{"4 +/- SQRT", "2.", 1}, KeyCase{"4 +/- SQRT CE", "2.", 0},
        KeyCase{"0 1/X", "9.9999999 99", 1}, KeyCase{"3 1/X", ".3333333333", 0},
        KeyCase{"30 SIN", "0.5", 0}, KeyCase{"2 INV SIN", "2.", 1}, KeyCase{"1 +/- LNX", "0.", 1},
        KeyCase{"0 LNX", "-9.9999999 99", 1}, KeyCase{"1000 LOG", "3.", 0},
        KeyCase{"1000 INV LNX", "9.9999999 99", 1}, KeyCase{"200 INV LOG", "9.9999999 99", 1},
        KeyCase{"2.75 +/- INV INT", "-0.75", 0}, KeyCase{"2.7 +/- INT", "-2.", 0},
        KeyCase{"7 +/- ABS", "7.", 0}, KeyCase{"GRD 200 COS", "-1.", 0},
        KeyCase{"RAD PI * 0 + 1 = INV TAN", ".7853981634", 0}, KeyCase{"12 X^2", "144.", 0},
        KeyCase{"5 PI", "3.141592654", 0}, KeyCase{"1 EE 60 X^2", "9.9999999 99", 1},
        // Two-register keys.
        KeyCase{"3 X<>T 4 INV P>R", "53.13010235", 0, "5000000000000E0"},
        KeyCase{"0 X<>T 0 INV P>R", "45.", 0, "0E0"},
        KeyCase{"2 X<>T 30 P>R", "1.", 0, "1732050807569E0"},
        KeyCase{"7 X<>T 9", "9", 0, "7000000000000E0"}, KeyCase{"1.3030 DMS", "1.508333333", 0},
        KeyCase{"1.5 INV DMS", "1.3", 0}, KeyCase{"1.3 +/- DMS", "-1.5", 0},
        KeyCase{"1.508333333 INV DMS", "1.303", 0}, KeyCase{"FIX 2 1.30301 DMS", "1.50", 0},
        // Display modes and clearing.
        KeyCase{"123456 EE", "123456 00", 0}, KeyCase{"123456 = EE INV EE", "123456.", 0},
        KeyCase{"123456 = ENG", "1.23456 05", 0}, KeyCase{"123456 = ENG INV ENG", "123456.", 0},
        KeyCase{"FIX 2 2 / 3 =", "0.67", 0}, KeyCase{"FIX 2 INV FIX 2 / 3 =", ".6666666667", 0},
        KeyCase{"2 + 3 CLR 4 =", "4.", 0}, KeyCase{"2 + 3 CE 4 =", "6.", 0},
        KeyCase{"5 DEG 1", "51", 0},
        // Registers from the keyboard.
        KeyCase{"5 STO 07 3 SUM 07 RCL 07", "8.", 0}, KeyCase{"STO + 2 =", "2.", 0},
        KeyCase{"4 STO 1 + 2 = RCL 01", "4.", 0}, KeyCase{"0 INV PRD 07 RCL 07", "9.9999999 99", 1},
        KeyCase{"4 EXC 07 RCL 07", "4.", 0},
        // A label key with no program, and codes no key produces.
        KeyCase{"A", "0", 1}, KeyCase{"5 @21 @26", "5", 0}));

// An independent model of the calculator's 13-digit truncating arithmetic, in 128-bit integers:
// a value is m x 10^(e - 12) with 10^12 <= |m| < 10^13 (or zero).
struct Model {
    __extension__ using Wide = __int128;
    Wide m = 0;
    int e = 0;
};

Model::Wide power10(int n) {
    Model::Wide p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

Model norm(Model::Wide m, int e) {
    if (m == 0) return {};
    const Model::Wide low = power10(12), high = power10(13);
    Model::Wide a = m < 0 ? -m : m;
    while (a >= high) {
        a /= 10;
        ++e;
    }
    while (a < low) {
        a *= 10;
        --e;
    }
    return {m < 0 ? -a : a, e};
}

Model add(Model a, Model b) {
    if (b.m == 0) return a;
    if (a.m == 0) return b;
    if (a.e < b.e) std::swap(a, b);
    const int shift = a.e - b.e;
    const Model::Wide s = shift < 13 ? b.m / power10(shift) : 0;
    return norm(a.m + s, a.e);
}

Model multiply(Model a, Model b) {
    const Model::Wide p = a.m * b.m;  // truncation toward zero of |p| / 10^12, sign kept
    const Model::Wide q = (p < 0 ? -p : p) / power10(12);
    return norm(p < 0 ? -q : q, a.e + b.e);
}

Model divide(Model a, Model b) {
    const Model::Wide n = (a.m < 0 ? -a.m : a.m) * power10(13);
    const Model::Wide q = n / (b.m < 0 ? -b.m : b.m);
    return norm((a.m < 0) != (b.m < 0) ? -q : q, a.e - b.e - 1);
}

// Random expressions of + - * / with parentheses nested up to nine deep, evaluated by
// recursive descent on the model, and as key tokens for the calculator.
class Expressions {
  public:
    explicit Expressions(unsigned seed) : random_(seed) {}

    bool dividedByZero = false;  // the expression has no value to compare

    // An expression; depth counts the open parentheses around it.
    Model expression(std::string& keys, int depth) {
        Model value = term(keys, depth);
        while (pick(3) != 0 && keys.size() < 1500) {
            const bool plus = pick(2) == 0;
            keys += plus ? " +" : " -";
            Model right = term(keys, depth);
            if (!plus) right.m = -right.m;
            value = add(value, right);
        }
        return value;
    }

  private:
    Model term(std::string& keys, int depth) {
        Model value = factor(keys, depth);
        while (pick(3) != 0) {
            const bool times = pick(2) == 0;
            keys += times ? " *" : " /";
            const Model right = factor(keys, depth);
            if (!times && right.m == 0) {
                dividedByZero = true;
                continue;
            }
            value = times ? multiply(value, right) : divide(value, right);
        }
        return value;
    }

    Model factor(std::string& keys, int depth) {
        if (depth < 9 && pick(3) == 0) {
            keys += " (";
            const Model inner = expression(keys, depth + 1);
            keys += " )";
            return inner;
        }
        const int whole = pick(1000);
        const int tenths = 1 + pick(9);  // never zero
        keys += " " + std::to_string(whole) + "." + std::to_string(tenths);
        return norm(Model::Wide{whole} * 10 + tenths, 11);
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::mt19937 random_;
};

TEST(LongChains, AgreeWithAnIndependentTruncatingModel) {
    int compared = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        Expressions generator(seed);
        std::string keys;
        const Model expected = generator.expression(keys, 0);
        keys += " =";
        const auto engine = test::engineAfter(keys);
        // Out of range, divided by zero, or more than 19 operations pending at once: the
        // calculator's limits take over and there is nothing to compare.
        if (generator.dividedByZero || expected.e > 99 || expected.e < -99) continue;
        if (engine->errorFlag != 0) continue;
        const DecNumber x = engine->displayValue();
        EXPECT_EQ(static_cast<Model::Wide>(x.mantissa), expected.m) << keys;
        if (expected.m != 0) {
            EXPECT_EQ(x.exponent, expected.e) << keys;
        }
        ++compared;
    }
    EXPECT_GT(compared, 300);
}

TEST(LongChains, NineParenthesesDeep) {
    const auto engine = test::engineAfter(
        "( ( ( ( ( ( ( ( ( 1 + 2 ) * 3 ) - 4 ) / 5 ) + 6 ) * 7 ) - 8 ) / 9 ) + 10 ) =");
    EXPECT_EQ(engine->errorFlag, 0);
    // 1+2=3, *3=9, -4=5, /5=1, +6=7, *7=49, -8=41, /9=4.555...5 (truncated), +10
    EXPECT_EQ(exactValue(engine->displayValue()), "1455555555555E1");
    EXPECT_EQ(engine->stack.openParens, 0);
}

}  // namespace
}  // namespace korvelce
