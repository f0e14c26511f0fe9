#pragma once

// What the command line asks of --make-video.

#include <QString>

namespace timelapse {

struct VideoRequest {
    // The series runs from this snap on.
    QString firstSnap;
    double framesPerSecond = 25;
    // Empty for the snaps' base name with .webm, beside them.
    QString output;
    bool overwrite = false;
};

} // namespace timelapse
