#include "device/standin/Sensor.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace device {

namespace {

// A long table of normally distributed grain, four bytes per pixel like the
// picture (the fourth always 0); each line of each read starts at a random
// pixel of it, which is cheap and shows no pattern.
constexpr int noisePixels = 1 << 16;

inline int luma(const uchar *bgra)
{
    return (29 * bgra[0] + 150 * bgra[1] + 77 * bgra[2] + 128) >> 8;
}

inline uchar grainy(int level, int grain)
{
    return uchar(std::clamp(level + grain, 0, 255));
}

} // namespace

Sensor::Sensor(quint32 seed)
    : m_random(seed)
{
    std::normal_distribution<double> normal(0.0, grain);
    m_noise.resize(size_t(noisePixels) * 4);
    for (size_t i = 0; i < m_noise.size(); ++i)
        m_noise[i] = i % 4 == 3 ? 0 : qint8(std::clamp(std::lround(normal(m_random)), -127L, 127L));
}

// The table wraps around for lines that start near its end.
const qint8 *Sensor::grainFor(int width)
{
    const size_t needed = size_t(noisePixels + width) * 4;
    if (m_noise.size() < needed) {
        const size_t old = m_noise.size();
        m_noise.resize(needed);
        for (size_t i = old; i < needed; ++i)
            m_noise[i] = m_noise[i - size_t(noisePixels) * 4];
    }
    return m_noise.data() + size_t(m_random.bounded(noisePixels)) * 4;
}

void Sensor::readLine(const uchar *in, uchar *out, int width, bool colour)
{
    const qint8 *noise = grainFor(width);
    if (colour) {
        for (int i = 0; i < width * 4; ++i)
            out[i] = grainy(in[i], noise[i]);
        return;
    }
    for (int x = 0; x < width * 4; x += 4) {
        const uchar v = grainy(luma(in + x), noise[x]);
        out[x] = out[x + 1] = out[x + 2] = v;
        out[x + 3] = 255;
    }
}

QImage Sensor::read(std::vector<QImage> views, bool colour)
{
    const QSize size = views.front().size();
    const int w = size.width();
    if (views.size() == 1) {
        QImage &picture = views.front();
        for (int y = 0; y < size.height(); ++y) {
            uchar *line = picture.scanLine(y);
            readLine(line, line, w, colour);
        }
        return picture;
    }
    QImage picture(size, QImage::Format_RGB32);
    const int reads = int(views.size());
    std::vector<uchar> line(size_t(w) * 4);
    std::vector<quint16> sums(size_t(w) * 4);
    for (int y = 0; y < size.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (const QImage &view : views) {
            readLine(view.constScanLine(y), line.data(), w, colour);
            for (size_t i = 0; i < sums.size(); ++i)
                sums[i] += line[i];
        }
        uchar *out = picture.scanLine(y);
        for (size_t i = 0; i < sums.size(); ++i)
            out[i] = uchar((sums[i] + reads / 2) / reads);
    }
    return picture;
}

} // namespace device
