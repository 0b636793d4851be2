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
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <random>
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
#include "shell/system_error.h"
#include "shell/workbench.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

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

[[maybe_unused]] QByteArray bytesOf(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

[[maybe_unused]] QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

[[maybe_unused]] bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class WorkbenchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previousPresenter =
            setSystemErrorPresenter([this](const QString& caption, const QString& text) {
                reports << caption + QStringLiteral(": ") + text;
            });
        FacePictures pictures;
        QString failed;
        ASSERT_TRUE(loadFacePictures(2, pictures, failed)) << failed.toStdString();
        auto face = std::make_unique<MainWindow>(engine, settings, 2, pictures, QSize(480, 800));
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
    void TearDown() override {
        bench.reset();
        setSystemErrorPresenter(previousPresenter);
    }

    void keys(std::string_view tokens) {
        for (const int code : test::keyCodes(tokens))
            bench->face()->deliverKey(code);
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
    SystemErrorPresenter previousPresenter;
    QStringList reports;
    QStringList asked;
    bool answer = true;
    int saves = 0;
    std::vector<FileDialogRequest> requests;
    QString dialogAnswer;
};

TEST_F(WorkbenchTest, FirstLookIsTheFaceAlone) {
    bench->show();
    EXPECT_TRUE(bench->programDock()->isHidden());
    EXPECT_TRUE(bench->registersDock()->isHidden());
    EXPECT_TRUE(bench->tapeDock()->isHidden());
    EXPECT_EQ(bench->centralWidget(), bench->face());
    EXPECT_EQ(bench->size(), QSize(480, 800));
}

TEST_F(WorkbenchTest, WriteScreenshot) {
    ASSERT_TRUE(assembleProgram(engine,
                                "# n! of the display value\n"
                                "LBL A STO 00 1 STO 01\n"
                                "LBL B RCL 00 PRD 01 DSZ 0 B RCL 01 PRT R/S\n")
                    .ok);
    showPanels();
    keys("5 A");
    ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }));
    keys("7 A");
    ASSERT_TRUE(waitFor([&] { return !bench->face()->runActive(); }));
    keys("3 STF 3 STF 7 FIX 2 12 + ( 4 *");
    keys("RST SST SST SST SST");
    bench->refreshPanels();
    QDir().mkpath(QStringLiteral(KORVELCE_SCREENSHOT_DIR));
    const QImage shot = bench->grab().toImage();
    EXPECT_TRUE(shot.save(QStringLiteral(KORVELCE_SCREENSHOT_DIR "/workbench.png")));
}

}  // namespace
}  // namespace korvelce
