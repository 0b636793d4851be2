// Where the window finds its installed data, its information options, and the two kinds of
// file a user opens in it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/calc_engine.h"
#include "files/memory_image.h"
#include "korvelce/version.h"
#include "shell/application.h"
#include "shell/command_line.h"
#include "shell/data_paths.h"

namespace korvelce {
namespace {

bool writeFile(const QString& path, const QByteArray& contents) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// A tree with an executable folder and data files placed beside it, in ../share/korvelce, or
// both; the relative paths are inside the temporary folder.
struct DataCase {
    const char* name;
    const char* executableFolder;
    std::vector<const char*> present;  // data files that exist, relative to the tree
    const char* expected;              // the path the lookup gives, relative to the tree
    friend void PrintTo(const DataCase& c, std::ostream* os) { *os << c.name; }
};

class DataFilePathTest : public ::testing::TestWithParam<DataCase> {};

TEST_P(DataFilePathTest, FindsTheFileBesideOrInTheSharedFolder) {
    const DataCase& c = GetParam();
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    const QString executableFolder = tree.filePath(QString::fromUtf8(c.executableFolder));
    ASSERT_TRUE(QDir().mkpath(executableFolder));
    for (const char* file : c.present)
        ASSERT_TRUE(writeFile(tree.filePath(QString::fromUtf8(file)), "png"));
    EXPECT_EQ(QDir::cleanPath(dataFilePathFrom(executableFolder, QStringLiteral("FondVGA.png"))),
              QDir::cleanPath(tree.filePath(QString::fromUtf8(c.expected))));
}

INSTANTIATE_TEST_SUITE_P(
    Trees, DataFilePathTest,
    ::testing::Values(
        DataCase{
            "BuildFolder", "build/shell", {"build/shell/FondVGA.png"}, "build/shell/FondVGA.png"},
        DataCase{"InstalledUnderUsr",
                 "usr/bin",
                 {"usr/share/korvelce/FondVGA.png"},
                 "usr/share/korvelce/FondVGA.png"},
        DataCase{"InstalledUnderAHomePrefix",
                 "home/u/.local/bin",
                 {"home/u/.local/share/korvelce/FondVGA.png"},
                 "home/u/.local/share/korvelce/FondVGA.png"},
        // The executable's own folder wins: a build folder never reads an older installation.
        DataCase{"BesideBeforeShared",
                 "usr/bin",
                 {"usr/bin/FondVGA.png", "usr/share/korvelce/FondVGA.png"},
                 "usr/bin/FondVGA.png"},
        // Another file of the same folder does not stand in for the one asked for.
        DataCase{"OnlyOtherFiles",
                 "usr/bin",
                 {"usr/share/korvelce/FondWVGA.png"},
                 "usr/bin/FondVGA.png"},
        // A folder with the file's name is not the file.
        DataCase{"FolderOfThatName",
                 "usr/bin",
                 {"usr/share/korvelce/FondVGA.png/x"},
                 "usr/bin/FondVGA.png"},
        DataCase{"Nowhere", "opt/korvelce/bin", {}, "opt/korvelce/bin/FondVGA.png"}));

TEST(DataFilePath, RunningExecutableFindsTheSkinsOfItsBuildFolder) {
    // The test executable's folder holds the skins, as the window's build folder does.
    const QString path = dataFilePath(QStringLiteral("FondWVGA.png"));
    EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
}

TEST(InstalledWithDesktopEntry, OnlyWhenTheEntryIsInTheSharedFolderOfThePrefix) {
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    const QString entry =
        QStringLiteral("share/applications/%1.desktop").arg(QString::fromLatin1(kApplicationId));
    const QString bin = tree.filePath(QStringLiteral("prefix/bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_FALSE(installedWithDesktopEntryFrom(bin));
    // The per-user association's name is not the installed entry's.
    ASSERT_TRUE(
        writeFile(tree.filePath(QStringLiteral("prefix/share/applications/korvelce.desktop")),
                  "[Desktop Entry]\n"));
    EXPECT_FALSE(installedWithDesktopEntryFrom(bin));
    ASSERT_TRUE(writeFile(tree.filePath(QStringLiteral("prefix/") + entry), "[Desktop Entry]\n"));
    EXPECT_TRUE(installedWithDesktopEntryFrom(bin));
    // A build folder beside an installed tree is not installed.
    const QString build = tree.filePath(QStringLiteral("prefix/build/shell"));
    ASSERT_TRUE(QDir().mkpath(build));
    EXPECT_FALSE(installedWithDesktopEntryFrom(build));
    // The running test executable is in a build folder.
    EXPECT_FALSE(installedWithDesktopEntry());
}

struct OptionCase {
    std::vector<const char*> arguments;  // after the program name
    bool answered;
    const char* firstLine;  // of what was written, when answered
};

class InformationOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(InformationOptionTest, AnswersOnlyTheInformationOptionsInFirstPlace) {
    const OptionCase& c = GetParam();
    std::vector<const char*> argv{"korvelce"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::ostringstream out;
    const auto status = answerInformationOption(static_cast<int>(argv.size()), argv.data(), out);
    ASSERT_EQ(status.has_value(), c.answered);
    if (!c.answered) {
        EXPECT_TRUE(out.str().empty());
        return;
    }
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')), c.firstLine);
}

const std::string kVersionLine = std::string("korvelce ") + kVersion;

INSTANTIATE_TEST_SUITE_P(
    CommandLines, InformationOptionTest,
    ::testing::Values(OptionCase{{"--help"}, true, "usage: korvelce [FILE.kv | FILE.kvs]"},
                      OptionCase{{"-h"}, true, "usage: korvelce [FILE.kv | FILE.kvs]"},
                      OptionCase{{"--version"}, true, kVersionLine.c_str()},
                      OptionCase{{"--help", "x.kv"}, true, "usage: korvelce [FILE.kv | FILE.kvs]"},
                      OptionCase{{}, false, ""}, OptionCase{{"program.kv"}, false, ""},
                      // Only the first argument is an option: later ones are part of a name.
                      OptionCase{{"my", "--help"}, false, ""},
                      OptionCase{{"-platform", "offscreen"}, false, ""},
                      OptionCase{{"--versions"}, false, ""}));

TEST(InformationOption, HelpNamesEveryOptionAndVariable) {
    const std::string usage = kWindowUsage;
    for (const char* word : {"--help", "-h,", "--version", "KORVELCE_SCREEN", "KORVELCE_DEBUG",
                             "480x800", "480x640", "240x400", "240x320", "korvelce(1)"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(InformationOption, VersionIsTheProjectsDottedVersion) {
    const std::string version = kVersion;
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos) << version;
}

class ProgramFilesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir_;
};

TEST_F(ProgramFilesTest, MemoryImageReplacesRegistersAndProgram) {
    CalcEngine saved;
    saved.registers[3] = DecNumber::fromInt(9);
    saved.programMemory[0][0] = 76;
    ASSERT_TRUE(saveMemoryImage(saved, path("p.kv").toStdString()).ok);
    CalcEngine engine;
    engine.registers[7] = DecNumber::fromInt(42);
    ASSERT_TRUE(loadProgramFile(engine, path("p.kv")));
    EXPECT_EQ(engine.registers[3].toInteger(), 9);
    EXPECT_TRUE(engine.registers[7].isZero());
    EXPECT_EQ(engine.programMemory[0][0], 76);
}

struct BadFileCase {
    const char* name;
    const char* file;
    const char* contents;  // nullptr: the file is not made
    const char* reason;    // part of the reason given
    friend void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }
};

class BadProgramFileTest : public ProgramFilesTest,
                           public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadProgramFileTest, ChangesNothingAndSaysWhy) {
    const BadFileCase& c = GetParam();
    if (c.contents != nullptr) {
        ASSERT_TRUE(writeFile(path(c.file), c.contents));
    }
    CalcEngine engine;
    engine.registers[1] = DecNumber::fromInt(5);
    engine.programMemory[0][0] = 11;
    const std::vector<std::uint8_t> before = memoryImageBytes(engine);
    QString why;
    EXPECT_FALSE(loadProgramFile(engine, path(c.file), &why));
    EXPECT_EQ(memoryImageBytes(engine), before);
    EXPECT_TRUE(why.contains(QString::fromUtf8(c.reason))) << why.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadProgramFileTest,
    ::testing::Values(BadFileCase{"UnknownToken", "bad.kvs", "LBL A\nSTO 00 FROB\n", "line 2"},
                      BadFileCase{"RawStepTooLarge", "raw.kvs", "@300\n", "above 255"},
                      BadFileCase{"MissingSource", "none.kvs", nullptr, "No such file"},
                      BadFileCase{"MissingImage", "none.kv", nullptr, "No such file"}));

TEST_F(ProgramFilesTest, FolderNamedLikeSourceIsRefused) {
    ASSERT_TRUE(QDir().mkpath(path("dir.kvs")));
    CalcEngine engine;
    QString why;
    EXPECT_FALSE(loadProgramFile(engine, path("dir.kvs"), &why));
    EXPECT_FALSE(why.isEmpty());
}

}  // namespace
}  // namespace korvelce
