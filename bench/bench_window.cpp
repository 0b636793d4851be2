// Program steps through the window's run chain (offscreen, no pauses) beside bare runStep on
// the same program, and how long a tap on R/S takes to stop an endless run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include "files/program_source.h"
#include "engine/calc_engine.h"
#include "shell/main_window.h"

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

void BM_RunChain(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings);
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
void BM_RunStopLatency(benchmark::State& state) {
    CalcEngine engine;
    korvelce::Settings settings;
    auto window = makeWindow(engine, settings);
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
            window.get(), new QMouseEvent(QEvent::MouseButtonPress, runStop, runStop,
                                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(window.get(),
                                    new QMouseEvent(QEvent::MouseButtonRelease, runStop, runStop,
                                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
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
BENCHMARK(BM_RunStopLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
