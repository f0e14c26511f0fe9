#include "PathSamples.h"

#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/SnapProcessor.h"
#include "device/StandardPalette.h"
#include "device/TgaEncoder.h"

#include <QBuffer>

#include <random>
#include <utility>

namespace {

// Stretches of one colour, mostly of one to five pixels but some longer than
// any packet, and of noise, in colours over the whole range of levels, so
// that some bytes look like run counts. Odd widths leave tails after the
// vector paths' blocks of pixels.
QImage scene(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    std::minstd_rand random(18);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width();) {
            const quint32 r = quint32(random());
            const int stretch = std::min(size.width() - x, int(r % 4 ? 1 + r % 5 : 1 + r % 200));
            const bool noise = r & 0x100;
            const QRgb colour = QRgb(random());
            for (const int end = x + stretch; x < end; ++x)
                line[x] = 0xff000000 | (noise ? QRgb(random()) : colour);
        }
    }
    return picture;
}

QImage indexed(const QImage &picture, int colours)
{
    QImage result(picture.size(), QImage::Format_Indexed8);
    result.setColorTable(device::StandardPalette::colours(colours));
    for (int y = 0; y < picture.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *out = result.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            out[x] = uchar(qBlue(in[x]) % colours);
    }
    return result;
}

// The picture's pixels and palette, without the padding of its lines.
QByteArray contents(const QImage &picture)
{
    QByteArray bytes;
    const qsizetype lineBytes = picture.width() * picture.depth() / 8;
    for (int y = 0; y < picture.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(picture.constScanLine(y)), lineBytes);
    for (const QRgb colour : picture.colorTable())
        bytes.append(reinterpret_cast<const char *>(&colour), sizeof colour);
    return bytes;
}

QByteArray encoded(const device::ImageEncoder &encoder, const QImage &picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    encoder.encode(picture, buffer);
    return buffer.data();
}

device::CaptureSettings settings(device::ScaleQuality filter, device::Adjustments adjustments,
                                 bool negative, int depth, bool optimized)
{
    device::CaptureSettings s;
    s.width = 333;
    s.filter = filter;
    s.adjustments = adjustments;
    s.negative = negative;
    s.colorDepth = depth;
    s.optimizedPalette = optimized;
    return s;
}

} // namespace

QList<PathSample> pathSamples()
{
    using device::ScaleQuality;
    QList<PathSample> samples;
    // Larger and smaller than the snaps, so that the filters both reduce and
    // enlarge, with their different numbers of taps.
    const QImage large = scene({483, 361});
    const QImage small = scene({161, 121});
    const device::Adjustments every{10, 15, -10, 20, 25, 10, 5, -5, 10};
    const device::Adjustments blurred{-5, 20, 30, -30, -20, -15, 0, 10, -10};
    const struct {
        const char *name;
        const QImage &raw;
        device::CaptureSettings settings;
    } snaps[] = {
        {"reduced bicubic, every adjustment", large,
         settings(ScaleQuality::High, every, false, 24, false)},
        {"reduced bicubic, every adjustment, optimized 8-bit", large,
         settings(ScaleQuality::High, every, false, 8, true)},
        {"reduced bilinear, optimized 4-bit", large,
         settings(ScaleQuality::Normal, {}, false, 4, true)},
        {"enlarged bicubic, blurred negative, standard 4-bit", small,
         settings(ScaleQuality::High, blurred, true, 4, false)},
        {"enlarged bilinear, standard 8-bit", small,
         settings(ScaleQuality::Normal, {}, false, 8, false)},
    };
    for (const auto &snap : snaps)
        samples.append({QString("snap %1").arg(snap.name),
                        contents(device::SnapProcessor::process(snap.raw, snap.settings))});

    const QImage picture = scene({333, 64});
    const struct {
        const char *name;
        QImage picture;
    } pictures[] = {{"24-bit", picture},
                    {"256 colours", indexed(picture, 256)},
                    {"16 colours", indexed(picture, 16)}};
    const device::IlbmEncoder iff;
    const device::PcxEncoder pcx;
    const device::TgaEncoder tga;
    const std::pair<const char *, const device::ImageEncoder *> encoders[] = {
        {"iff", &iff}, {"pcx", &pcx}, {"tga", &tga}};
    for (const auto &p : pictures)
        for (const auto &[type, encoder] : encoders)
            samples.append(
                {QString("scene %1.%2").arg(p.name, type), encoded(*encoder, p.picture)});
    return samples;
}
