// Speed of the DecNumber operations against two decimal baselines on the same operands:
// std::decimal::decimal64 (libstdc++) and the BID64 functions of the decimal floating-point
// library. Names read BM_<operation>/<implementation>, so each ratio is one division away.
// The display text is measured against snprintf("%.10g") of the double.
#include <benchmark/benchmark.h>

// The configuration header goes before the declarations.
#include <bid_conf.h>
#include <bid_functions.h>
#include <decimal/decimal>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "decimal/dec_number.h"
#include "decimal/number_text.h"

// The BID64 archive is linked with its symbols renamed korvelce_<name> (bench/CMakeLists.txt) so
// that they cannot collide with the compiler runtime's decimal64 code; the declarations take
// their types from the library's own header.
extern "C" {
decltype(bid64_add) korvelce_bid64_add;
decltype(bid64_sub) korvelce_bid64_sub;
decltype(bid64_mul) korvelce_bid64_mul;
decltype(bid64_div) korvelce_bid64_div;
decltype(bid64_sqrt) korvelce_bid64_sqrt;
decltype(bid64_abs) korvelce_bid64_abs;
decltype(bid64_from_string) korvelce_bid64_from_string;
}

namespace {

using korvelce::DecNumber;
using std::decimal::decimal64;

// A power of two, so that the index wraps with a mask.
constexpr std::size_t kPairs = 1024;

struct Operands {
    std::vector<DecNumber> decA, decB;
    std::vector<decimal64> d64A, d64B;
    std::vector<BID_UINT64> bidA, bidB;
    std::vector<double> doubleA;
};

// splitmix64, fixed seed: the same operands in every run.
std::uint64_t nextRandom(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
}

std::int64_t randomIn(std::uint64_t& state, std::int64_t lo, std::int64_t hi) {
    return lo +
           static_cast<std::int64_t>(nextRandom(state) % static_cast<std::uint64_t>(hi - lo + 1));
}

BID_UINT64 toBid(const DecNumber& x) {
    char text[48];
    std::snprintf(text, sizeof text, "%lldE%d", static_cast<long long>(x.mantissa),
                  x.exponent - 12);
    _IDEC_flags flags = 0;
    return korvelce_bid64_from_string(text, BID_ROUNDING_TO_ZERO, &flags);
}

decimal64 toDecimal64(const DecNumber& x) {
    return std::decimal::make_decimal64(static_cast<long long>(x.mantissa), x.exponent - 12);
}

// Random 13-digit mantissas of both signs; exponents around -20..20, the two operands of a pair
// up to 15 apart so that additions shift, cancel and carry.
Operands makeOperands() {
    Operands o;
    std::uint64_t state = 0x62656e6368;
    for (std::size_t i = 0; i < kPairs; ++i) {
        const auto base = static_cast<int>(randomIn(state, -20, 20));
        const auto apart = static_cast<int>(randomIn(state, -15, 15));
        for (int k = 0; k < 2; ++k) {
            std::int64_t m = randomIn(state, 1000000000000, 9999999999999);
            if (randomIn(state, 0, 1) == 1) m = -m;
            const DecNumber x = DecNumber::fromRaw(m, k == 0 ? base : base + apart);
            (k == 0 ? o.decA : o.decB).push_back(x);
            (k == 0 ? o.d64A : o.d64B).push_back(toDecimal64(x));
            (k == 0 ? o.bidA : o.bidB).push_back(toBid(x));
            if (k == 0) o.doubleA.push_back(x.toDouble());
        }
    }
    return o;
}

const Operands& operands() {
    static const Operands o = makeOperands();
    return o;
}

// Runs op(a[i], b[i]) over the operand pairs in turn.
template <typename T, typename Op>
void runPairs(benchmark::State& state, const std::vector<T>& a, const std::vector<T>& b, Op op) {
    std::size_t i = 0;
    for (auto _ : state) {
        auto result = op(a[i], b[i]);
        benchmark::DoNotOptimize(result);
        i = (i + 1) & (kPairs - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

template <typename T, typename Op>
void runSingles(benchmark::State& state, const std::vector<T>& a, Op op) {
    std::size_t i = 0;
    for (auto _ : state) {
        auto result = op(a[i]);
        benchmark::DoNotOptimize(result);
        i = (i + 1) & (kPairs - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

// ---- DecNumber

void decAdd(benchmark::State& s) {
    runPairs(s, operands().decA, operands().decB,
             [](DecNumber a, const DecNumber& b) { return a.add(b); });
}
void decSubtract(benchmark::State& s) {
    runPairs(s, operands().decA, operands().decB,
             [](DecNumber a, const DecNumber& b) { return a.subtract(b); });
}
void decMultiply(benchmark::State& s) {
    runPairs(s, operands().decA, operands().decB,
             [](DecNumber a, const DecNumber& b) { return a.multiply(b); });
}
void decDivide(benchmark::State& s) {
    runPairs(s, operands().decA, operands().decB,
             [](DecNumber a, const DecNumber& b) { return a.divide(b); });
}
void decSquareRoot(benchmark::State& s) {
    runSingles(s, operands().decA, [](const DecNumber& a) { return a.squareRoot(); });
}

// ---- std::decimal::decimal64 (no square root in the library)

void d64Add(benchmark::State& s) {
    runPairs(s, operands().d64A, operands().d64B, [](decimal64 a, decimal64 b) { return a + b; });
}
void d64Subtract(benchmark::State& s) {
    runPairs(s, operands().d64A, operands().d64B, [](decimal64 a, decimal64 b) { return a - b; });
}
void d64Multiply(benchmark::State& s) {
    runPairs(s, operands().d64A, operands().d64B, [](decimal64 a, decimal64 b) { return a * b; });
}
void d64Divide(benchmark::State& s) {
    runPairs(s, operands().d64A, operands().d64B, [](decimal64 a, decimal64 b) { return a / b; });
}

// ---- BID64, rounding toward zero like DecNumber's truncation

void bidAdd(benchmark::State& s) {
    runPairs(s, operands().bidA, operands().bidB, [](BID_UINT64 a, BID_UINT64 b) {
        _IDEC_flags flags = 0;
        return korvelce_bid64_add(a, b, BID_ROUNDING_TO_ZERO, &flags);
    });
}
void bidSubtract(benchmark::State& s) {
    runPairs(s, operands().bidA, operands().bidB, [](BID_UINT64 a, BID_UINT64 b) {
        _IDEC_flags flags = 0;
        return korvelce_bid64_sub(a, b, BID_ROUNDING_TO_ZERO, &flags);
    });
}
void bidMultiply(benchmark::State& s) {
    runPairs(s, operands().bidA, operands().bidB, [](BID_UINT64 a, BID_UINT64 b) {
        _IDEC_flags flags = 0;
        return korvelce_bid64_mul(a, b, BID_ROUNDING_TO_ZERO, &flags);
    });
}
void bidDivide(benchmark::State& s) {
    runPairs(s, operands().bidA, operands().bidB, [](BID_UINT64 a, BID_UINT64 b) {
        _IDEC_flags flags = 0;
        return korvelce_bid64_div(a, b, BID_ROUNDING_TO_ZERO, &flags);
    });
}
void bidSquareRoot(benchmark::State& s) {
    runSingles(s, operands().bidA, [](BID_UINT64 a) {
        _IDEC_flags flags = 0;
        // The root of the magnitude, as DecNumber computes it.
        return korvelce_bid64_sqrt(korvelce_bid64_abs(a), BID_ROUNDING_TO_ZERO, &flags);
    });
}

// ---- Display text

void decText(benchmark::State& s) {
    runSingles(s, operands().decA, [](const DecNumber& a) {
        char buffer[korvelce::kTextCapacity];
        const int exponentField = korvelce::numberText(a, 9, 0, buffer, korvelce::kTextCapacity);
        return exponentField + buffer[0];
    });
}
void snprintfText(benchmark::State& s) {
    runSingles(s, operands().doubleA, [](double a) {
        char buffer[korvelce::kTextCapacity];
        const int length = std::snprintf(buffer, sizeof buffer, "%.10g", a);
        return length + buffer[0];
    });
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RegisterBenchmark("BM_Add/Dec", decAdd);
    benchmark::RegisterBenchmark("BM_Add/Decimal64", d64Add);
    benchmark::RegisterBenchmark("BM_Add/Bid64", bidAdd);
    benchmark::RegisterBenchmark("BM_Subtract/Dec", decSubtract);
    benchmark::RegisterBenchmark("BM_Subtract/Decimal64", d64Subtract);
    benchmark::RegisterBenchmark("BM_Subtract/Bid64", bidSubtract);
    benchmark::RegisterBenchmark("BM_Multiply/Dec", decMultiply);
    benchmark::RegisterBenchmark("BM_Multiply/Decimal64", d64Multiply);
    benchmark::RegisterBenchmark("BM_Multiply/Bid64", bidMultiply);
    benchmark::RegisterBenchmark("BM_Divide/Dec", decDivide);
    benchmark::RegisterBenchmark("BM_Divide/Decimal64", d64Divide);
    benchmark::RegisterBenchmark("BM_Divide/Bid64", bidDivide);
    benchmark::RegisterBenchmark("BM_SquareRoot/Dec", decSquareRoot);
    benchmark::RegisterBenchmark("BM_SquareRoot/Bid64", bidSquareRoot);
    benchmark::RegisterBenchmark("BM_Text/Dec", decText);
    benchmark::RegisterBenchmark("BM_Text/Snprintf", snprintfText);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
