#pragma once

// The settings one snap or one preview is taken with, as plain values: what
// the device's properties held when the snap or preview was asked for.

#include <QSize>

namespace device {

enum class SourceKind { Live, Tape };

// How a picture is brought to the snap size: nearest neighbour, bilinear,
// or a bicubic filter that widens on reduction so fine detail does not alias.
enum class ScaleQuality { Fast, Normal, High };

// The nine picture adjustments, each from -50 to 50; 0 leaves the picture as
// it is, and a positive value gives more of what the name says.
struct Adjustments {
    int bright = 0;
    int contrast = 0;
    int gamma = 0;
    int sharpness = 0;
    int saturation = 0;
    int tint = 0;
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const Adjustments &) const = default;
};

// VideoOut is not among them: it would send the picture to a video output,
// which the stand-in does not have, so it is kept as written and does nothing.
struct CaptureSettings {
    int width = 640;
    int colorDepth = 24;
    bool optimizedPalette = false;
    int method = 0;
    SourceKind source = SourceKind::Live;
    bool colour = true;
    bool negative = false;
    ScaleQuality filter = ScaleQuality::Normal;
    Adjustments adjustments;

    QSize size() const { return {width, width * 3 / 4}; }
};

// How many consecutive frames a snap method, 0 to 3, averages: slower
// methods trade time for a cleaner picture.
int framesAveraged(int method);

// What a preview shows: the source and whether it is seen in colour.
struct PreviewSettings {
    SourceKind source = SourceKind::Live;
    bool colour = true;
};

} // namespace device
