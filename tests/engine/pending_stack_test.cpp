// Pending operations: precedence, parentheses, the misuse errors and the H registers, driven
// through the stack's own interface the way the operator keys drive it.
#include "engine/pending_stack.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "decimal/dec_number.h"
#include "decimal/scientific.h"

namespace korvelce {
namespace {

// A decimal literal. A leading "0." loses its zero, which would otherwise count as one of the
// thirteen digits.
DecNumber num(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (digits.rfind("0.", 0) == 0) digits.erase(0, 1);
    return DecNumber::fromDigits(digits, !negative, 0);
}

int opIndex(const std::string& token) {
    if (token == "r") return kOpRoot;
    if (token == "^") return kOpPower;
    if (token == "x") return kOpMultiply;
    if (token == "/") return kOpDivide;
    if (token == "+") return kOpAdd;
    if (token == "-") return kOpSubtract;
    if (token == "(") return kOpOpenParen;
    if (token == ")") return kOpCloseParen;
    if (token == "=") return kOpEquals;
    return -1;
}

// A stack with its own error flag, fed with space-separated keys: operator symbols are pushed,
// anything else is a number that becomes the display value.
struct Calculator {
    int error = 0;
    PendingStack stack{&error};

    Calculator() { stack.reset(); }
    Calculator(const Calculator&) = delete;
    Calculator& operator=(const Calculator&) = delete;

    void feed(const std::string& keys) {
        std::istringstream in(keys);
        std::string token;
        while (in >> token) {
            const int op = opIndex(token);
            if (op >= 0) {
                stack.push(op);
            } else {
                stack.setDisplayValue(num(token));
            }
        }
    }
};

std::string repeat(const std::string& keys, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += keys + " ";
    return out;
}

// Six groups of three pending operations, each closed by an open parenthesis, then one more:
// nineteen operations pending with 3 on display.
std::string nineteenPending() {
    return repeat("2 + 3 x 1 ^ (", 6) + "2 + 3";
}

struct ChainCase {
    std::string keys;
    DecNumber display;
    int error;
    int level;
    int openParens;
};

TEST(PendingStackTest, KeyChains) {
    const std::vector<ChainCase> cases = {
        // Precedence, and what the display shows while operations wait.
        {"2 + 3 x 4 =", num("14"), 0, 0, 0},
        {"2 + 3 x", num("3"), 0, 2, 0},
        {"2 x 3 +", num("6"), 0, 1, 0},
        {"2 x 3 + 4 x 5 - 6 =", num("20"), 0, 0, 0},
        {"2 + 3 x 4 ^ 2 =", num("50"), 0, 0, 0},
        {"2 ^ 3 x 2 =", num("16"), 0, 0, 0},
        // Equal precedence goes left to right.
        {"2 ^ 3 ^ 2 =", num("64"), 0, 0, 0},
        {"8 - 3 - 2 =", num("3"), 0, 0, 0},
        {"8 / 4 / 2 =", num("1"), 0, 0, 0},
        {"8 / 4 x 2 =", num("4"), 0, 0, 0},
        // The decimal operations truncate; a double evaluation would give 1 here.
        {"2 / 3 =", num("0.6666666666666"), 0, 0, 0},
        {"1 / 3 x 3 =", num("0.9999999999999"), 0, 0, 0},
        // Roots: the reciprocal exponent comes back whole, so the exact powers are used.
        {"9 r 0.5 =", num("81"), 0, 0, 0},
        {"2 r 0.3333333333333 =", num("8"), 0, 0, 0},
        {"3 r 0.5 x 2 =", num("18"), 0, 0, 0},
        // An operator right after another one is refused and changes nothing.
        {"2 + x", num("2"), 1, 1, 0},
        {"2 + x 3 =", num("5"), 1, 0, 0},
        {"2 + =", num("2"), 1, 1, 0},
        {"2 + ( x", num("2"), 1, 1, 1},
        {"2 + ( )", num("2"), 1, 1, 1},
        // Parentheses bound the evaluation.
        {"2 x ( 3 + 4 )", num("7"), 0, 1, 0},
        {"2 x ( 3 + 4 ) =", num("14"), 0, 0, 0},
        {"2 x ( 3 + 4 x 5 )", num("23"), 0, 1, 0},
        {"( 2 + 3 ) x ( 4 - 1 ) =", num("15"), 0, 0, 0},
        {"2 x ( 3 + ( 4 - 1 ) x 2 ) =", num("18"), 0, 0, 0},
        {"2 x ( 3 + ( 4 - 1 )", num("3"), 0, 2, 1},
        {"2 ^ ( 1 + 1 ) x 3 =", num("12"), 0, 0, 0},
        // A parenthesis opened over a displayed value does not multiply.
        {"2 ( 3 )", num("3"), 0, 0, 0},
        // ')' with nothing open evaluates everything, like '='.
        {"2 + 3 )", num("5"), 0, 0, 0},
        {"2 + 3 x 4 )", num("14"), 0, 0, 0},
        // Nine parentheses may be open; a tenth is refused, and the nine still work.
        {repeat("(", 9), num("0"), 0, 0, 9},
        {repeat("(", 10), num("0"), 1, 0, 9},
        {repeat("(", 12), num("0"), 1, 0, 9},
        {"2 x " + repeat("(", 10) + "3 + 4 " + repeat(")", 9), num("7"), 1, 1, 0},
        {"2 x " + repeat("(", 10) + "3 + 4 " + repeat(")", 9) + "=", num("14"), 1, 0, 0},
        // '=' evaluates across open parentheses but leaves them open, so a later ')' is still
        // bounded at the level where the parenthesis was opened.
        {"2 x ( 3 + 4 =", num("14"), 0, 0, 1},
        {"2 x ( 3 + 4 = 5 + 6 )", num("6"), 0, 1, 0},
        {"2 x ( 3 + 4 = 5 + 6 ) =", num("11"), 0, 0, 0},
        // Division by zero leaves the positive marker for range limiting to catch.
        {"5 / 0 =", DecNumber{1, 999}, 0, 0, 0},
        {"-5 / 0 =", DecNumber{1, 999}, 0, 0, 0},
        // Intermediate results are not range-limited.
        {"10 ^ 32 x 10 ^ 32 x 10 ^ 32 x 1000000 / 10 ^ 32 =", DecNumber{1000000000000, 70}, 0, 0,
         0},
        // Nineteen pending operations fill the stack; a twentieth operator is refused, the
        // display value stays an operand, and '=' still evaluates the whole chain.
        {nineteenPending(), num("3"), 0, 19, 6},
        {nineteenPending() + " x", num("3"), 1, 19, 6},
        {nineteenPending() + " x =", num("5"), 1, 0, 6},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.keys);
        Calculator calc;
        calc.feed(c.keys);
        const DecNumber shown = calc.stack.displayValue();
        EXPECT_TRUE(sameRepresentation(shown, c.display))
            << "display (" << shown.mantissa << ", " << shown.exponent << ")";
        EXPECT_EQ(calc.error, c.error);
        EXPECT_EQ(calc.stack.level, c.level);
        EXPECT_EQ(calc.stack.openParens, c.openParens);
    }
}

TEST(PendingStackTest, RootThroughDoubleExponent) {
    // The reciprocal of 3 is not whole, so the eighth root goes through double pow.
    Calculator calc;
    calc.feed("8 r 3 =");
    EXPECT_NEAR(calc.stack.displayValue().toDouble(), 2.0, 1e-11);
    EXPECT_EQ(calc.error, 0);
}

TEST(PendingStackTest, OperandReadyAfterEachKind) {
    struct Case {
        std::string keys;
        int operandReady;
    };
    const std::vector<Case> cases = {
        {"2 +", 0}, {"2 + (", 0}, {"(", 1}, {"2 + 3 )", 1}, {"2 + 3 =", 1}, {"2 + x", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Calculator calc;
        calc.feed(c.keys);
        EXPECT_EQ(calc.stack.operandReady, c.operandReady);
    }
}

TEST(PendingStackTest, CloseParenUnwindsTheCountOfItsLevel) {
    Calculator calc;
    calc.feed("2 x ( ( 3 + 4 )");
    EXPECT_EQ(calc.stack.parenCount[1], 1);
    calc.feed(")");
    EXPECT_EQ(calc.stack.parenCount[1], 0);
    EXPECT_EQ(calc.stack.openParens, 0);
}

TEST(PendingStackTest, EqualsKeepsParenthesisCounts) {
    Calculator calc;
    calc.feed("2 x ( 3 + ( 4 =");
    EXPECT_EQ(calc.stack.parenCount[1], 1);
    EXPECT_EQ(calc.stack.parenCount[2], 1);
    EXPECT_EQ(calc.stack.openParens, 2);
}

TEST(PendingStackTest, ResetKeepsValuesAndClearsTheRest) {
    Calculator calc;
    calc.feed("7 + ( 3 x ( 4");
    calc.stack.reset();
    EXPECT_EQ(calc.stack.level, 0);
    EXPECT_EQ(calc.stack.openParens, 0);
    EXPECT_EQ(calc.stack.operandReady, 1);
    for (const int count : calc.stack.parenCount)
        EXPECT_EQ(count, 0);
    EXPECT_TRUE(sameRepresentation(calc.stack.displayValue(), num("7")));
    EXPECT_TRUE(sameRepresentation(calc.stack.values[2], num("4")));
}

TEST(PendingStackTest, UnknownOperatorIsIgnored) {
    for (const int op : {-1, 9, 100}) {
        SCOPED_TRACE(op);
        Calculator calc;
        calc.feed("2 +");
        calc.stack.push(op);
        EXPECT_EQ(calc.error, 0);
        EXPECT_EQ(calc.stack.level, 1);
        EXPECT_EQ(calc.stack.operandReady, 0);
    }
}

enum class HOp { kStore, kRecall, kAdd, kSubtract, kMultiply, kDivide };

TEST(PendingStackTest, HRegisters) {
    struct Case {
        HOp op;
        int k;
        int x;
        int changedSlot;   // -1: no slot changes
        DecNumber result;  // new slot value, or the recalled value
    };
    // Slot i holds 10 (i + 1) before each case.
    const std::vector<Case> cases = {
        {HOp::kStore, 1, 7, 0, num("7")},
        {HOp::kStore, 8, 7, 7, num("7")},
        {HOp::kStore, 0, 7, -1, {}},
        {HOp::kStore, 9, 7, -1, {}},
        {HOp::kRecall, 3, 0, -1, num("30")},
        {HOp::kRecall, 8, 0, -1, num("80")},
        {HOp::kRecall, 9, 0, -1, num("0")},
        {HOp::kRecall, 0, 0, -1, num("0")},
        {HOp::kRecall, -1, 0, -1, num("0")},
        {HOp::kAdd, 2, 5, 1, num("25")},
        {HOp::kAdd, 9, 5, -1, {}},
        {HOp::kSubtract, 3, 5, 2, num("25")},
        {HOp::kSubtract, 0, 5, -1, {}},
        {HOp::kMultiply, 4, 5, 3, num("200")},
        {HOp::kMultiply, 9, 5, -1, {}},
        {HOp::kDivide, 5, 5, 4, num("10")},
        {HOp::kDivide, 6, 7, 5, num("8.571428571428")},
        {HOp::kDivide, 5, 0, -1, {}},
        {HOp::kDivide, 0, 5, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "op " << static_cast<int>(c.op) << " k " << c.k);
        Calculator calc;
        for (int i = 0; i < PendingStack::kSlots; ++i) {
            calc.stack.values[static_cast<std::size_t>(i)] = DecNumber::fromInt(10 * (i + 1));
        }
        const auto before = calc.stack.values;
        const DecNumber x = DecNumber::fromInt(c.x);
        switch (c.op) {
            case HOp::kStore:
                calc.stack.hStore(c.k, x);
                break;
            case HOp::kRecall: {
                const DecNumber recalled = calc.stack.hRecall(c.k);
                EXPECT_TRUE(sameRepresentation(recalled, c.result));
                break;
            }
            case HOp::kAdd:
                calc.stack.hAdd(c.k, x);
                break;
            case HOp::kSubtract:
                calc.stack.hSubtract(c.k, x);
                break;
            case HOp::kMultiply:
                calc.stack.hMultiply(c.k, x);
                break;
            case HOp::kDivide:
                calc.stack.hDivide(c.k, x);
                break;
        }
        for (int i = 0; i < PendingStack::kSlots; ++i) {
            const auto s = static_cast<std::size_t>(i);
            const DecNumber expected = i == c.changedSlot ? c.result : before[s];
            EXPECT_TRUE(sameRepresentation(calc.stack.values[s], expected)) << "slot " << i;
        }
        EXPECT_EQ(calc.error, 0);
    }
}

TEST(PendingStackTest, HRegisterOneIsTheDisplayWhenNothingIsPending) {
    Calculator calc;
    calc.feed("5");
    calc.stack.hStore(1, num("7"));
    EXPECT_TRUE(sameRepresentation(calc.stack.displayValue(), num("7")));
    calc.feed("+ 1 =");
    EXPECT_TRUE(sameRepresentation(calc.stack.displayValue(), num("8")));
}

// Reference evaluator for the property test: recursive descent over the same keys, applying
// the decimal operations in conventional precedence order.
class Reference {
  public:
    explicit Reference(std::vector<std::string> tokens) : tokens_(std::move(tokens)) {}
    DecNumber evaluate() { return expression(); }

  private:
    const std::string& peek() const {
        static const std::string end;
        return pos_ < tokens_.size() ? tokens_[pos_] : end;
    }
    DecNumber expression() {
        DecNumber value = term();
        while (peek() == "+" || peek() == "-") {
            const bool add = tokens_[pos_++] == "+";
            const DecNumber right = term();
            if (add) {
                value.add(right);
            } else {
                value.subtract(right);
            }
        }
        return value;
    }
    DecNumber term() {
        DecNumber value = factor();
        while (peek() == "x" || peek() == "/") {
            const bool multiply = tokens_[pos_++] == "x";
            const DecNumber right = factor();
            if (multiply) {
                value.multiply(right);
            } else {
                value.divide(right);
            }
        }
        return value;
    }
    DecNumber factor() {
        if (peek() == "(") {
            ++pos_;
            const DecNumber value = expression();
            ++pos_;  // ")"
            return value;
        }
        return num(tokens_[pos_++]);
    }

    std::vector<std::string> tokens_;
    std::size_t pos_ = 0;
};

void randomExpression(std::mt19937& rng, int depth, std::vector<std::string>& out) {
    static const char* const kOperands[] = {"0", "1",   "2",  "3",  "4",   "5",    "6",
                                            "7", "8",   "9",  "12", "0.5", "2.25", "0.3",
                                            "7", "1.1", "-4", "99", "3",   "6"};
    static const char* const kOperators[] = {"+", "-", "x", "/"};
    std::uniform_int_distribution<int> terms(1, 6);
    std::uniform_int_distribution<int> pick(0, 19);
    std::uniform_int_distribution<int> pickOp(0, 3);
    const int count = terms(rng);
    for (int i = 0; i < count; ++i) {
        if (i > 0) out.emplace_back(kOperators[pickOp(rng)]);
        if (depth < 3 && pick(rng) < 4) {
            out.emplace_back("(");
            randomExpression(rng, depth + 1, out);
            out.emplace_back(")");
        } else {
            out.emplace_back(kOperands[pick(rng)]);
        }
    }
}

TEST(PendingStackTest, RandomChainsMatchReferenceEvaluation) {
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<std::string> tokens;
        randomExpression(rng, 0, tokens);
        std::string keys;
        for (const std::string& t : tokens)
            keys += t + " ";
        SCOPED_TRACE(keys);

        Calculator calc;
        calc.feed(keys + "=");
        const DecNumber expected = Reference(tokens).evaluate();
        const DecNumber shown = calc.stack.displayValue();
        ASSERT_TRUE(sameRepresentation(shown, expected))
            << "got (" << shown.mantissa << ", " << shown.exponent << ") expected ("
            << expected.mantissa << ", " << expected.exponent << ")";
        ASSERT_EQ(calc.error, 0);
        ASSERT_EQ(calc.stack.level, 0);
        ASSERT_EQ(calc.stack.openParens, 0);
    }
}

}  // namespace
}  // namespace korvelce
