#pragma once

// A capture device as the program sees it, whatever its pictures come from:
// the properties, previews, snaps in three steps, processing by the snap
// settings and saving in all seven image types. Its events always come from
// the event loop, never from inside a call. A back end is a FrameSource.

#include "device/DiskReserve.h"
#include "device/FrameSource.h"
#include "device/PropertyStore.h"
#include "device/SnapSequencer.h"
#include "device/SnappyDevice.h"

#include <memory>

namespace device {

class CaptureDevice : public snappy::SnappyDevice {
    Q_OBJECT
public:
    explicit CaptureDevice(std::unique_ptr<FrameSource> source, QObject *parent = nullptr);

    snappy::Failure writeProperty(snappy::DispId id, const snappy::Value &value) override;
    snappy::Value readProperty(snappy::DispId id) override;
    snappy::Failure call(snappy::Method method) override;
    QString deviceName() const override;

    // The room saving leaves free on the snaps' disk; the default reserve
    // unless set.
    void setDiskReserve(DiskReserve reserve) { m_reserve = std::move(reserve); }

protected:
    FrameSource &source() { return *m_source; }

private:
    void showPicture(const QImage &picture);

    PropertyStore m_properties;
    DiskReserve m_reserve;
    std::unique_ptr<FrameSource> m_source;
    SnapSequencer m_snaps{*m_source};
};

} // namespace device
