// The program listing: the line forms of every stored instruction, the length of the listing,
// the file's encoding, and `korvelce-cli list`.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "support/cli_process.h"
#include "support/key_sequence.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

ProgramBank bankOf(int first, const std::vector<int>& steps) {
    ProgramBank bank{};
    for (std::size_t i = 0; i < steps.size(); ++i)
        bank[static_cast<std::size_t>(first) + i] = static_cast<std::uint8_t>(steps[i]);
    return bank;
}

// The lines for addresses first .. first + want.size() - 1.
void expectLines(const std::vector<std::string>& lines, int first,
                 const std::vector<std::string>& want, const std::string& name) {
    ASSERT_GE(lines.size(), static_cast<std::size_t>(first) + want.size()) << name;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(lines[static_cast<std::size_t>(first) + i], want[i]) << name;
}

TEST(Listing, InstructionForms) {
    struct Case {
        const char* name;
        int first;  // address of the first step
        std::vector<int> steps;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"GTO 245", 10, {61, 2, 45}, {"010 61 GTO", "011 02 2", "012 45 45"}},
        {"GTO A", 10, {61, 11}, {"010 61 GTO", "011 11 A"}},
        {"DSZ 01 015",
         20,
         {97, 1, 0, 15, 85},
         {"020 97 DSZ", "021 01 01", "022 00 0", "023 15 15", "024 85 +"}},
        {"SBR 123", 0, {71, 1, 23, 95}, {"000 71 SBR", "001 01 1", "002 23 23", "003 95 ="}},
        {"SBR IND 25", 0, {71, 40, 25}, {"000 71 SBR", "001 40 IND", "002 25 25"}},
        {"SBR E'", 0, {71, 10}, {"000 71 SBR", "001 10 E'"}},
        {"EQ B", 0, {67, 12}, {"000 67 EQ", "001 12 B"}},
        {"GE 999", 0, {77, 9, 99}, {"000 77 GE", "001 09 9", "002 99 99"}},
        {"GTO IND 10", 0, {83, 10, 23}, {"000 83 GTO*", "001 10 10", "002 23 LNX"}},
        {"STO 40 is a register", 0, {42, 40, 33}, {"000 42 STO", "001 40 40", "002 33 X²"}},
        {"RCL* 12", 0, {73, 12}, {"000 73 RCL*", "001 12 12"}},
        {"PGM 02 SBR A", 0, {36, 2, 71, 11}, {"000 36 PGM", "001 02 02", "002 71 SBR", "003 11 A"}},
        {"OP 08", 0, {69, 8}, {"000 69 OP", "001 08 08"}},
        {"HIR 13", 0, {82, 13}, {"000 82 HIR", "001 13 13"}},
        {"STF 3", 0, {86, 3}, {"000 86 STF", "001 03 03"}},
        {"IFF 3 456", 0, {87, 3, 4, 56}, {"000 87 IFF", "001 03 03", "002 04 4", "003 56 56"}},
        {"IFF IND 03 C", 0, {87, 40, 3, 13}, {"000 87 IFF", "001 40 IND", "002 03 03", "003 13 C"}},
        {"DSZ 2 IND 07", 0, {97, 2, 40, 7}, {"000 97 DSZ", "001 02 02", "002 40 IND", "003 07 07"}},
        {"LBL E'", 0, {76, 10, 76, 23}, {"000 76 LBL", "001 10 E'", "002 76 LBL", "003 23 LNX"}},
        {"FIX 2 is two keys", 0, {58, 2}, {"000 58 FIX", "001 02 2"}},
        {"FIX IND 05", 0, {58, 40, 5}, {"000 58 FIX", "001 40 IND", "002 05 05"}},
        {"a lone IND", 0, {40, 85}, {"000 40 IND", "001 85 +"}},
        {"RTN and R/S", 0, {92, 91}, {"000 92 RTN", "001 91 R/S"}},
    };
    for (const auto& c : cases)
        expectLines(listingLines(bankOf(c.first, c.steps)), c.first, c.lines, c.name);
}

TEST(Listing, LengthFollowsTheLastNonZeroStep) {
    struct Case {
        int lastStep;  // -1: empty memory
        int length;
    };
    const Case cases[] = {
        {-1, 20},   {0, 20},    {19, 20},    {20, 40},    {39, 40},
        {500, 520}, {979, 980}, {980, 1000}, {985, 1000}, {999, 1000},
    };
    for (const auto& c : cases) {
        ProgramBank bank{};
        if (c.lastStep >= 0) bank[static_cast<std::size_t>(c.lastStep)] = 85;  // +
        EXPECT_EQ(listingLength(bank), c.length) << c.lastStep;
        const std::vector<std::string> lines = listingLines(bank);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.length)) << c.lastStep;
        char last[16];
        std::snprintf(last, sizeof last, "%03d ", c.length - 1);
        EXPECT_EQ(lines.back().rfind(last, 0), 0u) << c.lastStep << ": " << lines.back();
    }
    const std::vector<std::string> empty = listingLines(ProgramBank{});
    EXPECT_EQ(empty.front(), "000 00 0");
    EXPECT_EQ(empty.back(), "019 00 0");
}

TEST(Listing, OperandsRunPastTheLengthButNotPastStep999) {
    struct Case {
        const char* name;
        int first;
        std::vector<int> steps;
        std::size_t lines;
        const char* lastLine;
    };
    const Case cases[] = {
        // Last non-zero step 019 (GTO 000): the listing would stop at 019, its address follows.
        {"GTO 000 at 019", 19, {61, 0, 0}, 22, "021 00 00"},
        {"DSZ 0 000 at 019", 19, {97, 0, 0, 0}, 23, "022 00 00"},
        {"GTO at 999", 999, {61}, 1000, "999 61 GTO"},
        {"DSZ at 998", 998, {97, 5}, 1000, "999 05 05"},
        {"GTO at 998", 998, {61, 3}, 1000, "999 03 3"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> lines = listingLines(bankOf(c.first, c.steps));
        EXPECT_EQ(lines.size(), c.lines) << c.name;
        if (!lines.empty()) {
            EXPECT_EQ(lines.back(), c.lastLine) << c.name;
        }
    }
}

// Whatever the bytes, every step is listed once, in order, with its own code.
TEST(Listing, EveryStepListedOnceInOrder) {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        ProgramBank bank{};
        for (auto& step : bank)
            step = static_cast<std::uint8_t>(round < 25 ? byte(random) % 100 : byte(random));
        const std::vector<std::string> lines = listingLines(bank);
        ASSERT_EQ(lines.size(), 1000u);
        for (std::size_t a = 0; a < lines.size(); ++a) {
            const std::string& l = lines[a];
            EXPECT_LE(l.size(), 31u);
            EXPECT_EQ(std::stoi(l.substr(0, 3)), static_cast<int>(a)) << l;
            EXPECT_EQ(std::stoi(l.substr(4, 3)), bank[a]) << l;
        }
    }
}

// The rows of a listing asked for any length: one per step from 000, with its own code, at
// least as many as asked and at most the operands of the last instruction more.
TEST(Listing, RowsOfAnyLengthStartAtTheirStep) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, kSteps);
    for (int round = 0; round < 50; ++round) {
        ProgramBank bank{};
        for (auto& step : bank)
            step = static_cast<std::uint8_t>(round % 2 == 0 ? byte(random) % 100 : byte(random));
        const int asked = length(random);
        const std::vector<ListingRow> rows = listingRows(bank, asked);
        ASSERT_GE(rows.size(), static_cast<std::size_t>(asked));
        EXPECT_LE(rows.size(), std::min<std::size_t>(static_cast<std::size_t>(asked) + 3, 1000));
        for (std::size_t a = 0; a < rows.size(); ++a) {
            EXPECT_EQ(rows[a].address, static_cast<int>(a));
            EXPECT_EQ(rows[a].code, bank[a]);
            EXPECT_FALSE(rows[a].form.empty());
        }
    }
    // The forms are the listing's third field: GTO 245 at 010 reads GTO, 2, 45.
    const std::vector<ListingRow> rows = listingRows(bankOf(10, {61, 2, 45}), 500);
    EXPECT_EQ(rows.size(), 500u);
    EXPECT_EQ(rows[10].form, "GTO");
    EXPECT_EQ(rows[11].form, "2");
    EXPECT_EQ(rows[12].form, "45");
    EXPECT_EQ(rows[499].form, "0");
    EXPECT_TRUE(listingRows(bankOf(0, {61}), 0).empty());
}

// Keyed in learn mode, SBR 123 stores 71 1 23: the listing must not read 23 as LNX.
TEST(Listing, LearnModeFormsListAsOperands) {
    CalcEngine engine;
    test::press(engine, "LRN SBR 1 2 3 STO IND 25 GTO IND 07 SBR IND 25 IFF 3 4 5 6 LBL A LRN");
    const std::vector<std::string> want = {
        "000 71 SBR", "001 01 1",   "002 23 23",  "003 72 STO*", "004 25 25",  "005 83 GTO*",
        "006 07 07",  "007 71 SBR", "008 40 IND", "009 25 25",   "010 87 IFF", "011 03 03",
        "012 04 4",   "013 56 56",  "014 76 LBL", "015 11 A",    "016 00 0",
    };
    expectLines(listingLines(engine.programMemory[0]), 0, want, "keyed");
}

TEST(Listing, StepsAbove99FromDamagedFiles) {
    const std::vector<std::string> lines = listingLines(bankOf(0, {150, 61, 200, 255}));
    EXPECT_EQ(lines[0], "000 150 ?");
    EXPECT_EQ(lines[1], "001 61 GTO");
    EXPECT_EQ(lines[2], "002 200 ?");  // 200 is no address digit: a label that names nothing
    EXPECT_EQ(lines[3], "003 255 ?");
    EXPECT_EQ(lines.size(), 20u);
}

std::u16string decodeUtf16le(const std::vector<std::uint8_t>& bytes, std::size_t from) {
    std::u16string text;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

TEST(Listing, FileIsUtf16WithByteOrderMarkAndCrLf) {
    const std::vector<std::uint8_t> bytes = listingFileBytes(bankOf(0, {33, 32}));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    const std::u16string text = decodeUtf16le(bytes, 2);
    const std::u16string first = u"000 33 X\u00B2\r\n001 32 X<->T\r\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    // 20 lines of CR LF, nothing after the last.
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        lineEnds += text.compare(i, 2, u"\r\n") == 0 ? 1u : 0u;
    EXPECT_EQ(lineEnds, 20u);
    EXPECT_EQ(text.substr(text.size() - 2), u"\r\n");
    EXPECT_EQ(listingText(bankOf(0, {33})).substr(0, 11), "000 33 X\u00B2\n");
}

class ListingFiles : public test::TempFolderTest {};

TEST_F(ListingFiles, WritesTheCurrentBank) {
    CalcEngine engine;
    engine.programMemory[0][0] = 85;
    engine.programMemory[3][0] = 75;
    engine.currentBank = 3;  // a library program is current
    const fs::path path = dir / "korvel.txt";
    std::ofstream(path) << "an older listing that is much longer than the new one ......";
    ASSERT_TRUE(writeListingFile(engine, path.string()).ok);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, listingFileBytes(engine.programMemory[3]));
    EXPECT_EQ(decodeUtf16le(bytes, 2).substr(0, 8), u"000 75 -");
}

TEST_F(ListingFiles, UnwritablePathReportsTheFailure) {
    CalcEngine engine;
    const SaveResult result = writeListingFile(engine, (dir / "missing" / "korvel.txt").string());
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
}

// --- korvelce-cli list ---

using test::CliRun;
using test::runCli;

TEST_F(ListingFiles, CliListsAProgramFile) {
    KORVELCE_SKIP_WITHOUT_CLI();
    CalcEngine engine;
    test::press(engine, "LRN GTO 2 4 5 X^2 LRN");
    const fs::path image = dir / "prog.kv";
    ASSERT_TRUE(saveMemoryImage(engine, image.string()).ok);
    const CliRun run = runCli("list '" + image.string() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string want = "000 61 GTO\n001 02 2\n002 45 45\n003 33 X\u00B2\n004 00 0\n";
    EXPECT_EQ(run.out.substr(0, want.size()), want);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 20);
}

TEST_F(ListingFiles, CliListOfOddFiles) {
    KORVELCE_SKIP_WITHOUT_CLI();
    std::ofstream(dir / "empty.kv");  // 0 bytes: an empty program
    {
        std::vector<char> big(3 << 20, 61);  // 3 MB of GTO 61 61 ...
        std::ofstream(dir / "big.kv", std::ios::binary)
            .write(big.data(), static_cast<std::streamsize>(big.size()));
    }
    fs::create_directories(dir / "folder.kv");
    struct Case {
        std::string args;
        int status;
        std::size_t lines;
        const char* fragment;  // of standard error, or of the first line
    };
    const Case cases[] = {
        {"list '" + (dir / "empty.kv").string() + "'", 0, 20, "000 00 0"},
        {"list '" + (dir / "big.kv").string() + "'", 0, 1000, "000 61 GTO"},
        {"list '" + (dir / "missing.kv").string() + "'", 1, 0, "cannot read memory image"},
        {"list '" + (dir / "folder.kv").string() + "'", 1, 0, "cannot read memory image"},
        {"list", 2, 0, "list takes one memory image"},
        {"list a.kv b.kv", 2, 0, "list takes one memory image"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_EQ(static_cast<std::size_t>(std::count(run.out.begin(), run.out.end(), '\n')),
                  c.lines)
            << c.args;
        const std::string& where = c.status == 0 ? run.out : run.err;
        EXPECT_NE(where.find(c.fragment), std::string::npos) << c.args << "\n" << where;
    }
}

}  // namespace
}  // namespace korvelce
