#pragma once

// Digits drawn as a seven-segment display, so the clock in the scene looks
// the same on every machine whatever fonts it has.

#include <QColor>
#include <QPoint>
#include <QString>

class QPainter;

namespace device {

class SevenSegment {
public:
    // Draws digits, ':' and '.' from the top left corner; other characters
    // leave a gap. Returns the width drawn.
    static int draw(QPainter &painter, QPoint topLeft, const QString &text, int digitHeight,
                    const QColor &colour);
};

} // namespace device
