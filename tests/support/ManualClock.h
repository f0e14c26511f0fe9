#pragma once

// A steady clock that moves only when a test moves it, so that hours or days
// of a time-lapse pass in a moment. It must outlive the window reading it.

#include "window/DelayedSnapSchedule.h"

struct ManualClock {
    SnapClock reader()
    {
        return [this] { return now; };
    }
    void advance(std::chrono::milliseconds by) { now += by; }

    std::chrono::steady_clock::time_point now;
};
