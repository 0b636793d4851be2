// The interactive calculator's lines, commands, texts, files and completion.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "files/key_tokens.h"
#include "files/memory_image.h"
#include "support/key_sequence.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

TEST(Face, EveryKeyAndItsSecondFunctionAsPrinted) {
    // The legends of the face, row by row: own function, then 2nd function.
    const char* const legends[9][5][2] = {
        {{"A", "A'"}, {"B", "B'"}, {"C", "C'"}, {"D", "D'"}, {"E", "E'"}},
        {{"---", ""}, {"INV", "INV"}, {"LNX", "LOG"}, {"CE", "CP"}, {"CLR", "CLR"}},
        {{"LRN", "PGM"}, {"X<->T", "P->R"}, {"X²", "SIN"}, {"SQRT", "COS"}, {"1/X", "TAN"}},
        {{"SST", "INS"}, {"STO", "CMS"}, {"RCL", "EXC"}, {"SUM", "PRD"}, {"Y^X", "IND"}},
        {{"BST", "DEL"}, {"EE", "ENG"}, {"(", "FIX"}, {")", "INT"}, {"/", "|X|"}},
        {{"GTO", "PAU"}, {"7", "EQ"}, {"8", "NOP"}, {"9", "OP"}, {"*", "DEG"}},
        {{"SBR", "LBL"}, {"4", "GE"}, {"5", "STA"}, {"6", "AVR"}, {"-", "RAD"}},
        {{"RST", "STF"}, {"1", "IFF"}, {"2", "DMS"}, {"3", "PI"}, {"+", "GRD"}},
        {{"R/S", "WRT"}, {"0", "DSZ"}, {".", "ADV"}, {"+/-", "PRT"}, {"=", "LST"}},
    };
    std::vector<int> seen;
    for (int row = 0; row < 9; ++row)
        for (int column = 0; column < 5; ++column) {
            const FaceKey face = faceKey(row, column);
            const auto& legend = legends[row][column];
            EXPECT_EQ(mnemonic(face.own), legend[0]) << row << "," << column;
            EXPECT_EQ(face.second < 0 ? "" : mnemonic(face.second), legend[1])
                << row << "," << column;
            seen.push_back(face.own);
            if (face.second >= 0) seen.push_back(face.second);
        }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "a code twice";
    EXPECT_EQ(seen.size(), 89u);
    EXPECT_EQ(faceKey(9, 0).own, -1);
    EXPECT_EQ(faceKey(0, -1).own, -1);
}

TEST(Face, SecondFunctionOfAKeyCode) {
    const std::pair<int, int> cases[] = {
        {key::kLnx, key::kLog},
        {1, key::kIff},
        {0, key::kDsz},
        {7, key::kEq},
        {key::kEquals, key::kLst},
        {key::kClr, key::kClr2},
        {key::kE, key::kEPrime},
        {key::kLog, key::kLog},
        {key::kSecond, key::kSecond},
        {99, 99},
    };
    for (const auto& [code, second] : cases)
        EXPECT_EQ(secondFunction(code), second) << code;
}

TEST(KeyLines, TokensAndTheSecondKey) {
    struct Case {
        const char* line;
        bool secondBefore;
        std::vector<int> codes;
        bool secondAfter;
    };
    const Case cases[] = {
        {"2 + 3 =", false, {2, key::kAdd, 3, key::kEquals}, false},
        {"100 2nd lnx", false, {1, 0, 0, key::kLog}, false},
        {"2ND 12", false, {key::kIff, 2}, false},  // only the first digit is shifted
        {"LNX", true, {key::kLog}, false},         // the 2nd from the line before
        {"2ND", false, {}, true},
        {"2ND 2ND LNX", false, {key::kLnx}, false},
        {"2ND LOG", false, {key::kLog}, false},  // a 2nd function typed by name stays itself
        {"5 # a comment 2ND", false, {5}, false},
        {"", true, {}, true},
    };
    for (const Case& c : cases) {
        bool second = c.secondBefore;
        const KeyLine parsed = parseKeyLine(c.line, second);
        EXPECT_TRUE(parsed.ok) << c.line << ": " << parsed.message;
        EXPECT_EQ(parsed.codes, c.codes) << c.line;
        EXPECT_EQ(second, c.secondAfter) << c.line;
    }
}

TEST(KeyLines, AnUnknownTokenKeysNothingAndKeepsTheSecondKey) {
    bool second = true;
    const KeyLine parsed = parseKeyLine("1 + ZAP 2", second);
    EXPECT_FALSE(parsed.ok);
    EXPECT_TRUE(parsed.codes.empty());
    EXPECT_EQ(parsed.message,
              "unknown key token 'ZAP' at position 3: nothing was keyed (:help lists the keys)");
    EXPECT_TRUE(second);
    bool plain = false;
    EXPECT_NE(parseKeyLine("1 a\x01", plain).message.find("'a\\x01' at position 2"),
              std::string::npos);
}

TEST(Commands, ParsedWithTheirArguments) {
    struct Case {
        const char* line;
        CommandKind kind;
        const char* argument;
        const char* message;  // a fragment, for kBad
    };
    const Case cases[] = {
        {":help", CommandKind::kHelp, "", ""},
        {"  :H  ", CommandKind::kHelp, "", ""},
        {":state", CommandKind::kState, "", ""},
        {":state now", CommandKind::kBad, "", ":state takes nothing after it"},
        {":list", CommandKind::kList, "", ""},
        {":list 120", CommandKind::kList, "120", ""},
        {":list ALL", CommandKind::kList, "ALL", ""},
        {":list 1000", CommandKind::kBad, "", "a step 000 to 999"},
        {":list -1", CommandKind::kBad, "", "a step 000 to 999"},
        {":load a b.kv", CommandKind::kLoad, "a b.kv", ""},
        {":load 'my file.kvs'", CommandKind::kLoad, "my file.kvs", ""},
        {":load", CommandKind::kBad, "", ":load needs a file name"},
        {":save x.kv", CommandKind::kSave, "x.kv", ""},
        {":module", CommandKind::kModule, "", ""},
        {":module 128", CommandKind::kModule, "128", ""},
        {":module 7", CommandKind::kBad, "", "there are modules 110"},
        {":quit", CommandKind::kQuit, "", ""},
        {":q", CommandKind::kQuit, "", ""},
        {":quit!", CommandKind::kQuitNoSave, "", ""},
        {":frob", CommandKind::kBad, "", "unknown command ':frob'"},
        {"STO", CommandKind::kBad, "", "a command starts with ':'"},
    };
    for (const Case& c : cases) {
        const Command command = parseCommand(c.line);
        EXPECT_EQ(command.kind, c.kind) << c.line << ": " << command.message;
        if (c.kind == CommandKind::kBad)
            EXPECT_NE(command.message.find(c.message), std::string::npos) << command.message;
        else
            EXPECT_EQ(command.argument, c.argument) << c.line;
    }
}

TEST(Commands, StepsAndModulesAreReadAsNumbers) {
    struct Case {
        const char* line;
        bool all;
        int number;
    };
    const Case cases[] = {
        {":list", false, -1},        {":list all", true, -1}, {":list All", true, -1},
        {":list aLL", true, -1},     {":list 007", false, 7}, {":list 0", false, 0},
        {":list 999", false, 999},   {":module", false, -1},  {":module 110", false, 110},
        {":module 128", false, 128},
    };
    for (const Case& c : cases) {
        const Command command = parseCommand(c.line);
        EXPECT_NE(command.kind, CommandKind::kBad) << c.line << ": " << command.message;
        EXPECT_EQ(command.all, c.all) << c.line;
        EXPECT_EQ(command.number, c.number) << c.line;
    }
    // Refused arguments carry no step.
    for (const char* line : {":list alll", ":list 1e2", ":list 0x1", ":module 0128"}) {
        const Command command = parseCommand(line);
        EXPECT_EQ(command.kind, CommandKind::kBad) << line;
        EXPECT_FALSE(command.all) << line;
        EXPECT_EQ(command.number, -1) << line;
    }
}

TEST(Commands, HelpShowsTheFaceAndEveryCommand) {
    const std::string help = helpText();
    EXPECT_NE(help.find("  A     A'   | B     B'   | C     C'   | D     D'   | E     E'\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("  R/S   WRT  | 0     DSZ  | .     ADV  | +/-   PRT  | =     LST\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("2ND        | INV   INV"), std::string::npos);
    for (const std::string& name : commandNames())
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(Commands, StateShowsWhatIsNotZeroAndWhatIsPending) {
    const auto engine =
        test::engineAfter("3 STO 05 1 EE 20 +/- STO 42 CLR 7 X<>T STF 3 FIX 2 2 + 3 * ( 4 STO");
    const std::string state = stateText(*engine);
    // Values are shown whole, whatever the display's fixed decimals.
    for (const char* expected :
         {"mode      calculate, DEG, normal, fix 2\n", "display   4.00\n", "T         7.\n",
          "pending   2. + 3. * (\n", "waiting   STO waits for its operand\n", "flags set 3\n",
          "registers\n  R05 3.                R42 1. -20\n"}) {
        EXPECT_NE(state.find(expected), std::string::npos) << expected << "\n" << state;
    }
    const std::string fresh = stateText(*test::engineAfter(""));
    EXPECT_NE(fresh.find("pending   none\nflags set none\n"), std::string::npos) << fresh;
    EXPECT_NE(fresh.find("registers all zero\n"), std::string::npos) << fresh;
}

TEST(Commands, ListingAroundTheCurrentStep) {
    const auto engine = test::engineAfter("LRN LBL A STO 12 R/S LRN");
    // Out of learn mode the program counter is the current step.
    engine->programCounter = 2;
    EXPECT_EQ(listingAround(*engine, -1, 2),
              "  000 76 LBL\n  001 11 A\n> 002 42 STO\n  003 12 12\n  004 91 R/S\n");
    EXPECT_EQ(listingAround(*engine, 998, 2), "  996 00 0\n  997 00 0\n  998 00 0\n  999 00 0\n");
    const auto learning = test::engineAfter("LRN LBL A SST SST");
    EXPECT_EQ(listingAround(*learning, -1, 1), "  003 00 0\n> 004 00 0\n  005 00 0\n");
    const std::string all = fullListing(*engine);
    EXPECT_EQ(all.substr(0, 13), "  000 76 LBL\n");
    EXPECT_NE(all.find("  019 00 0\n"), std::string::npos);
    EXPECT_EQ(all.find("020"), std::string::npos);
}

class UserFiles : public test::TempFolderTest {};

TEST_F(UserFiles, SourceReplacesTheProgramAndKeepsTheRegisters) {
    const auto engine = test::engineAfter("5 STO 07 LRN 1 + 1 = LRN");
    const std::vector<std::uint8_t> before = memoryImageBytes(*engine);

    const FileResult bad = loadUserFile(*engine, write("bad.kvs", "LBL A\nX^2 FOO\n"));
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.message.find("line 2: unknown key token 'FOO'; nothing changed"),
              std::string::npos)
        << bad.message;
    EXPECT_EQ(memoryImageBytes(*engine), before);

    const FileResult good = loadUserFile(*engine, write("sq.kvs", "LBL A X^2 R/S\n"));
    ASSERT_TRUE(good.ok) << good.message;
    EXPECT_NE(good.message.find("program of 4 steps"), std::string::npos) << good.message;
    for (const int code : test::keyCodes("CLR 6 A"))
        pressAndRun(*engine, code, 1000);
    EXPECT_EQ(test::shown(*engine), "36");
    test::press(*engine, "RCL 07");
    EXPECT_EQ(test::shown(*engine), "5");
    EXPECT_EQ(engine->programMemory[0][4], 0);  // the old program is gone
}

TEST_F(UserFiles, SourceKeysInOverTheSessionAndKeepsTheRestOfIt) {
    // Registers, settings, T and a program counter inside
    // the old program, in an engine whose program is longer than the source's.
    const auto engine = test::engineAfter(
        "5 STO 07 2.5 EE 20 +/- STO 98 LRN 1 + 2 + 3 + 4 + 5 = R/S LRN FIX 2 RAD 3 X<>T");
    engine->programCounter = 6;
    const std::vector<std::uint8_t> before = memoryImageBytes(*engine);
    const auto keyed = test::engineAfter("LRN LBL A X^2 R/S LRN");

    struct Case {
        const char* name;
        const char* source;
    };
    const Case cases[] = {{"sq.kvs", "LBL A X^2 R/S\n"}, {"SQ.KVS", "lbl a x^2 r/s"}};
    for (const Case& c : cases) {
        const FileResult loaded = loadUserFile(*engine, write(c.name, c.source));
        ASSERT_TRUE(loaded.ok) << loaded.message;
        EXPECT_NE(loaded.message.find("program of 4 steps keyed in from"), std::string::npos)
            << loaded.message;
        const std::vector<std::uint8_t> after = memoryImageBytes(*engine);
        const auto registerBytes = static_cast<std::ptrdiff_t>(after.size() - kSteps);
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + registerBytes, after.begin()))
            << c.name;
        EXPECT_EQ(engine->programMemory[0], keyed->programMemory[0]) << c.name;
        EXPECT_EQ(engine->programCounter, 0) << c.name;
        EXPECT_EQ(engine->fixDigits, 2) << c.name;
        EXPECT_EQ(engine->angleUnit, 1) << c.name;
        EXPECT_EQ(valueText(engine->tRegister), "3.") << c.name;
        EXPECT_EQ(valueText(engine->registers[98]), "2.5 -20") << c.name;
    }
    // A source that cannot be read or keyed in changes nothing and says why.
    const std::vector<std::uint8_t> kept = memoryImageBytes(*engine);
    const std::string folder = (dir / "folder.kvs").string();
    fs::create_directory(folder);
    const std::pair<std::string, const char*> refusals[] = {
        {(dir / "missing.kvs").string(), "cannot read "},
        {folder, "cannot read "},
        {write("bad.kvs", "LBL A\nX^2 FOO\n"), "line 2: unknown key token 'FOO'; nothing changed"},
        {write("long.kvs", std::string(1001, '1')), "; nothing changed"},
    };
    for (const auto& [path, message] : refusals) {
        const FileResult refused = loadUserFile(*engine, path);
        EXPECT_FALSE(refused.ok) << path;
        EXPECT_NE(refused.message.find(message), std::string::npos) << refused.message;
        EXPECT_NE(refused.message.find(path), std::string::npos) << refused.message;
    }
    EXPECT_EQ(memoryImageBytes(*engine), kept);
}

TEST_F(UserFiles, ImagesRoundTripAndOtherNamesAreRefused) {
    const auto engine = test::engineAfter("8 STO 99 LRN LBL B RTN LRN");
    const std::string image = (dir / "x.kv").string();
    ASSERT_TRUE(saveUserFile(*engine, image).ok);
    const auto other = test::engineAfter("");
    const FileResult loaded = loadUserFile(*other, image);
    EXPECT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(memoryImageBytes(*other), memoryImageBytes(*engine));

    struct Case {
        std::string path;
        bool save;
        const char* message;
    };
    const Case cases[] = {
        {(dir / "notes.txt").string(), false, "ending in .kv"},
        {(dir / "notes").string(), true, "ending in .kv"},
        {(dir / "missing.kv").string(), false, "cannot read"},
        {(dir / "missing.kvs").string(), false, "cannot read"},
        {(dir / "no" / "such" / "x.kv").string(), true, "cannot write"},
        {(dir / "no" / "p.kvs").string(), true, "cannot write"},
    };
    for (const Case& c : cases) {
        const FileResult result =
            c.save ? saveUserFile(*other, c.path) : loadUserFile(*other, c.path);
        EXPECT_FALSE(result.ok) << c.path;
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
    }
    EXPECT_EQ(memoryImageBytes(*other), memoryImageBytes(*engine));
}

TEST_F(UserFiles, SourceWrittenAndReadBackGivesTheSameProgram) {
    const auto engine = test::engineAfter("LRN LBL A STO IND 12 GTO 245 LOG R/S LRN 4 STO 33");
    const std::string source = (dir / "p.kvs").string();
    const FileResult saved = saveUserFile(*engine, source);
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_NE(saved.message.find("as source"), std::string::npos);
    const auto other = test::engineAfter("9 STO 01");
    const FileResult loaded = loadUserFile(*other, source);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(other->programMemory[0], engine->programMemory[0]);
    EXPECT_TRUE(other->registers[33].isZero());  // a source holds no registers...
    EXPECT_FALSE(other->registers[1].isZero());  // ...and leaves them as they were
}

TEST(Modules, LoadedIntoTheLibraryBanks) {
    CalcEngine engine;
    EXPECT_TRUE(loadModule(engine, 110).ok);
    EXPECT_NE(engine.programMemory[1][0], 0);
    const FileResult missing = loadModule(engine, 111);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("not built into this program"), std::string::npos);
}

TEST(Completion, KeysAndCommands) {
    struct Case {
        const char* before;
        std::size_t start;
        const char* replacement;
        bool whole;
        std::vector<std::string> choices;
    };
    const Case cases[] = {
        {"2 SQ", 2, "SQRT", true, {}},
        {"sq", 0, "sqrt", true, {}},
        {"2nd l", 4, "l", false, {"lbl", "lnx", "log", "lrn", "lst"}},
        {"STO", 0, "STO", false, {"STO", "STO*"}},
        {"1", 0, "1", false, {"1", "1/X"}},
        {"x<", 0, "x<", false, {"x<->t", "x<>t"}},
        {"CM", 0, "CMS", true, {}},
        {"ZZ", 0, "ZZ", false, {}},
        {"", 0, "", false, {}},
        {":mo", 0, ":module", true, {}},
        {":q", 0, ":quit", false, {":quit", ":quit!"}},
        {":module 1", 8, "1", false, {"110", "128"}},
        {":module 12", 8, "128", true, {}},
        {":state S", 7, "S", false, {}},
        {"1 :he", 2, ":he", false, {}},
    };
    for (const Case& c : cases) {
        const Completion completion = completeWord(c.before);
        EXPECT_EQ(completion.start, c.start) << c.before;
        EXPECT_EQ(completion.replacement, c.replacement) << c.before;
        EXPECT_EQ(completion.whole, c.whole) << c.before;
        EXPECT_EQ(completion.choices, c.choices) << c.before;
    }
}

TEST(Completion, OffersOnlyWordsTheCalculatorTakes) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const Completion completion = completeWord(std::string(1, letter));
        std::vector<std::string> words = completion.choices;
        if (completion.whole) words.push_back(completion.replacement);
        for (const std::string& word : words) {
            bool second = false;
            EXPECT_TRUE(parseKeyLine(word, second).ok) << word;
        }
    }
}

TEST_F(UserFiles, CompletionOfFileNames) {
    write("alpha.kv", "");
    write("alpine.kvs", "");
    write("notes.txt", "");
    write(".hidden.kv", "");
    fs::create_directories(dir / "sub");
    write("sub/deep.kv", "");
    const std::string at = dir.string() + "/";
    struct Case {
        std::string before;
        std::string replacement;
        bool whole;
        std::vector<std::string> choices;
    };
    const Case cases[] = {
        {":load " + at + "al", at + "alp", false, {at + "alpha.kv", at + "alpine.kvs"}},
        {":save " + at + "alph", at + "alpha.kv", true, {}},
        {":load " + at + "no", at + "no", false, {}},   // notes.txt is no program file
        {":load " + at + "s", at + "sub/", false, {}},  // a folder takes no blank after it
        {":load " + at + "sub/", at + "sub/deep.kv", true, {}},
        {":load " + at + ".h", at + ".hidden.kv", true, {}},
    };
    for (const Case& c : cases) {
        const Completion completion = completeWord(c.before);
        EXPECT_EQ(completion.replacement, c.replacement) << c.before;
        EXPECT_EQ(completion.whole, c.whole) << c.before;
        EXPECT_EQ(completion.choices, c.choices) << c.before;
    }
}

}  // namespace
}  // namespace korvelce
