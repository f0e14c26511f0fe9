#pragma once

// Saves a picture as an image file of one of the seven types the device
// writes: "bmp", "iff", "jpg", "pcx", "png", "tga" and "tif". A file is
// written beside its target and renamed over it only once complete, so a
// failed save leaves any earlier file as it was. Failures name the file and
// the reason the system gave.

#include "capture/SnappyDevice.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace device {

class SnapFileWriter {
public:
    static QStringList types();

    static snappy::Failure save(const QImage &picture, const QString &path, const QString &type);
};

} // namespace device
