// The display value and the operations that wait for it: precedence, parentheses and the
// H registers (the first eight value slots).
#pragma once

#include <array>

#include "decimal/dec_number.h"

namespace korvelce {

// Operator indices pushed by the binary-operator, parenthesis and equals keys.
enum PendingOp : int {
    kOpRoot = 0,
    kOpPower = 1,
    kOpMultiply = 2,
    kOpDivide = 3,
    kOpAdd = 4,
    kOpSubtract = 5,
    kOpOpenParen = 6,
    kOpCloseParen = 7,
    kOpEquals = 8,
};

// Precedence of each operator index.
int precedence(int op);

class PendingStack {
  public:
    static constexpr int kSlots = 20;
    static constexpr int kMaxParens = 9;

    explicit PendingStack(int* errorFlag) : errorFlag_(errorFlag) {}

    std::array<DecNumber, kSlots> values{};
    std::array<int, kSlots> ops{};
    std::array<int, kSlots> parenCount{};
    int level = 0;
    int operandReady = 1;
    int openParens = 0;

    void reset();
    [[nodiscard]] DecNumber displayValue() const { return values[static_cast<std::size_t>(level)]; }
    void setDisplayValue(const DecNumber& x);
    void markOperand() { operandReady = 1; }
    void push(int op);
    void reduce(int minimumPrecedence, bool ignoreParens);

    // H registers 1..8; other k are ignored (recall gives zero).
    void hStore(int k, const DecNumber& x);
    [[nodiscard]] DecNumber hRecall(int k) const;
    void hAdd(int k, const DecNumber& x);
    void hSubtract(int k, const DecNumber& x);
    void hMultiply(int k, const DecNumber& x);
    void hDivide(int k, const DecNumber& x);

    // Re-points the error flag (after the owning engine is copied or moved).
    void bindErrorFlag(int* errorFlag) { errorFlag_ = errorFlag; }

  private:
    void setError() {
        if (errorFlag_ != nullptr) *errorFlag_ = 1;
    }
    int* errorFlag_;
};

}  // namespace korvelce
