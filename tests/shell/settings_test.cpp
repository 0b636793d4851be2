// Settings in the user's store: defaults, the round trip through exit and start, and values
// placed in the store by hand.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "shell/registry_key.h"
#include "support/temp_home.h"

namespace korvelce {
namespace {

const QString kGroup = QStringLiteral("Software/Brannock/Korvelce/");

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        home_ = dir_.home();
        config_ = dir_.config();
    }

    QString storeFile() const { return config_ + QStringLiteral("/Brannock/Korvelce.conf"); }

    // Writes the store's text as a user editing it would.
    void writeStore(const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(config_ + QStringLiteral("/Brannock")));
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void setStored(const QString& name, const QString& value) {
        ASSERT_TRUE(QDir().mkpath(config_ + QStringLiteral("/Brannock")));
        QSettings store(storeFile(), QSettings::IniFormat);
        store.setValue(kGroup + name, value);
    }

    QVariant stored(const QString& name) const {
        return QSettings(storeFile(), QSettings::IniFormat).value(kGroup + name);
    }

    test::TempHome dir_;
    QString home_;
    QString config_;
};

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
    const Settings s = loadSettings();
    EXPECT_EQ(s.printerPath, home_ + QStringLiteral("/Documents/Korvel.txt"));
    EXPECT_EQ(s.runDelayMs, 0);
    EXPECT_EQ(s.shortPauseMs, 50);
    EXPECT_EQ(s.longPauseMs, 500);
    EXPECT_EQ(s.blinkMs, 200);
    EXPECT_EQ(s.left, 100);
    EXPECT_EQ(s.top, 100);
    EXPECT_EQ(s.module, 110);
    EXPECT_FALSE(QFile::exists(storeFile())) << "reading must not create the store";
}

TEST_F(SettingsTest, ExitWritesEveryValueUnderTheSettingsKey) {
    saveSettings(loadSettings());
    EXPECT_EQ(stored(QStringLiteral("PrintFile")).toString(),
              home_ + QStringLiteral("/Documents/Korvel.txt"));
    const std::pair<const char*, int> expected[] = {{"DelaiRun", 0},
                                                    {"DureePauseCourte", 50},
                                                    {"DureePauseLongue", 500},
                                                    {"DureeClignotement", 200},
                                                    {"Gauche", 100},
                                                    {"Haut", 100},
                                                    {"Largeur", 0},
                                                    {"Hauteur", 0},
                                                    {"Module", 110}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(stored(QString::fromLatin1(name)).toString(), QString::number(value)) << name;
}

TEST_F(SettingsTest, ValuesWrittenAtExitAreReadAtTheNextStart) {
    Settings s;
    s.printerPath = QStringLiteral("/srv/print, out/papier é.txt");
    s.runDelayMs = 40;
    s.shortPauseMs = 0;
    s.longPauseMs = 1200;
    s.blinkMs = 333;
    s.left = -250;
    s.top = 2147483647;
    s.width = 640;
    s.height = 1066;
    s.module = 128;
    saveSettings(s);

    const Settings back = loadSettings();
    EXPECT_EQ(back.printerPath, s.printerPath);
    EXPECT_EQ(back.runDelayMs, 0) << "the run delay always starts at 0";
    EXPECT_EQ(back.shortPauseMs, 0);
    EXPECT_EQ(back.longPauseMs, 1200);
    EXPECT_EQ(back.blinkMs, 333);
    EXPECT_EQ(back.left, -250);
    EXPECT_EQ(back.top, 2147483647);
    EXPECT_EQ(back.width, 640);
    EXPECT_EQ(back.height, 1066);
    EXPECT_EQ(back.module, 128);
}

// The workbench's saved layouts are bytes of any value, kept as Base64 text; text that is not
// Base64 reads as no layout (the first look), and nothing is written for no layout.
TEST_F(SettingsTest, WorkbenchLayoutsAreKeptAsBase64) {
    Settings s;
    for (int b = 0; b < 256; ++b)
        s.workbenchLayout.append(static_cast<char>(b));
    s.workbenchGeometry = QByteArray("\x01\xd9\xd0\xcb\x00\x03", 6);
    s.registersNonZeroOnly = true;
    saveSettings(s);
    EXPECT_EQ(stored(QStringLiteral("WorkbenchPanels")).toString(),
              QString::fromLatin1(s.workbenchLayout.toBase64()));
    const Settings back = loadSettings();
    EXPECT_EQ(back.workbenchLayout, s.workbenchLayout);
    EXPECT_EQ(back.workbenchGeometry, s.workbenchGeometry);
    EXPECT_TRUE(back.registersNonZeroOnly);

    setStored(QStringLiteral("WorkbenchPanels"), QStringLiteral("not base64!"));
    setStored(QStringLiteral("RegistersNonZero"), QStringLiteral("0"));
    const Settings bad = loadSettings();
    EXPECT_TRUE(bad.workbenchLayout.isEmpty());
    EXPECT_EQ(bad.workbenchGeometry, s.workbenchGeometry);
    EXPECT_FALSE(bad.registersNonZeroOnly);

    QFile::remove(storeFile());
    saveSettings(Settings{});
    EXPECT_FALSE(stored(QStringLiteral("WorkbenchPanels")).isValid());
    EXPECT_FALSE(stored(QStringLiteral("WorkbenchGeometry")).isValid());
}

TEST_F(SettingsTest, HandWrittenStoreIsRead) {
    writeStore(
        "[Software/Brannock/Korvelce]\n"
        "PrintFile=/data/printer.txt\n"
        "DureePauseLongue=900\n"
        "Gauche=12\n"
        "Largeur=-5\n"
        "Hauteur=700\n");
    const Settings s = loadSettings();
    EXPECT_EQ(s.printerPath, QStringLiteral("/data/printer.txt"));
    EXPECT_EQ(s.longPauseMs, 900);
    EXPECT_EQ(s.left, 12);
    EXPECT_EQ(s.shortPauseMs, 50) << "a missing value keeps its default";
    EXPECT_EQ(s.top, 100);
    EXPECT_EQ(s.width, 0) << "a negative size means none";
    EXPECT_EQ(s.height, 700);
}

TEST_F(SettingsTest, HandSetRunDelayIsIgnoredAndOverwrittenWithZero) {
    setStored(QStringLiteral("DelaiRun"), QStringLiteral("750"));
    const Settings s = loadSettings();
    EXPECT_EQ(s.runDelayMs, 0);
    saveSettings(s);
    EXPECT_EQ(stored(QStringLiteral("DelaiRun")).toString(), QStringLiteral("0"));
}

TEST_F(SettingsTest, UnknownModuleIsKeptAndWrittenBack) {
    setStored(QStringLiteral("Module"), QStringLiteral("4242"));
    const Settings s = loadSettings();
    EXPECT_EQ(s.module, 4242);
    saveSettings(s);
    EXPECT_EQ(stored(QStringLiteral("Module")).toString(), QStringLiteral("4242"));
}

TEST_F(SettingsTest, EmptyPrinterPathIsNotWrittenAndReadsAsTheDefault) {
    setStored(QStringLiteral("PrintFile"), QString());
    EXPECT_EQ(loadSettings().printerPath, home_ + QStringLiteral("/Documents/Korvel.txt"));

    setStored(QStringLiteral("PrintFile"), QStringLiteral("/kept.txt"));
    Settings s;
    saveSettings(s);  // printerPath empty
    EXPECT_EQ(stored(QStringLiteral("PrintFile")).toString(), QStringLiteral("/kept.txt"));
}

// A path fits the 522-byte buffer with its terminating zero: 260 characters at most.
struct PathLengthCase {
    int length;
    bool read;
    friend void PrintTo(const PathLengthCase& c, std::ostream* os) { *os << c.length; }
};

class PrinterPathLengthTest : public SettingsTest,
                              public ::testing::WithParamInterface<PathLengthCase> {};

TEST_P(PrinterPathLengthTest, OverLongPathIsReplacedByTheDefault) {
    const PathLengthCase c = GetParam();
    const QString path = u'/' + QString(c.length - 1, u'p');
    setStored(QStringLiteral("PrintFile"), path);
    const QString expected = c.read ? path : home_ + QStringLiteral("/Documents/Korvel.txt");
    EXPECT_EQ(loadSettings().printerPath, expected) << c.length;
}

INSTANTIATE_TEST_SUITE_P(Lengths, PrinterPathLengthTest,
                         ::testing::Values(PathLengthCase{1, true}, PathLengthCase{259, true},
                                           PathLengthCase{260, true}, PathLengthCase{261, false},
                                           PathLengthCase{600, false}));

// One stored text for "Gauche" (no lower limit) and what it reads as; 100 is the default.
struct NumberCase {
    const char* text;
    int expected;
    friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class StoredNumberTest : public SettingsTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(StoredNumberTest, OnlyWholeNumbersInRangeAreRead) {
    const NumberCase c = GetParam();
    setStored(QStringLiteral("Gauche"), QString::fromLatin1(c.text));
    EXPECT_EQ(loadSettings().left, c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredNumberTest,
    ::testing::Values(NumberCase{"250", 250}, NumberCase{"-40", -40}, NumberCase{"0", 0},
                      NumberCase{"-2147483648", -2147483647 - 1}, NumberCase{"abc", 100},
                      NumberCase{"12px", 100}, NumberCase{"", 100}, NumberCase{"1.5", 100},
                      NumberCase{"0x20", 100}, NumberCase{"2147483648", 100},
                      NumberCase{"4294967295", 100}, NumberCase{"-2147483649", 100}));

TEST_F(SettingsTest, ValueStoredAsAListIsNotANumber) {
    writeStore("[Software/Brannock/Korvelce]\nHaut=1, 2\nModule=128\n");
    const Settings s = loadSettings();
    EXPECT_EQ(s.top, 100);
    EXPECT_EQ(s.module, 128);
}

// Times that mean nothing keep the default: negative pauses, a blink period below 1 ms.
struct TimeCase {
    const char* name;
    const char* text;
    int Settings::*field;
    int expected;
    friend void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.name << '=' << c.text; }
};

class StoredTimeTest : public SettingsTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(StoredTimeTest, MeaninglessTimesKeepTheDefault) {
    const TimeCase c = GetParam();
    setStored(QString::fromLatin1(c.name), QString::fromLatin1(c.text));
    EXPECT_EQ(loadSettings().*c.field, c.expected) << c.name << "=" << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Times, StoredTimeTest,
    ::testing::Values(TimeCase{"DureePauseCourte", "0", &Settings::shortPauseMs, 0},
                      TimeCase{"DureePauseCourte", "-1", &Settings::shortPauseMs, 50},
                      TimeCase{"DureePauseLongue", "-500", &Settings::longPauseMs, 500},
                      TimeCase{"DureeClignotement", "0", &Settings::blinkMs, 200},
                      TimeCase{"DureeClignotement", "1", &Settings::blinkMs, 1}));

TEST_F(SettingsTest, UnwritableStoreFailsSilently) {
    // The configuration folder lies below a plain file: nothing can be created there.
    const QString blocker = dir_.path(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    config_ = blocker + QStringLiteral("/config");
    dir_.set("XDG_CONFIG_HOME", config_);

    Settings s;
    s.module = 128;
    saveSettings(s);
    EXPECT_EQ(loadSettings().module, 110);
}

TEST_F(SettingsTest, MissingKeyFailsEveryReadAndWrite) {
    RegistryKey key;
    EXPECT_FALSE(key.open(QStringLiteral("Software\\Brannock\\Korvelce"), false));
    EXPECT_FALSE(key.isOpen());
    QString text = QStringLiteral("untouched");
    std::int32_t number = 7;
    EXPECT_FALSE(key.readString(QStringLiteral("PrintFile"), text, 522));
    EXPECT_FALSE(key.readInt32(QStringLiteral("Module"), number));
    EXPECT_FALSE(key.writeString(QStringLiteral("PrintFile"), QStringLiteral("/x")));
    EXPECT_FALSE(key.writeInt32(QStringLiteral("Module"), 1));
    EXPECT_FALSE(key.writeDefaultString(QStringLiteral("x")));
    EXPECT_EQ(text, QStringLiteral("untouched"));
    EXPECT_EQ(number, 7);
    EXPECT_FALSE(QFile::exists(storeFile()));
}

TEST_F(SettingsTest, KeyOpenedForReadingRefusesWrites) {
    setStored(QStringLiteral("Module"), QStringLiteral("128"));
    RegistryKey key;
    ASSERT_TRUE(key.open(QStringLiteral("Software\\Brannock\\Korvelce"), false));
    EXPECT_FALSE(key.writeInt32(QStringLiteral("Module"), 110));
    key.close();
    EXPECT_EQ(stored(QStringLiteral("Module")).toString(), QStringLiteral("128"));
}

TEST_F(SettingsTest, SubkeysAndTheDefaultValueFollowTheKeyPath) {
    RegistryKey parent;
    ASSERT_TRUE(parent.open(QStringLiteral("Software\\Brannock"), true));
    RegistryKey child;
    ASSERT_TRUE(child.open(parent, QStringLiteral("Korvelce\\Extra"), true));
    EXPECT_EQ(child.path(), QStringLiteral("Software\\Brannock\\Korvelce\\Extra"));
    EXPECT_TRUE(child.writeDefaultString(QStringLiteral("unnamed")));
    EXPECT_TRUE(child.writeInt32(QStringLiteral("Count"), -3));
    child.close();

    EXPECT_EQ(stored(QStringLiteral("Extra/@")).toString(), QStringLiteral("unnamed"));
    RegistryKey reader;
    ASSERT_TRUE(reader.open(QStringLiteral("Software\\Brannock\\Korvelce\\Extra"), false));
    std::int32_t count = 0;
    EXPECT_TRUE(reader.readInt32(QStringLiteral("Count"), count));
    EXPECT_EQ(count, -3);
    QString text;
    EXPECT_FALSE(reader.readString(QStringLiteral("Count"), text, 2)) << "too small a buffer";
    EXPECT_TRUE(reader.readString(QStringLiteral("Count"), text, 6));
    EXPECT_EQ(text, QStringLiteral("-3"));

    RegistryKey bad;
    EXPECT_FALSE(bad.open(QStringLiteral("Software\\\\Brannock"), true)) << "empty name";
    EXPECT_FALSE(bad.open(QStringLiteral("Software/Brannock"), true)) << "'/' in a name";
}

}  // namespace
}  // namespace korvelce
