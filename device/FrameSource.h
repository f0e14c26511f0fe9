#pragma once

// Where a capture device's raw pictures come from: the one part a back end
// supplies. Everything else a device does (its properties, the steps of a
// snap, processing and saving) is shared. A source answers from the event
// loop, never inside the call that asked.

#include "device/CaptureSettings.h"

#include <QImage>
#include <QObject>
#include <QSize>

namespace device {

class FrameSource : public QObject {
    Q_OBJECT
public:
    static constexpr QSize previewSize{640, 480};

    using QObject::QObject;

    // A human-readable name of what the pictures come from.
    virtual QString name() const = 0;

    // Starting a running preview only changes what it shows.
    virtual void startPreview(const PreviewSettings &settings) = 0;
    virtual void stopPreview() = 0;

    // Asks for the raw picture of one snap, of any size with the snap's
    // 4:3 shape; answered by exactly one `exposed`.
    virtual void expose(const CaptureSettings &settings) = 0;

signals:
    // A preview frame at previewSize.
    void previewFrame(const QImage &frame);
    // The snap's raw picture, or a null picture when the source failed.
    void exposed(const QImage &raw);
    // What went wrong, for the user, once for each fault.
    void failed(const QString &reason);
};

} // namespace device
