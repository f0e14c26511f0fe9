#pragma once

// What playing a worn video tape does to each frame: lines that wobble
// sideways, a torn band at the bottom where the heads switch, and the odd
// white streak where the tape has lost its coating. The same frame of the
// tape always shows the same faults, as a replayed recording would.

#include <QImage>

namespace device {

class TapeArtifacts {
public:
    static constexpr int headSwitchLines = 10;

    static void apply(QImage &frame, qint64 frameNumber);
};

} // namespace device
