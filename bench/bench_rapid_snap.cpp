// The program's own cost per rapid snap, with the stand-in device acquiring
// instantly: settings, completion, display and an incremental save of a
// 640 x 480 picture. Then rapid snapping from a live GStreamer source at 30
// frames a second, where one snap a frame is the most there can be.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "app/Lumivane.h"
#include "device/gstreamer/GStreamerDevice.h"
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

// Method 0 takes one frame a snap; the first snap, which opens the source,
// is left out.
void RapidSnapFromTheTestPatternAt30Fps(benchmark::State &state)
{
    constexpr double sourceFramesPerSecond = 30;
    QTemporaryDir folder;
    SilentPrompts prompts;
    auto source = std::make_unique<device::gst::GStreamerDevice>(
        device::gst::VideoSource::pipeline(
            QStringLiteral("videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! "
                           "video/x-raw,width=640,height=480,framerate=30/1")),
        QStringLiteral("Test pattern"));
    snappy::SnappyDevice *device = source.get();
    Lumivane window(std::move(source), prompts);
    window.state().sCurrentpath = folder.path();
    window.state().sFileType = QStringLiteral("bmp");
    window.controls().optIncremental->select();
    window.controls().cmbSnapMethod->select(0);

    qint64 completed = 0;
    QObject::connect(device, &snappy::SnappyDevice::SnapDone, [&completed] { ++completed; });
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
    while (completed == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (auto _ : state) {
        const qint64 before = completed;
        while (completed == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
    state.counters["snaps_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["source_frames_per_second"] = sourceFramesPerSecond;
}
BENCHMARK(RapidSnapFromTheTestPatternAt30Fps)
    ->Iterations(150)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
