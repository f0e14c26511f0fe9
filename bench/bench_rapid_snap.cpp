// The program's own cost per rapid snap, with the stand-in device acquiring
// instantly: settings, completion, display and an incremental save of a
// 640 x 480 picture.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "app/Lumivane.h"
#include "device/standin/StandInDevice.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void RapidSnapWithIncrementalSave(benchmark::State &state, const char *fileType)
{
    QTemporaryDir folder;
    SilentPrompts prompts;
    auto standIn = std::make_unique<device::StandInDevice>();
    standIn->setTimeScale(0.0);
    snappy::SnappyDevice *device = standIn.get();
    Lumivane window(std::move(standIn), prompts);
    window.state().sCurrentpath = folder.path();
    window.state().sFileType = QLatin1String(fileType);
    window.controls().optIncremental->select();

    qint64 completed = 0;
    QObject::connect(device, &snappy::SnappyDevice::SnapDone, [&completed] { ++completed; });
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
    for (auto _ : state) {
        const qint64 before = completed;
        while (completed == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
    state.counters["snaps_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// png is the case to watch; bmp, which hardly encodes, shows the rest of the cost.
BENCHMARK_CAPTURE(RapidSnapWithIncrementalSave, png, "png")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(RapidSnapWithIncrementalSave, bmp, "bmp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
