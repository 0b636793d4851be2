// The calculator's face: the skin with its keys, the display and indicators painted over it,
// the menu button; taps become key codes for the engine, programs run as a chain of posted
// events so the face stays responsive, and the display blinks while the engine is in error.
//
// The face fills the widget at any size, keeping its proportions: the handheld screen (skin,
// margins and menu button) is scaled as a whole and centred, and the case's colour fills the
// rest. Everything is drawn at the size shown, in device pixels, from the layout table scaled
// to that size; hit-testing uses the same scaled table. At the handheld's own size on a screen
// of device pixel ratio 1 the face is the loaded pictures themselves.
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "shell/face_drawing.h"
#include "shell/key_map.h"
#include "shell/layout.h"
#include "shell/settings.h"

class QAbstractButton;
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
    static constexpr int kCommandCopy = 40101;
    static constexpr int kCommandCopyAllDigits = 40102;
    static constexpr int kCommandPaste = 40103;
    static constexpr int kCommandShowKeys = 40104;
    static constexpr int kCommandZoomIn = 40110;
    static constexpr int kCommandZoomOut = 40111;
    static constexpr int kCommandZoom100 = 40112;
    static constexpr int kCommandZoom150 = 40113;
    static constexpr int kCommandZoom200 = 40114;
    static constexpr int kCommandZoomFit = 40115;

    // clientSize is the handheld screen's size: the face's size at 100 %, which the widget
    // starts with.
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
    // Asks whether the program memory and registers are to be replaced by the named file.
    // The default is a question box; tests replace it.
    std::function<bool(QWidget*, const QString& name)> confirmReplace;

    // How long the calculator stays idle after a change before the state is saved, and the
    // shortest time between two saves while a program runs.
    int idleSaveMs = 2000;

    // A tap at a point of the widget, as press and release; tests and the keyboard use these.
    void pressAt(QPointF point);
    void releaseAt();
    // A key code from the PC keyboard, delivered like a tap.
    void deliverKey(int code);

    // The layout table of the screen mode (the face at 100 %).
    [[nodiscard]] const Layout& layout() const { return layout_; }
    // The handheld screen's size: the face at 100 %.
    [[nodiscard]] QSize handheldSize() const { return baseSize_; }
    // Where the handheld screen lies in the widget, in the widget's coordinates.
    [[nodiscard]] QRectF faceRect() const;
    // The face's size against the handheld screen's (1 at 100 %).
    [[nodiscard]] double zoom() const;
    // The skin's top-left corner and the menu button, in the widget's coordinates.
    [[nodiscard]] QPoint skinOrigin() const;
    // The skin's top-left corner in device pixels, where the pictures are drawn.
    [[nodiscard]] QPoint skinOriginInPixels() const;
    [[nodiscard]] QRect menuButtonRect() const;
    // The rectangle of a key in the widget's coordinates (column 0..4, row 0..8).
    [[nodiscard]] QRect keyRectInWidget(int column, int row) const;
    // The key under a point of the widget; -1/-1 when none.
    [[nodiscard]] GridHit keyAt(QPointF point) const;
    // The display's rectangle in the widget's coordinates.
    [[nodiscard]] QRect displayRectInWidget() const;
    // A tap on a key (column 0..4, row 0..8): what a screen reader's press does.
    void tapKey(int column, int row);
    // The display as a screen reader says it: the number shown ("-1.5e-12"), "running" for
    // the running display, "step 012, code 42" in learn mode; "error" added while it blinks.
    [[nodiscard]] QString accessibleDisplayText() const;

    // Resizes the window (the top-level widget that holds the face) so that the face is shown
    // at zoom, within the screen; steps through the usual zooms; fits the screen.
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    // The zooms offered by the menu and stepped through by zoomIn and zoomOut.
    static constexpr double kZoomSteps[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 2.5, 3.0, 4.0};

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    // The menu button: a child that the keyboard reaches with Tab.
    [[nodiscard]] QAbstractButton* menuButton() const { return menuButton_; }
    // The face's pictures as drawn now, in device pixels.
    [[nodiscard]] const FaceImages& faceImages() const { return face_; }
    [[nodiscard]] bool secondActive() const { return secondActive_; }
    // The key held down (shown pressed); -1/-1 when none.
    [[nodiscard]] GridHit pressedKey() const { return {pressedColumn_, pressedRow_}; }
    [[nodiscard]] bool blinking() const { return blinkTimer_ != 0; }
    [[nodiscard]] bool displayVisible() const { return displayVisible_; }
    [[nodiscard]] bool runActive() const { return runActive_; }
    // The rendered display (display width x displayHeight of the layout as shown, in device
    // pixels), as last drawn.
    [[nodiscard]] const QImage& displayBuffer() const { return displayBuffer_; }
    // Renders the display for the text the engine shows now (flag: the value while running).
    void renderDisplay(bool showValue);
    QMenu* popupMenu() { return menu_; }
    void runCommand(int command);

    // The PC keys of the calculator's keys.
    [[nodiscard]] const KeyMap& keyMap() const { return keyMap_; }
    void setKeyMap(KeyMap map) { keyMap_ = std::move(map); }
    // Whether the face shows the PC key of each calculator key (F1, or while Ctrl is held).
    [[nodiscard]] bool keyHintsShown() const { return keyHintsToggled_ || controlHeld_; }
    // The tooltip of a key: its name, its 2nd function and the PC keys of both.
    [[nodiscard]] QString keyTooltip(int column, int row) const;

    // Copies the display value to the clipboard (allDigits: every digit of the value).
    void copyDisplay(bool allDigits);
    // Types the number on the clipboard in, as if keyed; anything else is refused with a
    // message on the face.
    void pasteNumber();
    // A message shown over the face for a few seconds; the one shown now, if any.
    void showMessage(const QString& text);
    [[nodiscard]] QString message() const { return message_; }

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
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The geometry in device pixels, for the size and ratio it was computed for.
    struct Geometry {
        QSize widgetSize;  // in the widget's coordinates
        double ratio = 0;  // device pixel ratio
        double scale = 0;  // device pixels per handheld pixel
        QSize pixels;      // the widget in device pixels
        QRect face;        // the handheld screen
        QPoint skinOrigin;
        QRect menuButton;
    };

    void afterKey();
    void runEnded();
    void saveNow();
    void onSaveTimer();
    void updateBlink();
    void runChainStep();
    void waitAndContinue();
    void choosePrinterFile();
    // Recomputes the geometry, and redraws the pictures, when the widget's size or device
    // pixel ratio changed; the const form serves the accessors.
    void ensureGeometry();
    [[nodiscard]] const Geometry& shown() const;
    void rebuildPictures(double scale);
    void composeFrame();
    void placeMenuButton();
    void openMenu(QPoint globalPosition);
    // Rectangles in device pixels of the widget.
    [[nodiscard]] QRect keyRect(int column, int row) const;
    [[nodiscard]] QRect displayRect() const;
    // A rectangle in device pixels as the widget's rectangle that covers it.
    [[nodiscard]] QRect toWidget(const QRect& devicePixels) const;
    [[nodiscard]] bool gtoHeld() const;
    void paintIndicators(QPainter& painter) const;
    void paintKeyHints(QPainter& painter) const;
    void paintMessage(QPainter& painter) const;
    void buildMenu();
    // A key of the face pressed from the PC keyboard; released with the PC key.
    void pressFaceKey(FaceKey key);
    // Whether the face itself takes this key press (so that no shortcut of the window does).
    [[nodiscard]] bool takesKey(const QKeyEvent& event) const;

    CalcEngine& engine_;
    Settings& settings_;
    const Layout& layout_;
    const QSize baseSize_;
    FacePictures pictures_;  // the pictures at 100 %, as loaded
    Geometry geometry_;
    FaceImages face_;  // the pictures at geometry_.scale
    // The keys drawn pressed, made when first pressed (row by row); null until then.
    std::array<QImage, kGridColumns * kGridRows> pressedKeys_;
    QImage frame_;  // the whole widget without the changing parts: surround and skin
    QAbstractButton* menuButton_ = nullptr;
    int pressedColumn_ = -1;
    int pressedRow_ = -1;
    bool secondActive_ = false;
    bool displayVisible_ = true;
    bool runActive_ = false;
    bool showValueWhileRunning_ = false;
    int blinkTimer_ = 0;
    QImage displayBuffer_;
    QString lastDisplayText_;
    bool lastDisplayExponent_ = false;
    QElapsedTimer ticks_;
    qint64 stepStartTick_ = 0;
    QMenu* menu_ = nullptr;
    QTimer saveTimer_;
    KeyMap keyMap_ = KeyMap::defaults();
    int heldPcKey_ = 0;  // the PC key that holds a face key down; 0 for none
    quint32 heldScanCode_ = 0;
    bool keyHintsToggled_ = false;
    bool controlHeld_ = false;
    QString message_;
    QTimer messageTimer_;
};

}  // namespace korvelce
