// The calculator face as a person uses it: taps at the layout's coordinates, the display drawn
// cell by cell from the glyph strip, programs run through the chain of posted steps, the
// blinking error, and start-up and shutdown.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/calc_engine.h"
#include "files/memory_image.h"
#include "files/program_source.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/saved_state.h"
#include "shell/shell_services_qt.h"
#include "shell/single_instance.h"
#include "shell/system_error.h"
#include "shell/workbench.h"
#include "support/captured_reports.h"
#include "support/face_window.h"
#include "support/key_sequence.h"
#include "support/qt_wait.h"

namespace korvelce {
namespace {

using test::waitFor;

class Face : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        QString failed;
        ASSERT_TRUE(loadFacePictures(GetParam(), pictures, failed)) << failed.toStdString();
        glyphs = pictures.glyphs;
        window = std::make_unique<MainWindow>(engine, settings, GetParam(), pictures,
                                              test::handheldSize(GetParam()));
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
    MainWindow other(fresh, settings, GetParam(), pictures, test::handheldSize(GetParam()));
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
    ASSERT_EQ(shot.size(), test::handheldSize(GetParam()));
    const QString path = QStringLiteral(KORVELCE_SCREENSHOT_DIR "/face-mode%1.png").arg(GetParam());
    EXPECT_TRUE(shot.save(path));
}

// A 2nd function that opens a dialog (LST, WRT, INV WRT) takes the 2nd state with it: the
// indicator is out, on the face too, while the dialog is open.
TEST_P(Face, SecondGoesOutWhenItsKeyOpensADialog) {
    QtShellServices services;
    engine.setShellServices(&services);
    const Layout& l = window->layout();
    const QRect indicator(window->skinOrigin() + QPoint(l.secondX, l.indicatorY),
                          QSize(l.secondWidth, l.indicatorHeight));
    auto indicatorDark = [&] {
        const QImage face = window->grab().toImage().copy(indicator);
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                if ((face.pixel(x, y) & 0xFFFFFF) != 0) return false;
        return true;
    };
    struct Seen {
        int dialogs = 0;
        bool secondActive = true;
        bool dark = false;
    } seen;
    services.setFileDialog([&](QWidget*, const FileDialogRequest&) {
        ++seen.dialogs;
        seen.secondActive = window->secondActive();
        seen.dark = indicatorDark();
        return QString();
    });
    // The keys before 2nd, then the key under 2nd: LST is 2nd =, WRT is 2nd R/S.
    struct Row {
        const char* name;
        std::vector<std::pair<int, int>> before;
        std::pair<int, int> key;
    };
    const Row rows[] = {{"LST", {}, {4, 8}}, {"WRT", {}, {0, 8}}, {"INV WRT", {{1, 1}}, {0, 8}}};
    for (const Row& row : rows) {
        seen = Seen{};
        for (const auto& [c, r] : row.before)
            tap(c, r);
        tap(0, 1);
        ASSERT_TRUE(window->secondActive());
        ASSERT_FALSE(indicatorDark()) << "the lit indicator must differ from black";
        tap(row.key.first, row.key.second);
        EXPECT_EQ(seen.dialogs, 1) << row.name;
        EXPECT_FALSE(seen.secondActive) << row.name;
        EXPECT_TRUE(seen.dark) << row.name;
        EXPECT_FALSE(window->secondActive()) << row.name;
    }
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
    const auto window = test::faceWindow(engine, settings);
    ASSERT_NE(window, nullptr);
    assembleProgram(engine, "LBL A 5 PAU 6 R/S");
    QElapsedTimer timer;
    timer.start();
    window->deliverKey(11);  // A
    ASSERT_TRUE(waitFor([&] { return !window->runActive(); }));
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_EQ(engine.displayText(), "56");  // PAU does not end the number being typed
}

// The state is written while the window runs: once the keys rest after a change, at once when
// learn mode is left, and at a steady pace while a program runs.
class SavingState : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window = test::faceWindow(engine, settings);
        ASSERT_NE(window, nullptr);
        state = std::make_unique<SavedState>(engine, path);
        state->markCurrent();
        window->saveState = [this] {
            ++saves;
            state->saveIfChanged();
        };
    }
    void keys(std::string_view tokens) {
        for (const int code : test::keyCodes(tokens))
            window->deliverKey(code);
    }
    // The engine the state file holds now.
    std::unique_ptr<CalcEngine> onDisk() const {
        auto loaded = std::make_unique<CalcEngine>();
        EXPECT_TRUE(loadMemoryImage(*loaded, path.toStdString()));
        return loaded;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("state/Korvelce.kv"));
    CalcEngine engine;
    Settings settings;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SavedState> state;
    int saves = 0;
};

TEST_F(SavingState, AChangeIsSavedOnceTheKeysRest) {
    window->idleSaveMs = 200;
    keys("5 STO 01");
    EXPECT_FALSE(QFile::exists(path)) << "not while keys are pressed";
    EXPECT_TRUE(window->saveScheduled());
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }, 3000));
    EXPECT_EQ(onDisk()->registers[1].toInteger(), 5);
    EXPECT_FALSE(state->changed());

    // Keys that change nothing kept in the state write nothing.
    const int before = saves;
    QFile::remove(path);
    keys("7 + 8 =");
    ASSERT_TRUE(waitFor([&] { return saves > before; }, 3000));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SavingState, LeavingLearnModeSavesAtOnce) {
    window->idleSaveMs = 60000;
    keys("LRN 2 * 3 = R/S");
    EXPECT_FALSE(QFile::exists(path));
    keys("LRN");
    ASSERT_TRUE(QFile::exists(path));
    const auto saved = onDisk();
    EXPECT_EQ(saved->programMemory[0][0], 2);
    EXPECT_EQ(saved->programMemory[0][1], key::kMultiply);
    EXPECT_FALSE(window->saveScheduled());
}

TEST_F(SavingState, ARunningProgramIsSavedAtASteadyPace) {
    window->idleSaveMs = 100;
    assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    state->markCurrent();
    keys("A");
    ASSERT_EQ(engine.mode, kRun);
    QElapsedTimer running;
    running.start();
    ASSERT_TRUE(waitFor([&] { return running.elapsed() >= 1000; }, 5000));
    const qint64 ranMs = running.elapsed();
    const int duringRun = saves;
    // Saved while it runs, but never more often than once per period.
    EXPECT_GE(duringRun, 2);
    EXPECT_LE(duringRun, ranMs / 100 + 1);
    EXPECT_GT(onDisk()->registers[0].toInteger(), 0);
    keys("R/S");
    ASSERT_TRUE(waitFor([&] { return !window->runActive(); }));
    // The state at the stop is written once the period has passed.
    ASSERT_TRUE(waitFor([&] { return !state->changed(); }, 3000));
    EXPECT_EQ(onDisk()->registers[0], engine.registers[0]);
}

TEST(SavedStateFile, FailureIsShownOnceUntilASaveSucceeds) {
    QTemporaryDir dir;
    const test::CapturedReports captured;
    // A file where the state's folder should be: nothing can be written below it.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    CalcEngine engine;
    SavedState state(engine, blocker + QStringLiteral("/Korvelce.kv"));
    state.markCurrent();
    state.saveIfChanged();
    EXPECT_TRUE(captured.reports.empty()) << "nothing changed, nothing written";
    for (int i = 1; i <= 3; ++i) {
        engine.registers[0] = DecNumber::fromInt(i);
        state.saveIfChanged();
    }
    EXPECT_EQ(captured.captions(), QStringList{QStringLiteral("CreateFile")});
    state.save();  // the way out always reports
    EXPECT_EQ(captured.reports.size(), 2);
}

// A later copy names a program file: the running window asks, and replaces its program memory
// and registers only on Yes; a program running then ends.
TEST(ProgramFileFromAnotherCopy, ReplacesOnlyWhenConfirmed) {
    QTemporaryDir dir;
    const QString named = dir.filePath(QStringLiteral("named.kv"));
    CalcEngine source;
    source.registers[7] = DecNumber::fromInt(42);
    assembleProgram(source, "LBL B 9 R/S");
    ASSERT_TRUE(saveMemoryImage(source, named.toStdString()).ok);
    for (const bool running : {false, true}) {
        for (const bool yes : {false, true}) {
            CalcEngine engine;
            Settings settings;
            auto face = test::faceWindow(engine, settings);
            ASSERT_NE(face, nullptr);
            QString asked;
            face->confirmReplace = [&](QWidget*, const QString& name) {
                asked = name;
                return yes;
            };
            Workbench bench(engine, settings, std::move(face));
            MainWindow& window = *bench.face();
            assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
            const auto program = engine.programMemory[0];
            if (running) {
                window.deliverKey(key::kA);
                ASSERT_EQ(engine.mode, kRun);
            }
            bench.offerProgramFile(named);
            EXPECT_EQ(asked, QStringLiteral("named.kv"));
            if (yes) {
                EXPECT_EQ(engine.programMemory[0], source.programMemory[0]);
                EXPECT_EQ(engine.registers[7].toInteger(), 42);
                EXPECT_EQ(engine.mode, kCalculate);
                EXPECT_TRUE(window.saveScheduled());
            } else {
                EXPECT_EQ(engine.programMemory[0], program);
                EXPECT_TRUE(engine.registers[7].isZero());
                EXPECT_EQ(engine.mode, running ? kRun : kCalculate);
            }
            if (engine.mode == kRun) window.deliverKey(key::kRunStop);
            ASSERT_TRUE(waitFor([&] { return !window.runActive(); }));
        }
    }
}

// Start-up and shutdown, in this process: the application's folders are the temporary home
// the test main set up.
class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(defaultStatePath());
        closer.setSingleShot(true);
        QObject::connect(&closer, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<MainWindow*>(w) != nullptr ||
                    qobject_cast<Workbench*>(w) != nullptr)
                    w->close();
        });
    }
    void TearDown() override { qunsetenv("KORVELCE_SCREEN"); }
    // Closes the window shortly after it shows.
    void closeSoon() { closer.start(200); }
    test::CapturedReports captured;
    QStringList& reports = captured.lines;
    QTimer closer;
};

TEST_F(StartUp, RefusesAnUnsupportedScreenWithoutWritingAnything) {
    // The refusal keeps its first line and names the variable and the sizes on a second one.
    const QString expected = QStringLiteral(
        "Korvelce is unable to run: Only 240x320, 240x400, 480x640, 480x800 in Portrait mode "
        "are supported\nSet KORVELCE_SCREEN to one of 480x800, 480x640, 240x400, 240x320.");
    for (const char* screen : {"320x240", "800x480", "480x801", "large", ""}) {
        reports.clear();
        qputenv("KORVELCE_SCREEN", screen);
        EXPECT_EQ(runApplication({}), -1) << screen;
        ASSERT_EQ(reports.size(), 1) << screen;
        EXPECT_EQ(reports.front(), expected) << screen;
        EXPECT_FALSE(QFile::exists(defaultStatePath())) << screen;
    }
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

// A named file that cannot be read (missing, a folder) is reported, and the calculator works on
// its saved state, which the way out then writes back unchanged instead of emptied.
TEST_F(StartUp, UnreadableNamedFileKeepsTheSavedState) {
    QTemporaryDir dir;
    CalcEngine kept;
    kept.registers[3] = DecNumber::fromInt(33);
    assembleProgram(kept, "LBL B 2 * 2 = R/S");
    const QByteArray keptBytes = [&] {
        const auto bytes = memoryImageBytes(kept);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    }();
    for (const QString& named : {dir.filePath(QStringLiteral("missing.kv")), dir.path()}) {
        reports.clear();
        QDir().mkpath(QFileInfo(defaultStatePath()).absolutePath());
        ASSERT_TRUE(saveMemoryImage(kept, defaultStatePath().toStdString()).ok);
        closeSoon();
        EXPECT_EQ(runApplication({named}), 0);
        ASSERT_EQ(reports.size(), 1) << named.toStdString();
        EXPECT_TRUE(reports.front().startsWith(QStringLiteral("CreateFile: ") + named))
            << reports.front().toStdString();
        QFile state(defaultStatePath());
        ASSERT_TRUE(state.open(QIODevice::ReadOnly));
        EXPECT_EQ(state.readAll(), keptBytes) << named.toStdString();
    }
}

// Program source named at start is keyed in over the saved registers: the state written on
// the way out holds the saved registers and the source's program.
TEST_F(StartUp, NamedSourceKeepsTheSavedRegisters) {
    QTemporaryDir dir;
    CalcEngine saved;
    saved.registers[7] = DecNumber::fromInt(42);
    assembleProgram(saved, "LBL B 2 * 2 = R/S");
    QDir().mkpath(QFileInfo(defaultStatePath()).absolutePath());
    ASSERT_TRUE(saveMemoryImage(saved, defaultStatePath().toStdString()).ok);
    const QString named = dir.filePath(QStringLiteral("double.kvs"));
    QFile source(named);
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write("LBL A RCL 07 * 2 = R/S\n");
    source.close();

    closeSoon();
    EXPECT_EQ(runApplication({named}), 0);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    CalcEngine after;
    ASSERT_TRUE(loadMemoryImage(after, defaultStatePath().toStdString()));
    EXPECT_EQ(after.registers[7].toDouble(), 42.0);
    CalcEngine expected;
    assembleProgram(expected, "LBL A RCL 07 * 2 = R/S");
    EXPECT_EQ(after.programMemory[0], expected.programMemory[0]);
}

// A second copy hands its request to the first (the named file made absolute) and exits at
// once without writing anything.
TEST_F(StartUp, SecondCopyHandsItsRequestToTheFirstAndExits) {
    SingleInstance first;
    ASSERT_EQ(first.claim(), SingleInstance::Claim::kOwner);
    QList<SingleInstance::Request> requests;
    first.setRequestHandler(
        [&requests](const SingleInstance::Request& request) { requests.append(request); });
    const QString here = QDir::currentPath();
    const std::pair<QStringList, QString> rows[] = {
        {{}, {}},
        {{QStringLiteral("prog.kv")}, here + QStringLiteral("/prog.kv")},
        {{QStringLiteral("my"), QStringLiteral("prog.kv")}, here + QStringLiteral("/my prog.kv")},
        {{QStringLiteral("/tmp/100% sûr/a\nb.kv")}, QStringLiteral("/tmp/100% sûr/a\nb.kv")}};
    for (const auto& [arguments, file] : rows) {
        requests.clear();
        EXPECT_EQ(runApplication(arguments), 0);
        ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }, 2000));
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests.front().file, file);
    }
    EXPECT_FALSE(QFile::exists(defaultStatePath()));
}

// The claim is held for the owner's whole life; a socket nobody listens on does not stand in
// the way; a copy that holds the claim without listening (on its way out) is waited for.
TEST(SingleInstanceClaim, HeldForLifeStaleSocketReplaced) {
    SingleInstance probe;
    {
        // A socket file left behind by a copy that was killed.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(probe.socketPath());
        ASSERT_LT(static_cast<std::size_t>(name.size()), sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        QFile::remove(probe.socketPath());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ASSERT_TRUE(QFileInfo::exists(probe.socketPath()));
    }
    auto owner = std::make_unique<SingleInstance>();
    ASSERT_EQ(owner->claim(), SingleInstance::Claim::kOwner);
    int requests = 0;
    owner->setRequestHandler([&requests](const SingleInstance::Request&) { ++requests; });
    SingleInstance second;
    EXPECT_EQ(second.claim({}, 2000), SingleInstance::Claim::kHandedOver);
    EXPECT_TRUE(waitFor([&] { return requests == 1; }, 2000));

    owner->stopListening();
    QElapsedTimer waited;
    waited.start();
    SingleInstance third;
    EXPECT_EQ(third.claim({}, 300), SingleInstance::Claim::kNoAnswer);
    EXPECT_GE(waited.elapsed(), 300);

    owner.reset();
    EXPECT_FALSE(QFileInfo::exists(probe.socketPath()));
    EXPECT_FALSE(QFileInfo::exists(probe.lockPath()));
    SingleInstance fourth;
    EXPECT_EQ(fourth.claim({}, 0), SingleInstance::Claim::kOwner);
}

// The whole way of a file opened while the calculator runs: a second program started with the
// file's name (relative to its own folder) makes the running window ask; Yes loads the file,
// No leaves everything as it was. The second program exits 0 at once either way.
class OpenWhileRunning : public StartUp, public ::testing::WithParamInterface<bool> {};

TEST_P(OpenWhileRunning, TheRunningWindowAsksThenLoads) {
    const bool yes = GetParam();
    QTemporaryDir dir;
    const QString named = dir.filePath(QStringLiteral("named prog.kv"));
    CalcEngine source;
    source.registers[7] = DecNumber::fromInt(42);
    assembleProgram(source, "LBL A 1 + 1 = R/S");
    ASSERT_TRUE(saveMemoryImage(source, named.toStdString()).ok);
    const std::vector<std::uint8_t> fresh = memoryImageBytes(CalcEngine());

    QProcess second;
    second.setWorkingDirectory(dir.path());
    QString question;
    // Timers of the test's own, so that none outlives it.
    QTimer starter;
    starter.setSingleShot(true);
    QObject::connect(&starter, &QTimer::timeout, [&second] {
        second.start(QStringLiteral(KORVELCE_WINDOW_PATH), {QStringLiteral("named prog.kv")});
    });
    starter.start(300);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !question.isEmpty()) return;
        question = box->text();
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        closeSoon();
    });
    answer.start(50);
    // Whatever happens, the window does not stay open.
    closer.start(20000);

    EXPECT_EQ(runApplication({}), 0);
    answer.stop();
    if (second.state() != QProcess::NotRunning) {
        ASSERT_TRUE(second.waitForFinished(10000));
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(question,
              QStringLiteral("Replace the program memory and registers with named prog.kv?"));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    QFile state(defaultStatePath());
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const QByteArray saved = state.readAll();
    const std::vector<std::uint8_t> expected = yes ? memoryImageBytes(source) : fresh;
    EXPECT_EQ(saved, QByteArray(reinterpret_cast<const char*>(expected.data()),
                                static_cast<qsizetype>(expected.size())));
}

INSTANTIATE_TEST_SUITE_P(Answers, OpenWhileRunning, ::testing::Values(false, true));

}  // namespace
}  // namespace korvelce
