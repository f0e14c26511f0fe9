#pragma once

// A video's file, written under a hidden temporary name in its folder and
// given its name only once complete: whatever is found under the name is a
// whole video. Unless published, the temporary file is removed.

#include "device/SnappyDevice.h"

#include <QString>

namespace timelapse {

class VideoFile {
public:
    explicit VideoFile(const QString &path);
    ~VideoFile();
    VideoFile(const VideoFile &) = delete;
    VideoFile &operator=(const VideoFile &) = delete;

    // Makes the empty temporary file.
    snappy::Failure create();
    QString temporaryPath() const { return m_temporary; }
    // Puts the complete file in place. Without `replace`, a file that took
    // the name meanwhile stays as it is and publishing fails.
    snappy::Failure publish(bool replace);

private:
    QString m_path;
    QString m_temporary;
};

} // namespace timelapse
