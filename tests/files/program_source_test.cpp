// Program source text: raw steps in the assembler, the disassembler's text for small programs,
// and the round trip (disassemble, assemble, the same 1000 steps) for programs keyed in learn
// mode, for arbitrary byte images and for every library program.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/module_resources.h"
#include "files/program_source.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

ProgramBank bankOf(const std::vector<int>& steps, int first = 0) {
    ProgramBank bank{};
    for (std::size_t i = 0; i < steps.size(); ++i)
        bank[static_cast<std::size_t>(first) + i] = static_cast<std::uint8_t>(steps[i]);
    return bank;
}

// The program memory the text keys into a fresh engine, or the assembler's message.
struct Assembled {
    ProgramBank bank{};
    AssembleResult result;
};

Assembled assemble(const std::string& text) {
    const auto engine = std::make_unique<CalcEngine>();
    Assembled out;
    out.result = assembleProgram(*engine, text);
    out.bank = engine->programMemory[0];
    return out;
}

std::string firstDifference(const ProgramBank& a, const ProgramBank& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return "step " + std::to_string(i) + ": " + std::to_string(a[i]) + " became " +
                   std::to_string(b[static_cast<std::size_t>(i)]);
    return "none";
}

// Disassembles, assembles the text and expects the very same steps; returns the text.
std::string expectRoundTrip(const ProgramBank& bank, const std::string& name) {
    std::string text = disassembleProgram(bank);
    const Assembled back = assemble(text);
    EXPECT_TRUE(back.result.ok) << name << ": " << back.result.message << "\n" << text;
    EXPECT_EQ(back.bank, bank) << name << ": " << firstDifference(bank, back.bank) << "\n" << text;
    return text;
}

// One line of disassembled text: the instructions, then the address of the first step.
std::string line(const std::string& code, int step) {
    std::string text = code;
    text.append(text.size() < 50 ? 50 - text.size() : 2, ' ');
    const std::string address = std::to_string(step);
    return text + "# " + std::string(3 - address.size(), '0') + address + "\n";
}

TEST(ProgramSource, RawStepsAreStoredAsTheyAre) {
    struct Case {
        const char* source;
        std::vector<int> steps;
    };
    const Case cases[] = {
        {"@42 @150 @5 @005 @255", {42, 150, 5, 5, 255}},
        // A raw step opens no operand: the digits after it are keys of their own.
        {"@42 12 @61 A", {42, 1, 2, 61, 11}},
        // It ends an operand that waits for its first digit, or for IND's digits.
        {"STO @150 12 GTO @11 SBR IND @200 34 STF @31",
         {42, 150, 1, 2, 61, 11, 71, 40, 200, 3, 4, 86, 31}},
        {"IFF 3 @250 LBL @41", {87, 3, 250, 76, 41}},
        // A raw 22 is not the INV key: SBR after it stays SBR, and the INV key still works.
        {"INV @22 SBR 012 INV SBR", {22, 22, 71, 0, 12, 92}},
        // Edit and mode keys are only steps when written raw.
        {"@31 @41 @46 @51 @56 @20 @27", {31, 41, 46, 51, 56, 20, 27}},
    };
    for (const Case& c : cases) {
        const Assembled out = assemble(c.source);
        EXPECT_TRUE(out.result.ok) << c.source << ": " << out.result.message;
        EXPECT_EQ(out.bank, bankOf(c.steps))
            << c.source << ": " << firstDifference(bankOf(c.steps), out.bank);
    }
}

TEST(ProgramSource, BadRawStepsAreReported) {
    struct Case {
        const char* source;
        const char* message;
        bool keyed;  // found while keying; other faults are found before anything is keyed
    };
    const Case cases[] = {
        {"1 +\n@256", "line 2: raw step '@256' is above 255", false},
        {"@999", "line 1: raw step '@999' is above 255", false},
        {"@1234", "line 1: unknown key token '@1234'", false},
        {"@ 1", "line 1: unknown key token '@'", false},
        {"@x1", "line 1: unknown key token '@x1'", false},
        {"LBL A\nGTO 1 @5", "line 2: raw step '@5' inside an operand being typed", true},
        {"STO 1 @5", "line 1: raw step '@5' inside an operand being typed", true},
        {"IFF 3 12 @5", "line 1: raw step '@5' inside an operand being typed", true},
    };
    for (const Case& c : cases) {
        const auto engine = std::make_unique<CalcEngine>();
        test::press(*engine, "7 STO 05");
        const AssembleResult result = assembleProgram(*engine, c.source);
        EXPECT_FALSE(result.ok) << c.source;
        EXPECT_NE(result.message.find(c.message), std::string::npos)
            << c.source << ": " << result.message;
        if (!c.keyed) {
            EXPECT_EQ(engine->programMemory[0], ProgramBank{}) << c.source;
            EXPECT_EQ(engine->mode, kCalculate) << c.source;
        }
    }
}

TEST(ProgramSource, RawStepAtTheLastAddressEndsTheProgram) {
    std::string source;
    for (int i = 0; i < 999; ++i)
        source += "NOP ";
    const Assembled fits = assemble(source + "@150");
    EXPECT_TRUE(fits.result.ok) << fits.result.message;
    EXPECT_EQ(fits.bank[999], 150);
    const Assembled over = assemble(source + "@150 @1");
    EXPECT_FALSE(over.result.ok);
    EXPECT_NE(over.result.message.find("does not fit in 1000 steps"), std::string::npos);
}

TEST(ProgramSource, DisassembledTextOfSmallPrograms) {
    struct Case {
        const char* name;
        std::vector<int> steps;
        std::string text;
    };
    const Case cases[] = {
        {"empty", {}, ""},
        {"labels start lines, R/S ends one",
         {76, 11, 42, 0, 1, 42, 1, 76, 12, 43, 0, 49, 1, 97, 0, 12, 43, 1, 91, 85},
         line("LBL A STO 00 1 STO 01", 0) + line("LBL B RCL 00 PRD 01 DSZ 0 B RCL 01 R/S", 7) +
             line("+", 19)},
        {"numbers, aliases and zeros inside the program",
         {1, 2, 93, 5, 33, 65, 0, 0, 94, 95, 0, 0, 32},
         line("12.5 X^2 * 00 +/- = 00 X<->T", 0)},
        {"addresses, labels and indirect forms",
         {61, 1, 23, 71, 10, 67, 0, 5, 77, 40, 12, 83, 25, 72, 7, 62, 3, 84, 2},
         line("GTO 123 SBR E' EQ 005 GE IND 12 GTO IND 25", 0) +
             line("STO IND 07 PGM IND 03 OP IND 02", 13)},
        {"flags, DSZ and FIX",
         {86, 3, 87, 1, 2, 45, 97, 40, 5, 14, 87, 9, 40, 0, 58, 2, 58, 40, 3, 22, 58, 7},
         line("STF 3 IFF 1 245 DSZ IND 05 D IFF 9 IND 00 FIX 2", 0) +
             line("FIX IND 03 INV FIX 7", 16)},
        {"labels and operands that look like instructions",
         {76, 42, 76, 5, 61, 85, 42, 61, 44, 40, 71, 92, 86, 85},
         line("LBL STO", 0) + line("LBL 5 GTO + STO 61 SUM 40 SBR RTN STF +", 2)},
        {"steps no key stores, and operands that cannot be typed",
         {82, 13, 150, 20, 31, 42, 150, 61, 0, 200, 22, 71, 0, 12},
         line("HIR @13 @150 @20 @31 STO @150 GTO @00 @200", 0) + line("INV @71 @00 @12", 10)},
    };
    for (const Case& c : cases) {
        const ProgramBank bank = bankOf(c.steps);
        EXPECT_EQ(disassembleProgram(bank), c.text) << c.name;
        expectRoundTrip(bank, c.name);
    }
}

TEST(ProgramSource, InstructionsCutShortByTheEndOfMemory) {
    struct Case {
        std::vector<int> steps;  // placed so that the last one is step 999
        const char* last;        // the end of the text's last line of code
    };
    const Case cases[] = {
        {{42}, "STO"},         {{61, 1}, "GTO @01"}, {{76}, "LBL"}, {{87, 3, 0}, "IFF @03 @00"},
        {{95, 150}, "= @150"}, {{72}, "STO*"},
    };
    for (const Case& c : cases) {
        const ProgramBank bank = bankOf(c.steps, kSteps - static_cast<int>(c.steps.size()));
        const std::string text = expectRoundTrip(bank, c.last);
        const std::string lastLine = text.substr(text.rfind('\n', text.size() - 2) + 1);
        const std::string code =
            lastLine.substr(0, lastLine.find_last_not_of(' ', lastLine.find('#') - 1) + 1);
        EXPECT_EQ(code.substr(code.size() - std::string(c.last).size()), c.last) << text;
    }
}

// --- property tests ---

const int kOperandKeys[] = {key::kPgm, key::kSto, key::kRcl, key::kSum,
                            key::kExc, key::kPrd, key::kOp};
const int kBranchKeys[] = {key::kGto, key::kSbr, key::kEq, key::kGe};

bool isEditKey(int code) {
    return code == key::kLrn || code == key::kSst || code == key::kIns || code == key::kBst ||
           code == key::kDel;
}

// Keys a learn-mode user presses for whole instructions, in every stored form: operands typed
// in full or cut short by the next key, IND (merged or stored), three-digit addresses, labels
// of every kind, INV FIX and INV SBR. Keys on the face only; no editing.
class InstructionKeys {
  public:
    explicit InstructionKeys(unsigned seed) : random_(seed) {}

    std::vector<int> next() {
        std::vector<int> keys = instruction();
        // After INV SBR an SBR key still finds the INV it replaced and is not stored.
        while (afterReturn_ && keys.front() == key::kSbr)
            keys = instruction();
        afterReturn_ = keys == std::vector<int>{key::kInv, key::kSbr};
        return keys;
    }

  private:
    std::vector<int> instruction() {
        std::vector<int> keys;
        switch (pick(10)) {
            case 0:
            case 1:
                keys.push_back(plainKey());
                break;
            case 2:
                keys.push_back(kOperandKeys[pick(7)]);
                operand(keys, 2, true);
                // A running program reads PGM's 40 as IND, so PGM 40 cannot be written so.
                if (keys.size() == 3 && keys[0] == key::kPgm && keys[1] == 4 && keys[2] == 0)
                    keys[2] = 1;
                break;
            case 3:
                keys.push_back(kBranchKeys[pick(4)]);
                target(keys);
                break;
            case 4:
                keys = {key::kLbl, labelKey(true)};
                break;
            case 5:
                keys = {key::kStf, pick(10)};
                break;
            case 6:
                keys.push_back(pick(2) == 0 ? key::kIff : key::kDsz);
                operand(keys, 1, true, false);
                target(keys);
                break;
            case 7:
                keys.push_back(key::kFix);
                operand(keys, 1, true);
                break;
            case 8:
                keys = {key::kInv, pick(3) == 0 ? key::kFix : key::kSbr};
                break;
            default:
                for (int n = 1 + pick(4); n > 0; --n)
                    keys.push_back(pick(6) == 0 ? key::kPoint : pick(10));
                break;
        }
        return keys;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // A key stored as one step: not an operand key, not an editing key, not a stored form.
    int plainKey() {
        for (;;) {
            const int code = 10 + pick(90);
            const bool operandKey = code == key::kPgm || takesTwoDigitOperand(code) ||
                                    code == key::kGto || code == key::kSbr || code == key::kEq ||
                                    code == key::kGe || code == key::kLbl || code == key::kStf ||
                                    code == key::kIff || code == key::kDsz || code == key::kFix;
            const bool storedOnly = unmergedCode(code) != kNoMerge || code == key::kHir;
            const bool noName = code == 20 || code == 21 || code == 26 || code == 27;
            if (!operandKey && !storedOnly && !noName && !isEditKey(code)) return code;
        }
    }

    // Any key a label may be: also operand keys, IND and (after LBL) digits.
    int labelKey(bool digits) {
        for (;;) {
            const int code = pick(100);
            if (isEditKey(code) || code == 20 || code == 21 || code == 26 || code == 27) continue;
            if (!digits && (code < 10 || code == key::kInd)) continue;
            if (unmergedCode(code) != kNoMerge || code == key::kHir) continue;
            return code;
        }
    }

    // Up to `width` digits, IND first or not; a short operand is ended by a key of its own
    // (not after IFF's or DSZ's flag or register, where that key would be the label).
    void operand(std::vector<int>& keys, int width, bool ind, bool shortAllowed = true) {
        if (ind && pick(3) == 0) {
            keys.push_back(key::kInd);
            width = 2;
        }
        const int typed = shortAllowed && pick(3) == 0 ? 1 + pick(width) : width;
        for (int i = 0; i < typed; ++i)
            keys.push_back(pick(10));
        if (typed < width) keys.push_back(plainKey());
    }

    // An address, a label or IND and a register.
    void target(std::vector<int>& keys) {
        if (pick(3) == 0)
            keys.push_back(labelKey(false));
        else
            operand(keys, 3, true);
    }

    std::mt19937 random_;
    bool afterReturn_ = false;
};

// A fresh engine in learn mode with the keys pressed until memory is full; full tells which.
ProgramBank keyedBank(const std::vector<int>& keys, bool* full = nullptr) {
    const auto engine = std::make_unique<CalcEngine>();
    test::press(*engine, "RST LRN");
    for (const int code : keys) {
        if (engine->mode != kLearn) break;
        engine->pressKey(code);
    }
    if (full != nullptr) *full = engine->mode != kLearn;
    return engine->programMemory[0];
}

TEST(ProgramSourceRoundTrip, ProgramsKeyedInLearnModeComeBackAsKeys) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        InstructionKeys generator(seed);
        std::vector<int> keys;
        const int instructions = seed % 10 == 0 ? 600 : 5 + static_cast<int>(seed % 60);
        for (int i = 0; i < instructions; ++i) {
            const std::vector<int> more = generator.next();
            keys.insert(keys.end(), more.begin(), more.end());
        }
        const std::string name = "seed " + std::to_string(seed);
        bool full = false;
        const ProgramBank bank = keyedBank(keys, &full);
        const std::string text = expectRoundTrip(bank, name);
        // Whole instructions come back as keys; only the end of memory may cut one short.
        if (!full) {
            EXPECT_EQ(text.find('@'), std::string::npos) << name << "\n" << text;
        }
    }
}

TEST(ProgramSourceRoundTrip, AnyKeysInLearnModeIncludingEditing) {
    std::mt19937 random(7);
    for (int program = 0; program < 300; ++program) {
        std::vector<int> keys;
        const int count = 1 + std::uniform_int_distribution<int>(0, 1200)(random);
        for (int i = 0; i < count; ++i) {
            int code = std::uniform_int_distribution<int>(0, 99)(random);
            if (code == key::kLrn) code = key::kInv;  // LRN would end the keying
            keys.push_back(code);
        }
        expectRoundTrip(keyedBank(keys), "program " + std::to_string(program));
    }
}

TEST(ProgramSourceRoundTrip, ArbitraryByteImages) {
    std::mt19937 random(11);
    struct Kind {
        const char* name;
        int largest;     // bytes 0 .. largest
        int zeroChance;  // in percent: runs of zero steps between the others
    };
    const Kind kinds[] = {
        {"codes 0..99", 99, 0},
        {"codes 0..99 with zero runs", 99, 60},
        {"bytes 0..255", 255, 0},
        {"bytes 0..255 with zero runs", 255, 60},
        {"operand keys and small numbers", -1, 0},
    };
    const std::vector<int> dense = {key::kSto, key::kGto, key::kSbr, key::kIff, key::kDsz,
                                    key::kLbl, key::kInd, key::kFix, key::kInv, key::kHir,
                                    key::kStf, 83,        72,        0,         1,
                                    9,         10,        99,        150};
    for (const Kind& kind : kinds) {
        for (int image = 0; image < 200; ++image) {
            ProgramBank bank{};
            // Half the images fill memory to its last step.
            const int length =
                image % 2 == 0 ? kSteps : std::uniform_int_distribution<int>(1, 999)(random);
            for (int s = 0; s < length; ++s) {
                if (std::uniform_int_distribution<int>(0, 99)(random) < kind.zeroChance) continue;
                const int value = kind.largest < 0
                                      ? dense[std::uniform_int_distribution<std::size_t>(
                                            0, dense.size() - 1)(random)]
                                      : std::uniform_int_distribution<int>(0, kind.largest)(random);
                bank[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(value);
            }
            expectRoundTrip(bank, std::string(kind.name) + " #" + std::to_string(image));
        }
    }
}

TEST(ProgramSourceRoundTrip, EveryLibraryProgram) {
    int programs = 0;
    for (const int module : {kMasterModule, kMathsModule}) {
        const auto bytes = moduleResource(module);
        ASSERT_TRUE(bytes.has_value()) << module;
        const auto engine = std::make_unique<CalcEngine>();
        ASSERT_TRUE(loadLibraryModule(*engine, *bytes).intact) << module;
        for (int bank = 1; bank <= 25; ++bank) {
            const ProgramBank& steps = engine->programMemory[static_cast<std::size_t>(bank)];
            if (steps == ProgramBank{}) continue;
            ++programs;
            const std::string name =
                "module " + std::to_string(module) + " program " + std::to_string(bank);
            const std::string text = expectRoundTrip(steps, name);
            EXPECT_EQ(text.find('@'), std::string::npos) << name << "\n" << text;
        }
    }
    EXPECT_EQ(programs, 46);
}

}  // namespace
}  // namespace korvelce
