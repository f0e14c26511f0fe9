#pragma once

// What a video's file name asks for: WebM with VP8, or MP4 with H.264, as
// the GStreamer elements that encode raw frames into it. VP8 and WebM come
// with the plugins the program needs anyway; an H.264 encoder is installed
// only by choice, so MP4 is offered where one is.

#include <QString>

#include <variant>

namespace timelapse {

struct VideoFormat {
    // Pipeline text from raw frames in any format to the container's bytes.
    QString elements;

    // Whether a video can be written under the name: it ends in .webm or .mp4.
    static bool named(const QString &path);
    // The format of the name's extension with an encoder installed here, or
    // why there is none: the package that provides one. GStreamer must be
    // started.
    static std::variant<VideoFormat, QString> installedFor(const QString &path);

    // The VP8 encoder as WebM is written with, for comparing it with others.
    static QString vp8Encoder();
};

} // namespace timelapse
