#include "timelapse/MakeVideo.h"

#include "device/SnapReader.h"
#include "device/gstreamer/GStreamer.h"
#include "timelapse/ProgressLine.h"
#include "timelapse/SnapReadAhead.h"
#include "timelapse/SnapSeries.h"
#include "timelapse/StopSignals.h"
#include "timelapse/VideoEncoder.h"
#include "timelapse/VideoFile.h"
#include "timelapse/VideoFormat.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <optional>

namespace timelapse {

namespace {

QString defaultOutput(const SnapSeries &series)
{
    return series.folder() + QLatin1Char('/') + series.baseName() + QStringLiteral(".webm");
}

QImage atSize(const QImage &picture, QSize size)
{
    return picture.size() == size
               ? picture
               : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString summary(const QString &output, const VideoEncoder &encoder, double framesPerSecond,
                double seconds)
{
    return QStringLiteral("Wrote %1: %2 frames of %3 x %4 at %5 frames/s, in %6 s (%7 frames/s)")
        .arg(output)
        .arg(encoder.frames())
        .arg(encoder.size().width())
        .arg(encoder.size().height())
        .arg(framesPerSecond)
        .arg(seconds, 0, 'f', 1)
        .arg(double(encoder.frames()) / std::max(seconds, 1e-3), 0, 'f', 1);
}

} // namespace

MakeVideo::MakeVideo(VideoRequest request)
    : m_request(std::move(request))
{
}

MakeVideo::ExitCode MakeVideo::run()
{
    // Before GStreamer starts threads, which then leave the signals to it.
    StopSignals stop;
    // Every snap is a picture of megabytes, allocated on one thread and
    // freed on another: kept by the allocator, their memory is not handed
    // back to the system and faulted in again for every frame.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    const std::optional<SnapSeries> series = SnapSeries::startingAt(m_request.firstSnap);
    if (!series) {
        std::fprintf(stderr, "%s is not a numbered snap\n", qPrintable(m_request.firstSnap));
        return BadArguments;
    }
    const QList<qint64> numbers = series->present();
    ProgressLine progress(stderr, numbers.size());
    const auto failed = [&progress](const QString &reason) {
        progress.clear();
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return Failed;
    };

    const QString output = m_request.output.isEmpty() ? defaultOutput(*series) : m_request.output;
    if (!m_request.overwrite && (QFileInfo::exists(output) || QFileInfo(output).isSymLink()))
        return failed(QStringLiteral("%1 already exists; --overwrite replaces it").arg(output));
    if (const snappy::Failure failure = device::gst::initialise())
        return failed(*failure);
    const std::variant<VideoFormat, QString> format = VideoFormat::installedFor(output);
    if (const QString *missing = std::get_if<QString>(&format))
        return failed(*missing);
    if (const QString gaps = series->gapsIn(numbers); !gaps.isEmpty())
        progress.note(QStringLiteral("missing snaps: %1").arg(gaps));

    VideoFile file(output);
    if (const snappy::Failure failure = file.create())
        return failed(*failure);
    QStringList paths;
    for (const qint64 number : numbers)
        paths << series->pathOf(number);
    SnapReadAhead snaps(paths);
    // Made once the first snap is read, at its size; stopped before the
    // file is removed.
    std::optional<VideoEncoder> encoder;
    qint64 done = 0;
    while (!snaps.atEnd() && !stop.arrived()) {
        const device::SnapReader::Read read = snaps.next();
        progress.show(++done);
        if (read.picture.isNull()) {
            progress.note(QStringLiteral("skipped %1").arg(read.failure));
            continue;
        }
        if (!encoder) {
            encoder.emplace(read.picture.size(), m_request.framesPerSecond);
            if (const snappy::Failure failure =
                    encoder->open(std::get<VideoFormat>(format), file.temporaryPath()))
                return failed(*failure);
        }
        if (const snappy::Failure failure = encoder->push(atSize(read.picture, encoder->size())))
            return failed(QStringLiteral("Could not write %1: %2").arg(output, *failure));
    }
    progress.clear();

    const bool stopped = done < numbers.size();
    if (!encoder)
        return failed(stopped ? QStringLiteral("Stopped before the first frame: no video was "
                                               "written")
                              : QStringLiteral("None of the snaps from %1 on could be read: no "
                                               "video was written")
                                    .arg(m_request.firstSnap));
    if (const snappy::Failure failure = encoder->finish())
        return failed(QStringLiteral("Could not write %1: %2").arg(output, *failure));
    if (const snappy::Failure failure = file.publish(m_request.overwrite))
        return failed(*failure);
    if (stopped)
        return failed(QStringLiteral("Stopped after %1 of %2 frames: %3 holds them")
                          .arg(encoder->frames())
                          .arg(numbers.size())
                          .arg(output));
    std::printf("%s\n", qPrintable(summary(output, *encoder, m_request.framesPerSecond,
                                           progress.seconds())));
    return Done;
}

} // namespace timelapse
