#pragma once

// Applies the nine picture adjustments and the negative to a 32-bit RGB
// picture in one pass over its lines: sharpness first (it looks at each
// pixel's neighbours), then saturation and tint as one colour matrix, then
// brightness, contrast, gamma and the red, green and blue gains as one
// lookup table per channel, the negative last.

#include "device/CaptureSettings.h"
#include "device/Halves.h"

#include <QImage>

#include <array>
#include <vector>

namespace device {

class PictureAdjuster {
public:
    PictureAdjuster(const Adjustments &adjustments, bool negative);

    // Works on the picture's own pixels when it is not shared.
    QImage apply(QImage picture) const;

private:
    void buildTables(const Adjustments &a, bool negative);
    void buildMatrix(const Adjustments &a);
    void lookUpLine(const QRgb *in, QRgb *out, int width) const;
    // Adjusts the lines [begin, end) of a picture `w` by `h` in place;
    // `outside` is the line next to them, before any change, that the other
    // half holds.
    void adjustLines(const PictureLines &lines, int w, int h, int begin, int end,
                     const uchar *outside) const;

    // Amount of the picture's own detail added back, in 32nds; negative
    // amounts soften.
    int m_sharpen = 0;
    bool m_hasMatrix = false;
    std::array<qint16, 9> m_matrix{};
    // Each channel's level in its place in a pixel, the first with the
    // pixel's opaque alpha.
    std::array<std::array<quint32, 256>, 3> m_tables{};
};

} // namespace device
