#pragma once

// What the camera looks at: the test card with a ball bouncing over its
// colour bars and a clock showing the time of day to the tenth of a second,
// so live pictures move and no two snaps are alike. The tape source plays a
// recording of the same scene, a loop with its own clock and the faults of
// worn tape.

#include "device/CaptureSettings.h"
#include "device/standin/TestCard.h"

#include <QDateTime>
#include <QImage>

namespace device {

class Scene {
public:
    static constexpr qint64 tapeLoopMs = 24'000;
    static constexpr int frameMs = 40;

    // The scene at the given moment, in opaque 32-bit colour, at the card's
    // own size or drawn straight at a smaller one.
    QImage render(SourceKind source, const QDateTime &moment, QSize size = TestCard::size) const;

private:
    const QImage &card(bool recorded, QSize size) const;

    // The still cards are painted when first needed, which spares the
    // program's start; the scaled ones are kept for the last size asked for.
    mutable QImage m_card;
    mutable QImage m_recordedCard;
    mutable QImage m_scaledCard;
    mutable QImage m_scaledRecordedCard;
};

} // namespace device
