#include "device/PictureAdjuster.h"

#include "device/VectorPaths.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace device {

namespace {

constexpr double fullScale = 50.0;
// The colour matrix in 16384ths, which keeps its entries (at most 1.9)
// within 16 bits and each mixed level within 1/40 of a level of the exact
// one.
constexpr int matrixBits = 14;
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

// Adds each byte's own detail, its difference from a 3 x 3 binomial blur,
// scaled by `amount` in 32nds and rounded once; `bytes` is the line's
// length. Works on the bytes of the line in 16-bit steps.
LUMIVANE_WIDE_VECTORS
void sharpenLine(const uchar *above, const uchar *line, const uchar *below, uchar *out, int bytes,
                 int amount, qint16 *columns)
{
    for (int i = 0; i < bytes; ++i)
        columns[i + 4] = qint16(above[i] + 2 * line[i] + below[i]);
    for (int c = 0; c < 4; ++c) {
        columns[c] = columns[c + 4];
        columns[bytes + 4 + c] = columns[bytes + c];
    }
    const qint16 *column = columns + 4;
    // The detail in sixteenths times the amount in 32nds is the change in
    // 512ths of a level, or the detail times 64 times the amount in
    // 32768ths: one rounding multiply of 16-bit numbers gives it in whole
    // levels, which compilers know for processors that have it. All in
    // 16-bit steps, so that the compiler can do many at once.
    const qint16 factor = qint16(amount * 64);
    for (int i = 0; i < bytes; ++i) {
        const qint16 detail =
            qint16(16 * line[i] - (column[i - 4] + 2 * column[i] + column[i + 4]));
        const qint16 change = qint16((((detail * factor) >> 14) + 1) >> 1);
        out[i] = uchar(std::clamp<qint16>(qint16(line[i] + change), 0, 255));
    }
}

// Saturation and tint: each channel a mix of all three, by `matrix` in
// fixed point.
LUMIVANE_WIDE_VECTORS
void mixLine(const QRgb *in, QRgb *out, int width, const std::array<qint16, 9> &matrix)
{
    const std::array<int, 9> m{matrix[0], matrix[1], matrix[2], matrix[3], matrix[4],
                               matrix[5], matrix[6], matrix[7], matrix[8]};
    for (int x = 0; x < width; ++x) {
        const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
        const auto mix = [&](size_t row) {
            const int sum = m[row] * r + m[row + 1] * g + m[row + 2] * b;
            return quint32(toByte((sum + matrixOne / 2) >> matrixBits));
        };
        out[x] = mix(0) << 16 | mix(3) << 8 | mix(6);
    }
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
            m_tables[size_t(channel)][size_t(v)] = quint32(std::lround(x * 255.0))
                                                   << (16 - 8 * channel);
        }
    }
    for (quint32 &red : m_tables[0])
        red |= 0xff000000;
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
            m_matrix[size_t(i * 3 + j)] = qint16(std::lround(m[i][j] * matrixOne));
}

void PictureAdjuster::lookUpLine(const QRgb *in, QRgb *out, int width) const
{
    const auto &[red, green, blue] = m_tables;
    for (int x = 0; x < width; ++x)
        out[x] =
            red[size_t(qRed(in[x]))] | green[size_t(qGreen(in[x]))] | blue[size_t(qBlue(in[x]))];
}

QImage PictureAdjuster::apply(QImage picture) const
{
    const int h = picture.height();
    const PictureLines lines(picture);
    if (m_sharpen == 0) {
        inHalves(
            h, [&](int begin, int end) { adjustLines(lines, picture.width(), h, begin, end, {}); });
        return picture;
    }
    // Each half sharpens its edge line with the first line of the other,
    // which the other may already have changed: both are kept as they were.
    const int middle = h / 2;
    const qsizetype bytes = picture.bytesPerLine();
    std::vector<uchar> edges(size_t(bytes) * 2);
    if (middle > 0) {
        std::copy_n(lines[middle - 1], bytes, edges.begin());
        std::copy_n(lines[middle], bytes, edges.begin() + bytes);
    }
    inHalves(h, [&](int begin, int end) {
        const uchar *outside = begin == 0 ? edges.data() + bytes : edges.data();
        adjustLines(lines, picture.width(), h, begin, end, outside);
    });
    return picture;
}

void PictureAdjuster::adjustLines(const PictureLines &lines, int w, int h, int begin, int end,
                                  const uchar *outside) const
{
    std::vector<QRgb> mixed(size_t(w), 0);
    const auto colour = [&](const QRgb *in, int y) {
        if (m_hasMatrix) {
            mixLine(in, mixed.data(), w, m_matrix);
            in = mixed.data();
        }
        lookUpLine(in, reinterpret_cast<QRgb *>(lines[y]), w);
    };
    if (m_sharpen == 0) {
        for (int y = begin; y < end; ++y)
            colour(reinterpret_cast<const QRgb *>(lines[y]), y);
        return;
    }
    // Sharpening reads the untouched lines around a line, so each line is
    // sharpened a line ahead of the one written back; the line just past
    // either end of the half is `outside`.
    const auto untouched = [&](int y) {
        const int line = std::clamp(y, 0, h - 1);
        return line < begin || line >= end ? outside : lines[line];
    };
    std::array<std::vector<uchar>, 2> sharpened{std::vector<uchar>(size_t(w) * 4),
                                                std::vector<uchar>(size_t(w) * 4)};
    std::vector<qint16> columns(size_t(w + 2) * 4);
    for (int y = begin; y <= end; ++y) {
        if (y < end)
            sharpenLine(untouched(y - 1), untouched(y), untouched(y + 1),
                        sharpened[size_t(y % 2)].data(), w * 4, m_sharpen, columns.data());
        if (y > begin)
            colour(reinterpret_cast<const QRgb *>(sharpened[size_t((y - 1) % 2)].data()), y - 1);
    }
}

} // namespace device
