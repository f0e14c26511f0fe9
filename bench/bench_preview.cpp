// What the live preview costs: one frame from the camera, and the whole
// program's processor time while it shows thirty frames a second, beside the
// same program with the preview off.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "SilentPrompts.h"
#include "device/standin/Camera.h"
#include "device/standin/StandInDevice.h"
#include "window/Lumivane.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

const QDateTime start(QDate(2024, 5, 1), QTime(12, 0, 0));

void PreviewFrame(benchmark::State &state)
{
    device::Camera camera(1);
    const device::PreviewSettings settings{static_cast<device::SourceKind>(state.range(0)), true};
    qint64 frame = 0;
    for (auto _ : state) {
        const QImage picture = camera.previewFrame(settings, start.addMSecs(40 * frame++));
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(PreviewFrame)->ArgName("tape")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The shown window in one snap mode for two seconds of real time; "Off" is
// the reference for "Color Preview".
void ProgramCpuInMode(benchmark::State &state)
{
    SilentPrompts prompts;
    Lumivane window(std::make_unique<device::StandInDevice>(), prompts);
    window.show();
    window.controls().cmbSnapMode->select(int(state.range(0)));
    QCoreApplication::processEvents();
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu += cpuSeconds() - before;
        wall += double(clock.nsecsElapsed()) * 1e-9;
    }
    window.controls().cmbSnapMode->select(int(SnapMode::Off));
    state.counters["percent_of_a_core"] = 100.0 * cpu / wall;
}
BENCHMARK(ProgramCpuInMode)
    ->ArgName("mode")
    ->Arg(int(SnapMode::Off))
    ->Arg(int(SnapMode::ColorPreview))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
