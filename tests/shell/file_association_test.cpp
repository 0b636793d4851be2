// The desktop entry and MIME package that associate *.kv files with the executable.
#include "shell/file_association.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <csignal>
#include <cstdint>

namespace korvelce {
namespace {

class FileAssociationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        data_ = dir_.data();
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    test::TempHome dir_;
    QString data_;
};

// The Exec line of the entry, as it stands in the file.
QString execLine(const QByteArray& entry) {
    for (const QByteArray& line : entry.split('\n'))
        if (line.startsWith("Exec=")) return QString::fromUtf8(line);
    return {};
}

struct ExecCase {
    const char* path;
    const char* line;
    friend void PrintTo(const ExecCase& c, std::ostream* os) { *os << c.path; }
};

class ExecLineTest : public FileAssociationTest, public ::testing::WithParamInterface<ExecCase> {};

TEST_P(ExecLineTest, ExecutableIsQuotedAndEscapedAsNeeded) {
    const ExecCase c = GetParam();
    registerFileAssociation(QString::fromUtf8(c.path), false);
    EXPECT_EQ(execLine(read(data_ + QStringLiteral("/applications/korvelce.desktop"))),
              QString::fromUtf8(c.line));
}

// In the file, a backslash of the quoted argument is itself escaped as a string value.
INSTANTIATE_TEST_SUITE_P(
    Paths, ExecLineTest,
    ::testing::Values(ExecCase{"/usr/bin/korvelce", "Exec=/usr/bin/korvelce %f"},
                      ExecCase{"/opt/Program Files/X/korvelce",
                               "Exec=\"/opt/Program Files/X/korvelce\" %f"},
                      ExecCase{"/opt/a\"b/korvelce", "Exec=\"/opt/a\\\\\"b/korvelce\" %f"},
                      ExecCase{"/opt/$HOME/korvelce", "Exec=\"/opt/\\\\$HOME/korvelce\" %f"},
                      ExecCase{"/opt/my $x/k", "Exec=\"/opt/my \\\\$x/k\" %f"},
                      ExecCase{"/opt/a`b/k", "Exec=\"/opt/a\\\\`b/k\" %f"},
                      ExecCase{"/opt/a\\b/k", "Exec=\"/opt/a\\\\\\\\b/k\" %f"},
                      ExecCase{"/opt/100%/k", "Exec=/opt/100%%/k %f"},
                      ExecCase{"/opt/a b%/k", "Exec=\"/opt/a b%%/k\" %f"},
                      ExecCase{"/opt/it's/k", "Exec=\"/opt/it's/k\" %f"},
                      ExecCase{"/opt/été/k", "Exec=/opt/été/k %f"}));

// Reads an Exec value back the way a desktop reads it: string escapes first, then the
// quoting of arguments, then the field codes.
QStringList parseExec(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            text += next == u'n'   ? QChar(u'\n')
                    : next == u't' ? QChar(u'\t')
                    : next == u'r' ? QChar(u'\r')
                    : next == u's' ? QChar(u' ')
                                   : next;
        } else {
            text += value[i];
        }
    }
    QStringList args;
    QString arg;
    bool inArg = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ') {
            if (inArg) args << arg;
            arg.clear();
            inArg = false;
        } else if (c == u'"') {
            inArg = true;
            for (++i; i < text.size() && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size()) ++i;
                arg += text[i];
            }
        } else {
            inArg = true;
            arg += c;
        }
    }
    if (inArg) args << arg;
    for (QString& a : args)
        a.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return args;
}

TEST(DesktopExecArgument, AwkwardPathsReadBackUnchanged) {
    const char* const paths[] = {"/a b/c",  "/a\"b",       "/a\\b",     "/a$b",
                                 "/a`b",    "/a\\\"$`b c", "/a\tb",     "/a\nb",
                                 "/a%b %f", "/a;b|c&d",    "/~/(x)*?#", "/a<b>c"};
    for (const char* path : paths) {
        const QString original = QString::fromUtf8(path);
        const QStringList args = parseExec(desktopExecArgument(original) + QStringLiteral(" %f"));
        ASSERT_EQ(args.size(), 2) << path;
        EXPECT_EQ(args[0], original) << path;
        EXPECT_EQ(args[1], QStringLiteral("%f")) << path;
    }
}

TEST_F(FileAssociationTest, DesktopEntryOpensTheProgramType) {
    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), false);
    const QStringList lines =
        QString::fromUtf8(read(data_ + QStringLiteral("/applications/korvelce.desktop")))
            .split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=application/x-korvel-program;")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=/usr/bin/korvelce %f")));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("Name="));
    })) << "an entry without a name is invalid";
}

TEST_F(FileAssociationTest, MimePackageNamesTheTypeByItsPattern) {
    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), false);
    QXmlStreamReader xml(read(data_ + QStringLiteral("/mime/packages/korvelce.xml")));
    QStringList types;
    QStringList globs;
    QString rootNamespace;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"mime-info") rootNamespace = xml.namespaceUri().toString();
        if (xml.name() == u"mime-type")
            types << xml.attributes().value(QStringLiteral("type")).toString();
        if (xml.name() == u"glob")
            globs << xml.attributes().value(QStringLiteral("pattern")).toString();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rootNamespace,
              QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    EXPECT_EQ(types, QStringList{QStringLiteral("application/x-korvel-program")});
    EXPECT_EQ(globs, QStringList{QStringLiteral("*.kv")});
}

TEST_F(FileAssociationTest, EveryStartReplacesWhatWasThere) {
    const QString entry = data_ + QStringLiteral("/applications/korvelce.desktop");
    const QString package = data_ + QStringLiteral("/mime/packages/korvelce.xml");
    registerFileAssociation(QStringLiteral("/old place/korvelce"), false);
    QFile file(package);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("left by someone else");
    file.close();

    registerFileAssociation(QStringLiteral("/new/korvelce"), false);
    EXPECT_EQ(execLine(read(entry)), QStringLiteral("Exec=/new/korvelce %f"));
    EXPECT_TRUE(read(package).contains("pattern=\"*.kv\""));
    // Written through temporary files that are gone afterwards.
    EXPECT_EQ(QDir(data_ + QStringLiteral("/applications")).entryList(QDir::Files),
              QStringList{QStringLiteral("korvelce.desktop")});
    EXPECT_EQ(QDir(data_ + QStringLiteral("/mime/packages")).entryList(QDir::Files),
              QStringList{QStringLiteral("korvelce.xml")});
}

TEST_F(FileAssociationTest, UnwritableDataFolderFailsSilently) {
    const QString blocker = dir_.path(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    dir_.set("XDG_DATA_HOME", blocker + QStringLiteral("/data"));
    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), true);
    EXPECT_FALSE(QFile::exists(blocker + QStringLiteral("/data")));
    EXPECT_EQ(desktopEntryPath(), blocker + QStringLiteral("/data/applications/korvelce.desktop"));
}

// The identity of a file's contents on disk: a rewrite through a temporary file and a rename
// gives a new inode.
struct FileStamp {
    ino_t inode = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
    return {info.st_ino, std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

TEST_F(FileAssociationTest, FilesThatHoldTheirContentsAreNotRewritten) {
    const QString entry = data_ + QStringLiteral("/applications/korvelce.desktop");
    const QString package = data_ + QStringLiteral("/mime/packages/korvelce.xml");
    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), false);
    const FileStamp entryBefore = stampOf(entry);
    const FileStamp packageBefore = stampOf(package);
    ASSERT_NE(entryBefore.inode, 0u);
    ASSERT_NE(packageBefore.inode, 0u);

    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), false);
    EXPECT_EQ(stampOf(entry), entryBefore);
    EXPECT_EQ(stampOf(package), packageBefore);

    // Another executable changes the entry only.
    registerFileAssociation(QStringLiteral("/opt/korvelce"), false);
    EXPECT_NE(stampOf(entry).inode, entryBefore.inode);
    EXPECT_EQ(execLine(read(entry)), QStringLiteral("Exec=/opt/korvelce %f"));
    EXPECT_EQ(stampOf(package), packageBefore);
}

// What makes the writes fail while the test runs.
enum class WriteFailure { kReadOnlyFolders, kFullDisk };

void PrintTo(WriteFailure failure, std::ostream* out) {
    *out << (failure == WriteFailure::kFullDisk ? "full disk" : "read-only folders");
}

class FailedWriteTest : public FileAssociationTest,
                        public ::testing::WithParamInterface<WriteFailure> {};

// A write that fails (a full disk, a folder that cannot be written) keeps the old file whole,
// and no temporary file is left behind.
TEST_P(FailedWriteTest, OldFilesStayAsTheyWere) {
    const QString applications = data_ + QStringLiteral("/applications");
    const QString packages = data_ + QStringLiteral("/mime/packages");
    const QString entry = applications + QStringLiteral("/korvelce.desktop");
    const QString package = packages + QStringLiteral("/korvelce.xml");
    registerFileAssociation(QStringLiteral("/old/korvelce"), false);
    {
        QFile file(package);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<mime-info/>\n");  // someone else's package, shorter than ours
    }
    const QByteArray oldEntry = read(entry);
    const QByteArray oldPackage = read(package);

    if (GetParam() == WriteFailure::kReadOnlyFolders) {
        if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold back the superuser";
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        ASSERT_TRUE(QFile::setPermissions(applications, readOnly));
        ASSERT_TRUE(QFile::setPermissions(packages, readOnly));
        registerFileAssociation(QStringLiteral("/new/korvelce"), false);
        const auto writable = readOnly | QFileDevice::WriteOwner;
        QFile::setPermissions(applications, writable);
        QFile::setPermissions(packages, writable);
    } else {
        // A file may not grow past a few bytes: every write of the new contents fails as on a
        // full disk (and the signal that would end the process is ignored meanwhile).
        struct rlimit previous {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = previous;
        small.rlim_cur = 8;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        registerFileAssociation(QStringLiteral("/new/korvelce"), false);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, oldHandler);
    }

    EXPECT_EQ(read(entry), oldEntry);
    EXPECT_EQ(read(package), oldPackage);
    EXPECT_EQ(QDir(applications).entryList(QDir::Files),
              QStringList{QStringLiteral("korvelce.desktop")});
    EXPECT_EQ(QDir(packages).entryList(QDir::Files), QStringList{QStringLiteral("korvelce.xml")});

    // Once the writes succeed again, the new contents arrive.
    registerFileAssociation(QStringLiteral("/new/korvelce"), false);
    EXPECT_EQ(execLine(read(entry)), QStringLiteral("Exec=/new/korvelce %f"));
    EXPECT_EQ(read(package), mimePackageText());
}

INSTANTIATE_TEST_SUITE_P(Failures, FailedWriteTest,
                         ::testing::Values(WriteFailure::kReadOnlyFolders, WriteFailure::kFullDisk),
                         [](const ::testing::TestParamInfo<WriteFailure>& row) {
                             return row.param == WriteFailure::kFullDisk ? "FullDisk"
                                                                         : "ReadOnlyFolders";
                         });

}  // namespace
}  // namespace korvelce
