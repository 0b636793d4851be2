#include "shell/main_window.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "engine/calc_engine.h"
#include "files/clipboard_number.h"
#include "shell/data_paths.h"
#include "shell/face_accessible.h"
#include "shell/window_placement.h"

namespace korvelce {

namespace {

constexpr int kGtoKeyCode = 61;
// How long a message stays over the face.
constexpr int kMessageMs = 4000;

QImage loadImage(const QString& path) {
    QImage image(path);
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The menu button: a child over the face's picture of it, so that Tab reaches it and a
// screen reader finds it. It draws only its focus frame; the face shows through it.
class FaceMenuButton : public QAbstractButton {
  public:
    explicit FaceMenuButton(QWidget* parent) : QAbstractButton(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setText(QStringLiteral("Menu"));
        setAccessibleName(QStringLiteral("Menu"));
        setToolTip(QStringLiteral("Menu"));
    }
    // Opens the menu at a point of the screen.
    std::function<void(QPoint)> open;

  protected:
    void paintEvent(QPaintEvent*) override {
        if (!hasFocus()) return;
        QPainter painter(this);
        painter.setPen(QPen(QColor(0xee, 0xb8, 0x42), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && open) open(event->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent*) override {}
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Space:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                if (open) open(mapToGlobal(QPoint(0, 0)));
                return;
            default:
                QAbstractButton::keyPressEvent(event);
        }
    }
    void nextCheckState() override {}
};

bool askReplace(QWidget* parent, const QString& name) {
    return QMessageBox::question(
               parent, QStringLiteral("Korvelce"),
               QStringLiteral("Replace the program memory and registers with %1?").arg(name),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

bool loadFacePictures(int mode, FacePictures& pictures, QString& failedCaption) {
    const QString suffix = mode == 0 ? QStringLiteral("0") : QStringLiteral("12");
    if (mode == 0) {
        pictures.skin = loadImage(QStringLiteral(":/artwork/skin0.png"));
    } else {
        // Beside the executable (a build folder) or in the installed data folder.
        const bool vga = mode == 1;
        pictures.skin = loadImage(dataFilePath(vga ? "FondVGA.png" : "FondWVGA.png"));
        pictures.pressed = loadImage(dataFilePath(vga ? "FondDownVGA.png" : "FondDownWVGA.png"));
    }
    if (pictures.skin.isNull()) {
        failedCaption = QStringLiteral("LoadBitmap");
        return false;
    }
    pictures.indicators = loadImage(":/artwork/indicators" + suffix + ".png");
    if (pictures.indicators.isNull()) {
        failedCaption = QStringLiteral("LoadBitmap(Indicateurs)");
        return false;
    }
    pictures.glyphs = loadImage(":/artwork/glyphs" + suffix + ".png");
    if (pictures.glyphs.isNull()) {
        failedCaption = QStringLiteral("LoadBitmap(Affichage)");
        return false;
    }
    pictures.menuButton = loadImage(":/artwork/menu" + suffix + ".png");
    if (pictures.menuButton.isNull()) {
        failedCaption = QStringLiteral("LoadBitmap(Menu)");
        return false;
    }
    return true;
}

MainWindow::MainWindow(CalcEngine& engine, Settings& settings, int screenMode,
                       FacePictures pictures, QSize clientSize)
    : engine_(engine),
      settings_(settings),
      layout_(layoutFor(screenMode)),
      baseSize_(clientSize),
      pictures_(std::move(pictures)) {
    installFaceAccessibility();
    setWindowTitle(QStringLiteral("Korvel ce"));
    setAccessibleName(QStringLiteral("Korvelce calculator"));
    setMinimumSize(baseSize_ / 2);
    resize(clientSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    ticks_.start();
    auto* button = new FaceMenuButton(this);
    button->open = [this](QPoint at) { openMenu(at); };
    connect(button, &QAbstractButton::clicked, this,
            [this, button] { openMenu(button->mapToGlobal(QPoint(0, 0))); });
    menuButton_ = button;
    // The keys go to the face first, not to the menu button.
    setFocus(Qt::OtherFocusReason);
    buildMenu();
    ensureGeometry();
    confirmReplace = askReplace;
    saveTimer_.setSingleShot(true);
    connect(&saveTimer_, &QTimer::timeout, this, &MainWindow::onSaveTimer);
    messageTimer_.setSingleShot(true);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        message_.clear();
        update();
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::ensureGeometry() {
    const double ratio = devicePixelRatioF();
    if (geometry_.widgetSize == size() && geometry_.ratio == ratio && !face_.skin.isNull()) return;
    Geometry g;
    g.widgetSize = size();
    g.ratio = ratio;
    g.pixels = QSize(static_cast<int>(std::lround(width() * ratio)),
                     static_cast<int>(std::lround(height() * ratio)));
    double scale = std::min(static_cast<double>(g.pixels.width()) / baseSize_.width(),
                            static_cast<double>(g.pixels.height()) / baseSize_.height());
    // The handheld's own size is drawn from the loaded pictures; a widget that is only
    // slightly larger shows them with a wider surround rather than a redrawn face.
    if (std::abs(scale - 1.0) < 1e-9) scale = 1.0;
    scale = std::max(scale, 0.1);
    g.scale = scale;
    if (face_.skin.isNull() || face_.scale != scale) rebuildPictures(scale);
    const QSize faceSize(static_cast<int>(std::lround(baseSize_.width() * scale)),
                         static_cast<int>(std::lround(baseSize_.height() * scale)));
    g.face = QRect(QPoint((g.pixels.width() - faceSize.width()) / 2,
                          (g.pixels.height() - faceSize.height()) / 2),
                   faceSize);
    // The skin is centred across the handheld screen, one of its pixels below the top.
    g.skinOrigin = g.face.topLeft() + QPoint((faceSize.width() - face_.skin.width()) / 2,
                                             static_cast<int>(std::lround(scale)));
    const int menu = face_.menuButton.width();
    g.menuButton = QRect(g.face.left(), g.face.bottom() + 1 - menu, menu, menu);
    geometry_ = g;
    composeFrame();
    placeMenuButton();
    displayBuffer_ = QImage(face_.layout.displayWidth(), face_.layout.displayHeight,
                            QImage::Format_ARGB32_Premultiplied);
    displayBuffer_.fill(Qt::black);
    lastDisplayText_.clear();
    renderDisplay(showValueWhileRunning_);
}

const MainWindow::Geometry& MainWindow::shown() const {
    const_cast<MainWindow*>(this)->ensureGeometry();
    return geometry_;
}

void MainWindow::rebuildPictures(double scale) {
    if (scale == 1.0) {
        face_ = FaceImages{};
        face_.scale = 1.0;
        face_.layout = layout_;
        face_.skin = pictures_.skin;
        face_.pressed = pictures_.pressed;
        face_.glyphs = pictures_.glyphs;
        face_.indicators = pictures_.indicators;
        face_.menuButton = pictures_.menuButton;
        return;
    }
    // The pressed keys are drawn one by one when first pressed: a resize then costs half.
    face_ = drawFace(layout_.mode, scale, false);
    pressedKeys_.fill(QImage());
}

void MainWindow::composeFrame() {
    const Geometry& g = geometry_;
    frame_ = QImage(g.pixels, QImage::Format_RGB32);
    QPainter painter(&frame_);
    // The case runs on around the skin, in its own gradient, up to the window's edges.
    const QRect skin(g.skinOrigin, face_.skin.size());
    const QRegion around = QRegion(frame_.rect()).subtracted(skin);
    for (const QRect& part : around)
        fillSurround(painter, part, skin.top(), skin.height());
    painter.drawImage(g.skinOrigin, face_.skin);
    painter.drawImage(g.menuButton.topLeft(), face_.menuButton);
}

void MainWindow::placeMenuButton() {
    menuButton_->setGeometry(toWidget(geometry_.menuButton));
}

QRect MainWindow::toWidget(const QRect& devicePixels) const {
    const double ratio = geometry_.ratio > 0 ? geometry_.ratio : 1.0;
    return QRectF(devicePixels.x() / ratio, devicePixels.y() / ratio, devicePixels.width() / ratio,
                  devicePixels.height() / ratio)
        .toAlignedRect();
}

QRectF MainWindow::faceRect() const {
    const Geometry& g = shown();
    return {g.face.x() / g.ratio, g.face.y() / g.ratio, g.face.width() / g.ratio,
            g.face.height() / g.ratio};
}

double MainWindow::zoom() const {
    const Geometry& g = shown();
    return g.scale / g.ratio;
}

QPoint MainWindow::skinOrigin() const {
    const Geometry& g = shown();
    return (QPointF(g.skinOrigin) / g.ratio).toPoint();
}

QPoint MainWindow::skinOriginInPixels() const {
    return shown().skinOrigin;
}

QRect MainWindow::menuButtonRect() const {
    return toWidget(shown().menuButton);
}

QRect MainWindow::keyRectInWidget(int column, int row) const {
    (void)shown();
    return toWidget(keyRect(column, row));
}

GridHit MainWindow::keyAt(QPointF point) const {
    const Geometry& g = shown();
    const QPointF onSkin = point * g.ratio - QPointF(g.skinOrigin);
    return hitTest(face_.layout, static_cast<int>(std::floor(onSkin.x())),
                   static_cast<int>(std::floor(onSkin.y())));
}

QSize MainWindow::sizeHint() const {
    return baseSize_;
}

QSize MainWindow::minimumSizeHint() const {
    return baseSize_ / 2;
}

void MainWindow::setZoom(double zoom) {
    QWidget* top = window();
    if (top->isMaximized() || top->isFullScreen()) top->showNormal();
    // Whatever surrounds the face in its window keeps its size.
    const QSize extra = top == this ? QSize(0, 0) : top->size() - size();
    double wanted = zoom;
    if (const QScreen* shownOn = screen()) {
        const QSize frame = top->frameGeometry().size() - top->size();
        const QSize room = shownOn->availableGeometry().size() - frame - extra;
        wanted = std::min({wanted, static_cast<double>(room.width()) / baseSize_.width(),
                           static_cast<double>(room.height()) / baseSize_.height()});
    }
    wanted = std::max(wanted, 0.5);
    const QSize face(static_cast<int>(std::lround(baseSize_.width() * wanted)),
                     static_cast<int>(std::lround(baseSize_.height() * wanted)));
    top->resize(face + extra);
}

void MainWindow::zoomIn() {
    const double now = zoom();
    for (const double step : kZoomSteps) {
        if (step > now + 0.01) {
            setZoom(step);
            return;
        }
    }
}

void MainWindow::zoomOut() {
    const double now = zoom();
    for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step) {
        if (*step < now - 0.01) {
            setZoom(*step);
            return;
        }
    }
}

void MainWindow::zoomToFit() {
    // The largest zoom the screen takes: setZoom keeps within it.
    setZoom(kZoomSteps[std::size(kZoomSteps) - 1] * 4);
    QWidget* top = window();
    if (const QScreen* shownOn = screen()) {
        const QRect available = shownOn->availableGeometry();
        if (!available.contains(top->frameGeometry())) top->move(available.topLeft());
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ensureGeometry();
}

void MainWindow::openMenu(QPoint globalPosition) {
    menu_->popup(globalPosition);
}

QRect MainWindow::keyRect(int column, int row) const {
    return korvelce::keyRect(face_.layout, column, row).translated(geometry_.skinOrigin);
}

QRect MainWindow::displayRect() const {
    const Layout& l = face_.layout;
    return {geometry_.skinOrigin + QPoint(l.displayX, l.displayY),
            QSize(l.displayWidth(), l.displayHeight)};
}

void MainWindow::renderDisplay(bool showValue) {
    char buffer[32];
    const int exponent = engine_.displayText(buffer, 32, showValue);
    const QString text = QString::fromLatin1(buffer);
    if (text == lastDisplayText_) return;
    displayBuffer_.fill(Qt::black);
    const Layout& l = face_.layout;
    QPainter painter(&displayBuffer_);
    const int cell = l.cellWidth;
    const int move = cell + l.cellGap;
    const int height = l.displayHeight;
    int x = l.displayWidth() - cell;
    if (exponent == 0) x -= move;
    auto glyph = [&](int sourceX, int width, int targetX) {
        painter.drawImage(QPoint(targetX, 0), face_.glyphs, QRect(sourceX, 0, width, height));
    };
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(' ')) {
            x -= move;
        } else if (c == QLatin1Char('-')) {
            glyph(l.pointWidth, cell, x);
            x -= move;
        } else if (c.isDigit()) {
            glyph(l.digitGlyphX(c.digitValue()), cell, x);
            x -= move;
        } else if (c == QLatin1Char('[')) {
            glyph(l.bracketGlyphX, cell, x);
            x -= move;
        } else if (c == QLatin1Char('.')) {
            glyph(0, l.pointWidth, x + cell + l.pointWidth);
        }
    }
    lastDisplayText_ = text;
    lastDisplayExponent_ = exponent != 0;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, accessibleDisplayText());
        QAccessible::updateAccessibility(&changed);
    }
}

QString MainWindow::accessibleDisplayText() const {
    const QString shown = lastDisplayText_.trimmed();
    if (shown.startsWith(u'[')) return QStringLiteral("running");
    static const QRegularExpression step(QStringLiteral("^(\\d{3}) (\\d{2})$"));
    if (engine_.mode == kLearn) {
        const QRegularExpressionMatch match = step.match(shown);
        if (match.hasMatch())
            return QStringLiteral("step %1, code %2").arg(match.captured(1), match.captured(2));
    }
    const QString number =
        QString::fromStdString(plainNumber(lastDisplayText_.toStdString(), lastDisplayExponent_));
    return blinkTimer_ != 0 ? number + QStringLiteral(", error") : number;
}

QRect MainWindow::displayRectInWidget() const {
    (void)shown();
    return toWidget(displayRect());
}

void MainWindow::tapKey(int column, int row) {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) return;
    pressAt(QRectF(keyRectInWidget(column, row)).center());
    releaseAt();
}

void MainWindow::paintIndicators(QPainter& painter) const {
    const Layout& l = face_.layout;
    const int y = l.indicatorY;
    const int h = l.indicatorHeight;
    auto indicator = [&](bool on, int x, int width, int glyphX) {
        const QRect target(geometry_.skinOrigin + QPoint(x, y), QSize(width, h));
        if (on)
            painter.drawImage(target.topLeft(), face_.indicators, QRect(glyphX, 0, width, h));
        else
            painter.fillRect(target, Qt::black);
    };
    indicator(secondActive_, l.secondX, l.secondWidth, l.secondGlyphX);
    indicator(engine_.invFlag != 0, l.invX, l.invWidth, l.invGlyphX);
    const int unit = engine_.angleUnit >= 0 && engine_.angleUnit <= 2 ? engine_.angleUnit : 0;
    indicator(true, l.angleX, l.angleWidth, l.angleGlyphX + unit * l.angleWidth);
}

void MainWindow::paintEvent(QPaintEvent*) {
    ensureGeometry();
    QPainter painter(this);
    // Everything is painted in device pixels, one to one with the pictures.
    if (geometry_.ratio != 1.0) painter.scale(1.0 / geometry_.ratio, 1.0 / geometry_.ratio);
    painter.drawImage(0, 0, frame_);
    if (pressedColumn_ >= 0 && pressedRow_ >= 0) {
        const QRect key = keyRect(pressedColumn_, pressedRow_);
        if (!face_.pressed.isNull()) {
            painter.drawImage(key.topLeft(), face_.pressed,
                              korvelce::keyRect(face_.layout, pressedColumn_, pressedRow_));
        } else if (!face_.body.isNull()) {
            const int index = pressedRow_ * kGridColumns + pressedColumn_;
            QImage& picture = pressedKeys_[static_cast<std::size_t>(index)];
            if (picture.isNull()) picture = drawPressedKey(face_, pressedColumn_, pressedRow_);
            painter.drawImage(key.topLeft(), picture);
        } else {
            // The smallest face at its own size has no pressed picture: the key is inverted.
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(key, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    paintIndicators(painter);
    if (displayVisible_)
        painter.drawImage(displayRect().topLeft(), displayBuffer_);
    else
        painter.fillRect(displayRect(), Qt::black);
    paintKeyHints(painter);
    paintMessage(painter);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressAt(event->position());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    releaseAt();
}

void MainWindow::pressAt(QPointF point) {
    if (menuButtonRect().contains(point.toPoint())) {
        openMenu(mapToGlobal(point.toPoint()));
        return;
    }
    const GridHit hit = keyAt(point);
    pressedColumn_ = hit.column;
    pressedRow_ = hit.row;
    if (hit.column >= 0) update(toWidget(keyRect(hit.column, hit.row)));
}

void MainWindow::releaseAt() {
    if (pressedColumn_ < 0 || pressedRow_ < 0) return;
    const int column = pressedColumn_;
    const int row = pressedRow_;
    update(toWidget(keyRect(column, row)));
    const int code = keyCodeAt(column, row, secondActive_);
    if (code == kSecondKeyCode) {
        secondActive_ = !secondActive_;
        pressedColumn_ = pressedRow_ = -1;
        update();
        return;
    }
    pressedColumn_ = pressedRow_ = -1;
    deliverKey(code);
}

void MainWindow::deliverKey(int code) {
    // The key takes the 2nd state with it: the indicator goes out before the key acts, so it
    // is not lit behind a dialog that the key opens (LST, WRT).
    if (secondActive_) {
        secondActive_ = false;
        update();
    }
    const int modeBefore = engine_.mode;
    if (engine_.mode != kRun) {
        stepStartTick_ = ticks_.elapsed();
        engine_.pressKey(code);
    } else if (code == key::kRunStop) {
        // During a run only R/S reaches the engine; it stops the run once any instruction
        // still collecting its operand is complete.
        stepStartTick_ = ticks_.elapsed();
        engine_.userRunStop();
    }
    displayVisible_ = true;
    secondActive_ = false;
    // A program just keyed in is saved at once; any other change once the keys rest.
    if (modeBefore == kLearn && engine_.mode != kLearn)
        saveNow();
    else
        saveTimer_.start(idleSaveMs);
    afterKey();
}

void MainWindow::saveNow() {
    saveTimer_.stop();
    if (saveState) saveState();
}

void MainWindow::onSaveTimer() {
    if (saveState) saveState();
    // A running program keeps changing the state: it is saved again, at this pace.
    if (engine_.mode == kRun) saveTimer_.start(idleSaveMs);
}

void MainWindow::afterKey() {
    renderDisplay(false);
    update();
    updateBlink();
    if (engine_.mode == kRun && !runActive_) {
        runActive_ = true;
        QCoreApplication::postEvent(this, new QEvent(kRunStepEvent));
    }
}

void MainWindow::updateBlink() {
    const bool wanted = engine_.mode == kCalculate && engine_.errorFlag != 0;
    if (wanted) {
        if (blinkTimer_ != 0) killTimer(blinkTimer_);
        blinkTimer_ = startTimer(settings_.blinkMs > 0 ? settings_.blinkMs : 200);
    } else if (blinkTimer_ != 0) {
        killTimer(blinkTimer_);
        blinkTimer_ = 0;
        displayVisible_ = true;
    }
}

void MainWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blinkTimer_) return;
    displayVisible_ = !displayVisible_;
    update(toWidget(displayRect()));
}

bool MainWindow::gtoHeld() const {
    return pressedColumn_ >= 0 && pressedRow_ >= 0 &&
           keyCodeAt(pressedColumn_, pressedRow_, false) == kGtoKeyCode;
}

void MainWindow::customEvent(QEvent* event) {
    if (event->type() == kRunStepEvent) runChainStep();
}

void MainWindow::runChainStep() {
    if (!runActive_) return;
    stepStartTick_ = ticks_.elapsed();
    // Steps run back to back for a short slice; the slice ends early at a pause, while the GTO
    // key is held (each step is then shown), and when the program stops.
    QElapsedTimer slice;
    slice.start();
    int sinceClock = 0;
    while (engine_.mode == kRun) {
        engine_.runStep();
        if (engine_.mode != kRun) break;
        const bool pause = engine_.pauseRequest != 0;
        if (pause || gtoHeld()) {
            renderDisplay(true);
            repaint(toWidget(displayRect()));
            QThread::msleep(static_cast<unsigned long>(
                std::max(0, pause ? settings_.longPauseMs : settings_.shortPauseMs)));
            renderDisplay(false);
            repaint(toWidget(displayRect()));
            break;
        }
        // Reading the clock takes longer than most steps: it is read every few steps.
        if (++sinceClock < kStepsPerClockRead) continue;
        sinceClock = 0;
        if (slice.nsecsElapsed() >= qint64{kSliceMicroseconds} * 1000) break;
    }
    if (engine_.mode == kRun) {
        waitAndContinue();
        return;
    }
    runEnded();
}

void MainWindow::runEnded() {
    runActive_ = false;
    renderDisplay(false);
    update();
    updateBlink();
    saveTimer_.start(idleSaveMs);
}

void MainWindow::waitAndContinue() {
    // Taps waiting in the queue (R/S above all) are handled between two slices.
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (ticks_.elapsed() < stepStartTick_ + settings_.runDelayMs);
    if (engine_.mode != kRun) {
        runEnded();
        return;
    }
    if (runActive_) QCoreApplication::postEvent(this, new QEvent(kRunStepEvent));
}

bool MainWindow::takesKey(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers & Qt::ControlModifier) {
        switch (event.key()) {
            case Qt::Key_C:
            case Qt::Key_V:
            case Qt::Key_Plus:
            case Qt::Key_Equal:
            case Qt::Key_Minus:
            case Qt::Key_0:
                return true;
            default:
                return false;
        }
    }
    return event.key() == Qt::Key_F1 || keyMap_.lookup(event.key(), modifiers).has_value();
}

bool MainWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // The face's own keys win over the shortcuts of the window around it.
            auto* key = static_cast<QKeyEvent*>(event);
            if (takesKey(*key)) {
                key->accept();
                return true;
            }
            break;
        }
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const GridHit hit = keyAt(help->pos());
            if (hit.column < 0) {
                QToolTip::hideText();
                event->ignore();
                return true;
            }
            QToolTip::showText(help->globalPos(), keyTooltip(hit.column, hit.row), this,
                               keyRectInWidget(hit.column, hit.row));
            return true;
        }
        default:
            break;
    }
    return QWidget::event(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (key == Qt::Key_Control) {
        controlHeld_ = true;
        update();
        return;
    }
    if (modifiers & Qt::ControlModifier) {
        switch (key) {
            case Qt::Key_C:
                copyDisplay(modifiers & Qt::ShiftModifier);
                return;
            case Qt::Key_V:
                pasteNumber();
                return;
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                zoomIn();
                return;
            case Qt::Key_Minus:
                zoomOut();
                return;
            case Qt::Key_0:
                setZoom(1.0);
                return;
            default:
                QWidget::keyPressEvent(event);
                return;
        }
    }
    if (key == Qt::Key_F1) {
        keyHintsToggled_ = !keyHintsToggled_;
        update();
        return;
    }
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && (modifiers & Qt::ShiftModifier))) {
        openMenu(mapToGlobal(menuButtonRect().topLeft()));
        return;
    }
    const std::optional<FaceKey> faceKey = keyMap_.lookup(key, modifiers);
    if (!faceKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key held down types once, as a calculator key does.
    if (event->isAutoRepeat()) return;
    heldPcKey_ = key;
    heldScanCode_ = event->nativeScanCode();
    pressFaceKey(*faceKey);
}

void MainWindow::pressFaceKey(FaceKey faceKey) {
    // The key shows pressed while the PC key is down; meanwhile it counts as held (GTO held
    // shows every step of a run).
    if (pressedColumn_ >= 0) update(toWidget(keyRect(pressedColumn_, pressedRow_)));
    pressedColumn_ = faceKey.column;
    pressedRow_ = faceKey.row;
    update(toWidget(keyRect(faceKey.column, faceKey.row)));
    if (faceKey.isSecondKey()) {
        secondActive_ = !secondActive_;
        update();
        return;
    }
    deliverKey(faceKey.code(secondActive_));
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        controlHeld_ = false;
        update();
        return;
    }
    if (event->isAutoRepeat() || heldPcKey_ == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // Shift let go first turns "*" into "8": the key is known by its scan code when the
    // system gives one.
    const bool same =
        heldScanCode_ != 0 ? event->nativeScanCode() == heldScanCode_ : event->key() == heldPcKey_;
    if (!same) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    heldPcKey_ = 0;
    heldScanCode_ = 0;
    if (pressedColumn_ >= 0) update(toWidget(keyRect(pressedColumn_, pressedRow_)));
    pressedColumn_ = pressedRow_ = -1;
}

void MainWindow::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    controlHeld_ = false;
    if (heldPcKey_ != 0) {
        heldPcKey_ = 0;
        heldScanCode_ = 0;
        pressedColumn_ = pressedRow_ = -1;
    }
    update();
}

QString MainWindow::keyTooltip(int column, int row) const {
    const FaceKey main{column, row, false};
    const QString name = faceKeyName(main);
    QStringList lines;
    if (main.isSecondKey()) {
        lines << QStringLiteral("2nd: the next key gives its gold function");
    } else {
        const QString second = faceKeyName({column, row, true});
        lines << (second.isEmpty() ? name : QStringLiteral("%1 (2nd: %2)").arg(name, second));
    }
    const QStringList keys = keyMap_.pcKeysFor(main);
    lines << QStringLiteral("Keys: %1")
                 .arg(keys.isEmpty() ? QStringLiteral("none") : keys.join(QStringLiteral(", ")));
    if (!main.isSecondKey()) {
        QStringList secondKeys = keyMap_.pcKeysFor({column, row, true});
        const QStringList shift = keyMap_.pcKeysFor({0, 1, false});
        if (!shift.isEmpty() && !keys.isEmpty())
            secondKeys << QStringLiteral("%1 then %2").arg(shift.front(), keys.front());
        if (!secondKeys.isEmpty())
            lines << QStringLiteral("2nd: %1").arg(secondKeys.join(QStringLiteral(", ")));
    }
    return lines.join(u'\n');
}

void MainWindow::copyDisplay(bool allDigits) {
    const QString number = QString::fromStdString(displayedNumber(engine_, allDigits));
    QGuiApplication::clipboard()->setText(number);
    showMessage(QStringLiteral("Copied %1").arg(number));
}

void MainWindow::pasteNumber() {
    const QString text = QGuiApplication::clipboard()->text();
    const TypedNumber typed = keysForPaste(engine_, text.toStdString());
    if (!typed.problem.empty()) {
        showMessage(
            QStringLiteral("Nothing pasted: %1.").arg(QString::fromStdString(typed.problem)));
        return;
    }
    for (const int code : typed.keys)
        deliverKey(code);
}

void MainWindow::showMessage(const QString& text) {
    message_ = text;
    messageTimer_.start(kMessageMs);
    update();
}

void MainWindow::paintMessage(QPainter& painter) const {
    if (message_.isEmpty()) return;
    const Geometry& g = geometry_;
    QFont font = painter.font();
    font.setPixelSize(std::max(9, static_cast<int>(std::lround(13 * g.scale))));
    painter.setFont(font);
    const int margin = static_cast<int>(std::lround(8 * g.scale));
    const QRect room(g.face.left() + 2 * margin, 0, g.face.width() - 4 * margin, g.face.height());
    QRect text =
        painter.fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, message_);
    // Below the display, over the band with the maker's name.
    const Layout& l = face_.layout;
    const int gap = l.keyRows[1] - l.keyRows[0] - l.keyHeight;
    const int bezelBottom = l.indicatorY + l.indicatorHeight + l.cellGap * 7 / 5;
    const int keyboardTop = l.keyRows[0] - gap * 5 / 4;
    const int band = (bezelBottom + keyboardTop) / 2;
    text.moveCenter(QPoint(g.face.center().x(), g.skinOrigin.y() + band));
    const QRect box = text.adjusted(-margin, -margin / 2, margin, margin / 2);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 210));
    painter.drawRoundedRect(box, margin / 2.0, margin / 2.0);
    painter.setPen(QColor(0xf4, 0xf5, 0xf7));
    painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, message_);
}

void MainWindow::paintKeyHints(QPainter& painter) const {
    if (!keyHintsShown()) return;
    const Layout& l = face_.layout;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font = painter.font();
    font.setBold(true);
    auto badge = [&](const QRect& area, QString text, int pixelSize) {
        text.replace(QStringLiteral("Shift+"), QStringLiteral("\u21e7"));
        font.setPixelSize(std::max(6, pixelSize));
        QFontMetrics metrics(font);
        while (metrics.horizontalAdvance(text) > area.width() - 2 && font.pixelSize() > 6) {
            font.setPixelSize(font.pixelSize() - 1);
            metrics = QFontMetrics(font);
        }
        painter.setFont(font);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(8, 40, 56, 245));
        const qreal radius = area.height() / 4.0;
        painter.drawRoundedRect(area, radius, radius);
        painter.setPen(QColor(0x8f, 0xe6, 0xff));
        painter.drawText(area, Qt::AlignCenter, text);
    };
    const int gap = l.keyRows[1] - l.keyRows[0] - l.keyHeight;
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QRect key = keyRect(column, row);
            const QStringList keys = keyMap_.pcKeysFor({column, row, false});
            if (!keys.isEmpty()) badge(key, keys.front(), key.height() * 3 / 5);
            const QStringList second = keyMap_.pcKeysFor({column, row, true});
            if (!second.isEmpty()) {
                const QRect above(key.left(), key.top() - gap + gap / 8, key.width(),
                                  gap - gap / 4);
                badge(above, second.front(), above.height() * 4 / 5);
            }
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    rememberPlacement(*window(), settings_);
    runActive_ = false;
    saveTimer_.stop();  // the way out saves the state itself
    event->accept();
}

void MainWindow::replaceProgram(const std::function<void()>& replace) {
    if (engine_.mode == kRun) {
        // The program that ran is replaced: its run ends here.
        engine_.mode = kCalculate;
        engine_.stopRequested = 0;
        runActive_ = false;
    }
    replace();
    displayVisible_ = true;
    afterKey();
    saveTimer_.start(idleSaveMs);
}

}  // namespace korvelce
