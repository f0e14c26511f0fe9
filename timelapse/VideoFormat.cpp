#include <gst/gst.h>

#include "timelapse/VideoFormat.h"

#include <QFileInfo>
#include <QStringList>

namespace timelapse {

namespace {

// Snaps are stills taken far apart, each about as different from the last
// as a new picture: the encoder is set for speed, at a constant quality
// under a bit rate cap (a quarter bit a pixel) that leaves such frames room.
constexpr const char *vp8Settings = "vp8enc deadline=1 cpu-used=8 end-usage=cq cq-level=10 "
                                    "target-bitrate=0 bits-per-pixel=0.25";

struct Encoding {
    const char *extension;
    // Every element the encoding needs, the encoder first, and the pipeline
    // text that uses them.
    QStringList elements;
    QString text;
};

// The first one installed is used.
const Encoding encodings[] = {
    {"webm",
     {"vp8enc", "webmmux"},
     QString::fromLatin1(vp8Settings) + QStringLiteral(" ! webmmux")},
    {"mp4",
     {"x264enc", "mp4mux"},
     QStringLiteral("x264enc speed-preset=veryfast tune=stillimage pass=qual quantizer=20 "
                    "! mp4mux")},
    {"mp4",
     {"openh264enc", "h264parse", "mp4mux"},
     QStringLiteral("openh264enc complexity=low rate-control=quality ! h264parse ! mp4mux")},
};

QString packageOf(const QString &element)
{
    if (element == QLatin1String("x264enc"))
        return QStringLiteral("gstreamer1.0-plugins-ugly");
    if (element == QLatin1String("openh264enc") || element == QLatin1String("h264parse"))
        return QStringLiteral("gstreamer1.0-plugins-bad");
    return QStringLiteral("gstreamer1.0-plugins-good");
}

QString extensionOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

// The first of the elements that is not installed; empty when all are.
QString firstMissing(const QStringList &elements)
{
    for (const QString &name : elements) {
        GstElementFactory *factory = gst_element_factory_find(name.toLatin1().constData());
        if (!factory)
            return name;
        gst_object_unref(factory);
    }
    return {};
}

} // namespace

bool VideoFormat::named(const QString &path)
{
    const QString extension = extensionOf(path);
    for (const Encoding &encoding : encodings) {
        if (extension == QLatin1String(encoding.extension))
            return true;
    }
    return false;
}

std::variant<VideoFormat, QString> VideoFormat::installedFor(const QString &path)
{
    const QString extension = extensionOf(path);
    QString missing;
    for (const Encoding &encoding : encodings) {
        if (extension != QLatin1String(encoding.extension))
            continue;
        const QString lacking = firstMissing(encoding.elements);
        if (lacking.isEmpty())
            return VideoFormat{QStringLiteral("videoconvert ! video/x-raw,format=I420 ! ") +
                               encoding.text};
        if (missing.isEmpty())
            missing = lacking;
    }
    if (missing.isEmpty())
        return QStringLiteral("%1: a video is written as .webm or .mp4").arg(path);
    return QStringLiteral("%1 needs GStreamer's %2, which is not installed: Debian's package %3 "
                          "provides it")
        .arg(path, missing, packageOf(missing));
}

QString VideoFormat::vp8Encoder()
{
    return QString::fromLatin1(vp8Settings);
}

} // namespace timelapse
