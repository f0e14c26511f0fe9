// Costs of the stand-in device's work: one preview frame, processing a
// large snap with every setting at work, and encoding and writing a snap in
// each of the seven image types.

#include "OffscreenBenchmarkMain.h"
#include "device/standin/Camera.h"
#include "device/SnapFileWriter.h"
#include "device/SnapProcessor.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QDateTime start(QDate(2024, 5, 1), QTime(12, 0, 0));

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

void ProcessSnap800WithEveryAdjustmentAndOptimized8Bit(benchmark::State &state)
{
    device::Camera camera(1);
    const auto settings = busySettings(static_cast<device::ScaleQuality>(state.range(0)));
    const QImage raw = camera.expose(settings, start);
    for (auto _ : state) {
        const QImage picture = device::SnapProcessor::process(raw, settings);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(ProcessSnap800WithEveryAdjustmentAndOptimized8Bit)
    ->ArgName("filter")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

void SaveSnap800(benchmark::State &state, const QString &type, int depth)
{
    QTemporaryDir folder;
    device::Camera camera(1);
    device::CaptureSettings settings;
    settings.width = 800;
    settings.colorDepth = depth;
    settings.optimizedPalette = true;
    const QImage picture = device::SnapProcessor::process(camera.expose(settings, start), settings);
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
