// The calculator's face: the skin with its keys, the display and indicators painted over it,
// the menu button; taps become key codes for the engine, programs run as a chain of posted
// events so the face stays responsive, and the display blinks while the engine is in error.
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "shell/layout.h"
#include "shell/settings.h"

class QMenu;

namespace korvelce {

class CalcEngine;

// The pictures the face is drawn from.
struct FacePictures {
    QImage skin;
    QImage pressed;     // same size as the skin, every key drawn pressed; may be null
    QImage indicators;  // 2nd, INV, DEG, RAD, GRD
    QImage glyphs;      // point, minus, digits 0..9, running bracket
    QImage menuButton;
};

// The modal About dialog.
void aboutDialog(QWidget* parent);

// Loads the pictures of a screen mode: the skins of modes 1 and 2 from files beside the
// executable, the rest from the resources. failedCaption names the first picture missing.
bool loadFacePictures(int mode, FacePictures& pictures, QString& failedCaption);

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    // The posted event of one run step.
    static constexpr QEvent::Type kRunStepEvent = static_cast<QEvent::Type>(QEvent::User + 1);
    // Menu command numbers.
    static constexpr int kCommandMaster = 40035;
    static constexpr int kCommandMaths = 40036;
    static constexpr int kCommandPrinterFile = 40007;
    static constexpr int kCommandAbout = 40005;
    static constexpr int kCommandExit = 40004;

    MainWindow(CalcEngine& engine, Settings& settings, int screenMode, FacePictures pictures,
               QSize clientSize);
    ~MainWindow() override;

    // Loads library module 110 or 128 (set by start-up).
    std::function<void(int)> loadModule;
    // Asks for the printer file; returns the chosen path or an empty string. The default is
    // the save dialog; tests replace it.
    std::function<QString(QWidget*, const QString&)> askPrinterFile;
    // Shows the About dialog; tests replace it.
    std::function<void(QWidget*)> showAboutDialog;
    // Writes the saved state when it changed (set by start-up).
    std::function<void()> saveState;
    // Loads a program file named by a later copy of the program (set by start-up).
    std::function<void(const QString&)> loadProgramFile;
    // Asks whether the program memory and registers are to be replaced by the named file.
    // The default is a question box; tests replace it.
    std::function<bool(QWidget*, const QString& name)> confirmReplace;

    // How long the calculator stays idle after a change before the state is saved, and the
    // shortest time between two saves while a program runs.
    int idleSaveMs = 2000;

    // A tap at a point of the window, as press and release; tests and the keyboard use these.
    void pressAt(QPoint point);
    void releaseAt();
    // A key code from the PC keyboard, delivered like a tap.
    void deliverKey(int code);

    [[nodiscard]] const Layout& layout() const { return layout_; }
    [[nodiscard]] QPoint skinOrigin() const { return skinOrigin_; }
    [[nodiscard]] QRect menuButtonRect() const { return menuButtonRect_; }
    [[nodiscard]] bool secondActive() const { return secondActive_; }
    [[nodiscard]] bool blinking() const { return blinkTimer_ != 0; }
    [[nodiscard]] bool displayVisible() const { return displayVisible_; }
    [[nodiscard]] bool runActive() const { return runActive_; }
    // The rendered display (display width x displayHeight), as last drawn.
    [[nodiscard]] const QImage& displayBuffer() const { return displayBuffer_; }
    // Renders the display for the text the engine shows now (flag: the value while running).
    void renderDisplay(bool showValue);
    QMenu* popupMenu() { return menu_; }
    void runCommand(int command);

    // Comes to the front, as a later copy of the program asks.
    void bringToFront();
    // A later copy was started with a program file: after a question, the file replaces the
    // program memory and registers.
    void offerProgramFile(const QString& path);
    // The engine's program memory and registers are replaced from outside the face (a program
    // file): a program that runs ends first, then replace() changes the engine, and the face
    // shows the result and saves it once the keys rest.
    void replaceProgram(const std::function<void()>& replace);
    [[nodiscard]] bool saveScheduled() const { return saveTimer_.isActive(); }

    // Run-chain tuning: how long one posted event may keep running steps before the window
    // handles its waiting events again.
    static constexpr int kSliceMicroseconds = 4000;
    // How many steps run between two looks at the clock (a step is far quicker than a look).
    static constexpr int kStepsPerClockRead = 32;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void afterKey();
    void runEnded();
    void saveNow();
    void onSaveTimer();
    void updateBlink();
    void runChainStep();
    void waitAndContinue();
    void choosePrinterFile();
    [[nodiscard]] QRect keyRect(int column, int row) const;
    [[nodiscard]] QRect displayRect() const;
    [[nodiscard]] bool gtoHeld() const;
    void paintIndicators(QPainter& painter) const;
    void buildMenu();

    CalcEngine& engine_;
    Settings& settings_;
    const Layout& layout_;
    FacePictures pictures_;
    QPoint skinOrigin_;
    QRect menuButtonRect_;
    int pressedColumn_ = -1;
    int pressedRow_ = -1;
    bool secondActive_ = false;
    bool displayVisible_ = true;
    bool runActive_ = false;
    bool showValueWhileRunning_ = false;
    int blinkTimer_ = 0;
    QImage displayBuffer_;
    QString lastDisplayText_;
    QElapsedTimer ticks_;
    qint64 stepStartTick_ = 0;
    QMenu* menu_ = nullptr;
    QTimer saveTimer_;
};

}  // namespace korvelce
