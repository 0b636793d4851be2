// Program files as the window opens and saves them: a memory image (.kv) or program source
// text (.kvs), chosen by the name; malformed files are refused with what is wrong, before
// anything is replaced; saving goes through a temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/memory_image.h"
#include "files/program_file.h"
#include "files/program_source.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

using test::fileBytes;
using test::writeFileBytes;

class ProgramFile : public test::TempFolderTest {};

TEST(ProgramFileName, SourceTextIsTheKvsSuffix) {
    const std::pair<const char*, bool> rows[] = {
        {"prog.kvs", true},   {"/a/b/Prog.KVS", true}, {"x.Kvs", true},   {".kvs", false},
        {"dir/.kvs", false},  {"prog.kv", false},      {"prog", false},   {"prog.kvs.kv", false},
        {"prog.kvsx", false}, {"kvs", false},          {"a.kvs/", false}, {"a_kvs", false},
        {"", false}};
    for (const auto& [path, source] : rows)
        EXPECT_EQ(isProgramSourcePath(path), source) << path;
}

TEST_F(ProgramFile, WhatIsReadAndWhatIsRefused) {
    CalcEngine source;
    source.registers[3] = DecNumber::fromInt(33);
    ASSERT_TRUE(assembleProgram(source, "LBL A 1 + 2 = R/S").ok);
    const std::vector<std::uint8_t> image = memoryImageBytes(source);
    CalcEngine assembled;
    ASSERT_TRUE(assembleProgram(assembled, "LBL A 1 + 2 = R/S").ok);
    const std::vector<std::uint8_t> assembledImage = memoryImageBytes(assembled);

    struct Row {
        const char* name;
        std::string bytes;  // written to the file; a folder is made for "folder.kv"
        bool ok;
        std::vector<std::uint8_t> image;  // what an accepted file stands for
        const char* message;              // part of the refusal
    };
    const std::string kv(image.begin(), image.end());
    const Row rows[] = {
        {"prog.kv", kv, true, image, ""},
        {"old.kv", std::string(kOldImageSize, '\0'), true,
         std::vector<std::uint8_t>(kOldImageSize, 0), ""},
        {"noname", kv, true, image, ""},
        {"short.kv", kv.substr(0, 12), false, {}, "not a Korvel memory image: it holds 12 bytes"},
        {"one.kv", "x", false, {}, "it holds 1 byte,"},
        {"empty.kv", "", false, {}, "it holds 0 bytes"},
        {"long.kv", kv + "x", false, {}, "it holds more than 2600 bytes"},
        {"text.kv", "LBL A 1 + 2 = R/S\n", false, {}, "not a Korvel memory image"},
        {"prog.kvs", "# a sum\nLBL A 1 + 2 = R/S\n", true, assembledImage, ""},
        {"PROG.KVS", "lbl a 1 + 2 = r/s", true, assembledImage, ""},
        {"empty.kvs", "", true, memoryImageBytes(CalcEngine()), ""},
        {"bad.kvs",
         "LBL A\n1 + FOO = R/S\n",
         false,
         {},
         "is not program source text: line 2: unknown key token 'FOO'"},
        {"raw.kvs", "@300", false, {}, "line 1: raw step '@300' is above 255"},
        {"full.kvs", std::string(2000, '1').insert(1000, " "), false, {}, "1000 steps"},
        {"image.kvs", kv, false, {}, "is not program source text"},
        {"folder.kv", "", false, {}, "cannot be read: it is a folder"},
        {"missing.kvs", "", false, {}, "cannot be read: No such file or directory"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path path = dir / row.name;
        const std::string name = row.name;
        if (name == "folder.kv")
            fs::create_directory(path);
        else if (name != "missing.kvs")
            writeFileBytes(path, row.bytes);
        const ProgramFileRead read = readProgramFile(path.string());
        EXPECT_EQ(read.ok, row.ok) << read.message;
        if (row.ok) {
            EXPECT_EQ(read.image, row.image);
            EXPECT_TRUE(read.message.empty());
        } else {
            EXPECT_TRUE(read.image.empty());
            EXPECT_NE(read.message.find(row.message), std::string::npos) << read.message;
        }
        // The same bytes handed over already read (a browser's upload) give the same answer;
        // only an oversized image is counted exactly instead of "more than".
        if (name == "folder.kv" || name == "missing.kvs") continue;
        const ProgramFileRead fromBytes = readProgramBytes(name, row.bytes);
        EXPECT_EQ(fromBytes.ok, read.ok);
        EXPECT_EQ(fromBytes.image, read.image);
        const std::string expected = name == "long.kv" ? "it holds 2601 bytes" : row.message;
        EXPECT_NE(fromBytes.message.find(expected), std::string::npos) << fromBytes.message;
    }
}

// What a caller words its own message from: the steps a source keyed in, and the system's
// text alone when the file itself could not be read.
TEST_F(ProgramFile, StepsKeyedInAndWhyAFileCouldNotBeRead) {
    struct Row {
        const char* name;
        const char* bytes;  // nullptr: no file; "/": a folder
        int steps;
        const char* readError;
    };
    const Row rows[] = {
        {"sum.kvs", "LBL A 1 + 2 = R/S", 7, ""},
        {"long.kvs", "GTO 123 STO 04", 5, ""},
        {"empty.kvs", "", 0, ""},
        {"bad.kvs", "LBL FOO", 0, ""},
        {"short.kv", "12", 0, ""},
        {"missing.kvs", nullptr, 0, "No such file or directory"},
        {"folder.kv", "/", 0, "it is a folder"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path path = dir / row.name;
        if (row.bytes != nullptr && std::string(row.bytes) == "/")
            fs::create_directory(path);
        else if (row.bytes != nullptr)
            writeFileBytes(path, row.bytes);
        const ProgramFileRead read = readProgramFile(path.string());
        EXPECT_EQ(read.steps, row.steps);
        EXPECT_EQ(read.readError, row.readError);
    }
}

// Saving writes the form the name asks for, and what is saved opens as the same program
// (source text) or the same program and registers (image), whatever the steps.
TEST_F(ProgramFile, SavedProgramsOpenAsTheSameSteps) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> zeroChance(0, 99);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const auto engine = std::make_unique<CalcEngine>();
        for (auto& step : engine->programMemory[0])
            step = static_cast<std::uint8_t>(zeroChance(random) < 40 ? 0 : byte(random));
        engine->registers[static_cast<std::size_t>(round)] = DecNumber::fromInt(round + 1);
        const fs::path text = dir / ("round" + std::to_string(round) + ".kvs");
        const fs::path image = dir / ("round" + std::to_string(round) + ".kv");
        ASSERT_TRUE(saveProgramFile(*engine, text.string()).ok);
        ASSERT_TRUE(saveProgramFile(*engine, image.string()).ok);
        EXPECT_EQ(fileBytes(text), disassembleProgram(engine->programMemory[0]));
        EXPECT_EQ(fs::file_size(image), kImageSize);

        const ProgramFileRead fromText = readProgramFile(text.string());
        ASSERT_TRUE(fromText.ok) << fromText.message;
        const auto opened = std::make_unique<CalcEngine>();
        applyMemoryImage(*opened, fromText.image);
        EXPECT_EQ(opened->programMemory[0], engine->programMemory[0]);
        EXPECT_TRUE(opened->registers[static_cast<std::size_t>(round)].isZero())
            << "source text holds no registers";

        const ProgramFileRead fromImage = readProgramFile(image.string());
        ASSERT_TRUE(fromImage.ok) << fromImage.message;
        EXPECT_EQ(fromImage.image, memoryImageBytes(*engine));
    }
}

TEST_F(ProgramFile, FailedSaveKeepsTheOldFile) {
    CalcEngine engine;
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 R/S").ok);
    const fs::path kept = dir / "kept.kvs";
    writeFileBytes(kept, "old text\n");
    ::chmod(kept.c_str(), 0444);
    const SaveResult refused = saveProgramFile(engine, kept.string());
    if (::geteuid() != 0) {
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(fileBytes(kept), "old text\n");
    }
    const SaveResult missing = saveProgramFile(engine, (dir / "no folder" / "p.kvs").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.message.empty());
    EXPECT_FALSE(fs::exists(dir / "no folder"));
}

}  // namespace
}  // namespace korvelce
