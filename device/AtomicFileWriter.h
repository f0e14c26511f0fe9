#pragma once

// Puts a file's bytes in place so that the file is either what it was or the
// complete new contents, never a half-written mix: the bytes go to a new
// file beside the target, which is renamed over the target only once they
// are all on disk. A target that is not a plain file (a device such as
// /dev/full) cannot be replaced that way and is written in place.

#include "capture/SnappyDevice.h"

#include <QByteArray>
#include <QString>

namespace device {

class AtomicFileWriter {
public:
    // The failure is the system's reason, such as "No such file or directory".
    static snappy::Failure write(const QString &path, const QByteArray &bytes);
};

} // namespace device
