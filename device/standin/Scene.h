#pragma once

// What the camera looks at: the test card with a ball bouncing over its
// colour bars and a clock showing the time of day to the tenth of a second,
// so live pictures move and no two snaps are alike. The tape source plays a
// recording of the same scene, a loop with its own clock and the faults of
// worn tape.

#include "device/CaptureSettings.h"

#include <QDateTime>
#include <QImage>

namespace device {

class Scene {
public:
    static constexpr qint64 tapeLoopMs = 24'000;
    static constexpr int frameMs = 40;

    Scene();

    // The scene at the given moment, TestCard::size, opaque 32-bit colour.
    QImage render(SourceKind source, const QDateTime &moment) const;

private:
    QImage m_card;
    QImage m_recordedCard;
};

} // namespace device
