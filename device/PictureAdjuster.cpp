#include "device/PictureAdjuster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace device {

namespace {

constexpr double fullScale = 50.0;
constexpr int matrixBits = 12;
constexpr int matrixOne = 1 << matrixBits;

using Matrix = std::array<std::array<double, 3>, 3>;

Matrix multiply(const Matrix &a, const Matrix &b)
{
    Matrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += a[i][k] * b[k][j];
    return m;
}

// A turn of every colour about the grey axis; positive turns go from red
// towards yellow and green. Greys stay where they are.
Matrix hueTurn(double radians)
{
    const double c = std::cos(radians);
    const double s = std::sin(radians) / std::numbers::sqrt3;
    const double t = (1.0 - c) / 3.0;
    return {{{c + t, t - s, t + s}, {t + s, c + t, t - s}, {t - s, t + s, c + t}}};
}

// Moves every colour towards (factor < 1) or away from (factor > 1) the grey
// of the same brightness.
Matrix saturate(double factor)
{
    constexpr std::array luma{0.299, 0.587, 0.114};
    Matrix m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = (1.0 - factor) * luma[j] + (i == j ? factor : 0.0);
    return m;
}

inline quint8 toByte(int v)
{
    return quint8(std::clamp(v, 0, 255));
}

} // namespace

PictureAdjuster::PictureAdjuster(const Adjustments &adjustments, bool negative)
{
    // Up to three times the detail at the top; a full blur at the bottom.
    const double s = adjustments.sharpness / fullScale;
    m_sharpen = int(std::lround(32.0 * (s > 0 ? 3.0 * s : s)));
    buildTables(adjustments, negative);
    buildMatrix(adjustments);
}

void PictureAdjuster::buildTables(const Adjustments &a, bool negative)
{
    // Gamma from a quarter to four; brightness up to half the range either
    // way; contrast from a flat grey to two and a half times; each colour
    // gain from a half to one and a half.
    const double gamma = std::pow(4.0, a.gamma / fullScale);
    const double shift = 0.5 * a.bright / fullScale;
    const double c = a.contrast / fullScale;
    const double contrast = c >= 0 ? 1.0 + 1.5 * c : 1.0 + c;
    const std::array<double, 3> gains{1.0 + 0.5 * a.red / fullScale,
                                      1.0 + 0.5 * a.green / fullScale,
                                      1.0 + 0.5 * a.blue / fullScale};
    for (int channel = 0; channel < 3; ++channel) {
        for (int v = 0; v < 256; ++v) {
            double x = std::pow(v / 255.0, 1.0 / gamma);
            x = (x - 0.5) * contrast + 0.5 + shift;
            x *= gains[channel];
            x = std::clamp(x, 0.0, 1.0);
            if (negative)
                x = 1.0 - x;
            m_tables[channel][v] = quint8(std::lround(x * 255.0));
        }
    }
}

void PictureAdjuster::buildMatrix(const Adjustments &a)
{
    m_hasMatrix = a.saturation != 0 || a.tint != 0;
    if (!m_hasMatrix)
        return;
    // A tint of 50 turns the hue by a quarter of the colour wheel.
    const double turn = a.tint / fullScale * std::numbers::pi / 2.0;
    const Matrix m = multiply(saturate(1.0 + a.saturation / fullScale), hueTurn(turn));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m_matrix[i * 3 + j] = int(std::lround(m[i][j] * matrixOne));
}

// Adds the line's own detail, its difference from a 3 x 3 binomial blur,
// scaled by `amount` (in 32nds). Works on the bytes of the line in 16-bit
// steps so that the compiler can do many at once.
void PictureAdjuster::sharpenLine(const uchar *above, const uchar *line, const uchar *below,
                                  uchar *out, int width, std::vector<qint16> &columns) const
{
    const int bytes = width * 4;
    for (int i = 0; i < bytes; ++i)
        columns[size_t(i) + 4] = qint16(above[i] + 2 * line[i] + below[i]);
    for (int c = 0; c < 4; ++c) {
        columns[size_t(c)] = columns[size_t(c) + 4];
        columns[size_t(bytes + 4 + c)] = columns[size_t(bytes + c)];
    }
    const qint16 *column = columns.data() + 4;
    for (int i = 0; i < bytes; ++i) {
        const int blur = (column[i - 4] + 2 * column[i] + column[i + 4] + 8) >> 4;
        const qint16 detail = qint16(line[i] - blur);
        out[i] = toByte(line[i] + ((detail * m_sharpen) >> 5));
    }
}

QImage PictureAdjuster::apply(const QImage &picture) const
{
    const int w = picture.width();
    const int h = picture.height();
    QImage result(picture.size(), QImage::Format_RGB32);
    const auto &[redTable, greenTable, blueTable] = m_tables;
    const auto &m = m_matrix;
    std::vector<uchar> sharpened(size_t(w) * 4);
    std::vector<qint16> columns(size_t(w + 2) * 4);
    for (int y = 0; y < h; ++y) {
        const uchar *line = picture.constScanLine(y);
        if (m_sharpen != 0) {
            sharpenLine(picture.constScanLine(std::max(y - 1, 0)), line,
                        picture.constScanLine(std::min(y + 1, h - 1)), sharpened.data(), w,
                        columns);
            line = sharpened.data();
        }
        const auto *in = reinterpret_cast<const QRgb *>(line);
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r = qRed(in[x]);
            int g = qGreen(in[x]);
            int b = qBlue(in[x]);
            if (m_hasMatrix) {
                const int half = matrixOne / 2;
                const int r2 = (m[0] * r + m[1] * g + m[2] * b + half) >> matrixBits;
                const int g2 = (m[3] * r + m[4] * g + m[5] * b + half) >> matrixBits;
                const int b2 = (m[6] * r + m[7] * g + m[8] * b + half) >> matrixBits;
                r = toByte(r2);
                g = toByte(g2);
                b = toByte(b2);
            }
            out[x] = qRgb(redTable[r], greenTable[g], blueTable[b]);
        }
    }
    return result;
}

} // namespace device
