// The GStreamer device's costs: the program's CPU while a live preview runs
// in the window, beside the stand-in's preview measured in the same run, and
// how long a snap takes from Snap to SnapDone at each method, beside the
// frame interval of the source, which no snap can beat.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "app/Lumivane.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/StandInDevice.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

constexpr double frameIntervalMs = 1000.0 / 30;

// A camera's usual stream: 640 x 480 YUY2 at 30 frames a second, made as
// cheaply as GStreamer can, so that what is measured is the conversion to
// RGB and everything after it.
std::unique_ptr<snappy::SnappyDevice> webcamLikeStream()
{
    return std::make_unique<device::gst::GStreamerDevice>(
        QStringLiteral("videotestsrc is-live=true pattern=solid-color ! "
                       "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"),
        QStringLiteral("YUY2 stream"));
}

// Each iteration is one preview frame shown in the window; the counters give
// the CPU the whole process and its user-interface thread spent per second.
void PreviewInTheWindow(benchmark::State &state,
                        std::function<std::unique_ptr<snappy::SnappyDevice>()> makeDevice)
{
    SilentPrompts prompts;
    auto device = makeDevice();
    snappy::SnappyDevice *shown = device.get();
    Lumivane window(std::move(device), prompts);
    window.show();
    qint64 frames = 0;
    QObject::connect(shown, &snappy::SnappyDevice::PictureUpdated, [&frames] { ++frames; });
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::ColorPreview));
    auto nextFrame = [&frames] {
        const qint64 before = frames;
        while (frames == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    nextFrame();

    QElapsedTimer wall;
    wall.start();
    const double processBefore = cpuSeconds();
    const double threadBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state)
        nextFrame();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    state.counters["process_cpu_%"] = 100 * (cpuSeconds() - processBefore) / seconds;
    state.counters["ui_thread_cpu_%"] =
        100 * (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadBefore) / seconds;
    state.counters["frames_per_second"] = double(state.iterations()) / seconds;
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
}
BENCHMARK_CAPTURE(PreviewInTheWindow, standIn,
                  [] { return std::unique_ptr<snappy::SnappyDevice>(new device::StandInDevice); })
    ->Iterations(90)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(PreviewInTheWindow, gstreamer, webcamLikeStream)
    ->Iterations(90)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// From Snap to SnapDone at 640 x 480, answering ProcessingData at once as
// the program does: with the device kept open between snaps (rapid snaps),
// and opened for each one (a single snap, after StopPreview).
void SnapLatency(benchmark::State &state)
{
    const auto method = qint16(state.range(0));
    const bool reopen = state.range(1) != 0;
    auto device = webcamLikeStream();
    device->writeProperty(snappy::DispId::SnapMethod, method);
    qint64 done = 0;
    QObject::connect(device.get(), &snappy::SnappyDevice::ProcessingData,
                     [&device] { device->call(snappy::Method::ProcessData); });
    QObject::connect(device.get(), &snappy::SnappyDevice::SnapDone, [&done] { ++done; });
    for (auto _ : state) {
        if (reopen)
            device->call(snappy::Method::StopPreview);
        device->call(snappy::Method::Snap);
        const qint64 before = done;
        while (done == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.counters["frames_averaged"] = device::framesAveraged(method);
    state.counters["frame_interval_ms"] = frameIntervalMs;
    state.counters["floor_ms"] = frameIntervalMs * device::framesAveraged(method);
}
BENCHMARK(SnapLatency)
    ->ArgNames({"method", "reopen"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
