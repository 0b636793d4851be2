// The calculator face as a person uses it: taps at the layout's coordinates, the display drawn
// cell by cell from the glyph strip, programs run through the chain of posted steps, the
// blinking error, and start-up and shutdown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "files/program_source.h"
#include "engine/calc_engine.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "files/memory_image.h"
#include "shell/single_instance.h"
#include "shell/system_error.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

QSize screenOf(int mode) {
    return mode == 0 ? QSize(240, 320) : (mode == 1 ? QSize(480, 640) : QSize(480, 800));
}

// Waits, handling events, until done() or the time is up.
template <typename Done>
bool waitFor(Done done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class Face : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        QString failed;
        ASSERT_TRUE(loadFacePictures(GetParam(), pictures, failed)) << failed.toStdString();
        glyphs = pictures.glyphs;
        window = std::make_unique<MainWindow>(engine, settings, GetParam(), pictures,
                                              screenOf(GetParam()));
    }

    // A tap on the key in grid column c, row r.
    void tap(int c, int r) {
        const Layout& l = window->layout();
        const QPoint centre(l.keyColumns[static_cast<std::size_t>(c)] + l.keyWidth / 2,
                            l.keyRows[static_cast<std::size_t>(r)] + l.keyHeight / 2);
        window->pressAt(window->skinOrigin() + centre);
        window->releaseAt();
    }

    CalcEngine engine;
    Settings settings;
    FacePictures pictures;
    QImage glyphs;
    std::unique_ptr<MainWindow> window;
};

TEST_P(Face, TapsSendTheirCodes) {
    tap(1, 5);  // the 7 key
    EXPECT_EQ(engine.displayText(), "7");
    tap(0, 1);  // 2nd
    EXPECT_TRUE(window->secondActive());
    tap(1, 5);  // 2nd 7 is x=t: a test that then waits for its branch target
    EXPECT_FALSE(window->secondActive());
    EXPECT_EQ(engine.pendingKey, 61);
    EXPECT_EQ(engine.labelExpected, 1);
    tap(0, 1);
    tap(0, 1);  // 2nd twice cancels it
    EXPECT_FALSE(window->secondActive());

    CalcEngine fresh;
    MainWindow other(fresh, settings, GetParam(), pictures, screenOf(GetParam()));
    // 2nd then E is E', a label key: with no program it raises the error.
    const Layout& l = other.layout();
    auto tapOther = [&](int c, int r) {
        other.pressAt(other.skinOrigin() + QPoint(l.keyColumns[static_cast<std::size_t>(c)] + 1,
                                                  l.keyRows[static_cast<std::size_t>(r)] + 1));
        other.releaseAt();
    };
    tapOther(0, 1);
    tapOther(4, 0);
    EXPECT_EQ(fresh.errorFlag, 1);
    EXPECT_TRUE(other.blinking());
}

TEST_P(Face, ARunTakesOnlyRunStop) {
    assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    tap(0, 0);  // A starts the endless loop
    ASSERT_EQ(engine.mode, kRun);
    ASSERT_TRUE(waitFor([&] { return !engine.registers[0].isZero(); }));
    tap(1, 5);  // 7 is shown pressed but changes nothing
    EXPECT_EQ(engine.mode, kRun);
    EXPECT_NE(engine.displayText(true), "7");
    tap(0, 8);  // R/S
    ASSERT_TRUE(waitFor([&] { return !window->runActive(); }));
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_GT(engine.registers[0].toInteger(), 0);
}

TEST_P(Face, ProgramKeyedByTapsRunsToItsStop) {
    // LRN 2 * 3 = R/S LRN RST R/S
    const std::pair<int, int> keys[] = {{0, 2}, {2, 7}, {4, 5}, {3, 7}, {4, 8},
                                        {0, 8}, {0, 2}, {0, 7}, {0, 8}};
    for (const auto& [c, r] : keys)
        tap(c, r);
    ASSERT_TRUE(waitFor([&] { return engine.mode == kCalculate && !window->runActive(); }));
    EXPECT_EQ(engine.displayText(), "6.");
    EXPECT_EQ(engine.programCounter, 5);
}

TEST_P(Face, ErrorBlinksUntilCe) {
    settings.blinkMs = 20;
    tap(1, 8);  // 0
    tap(4, 2);  // 1/X
    ASSERT_EQ(engine.errorFlag, 1);
    EXPECT_TRUE(window->blinking());
    const bool first = window->displayVisible();
    ASSERT_TRUE(waitFor([&] { return window->displayVisible() != first; }, 2000));
    tap(3, 1);  // CE
    EXPECT_FALSE(window->blinking());
    EXPECT_TRUE(window->displayVisible());
}

// True when the cell of the display buffer shows exactly the glyph strip's area.
bool cellShows(const MainWindow& w, const QImage& strip, int cell, int glyphX) {
    const Layout& l = w.layout();
    const int x = cell * (l.cellWidth + l.cellGap);
    const QImage shown = w.displayBuffer().copy(x, 0, l.cellWidth, l.displayHeight);
    const QImage glyph =
        strip.copy(glyphX, 0, l.cellWidth, l.displayHeight).convertToFormat(shown.format());
    return shown == glyph;
}

bool cellBlack(const MainWindow& w, int cell) {
    const Layout& l = w.layout();
    const int x = cell * (l.cellWidth + l.cellGap);
    const QImage shown = w.displayBuffer().copy(x, 0, l.cellWidth, l.displayHeight);
    for (int py = 0; py < shown.height(); ++py)
        for (int px = 0; px < shown.width(); ++px)
            if ((shown.pixel(px, py) & 0xFFFFFF) != 0) return false;
    return true;
}

TEST_P(Face, DisplayCellsComeFromTheGlyphStrip) {
    const Layout& l = window->layout();
    engine.finishEntry();
    engine.stack.setDisplayValue(kLargest);
    window->renderDisplay(false);
    // "9.9999999 99": exponent in cells 10 and 11, cell 9 blank, nines in 1 to 8, cell 0 blank.
    EXPECT_TRUE(cellShows(*window, glyphs, 11, l.digitGlyphX(9)));
    EXPECT_TRUE(cellShows(*window, glyphs, 10, l.digitGlyphX(9)));
    EXPECT_TRUE(cellBlack(*window, 9));
    for (int cell = 1; cell <= 8; ++cell)
        EXPECT_TRUE(cellShows(*window, glyphs, cell, l.digitGlyphX(9))) << cell;
    EXPECT_TRUE(cellBlack(*window, 0));

    // A text without exponent leaves cell 11 blank: "-12." has its 2 in cell 10.
    test::press(engine, "CLR 12 +/- =");
    window->renderDisplay(false);
    EXPECT_TRUE(cellBlack(*window, 11));
    EXPECT_TRUE(cellShows(*window, glyphs, 10, l.digitGlyphX(2)));
    EXPECT_TRUE(cellShows(*window, glyphs, 9, l.digitGlyphX(1)));
    EXPECT_TRUE(cellShows(*window, glyphs, 8, l.pointWidth));  // the minus sign

    // The running display draws its bracket in the leftmost cell only.
    engine.mode = kRun;
    window->renderDisplay(false);
    EXPECT_TRUE(cellShows(*window, glyphs, 0, l.bracketGlyphX));
    for (int cell = 1; cell < kDisplayCells; ++cell)
        EXPECT_TRUE(cellBlack(*window, cell));
    engine.mode = kCalculate;
}

TEST_P(Face, WriteScreenshot) {
    // A face to look at: a few keys pressed and a number shown.
    tap(0, 1);  // 2nd
    tap(1, 7);  // 1
    tap(2, 8);  // .
    tap(1, 7);  // 1
    tap(3, 2);  // sqrt
    QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
    const QImage shot = window->grab().toImage();
    ASSERT_EQ(shot.size(), screenOf(GetParam()));
    const QString path = QStringLiteral(KORVELCE_SCREENSHOT_DIR "/face-mode%1.png").arg(GetParam());
    EXPECT_TRUE(shot.save(path));
}

INSTANTIATE_TEST_SUITE_P(Modes, Face, ::testing::Values(0, 1, 2));

TEST(HitTest, ModeZeroEdges) {
    const Layout& l = layoutFor(0);
    EXPECT_EQ(hitTest(l, 19, 87).column, 0);
    EXPECT_EQ(hitTest(l, 19, 87).row, 0);
    EXPECT_EQ(hitTest(l, 37, 87).column, -1);  // column 0 ends at 36
    EXPECT_EQ(keyCodeAt(1, 5, false), 7);
    EXPECT_EQ(keyCodeAt(1, 5, true), 67);
    EXPECT_EQ(keyCodeAt(4, 0, true), 10);
    EXPECT_EQ(keyCodeAt(4, 8, true), 90);
    EXPECT_EQ(keyCodeAt(1, 8, false), 0);
    EXPECT_EQ(keyCodeAt(0, 1, false), kSecondKeyCode);
}

TEST(RunChain, PauseShowsTheValueForTheLongPause) {
    CalcEngine engine;
    Settings settings;
    settings.longPauseMs = 300;
    FacePictures pictures;
    QString failed;
    ASSERT_TRUE(loadFacePictures(2, pictures, failed));
    MainWindow window(engine, settings, 2, pictures, QSize(480, 800));
    assembleProgram(engine, "LBL A 5 PAU 6 R/S");
    QElapsedTimer timer;
    timer.start();
    window.deliverKey(11);  // A
    ASSERT_TRUE(waitFor([&] { return !window.runActive(); }));
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_EQ(engine.displayText(), "56");  // PAU does not end the number being typed
}

// Start-up and shutdown, in this process: the application's folders are the temporary home
// the test main set up.
class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = setSystemErrorPresenter([this](const QString& caption, const QString& text) {
            reports.append(caption + QStringLiteral(": ") + text);
        });
        QFile::remove(defaultStatePath());
    }
    void TearDown() override {
        setSystemErrorPresenter(previous);
        qunsetenv("KORVELCE_SCREEN");
    }
    // Closes the window shortly after it shows.
    static void closeSoon() {
        QTimer::singleShot(200, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<MainWindow*>(w) != nullptr) w->close();
        });
    }
    SystemErrorPresenter previous;
    QStringList reports;
};

TEST_F(StartUp, RefusesAnUnsupportedScreenWithoutWritingAnything) {
    qputenv("KORVELCE_SCREEN", "320x240");
    EXPECT_EQ(runApplication({}), -1);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports.front().toStdString(),
              "Korvelce is unable to run: Only 240x320, 240x400, 480x640, 480x800 in Portrait "
              "mode are supported");
    EXPECT_FALSE(QFile::exists(defaultStatePath()));
}

TEST_F(StartUp, NamedFileIsLoadedAndLeftAloneWhileTheStateIsWritten) {
    QTemporaryDir dir;
    const QString named = dir.filePath(QStringLiteral("named.kv"));
    CalcEngine source;
    source.registers[7] = DecNumber::fromInt(42);
    assembleProgram(source, "LBL A 1 + 1 = R/S");
    ASSERT_TRUE(saveMemoryImage(source, named.toStdString()).ok);
    QFile namedFile(named);
    ASSERT_TRUE(namedFile.open(QIODevice::ReadOnly));
    const QByteArray before = namedFile.readAll();
    namedFile.close();

    closeSoon();
    EXPECT_EQ(runApplication({named}), 0);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    QFile state(defaultStatePath());
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const QByteArray saved = state.readAll();
    EXPECT_EQ(saved.size(), 2600);
    EXPECT_EQ(saved, before);  // registers and program came from the named file
    ASSERT_TRUE(namedFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(namedFile.readAll(), before);
}

TEST_F(StartUp, SecondCopyRaisesTheFirstAndExits) {
    SingleInstance first;
    int raised = 0;
    ASSERT_TRUE(first.listen([&raised] { ++raised; }));
    EXPECT_EQ(runApplication({}), 0);
    ASSERT_TRUE(waitFor([&] { return raised == 1; }, 2000));
    EXPECT_FALSE(QFile::exists(defaultStatePath()));
}

}  // namespace
}  // namespace korvelce
