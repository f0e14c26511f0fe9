#pragma once

// Puts a file's bytes in place so that the file is either what it was or the
// complete new contents, never a half-written mix, and never blocks on what
// is there. The bytes go to an unnamed file in the target's folder that gets
// its name only once they are all on disk, so a process killed mid-save
// leaves nothing behind and the name may be as long as the file system
// allows. File systems without unnamed files get a short hidden temporary
// name instead, and such names left by killed processes are removed when a
// later save comes into the folder. After publishing, the folder is synced
// too, so a file reported as written survives a power cut.

#include "device/SnappyDevice.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace device {

class AtomicFileWriter {
public:
    enum class Existing {
        // Only a plain file the user may write is replaced; through a
        // symbolic link, the file it points to.
        Replace,
        // Whatever is under the name, even if it appears during the write,
        // stays as it is and the write fails.
        Keep,
    };

    struct Outcome {
        // The reason, such as "No such file or directory"; empty when written.
        snappy::Failure failure;
        // Existing::Keep found the name taken.
        bool nameTaken = false;
    };

    static Outcome write(const QString &path, const QByteArray &bytes, Existing existing);

    // For tests: runs between writing the bytes and publishing them, the
    // moment at which another program may take the name or a kill may come.
    static void setBeforePublish(std::function<void()> hook);
    // For tests: writes as on a file system that has no unnamed files.
    static void setUnnamedFilesAllowed(bool allowed);
};

} // namespace device
