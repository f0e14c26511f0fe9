#include "PathSamples.h"

#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/SnapProcessor.h"
#include "device/StandardPalette.h"
#include "device/TgaEncoder.h"

#include <QBuffer>

#include <random>

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

QByteArray encoded(const device::ImageEncoder &encoder, const QImage &picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    encoder.encode(picture, buffer);
    return buffer.data();
}

} // namespace

QList<PathSample> pathSamples()
{
    using device::ScaleQuality;
    const device::IlbmEncoder iff;
    const device::PcxEncoder pcx;
    const device::TgaEncoder tga;
    QList<PathSample> samples;
    // Larger and smaller than the snaps, so that the filters both reduce and
    // enlarge, with their different numbers of taps.
    const QImage large = scene({483, 361});
    const QImage small = scene({161, 121});
    const device::Adjustments every{10, 15, -10, 20, 25, 10, 5, -5, 10};
    const device::Adjustments blurred{-5, 20, 30, -30, -20, -15, 0, 10, -10};
    // A snap's pixels and palette as a TGA file holds them.
    const auto snap = [&](const char *name, const QImage &raw, device::CaptureSettings settings) {
        settings.width = 333;
        samples.append({QString("snap %1").arg(name),
                        encoded(tga, device::SnapProcessor::process(raw, settings))});
    };
    snap("reduced bicubic, every adjustment", large,
         {.filter = ScaleQuality::High, .adjustments = every});
    snap("reduced bicubic, every adjustment, optimized 8-bit", large,
         {.colorDepth = 8,
          .optimizedPalette = true,
          .filter = ScaleQuality::High,
          .adjustments = every});
    snap("reduced bilinear, optimized 4-bit", large,
         {.colorDepth = 4, .optimizedPalette = true, .adjustments = {}});
    snap("enlarged bicubic, blurred negative, standard 4-bit", small,
         {.colorDepth = 4, .negative = true, .filter = ScaleQuality::High, .adjustments = blurred});
    snap("enlarged bilinear, standard 8-bit", small, {.colorDepth = 8, .adjustments = {}});

    const QImage picture = scene({333, 64});
    const std::pair<const char *, QImage> pictures[] = {
        {"24-bit", picture},
        {"256 colours",
         picture.convertToFormat(QImage::Format_Indexed8, device::StandardPalette::colours(256))},
        {"16 colours",
         picture.convertToFormat(QImage::Format_Indexed8, device::StandardPalette::colours(16))}};
    const std::pair<const char *, const device::ImageEncoder *> encoders[] = {
        {"iff", &iff}, {"pcx", &pcx}, {"tga", &tga}};
    for (const auto &[name, p] : pictures)
        for (const auto &[type, encoder] : encoders)
            samples.append({QString("scene %1.%2").arg(name, type), encoded(*encoder, p)});
    return samples;
}
