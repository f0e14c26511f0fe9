#include "device/standin/Sensor.h"

#include <QtAlgorithms>

#include <algorithm>
#include <cmath>

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
}

// The sum of four uniform bytes is close enough to normal for grain, and far
// cheaper to draw than a true normal. The table is made on the first read,
// so a camera that is never read costs nothing.
void Sensor::makeNoise()
{
    // The spread of the sum of four bytes, each uniform over 0 to 255.
    const double spread = std::sqrt(4 * (256.0 * 256.0 - 1) / 12);
    m_noise.resize(size_t(noisePixels) * 4);
    quint64 state = m_random.generate64();
    for (size_t i = 0; i < m_noise.size(); i += 4) {
        // One step of splitmix64 for each draw, four of whose bytes are summed.
        for (size_t c = 0; c < 3; ++c) {
            state += 0x9E3779B97F4A7C15ULL;
            quint64 z = state;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            z ^= z >> 31;
            const int sum =
                int(z & 0xff) + int(z >> 8 & 0xff) + int(z >> 16 & 0xff) + int(z >> 24 & 0xff);
            m_noise[i + c] = qint8(std::lround((sum - 510) * grain / spread));
        }
        m_noise[i + 3] = 0;
    }
}

// The table wraps around for lines that start near its end.
const qint8 *Sensor::grainFor(int width)
{
    if (m_noise.empty())
        makeNoise();
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
    // The camera reads a power of two of views, whose rounded average is a
    // shift the compiler does for many bytes at once; any other count looks
    // the average of each possible sum up rather than divide every byte.
    const bool powerOfTwo = (reads & (reads - 1)) == 0;
    const int shift = qCountTrailingZeroBits(quint32(reads));
    std::vector<uchar> average(powerOfTwo ? 0 : size_t(255 * reads + 1));
    for (size_t sum = 0; sum < average.size(); ++sum)
        average[sum] = uchar((int(sum) + reads / 2) / reads);
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
        if (powerOfTwo) {
            for (size_t i = 0; i < sums.size(); ++i)
                out[i] = uchar((sums[i] + reads / 2) >> shift);
        } else {
            for (size_t i = 0; i < sums.size(); ++i)
                out[i] = average[sums[i]];
        }
    }
    return picture;
}

} // namespace device
