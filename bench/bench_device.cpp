// Costs of the device's work on a snap: processing a large snap with every
// setting at work, encoding it in the types with encoders of their own beside
// Qt's writers on the same picture, and encoding and writing it in each of
// the seven image types.

#include "BenchmarkSupport.h"
#include "OffscreenBenchmarkMain.h"
#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/PngEncoder.h"
#include "device/QtImageEncoder.h"
#include "device/Resampler.h"
#include "device/SnapFileWriter.h"
#include "device/SnapProcessor.h"
#include "device/TgaEncoder.h"
#include "device/standin/Camera.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDateTime start(QDate(2024, 5, 1), QTime(12, 0, 0));

// A video frame's time at 30 frames a second: the time a snap's processing
// is measured against.
constexpr double frameIntervalMs = 1000.0 / 30;

device::CaptureSettings busySettings(device::ScaleQuality filter)
{
    device::CaptureSettings settings;
    settings.width = 800;
    settings.colorDepth = 8;
    settings.optimizedPalette = true;
    settings.negative = true;
    settings.filter = filter;
    settings.adjustments = {10, 15, -10, 20, 25, 10, 5, -5, 10};
    return settings;
}

void ProcessSnap800WithEveryAdjustmentAndOptimized8Bit(benchmark::State &state)
{
    device::Camera camera(1);
    const auto settings = busySettings(static_cast<device::ScaleQuality>(state.range(0)));
    const QImage raw = camera.expose(settings, start);
    for (auto _ : state) {
        const QImage picture = device::SnapProcessor::process(raw, settings);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["frame_interval_ms"] = frameIntervalMs;
}
BENCHMARK(ProcessSnap800WithEveryAdjustmentAndOptimized8Bit)
    ->ArgName("filter")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

// The sensor's picture to a snap size, at each filter.
void ScaleRaw(benchmark::State &state)
{
    device::Camera camera(1);
    const QImage raw = camera.expose({}, start);
    const QSize size(int(state.range(0)), int(state.range(0)) * 3 / 4);
    const auto filter = static_cast<device::ScaleQuality>(state.range(1));
    for (auto _ : state) {
        const QImage picture = device::Resampler::scale(raw, size, filter);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(ScaleRaw)
    ->ArgNames({"width", "filter"})
    ->ArgsProduct({{640, 800}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

QImage snap800(int depth)
{
    device::Camera camera(1);
    device::CaptureSettings settings;
    settings.width = 800;
    settings.colorDepth = depth;
    settings.optimizedPalette = true;
    return device::SnapProcessor::process(camera.expose(settings, start), settings);
}

qint64 encodedSize(const device::ImageEncoder &encoder, const QImage &picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (encoder.encode(picture, buffer))
        return -1;
    return bytes.size();
}

// Processor time rather than real time: on a machine busy with other work
// the real time also counts the turns of other programs.
double secondsToEncode(const device::ImageEncoder &encoder, const QImage &picture)
{
    const double begin = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    benchmark::DoNotOptimize(encodedSize(encoder, picture));
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - begin;
}

// The own encoder and the reference take turns on the same picture, so a
// busy machine slows both alike; the time shown is the own encoder's.
void EncodeBeside(benchmark::State &state, const device::ImageEncoder &own,
                  const device::ImageEncoder &reference, int depth)
{
    const QImage picture = snap800(depth);
    double ownTotal = 0;
    double referenceTotal = 0;
    for (auto _ : state) {
        const double seconds = secondsToEncode(own, picture);
        ownTotal += seconds;
        referenceTotal += secondsToEncode(reference, picture);
        state.SetIterationTime(seconds);
    }
    const double n = double(state.iterations());
    state.counters["reference_ms"] = referenceTotal / n * 1e3;
    state.counters["x_reference"] = ownTotal / referenceTotal;
    state.counters["bytes"] = double(encodedSize(own, picture));
    state.counters["reference_bytes"] = double(encodedSize(reference, picture));
}

const device::QtImageEncoder qtBmp("bmp");
const device::QtImageEncoder qtDefaultPng("png");
const device::IlbmEncoder ownIff;
const device::PcxEncoder ownPcx;
const device::PngEncoder ownPng;
const device::TgaEncoder ownTga;

// pcx, tga and iff beside Qt's BMP writer; png beside Qt's own png writer at
// its default compression.
BENCHMARK_CAPTURE(EncodeBeside, iff_24_vs_qt_bmp, ownIff, qtBmp, 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, pcx_24_vs_qt_bmp, ownPcx, qtBmp, 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, tga_24_vs_qt_bmp, ownTga, qtBmp, 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, iff_8_vs_qt_bmp, ownIff, qtBmp, 8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, pcx_8_vs_qt_bmp, ownPcx, qtBmp, 8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, tga_8_vs_qt_bmp, ownTga, qtBmp, 8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, png_24_vs_qt_png, ownPng, qtDefaultPng, 24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeBeside, png_8_vs_qt_png, ownPng, qtDefaultPng, 8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void SaveSnap800(benchmark::State &state, const QString &type, int depth)
{
    QTemporaryDir folder;
    const QImage picture = snap800(depth);
    const QString path = folder.filePath(QStringLiteral("snap.") + type);
    for (auto _ : state) {
        if (const auto failure = device::SnapFileWriter::save(picture, path, type)) {
            state.SkipWithError(qPrintable(*failure));
            break;
        }
    }
}
BENCHMARK_CAPTURE(SaveSnap800, bmp_24, QStringLiteral("bmp"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, iff_24, QStringLiteral("iff"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, jpg_24, QStringLiteral("jpg"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, pcx_24, QStringLiteral("pcx"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, png_24, QStringLiteral("png"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, tga_24, QStringLiteral("tga"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, tif_24, QStringLiteral("tif"), 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, iff_8, QStringLiteral("iff"), 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, pcx_8, QStringLiteral("pcx"), 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SaveSnap800, tga_8, QStringLiteral("tga"), 8)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
