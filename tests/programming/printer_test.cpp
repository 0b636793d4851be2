// The printer: the bytes of the printer file, the line layouts of PRT, ADV, INV LST and the
// alpha operations, the character table, the label list, and a whole formatted tape printed
// by a program through korvelce-cli.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "engine/shell_services.h"
#include "files/program_source.h"
#include "support/cli_process.h"
#include "support/key_sequence.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kBom = "\xFF\xFE";

std::string littleEndian(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

using test::fileBytes;

std::u16string blanks(std::size_t n) {
    return std::u16string(n, u' ');
}

class Printer : public test::TempFolderTest {
  protected:
    // A fresh path in the folder, set as the engine's printer file.
    fs::path attach(CalcEngine& engine) {
        const fs::path path = dir / ("tape-" + std::to_string(++files) + ".txt");
        engine.printerPath = path.string();
        return path;
    }

    // The text printed to path: the byte-order mark is checked and removed. No file reads
    // as nothing printed.
    static std::u16string tape(const fs::path& path) {
        if (!fs::exists(path)) return {};
        const std::string bytes = fileBytes(path);
        EXPECT_EQ(bytes.substr(0, 2), kBom) << path;
        EXPECT_EQ(bytes.size() % 2, 0U) << path;
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        return text;
    }

    std::u16string printedAfter(std::string_view keys) {
        CalcEngine engine;
        const fs::path path = attach(engine);
        test::press(engine, keys);
        return tape(path);
    }

    int files = 0;
};

TEST_F(Printer, ByteOrderMarkOnlyAtTheStartOfANewOrEmptyFile) {
    CalcEngine engine;
    const fs::path path = attach(engine);
    test::press(engine, "2 PRT ADV 3 PRT");
    EXPECT_EQ(fileBytes(path), kBom + littleEndian(u"          2. \r\n\r\n          3. \r\n"));

    // An empty file gets the mark; a file with content is only appended to.
    const fs::path empty = dir / "empty.txt";
    std::ofstream(empty, std::ios::binary).flush();
    engine.printerPath = empty.string();
    test::press(engine, "ADV");
    EXPECT_EQ(fileBytes(empty), "\xFF\xFE\x0D\x00\x0A\x00"s);

    const fs::path used = dir / "used.txt";
    std::ofstream(used, std::ios::binary) << "xy";
    engine.printerPath = used.string();
    test::press(engine, "ADV ADV");
    EXPECT_EQ(fileBytes(used), "xy\x0D\x00\x0A\x00\x0D\x00\x0A\x00"s);
}

TEST_F(Printer, LinesOfEachPrintOperation) {
    struct Row {
        const char* keys;
        std::u16string expected;  // empty: nothing printed
    };
    const Row rows[] = {
        // PRT: 12 columns, or 15 with an exponent field, then the error mark or a blank.
        {"2 PRT", u"          2. \r\n"},
        {"1 / 0 = 2 PRT", u"          2.?\r\n"},
        {"12 +/- PRT", u"        -12. \r\n"},
        {"FIX 2 2 / 3 = PRT", u"        0.67 \r\n"},
        {"123456 * 100000 = PRT", u"     1.23456 10 \r\n"},
        {"5 EE 3 PRT", u"          5. 03 \r\n"},
        {"1 / 0 = PRT", u"   9.9999999 99?\r\n"},
        {"ADV", u"\r\n"},
        // INV LST: the register number ends in column 20 in both layouts.
        {"7 STO 99 123456 * 100000 = STO 98 98 INV LST",
         u"     1.23456 10   98\r\n          7.      99\r\n"},
        {"FIX 2 1.5 STO 99 99.7 INV LST", u"        1.50      99\r\n"},
        {"100 INV LST", u""},
        // Alpha line, filled five columns at a time.
        {"1314151617 OP 01 OP 02 OP 03 OP 04 OP 05", u"ABCDEABCDEABCDEABCDE\r\n"},
        {"1314151617 OP 01 OP 00 OP 05", blanks(20) + u"\r\n"},
        {"13.9 OP 03 OP 05", blanks(14) + u"A" + blanks(5) + u"\r\n"},
        {"FIX 2 131415 OP 01 OP 05", u" ABC " + blanks(15) + u"\r\n"},
        {"OP 05", blanks(20) + u"\r\n"},
        // OP 06: the value in columns 1 to 15, a blank, the last four columns of block 4;
        // the value stays in the alpha line.
        {"1314151617 OP 04 5 OP 06", u"          5.    BCDE\r\n"},
        {"1314151617 OP 04 5 OP 06 OP 05", u"          5.    BCDE\r\n          5.    BCDE\r\n"},
        {"1314151617 OP 04 123456 * 100000 = OP 06", u"     1.23456 10 BCDE\r\n"},
        {"1314151617 OP 04 9999999999 + .6 = +/- OP 06", u"-10000000000.   BCDE\r\n"},
        {"2 / 3 = OP 06", u" .6666666667" + blanks(8) + u"\r\n"},
        // OP 07: one star in column n + 1.
        {"0 OP 07", u"*" + blanks(19) + u"\r\n"},
        {"19 OP 07", blanks(19) + u"*\r\n"},
        {"19.9 OP 07", blanks(19) + u"*\r\n"},
        {".5 +/- OP 07", u"*" + blanks(19) + u"\r\n"},
        {"7 OP 07", blanks(7) + u"*" + blanks(12) + u"\r\n"},
        {"20 OP 07", u""},
        {"1 +/- OP 07", u""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(printedAfter(row.keys), row.expected) << row.keys;
}

TEST_F(Printer, PlotOutsideTheColumnsRaisesTheError) {
    for (const char* keys : {"20 OP 07", "1 +/- OP 07", "1 EE 25 OP 07"}) {
        const auto engine = test::engineAfter(keys);
        EXPECT_EQ(engine->errorFlag, 1) << keys;
    }
    EXPECT_EQ(test::engineAfter("19.9 OP 07")->errorFlag, 0);
}

TEST_F(Printer, RegisterListFromANegativeFirstRegisterStartsAtR00) {
    const std::u16string text = printedAfter("3 STO 00 5 +/- INV LST");
    std::vector<std::u16string> lines;
    for (std::size_t start = 0, end; (end = text.find(u"\r\n", start)) != std::u16string::npos;
         start = end + 2)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 100U);
    EXPECT_EQ(lines.front(), u"          3.       0");
    EXPECT_EQ(lines.back(), u"          0.      99");
}

TEST_F(Printer, PrintsInRunModeButListsRegistersOnlyFromTheKeyboard) {
    CalcEngine engine;
    const fs::path path = attach(engine);
    ASSERT_TRUE(assembleProgram(engine, "LBL A 3 PRT 98 INV LST ADV 4 PRT R/S").ok);
    ASSERT_EQ(pressAndRun(engine, 11, 1000), RunOutcome::kDone);
    EXPECT_EQ(tape(path), u"          3. \r\n\r\n          4. \r\n");
}

// The character table, code by code (tens digit by row).
TEST_F(Printer, CharacterTable) {
    const std::u16string rows[10] = {
        u" 012345678",
        u"789ABCDE78",
        u"-FGHIJKLMN",
        u"MNOPQRSTMN",
        u".UVWXYZ+\u00D7*",
        u"\u00D7*vpe(),x*",
        u"\u00CE%#/='\u00AAa\u00B2?",
        u"\u00B2?\u00F7!?^??\u00B2?",
        u" 012345678",
        u"789ABCDE78",
    };
    CalcEngine engine;
    for (int code = 0; code < 100; ++code) {
        engine.setAlphaBlock(DecNumber::fromInt(code), 4);
        const auto expected = rows[code / 10][static_cast<std::size_t>(code % 10)];
        EXPECT_EQ(engine.alphaLine[19], expected) << "code " << code;
        EXPECT_EQ(std::u16string(engine.alphaLine.data() + 15, 4), blanks(4)) << code;
    }
}

TEST_F(Printer, NonAsciiCharactersAreWrittenAsUtf16CodeUnits) {
    CalcEngine engine;
    const fs::path path = attach(engine);
    test::press(engine, "4850606668 OP 01 7072000000 OP 02 OP 05");
    const std::string expected =
        "\xFF\xFE\xD7\x00\xD7\x00\xCE\x00\xAA\x00\xB2\x00"
        "\xB2\x00\xF7\x00\x20\x00"s;
    EXPECT_EQ(fileBytes(path), expected + littleEndian(blanks(12) + u"\r\n"));
}

// The last ten digits of the scaled integer part, also when it does not fit 64 bits.
TEST_F(Printer, AlphaBlockFromLargeValues) {
    struct Row {
        std::int64_t mantissa;
        int exponent;  // value = mantissa x 10^(exponent - 12)
        int fix;
        std::u16string block;
    };
    const Row rows[] = {
        {1001314151617, 12, 9, u"ABCDE"},
        {1314151617000, 9, 9, u"ABCDE"},
        {1314151617000, 25, 9, blanks(5)},
        {1314151617000, 9, 8, u"E    "},
        {9999999999999, 12, 8, u"8    "},       // 10^21 scaled: beyond 64 bits
        {1234567890123, 15, 4, u"9M   "},       // 1.2 x 10^19 scaled
        {1234567890123, 15, 0, u"\u00B279M "},  // pairs 78 90 12 30 00
        {9999999999999, 99, 8, blanks(5)},
        {-1314151617000, 9, 9, u"ABCDE"},  // the magnitude is used
        {1314151617900, 9, 9, u"ABCDE"},   // the fraction is dropped
    };
    for (const Row& row : rows) {
        CalcEngine engine;
        engine.fixDigits = row.fix;
        engine.setAlphaBlock(DecNumber::fromRaw(row.mantissa, row.exponent), 2);
        EXPECT_EQ(std::u16string(engine.alphaLine.data() + 5, 5), row.block)
            << row.mantissa << "e" << row.exponent << " fix " << row.fix;
        EXPECT_EQ(std::u16string(engine.alphaLine.data(), 5), blanks(5));
        EXPECT_EQ(std::u16string(engine.alphaLine.data() + 10, 10), blanks(10));
    }
}

TEST_F(Printer, ValueBesideAlphaNeverPassesColumn20) {
    const DecNumber values[] = {DecNumber{-1234567800000, 30000}, DecNumber{-1234567800000, -30000},
                                DecNumber{-1234567800000, 150}, kNegLargest,
                                DecNumber::fromRaw(-9999999999600, 9)};
    for (const DecNumber& value : values) {
        CalcEngine engine;
        const fs::path path = attach(engine);
        test::press(engine, "1314151617 OP 04");
        engine.printValueWithAlpha(value);
        const std::u16string line = tape(path);
        ASSERT_EQ(line.size(), 22U) << value.mantissa << "e" << value.exponent;
        EXPECT_EQ(line.substr(15), u" BCDE\r\n");
        EXPECT_NE(line.substr(0, 15).find(u'-'), std::u16string::npos);
    }
}

// A printer file that cannot be opened drops the output; the state changes all the same.
TEST_F(Printer, UnopenableFileDropsTheOutputSilently) {
    const std::string paths[] = {"", (dir / "missing" / "tape.txt").string(), dir.string()};
    for (const std::string& path : paths) {
        CalcEngine engine;
        engine.printerPath = path;
        test::press(engine, "1314151617 OP 04 5 OP 06 PRT ADV 98 INV LST OP 05 3 OP 07 OP 08");
        EXPECT_EQ(engine.errorFlag, 0) << path;
        EXPECT_EQ(std::u16string(engine.alphaLine.data(), 20), u"          5.    BCDE") << path;
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_TRUE(fs::is_empty(dir));
}

// Records what the printer tells the front end; it may make the missing folder and ask for one
// more try, as the window does for the documents folder.
class RecordingShell : public ShellServices {
  public:
    void saveProgramFile(CalcEngine&) override {}
    void openProgramFile(CalcEngine&) override {}
    void writeListing(CalcEngine&) override {}
    void showSystemError(const std::string&, const std::string&) override {}
    bool printerFileFailed(const std::string& path, const std::string& reason) override {
        reports.push_back(path + ": " + reason);
        if (!makeFolder) return false;
        std::error_code error;
        return fs::create_directories(fs::path(path).parent_path(), error);
    }
    std::vector<std::string> reports;
    bool makeFolder = false;
};

// A printer file that cannot be opened is reported once per print operation (a register list
// of a hundred lines included), with the system's reason; a folder the front end makes is
// tried once more and the print lands.
TEST_F(Printer, UnopenableFileIsReportedToTheShell) {
    struct Row {
        const char* name;
        fs::path path;
        bool makeFolder;
        const char* reason;  // of the first report
        std::size_t reports;
        bool lands;
    };
    const Row rows[] = {
        {"missing folder", dir / "missing" / "tape.txt", false, "No such file or directory", 1,
         false},
        {"a folder", dir, false, "Is a directory", 1, false},
        {"folder made by the shell", dir / "made" / "tape.txt", true, "No such file or directory",
         1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingShell shell;
        shell.makeFolder = row.makeFolder;
        CalcEngine engine;
        engine.setShellServices(&shell);
        engine.printerPath = row.path.string();
        test::press(engine, "1 PRT");
        ASSERT_EQ(shell.reports.size(), row.reports);
        EXPECT_EQ(shell.reports[0], row.path.string() + ": " + row.reason);
        EXPECT_EQ(fs::is_regular_file(row.path) && !tape(row.path).empty(), row.lands);
        test::press(engine, "0 INV LST");
        EXPECT_EQ(shell.reports.size(), row.lands ? row.reports : row.reports + 1);
    }
}

// A file that stops taking lines (a full disk) is reported once for the operation, and what
// was written stays.
TEST_F(Printer, FullDiskIsReportedOnce) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "a full device is not part of the WebAssembly build's file system";
#endif
    RecordingShell shell;
    CalcEngine engine;
    engine.setShellServices(&shell);
    const fs::path path = attach(engine);
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 100;  // the mark and a few lines
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    test::press(engine, "0 INV LST");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(shell.reports.size(), 1u);
    EXPECT_EQ(shell.reports[0], path.string() + ": File too large");
    EXPECT_EQ(fs::file_size(path), 100u);
}

// The observer sees every printed line, in order, wherever the lines go: exactly what the
// printer file receives, what the sink receives, and the lines a failing file drops.
TEST_F(Printer, ObserverSeesEveryLineWhereverItGoes) {
    // PRT, ADV, a register list, a plot, alpha lines (non-ASCII characters among them) and a
    // value beside the alpha line.
    constexpr std::string_view kKeys =
        "FIX 2 3 PRT ADV 97 INV LST 12 OP 07 INV FIX 4860717273 OP 01 OP 05 2 +/- OP 06 7 PRT";
    enum class Where { kFile, kSink, kFailingFile };
    for (const Where where : {Where::kFile, Where::kSink, Where::kFailingFile}) {
        SCOPED_TRACE(static_cast<int>(where));
        CalcEngine engine;
        RecordingShell shell;
        engine.setShellServices(&shell);
        std::vector<std::u16string> seen;
        engine.printerObserver = [&seen](std::u16string_view text) { seen.emplace_back(text); };
        std::u16string sunk;
        fs::path path;
        switch (where) {
            case Where::kFile:
                path = attach(engine);
                break;
            case Where::kSink:
                engine.printerSink = [&sunk](std::u16string_view text) { sunk += text; };
                break;
            case Where::kFailingFile:
                engine.printerPath = (dir / "missing" / "tape.txt").string();
                break;
        }
        test::press(engine, kKeys);
        std::u16string observed;
        for (const std::u16string& text : seen) {
            EXPECT_TRUE(text.ends_with(u"\r\n")) << "one whole line at a time";
            observed += text;
        }
        // 1 PRT, 1 ADV, 3 register lines, 1 plot, 1 alpha, 1 value with alpha, 1 PRT.
        EXPECT_EQ(seen.size(), 9u);
        EXPECT_NE(observed.find(u"\u00D7"), std::u16string::npos) << "the alpha line's x";
        switch (where) {
            case Where::kFile:
                EXPECT_EQ(observed, tape(path));
                break;
            case Where::kSink:
                EXPECT_EQ(observed, sunk);
                break;
            case Where::kFailingFile:
                EXPECT_FALSE(shell.reports.empty());
                EXPECT_EQ(observed, printedAfter(kKeys));
                break;
        }
    }
}

// OP 08 lists the labels from the program counter on, passing over every operand step.
TEST_F(Printer, LabelListPassesOverOperands) {
    struct Row {
        const char* source;      // keyed in learn mode, or
        std::vector<int> steps;  // stored directly from step 000
        int pc;
        std::u16string expected;
    };
    const Row rows[] = {
        {"LBL A 1 2 3 4 5 6 7 8 LBL B R/S", {}, 0, u"001 11 A\r\n011 12 B\r\n"},
        {"LBL A 1 2 3 4 5 6 7 8 LBL B R/S", {}, 2, u"011 12 B\r\n"},
        {"LBL E' LBL X2 LBL =", {}, 0, u"001 10 E'\r\n003 33 X\u00B2\r\n005 95 =\r\n"},
        {"GTO 076 A LBL B", {}, 0, u"005 12 B\r\n"},
        {"SBR 076 A LBL C", {}, 0, u"005 13 C\r\n"},
        {"EQ 076 GE 076 LBL D", {}, 0, u"007 14 D\r\n"},
        {"GTO LBL LBL A", {}, 0, u"003 11 A\r\n"},
        {"SBR IND 76 LBL E", {}, 0, u"004 15 E\r\n"},
        {"IFF 3 076 LBL A", {}, 0, u"005 11 A\r\n"},
        {"IFF IND 76 076 LBL A", {}, 0, u"006 11 A\r\n"},
        {"DSZ 2 IND 76 LBL B", {}, 0, u"005 12 B\r\n"},
        {"STF IND 76 LBL C", {}, 0, u"004 13 C\r\n"},
        {"FIX IND 76 LBL A", {}, 0, u"004 11 A\r\n"},
        {"STO IND 76 LBL B", {}, 0, u"003 12 B\r\n"},
        {"GTO IND 76 LBL C OP IND 76 LBL D", {}, 0, u"003 13 C\r\n007 14 D\r\n"},
        {"STO 76 RCL 76 OP 76 PGM 76 LBL A", {}, 0, u"009 11 A\r\n"},
        // Register 40 and operation 40 are numbers, not IND.
        {"STO 40 LBL A OP 40 LBL B RCL IND 40 LBL C",
         {},
         0,
         u"003 11 A\r\n007 12 B\r\n011 13 C\r\n"},
        {nullptr, {82, 76, 76, 14}, 0, u"003 14 D\r\n"},             // HIR 76
        {nullptr, {82, 40, 76, 14}, 0, u"003 14 D\r\n"},             // HIR 40
        {nullptr, {61, 40, 76, 76, 11}, 0, u"004 11 A\r\n"},         // GTO IND 76 unmerged
        {nullptr, {97, 40, 76, 0, 76, 76, 12}, 0, u"006 12 B\r\n"},  // DSZ IND 76 076
        {nullptr, {61, 9}, 998, u""},                                // GTO with half an address
    };
    for (const Row& row : rows) {
        CalcEngine engine;
        if (row.source != nullptr) {
            ASSERT_TRUE(assembleProgram(engine, row.source).ok) << row.source;
        } else {
            for (std::size_t i = 0; i < row.steps.size(); ++i)
                engine.programMemory[0][static_cast<std::size_t>(row.pc) + i] =
                    static_cast<std::uint8_t>(row.steps[i]);
        }
        engine.programCounter = row.pc;
        const fs::path path = attach(engine);
        test::press(engine, "OP 08");
        EXPECT_EQ(tape(path), row.expected) << (row.source != nullptr ? row.source : "steps");
        EXPECT_EQ(engine.errorFlag, 0);
    }
}

TEST_F(Printer, LabelAtTheEndOfMemory) {
    CalcEngine engine;
    const fs::path path = attach(engine);
    engine.programMemory[0][997] = key::kLbl;
    engine.programMemory[0][998] = key::kLbl;
    engine.programMemory[0][999] = 11;
    engine.programCounter = 997;
    test::press(engine, "OP 08");
    // LBL at 997 names LBL (76); the scan goes on with that step, a LBL naming A.
    EXPECT_EQ(tape(path), u"998 76 LBL\r\n999 11 A\r\n");
    engine.programMemory[0][998] = 0;
    engine.programMemory[0][999] = key::kLbl;
    engine.programCounter = 999;
    test::press(engine, "OP 08");
    EXPECT_EQ(tape(path), u"998 76 LBL\r\n999 11 A\r\n");
}

TEST_F(Printer, LabelListOfTheCurrentBank) {
    CalcEngine engine;
    const fs::path path = attach(engine);
    ASSERT_TRUE(assembleProgram(engine, "LBL A").ok);
    engine.programMemory[3][4] = key::kLbl;
    engine.programMemory[3][5] = 19;
    engine.currentBank = 3;
    engine.programCounter = 0;
    test::press(engine, "OP 08");
    EXPECT_EQ(tape(path), u"005 19 D'\r\n");
}

// A program that prints a header, a table of squares with labels, a star plot and a total.
constexpr const char* kSquaresTape = R"(
LBL A
OP 00                      # blank alpha line
3634411335 OP 01           # SQUAR
1736003221 OP 02           # ES OF
44700000 OP 03             # " X²  "
OP 05 ADV
0 STO 02 1 STO 00
LBL B
RCL 00 + 1 = * 100 + 44640000 = OP 04    # block 4: " X=n "
RCL 00 X2 SUM 02 OP 06                  # n² beside it
OP 07                                   # a star in column n² + 1
1 SUM 00 RCL 00 X<>T 4 GE B
ADV FIX 2 RCL 02 PRT INV FIX
R/S
)";

// Written out column by column.
const std::u16string kSquaresLines[] = {
    u"SQUARES OF X\u00B2       ",
    u"",
    u"          1.    X=1 ",
    u" *                  ",
    u"          4.    X=2 ",
    u"    *               ",
    u"          9.    X=3 ",
    u"         *          ",
    u"         16.    X=4 ",
    u"                *   ",
    u"",
    u"       30.00 ",
};

// UTF-8 of characters below U+0800, all the tape needs.
std::string utf8(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

TEST_F(Printer, FormattedTapeThroughTheCli) {
    KORVELCE_SKIP_WITHOUT_CLI();
    const fs::path source = dir / "squares.src";
    const fs::path program = dir / "squares.kv";
    const fs::path file = dir / "squares.txt";
    std::ofstream(source) << kSquaresTape;
    ASSERT_EQ(test::runCli("asm '" + source.string() + "' -o '" + program.string() + "'").status,
              0);

    std::string stdoutTape;
    std::u16string fileTape;
    for (const std::u16string& line : kSquaresLines) {
        stdoutTape += utf8(line) + "\n";
        fileTape += line + u"\r\n";
    }
    const test::CliRun tape = test::runCli("--printer - --load '" + program.string() + "' A");
    EXPECT_EQ(tape.status, 0);
    EXPECT_EQ(tape.out, stdoutTape + "30.\n");

    EXPECT_EQ(test::runCli("--printer '" + file.string() + "' --load '" + program.string() + "' A")
                  .status,
              0);
    EXPECT_EQ(fileBytes(file), kBom + littleEndian(fileTape));
}

// A printer file the headless front end cannot write: the reason on standard error once, the
// keys still pressed, exit code 1.
TEST_F(Printer, CliReportsAnUnwritablePrinterFile) {
    KORVELCE_SKIP_WITHOUT_CLI();
    const fs::path file = dir / "missing" / "tape.txt";
    const test::CliRun run = test::runCli("--printer '" + file.string() + "' 1 PRT PRT 2");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "2\n");
    EXPECT_EQ(run.err, "korvelce-cli: cannot write printer file '" + file.string() +
                           "': No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

}  // namespace
}  // namespace korvelce
