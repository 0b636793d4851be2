// Program steps through the window's run chain (offscreen, no pauses) beside bare runStep on
// the same program, and how long a tap on R/S takes to stop an endless run; both again with the
// workbench's three panels shown beside the face, refreshing as the program runs.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <memory>

#include "engine/calc_engine.h"
#include "files/program_source.h"
#include "shell/main_window.h"
#include "shell/workbench.h"

namespace {

using korvelce::CalcEngine;
using korvelce::DecNumber;

constexpr int kLoopCount = 20000;
constexpr const char* kProgram = "LBL A RCL 00 SUM 01 DSZ 0 A R/S";

std::unique_ptr<korvelce::MainWindow> makeWindow(CalcEngine& engine, korvelce::Settings& settings) {
    korvelce::FacePictures pictures;
    QString failed;
    korvelce::loadFacePictures(2, pictures, failed);
    return std::make_unique<korvelce::MainWindow>(engine, settings, 2, pictures, QSize(480, 800));
}

// The workbench with the face and all three panels on screen.
std::unique_ptr<korvelce::Workbench> makeWorkbench(CalcEngine& engine,
                                                   korvelce::Settings& settings) {
    auto bench =
        std::make_unique<korvelce::Workbench>(engine, settings, makeWindow(engine, settings));
    bench->show();
    for (QAction* toggle : {bench->programAction(), bench->registersAction(), bench->tapeAction()})
        if (!toggle->isChecked()) toggle->trigger();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return bench;
}

// Runs the loop program through the window's chain until it stops, kLoopCount times round.
void runChain(benchmark::State& state, CalcEngine& engine, korvelce::MainWindow& window) {
    korvelce::assembleProgram(engine, kProgram);
    std::int64_t steps = 0;
    for (auto _ : state) {
        engine.registers[0] = DecNumber::fromInt(kLoopCount);
        engine.returnDepth = 0;  // each run is a fresh call from the keyboard
        window.deliverKey(korvelce::key::kA);
        while (window.runActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        steps += 7LL * kLoopCount;
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

void BM_RunChainWithPanels(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto bench = makeWorkbench(engine, settings);
    runChain(state, engine, *bench->face());
}
BENCHMARK(BM_RunChainWithPanels)->Unit(benchmark::kMillisecond);

void BM_RunChain(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings);
    runChain(state, engine, *window);
}
BENCHMARK(BM_RunChain)->Unit(benchmark::kMillisecond);

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
void runStopLatency(benchmark::State& state, CalcEngine& engine, korvelce::MainWindow* window) {
    korvelce::assembleProgram(engine, "LBL A 1 SUM 00 GTO A");
    const korvelce::Layout& l = window->layout();
    const QPointF runStop(window->skinOrigin().x() + l.keyColumns[0] + l.keyWidth / 2,
                          window->skinOrigin().y() + l.keyRows[8] + l.keyHeight / 2);
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
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings);
    runStopLatency(state, engine, window.get());
}
BENCHMARK(BM_RunStopLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_RunStopLatencyWithPanels(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto bench = makeWorkbench(engine, settings);
    runStopLatency(state, engine, bench->face());
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
