#pragma once

// The capture device the program uses when no hardware is attached: a camera
// looking at a moving test scene, with live preview, snaps that honour every
// setting, and saving in all seven image types. Its events always come from
// the event loop, never from inside a call.

#include "capture/SnappyDevice.h"
#include "device/standin/Camera.h"
#include "device/standin/PreviewLoop.h"
#include "device/PropertyStore.h"
#include "device/SnapSequencer.h"

namespace device {

class StandInDevice : public snappy::SnappyDevice {
    Q_OBJECT
public:
    explicit StandInDevice(QObject *parent = nullptr);

    snappy::Failure writeProperty(snappy::DispId id, const snappy::Value &value) override;
    snappy::Value readProperty(snappy::DispId id) override;
    snappy::Failure call(snappy::Method method) override;

    // Stretches (above 1) or shortens the time a snap spends acquiring;
    // 0 runs each step at the next turn of the event loop.
    void setTimeScale(double factor);

private:
    void showPicture(const QImage &picture);

    PropertyStore m_properties;
    Camera m_camera;
    PreviewLoop m_preview{m_camera};
    SnapSequencer m_snaps{m_camera};
};

} // namespace device
