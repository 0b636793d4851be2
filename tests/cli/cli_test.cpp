// The headless front end as scripts use it: output, exit codes, options and messages.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include "support/cli_process.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

using test::CliRun;
using test::runCli;

class CliFiles : public test::TempFolderTest {};

TEST(Cli, PrintsTheDisplayAndExitCodes) {
    struct Case {
        const char* args;
        int status;
        const char* output;  // expected output, or a fragment of it when status is not 0
    };
    const Case cases[] = {
        {"2 + 3 '*' 4 =", 0, "14.\n"},
        {"'1 2 . 5 EE 3 +/-'", 0, "12.5-03\n"},
        {"5 / 0 =", 0, "9.9999999 99\n"},
        {"'x<>t' 'p>r' abs x^2 sqrt 1/x", 0, "9.9999999 99\n"},
        {"@05 @93 @02", 0, "5.2\n"},
        {"", 0, "0\n"},
        {"2 + BOGUS 3", 2, "unknown key token 'BOGUS' at position 3"},
        {"@100", 2, "unknown key token '@100' at position 1"},
        {"--frobnicate", 2, "unknown option '--frobnicate'"},
        {"--max-steps lots", 2, "--max-steps needs a non-negative whole number"},
        {"--max-steps 99999999999999999999999", 2, "is out of range"},
        {"--max-steps -1", 2, "--max-steps needs a non-negative whole number"},
        {"$'1\\x07' 2", 2, "unknown key token '1\\x07' at position 1"},
        {"--save /dev/null 1", 1, "not a regular file"},
        {"--load /tmp 1", 1, "it is a folder"},
        {"--load /nonexistent/korvelce.kv 1", 1, "cannot read memory image"},
        {"--keys-file /nonexistent/keys.txt", 1, "cannot read key file"},
        {"-- 7", 0, "7\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.all();
        if (c.status == 0)
            EXPECT_EQ(run.all(), c.output) << c.args;
        else
            EXPECT_NE(run.all().find(c.output), std::string::npos) << c.args << "\n" << run.all();
    }
}

TEST(Cli, JsonHasEveryField) {
    const CliRun run = runCli("--json 5 'X<>T' 2 INV =");
    ASSERT_EQ(run.status, 0) << run.all();
    for (const char* field :
         {"\"display\":\"2.\"", "\"error\":false", "\"mode\":0", "\"inv\":false", "\"angle\":0",
          "\"fix\":9", "\"format\":0", "\"x\":\"2000000000000E0\"", "\"t\":\"5000000000000E0\"",
          "\"registers\":[\"0E0\"", "\"pc\":0", "\"depth\":0", "\"learnPointer\":0",
          "\"flags\":[0,0,0,0,0,0,0,0,0,0]"})
        EXPECT_NE(run.all().find(field), std::string::npos) << field << "\n" << run.all();
    EXPECT_EQ(run.all().front(), '{');
    EXPECT_EQ(run.all().substr(run.all().size() - 2), "}\n");
}

TEST_F(CliFiles, KeysFileWithCommentsThenArguments) {
    const std::string keys = write("keys.txt", "# a comment line\n2 +   # two plus\n3\n");
    EXPECT_EQ(runCli("--keys-file '" + keys + "' '*' 4 =").out, "14.\n");
    const std::string bad = write("bad.txt", "1 +\n2 ZAP\n");
    const CliRun run = runCli("--keys-file '" + bad + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.all().find("'ZAP' at position 4"), std::string::npos) << run.all();
}

TEST_F(CliFiles, AssembleSaveLoadAndRun) {
    const std::string source = write("square.kvs", "# x squared plus one\nLBL A X^2 + 1 = R/S\n");
    const std::string image = (dir / "square.kv").string();
    const CliRun assembled = runCli("asm '" + source + "' -o '" + image + "'");
    ASSERT_EQ(assembled.status, 0) << assembled.all();
    EXPECT_EQ(fs::file_size(image), 2600u);
    EXPECT_EQ(runCli("--load '" + image + "' 7 A").out, "50.\n");

    // --save writes registers and program; loading the result keeps both.
    const std::string saved = (dir / "saved.kv").string();
    ASSERT_EQ(runCli("--load '" + image + "' --save '" + saved + "' 3 STO 42").status, 0);
    // The program continues the pending 3 + with 4 squared, then adds 1.
    EXPECT_EQ(runCli("--load '" + saved + "' RCL 42 + 4 A").out, "20.\n");
}

TEST_F(CliFiles, EndlessProgramStopsAtTheStepLimit) {
    const std::string source = write("loop.kvs", "LBL A 1 SUM 00 GTO A\n");
    const std::string image = (dir / "loop.kv").string();
    ASSERT_EQ(runCli("asm '" + source + "' -o '" + image + "'").status, 0);
    const CliRun run = runCli("--load '" + image + "' --max-steps 500 A");
    EXPECT_EQ(run.status, 3) << run.all();
    EXPECT_NE(run.all().find("more than 500 steps"), std::string::npos) << run.all();
}

TEST_F(CliFiles, AssemblerReportsTheLineOfAnUnknownToken) {
    const std::string source = write("bad.kvs", "LBL A\n1 + FOO\n");
    const CliRun run = runCli("asm '" + source + "' -o '" + (dir / "x.kv").string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.all().find("line 2: unknown key token 'FOO'"), std::string::npos) << run.all();
    EXPECT_FALSE(fs::exists(dir / "x.kv"));
}

TEST_F(CliFiles, AssemblerRefusesAProgramLongerThanMemory) {
    std::string text;
    for (int i = 0; i < 1001; ++i)
        text += "NOP\n";
    const std::string source = write("long.kvs", text);
    const CliRun run = runCli("asm '" + source + "' -o '" + (dir / "x.kv").string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.all().find("does not fit in 1000 steps"), std::string::npos) << run.all();
}

TEST_F(CliFiles, SaveIntoAMissingFolderFailsCleanly) {
    const CliRun run = runCli("--save '" + (dir / "no" / "such" / "x.kv").string() + "' 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.all().find("cannot write"), std::string::npos) << run.all();
}

using test::fileBytes;

TEST_F(CliFiles, DisassembleWritesSourceThatAssemblesBack) {
    const std::string source = write("square.kvs", "LBL A X^2 + 1 = R/S 2\n");
    const std::string image = (dir / "square.kv").string();
    ASSERT_EQ(runCli("asm '" + source + "' -o '" + image + "'").status, 0);
    const std::string want = "LBL A X^2 + 1 = R/S" + std::string(31, ' ') + "# 000\n" + "2" +
                             std::string(49, ' ') + "# 007\n";

    // Standard output, from a file, standard input or a pipe.
    for (const std::string& args : {"disasm '" + image + "'", "disasm - < '" + image + "'",
                                    "disasm <(cat '" + image + "')"}) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 0) << args << "\n" << run.all();
        EXPECT_EQ(run.out, want) << args;
    }

    // -o replaces the file as a whole and keeps its permission bits.
    const std::string text = write("square-out.kvs", "old text, much longer than the new one\n");
    fs::permissions(text, fs::perms::owner_read | fs::perms::owner_write);
    const CliRun saved = runCli("disasm '" + image + "' -o '" + text + "'");
    EXPECT_EQ(saved.status, 0) << saved.all();
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(fileBytes(text), want);
    EXPECT_EQ(fs::status(text).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    // The source assembles back into the same image.
    const std::string again = (dir / "again.kv").string();
    ASSERT_EQ(runCli("asm '" + text + "' -o '" + again + "'").status, 0);
    EXPECT_EQ(fileBytes(again), fileBytes(image));
}

TEST_F(CliFiles, DisassembleWritesDamagedStepsAsRawSteps) {
    // Registers zero, then steps no key stores: bytes above 99, LRN, and STO with 150.
    std::string bytes(2600, '\0');
    const std::string steps = {'\x96', '\x1F', '\x2A', '\x96', '\x5F', '\xFF'};
    bytes.replace(1600, steps.size(), steps);
    const std::string image = write("damaged.kv", bytes);
    const CliRun run = runCli("disasm '" + image + "'");
    ASSERT_EQ(run.status, 0) << run.all();
    EXPECT_EQ(run.out.substr(0, run.out.find("  ")), "@150 @31 STO @150 = @255");
    const std::string source = write("damaged.kvs", run.out);
    const std::string again = (dir / "again.kv").string();
    ASSERT_EQ(runCli("asm '" + source + "' -o '" + again + "'").status, 0);
    EXPECT_EQ(fileBytes(again).substr(1600), bytes.substr(1600));
}

TEST_F(CliFiles, DisassembleReportsBadUsageAndFiles) {
    const std::string image = (dir / "one.kv").string();
    ASSERT_EQ(runCli("--save '" + image + "' 1").status, 0);
    fs::create_directories(dir / "folder");
    struct Case {
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"disasm", 2, "disasm needs a memory image"},
        {"disasm '" + image + "' '" + image + "'", 2, "disasm takes one memory image"},
        {"disasm '" + image + "' -o", 2, "-o needs a file name"},
        {"disasm --frobnicate '" + image + "'", 2, "unknown option '--frobnicate'"},
        {"disasm '" + (dir / "missing.kv").string() + "'", 1, "cannot read memory image"},
        {"disasm '" + (dir / "folder").string() + "'", 1, "it is a folder"},
        {"disasm '" + image + "' -o '" + (dir / "no" / "x.kvs").string() + "'", 1, "cannot write"},
        {"disasm '" + image + "' -o '" + (dir / "folder").string() + "'", 1, "it is a folder"},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.all();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n" << run.all();
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

// A memory image or a key file from a pipe or standard input gives what the same bytes in a
// file give; control bytes in an unknown token are shown escaped.
TEST_F(CliFiles, InputsFromPipesAndStandardInput) {
    const std::string image = (dir / "r.kv").string();
    ASSERT_EQ(runCli("--save '" + image + "' 3 STO 01").status, 0);
    struct Case {
        std::string args;
        const char* output;
    };
    const Case cases[] = {
        {"--load <(cat '" + image + "') RCL 01", "3.\n"},
        {"--load /dev/stdin RCL 01 < '" + image + "'", "3.\n"},
        {"--load - RCL 01 < '" + image + "'", "3.\n"},
        {"list - < '" + image + "'", "000 00 0\n001 00 0\n"},
        {"--keys-file <(echo 2 + 3 =)", "5.\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.status, 0) << c.args << "\n" << run.all();
        EXPECT_EQ(run.out.substr(0, std::string(c.output).size()), c.output) << c.args;
    }
    const std::string bell = write("bell.kvs", "LBL A\n1 \x07 2\n");
    const CliRun assembled = runCli("asm '" + bell + "' -o '" + (dir / "b.kv").string() + "'");
    EXPECT_EQ(assembled.status, 2);
    EXPECT_NE(assembled.err.find("'\\x07'"), std::string::npos) << assembled.err;
    const std::string nul = write("nul.txt", std::string("1 a\0b 2", 7));
    const CliRun run = runCli("--keys-file '" + nul + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("'a\\x00b'"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace korvelce
