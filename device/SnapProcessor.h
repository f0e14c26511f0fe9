#pragma once

// Turns the camera's raw picture into the finished snap: brought to the snap
// size with the chosen filter, adjusted, then reduced to its colour depth.

#include "device/CaptureSettings.h"

#include <QImage>

namespace device {

class SnapProcessor {
public:
    static QImage process(const QImage &raw, const CaptureSettings &settings);
};

} // namespace device
