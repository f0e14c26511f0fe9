#include "device/standin/SevenSegment.h"

#include <QPainter>

#include <array>

namespace device {

namespace {

// Segments a to g, clockwise from the top, g in the middle.
constexpr std::array<quint8, 10> digitSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                               0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QPainter &p, QPoint at, int digit, int h, const QColor &colour)
{
    const int w = h / 2;
    const int t = std::max(2, h / 8);
    const int half = h / 2;
    const std::array<QRect, 7> segments{
        QRect(at.x() + t, at.y(), w - 2 * t, t),                           // a
        QRect(at.x() + w - t, at.y() + t, t, half - t - t / 2),            // b
        QRect(at.x() + w - t, at.y() + half + t / 2, t, half - t - t / 2), // c
        QRect(at.x() + t, at.y() + h - t, w - 2 * t, t),                   // d
        QRect(at.x(), at.y() + half + t / 2, t, half - t - t / 2),         // e
        QRect(at.x(), at.y() + t, t, half - t - t / 2),                    // f
        QRect(at.x() + t, at.y() + half - t / 2, w - 2 * t, t),            // g
    };
    for (int s = 0; s < 7; ++s) {
        if (digitSegments[digit] & (1 << s))
            p.fillRect(segments[s], colour);
    }
}

} // namespace

int SevenSegment::draw(QPainter &painter, QPoint topLeft, const QString &text, int digitHeight,
                       const QColor &colour)
{
    const int digitWidth = digitHeight / 2;
    const int gap = std::max(2, digitHeight / 8);
    const int dot = gap;
    int x = topLeft.x();
    for (const QChar c : text) {
        if (c.isDigit()) {
            drawDigit(painter, QPoint(x, topLeft.y()), c.digitValue(), digitHeight, colour);
            x += digitWidth + gap;
        } else if (c == u':') {
            painter.fillRect(x, topLeft.y() + digitHeight / 3 - dot / 2, dot, dot, colour);
            painter.fillRect(x, topLeft.y() + 2 * digitHeight / 3 - dot / 2, dot, dot, colour);
            x += dot + gap;
        } else if (c == u'.') {
            painter.fillRect(x, topLeft.y() + digitHeight - dot, dot, dot, colour);
            x += dot + gap;
        } else {
            x += digitWidth + gap;
        }
    }
    return x - topLeft.x();
}

} // namespace device
