#include "shell/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>

#include "engine/calc_engine.h"

namespace korvelce {

namespace {

constexpr int kGtoKeyCode = 61;

QImage loadImage(const QString& path) {
    QImage image(path);
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

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
        const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        const bool vga = mode == 1;
        pictures.skin = loadImage(folder + (vga ? "FondVGA.png" : "FondWVGA.png"));
        pictures.pressed = loadImage(folder + (vga ? "FondDownVGA.png" : "FondDownWVGA.png"));
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
      pictures_(std::move(pictures)) {
    setWindowTitle(QStringLiteral("Korvel ce"));
    setFixedSize(clientSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    ticks_.start();
    const QSize menuSize = pictures_.menuButton.size();
    menuButtonRect_ =
        QRect(0, clientSize.height() - menuSize.height(), menuSize.width(), menuSize.height());
    skinOrigin_ = QPoint((clientSize.width() - pictures_.skin.width()) / 2, 1);
    displayBuffer_ =
        QImage(layout_.displayWidth(), layout_.displayHeight, QImage::Format_ARGB32_Premultiplied);
    displayBuffer_.fill(Qt::black);
    buildMenu();
    renderDisplay(false);
    confirmReplace = askReplace;
    saveTimer_.setSingleShot(true);
    connect(&saveTimer_, &QTimer::timeout, this, &MainWindow::onSaveTimer);
}

MainWindow::~MainWindow() = default;

QRect MainWindow::keyRect(int column, int row) const {
    return QRect(layout_.keyColumns[static_cast<std::size_t>(column)],
                 layout_.keyRows[static_cast<std::size_t>(row)], layout_.keyWidth,
                 layout_.keyHeight);
}

QRect MainWindow::displayRect() const {
    return QRect(skinOrigin_ + QPoint(layout_.displayX, layout_.displayY),
                 QSize(layout_.displayWidth(), layout_.displayHeight));
}

void MainWindow::renderDisplay(bool showValue) {
    char buffer[32];
    const int exponent = engine_.displayText(buffer, 32, showValue);
    const QString text = QString::fromLatin1(buffer);
    if (text == lastDisplayText_) return;
    displayBuffer_.fill(Qt::black);
    QPainter painter(&displayBuffer_);
    const int cell = layout_.cellWidth;
    const int move = cell + layout_.cellGap;
    const int height = layout_.displayHeight;
    int x = layout_.displayWidth() - cell;
    if (exponent == 0) x -= move;
    auto glyph = [&](int sourceX, int width, int targetX) {
        painter.drawImage(QPoint(targetX, 0), pictures_.glyphs, QRect(sourceX, 0, width, height));
    };
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(' ')) {
            x -= move;
        } else if (c == QLatin1Char('-')) {
            glyph(layout_.pointWidth, cell, x);
            x -= move;
        } else if (c.isDigit()) {
            glyph(layout_.digitGlyphX(c.digitValue()), cell, x);
            x -= move;
        } else if (c == QLatin1Char('[')) {
            glyph(layout_.bracketGlyphX, cell, x);
            x -= move;
        } else if (c == QLatin1Char('.')) {
            glyph(0, layout_.pointWidth, x + cell + layout_.pointWidth);
        }
    }
    lastDisplayText_ = text;
}

void MainWindow::paintIndicators(QPainter& painter) const {
    const int y = layout_.indicatorY;
    const int h = layout_.indicatorHeight;
    auto indicator = [&](bool on, int x, int width, int glyphX) {
        const QRect target(skinOrigin_ + QPoint(x, y), QSize(width, h));
        if (on)
            painter.drawImage(target.topLeft(), pictures_.indicators, QRect(glyphX, 0, width, h));
        else
            painter.fillRect(target, Qt::black);
    };
    indicator(secondActive_, layout_.secondX, layout_.secondWidth, layout_.secondGlyphX);
    indicator(engine_.invFlag != 0, layout_.invX, layout_.invWidth, layout_.invGlyphX);
    const int unit = engine_.angleUnit >= 0 && engine_.angleUnit <= 2 ? engine_.angleUnit : 0;
    indicator(true, layout_.angleX, layout_.angleWidth,
              layout_.angleGlyphX + unit * layout_.angleWidth);
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The margins around the skin take the colour of its body.
    painter.fillRect(rect(), QColor::fromRgba(pictures_.skin.pixel(0, 0)));
    painter.drawImage(skinOrigin_, pictures_.skin);
    if (pressedColumn_ >= 0 && pressedRow_ >= 0) {
        const QRect key = keyRect(pressedColumn_, pressedRow_);
        if (layout_.mode == 0 || pictures_.pressed.isNull()) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(key.translated(skinOrigin_), Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            painter.drawImage(key.translated(skinOrigin_).topLeft(), pictures_.pressed, key);
        }
    }
    paintIndicators(painter);
    if (displayVisible_)
        painter.drawImage(displayRect().topLeft(), displayBuffer_);
    else
        painter.fillRect(displayRect(), Qt::black);
    painter.drawImage(menuButtonRect_.topLeft(), pictures_.menuButton);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressAt(event->position().toPoint());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    releaseAt();
}

void MainWindow::pressAt(QPoint point) {
    if (menuButtonRect_.contains(point)) {
        menu_->popup(mapToGlobal(point));
        return;
    }
    const QPoint onSkin = point - skinOrigin_;
    const GridHit hit = hitTest(layout_, onSkin.x(), onSkin.y());
    pressedColumn_ = hit.column;
    pressedRow_ = hit.row;
    if (hit.column >= 0) update(keyRect(hit.column, hit.row).translated(skinOrigin_));
}

void MainWindow::releaseAt() {
    if (pressedColumn_ < 0 || pressedRow_ < 0) return;
    const int column = pressedColumn_;
    const int row = pressedRow_;
    update(keyRect(column, row).translated(skinOrigin_));
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
    update(displayRect());
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
            repaint(displayRect());
            QThread::msleep(static_cast<unsigned long>(
                std::max(0, pause ? settings_.longPauseMs : settings_.shortPauseMs)));
            renderDisplay(false);
            repaint(displayRect());
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

void MainWindow::keyPressEvent(QKeyEvent* event) {
    int code = -1;
    switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Equal:
            code = key::kEquals;
            break;
        case Qt::Key_Backspace:
            code = key::kCe;
            break;
        case Qt::Key_Escape:
            code = key::kClr;
            break;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            code = key::kPoint;
            break;
        case Qt::Key_Plus:
            code = key::kAdd;
            break;
        case Qt::Key_Minus:
            code = key::kSubtract;
            break;
        case Qt::Key_Asterisk:
            code = key::kMultiply;
            break;
        case Qt::Key_Slash:
            code = key::kDivide;
            break;
        case Qt::Key_ParenLeft:
            code = key::kOpen;
            break;
        case Qt::Key_ParenRight:
            code = key::kClose;
            break;
        default:
            if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
                code = event->key() - Qt::Key_0;
            break;
    }
    if (code < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    deliverKey(code);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    settings_.left = x();
    settings_.top = y();
    runActive_ = false;
    saveTimer_.stop();  // the way out saves the state itself
    event->accept();
}

void MainWindow::bringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::offerProgramFile(const QString& path) {
    bringToFront();
    if (!confirmReplace || !confirmReplace(this, QFileInfo(path).fileName())) return;
    replaceProgram([this, &path] {
        if (loadProgramFile) loadProgramFile(path);
    });
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
