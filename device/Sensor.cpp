#include "device/Sensor.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace device {

namespace {

// A long table of normally distributed grain; each line of each read starts
// at a random place in it, which is cheap and shows no pattern.
constexpr int noiseTableSize = 1 << 16;
constexpr int noiseMask = noiseTableSize - 1;

inline int luma(QRgb c)
{
    return (77 * qRed(c) + 150 * qGreen(c) + 29 * qBlue(c) + 128) >> 8;
}

} // namespace

Sensor::Sensor(quint32 seed)
    : m_noise(noiseTableSize)
    , m_random(seed)
{
    std::normal_distribution<double> normal(0.0, grain);
    for (auto &n : m_noise)
        n = qint8(std::clamp(std::lround(normal(m_random)), -127L, 127L));
}

QImage Sensor::read(const std::vector<QImage> &views, bool colour)
{
    const QSize size = views.front().size();
    const int w = size.width();
    const int h = size.height();
    const int reads = int(views.size());
    std::vector<quint16> sums(size_t(w) * h * 3, 0);
    for (const QImage &view : views) {
        quint16 *sum = sums.data();
        for (int y = 0; y < h; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(view.constScanLine(y));
            const qint8 *noise = m_noise.data();
            int at = int(m_random.generate() & noiseMask);
            for (int x = 0; x < w; ++x, sum += 3) {
                if (colour) {
                    sum[0] += quint16(std::clamp(qRed(in[x]) + noise[at], 0, 255));
                    sum[1] +=
                        quint16(std::clamp(qGreen(in[x]) + noise[(at + 1) & noiseMask], 0, 255));
                    sum[2] +=
                        quint16(std::clamp(qBlue(in[x]) + noise[(at + 2) & noiseMask], 0, 255));
                    at = (at + 3) & noiseMask;
                } else {
                    const auto v = quint16(std::clamp(luma(in[x]) + noise[at], 0, 255));
                    sum[0] += v;
                    sum[1] += v;
                    sum[2] += v;
                    at = (at + 1) & noiseMask;
                }
            }
        }
    }
    QImage picture(size, QImage::Format_RGB32);
    const quint16 *sum = sums.data();
    const int half = reads / 2;
    for (int y = 0; y < h; ++y) {
        auto *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < w; ++x, sum += 3)
            out[x] =
                qRgb((sum[0] + half) / reads, (sum[1] + half) / reads, (sum[2] + half) / reads);
    }
    return picture;
}

} // namespace device
