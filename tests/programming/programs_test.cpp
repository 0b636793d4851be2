// Whole programs keyed in from source text and run, in-process and through korvelce-cli,
// checked against the mathematics they compute.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/json_state.h"
#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "files/program_source.h"
#include "support/cli_process.h"
#include "support/key_sequence.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

constexpr const char* kFactorial = R"(
LBL A STO 00 1 STO 01      # n, product
LBL B RCL 01 * RCL 00 = STO 01
DSZ 0 B                    # n - 1, until it reaches zero
RCL 01 R/S
)";

// A: x -> 2 (x^2 + 1) through nested calls. C': R01 := R00 + (R00 - 1) + ... + 1 by recursion.
constexpr const char* kSubroutines = R"(
LBL A STO 10 SBR B SBR E' R/S
LBL B RCL 10 SBR C STO 11 SBR D INV SBR
LBL C X2 INV SBR
LBL D 1 SUM 11 RTN
LBL E' RCL 11 * 2 = INV SBR
LBL C' RCL 00 X<>T 0 EQ D'
RCL 00 SUM 01 1 INV SUM 00 SBR C'
LBL D' RTN
)";

// Sum of the squares of R10 to R19, walking down with RCL IND.
constexpr const char* kSquares = R"(
LBL A 0 STO 01 19 STO 00
LBL B RCL IND 00 X2 SUM 01
1 INV SUM 00
10 X<>T RCL 00 GE B        # again while the pointer is 10 or more
RCL 01 R/S
)";

// Asks for n with R/S, shows 1 + 2 + ... + n, then asks again.
constexpr const char* kAskAndSum = R"(
LBL A R/S STO 00 0 STO 01
LBL B RCL 00 SUM 01 DSZ 0 B
RCL 01 R/S GTO A
)";

void assemble(CalcEngine& engine, const char* source) {
    const AssembleResult result = assembleProgram(engine, source);
    ASSERT_TRUE(result.ok) << result.message;
    ASSERT_EQ(engine.mode, kCalculate);
}

void pressRunning(CalcEngine& engine, std::string_view keys) {
    for (const int code : test::keyCodes(keys))
        ASSERT_EQ(pressAndRun(engine, code, 1000000), RunOutcome::kDone) << keys;
}

void expectInteger(const DecNumber& value, std::int64_t expected, const std::string& label) {
    EXPECT_TRUE(value.isInteger()) << label << ": " << exactValue(value);
    EXPECT_EQ(value.toInteger(), expected) << label << ": " << exactValue(value);
}

TEST(Programs, FactorialLoop) {
    for (const int n : {1, 2, 5, 10, 13, 15}) {
        CalcEngine engine;
        assemble(engine, kFactorial);
        pressRunning(engine, std::to_string(n) + " A");
        std::int64_t factorial = 1;
        for (int k = 2; k <= n; ++k)
            factorial *= k;
        expectInteger(engine.displayValue(), factorial, std::to_string(n) + "!");
        EXPECT_EQ(engine.errorFlag, 0);
        EXPECT_TRUE(engine.registers[0].isZero());
    }
}

TEST(Programs, NestedSubroutines) {
    for (const int x : {0, 3, 12, 250}) {
        CalcEngine engine;
        assemble(engine, kSubroutines);
        pressRunning(engine, std::to_string(x) + " A");
        expectInteger(engine.displayValue(), 2 * (std::int64_t{x} * x + 1),
                      "x = " + std::to_string(x));
        EXPECT_EQ(engine.returnDepth, 1);  // A was called from the keyboard and stopped by R/S
        EXPECT_EQ(engine.errorFlag, 0);
    }
}

TEST(Programs, RecursionUpToTheLastLevel) {
    struct Row {
        int n;
        int error;  // n = 99 needs one level more than there is
    };
    for (const Row row : {Row{0, 0}, Row{1, 0}, Row{50, 0}, Row{98, 0}, Row{99, 1}}) {
        CalcEngine engine;
        assemble(engine, kSubroutines);
        pressRunning(engine, std::to_string(row.n) + " STO 00 0 STO 01 C'");
        expectInteger(engine.registers[1], std::int64_t{row.n} * (row.n + 1) / 2,
                      "n = " + std::to_string(row.n));
        EXPECT_EQ(engine.returnDepth, 0);
        EXPECT_EQ(engine.mode, kCalculate);
        EXPECT_EQ(engine.errorFlag, row.error) << row.n;
    }
}

TEST(Programs, IndirectRegisterTable) {
    CalcEngine engine;
    assemble(engine, kSquares);
    std::int64_t expected = 0;
    for (int i = 0; i < 10; ++i) {
        const int v = 3 * i - 7;
        engine.registers[static_cast<std::size_t>(10 + i)] = DecNumber::fromInt(v);
        expected += v * v;
    }
    engine.registers[20] = DecNumber::fromInt(1000);  // outside the table: must not count
    engine.registers[9] = DecNumber::fromInt(1000);
    pressRunning(engine, "A");
    expectInteger(engine.displayValue(), expected, "sum of squares");
    EXPECT_TRUE(engine.registers[0] == 9);
    EXPECT_EQ(engine.errorFlag, 0);
}

class CliPrograms : public test::TempFolderTest {
  protected:
    void SetUp() override {
        KORVELCE_SKIP_WITHOUT_CLI();
        TempFolderTest::SetUp();
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Writes source to NAME.src and assembles it into NAME.kv; returns the .kv path.
    std::string assembleFile(const std::string& name, const char* source) {
        std::ofstream(path(name + ".src")) << source;
        EXPECT_EQ(test::runCli("asm '" + path(name + ".src") + "' -o '" + path(name + ".kv") + "'")
                      .status,
                  0);
        return path(name + ".kv");
    }
};

TEST_F(CliPrograms, FactorialFromProgramFile) {
    const std::string program = assembleFile("factorial", kFactorial);
    const test::CliRun result = test::runCli("--load '" + program + "' 10 A");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "3628800.\n");
}

TEST_F(CliPrograms, LoopCountFromTheUser) {
    const std::string program = assembleFile("ask", kAskAndSum);
    struct Row {
        const char* keys;
        const char* display;
    };
    const Row rows[] = {
        {"A", "0\n"},  // stops at once, waiting for n
        {"A 10 R/S", "55.\n"},
        {"A 10 R/S R/S 100 R/S", "5050.\n"},
        {"A 1 R/S R/S 4 R/S R/S 7 R/S", "28.\n"},
    };
    for (const auto& row : rows) {
        const test::CliRun result = test::runCli("--load '" + program + "' " + row.keys);
        EXPECT_EQ(result.status, 0) << row.keys;
        EXPECT_EQ(result.out, row.display) << row.keys;
    }
}

TEST_F(CliPrograms, EndlessLoopHitsTheStepLimit) {
    const std::string endless = assembleFile("endless", "LBL A 1 SUM 00 GTO A\n");
    EXPECT_EQ(test::runCli("--load '" + endless + "' --max-steps 1000 A").status, 3);
    const std::string finite = assembleFile("finite", kFactorial);
    EXPECT_EQ(test::runCli("--load '" + finite + "' --max-steps 1000 5 A").status, 0);
    EXPECT_EQ(test::runCli("--load '" + finite + "' --max-steps 10 5 A").status, 3);
}

}  // namespace
}  // namespace korvelce
