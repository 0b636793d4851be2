// The face from the PC keyboard: the key map reaches every key and 2nd function, the user's
// lines change it, R/S stops a run; the key map shown on the face and in tooltips; copy and
// paste of the display value.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <set>

#include "engine/calc_engine.h"
#include "files/clipboard_number.h"
#include "files/program_source.h"
#include "shell/key_map.h"
#include "shell/main_window.h"
#include "shell/registry_key.h"
#include "support/face_window.h"
#include "support/key_sequence.h"
#include "support/qt_wait.h"
#include "support/temp_home.h"

namespace korvelce {
namespace {

using test::waitFor;

// Every code the face sends: each key, and each key after 2nd, but the 2nd key itself.
std::set<int> faceCodes() {
    std::set<int> codes;
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            for (const bool second : {false, true})
                if (!(column == 0 && row == 1)) codes.insert(keyCodeAt(column, row, second));
    return codes;
}

TEST(KeyMapTable, EveryKeyAndEverySecondFunctionIsReachable) {
    const KeyMap map = KeyMap::defaults();
    // Every key of the face has a PC key of its own.
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            EXPECT_FALSE(map.pcKeysFor({column, row, false}).isEmpty())
                << faceKeyName({column, row, false}).toStdString();
    // Every code, by one PC key or by the 2nd key's PC key and then one.
    const QStringList second = map.pcKeysFor({0, 1, false});
    ASSERT_FALSE(second.isEmpty());
    std::set<int> direct, afterSecond;
    for (const auto& [pc, face] : map.entries()) {
        if (face.isSecondKey()) continue;
        direct.insert(face.code(false));
        afterSecond.insert(face.code(true));
    }
    for (const int code : faceCodes())
        EXPECT_TRUE(direct.count(code) != 0 || afterSecond.count(code) != 0) << code;
    // No PC key is listed twice.
    for (std::size_t i = 0; i < map.entries().size(); ++i)
        for (std::size_t j = i + 1; j < map.entries().size(); ++j)
            EXPECT_FALSE(map.entries()[i].first == map.entries()[j].first)
                << pcKeyName(map.entries()[i].first).toStdString();
}

TEST(KeyMapTable, LookupTakesShiftAndTheTypedCharacter) {
    const KeyMap map = KeyMap::defaults();
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int code;  // -1: none
    } rows[] = {
        {Qt::Key_A, Qt::NoModifier, key::kA},
        {Qt::Key_A, Qt::ShiftModifier, key::kAPrime},
        {Qt::Key_E, Qt::ShiftModifier, key::kEPrime},
        {Qt::Key_Plus, Qt::ShiftModifier, key::kAdd},  // + typed with Shift
        {Qt::Key_Asterisk, Qt::ShiftModifier, key::kMultiply},
        {Qt::Key_8, Qt::KeypadModifier, 8},
        {Qt::Key_Enter, Qt::KeypadModifier, key::kEquals},
        {Qt::Key_Return, Qt::ShiftModifier, key::kLst},
        {Qt::Key_Q, Qt::ShiftModifier, key::kSin},
        {Qt::Key_L, Qt::ShiftModifier, key::kLog},
        {Qt::Key_Space, Qt::NoModifier, key::kRunStop},
        {Qt::Key_P, Qt::NoModifier, key::kPi},
        {Qt::Key_P, Qt::ShiftModifier, -1},  // a letter with Shift has its own entry or none
        {Qt::Key_A, Qt::ControlModifier, -1},
        {Qt::Key_A, Qt::AltModifier, -1},
        {Qt::Key_F1, Qt::NoModifier, -1},  // shows the key map
        {Qt::Key_Z, Qt::NoModifier, -1},
    };
    for (const auto& row : rows) {
        const auto found = map.lookup(row.key, row.modifiers);
        EXPECT_EQ(found ? found->code(false) : -1, row.code)
            << std::hex << row.key << " " << row.modifiers.toInt();
    }
}

TEST(KeyMapTable, NamesReadBack) {
    const KeyMap map = KeyMap::defaults();
    for (const auto& [pc, face] : map.entries()) {
        EXPECT_EQ(parsePcKey(pcKeyName(pc)), pc) << pcKeyName(pc).toStdString();
        EXPECT_EQ(parseFaceKey(faceKeyName(face)), face) << faceKeyName(face).toStdString();
    }
    EXPECT_EQ(parsePcKey(QStringLiteral("shift+slash")), (PcKey{Qt::Key_Slash, true}));
    EXPECT_EQ(parseFaceKey(QStringLiteral("sin")), (FaceKey{2, 2, true}));
    EXPECT_EQ(parseFaceKey(QStringLiteral("42")), (FaceKey{1, 3, false}));
    EXPECT_EQ(parseFaceKey(QStringLiteral("x^2")), (FaceKey{2, 2, false}));
    EXPECT_EQ(parseFaceKey(QStringLiteral("INV")), (FaceKey{1, 1, false}));
}

TEST(KeyMapTable, UserLinesOverrideAndBadLinesAreReportedAndIgnored) {
    KeyMap map = KeyMap::defaults();
    const QStringList problems = map.apply({
        {QStringLiteral("Q"), QStringLiteral("SQRT")},
        {QStringLiteral("Shift+F3"), QStringLiteral("tan")},
        {QStringLiteral("Ctrl+Q"), QStringLiteral("SIN")},  // not a key the map can use
        {QStringLiteral("W"), QStringLiteral("SINE")},      // not a calculator key
        {QStringLiteral("F1"), QStringLiteral("CLR")},      // shows the key map
        {QStringLiteral("Space"), QStringLiteral("none")},  // removes R/S from Space
    });
    ASSERT_EQ(problems.size(), 3) << problems.join(u'\n').toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("Ctrl+Q")));
    EXPECT_TRUE(problems[1].contains(QStringLiteral("SINE")));
    EXPECT_TRUE(problems[2].contains(QStringLiteral("F1")));
    EXPECT_EQ(map.lookup(Qt::Key_Q, {})->code(false), key::kSqrt);
    EXPECT_EQ(map.lookup(Qt::Key_F3, Qt::ShiftModifier)->code(false), key::kTan);
    EXPECT_EQ(map.lookup(Qt::Key_Q, Qt::ShiftModifier)->code(false), key::kSin) << "untouched";
    EXPECT_FALSE(map.lookup(Qt::Key_W, {}).has_value());
    EXPECT_FALSE(map.lookup(Qt::Key_Space, {}).has_value());
    EXPECT_EQ(map.lookup(Qt::Key_V, {})->code(false), key::kSqrt) << "untouched";
}

// The user's lines come from the settings file, group Keys, as a person writes them.
TEST(KeyMapTable, LinesOfTheSettingsFile) {
    const test::TempHome home;
    ASSERT_TRUE(QDir().mkpath(home.config() + QStringLiteral("/Brannock")));
    QFile store(RegistryKey::storePath());
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write(
        "[Software/Brannock/Korvelce]\nModule=110\n"
        "[Software/Brannock/Korvelce/Keys]\n"
        "Shift+Q=SQRT\n"
        "Z=R/S\n"
        "Slash=1/X\n"
        "K=LEARN\n"
        "Alt+K=LRN\n");
    store.close();
    QStringList problems;
    const KeyMap map = loadKeyMap(&problems);
    EXPECT_EQ(problems.size(), 2) << problems.join(u'\n').toStdString();
    EXPECT_EQ(map.lookup(Qt::Key_Q, Qt::ShiftModifier)->code(false), key::kSqrt);
    EXPECT_EQ(map.lookup(Qt::Key_Z, {})->code(false), key::kRunStop);
    EXPECT_EQ(map.lookup(Qt::Key_Slash, {})->code(false), key::kReciprocal);
    EXPECT_EQ(map.lookup(Qt::Key_K, {})->code(false), key::kLrn) << "the bad line changed it";
}

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        window = test::faceWindow(engine, settings);
        ASSERT_NE(window, nullptr);
    }
    void type(std::initializer_list<std::pair<int, Qt::KeyboardModifiers>> keys) {
        for (const auto& [k, modifiers] : keys)
            QTest::keyClick(window.get(), static_cast<Qt::Key>(k), modifiers);
    }
    CalcEngine engine;
    Settings settings;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Keyboard, KeysActAsTheirCalculatorKeys) {
    QTest::keyClicks(window.get(), QStringLiteral("12+3="));
    EXPECT_EQ(engine.displayText(), "15.");
    // 2nd by F2, and by Shift with a letter: sin 30 = 0.5 in degrees.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClicks(window.get(), QStringLiteral("30"));
    QTest::keyClick(window.get(), Qt::Key_F2);
    EXPECT_TRUE(window->secondActive());
    QTest::keyClick(window.get(), Qt::Key_Q);
    EXPECT_EQ(engine.displayText(), "0.5");
    QTest::keyClicks(window.get(), QStringLiteral("30"));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ShiftModifier);
    EXPECT_EQ(engine.displayText(), "0.5");
    // STO and RCL by letters, the register's digits typed after them.
    QTest::keyClicks(window.get(), QStringLiteral("7S05"));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClicks(window.get(), QStringLiteral("R05"));
    EXPECT_EQ(engine.displayText(), "7.");
    // The key shows pressed while its PC key is down.
    QTest::keyPress(window.get(), Qt::Key_G);
    EXPECT_EQ(window->pressedKey().column, 0);
    EXPECT_EQ(window->pressedKey().row, 5);
    QTest::keyRelease(window.get(), Qt::Key_G);
    EXPECT_EQ(window->pressedKey().column, -1);
}

TEST_F(Keyboard, RunStopKeyStopsAnEndlessLoop) {
    assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    QTest::keyClick(window.get(), Qt::Key_A);
    ASSERT_EQ(engine.mode, kRun);
    ASSERT_TRUE(waitFor([&] { return engine.registers[0].toInteger() > 100; }));
    QTest::keyClick(window.get(), Qt::Key_5);  // dropped while running
    QTest::keyClick(window.get(), Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return !window->runActive(); }));
    EXPECT_EQ(engine.mode, kCalculate);
}

TEST_F(Keyboard, ControlAndF1ShowTheKeyMapOnTheFace) {
    const QImage plain = window->grab().toImage();
    QTest::keyPress(window.get(), Qt::Key_Control);
    EXPECT_TRUE(window->keyHintsShown());
    const QImage hinted = window->grab().toImage();
    QTest::keyRelease(window.get(), Qt::Key_Control);
    EXPECT_FALSE(window->keyHintsShown());
    // The hints cover the keys, not the display.
    const QRect sto = window->keyRectInWidget(1, 3);
    EXPECT_NE(plain.copy(sto), hinted.copy(sto));
    const Layout& l = window->layout();
    const QRect display(window->skinOrigin() + QPoint(l.displayX, l.displayY),
                        QSize(l.displayWidth(), l.displayHeight));
    EXPECT_EQ(plain.copy(display), hinted.copy(display));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_TRUE(window->keyHintsShown());
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_FALSE(window->keyHintsShown());
    // A screenshot with the key map shown.
    window->resize(720, 1200);
    QTest::keyClick(window.get(), Qt::Key_F1);
    QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
    EXPECT_TRUE(window->grab().toImage().save(
        QStringLiteral(KORVELCE_SCREENSHOT_DIR "/face-mode2-key-map.png")));
}

TEST_F(Keyboard, TooltipNamesTheKeyItsSecondFunctionAndPcKeys) {
    EXPECT_EQ(window->keyTooltip(1, 3),
              QStringLiteral("STO (2nd: CMS)\nKeys: S\n2nd: Shift+S, F2 then S"));
    EXPECT_EQ(window->keyTooltip(3, 7), QStringLiteral("3 (2nd: PI)\nKeys: 3\n2nd: P, F2 then 3"));
    EXPECT_TRUE(window->keyTooltip(0, 1).startsWith(QStringLiteral("2nd: ")));
}

class Clipboard : public Keyboard {};

TEST_F(Clipboard, CopiedValuesPasteBackTheSame) {
    const char* entries[] = {
        "2 SQRT",     "1.5 EE 12 +/-", "6.0221408 EE 23 +/- +/-", "12", "0", ".000123",
        "9999999999", "1 / 8 =",       "355 / 113 = +/-"};
    for (const char* tokens : entries) {
        test::press(engine, "CLR");
        test::press(engine, tokens);
        window->renderDisplay(false);
        const std::string shown = engine.displayText();
        window->copyDisplay(false);
        const QString copied = QGuiApplication::clipboard()->text();
        test::press(engine, "CLR 7 7");
        window->pasteNumber();
        EXPECT_EQ(engine.displayText(), shown) << tokens << " copied as " << copied.toStdString();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), copied);
        // The value typed in is the number copied, digit for digit.
        EXPECT_EQ(fullNumber(engine.finishEntry()), copied.toStdString()) << tokens;
    }
    // All digits: the value itself, which the display cannot take back when it has more
    // than ten.
    test::press(engine, "CLR 2 SQRT");
    window->copyDisplay(true);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.414213562373"));
    window->pasteNumber();
    EXPECT_TRUE(window->message().contains(QStringLiteral("more digits")));
    // A third shows ten digits after its point, one more than entry takes after its 0.
    test::press(engine, "CLR 1 / 3 =");
    window->copyDisplay(false);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0.3333333333"));
    window->showMessage(QString());
    window->pasteNumber();
    EXPECT_TRUE(window->message().contains(QStringLiteral("more digits")));
    EXPECT_EQ(engine.displayText(), ".3333333333");
}

TEST_F(Clipboard, RefusalsChangeNothingAndSayWhy) {
    const struct {
        QString clipboard;
        const char* why;
    } rows[] = {
        {QStringLiteral("the answer"), "not a number"},
        {QStringLiteral("12345678901234"), "more digits"},
        {QString(), "no text"},
        {QStringLiteral("1e123"), "exponent"},
    };
    for (const auto& row : rows) {
        test::press(engine, "CLR 4 2");
        window->renderDisplay(false);
        window->showMessage(QString());
        if (row.clipboard.isNull())
            QGuiApplication::clipboard()->clear();
        else
            QGuiApplication::clipboard()->setText(row.clipboard);
        window->pasteNumber();
        EXPECT_EQ(engine.displayText(), "42") << row.why;
        EXPECT_TRUE(window->message().contains(QLatin1String(row.why)))
            << window->message().toStdString();
        if (row.clipboard == QStringLiteral("12345678901234")) {
            QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
            EXPECT_TRUE(window->grab().toImage().save(
                QStringLiteral(KORVELCE_SCREENSHOT_DIR "/face-mode2-paste-refused.png")));
        }
    }
    // Keyboard and menu reach the same commands.
    QGuiApplication::clipboard()->setText(QStringLiteral("-2.5"));
    QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(engine.displayText(), "-2.5");
    QTest::keyClick(window.get(), Qt::Key_Plus);
    window->runCommand(MainWindow::kCommandPaste);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(engine.displayText(), "-5.");
    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("-5"));
    // While a program runs nothing is pasted.
    assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    QTest::keyClick(window.get(), Qt::Key_A);
    window->pasteNumber();
    EXPECT_TRUE(window->message().contains(QStringLiteral("running")));
    QTest::keyClick(window.get(), Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return !window->runActive(); }));
}

}  // namespace
}  // namespace korvelce
