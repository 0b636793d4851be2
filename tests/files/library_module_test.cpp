// Library modules: the layout, loading over banks that already hold programs, damaged modules,
// and the library programs themselves, run with their documented examples.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/module_resources.h"
#include "files/program_source.h"
#include "support/cli_process.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kRunLimit = 1000000;

std::vector<std::uint8_t> steps(std::size_t count, int first) {
    std::vector<std::uint8_t> program(count);
    for (std::size_t i = 0; i < count; ++i)
        program[i] = static_cast<std::uint8_t>((first + static_cast<int>(i)) % 100);
    return program;
}

std::vector<std::uint8_t> header(const std::vector<int>& lengths) {
    std::vector<std::uint8_t> bytes(kModuleHeaderBytes, 0);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(lengths[i]));
        bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
}

void append(std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

TEST(LibraryModule, BuildWritesLengthsThenPrograms) {
    const std::vector<std::uint8_t> bytes =
        buildModule({steps(3, 10), {}, steps(300, 0), steps(1200, 5)});
    std::vector<std::uint8_t> want = header({3, 0, 300, 1000});
    append(want, steps(3, 10));
    append(want, steps(300, 0));
    append(want, steps(1000, 5));  // cut at the size of a bank
    EXPECT_EQ(bytes, want);
}

TEST(LibraryModule, LoadCopiesEachProgramToTheStartOfItsBank) {
    std::vector<std::vector<std::uint8_t>> programs;
    for (int k = 0; k < 25; ++k)
        programs.push_back(steps(static_cast<std::size_t>(k * 40), k));
    programs[24] = steps(1000, 77);
    CalcEngine engine;
    const ModuleLoadResult result = loadLibraryModule(engine, buildModule(programs));
    EXPECT_TRUE(result.intact) << result.problem;
    for (std::size_t k = 0; k < 25; ++k) {
        const ProgramBank& bank = engine.programMemory[k + 1];
        EXPECT_TRUE(std::equal(programs[k].begin(), programs[k].end(), bank.begin())) << k + 1;
        EXPECT_TRUE(std::all_of(bank.begin() + static_cast<std::ptrdiff_t>(programs[k].size()),
                                bank.end(), [](std::uint8_t s) { return s == 0; }))
            << k + 1;
    }
    EXPECT_TRUE(std::all_of(engine.programMemory[0].begin(), engine.programMemory[0].end(),
                            [](std::uint8_t s) { return s == 0; }));
}

// The second module's shorter programs and empty slots leave the first module's steps behind.
TEST(LibraryModule, LaterModuleKeepsTailsAndEmptySlots) {
    std::vector<std::vector<std::uint8_t>> first(25, steps(50, 1));
    std::vector<std::vector<std::uint8_t>> second(21, steps(20, 60));
    CalcEngine engine;
    loadLibraryModule(engine, buildModule(first));
    loadLibraryModule(engine, buildModule(second));
    for (std::size_t k = 1; k <= 21; ++k) {
        EXPECT_EQ(engine.programMemory[k][0], 60) << k;
        EXPECT_EQ(engine.programMemory[k][19], 79) << k;
        EXPECT_EQ(engine.programMemory[k][20], 21) << k;  // step 20 of the first module
        EXPECT_EQ(engine.programMemory[k][49], 50) << k;
    }
    for (std::size_t k = 22; k <= 25; ++k) {
        EXPECT_EQ(engine.programMemory[k][0], 1) << k;
        EXPECT_EQ(engine.programMemory[k][49], 50) << k;
    }
}

TEST(LibraryModule, DamagedModulesNeverReadPastTheirBytes) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool intact;
        // Expected start of banks 1 and 2 (banks start filled with 9s).
        std::vector<std::uint8_t> bank1;
        std::vector<std::uint8_t> bank2;
    };
    auto module = [](const std::vector<int>& lengths, const std::vector<std::uint8_t>& body) {
        std::vector<std::uint8_t> bytes = header(lengths);
        append(bytes, body);
        return bytes;
    };
    const std::vector<std::uint8_t> body = steps(1300, 0);
    const Case cases[] = {
        {"0 bytes", {}, false, {9, 9}, {9, 9}},
        {"1 byte", {5}, false, {9, 9}, {9, 9}},
        {"49 bytes", std::vector<std::uint8_t>(49, 0), false, {9, 9}, {9, 9}},
        {"header only, empty", header({}), true, {9, 9}, {9, 9}},
        {"header only, lengths", header({5, 5}), false, {9, 9}, {9, 9}},
        // A negative length is an empty slot: program 2 starts right after the header.
        {"negative length", module({-5, 3}, steps(3, 40)), false, {9, 9}, {40, 41, 42, 9}},
        {"length -32768", module({-32768, 2}, steps(2, 70)), false, {9, 9}, {70, 71, 9}},
        // Above 1000: the program spans all its bytes, only the first 1000 are copied.
        {"1200 steps", module({1200, 2}, body), false, {0, 1, 2}, {0, 1, 9}},
        // Cut short: copied as far as it goes; the later slots stay as they were.
        {"cut short", module({10, 2}, steps(4, 30)), false, {30, 31, 32, 33, 9}, {9, 9}},
        {"second cut", module({2, 10}, steps(5, 30)), false, {30, 31, 9}, {32, 33, 34, 9}},
    };
    for (const auto& c : cases) {
        CalcEngine engine;
        for (auto& bank : engine.programMemory)
            bank.fill(9);
        const ModuleLoadResult result = loadLibraryModule(engine, c.bytes);
        EXPECT_EQ(result.intact, c.intact) << c.name;
        EXPECT_EQ(result.problem.empty(), c.intact) << c.name;
        for (std::size_t i = 0; i < c.bank1.size(); ++i)
            EXPECT_EQ(engine.programMemory[1][i], c.bank1[i]) << c.name << " bank 1 step " << i;
        for (std::size_t i = 0; i < c.bank2.size(); ++i)
            EXPECT_EQ(engine.programMemory[2][i], c.bank2[i]) << c.name << " bank 2 step " << i;
        EXPECT_TRUE(std::all_of(engine.programMemory[0].begin(), engine.programMemory[0].end(),
                                [](std::uint8_t s) { return s == 9; }))
            << c.name;
    }
    // The 1200-step program: steps 1000 to 1199 are skipped, not copied into bank 2.
    CalcEngine engine;
    loadLibraryModule(engine, module({1200, 2}, body));
    EXPECT_EQ(engine.programMemory[1][999], 99);
    EXPECT_EQ(engine.programMemory[2][0], 0);  // body[1200] = 1200 % 100
}

// --- the built-in modules ---

std::vector<int> lengthsOf(std::span<const std::uint8_t> bytes) {
    std::vector<int> lengths;
    for (std::size_t i = 0; i < 25; ++i)
        lengths.push_back(static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return lengths;
}

TEST(LibraryModule, BuiltInModulesAreWellFormed) {
    struct Case {
        int identifier;
        int slots;  // programs 1 .. slots may be used; the rest are empty
    };
    for (const Case c : {Case{kMasterModule, 25}, Case{kMathsModule, 21}}) {
        const auto bytes = moduleResource(c.identifier);
        ASSERT_TRUE(bytes.has_value()) << c.identifier;
        const std::vector<int> lengths = lengthsOf(*bytes);
        std::size_t total = kModuleHeaderBytes;
        for (int k = 0; k < 25; ++k) {
            EXPECT_GE(lengths[static_cast<std::size_t>(k)], 0);
            EXPECT_LE(lengths[static_cast<std::size_t>(k)], 1000);
            if (k >= c.slots) {
                EXPECT_EQ(lengths[static_cast<std::size_t>(k)], 0) << k + 1;
            }
            total += static_cast<std::size_t>(lengths[static_cast<std::size_t>(k)]);
        }
        EXPECT_EQ(bytes->size(), total) << c.identifier;
        EXPECT_GT(lengths[0], 0) << c.identifier;
        CalcEngine engine;
        EXPECT_TRUE(loadLibraryModule(engine, *bytes).intact);
    }
    EXPECT_FALSE(moduleResource(111).has_value());
    EXPECT_FALSE(moduleResource(0).has_value());
}

// The window names a library program by its module and title: the first line of the comment
// block of its source file.
TEST(LibraryModule, ProgramTitlesComeFromTheirSources) {
    const std::pair<int, const char*> modules[] = {{kMasterModule, "master"},
                                                   {kMathsModule, "maths"}};
    EXPECT_EQ(moduleName(kMasterModule), "Master");
    EXPECT_EQ(moduleName(kMathsModule), "Maths / Utilities");
    EXPECT_TRUE(moduleName(111).empty());
    for (const auto& [identifier, folder] : modules) {
        int titled = 0;
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(KORVELCE_LIBRARY_SOURCES) / folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() != ".kvs") continue;
            const int slot = std::stoi(name.substr(0, 2));
            std::ifstream in(entry.path());
            std::string first;
            std::getline(in, first);
            ASSERT_EQ(first.rfind("# ", 0), 0u) << name;
            first.erase(0, 2);
            while (!first.empty() && (first.back() == ' ' || first.back() == '\r'))
                first.pop_back();
            EXPECT_EQ(moduleProgramTitle(identifier, slot), first) << name;
            ++titled;
        }
        EXPECT_GE(titled, 21) << folder;
        EXPECT_TRUE(moduleProgramTitle(identifier, 0).empty());
        EXPECT_TRUE(moduleProgramTitle(identifier, 26).empty());
    }
    EXPECT_TRUE(moduleProgramTitle(kMathsModule, 22).empty()) << "an empty slot has no title";
    EXPECT_TRUE(moduleProgramTitle(111, 1).empty());
}

TEST(LibraryModule, MathsAfterMasterKeepsTheTailOfLongerPrograms) {
    const auto master = moduleResource(kMasterModule);
    const auto maths = moduleResource(kMathsModule);
    ASSERT_TRUE(master && maths);
    CalcEngine engine;
    loadLibraryModule(engine, *master);
    const std::array<ProgramBank, kBanks> afterMaster = engine.programMemory;
    loadLibraryModule(engine, *maths);
    const std::vector<int> lengths = lengthsOf(*maths);
    for (std::size_t k = 1; k <= 25; ++k) {
        const auto length = static_cast<std::size_t>(lengths[k - 1]);
        for (std::size_t s = length; s < static_cast<std::size_t>(kSteps); ++s) {
            if (engine.programMemory[k][s] != afterMaster[k][s]) {
                ADD_FAILURE() << "bank " << k << " step " << s << " changed";
                break;
            }
        }
    }
}

// Runs keys on an engine with the module loaded, programs running to their end.
void run(CalcEngine& engine, std::string_view tokens) {
    for (const int code : test::keyCodes(tokens))
        ASSERT_EQ(pressAndRun(engine, code, kRunLimit), RunOutcome::kDone) << tokens;
}

std::unique_ptr<CalcEngine> withModule(int identifier) {
    auto engine = std::make_unique<CalcEngine>();
    const auto bytes = moduleResource(identifier);
    EXPECT_TRUE(bytes.has_value());
    if (bytes) loadLibraryModule(*engine, *bytes);
    return engine;
}

double valueOf(const DecNumber& number) {
    return number.toDouble();
}

// The documented examples, with the answers from mathematics.
TEST(LibraryPrograms, DocumentedExamples) {
    struct Case {
        int module;
        const char* keys;
        double want;
        double tolerance;  // relative, or absolute when want is 0
    };
    const Case cases[] = {
        {kMasterModule, "PGM 01 A", 1, 0},
        {kMasterModule, "RST PGM 01 R/S", 1, 0},
        {kMathsModule, "PGM 01 5 A", 24, 1e-11},
        {kMathsModule, "PGM 01 1 A", 1, 1e-11},
        {kMathsModule, "PGM 01 2 A", 1, 1e-11},
        {kMathsModule, "PGM 01 4.5 A", 11.631728396567448929, 1e-10},
        {kMathsModule, "PGM 01 .5 A", 1.7724538509055160273, 1e-10},       // sqrt(pi)
        {kMathsModule, "PGM 01 .5 +/- A", -3.5449077018110320546, 1e-10},  // -2 sqrt(pi)
        {kMathsModule, "PGM 01 70 A", 1.7112245242814131137e98, 1e-10},    // 69!
        {kMathsModule, "PGM 01 10 B", 12.801827480081469611, 1e-10},       // ln 9!
        {kMathsModule, "PGM 01 100 B", 359.13420536957539878, 1e-10},      // ln 99!
        {kMathsModule, "PGM 01 1000 B", 5905.2204232091812118, 1e-10},     // ln 999!
        {kMathsModule, "PGM 01 1.5 B", -0.12078223763524522234, 1e-10},    // ln(sqrt(pi)/2)
        {kMathsModule, "PGM 01 1 B", 0, 5e-12},
        {kMathsModule, "PGM 01 2 B", 0, 5e-12},
    };
    for (const auto& c : cases) {
        auto engine = withModule(c.module);
        run(*engine, c.keys);
        EXPECT_EQ(engine->mode, kCalculate) << c.keys;
        EXPECT_EQ(engine->errorFlag, 0) << c.keys;
        EXPECT_EQ(engine->returnDepth, 0) << c.keys;  // the program returned
        const double got = valueOf(engine->displayValue());
        const double error =
            c.want == 0 ? std::abs(got) : std::abs(got - c.want) / std::abs(c.want);
        EXPECT_LE(error, c.tolerance) << c.keys << " gave " << got;
    }
}

TEST(LibraryPrograms, GammaOverflowsBeyondTheRange) {
    auto engine = withModule(kMathsModule);
    run(*engine, "PGM 01 70.96 A");  // Gamma(70.96) = 1.0104e100
    EXPECT_EQ(engine->displayText(), "9.9999999 99");
    EXPECT_EQ(engine->errorFlag, 1);
}

// Library programs write only the registers their description names, keep user memory and
// flags, and serve as subroutines of user programs.
TEST(LibraryPrograms, TouchOnlyDocumentedRegisters) {
    struct Case {
        int module;
        const char* keys;
        int firstRegister;  // documented work registers
        int lastRegister;
    };
    const Case cases[] = {
        {kMasterModule, "PGM 01 A", 1, 9},
        {kMathsModule, "PGM 01 4.5 A", 1, 5},
        {kMathsModule, "PGM 01 3.7 B", 1, 5},
        {kMathsModule, "PGM 01 170 B", 1, 5},
    };
    for (const auto& c : cases) {
        auto engine = withModule(c.module);
        const DecNumber sentinel = DecNumber::fromRaw(4242424242424, -3);
        for (auto& value : engine->registers)
            value = sentinel;
        for (std::size_t s = 0; s < 1000; ++s)
            engine->programMemory[0][s] = static_cast<std::uint8_t>(s % 7 == 0 ? 68 : 0);
        const ProgramBank user = engine->programMemory[0];
        run(*engine, "STF 0 STF 1 STF 2 STF 5 STF 9");
        run(*engine, c.keys);
        for (int r = 0; r < kRegisters; ++r) {
            if (r >= c.firstRegister && r <= c.lastRegister) continue;
            EXPECT_EQ(engine->registers[static_cast<std::size_t>(r)], sentinel)
                << c.keys << " R" << r;
        }
        EXPECT_EQ(engine->programMemory[0], user) << c.keys;
        const std::array<int, kFlags> flags = {1, 1, 1, 0, 0, 1, 0, 0, 0, 1};
        EXPECT_EQ(engine->userFlags, flags) << c.keys;
    }
}

TEST(LibraryPrograms, CalledFromAUserProgram) {
    struct Case {
        int module;
        const char* source;  // user program; its label A is pressed
        double want;
    };
    const Case cases[] = {
        {kMasterModule, "LBL A PGM 01 SBR A + 1 = INV SBR", 2},
        {kMathsModule, "LBL A 4 PGM 01 SBR A * 2 = INV SBR", 12},  // 2 Gamma(4)
        {kMathsModule, "LBL A 3 PGM 01 SBR A SBR B INV SBR LBL B + 1 = INV SBR", 3},
    };
    for (const auto& c : cases) {
        auto engine = withModule(c.module);
        ASSERT_TRUE(assembleProgram(*engine, c.source).ok) << c.source;
        run(*engine, "A");
        EXPECT_EQ(engine->mode, kCalculate);
        EXPECT_EQ(engine->returnDepth, 0) << c.source;
        EXPECT_NEAR(valueOf(engine->displayValue()), c.want, 1e-9) << c.source;
    }
}

// The self-test must notice each kind of fault: keyed with one expected value changed, it
// shows minus the number of that check.
TEST(LibraryPrograms, SelfTestReportsTheFailingCheck) {
    const fs::path source = fs::path(__FILE__).parent_path().parent_path().parent_path() /
                            "resources" / "modules" / "master" / "01-self-test.kvs";
    std::ifstream in(source);
    ASSERT_TRUE(in) << source;
    std::stringstream text;
    text << in.rdbuf();
    const std::string original = text.str();
    struct Case {
        const char* from;
        const char* to;
        int failing;
    };
    const Case cases[] = {
        {"6 / 3 - 18 =", "6 / 3 - 17 =", 1},
        {"RCL 04 - 39 =", "RCL 04 - 38 =", 2},
        {"RCL IND 05 - .5", "RCL IND 05 - .6", 4},
        {"PRT - 720 =", "PRT - 721 =", 5},
        {"IFF 3 TAN", "INV IFF 3 TAN", 6},
        {"- 1024 =", "- 1023 =", 7},
        {"OP 10 + 1 =", "OP 10 + 2 =", 8},
        {"COS X^2 - 1 =", "COS X^2 - 1.00000001 =", 10},
        {"LOG - 3 +", "LOG - 3.0001 +", 13},
        {"INV Y^X 3 - 3 =", "INV Y^X 3 - 2 =", 14},
        {"", "", 0},  // unchanged: passes
    };
    for (const auto& c : cases) {
        std::string changed = original;
        if (*c.from != '\0') {
            // In the program, not in the description above it.
            const std::size_t at = changed.find(c.from, changed.find("\nLBL A"));
            ASSERT_NE(at, std::string::npos) << c.from;
            changed.replace(at, std::string(c.from).size(), c.to);
        }
        CalcEngine engine;
        ASSERT_TRUE(assembleProgram(engine, changed).ok) << c.to;
        run(engine, "A");
        EXPECT_EQ(engine.displayValue(), DecNumber::fromInt(c.failing == 0 ? 1 : -c.failing))
            << c.to;
    }
}

// --- korvelce-cli --module ---

using test::CliRun;
using test::runCli;

TEST(LibraryModuleCli, ModuleOption) {
    KORVELCE_SKIP_WITHOUT_CLI();
    struct Case {
        const char* args;
        int status;
        const char* output;  // whole output when status is 0, else a fragment
    };
    const Case cases[] = {
        {"--module 110 PGM 01 A", 0, "1.\n"},
        {"--module 128 PGM 01 5 A", 0, "24.\n"},
        {"--module 128 --printer - PGM 01 4.5 A PRT", 0, "  11.6317284 \n11.6317284\n"},
        {"PGM 01 5 A", 0, "5\n"},  // no module: no label A anywhere, the error is raised
        {"--module 111 1", 2, "unknown module '111'"},
        {"--module 128x 1", 2, "unknown module '128x'"},
        {"--module", 2, "--module needs a module number"},
    };
    for (const auto& c : cases) {
        const CliRun result = runCli(c.args);
        EXPECT_EQ(result.status, c.status) << c.args << "\n" << result.all();
        if (c.status == 0)
            EXPECT_EQ(result.all(), c.output) << c.args;
        else
            EXPECT_NE(result.all().find(c.output), std::string::npos) << c.args << "\n"
                                                                      << result.all();
    }
}

}  // namespace
}  // namespace korvelce
