#pragma once

// The capture device the program uses when no camera is attached: a camera
// looking at a moving test scene, with live preview, snaps that honour every
// setting, and saving in all seven image types.

#include "device/CaptureDevice.h"
#include "device/standin/SimulatedSource.h"

namespace device {

class StandInDevice : public CaptureDevice {
    Q_OBJECT
public:
    explicit StandInDevice(QObject *parent = nullptr);

    // Stretches (above 1) or shortens the time a snap spends acquiring;
    // 0 runs each step at the next turn of the event loop.
    void setTimeScale(double factor);
};

} // namespace device
