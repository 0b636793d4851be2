// The desktop entry and MIME package that associate *.kv files with the executable.
#include "shell/file_association.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace korvelce {
namespace {

class FileAssociationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        data_ = dir_.filePath(QStringLiteral("data"));
        qputenv("HOME", QFile::encodeName(dir_.filePath(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data_));
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
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
    const QString blocker = dir_.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
    registerFileAssociation(QStringLiteral("/usr/bin/korvelce"), true);
    EXPECT_FALSE(QFile::exists(blocker + QStringLiteral("/data")));
    EXPECT_EQ(desktopEntryPath(), blocker + QStringLiteral("/data/applications/korvelce.desktop"));
}

}  // namespace
}  // namespace korvelce
