#pragma once

// Ctrl-C (SIGINT) and SIGTERM, taken from their usual effect of ending the
// process and read as an ordinary event instead, through a signalfd: no
// handler runs, so nothing unsafe runs inside one. Threads started while an
// object lives, such as GStreamer's, leave the signals to it.

#include <csignal>

namespace timelapse {

class StopSignals {
public:
    StopSignals();
    // Signals that came and were not asked about are dropped.
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // Whether one of the signals came; does not wait.
    bool arrived();

private:
    sigset_t m_before;
    int m_fd;
    bool m_arrived = false;
};

} // namespace timelapse
