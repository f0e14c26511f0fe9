// `lumivane --make-video` on a series of PNG snaps, as the stand-in camera
// takes them once a minute, beside gst-launch-1.0 making the same video from
// the same files the way GStreamer alone can: multifilesrc ! pngdec !
// videoconvert ! the same VP8 encoder with the same settings ! webmmux. Both
// run as programs of their own, in turn, three times each, and the median
// rates are compared. The program reads snaps on every processor while the
// encoder runs, so its rate depends on the processors the machine's other
// work leaves free; the processor time each spends a frame does not. Then
// the program's peak memory over 1,000 and 10,000 frames. Snaps are drawn
// with Qt, which needs an application object.

#include "OffscreenBenchmarkMain.h"
#include "device/SnapFileWriter.h"
#include "device/standin/Camera.h"
#include "timelapse/VideoFormat.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int seriesFrames = 200;
constexpr int shortSeriesFrames = 1000;
constexpr int longSeriesFrames = 10000;
constexpr int rounds = 3;

QString snapName(int number)
{
    return QStringLiteral("snap%1.png").arg(number, 5, 10, QLatin1Char('0'));
}

// Written once for every benchmark of a width.
const QTemporaryDir &seriesOf(int width)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> written;
    std::unique_ptr<QTemporaryDir> &folder = written[width];
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>();
        device::Camera camera(1);
        const QSize size(width, width * 3 / 4);
        const QDateTime start = QDateTime::currentDateTime();
        // The camera's raw picture, brought to the snap size as snaps are.
        for (int frame = 0; frame < seriesFrames; ++frame)
            device::SnapFileWriter::save(
                camera.expose({}, start.addSecs(60 * frame))
                    .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                folder->filePath(snapName(frame)), "png");
    }
    return *folder;
}

struct Finished {
    double seconds = 0;
    // Of every thread, which the machine's other work does not change.
    double cpuSeconds = 0;
    long peakKiB = 0;
    bool succeeded = false;
};

Finished runCommand(const std::string &command)
{
    QElapsedTimer wall;
    wall.start();
    const pid_t child = fork();
    if (child == 0) {
        execlp("sh", "sh", "-c", ("exec " + command + " >/dev/null").c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
    };
    return {double(wall.nsecsElapsed()) / 1e9, seconds(usage.ru_utime) + seconds(usage.ru_stime),
            usage.ru_maxrss, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

std::string quoted(const QString &text)
{
    return '\'' + text.toStdString() + '\'';
}

std::string programMaking(const QString &firstSnap, const QString &output)
{
    return quoted(QStringLiteral(LUMIVANE_PROGRAM)) + " --make-video " + quoted(firstSnap) +
           " --output " + quoted(output) + " --overwrite";
}

std::string gstLaunchMaking(const QString &pattern, const QString &output)
{
    return "gst-launch-1.0 -q multifilesrc location=" + quoted(pattern) +
           " index=0 caps=image/png,framerate=25/1 ! pngdec ! videoconvert ! " +
           timelapse::VideoFormat::vp8Encoder().toStdString() +
           " ! webmmux ! filesink location=" + quoted(output);
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

void MakeVideoBesideGstLaunch(benchmark::State &state)
{
    const QTemporaryDir &series = seriesOf(int(state.range(0)));
    const QString output = series.filePath("video.webm");
    std::vector<double> program, reference, programCpu, referenceCpu;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const Finished ours = runCommand(programMaking(series.filePath(snapName(0)), output));
            const Finished theirs =
                runCommand(gstLaunchMaking(series.filePath("snap%05d.png"), output));
            if (!ours.succeeded || !theirs.succeeded) {
                state.SkipWithError("a video could not be made");
                return;
            }
            program.push_back(seriesFrames / ours.seconds);
            reference.push_back(seriesFrames / theirs.seconds);
            programCpu.push_back(1000 * ours.cpuSeconds / seriesFrames);
            referenceCpu.push_back(1000 * theirs.cpuSeconds / seriesFrames);
        }
    }
    state.counters["program_fps"] = median(program);
    state.counters["gst_launch_fps"] = median(reference);
    state.counters["ratio"] = median(program) / median(reference);
    state.counters["program_cpu_ms_per_frame"] = median(programCpu);
    state.counters["gst_launch_cpu_ms_per_frame"] = median(referenceCpu);
}
BENCHMARK(MakeVideoBesideGstLaunch)
    ->ArgName("width")
    ->Arg(640)
    ->Arg(800)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The series' files linked over and over into a longer one.
QString loopedSeries(const QTemporaryDir &folder, int frames)
{
    const QTemporaryDir &series = seriesOf(640);
    for (int frame = 0; frame < frames; ++frame)
        QFile::link(series.filePath(snapName(frame % seriesFrames)),
                    folder.filePath(snapName(frame)));
    return folder.filePath(snapName(0));
}

void PeakMemoryOverALongSeries(benchmark::State &state)
{
    const QTemporaryDir shortFolder, longFolder;
    const QString shortSeries = loopedSeries(shortFolder, shortSeriesFrames);
    const QString longSeries = loopedSeries(longFolder, longSeriesFrames);
    Finished shortRun, longRun;
    for (auto _ : state) {
        shortRun = runCommand(programMaking(shortSeries, shortFolder.filePath("video.webm")));
        longRun = runCommand(programMaking(longSeries, longFolder.filePath("video.webm")));
    }
    if (!shortRun.succeeded || !longRun.succeeded)
        state.SkipWithError("a video could not be made");
    state.counters["peak_MiB_1000_frames"] = double(shortRun.peakKiB) / 1024;
    state.counters["peak_MiB_10000_frames"] = double(longRun.peakKiB) / 1024;
    state.counters["long_fps"] = longSeriesFrames / longRun.seconds;
}
BENCHMARK(PeakMemoryOverALongSeries)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
