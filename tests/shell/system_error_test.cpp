// The shell's error box and the engine's file keys in the window: dialogs, program files,
// and how failures are reported.
#include "shell/system_error.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <memory>
#include <vector>

#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "shell/settings.h"
#include "shell/shell_services_qt.h"
#include "support/captured_reports.h"
#include "support/temp_home.h"

namespace korvelce {
namespace {

using test::CapturedReports;

struct TextCase {
    int code;
    const char* text;
    friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.code; }
};

class SystemErrorTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SystemErrorTextTest, SystemDescriptionOrTheCode) {
    const TextCase c = GetParam();
    CapturedReports captured;
    showSystemError(c.code, QStringLiteral("CreateFile"));
    ASSERT_EQ(captured.reports.size(), 1u);
    EXPECT_EQ(captured.reports[0].caption, QStringLiteral("CreateFile"));
    EXPECT_EQ(captured.reports[0].text, QString::fromUtf8(c.text)) << c.code;
}

INSTANTIATE_TEST_SUITE_P(Codes, SystemErrorTextTest,
                         ::testing::Values(TextCase{ENOENT, "No such file or directory"},
                                           TextCase{EACCES, "Permission denied"},
                                           TextCase{ENOSPC, "No space left on device"},
                                           TextCase{4000, "err 0x00000FA0"},
                                           TextCase{0x7FFF1234, "err 0x7FFF1234"},
                                           TextCase{-1, "err 0xFFFFFFFF"}));

TEST(SystemError, WithoutApplicationTheReportGoesToStandardError) {
    testing::internal::CaptureStderr();
    reportToStandardError(QStringLiteral("CreateFile"), systemErrorText(EACCES));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "CreateFile: Permission denied\n");
}

TEST(SystemError, BoxIsCriticalWithCaptionAndOwnedByTheWindow) {
    static int argc = 1;
    static char name[] = "shell_tests";
    static char* argv[] = {name, nullptr};
    // The application object may look for fonts and configuration below the home folder.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    // Never reach for a real display from a test.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QApplication> app;
    if (QCoreApplication::instance() == nullptr) app = std::make_unique<QApplication>(argc, argv);

    auto owner = std::make_unique<QWidget>();
    setSystemErrorOwner(owner.get());

    struct Seen {
        int boxes = 0;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QWidget* parent = nullptr;
    } seen;
    // Closes the box once it shows, noting what it looked like.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&seen] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible()) continue;
            ++seen.boxes;
            seen.icon = box->icon();
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.parent = box->parentWidget();
            box->done(0);
        }
    });
    closer.start(10);

    showSystemError(ENOENT, QStringLiteral("CreateFile"));
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.title, QStringLiteral("CreateFile"));
    EXPECT_EQ(seen.text, QStringLiteral("No such file or directory"));
    EXPECT_EQ(seen.parent, owner.get());

    // Once the window is gone the box has no owner.
    owner.reset();
    showSystemError(99999, QStringLiteral("LoadBitmap"));
    EXPECT_EQ(seen.boxes, 2);
    EXPECT_EQ(seen.text, QStringLiteral("err 0x0001869F"));
    EXPECT_EQ(seen.parent, nullptr);
    setSystemErrorOwner(nullptr);
}

// --- The engine's file keys ---

class ShellServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        home_ = dir_.home();
        services_.setFileDialog([this](QWidget*, const FileDialogRequest& request) {
            requests_.push_back(request);
            return answer_;
        });
    }

    // Fills registers and the user's program with recognisable values.
    static void fill(CalcEngine& engine) {
        for (int r = 0; r < kRegisters; ++r)
            engine.registers[static_cast<std::size_t>(r)] = DecNumber::fromInt(1000 * r - 7);
        for (int s = 0; s < kSteps; ++s)
            engine.programMemory[0][static_cast<std::size_t>(s)] =
                static_cast<std::uint8_t>((s * 7) % 100);
    }

    test::TempHome dir_;
    QString home_;
    QtShellServices services_;
    std::vector<FileDialogRequest> requests_;
    QString answer_;  // what the dialog hook answers
    CapturedReports captured_;
};

TEST_F(ShellServicesTest, SavedProgramFileOpensIntoAnotherEngine) {
    CalcEngine source;
    fill(source);
    answer_ = dir_.path(QStringLiteral("mon prog.kv"));
    services_.saveProgramFile(source);
    EXPECT_EQ(QFile(answer_).size(), 2600);

    CalcEngine target;
    target.programCounter = 55;
    services_.openProgramFile(target);
    EXPECT_EQ(target.registers, source.registers);
    EXPECT_EQ(target.programMemory[0], source.programMemory[0]);
    EXPECT_EQ(target.programCounter, 0);
    EXPECT_TRUE(captured_.reports.empty());
}

TEST_F(ShellServicesTest, DialogsAskWhatEachKeyNeeds) {
    const QString documents = home_ + QStringLiteral("/Documents");
    ASSERT_TRUE(QDir().mkpath(documents));
    CalcEngine engine;
    services_.saveProgramFile(engine);
    services_.openProgramFile(engine);
    services_.writeListing(engine);
    ASSERT_EQ(requests_.size(), 3u);
    const QStringList programFilters = {QStringLiteral("Korvel files (*.kv)"),
                                        QStringLiteral("All files (*)")};

    const FileDialogRequest& save = requests_[0];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.defaultName, QStringLiteral("prog.kv"));
    EXPECT_EQ(save.defaultSuffix, QStringLiteral("kv"));
    EXPECT_EQ(save.filters, programFilters);
    EXPECT_EQ(save.folder, documents);

    const FileDialogRequest& open = requests_[1];
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.defaultName, QStringLiteral("prog.kv"));
    EXPECT_TRUE(open.defaultSuffix.isEmpty());
    EXPECT_EQ(open.filters, programFilters);
    EXPECT_EQ(open.folder, documents);

    const FileDialogRequest& listing = requests_[2];
    EXPECT_TRUE(listing.save);
    EXPECT_EQ(listing.title, QStringLiteral("Listing"));
    EXPECT_EQ(listing.defaultName, QStringLiteral("korvel.txt"));
    EXPECT_EQ(listing.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(listing.filters,
              (QStringList{QStringLiteral("txt files (*.txt)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(listing.folder, documents);
}

TEST_F(ShellServicesTest, FileKeysReachTheDialogs) {
    CalcEngine engine;
    engine.setShellServices(&services_);
    engine.pressKey(key::kWrt);
    engine.pressKey(key::kInv);
    engine.pressKey(key::kWrt);
    engine.pressKey(key::kLst);
    ASSERT_EQ(requests_.size(), 3u);
    EXPECT_TRUE(requests_[0].save);
    EXPECT_FALSE(requests_[1].save);
    EXPECT_EQ(requests_[2].title, QStringLiteral("Listing"));
}

TEST_F(ShellServicesTest, CancelledDialogDoesNothing) {
    CalcEngine engine;
    fill(engine);
    const auto registers = engine.registers;
    engine.programCounter = 12;
    answer_.clear();
    services_.saveProgramFile(engine);
    services_.openProgramFile(engine);
    services_.writeListing(engine);
    EXPECT_EQ(engine.registers, registers);
    EXPECT_EQ(engine.programCounter, 12);
    EXPECT_TRUE(captured_.reports.empty());
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ShellServicesTest, FailedSaveIsReportedOnceAsCreateFile) {
    CalcEngine engine;
    answer_ = dir_.path(QStringLiteral("no such folder/prog.kv"));
    services_.saveProgramFile(engine);
    ASSERT_EQ(captured_.reports.size(), 1u);
    EXPECT_EQ(captured_.reports[0].caption, QStringLiteral("CreateFile"));
    EXPECT_TRUE(captured_.reports[0].text.contains(QStringLiteral("No such file or directory")))
        << captured_.reports[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(answer_));
}

// A file that cannot be read (missing, a folder) leaves the engine as it was and says why.
TEST_F(ShellServicesTest, UnreadableFileLeavesTheEngineAndSaysWhy) {
    for (const QString& name : {QStringLiteral("missing.kv"), QString()}) {
        captured_.reports.clear();
        CalcEngine engine;
        fill(engine);
        const auto program = engine.programMemory[0];
        engine.programCounter = 12;
        answer_ = name.isEmpty() ? dir_.path() : dir_.path(name);
        services_.openProgramFile(engine);
        EXPECT_EQ(engine.programMemory[0], program);
        EXPECT_EQ(engine.programCounter, 12);
        ASSERT_EQ(captured_.reports.size(), 1u);
        EXPECT_EQ(captured_.reports[0].caption, QStringLiteral("CreateFile"));
        EXPECT_TRUE(captured_.reports[0].text.startsWith(answer_ + QStringLiteral(": ")))
            << captured_.reports[0].text.toStdString();
    }
}

TEST_F(ShellServicesTest, ListingOfTheSelectedBankIsWritten) {
    CalcEngine engine;
    engine.programMemory[0][0] = 85;  // + in the user's bank, not listed
    engine.programMemory[3][0] = 61;  // GTO 2 45 in bank 3
    engine.programMemory[3][1] = 2;
    engine.programMemory[3][2] = 45;
    engine.currentBank = 3;
    answer_ = dir_.path(QStringLiteral("korvel.txt"));
    services_.writeListing(engine);
    EXPECT_TRUE(captured_.reports.empty());

    QFile file(answer_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2)) << "UTF-16LE byte-order mark";
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.startsWith(QStringLiteral("000 61 GTO\r\n001 02 2\r\n002 45 45\r\n")))
        << text.left(60).toStdString();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 20) << "an empty tail lists to step 019";
}

TEST_F(ShellServicesTest, FailedListingIsReportedOnce) {
    CalcEngine engine;
    answer_ = dir_.path(QStringLiteral("no such folder/korvel.txt"));
    services_.writeListing(engine);
    ASSERT_EQ(captured_.reports.size(), 1u);
    EXPECT_EQ(captured_.reports[0].caption, QStringLiteral("Création listing"));
    EXPECT_TRUE(captured_.reports[0].text.contains(QStringLiteral("No such file or directory")))
        << captured_.reports[0].text.toStdString();
}

TEST_F(ShellServicesTest, EngineErrorReportsReachTheBox) {
    ShellServices& services = services_;
    services.showSystemError("Création listing", "Permission denied");
    ASSERT_EQ(captured_.reports.size(), 1u);
    EXPECT_EQ(captured_.reports[0].caption, QStringLiteral("Création listing"));
    EXPECT_EQ(captured_.reports[0].text, QStringLiteral("Permission denied"));
}

// --- Where the dialogs open, and the printer file ---

// Every dialog starts in the documents folder, or in the home folder when there is none; never
// in the folder the program was started from.
TEST_F(ShellServicesTest, DialogsOpenInTheDocumentsOrTheHomeFolder) {
    const QString documents = home_ + QStringLiteral("/Documents");
    const QString elsewhere = dir_.path(QStringLiteral("started here"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString startedIn = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere));
    const QString printerInDocuments = documents + QStringLiteral("/Korvel.txt");
    for (const bool documentsExist : {false, true}) {
        if (documentsExist) {
            ASSERT_TRUE(QDir().mkpath(documents));
        }
        const QString expected = documentsExist ? documents : home_;
        const std::pair<const char*, FileDialogRequest> requests[] = {
            {"WRT", saveProgramRequest()},
            {"INV WRT", openProgramRequest()},
            {"LST", listingRequest()},
            {"printer file", printerFileRequest(printerInDocuments)}};
        for (const auto& [name, request] : requests) {
            QFileDialog dialog;
            configureFileDialog(dialog, request);
            EXPECT_EQ(QDir(dialog.directory()).absolutePath(), expected)
                << name << (documentsExist ? " with" : " without") << " documents folder";
        }
    }
    ASSERT_TRUE(QDir::setCurrent(startedIn));
}

// Prints are added to the end of the printer file: its dialog never asks about replacing,
// and says where the prints go. The program dialogs still ask before replacing a file.
TEST_F(ShellServicesTest, PrinterFileDialogDoesNotOfferToReplace) {
    const std::pair<FileDialogRequest, bool> rows[] = {
        {printerFileRequest(home_ + QStringLiteral("/Korvel.txt")), false},
        {saveProgramRequest(), true},
        {listingRequest(), true}};
    for (const auto& [request, asks] : rows) {
        QFileDialog dialog;
        configureFileDialog(dialog, request);
        EXPECT_EQ(dialog.testOption(QFileDialog::DontConfirmOverwrite), !asks)
            << request.title.toStdString();
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    }
    QFileDialog printer;
    configureFileDialog(printer, printerFileRequest({}));
    EXPECT_EQ(printer.windowTitle(), QStringLiteral("Printer file"));
    EXPECT_TRUE(printer.labelText(QFileDialog::FileName).contains(QStringLiteral("end")))
        << printer.labelText(QFileDialog::FileName).toStdString();
}

// A fresh home has no documents folder: the printer makes it the first time it prints, and
// nothing is reported.
TEST_F(ShellServicesTest, PrinterMakesTheMissingDocumentsFolder) {
    CalcEngine engine;
    engine.setShellServices(&services_);
    const QString documents = home_ + QStringLiteral("/Documents");
    engine.printerPath = QFile::encodeName(documents + QStringLiteral("/Korvel.txt")).toStdString();
    ASSERT_FALSE(QFileInfo::exists(documents));
    engine.pressKey(1);
    engine.pressKey(key::kPrt);
    engine.pressKey(key::kPrt);
    EXPECT_TRUE(captured_.reports.empty());
    QFile tape(documents + QStringLiteral("/Korvel.txt"));
    ASSERT_TRUE(tape.open(QIODevice::ReadOnly));
    // The byte-order mark and two lines of 15 UTF-16 characters.
    EXPECT_EQ(tape.size(), 2 + 2 * 2 * 15);
}

// A printer file that cannot be written is shown once for the run, naming the file and the
// reason; other folders than the documents folder are never made.
TEST_F(ShellServicesTest, UnwritablePrinterFileIsShownOnce) {
    const QString missingFolder = dir_.path(QStringLiteral("gone/Korvel.txt"));
    const QString folderItself = dir_.path();
    const std::pair<QString, QString> rows[] = {{missingFolder, "No such file or directory"},
                                                {folderItself, "Is a directory"}};
    for (const auto& [path, reason] : rows) {
        CapturedReports captured;
        CalcEngine engine;
        engine.setShellServices(&services_);
        engine.printerPath = QFile::encodeName(path).toStdString();
        for (int i = 0; i < 3; ++i)
            engine.pressKey(key::kPrt);
        ASSERT_EQ(captured.reports.size(), 1u) << path.toStdString();
        EXPECT_EQ(captured.reports[0].caption, QStringLiteral("Printer file"));
        EXPECT_TRUE(captured.reports[0].text.contains(path)) << path.toStdString();
        EXPECT_TRUE(captured.reports[0].text.contains(reason))
            << captured.reports[0].text.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir_.path(QStringLiteral("gone"))));
}

}  // namespace
}  // namespace korvelce
