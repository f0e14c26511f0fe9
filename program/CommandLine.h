#pragma once

// program/ is the top layer, used by main.cpp alone: this command line, the
// program's identity and icon (ProgramIdentity.h) and the fonts read ahead
// (FontConfigurationAhead.h).
//
// What the program is asked to do when it starts. Without arguments it runs
// on the default capture device; --help and --version print and end the
// program before any window exists, so they work without a display, as
// --make-video does.

#include "timelapse/VideoRequest.h"

#include <QString>
#include <QStringList>

#include <optional>

struct CommandLine {
    // Empty for the default device.
    QString device;
    bool listDevices = false;
    // How long a camera's first frames are left unused after it opens;
    // unset for the device's own default.
    std::optional<int> settleMs;
    // The room a save leaves free on the snaps' disk, 0 for none; unset for
    // the default.
    std::optional<int> reserveMiB;
    // Set to make a video of a series instead of running the window.
    std::optional<timelapse::VideoRequest> makeVideo;

    // Prints help, the version or what was wrong and exits for those;
    // returns what to run otherwise.
    static CommandLine parse(const QStringList &arguments);
};
