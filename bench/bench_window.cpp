// Program steps through the window's run chain (offscreen, no pauses) beside bare runStep on
// the same program, and how long a tap on R/S takes to stop an endless run (both also with the
// workbench's three panels shown), with the face at
// its own size and at twice it. The face's drawing: the whole face drawn again for a window
// 2160 pixels high (what a resize costs), and the paint of a frame from the drawn pictures, both
// beside the paint of the face at its own size, drawn from the loaded pictures.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include "engine/calc_engine.h"
#include "files/program_source.h"
#include "shell/face_drawing.h"
#include "shell/main_window.h"
#include "shell/workbench.h"

namespace {

using korvelce::CalcEngine;
using korvelce::DecNumber;

constexpr int kLoopCount = 20000;
constexpr const char* kProgram = "LBL A RCL 00 SUM 01 DSZ 0 A R/S";

// The face of the 480x800 screen, shown at zoom (1: its own size).
std::unique_ptr<korvelce::MainWindow> makeWindow(CalcEngine& engine, korvelce::Settings& settings,
                                                 double zoom = 1.0) {
    korvelce::FacePictures pictures;
    QString failed;
    korvelce::loadFacePictures(2, pictures, failed);
    auto window =
        std::make_unique<korvelce::MainWindow>(engine, settings, 2, pictures, QSize(480, 800));
    window->resize(QSize(480, 800) * zoom);
    return window;
}

// The face at zoom, alone or inside the workbench with its three panels shown and refreshing.
struct Shown {
    std::unique_ptr<korvelce::MainWindow> alone;
    std::unique_ptr<korvelce::Workbench> bench;
    korvelce::MainWindow* face = nullptr;
};

Shown makeShown(CalcEngine& engine, korvelce::Settings& settings, double zoom, bool panels) {
    Shown shown;
    shown.alone = makeWindow(engine, settings, zoom);
    if (!panels) {
        shown.face = shown.alone.get();
        return shown;
    }
    shown.bench = std::make_unique<korvelce::Workbench>(engine, settings, std::move(shown.alone));
    shown.bench->show();
    for (QAction* toggle :
         {shown.bench->programAction(), shown.bench->registersAction(), shown.bench->tapeAction()})
        if (!toggle->isChecked()) toggle->trigger();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    shown.face = shown.bench->face();
    return shown;
}

// A window 2160 pixels high: a 4K screen's height.
constexpr double kTallZoom = 2160.0 / 800.0;

// Paints the window into an image, all of it or the region given, as the window system would.
void paint(korvelce::MainWindow& window, QImage& into, const QRegion& region = QRegion()) {
    window.render(&into, QPoint(), region.isEmpty() ? QRegion(window.rect()) : region,
                  QWidget::DrawChildren);
}

// What a key or a run step repaints: the display, the indicators and the key.
QRegion framePart(korvelce::MainWindow& window) {
    const korvelce::Layout& l = window.layout();
    const double zoom = window.zoom();
    const QRect display(
        window.skinOrigin() + QPoint(l.displayX, l.displayY) * zoom,
        QSize(l.displayWidth(), l.indicatorY + l.indicatorHeight - l.displayY) * zoom);
    return QRegion(display) + QRegion(window.keyRectInWidget(2, 5));
}

// Baseline: the whole face at its own size, painted from the loaded pictures.
void BM_PaintOwnSize(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings);
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        paint(*window, image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintOwnSize)->Unit(benchmark::kMillisecond);

// Drawing the pictures of the face for a window 2160 pixels high, as the window does (the
// pressed keys are drawn when first pressed).
void BM_DrawFaceTall(benchmark::State& state) {
    for (auto _ : state) {
        const korvelce::FaceImages face = korvelce::drawFace(2, kTallZoom, false);
        benchmark::DoNotOptimize(face.skin.constBits());
    }
}
BENCHMARK(BM_DrawFaceTall)->Unit(benchmark::kMillisecond);

// A resize of a window about 2160 pixels high: the face drawn at the new scale, composed, and
// the whole window painted.
void BM_ResizeRedrawTall(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings, kTallZoom);
    QImage image(window->size() + QSize(8, 8), QImage::Format_ARGB32_Premultiplied);
    bool shorter = false;
    for (auto _ : state) {
        shorter = !shorter;
        window->resize(QSize(1296, shorter ? 2156 : 2160));
        paint(*window, image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ResizeRedrawTall)->Unit(benchmark::kMillisecond);

// The whole window 2160 pixels high painted from the drawn pictures (an expose).
void BM_PaintTall(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings, kTallZoom);
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    paint(*window, image);
    for (auto _ : state) {
        paint(*window, image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintTall)->Unit(benchmark::kMillisecond);

// One frame of a key press or a run step: display, indicators and a key, at both sizes.
void frame(benchmark::State& state, double zoom) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings, zoom);
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    paint(*window, image);
    const QRegion part = framePart(*window);
    for (auto _ : state) {
        paint(*window, image, part);
        benchmark::ClobberMemory();
    }
}

void BM_FrameOwnSize(benchmark::State& state) {
    frame(state, 1.0);
}
BENCHMARK(BM_FrameOwnSize)->Unit(benchmark::kMicrosecond);

void BM_FrameTall(benchmark::State& state) {
    frame(state, kTallZoom);
}
BENCHMARK(BM_FrameTall)->Unit(benchmark::kMicrosecond);

void runChain(benchmark::State& state, double zoom, bool panels = false) {
    CalcEngine engine;
    korvelce::Settings settings;
    Shown shown = makeShown(engine, settings, zoom, panels);
    korvelce::MainWindow* window = shown.face;
    korvelce::assembleProgram(engine, kProgram);
    std::int64_t steps = 0;
    for (auto _ : state) {
        engine.registers[0] = DecNumber::fromInt(kLoopCount);
        engine.returnDepth = 0;  // each run is a fresh call from the keyboard
        window->deliverKey(korvelce::key::kA);
        while (window->runActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        steps += 7LL * kLoopCount;
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

void BM_RunChain(benchmark::State& state) {
    runChain(state, 1.0);
}
BENCHMARK(BM_RunChain)->Unit(benchmark::kMillisecond);

void BM_RunChainZoom2(benchmark::State& state) {
    runChain(state, 2.0);
}
BENCHMARK(BM_RunChainZoom2)->Unit(benchmark::kMillisecond);

void BM_RunChainWithPanels(benchmark::State& state) {
    runChain(state, 1.0, true);
}
BENCHMARK(BM_RunChainWithPanels)->Unit(benchmark::kMillisecond);

void BM_BareRunStep(benchmark::State& state) {
    CalcEngine engine;
    korvelce::assembleProgram(engine, kProgram);
    std::int64_t steps = 0;
    for (auto _ : state) {
        engine.registers[0] = DecNumber::fromInt(kLoopCount);
        engine.returnDepth = 0;
        engine.pressKey(korvelce::key::kA);
        while (engine.mode == korvelce::kRun) {
            engine.runStep();
            ++steps;
        }
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareRunStep)->Unit(benchmark::kMillisecond);

// A tap on R/S (press and release posted as mouse events) during an endless loop.
void runStopLatency(benchmark::State& state, double zoom, bool panels = false) {
    CalcEngine engine;
    korvelce::Settings settings;
    Shown shown = makeShown(engine, settings, zoom, panels);
    korvelce::MainWindow* window = shown.face;
    korvelce::assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    const QPointF runStop = QRectF(window->keyRectInWidget(0, 8)).center();
    double worstMs = 0;
    for (auto _ : state) {
        engine.returnDepth = 0;
        window->deliverKey(korvelce::key::kA);
        QElapsedTimer warm;
        warm.start();
        while (warm.elapsed() < 20)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::postEvent(
            window, new QMouseEvent(QEvent::MouseButtonPress, runStop, runStop, Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            window, new QMouseEvent(QEvent::MouseButtonRelease, runStop, runStop, Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier));
        while (engine.mode == korvelce::kRun)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        worstMs = std::max(worstMs, ms);
        state.SetIterationTime(ms / 1000.0);
        while (window->runActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    state.counters["worst_ms"] = worstMs;
}

void BM_RunStopLatency(benchmark::State& state) {
    runStopLatency(state, 1.0);
}
BENCHMARK(BM_RunStopLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_RunStopLatencyZoom2(benchmark::State& state) {
    runStopLatency(state, 2.0);
}
BENCHMARK(BM_RunStopLatencyZoom2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_RunStopLatencyWithPanels(benchmark::State& state) {
    runStopLatency(state, 1.0, true);
}
BENCHMARK(BM_RunStopLatencyWithPanels)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
