// The workbench beside the face, as a programmer uses it: the listing that follows learn mode,
// SST, BST, INS, DEL, a run and a stop; a click that moves the learn pointer; a library program
// shown read-only; the registers and the state no display shows; the printer tape that shows
// exactly what the printer file receives; programs opened (menu and drop) and saved as .kv and
// .kvs; and the panels' layout kept between runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDockWidget>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calc_engine.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "files/program_source.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/printer_tape.h"
#include "shell/program_panel.h"
#include "shell/registers_panel.h"
#include "shell/registry_key.h"
#include "shell/settings.h"
#include "shell/system_error.h"
#include "shell/workbench.h"
#include "support/captured_reports.h"
#include "support/face_window.h"
#include "support/key_sequence.h"
#include "support/qt_wait.h"

namespace korvelce {
namespace {

using test::waitFor;

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class WorkbenchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto face = test::faceWindow(engine, settings);
        ASSERT_NE(face, nullptr);
        face->confirmReplace = [this](QWidget*, const QString& name) {
            asked << name;
            return answer;
        };
        face->saveState = [this] { ++saves; };
        bench = std::make_unique<Workbench>(engine, settings, std::move(face));
        bench->fileDialog = [this](QWidget*, const FileDialogRequest& request) {
            requests.push_back(request);
            return dialogAnswer;
        };
    }
    void TearDown() override { bench.reset(); }

    void keys(std::string_view tokens) {
        for (const int code : test::keyCodes(tokens))
            bench->face()->deliverKey(code);
        bench->refreshPanels();
    }
    // Keys pressed as a person does: a key that starts a program waits until it stops.
    void keysInTurn(std::string_view tokens) {
        for (const int code : test::keyCodes(tokens)) {
            bench->face()->deliverKey(code);
            ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }, 20000));
        }
        bench->refreshPanels();
    }
    void showPanels() {
        bench->show();
        for (QAction* toggle :
             {bench->programAction(), bench->registersAction(), bench->tapeAction()})
            if (!toggle->isChecked()) toggle->trigger();
        bench->refreshPanels();
    }
    ProgramPanel& listing() { return *bench->programPanel(); }
    int marker() { return listing().model().marker(); }
    // The form the listing shows for a step ("STO", "12", "A").
    std::string formAt(int step) {
        return listing().model().rows().at(static_cast<std::size_t>(step)).form;
    }

    QTemporaryDir dir;
    CalcEngine engine;
    Settings settings;
    std::unique_ptr<Workbench> bench;
    test::CapturedReports captured;
    QStringList& reports = captured.lines;
    QStringList asked;
    bool answer = true;
    int saves = 0;
    std::vector<FileDialogRequest> requests;
    QString dialogAnswer;
};

TEST_F(WorkbenchTest, FirstLookIsTheFaceAlone) {
    // Start-up places the window; here it is given the face's own size.
    bench->resize(480, 800);
    bench->show();
    EXPECT_TRUE(bench->programDock()->isHidden());
    EXPECT_TRUE(bench->registersDock()->isHidden());
    EXPECT_TRUE(bench->tapeDock()->isHidden());
    EXPECT_EQ(bench->centralWidget(), bench->face());
    EXPECT_EQ(bench->size(), QSize(480, 800));
    // A panel shown widens the window; the face keeps its size, and hiding gives the room back.
    bench->programAction()->trigger();
    ASSERT_TRUE(
        waitFor([&] { return bench->face()->size() == QSize(480, 800) && bench->width() > 480; }));
    EXPECT_EQ(bench->face()->size(), QSize(480, 800))
        << bench->width() << " dock " << bench->programDock()->width();
    bench->programAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return bench->width() == 480; }));
}

// The panels and the program files are entries of the face's menu, before About, with keys.
TEST_F(WorkbenchTest, FaceMenuHoldsThePanelsAndTheProgramFiles) {
    const QList<QAction*> actions = bench->face()->popupMenu()->actions();
    QStringList texts;
    for (QAction* action : actions)
        if (!action->isSeparator()) texts << action->text();
    const QStringList wanted = {
        QStringLiteral("Program panel"),          QStringLiteral("Registers panel"),
        QStringLiteral("Printer tape panel"),     QStringLiteral("&Open program\u2026"),
        QStringLiteral("&Save program as\u2026"), QStringLiteral("About")};
    const qsizetype first = texts.indexOf(wanted.front());
    ASSERT_GE(first, 0) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(texts.mid(first, wanted.size()), wanted);
    const std::pair<QAction*, QKeySequence> keys[] = {
        {bench->programAction(), QKeySequence(Qt::CTRL | Qt::Key_1)},
        {bench->registersAction(), QKeySequence(Qt::CTRL | Qt::Key_2)},
        {bench->tapeAction(), QKeySequence(Qt::CTRL | Qt::Key_3)},
        {bench->openAction(), QKeySequence(QKeySequence::Open)},
        {bench->saveAction(), QKeySequence(QKeySequence::Save)}};
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut(), key) << action->text().toStdString();
        EXPECT_TRUE(bench->actions().contains(action)) << "the key works anywhere in the window";
    }
    // The key shows and hides its panel.
    bench->show();
    bench->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(bench.get()));
    QTest::keyClick(bench->face(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_FALSE(bench->registersDock()->isHidden());
    QTest::keyClick(bench->face(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(bench->registersDock()->isHidden());
}

// The listing follows learn mode, SST, BST, INS and DEL, step by step as keys are pressed.
TEST_F(WorkbenchTest, ListingFollowsLearnModeAndStepping) {
    ASSERT_TRUE(assembleProgram(engine, "1 + 2 = R/S").ok);
    showPanels();
    struct Row {
        const char* keys;
        int mode;
        int marker;
        int step;          // a step whose form is checked
        const char* form;  // its form in the listing
        const char* caption;
    };
    const Row rows[] = {
        {"", kCalculate, 0, 1, "+", "program counter at step 000"},
        {"LRN", kLearn, 0, 0, "1", "learn mode, step 000"},
        {"SST SST", kLearn, 2, 2, "2", "learn mode, step 002"},
        {"BST", kLearn, 1, 1, "+", "learn mode, step 001"},
        {"INS", kLearn, 1, 1, "0", "learn mode, step 001"},
        {"DEL", kLearn, 1, 2, "2", "learn mode, step 001"},
        {"SST 7", kLearn, 3, 2, "7", "learn mode, step 003"},
        {"LRN", kCalculate, 3, 2, "7", "program counter at step 003"},
        {"RST", kCalculate, 0, 0, "1", "program counter at step 000"},
        {"SST", kCalculate, 1, 0, "1", "program counter at step 001"},
        {"SST SST", kCalculate, 3, 4, "R/S", "program counter at step 003"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        keys(row.keys);
        const ProgramView& view = listing().view();
        EXPECT_EQ(view.mode, row.mode);
        EXPECT_EQ(view.bank, 0);
        EXPECT_EQ(view.editable, row.mode == kLearn);
        EXPECT_EQ(marker(), row.marker);
        EXPECT_EQ(formAt(row.step), row.form);
        EXPECT_TRUE(listing().caption().startsWith(QStringLiteral("Your program")));
        EXPECT_TRUE(listing().caption().endsWith(QString::fromLatin1(row.caption)))
            << listing().caption().toStdString();
        // The listing is the listing file's: the same steps, forms and codes.
        const std::vector<std::string> lines = listingLines(engine.programMemory[0]);
        ASSERT_GE(listing().model().rows().size(), lines.size());
        for (std::size_t a = 0; a < lines.size(); ++a) {
            const ListingRow& r = listing().model().rows()[a];
            char text[48];
            std::snprintf(text, sizeof text, "%03d %02d %s", r.address, r.code, r.form.c_str());
            EXPECT_EQ(text, lines[a]);
        }
    }
}

// A run shows its current step at frame rate, never step by step; a stop shows where it stopped.
TEST_F(WorkbenchTest, ListingFollowsARunAtFrameRateAndTheStop) {
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 SUM 00 GTO A").ok);
    showPanels();
    int changes = 0;
    QObject::connect(&listing().model(), &QAbstractItemModel::dataChanged,
                     [&changes] { ++changes; });
    keys("A");
    ASSERT_EQ(engine.mode, kRun);
    ASSERT_TRUE(waitFor([&] { return listing().view().mode == kRun; }, 2000));
    EXPECT_TRUE(listing().caption().endsWith(QStringLiteral("running")));
    QElapsedTimer running;
    running.start();
    const int changesBefore = changes;
    waitFor([&] { return running.elapsed() >= 600; }, 2000);
    const qint64 ranMs = running.elapsed();
    const int duringRun = changes - changesBefore;
    ASSERT_GT(engine.registers[0].toInteger(), 10000) << "the program ran many steps";
    // Each refresh announces at most the old and the new marked row.
    EXPECT_LE(duringRun, 2 * (ranMs / Workbench::kRefreshMs + 3));
    EXPECT_GE(duringRun, 2) << "the marked step moves while the program runs";
    EXPECT_GE(marker(), 0);
    EXPECT_LE(marker(), 6);
    // The registers follow the same way: R00 counts the rounds.
    EXPECT_NE(bench->registersPanel()->model().textOf(0), QStringLiteral("0."));

    keys("R/S");
    ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }));
    bench->refreshPanels();
    EXPECT_EQ(listing().view().mode, kCalculate);
    EXPECT_EQ(marker(), engine.programCounter);
    EXPECT_TRUE(
        listing().caption().endsWith(QStringLiteral("program counter at step %1")
                                         .arg(engine.programCounter, 3, 10, QLatin1Char('0'))));
}

// In learn mode a click on a step takes the learn pointer there, as SST and BST would; out of
// learn mode a click changes nothing.
TEST_F(WorkbenchTest, ClickMovesTheLearnPointer) {
    ASSERT_TRUE(assembleProgram(engine, "LBL A STO 12 GTO 345 R/S").ok);
    showPanels();
    QTableView* table = listing().table();
    auto click = [&](int step) {
        table->scrollTo(listing().model().index(step, 0));
        const QRect cell = table->visualRect(listing().model().index(step, ListingModel::kForm));
        ASSERT_TRUE(cell.isValid()) << step;
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        bench->refreshPanels();
    };
    const int pointer = engine.learnPointer;
    click(5);
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.learnPointer, pointer);
    EXPECT_EQ(engine.programCounter, 0);

    keys("LRN");
    const struct {
        int step;
        const char* display;
    } rows[] = {{5, "005 03"}, {2, "002 42"}, {19, "019 00"}, {0, "000 76"}, {7, "007 91"}};
    for (const auto& row : rows) {
        click(row.step);
        EXPECT_EQ(engine.mode, kLearn);
        EXPECT_EQ(engine.learnPointer, row.step);
        EXPECT_EQ(marker(), row.step);
        EXPECT_EQ(engine.displayText(), row.display);
    }
    // The program is only looked at, never changed by a click.
    CalcEngine keyed;
    ASSERT_TRUE(assembleProgram(keyed, "LBL A STO 12 GTO 345 R/S").ok);
    EXPECT_EQ(engine.programMemory[0], keyed.programMemory[0]);
    // The pointer moved by a click is where the next key is stored.
    keys("9 LRN");
    EXPECT_EQ(engine.programMemory[0][7], 9);
}

// PGM nn shows the library program, read-only, named by its module and title.
TEST_F(WorkbenchTest, LibraryProgramIsShownReadOnly) {
    ASSERT_TRUE(loadModuleInto(engine, kMasterModule));
    settings.module = kMasterModule;
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 R/S").ok);
    showPanels();
    keys("PGM 02");
    const ProgramView& view = listing().view();
    EXPECT_EQ(view.bank, 2);
    EXPECT_FALSE(view.editable);
    EXPECT_EQ(marker(), -1);
    const QString caption = listing().caption();
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Library Master (module 110), program 02: ") +
                                   QString::fromUtf8(moduleProgramTitle(kMasterModule, 2))))
        << caption.toStdString();
    EXPECT_TRUE(caption.contains(QStringLiteral("read-only")));
    const std::vector<ListingRow> rows =
        listingRows(engine.programMemory[2], listingLength(engine.programMemory[2]));
    ASSERT_EQ(listing().model().rows().size(), rows.size());
    EXPECT_EQ(listing().model().rows().back().form, rows.back().form);
    const int pointer = engine.learnPointer;
    listing().clickStep(3);
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.learnPointer, pointer);

    // Learn mode edits the user's program: that is what it shows.
    keys("LRN");
    EXPECT_EQ(listing().view().bank, 0);
    EXPECT_TRUE(listing().view().editable);
    keys("LRN");
    EXPECT_EQ(listing().view().bank, 2);

    // The self-test, run from the keyboard, is shown while it runs and where it ends.
    keys("CLR PGM 01 A");
    ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }, 20000));
    bench->refreshPanels();
    EXPECT_EQ(engine.displayText(), "1.");
    EXPECT_EQ(listing().view().bank, 1);
    EXPECT_TRUE(listing().caption().contains(QStringLiteral("program 01")));
}

// The registers, all or those not zero, and the state no display shows.
TEST_F(WorkbenchTest, RegistersAndState) {
    ASSERT_TRUE(assembleProgram(engine, "LBL A R/S").ok);
    showPanels();
    RegistersPanel& panel = *bench->registersPanel();
    keys("5 STO 07 3 +/- STO 93 CLR");
    EXPECT_EQ(panel.model().rowCount(), 100);
    EXPECT_EQ(panel.model().textOf(7), QStringLiteral("5."));
    EXPECT_EQ(panel.model().textOf(93), QStringLiteral("-3."));
    EXPECT_EQ(panel.model().textOf(0), QStringLiteral("0."));
    panel.setNonZeroOnly(true);
    ASSERT_EQ(panel.model().rowCount(), 2);
    EXPECT_EQ(panel.model().registerAt(0), 7);
    EXPECT_EQ(panel.model().registerAt(1), 93);
    keys("8 STO 50");
    ASSERT_EQ(panel.model().rowCount(), 3);
    EXPECT_EQ(panel.model().registerAt(1), 50);
    panel.setNonZeroOnly(false);
    EXPECT_EQ(panel.model().rowCount(), 100);

    struct Row {
        const char* keys;
        const char* line;
        const char* shown;
    };
    const Row rows[] = {
        {"", "Flags", "none set"},
        {"STF 3 STF 7", "Flags", "set: 3 7"},
        {"INV STF 3", "Flags", "set: 7"},
        {"", "Angle", "DEG"},
        {"RAD", "Angle", "RAD"},
        {"GRD", "Angle", "GRD"},
        {"", "Format", "no FIX, normal"},
        {"FIX 2", "Format", "FIX 2, normal"},
        {"", "T", "0.00"},
        {"4 X<>T", "T", "4.00"},
        {"EE", "Format", "FIX 2, scientific (EE)"},
        {"INV EE CLR", "Format", "FIX 2, normal"},
        {"", "Pending", "none"},
        {"2 + 3 * ( 4", "Pending", "2.00 + 3.00 \u00D7 ("},
        {"Y^X 2", "Pending", "2.00 + 3.00 \u00D7 ( 4.00 Y^X"},
        {"/", "Pending", "2.00 + 3.00 \u00D7 ( 16.00 \u00F7"},
        {"2 =", "Pending", "none"},
        {"", "Subroutines", "0"},
        {"A", "Subroutines", "1"},
    };
    for (const Row& row : rows) {
        keys(row.keys);
        EXPECT_EQ(panel.stateText(QString::fromLatin1(row.line)), QString::fromUtf8(row.shown))
            << row.keys << " / " << row.line;
    }
    // FIX applies to the registers too.
    EXPECT_EQ(panel.model().textOf(7), QStringLiteral("5.00"));
}

// Each printed line appears on the tape exactly as the printer file receives it, in order.
TEST_F(WorkbenchTest, TapeShowsWhatThePrinterFilePrints) {
    const QString printerFile = dir.filePath(QStringLiteral("Korvel.txt"));
    engine.printerPath = printerFile.toStdString();
    ASSERT_TRUE(assembleProgram(engine, "LBL A PRT 1 + RTN LBL B 1314151617 OP 04 OP 05 R/S").ok);
    showPanels();
    PrinterTape& tape = *bench->printerTape();
    keysInTurn("5 A A A ADV 98 INV LST FIX 2 7 PRT 3 OP 07 INV FIX B 1 / 0 = PRT CE");
    bench->refreshPanels();
    // The printer file: UTF-16LE after a byte-order mark, lines ending in CR LF.
    const QByteArray bytes = contents(printerFile);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString printed = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    QStringList fileLines = printed.split(QStringLiteral("\r\n"));
    ASSERT_EQ(fileLines.takeLast(), QString());
    const QStringList tapeLines(tape.lines().begin(), tape.lines().end());
    EXPECT_EQ(tapeLines, fileLines);
    // Three PRT from A, ADV, R98 and R99, PRT, the plot, the alpha line, PRT in error.
    ASSERT_EQ(tapeLines.size(), 10);
    EXPECT_EQ(tapeLines[0], QStringLiteral("          5. "));
    EXPECT_EQ(tapeLines[3], QString()) << "ADV";
    EXPECT_EQ(tapeLines[4], QStringLiteral("          0.      98"));
    EXPECT_EQ(tapeLines[6], QStringLiteral("        7.00 "));
    EXPECT_EQ(tapeLines[7], QStringLiteral("   *                "));
    EXPECT_EQ(tapeLines[8], QStringLiteral("               ABCDE"));
    EXPECT_TRUE(tapeLines[9].endsWith(QLatin1Char('?'))) << "printed in error";
    for (const QString& line : tapeLines)
        EXPECT_LE(line.size(), PrinterTape::kColumns);
    EXPECT_EQ(tape.shownText(), tapeLines.join(QLatin1Char('\n')));

    // Copy, Save as... and Clear do what they say; the printer file goes on as before.
    tape.findChild<QPushButton*>(QStringLiteral("copy"))->click();
    EXPECT_EQ(QApplication::clipboard()->text(), tape.text());
    EXPECT_EQ(tape.text(), tapeLines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    dialogAnswer = dir.filePath(QStringLiteral("tape.txt"));
    tape.findChild<QPushButton*>(QStringLiteral("save"))->click();
    ASSERT_FALSE(requests.empty());
    EXPECT_TRUE(requests.back().save);
    EXPECT_EQ(QString::fromUtf8(contents(dialogAnswer)), tape.text());
    tape.findChild<QPushButton*>(QStringLiteral("clear"))->click();
    EXPECT_TRUE(tape.lines().empty());
    EXPECT_TRUE(tape.shownText().isEmpty());
    keys("4 PRT");
    EXPECT_EQ(tape.lines().size(), 1u);
    EXPECT_EQ(tape.shownText(), QStringLiteral("          4. "));
    EXPECT_EQ(contents(printerFile).size(), bytes.size() + 30)
        << "the file goes on: 15 characters more";

    // A save that fails is said, and leaves nothing behind.
    dialogAnswer = dir.filePath(QStringLiteral("no folder/tape.txt"));
    tape.saveAs();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.front().startsWith(QStringLiteral("Save the printer tape: ")));
    EXPECT_FALSE(QFile::exists(dialogAnswer));
}

// Lines printed while the tape is hidden are on it when it is shown.
TEST_F(WorkbenchTest, HiddenTapeCatchesUpWhenShown) {
    bench->show();
    PrinterTape& tape = *bench->printerTape();
    keys("1 PRT 2 PRT ADV");
    EXPECT_EQ(tape.lines().size(), 3u);
    EXPECT_TRUE(tape.shownText().isEmpty()) << "not drawn while hidden";
    bench->tapeAction()->trigger();
    EXPECT_EQ(tape.shownText(), QStringLiteral("          1. \n          2. \n"));
}

// The tape keeps the last 10,000 lines, and shows them, however fast they come.
TEST_F(WorkbenchTest, TapeKeepsTheLastTenThousandLines) {
    showPanels();
    PrinterTape& tape = *bench->printerTape();
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 6000; ++i)
            tape.receive(QStringLiteral("%1\r\n").arg(round * 6000 + i).toStdU16String());
        bench->refreshPanels();
    }
    ASSERT_EQ(tape.lines().size(), 10000u);
    EXPECT_EQ(tape.lines().front(), QStringLiteral("2000"));
    EXPECT_EQ(tape.lines().back(), QStringLiteral("11999"));
    const QStringList shown = tape.shownText().split(QLatin1Char('\n'));
    ASSERT_EQ(shown.size(), 10000);
    EXPECT_EQ(shown.front(), QStringLiteral("2000"));
    EXPECT_EQ(shown.back(), QStringLiteral("11999"));
    // More than a whole tape between two refreshes.
    for (int i = 0; i < 12000; ++i)
        tape.receive(QStringLiteral("late %1\r\n").arg(i).toStdU16String());
    bench->refreshPanels();
    EXPECT_EQ(tape.lines().front(), QStringLiteral("late 2000"));
    EXPECT_EQ(tape.shownText().split(QLatin1Char('\n')).front(), QStringLiteral("late 2000"));
    EXPECT_EQ(tape.shownText().count(QLatin1Char('\n')), 9999);
}

// Opening .kv and .kvs files: asked first, replaced only on Yes; a run ends.
TEST_F(WorkbenchTest, OpeningAsksThenReplaces) {
    CalcEngine source;
    source.registers[7] = DecNumber::fromInt(42);
    ASSERT_TRUE(assembleProgram(source, "LBL B 9 R/S").ok);
    const QString kv = dir.filePath(QStringLiteral("named.kv"));
    ASSERT_TRUE(saveMemoryImage(source, kv.toStdString()).ok);
    const QString kvs = dir.filePath(QStringLiteral("named prog.kvs"));
    ASSERT_TRUE(writeFile(kvs, "# nine\nLBL B 9 R/S\n"));
    showPanels();
    for (const QString& path : {kv, kvs}) {
        for (const bool running : {false, true}) {
            for (const bool yes : {false, true}) {
                SCOPED_TRACE(path.toStdString() + (running ? " running" : "") +
                             (yes ? " yes" : " no"));
                ASSERT_TRUE(assembleProgram(engine, "LBL A 1 SUM 00 GTO A").ok);
                engine.registers[7] = DecNumber::fromInt(5);
                const ProgramBank before = engine.programMemory[0];
                if (running) {
                    keys("A");
                    ASSERT_EQ(engine.mode, kRun);
                }
                asked.clear();
                answer = yes;
                EXPECT_EQ(bench->openProgram(path), yes);
                EXPECT_EQ(asked, QStringList{QFileInfo(path).fileName()});
                if (yes) {
                    EXPECT_EQ(engine.programMemory[0], source.programMemory[0]);
                    // Source text holds no registers: they become zero, as asm saves them.
                    EXPECT_EQ(engine.registers[7].toInteger(), path == kv ? 42 : 0);
                    EXPECT_EQ(engine.mode, kCalculate);
                    EXPECT_EQ(engine.programCounter, 0);
                    bench->refreshPanels();
                    EXPECT_EQ(formAt(1), "B") << "the listing shows the new program";
                } else {
                    EXPECT_EQ(engine.programMemory[0], before);
                    EXPECT_EQ(engine.registers[7].toInteger(), 5);
                    EXPECT_EQ(engine.mode, running ? kRun : kCalculate);
                }
                EXPECT_TRUE(reports.isEmpty());
                if (engine.mode == kRun) keys("R/S");
                ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }));
            }
        }
    }
}

// A malformed or unreadable file is reported clearly, without a question, and nothing changes.
TEST_F(WorkbenchTest, MalformedFilesReplaceNothing) {
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 SUM 00 GTO A").ok);
    engine.registers[3] = DecNumber::fromInt(3);
    const auto program = engine.programMemory[0];
    QDir(dir.path()).mkdir(QStringLiteral("folder.kv"));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("bad.kvs")), "LBL A\n1 + FOO = R/S\n"));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("short.kv")), QByteArray(12, '\1')));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("text.kv")), "LBL A 1 R/S\n"));
    const std::pair<const char*, const char*> rows[] = {
        {"bad.kvs",
         "bad.kvs is not program source text: line 2: unknown key token 'FOO'.\n"
         "The program memory and registers are unchanged."},
        {"short.kv",
         "short.kv is not a Korvel memory image: it holds 12 bytes, an image 2600 (or 1800 in "
         "the older format).\nThe program memory and registers are unchanged."},
        {"text.kv", "text.kv is not a Korvel memory image: it holds 12 bytes"},
        {"missing.kvs", "missing.kvs cannot be read: No such file or directory."},
        {"folder.kv", "folder.kv cannot be read: it is a folder."},
    };
    for (const auto& [name, message] : rows) {
        SCOPED_TRACE(name);
        reports.clear();
        asked.clear();
        EXPECT_FALSE(bench->openProgram(dir.filePath(QString::fromLatin1(name))));
        EXPECT_TRUE(asked.isEmpty()) << "no question for a file that cannot be opened";
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports.front().startsWith(QStringLiteral("Open program: ") +
                                               QString::fromLatin1(message)))
            << reports.front().toStdString();
        EXPECT_EQ(engine.programMemory[0], program);
        EXPECT_EQ(engine.registers[3].toInteger(), 3);
    }
}

// A file dropped on the window (on the face or a panel) opens as from the menu.
TEST_F(WorkbenchTest, DroppedFilesOpen) {
    showPanels();
    const QString kvs = dir.filePath(QStringLiteral("dropped.kvs"));
    ASSERT_TRUE(writeFile(kvs, "LBL C 3 R/S"));
    // A drop, as the window system delivers it: entering, then dropping.
    auto drop = [&](QMimeData& data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(bench.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bench.get(), &dropped);
        return dropped.isAccepted();
    };
    QMimeData text;
    text.setText(QStringLiteral("LBL C 3 R/S"));
    EXPECT_FALSE(drop(text)) << "only files are taken";
    EXPECT_TRUE(asked.isEmpty());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(kvs)});
    for (const bool yes : {false, true}) {
        answer = yes;
        asked.clear();
        EXPECT_TRUE(drop(data));
        ASSERT_TRUE(waitFor([&] { return !asked.isEmpty(); }));
        EXPECT_EQ(asked, QStringList{QStringLiteral("dropped.kvs")});
        EXPECT_EQ(engine.programMemory[0][1] == key::kC, yes);
    }
    // A malformed file dropped is reported like one opened.
    const QString bad = dir.filePath(QStringLiteral("bad.kv"));
    ASSERT_TRUE(writeFile(bad, "nonsense"));
    asked.clear();
    QMimeData badData;
    badData.setUrls({QUrl::fromLocalFile(bad)});
    EXPECT_TRUE(drop(badData));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_TRUE(reports.front().startsWith(
        QStringLiteral("Open program: bad.kv is not a Korvel memory image")));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(engine.programMemory[0][1], key::kC);
}

// The menu's Open and Save: their dialogs, and a program saved as text and opened again.
TEST_F(WorkbenchTest, SaveAsTextOrImageAndOpenAgain) {
    ASSERT_TRUE(assembleProgram(engine,
                                "LBL A STO 00 1 STO 01 LBL B RCL 00 PRD 01 DSZ 0 B "
                                "RCL 01 R/S")
                    .ok);
    engine.registers[5] = DecNumber::fromInt(55);
    const CalcEngine& e = engine;
    const ProgramBank program = e.programMemory[0];

    dialogAnswer = dir.filePath(QStringLiteral("fact.kvs"));
    bench->saveAction()->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].defaultSuffix, QStringLiteral("kvs"));
    EXPECT_EQ(requests[0].filters.front(), QStringLiteral("Program source (*.kvs)"));
    EXPECT_EQ(QString::fromUtf8(contents(dialogAnswer)).toStdString(), disassembleProgram(program));

    dialogAnswer = dir.filePath(QStringLiteral("fact.kv"));
    bench->saveAction()->trigger();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].defaultName, dir.filePath(QStringLiteral("fact.kvs")))
        << "the file last saved is proposed";
    EXPECT_EQ(contents(dialogAnswer), bytesOf(memoryImageBytes(engine)));

    // The text opens as the same program; the image brings the registers back too.
    keys("CP");
    engine.registers[5] = DecNumber{};
    ASSERT_NE(engine.programMemory[0], program);
    dialogAnswer = dir.filePath(QStringLiteral("fact.kvs"));
    bench->openAction()->trigger();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[2].save);
    EXPECT_TRUE(requests[2].filters.front().contains(QStringLiteral("*.kvs")));
    EXPECT_EQ(engine.programMemory[0], program);
    EXPECT_TRUE(engine.registers[5].isZero());
    dialogAnswer = dir.filePath(QStringLiteral("fact.kv"));
    bench->openAction()->trigger();
    EXPECT_EQ(engine.registers[5].toInteger(), 55);
    EXPECT_EQ(saves, 0) << "saved once the keys rest, not at once";
    EXPECT_TRUE(bench->face()->saveScheduled());

    // Cancelled dialogs do nothing; a failed save is said and leaves no file.
    dialogAnswer.clear();
    bench->openAction()->trigger();
    bench->saveAction()->trigger();
    EXPECT_TRUE(reports.isEmpty());
    dialogAnswer = dir.filePath(QStringLiteral("no folder/fact.kvs"));
    bench->saveAction()->trigger();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.front().startsWith(QStringLiteral("Save program: ")));
    EXPECT_FALSE(QFile::exists(dialogAnswer));
}

// The panels' visibility, places and sizes, and the registers' filter, are kept between runs.
TEST_F(WorkbenchTest, LayoutIsRemembered) {
    QFile::remove(RegistryKey::storePath());
    showPanels();
    bench->removeDockWidget(bench->tapeDock());
    bench->addDockWidget(Qt::LeftDockWidgetArea, bench->tapeDock());
    bench->tapeDock()->show();
    bench->registersAction()->trigger();  // hidden
    bench->registersPanel()->setNonZeroOnly(true);
    QTest::qWait(100);
    const int programWidth = bench->programDock()->width();
    bench->close();
    EXPECT_FALSE(settings.workbenchLayout.isEmpty());
    saveSettings(settings);

    const Settings loaded = loadSettings();
    EXPECT_EQ(loaded.workbenchLayout, settings.workbenchLayout);
    EXPECT_EQ(loaded.workbenchGeometry, settings.workbenchGeometry);
    EXPECT_TRUE(loaded.registersNonZeroOnly);
    Settings again = loaded;
    CalcEngine other;
    auto otherFace = test::faceWindow(other, again);
    ASSERT_NE(otherFace, nullptr);
    Workbench restored(other, again, std::move(otherFace));
    restored.show();
    QTest::qWait(100);
    EXPECT_FALSE(restored.programDock()->isHidden());
    EXPECT_TRUE(restored.registersDock()->isHidden());
    EXPECT_FALSE(restored.tapeDock()->isHidden());
    EXPECT_EQ(restored.dockWidgetArea(restored.tapeDock()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(restored.programDock()->width(), programWidth);
    EXPECT_TRUE(restored.registersPanel()->nonZeroOnly());
    restored.close();
    QFile::remove(RegistryKey::storePath());
}

// Exit in the face's menu closes the whole window; closing ends a run and keeps the position.
TEST_F(WorkbenchTest, ExitClosesTheWindowAndEndsTheRun) {
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 SUM 00 GTO A").ok);
    bench->show();
    bench->move(130, 70);
    keys("A");
    ASSERT_TRUE(bench->face()->runActive());
    bench->face()->runCommand(MainWindow::kCommandExit);
    EXPECT_FALSE(bench->isVisible());
    EXPECT_FALSE(bench->face()->runActive());
    EXPECT_EQ(settings.left, bench->x());
    EXPECT_EQ(settings.top, bench->y());
}

// The panels are brought up to date at frame rate only while one of them is on screen: the
// calculator alone wakes nobody.
TEST_F(WorkbenchTest, RefreshesOnlyWhileAPanelIsShown) {
    bench->show();
    QTest::qWait(50);
    EXPECT_FALSE(bench->refreshing()) << "the face alone";
    bench->registersAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return bench->refreshing(); }));
    bench->tapeAction()->trigger();
    bench->registersAction()->trigger();
    QTest::qWait(50);
    EXPECT_TRUE(bench->refreshing()) << "the tape is still shown";
    bench->tapeAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return !bench->refreshing(); }));
    bench->programAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return bench->refreshing(); }));
    bench->close();
    EXPECT_FALSE(bench->refreshing()) << "a closed window";
}

// Closed maximised, the window keeps the place and size it had before, not the screen's.
TEST_F(WorkbenchTest, ClosedMaximisedKeepsTheNormalPlacement) {
    bench->show();
    bench->move(130, 70);
    bench->resize(700, 600);
    ASSERT_TRUE(waitFor([&] { return bench->pos() == QPoint(130, 70); }));
    const QRect normal = bench->geometry();
    bench->showMaximized();
    ASSERT_TRUE(waitFor([&] { return bench->isMaximized() && bench->geometry() != normal; }));
    bench->face()->runCommand(MainWindow::kCommandExit);
    EXPECT_EQ(QRect(settings.left, settings.top, settings.width, settings.height), normal);
}

TEST_F(WorkbenchTest, WriteScreenshots) {
    QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
    auto shoot = [&](const char* name) {
        bench->refreshPanels();
        QTest::qWait(100);  // the panels lay out their new texts
        EXPECT_TRUE(bench->grab().toImage().save(QStringLiteral(KORVELCE_SCREENSHOT_DIR "/") +
                                                 QString::fromLatin1(name)));
    };
    ASSERT_TRUE(assembleProgram(engine,
                                "# n! of the display value, printed with its name\n"
                                "LBL A STO 00 1 STO 01\n"
                                "LBL B RCL 00 PRD 01 DSZ 0 B\n"
                                "OP 00 2113153740 OP 01 OP 05 RCL 01 PRT R/S\n")
                    .ok);
    showPanels();
    keysInTurn("5 A 7 A");
    keys("3 STF 3 STF 7 FIX 2 12 + ( 4 * RST SST SST SST SST SST SST SST");
    shoot("workbench.png");
    keys("LRN SST SST SST SST SST");
    shoot("workbench-learn.png");
    ASSERT_TRUE(loadModuleInto(engine, kMasterModule));
    keys("LRN INV FIX CLR PGM 02");
    shoot("workbench-library.png");
}

// Start-up opens the workbench with the face alone; a program named at start may be source.
class WorkbenchStartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile::remove(defaultStatePath());
        QFile::remove(RegistryKey::storePath());
        closer.setSingleShot(true);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* bench = qobject_cast<Workbench*>(w);
                if (bench == nullptr || !bench->isVisible()) continue;
                seen.workbench = true;
                seen.faceInside = bench->centralWidget() == bench->face();
                seen.panelsHidden = bench->programDock()->isHidden() &&
                                    bench->registersDock()->isHidden() &&
                                    bench->tapeDock()->isHidden();
                bench->close();
            }
        });
    }
    void TearDown() override { QFile::remove(RegistryKey::storePath()); }
    QByteArray savedState() const { return contents(defaultStatePath()); }

    test::CapturedReports captured;
    QStringList& reports = captured.lines;
    QTimer closer;
    struct {
        bool workbench = false;
        bool faceInside = false;
        bool panelsHidden = false;
    } seen;
};

TEST_F(WorkbenchStartUp, NamedSourceIsAssembledAtStart) {
    QTemporaryDir dir;
    const QString named = dir.filePath(QStringLiteral("start.kvs"));
    ASSERT_TRUE(writeFile(named, "LBL A 1 + 1 = R/S\n"));
    CalcEngine keyed;
    ASSERT_TRUE(assembleProgram(keyed, "LBL A 1 + 1 = R/S").ok);
    closer.start(300);
    EXPECT_EQ(runApplication({named}), 0);
    EXPECT_TRUE(seen.workbench);
    EXPECT_TRUE(seen.faceInside);
    EXPECT_TRUE(seen.panelsHidden);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(savedState(), bytesOf(memoryImageBytes(keyed)));

    // Malformed source is reported and the saved state kept.
    const QString bad = dir.filePath(QStringLiteral("bad.kvs"));
    ASSERT_TRUE(writeFile(bad, "LBL A FOO"));
    closer.start(300);
    EXPECT_EQ(runApplication({bad}), 0);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.front().contains(QStringLiteral("unknown key token 'FOO'")))
        << reports.front().toStdString();
    EXPECT_EQ(savedState(), bytesOf(memoryImageBytes(keyed)));
}

}  // namespace
}  // namespace korvelce
