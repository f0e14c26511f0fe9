#pragma once

// A palette computed from the picture itself: the picture's colours, counted
// in cells of 8 x 8 x 8 levels, are split again and again across their
// widest spread, at the median, until there are as many groups as palette
// entries; each entry is the mean of the colours in its group.

#include <QImage>
#include <QList>

namespace device {

class MedianCut {
public:
    // `picture` is 32-bit RGB. The palette has at most `count` entries, fewer
    // when the picture's colours fill fewer cells.
    static QList<QRgb> palette(const QImage &picture, int count);
};

} // namespace device
