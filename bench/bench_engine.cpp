// Keystroke and program-step throughput of the engine, each beside a baseline in the same run:
// typed arithmetic against the same arithmetic done directly on DecNumber, and a program loop
// through runStep against the same work typed key by key in calculate mode.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "decimal/dec_number.h"
#include "engine/calc_engine.h"
#include "files/key_tokens.h"
#include "files/program_source.h"

namespace {

using korvelce::CalcEngine;
using korvelce::DecNumber;

// One expression a + b * ( c - d ) / e = with operands of one to four digits.
struct Expression {
    std::vector<int> keys;
    DecNumber a, b, c, d, e;
};

std::vector<int> digitsOf(int n) {
    std::vector<int> codes;
    for (const char ch : std::to_string(n))
        codes.push_back(ch - '0');
    return codes;
}

const std::vector<Expression>& expressions() {
    static const std::vector<Expression> list = [] {
        std::mt19937 random(42);
        std::uniform_int_distribution<int> value(1, 9999);
        std::vector<Expression> result;
        for (int i = 0; i < 256; ++i) {
            const int a = value(random), b = value(random), c = value(random), d = value(random),
                      e = value(random);
            Expression x{{},
                         DecNumber::fromInt(a),
                         DecNumber::fromInt(b),
                         DecNumber::fromInt(c),
                         DecNumber::fromInt(d),
                         DecNumber::fromInt(e)};
            auto add = [&](const std::vector<int>& codes) {
                x.keys.insert(x.keys.end(), codes.begin(), codes.end());
            };
            add(digitsOf(a));
            add({korvelce::key::kAdd});
            add(digitsOf(b));
            add({korvelce::key::kMultiply, korvelce::key::kOpen});
            add(digitsOf(c));
            add({korvelce::key::kSubtract});
            add(digitsOf(d));
            add({korvelce::key::kClose, korvelce::key::kDivide});
            add(digitsOf(e));
            add({korvelce::key::kEquals});
            result.push_back(std::move(x));
        }
        return result;
    }();
    return list;
}

void BM_TypedArithmetic(benchmark::State& state) {
    CalcEngine engine;
    std::int64_t keys = 0;
    for (auto _ : state) {
        for (const auto& x : expressions()) {
            for (const int code : x.keys)
                engine.pressKey(code);
            keys += static_cast<std::int64_t>(x.keys.size());
        }
        benchmark::DoNotOptimize(engine.displayValue());
    }
    state.counters["keys/s"] =
        benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(expressions().size()));
}
BENCHMARK(BM_TypedArithmetic);

void BM_BareArithmetic(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& x : expressions()) {
            DecNumber inner = x.c;
            inner.subtract(x.d);
            DecNumber product = x.b;
            product.multiply(inner);
            product.divide(x.e);
            DecNumber sum = x.a;
            sum.add(product);
            sum.limitRange();
            benchmark::DoNotOptimize(sum);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(expressions().size()));
}
BENCHMARK(BM_BareArithmetic);

constexpr int kLoopCount = 1000;

// R00 counts down from 1000 while R01 sums the counter: a tight DSZ loop of 7 steps a turn.
void BM_ProgramSteps(benchmark::State& state) {
    CalcEngine engine;
    korvelce::assembleProgram(engine, "LBL A RCL 00 SUM 01 DSZ 0 A R/S");
    std::int64_t steps = 0;
    for (auto _ : state) {
        engine.registers[0] = DecNumber::fromInt(kLoopCount);
        engine.registers[1] = DecNumber{};
        engine.programCounter = 2;  // the step after LBL A
        engine.mode = korvelce::kRun;
        while (engine.mode == korvelce::kRun) {
            engine.runStep();
            ++steps;
        }
        benchmark::DoNotOptimize(engine.registers[1]);
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * kLoopCount);
}
BENCHMARK(BM_ProgramSteps);

// The same loop typed key by key in calculate mode: RCL 00 SUM 01, then the count-down by hand.
void BM_LoopTypedByHand(benchmark::State& state) {
    CalcEngine engine;
    const std::vector<int> turn = korvelce::parseKeyTokens("RCL 00 SUM 01 1 INV SUM 00").codes;
    std::int64_t keys = 0;
    for (auto _ : state) {
        engine.registers[0] = DecNumber::fromInt(kLoopCount);
        engine.registers[1] = DecNumber{};
        for (int i = 0; i < kLoopCount; ++i) {
            for (const int code : turn)
                engine.pressKey(code);
            keys += static_cast<std::int64_t>(turn.size());
        }
        benchmark::DoNotOptimize(engine.registers[1]);
    }
    state.counters["keys/s"] =
        benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * kLoopCount);
}
BENCHMARK(BM_LoopTypedByHand);

}  // namespace

BENCHMARK_MAIN();
