#pragma once

// timelapse/ reaches down to device/ only: the series read ahead, the video
// encoded and written, the progress line and the stop signals.
//
// `lumivane --make-video`: the numbered series from the first snap on made
// into a video, without a window. Gaps in the numbers and files that do not
// read are told and skipped; a snap of another size is scaled to the first
// one's. Ctrl-C or SIGTERM ends the video with what was encoded so far. The
// exit code is 0 for a whole video, 1 when it failed or was stopped, 2 for
// a first snap that is not one.

#include "timelapse/VideoRequest.h"

namespace timelapse {

class MakeVideo {
public:
    enum ExitCode { Done = 0, Failed = 1, BadArguments = 2 };

    explicit MakeVideo(VideoRequest request);
    ExitCode run();

private:
    VideoRequest m_request;
};

} // namespace timelapse
