// The program's processor time while it shows a live preview from a
// GStreamer source in its window on an X server, beside gst-launch-1.0
// showing the same source through videoconvert ! ximagesink on the same
// server: the least any program can spend to put those frames on a screen.
// The two run in turn, three times each, and the medians are compared.

#include "BenchmarkSupport.h"
#include "SilentPrompts.h"
#include "XvfbServer.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "window/Lumivane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int secondsEach = 4;
constexpr int rounds = 3;

const char *const sources[] = {
    // A webcam's usual stream, which must be converted to RGB.
    "videotestsrc is-live=true pattern=smpte ! "
    "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
    // The test pattern as the program offers it.
    "videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! "
    "video/x-raw,width=640,height=480,framerate=30/1",
};

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

double cpuSecondsOf(pid_t process)
{
    clockid_t clock;
    return clock_getcpuclockid(process, &clock) == 0 ? cpuSeconds(clock) : 0.0;
}

// Percent of one core over `secondsEach`, after a second to settle.
double programPercent(const char *source)
{
    SilentPrompts prompts;
    auto device = std::make_unique<device::gst::GStreamerDevice>(
        device::gst::VideoSource::pipeline(QString::fromLatin1(source)), QStringLiteral("Source"));
    device->setSettleTime(0);
    Lumivane window(std::move(device), prompts);
    window.show();
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::ColorPreview));
    const auto runFor = [](int milliseconds) {
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        return double(wall.nsecsElapsed()) / 1e9;
    };
    runFor(1000);
    const double before = cpuSeconds();
    const double seconds = runFor(secondsEach * 1000);
    const double percent = 100 * (cpuSeconds() - before) / seconds;
    window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
    return percent;
}

double gstLaunchPercent(const char *source)
{
    const std::string pipeline = std::string(source) + " ! videoconvert ! ximagesink";
    const pid_t child = fork();
    if (child == 0) {
        execlp("sh", "sh", "-c", ("exec gst-launch-1.0 -q " + pipeline + " >/dev/null").c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    QElapsedTimer wall;
    wall.start();
    usleep(1000 * 1000);
    const double before = cpuSecondsOf(child);
    wall.restart();
    usleep(secondsEach * 1000 * 1000);
    const double percent =
        100 * (cpuSecondsOf(child) - before) / (double(wall.nsecsElapsed()) / 1e9);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return percent;
}

void PreviewBesideGstLaunch(benchmark::State &state)
{
    const char *source = sources[state.range(0)];
    std::vector<double> program, reference;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            program.push_back(programPercent(source));
            reference.push_back(gstLaunchPercent(source));
        }
    }
    state.counters["program_cpu_%"] = median(program);
    state.counters["gst_launch_cpu_%"] = median(reference);
    state.counters["ratio"] = median(program) / median(reference);
}
BENCHMARK(PreviewBesideGstLaunch)
    ->ArgName("yuy2_testpattern")
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

// Another program starting an X server at the same moment can take the
// display number the server chose, so there are a few tries.
std::unique_ptr<XvfbServer> reachableServer()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto server = std::make_unique<XvfbServer>();
        if (server->name().empty())
            continue;
        xcb_connection_t *connection = xcb_connect(server->name().c_str(), nullptr);
        const bool reached = !xcb_connection_has_error(connection);
        xcb_disconnect(connection);
        if (reached)
            return server;
    }
    return nullptr;
}

int main(int argc, char **argv)
{
    const std::unique_ptr<XvfbServer> server = reachableServer();
    if (!server) {
        std::fputs("no private X server (Xvfb) could be started\n", stderr);
        return 1;
    }
    setenv("DISPLAY", server->name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
