// The program's own cost per rapid snap, with the stand-in device acquiring
// instantly: settings, completion, display and an incremental save of a
// 640 x 480 picture. Then rapid snapping from a live GStreamer source at 30
// frames a second, where one snap a frame is the most there can be.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "SilentPrompts.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/StandInDevice.h"
#include "window/Lumivane.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <optional>

namespace {

// Rapid snapping in the window with incremental saves of `fileType`, one
// snap an iteration. Where a method is given (for a device that must first
// open), the first snap is left out; otherwise the window's default holds.
void snapRapidly(benchmark::State &state, std::unique_ptr<snappy::SnappyDevice> source,
                 const char *fileType, std::optional<int> method = {})
{
    QTemporaryDir folder;
    SilentPrompts prompts;
    snappy::SnappyDevice *device = source.get();
    Lumivane window(std::move(source), prompts);
    window.state().sCurrentpath = folder.path();
    window.state().sFileType = QLatin1String(fileType);
    window.controls().optIncremental->select();
    if (method)
        window.controls().cmbSnapMethod->select(*method);

    qint64 completed = 0;
    QObject::connect(device, &snappy::SnappyDevice::SnapDone, [&completed] { ++completed; });
    const auto nextSnap = [&completed] {
        const qint64 before = completed;
        while (completed == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
    if (method)
        nextSnap();
    for (auto _ : state)
        nextSnap();
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
    state.counters["snaps_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void RapidSnapWithIncrementalSave(benchmark::State &state, const char *fileType)
{
    auto standIn = std::make_unique<device::StandInDevice>();
    standIn->setTimeScale(0.0);
    snapRapidly(state, std::move(standIn), fileType);
}
// png is the case to watch; bmp, which hardly encodes, shows the rest of the cost.
BENCHMARK_CAPTURE(RapidSnapWithIncrementalSave, png, "png")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(RapidSnapWithIncrementalSave, bmp, "bmp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Method 0 takes one frame a snap, so one snap a frame is the most there
// can be.
void RapidSnapFromTheTestPatternAt30Fps(benchmark::State &state)
{
    snapRapidly(state,
                std::make_unique<device::gst::GStreamerDevice>(
                    device::gst::VideoSource::pipeline(
                        QStringLiteral("videotestsrc is-live=true pattern=smpte horizontal-speed=4 "
                                       "! video/x-raw,width=640,height=480,framerate=30/1")),
                    QStringLiteral("Test pattern")),
                "bmp", 0);
    state.counters["source_frames_per_second"] = 30;
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
