#pragma once

// The device's properties: every value written to it, checked for the
// property's type and range, and a default of the right type for each one
// never written. It also reads them back as the settings of a snap or preview.

#include "device/CaptureSettings.h"
#include "device/SnappyDevice.h"

#include <QHash>

namespace device {

class PropertyStore {
public:
    // Refuses, and keeps the old value, when the value has the wrong type or
    // lies outside the values the property takes.
    snappy::Failure write(snappy::DispId id, const snappy::Value &value);
    snappy::Value read(snappy::DispId id) const;

    CaptureSettings captureSettings() const;
    PreviewSettings previewSettings() const;

private:
    qint16 int16(snappy::DispId id) const;
    qint32 int32(snappy::DispId id) const;
    bool isTrue(snappy::DispId id) const;

    QHash<snappy::DispId, snappy::Value> m_values;
};

} // namespace device
