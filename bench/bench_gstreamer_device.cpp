// The GStreamer device's costs: the program's CPU while a live preview runs
// in the window, beside the stand-in's preview measured in the same run; how
// long a snap takes from Snap to SnapDone at each method, beside the frame
// interval of the source, which no snap can beat; and the longest the
// user-interface thread waits while the device opens, snaps, closes or
// fails, beside the time of one frame at 60 Hz, which it must not miss.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "SilentPrompts.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/StandInDevice.h"
#include "window/Lumivane.h"

#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

constexpr double frameIntervalMs = 1000.0 / 30;

// A camera's usual stream: 640 x 480 YUY2 at 30 frames a second, made as
// cheaply as GStreamer can, so that what is measured is the conversion to
// RGB and everything after it.
// It needs no time to settle, so that opening costs only what opening does.
std::unique_ptr<device::gst::GStreamerDevice> webcamLikeStream()
{
    auto device = std::make_unique<device::gst::GStreamerDevice>(
        device::gst::VideoSource::pipeline(
            QStringLiteral("videotestsrc is-live=true pattern=solid-color ! "
                           "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1")),
        QStringLiteral("YUY2 stream"));
    device->setSettleTime(0);
    return device;
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
BENCHMARK_CAPTURE(PreviewInTheWindow, gstreamer,
                  [] { return std::unique_ptr<snappy::SnappyDevice>(webcamLikeStream()); })
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

// Ticks of a one-millisecond timer on the user-interface thread while the
// device works: the longest gap between two is the longest the window could
// not have answered the user.
class StallWatch {
public:
    StallWatch()
    {
        m_ticks.setTimerType(Qt::PreciseTimer);
        m_ticks.setInterval(1);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] {
            m_longestNs = std::max(m_longestNs, m_sinceTick.nsecsElapsed());
            m_sinceTick.restart();
        });
    }
    template <typename Done>
    void runUntil(Done done)
    {
        QElapsedTimer watched;
        watched.start();
        m_sinceTick.start();
        m_ticks.start();
        while (!done())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_ticks.stop();
        m_watchedMs += watched.elapsed();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }
    qint64 watchedMs() const { return m_watchedMs; }

private:
    QTimer m_ticks;
    QElapsedTimer m_sinceTick;
    qint64 m_longestNs = 0;
    qint64 m_watchedMs = 0;
};

enum class DeviceWork { Open, Snap, Close, Failure };

// Open: a preview until its first frame; snap: a single snap, the device
// opened for it; close: the preview stopped, and the next 100 ms; failure:
// a snap from a camera that is not there.
void EventLoopStall(benchmark::State &state)
{
    const auto work = DeviceWork(state.range(0));
    std::unique_ptr<snappy::SnappyDevice> device =
        work == DeviceWork::Failure
            ? device::gst::GStreamerDevice::camera(QStringLiteral("/dev/video-unplugged"),
                                                   QStringLiteral("Unplugged"))
            : webcamLikeStream();
    qint64 events = 0;
    const auto count = [&events] { ++events; };
    QObject::connect(device.get(), &snappy::SnappyDevice::PictureUpdated, count);
    QObject::connect(device.get(), &snappy::SnappyDevice::SnapDone, count);
    QObject::connect(device.get(), &snappy::SnappyDevice::ProcessingData,
                     [&device] { device->call(snappy::Method::ProcessData); });
    StallWatch watch;
    for (auto _ : state) {
        const qint64 before = events;
        const auto answered = [&] { return events > before; };
        switch (work) {
        case DeviceWork::Open:
            device->call(snappy::Method::StartPreview);
            watch.runUntil(answered);
            device->call(snappy::Method::StopPreview);
            break;
        case DeviceWork::Snap:
        case DeviceWork::Failure:
            device->call(snappy::Method::StopPreview);
            device->call(snappy::Method::Snap);
            watch.runUntil(answered);
            break;
        case DeviceWork::Close: {
            device->call(snappy::Method::StartPreview);
            watch.runUntil(answered);
            QElapsedTimer closing;
            closing.start();
            device->call(snappy::Method::StopPreview);
            watch.runUntil([&closing] { return closing.elapsed() >= 100; });
            break;
        }
        }
    }
    // The same watch over an idle loop for as long: what the machine itself
    // adds, on a busy one.
    StallWatch idle;
    QElapsedTimer quiet;
    quiet.start();
    idle.runUntil([&] { return quiet.elapsed() >= watch.watchedMs(); });
    state.counters["longest_stall_ms"] = watch.longestMs();
    state.counters["idle_loop_longest_stall_ms"] = idle.longestMs();
    state.counters["frame_at_60Hz_ms"] = 1000.0 / 60;
}
BENCHMARK(EventLoopStall)
    ->ArgName("open_snap_close_failure")
    ->DenseRange(0, 3)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
