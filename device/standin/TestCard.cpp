#include "device/standin/TestCard.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace device {

namespace {

constexpr int level75 = 191;

void paintBars(QPainter &p)
{
    static constexpr std::array<QRgb, 7> bars{qRgb(level75, level75, level75),
                                              qRgb(level75, level75, 0),
                                              qRgb(0, level75, level75),
                                              qRgb(0, level75, 0),
                                              qRgb(level75, 0, level75),
                                              qRgb(level75, 0, 0),
                                              qRgb(0, 0, level75)};
    static constexpr std::array<QRgb, 7> castellations{qRgb(0, 0, level75),
                                                       qRgb(16, 16, 16),
                                                       qRgb(level75, 0, level75),
                                                       qRgb(16, 16, 16),
                                                       qRgb(0, level75, level75),
                                                       qRgb(16, 16, 16),
                                                       qRgb(level75, level75, level75)};
    const int w = TestCard::size.width();
    const int barsBottom = TestCard::barsArea.bottom() + 1;
    for (int i = 0; i < 7; ++i) {
        const int left = w * i / 7;
        const int right = w * (i + 1) / 7;
        p.fillRect(left, 0, right - left, barsBottom, QColor(bars[i]));
        p.fillRect(left, barsBottom, right - left, 46, QColor(castellations[i]));
    }
}

void paintWedge(QPainter &p, const QRect &area)
{
    constexpr int steps = 8;
    for (int i = 0; i < steps; ++i) {
        const int left = area.left() + area.width() * i / steps;
        const int right = area.left() + area.width() * (i + 1) / steps;
        const int level = 255 * i / (steps - 1);
        p.fillRect(left, area.top(), right - left, area.height(), QColor(level, level, level));
    }
}

// Groups of black and white stripes, each group finer than the one before.
void paintStripes(QPainter &p, const QRect &area)
{
    static constexpr std::array periods{16, 8, 6, 4, 3, 2};
    const int groupWidth = area.width() / int(periods.size());
    for (int g = 0; g < int(periods.size()); ++g) {
        const int left = area.left() + g * groupWidth;
        for (int x = 0; x < groupWidth; ++x) {
            const bool white = (x % periods[g]) < periods[g] / 2;
            p.fillRect(left + x, area.top(), 1, area.height(), white ? Qt::white : Qt::black);
        }
    }
}

} // namespace

QImage TestCard::paint()
{
    QImage card(size, QImage::Format_RGB32);
    card.fill(qRgb(16, 16, 16));
    QPainter p(&card);
    paintBars(p);
    paintWedge(p, QRect(32, 424, 240, 120));
    paintStripes(p, QRect(288, 424, 216, 120));
    p.fillRect(flatField, QColor(128, 128, 128));
    return card;
}

QImage TestCard::paintRecorded(const QImage &card)
{
    QImage tape(card.size(), QImage::Format_RGB32);
    constexpr int bleed = 3;
    static constexpr std::array<int, bleed + 1> reciprocals{0, 65536, 32768, 21846};
    for (int y = 0; y < card.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(card.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(tape.scanLine(y));
        int sum[3] = {0, 0, 0};
        for (int x = 0; x < card.width(); ++x) {
            // Colour smears to the right over a few pixels; brightness keeps its edges.
            sum[0] += qRed(in[x]);
            sum[1] += qGreen(in[x]);
            sum[2] += qBlue(in[x]);
            if (x >= bleed) {
                sum[0] -= qRed(in[x - bleed]);
                sum[1] -= qGreen(in[x - bleed]);
                sum[2] -= qBlue(in[x - bleed]);
            }
            // Dividing by a fixed-point reciprocal: exact for sums of three bytes.
            const int inverse = reciprocals[std::min(x + 1, bleed)];
            const int r = (sum[0] * inverse) >> 16, g = (sum[1] * inverse) >> 16,
                      b = (sum[2] * inverse) >> 16;
            const int smearedLuma = (77 * r + 150 * g + 29 * b) >> 8;
            const int luma = (77 * qRed(in[x]) + 150 * qGreen(in[x]) + 29 * qBlue(in[x])) >> 8;
            // Seven tenths of the colour survives the recording.
            auto channel = [&](int c) {
                return std::clamp(luma + (c - smearedLuma) * 7 / 10, 0, 255);
            };
            out[x] = qRgb(channel(r), channel(g), channel(b));
        }
    }
    return tape;
}

} // namespace device
