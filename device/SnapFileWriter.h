#pragma once

// Saves a picture as an image file of one of the seven types the device
// writes: "bmp", "iff", "jpg", "pcx", "png", "tga" and "tif". A file is
// put in place only once complete (AtomicFileWriter), so a failed save
// leaves any earlier file as it was. Failures name the file and the reason.
// Every device saves its snaps through saveSnap, so all of them honour the
// no-replace save that numbered files need, and the room a save leaves on
// the disk.

#include "device/AtomicFileWriter.h"
#include "device/DiskReserve.h"
#include "device/PropertyStore.h"
#include "device/SnappyDevice.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace device {

class SnapFileWriter {
public:
    static QStringList types();

    // Replaces a plain file under the name.
    static snappy::Failure save(const QImage &picture, const QString &path, const QString &type);

    // A device's SaveSnap: the Picture property saved under SaveFileName as
    // SaveFileType, by SaveNoReplace either kept from replacing anything or
    // replacing a plain file; SaveNameTaken tells whether a kept name is why
    // it failed. A save that would leave less than the reserve free is not
    // made.
    static snappy::Failure saveSnap(PropertyStore &properties, const DiskReserve &reserve);

private:
    static AtomicFileWriter::Outcome write(const QImage &picture, const QString &path,
                                           const QString &type, AtomicFileWriter::Existing existing,
                                           const DiskReserve &reserve);
};

} // namespace device
