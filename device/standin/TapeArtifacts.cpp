#include "device/standin/TapeArtifacts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace device {

namespace {

quint32 mix(quint64 x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return quint32(x);
}

// Moves a line sideways, repeating its edge pixel into the gap.
void shiftLine(QRgb *line, int width, int shift)
{
    if (shift > 0) {
        std::memmove(line + shift, line, sizeof(QRgb) * (width - shift));
        std::fill(line, line + shift, line[shift]);
    } else if (shift < 0) {
        std::memmove(line, line - shift, sizeof(QRgb) * (width + shift));
        std::fill(line + width + shift, line + width, line[width + shift - 1]);
    }
}

} // namespace

void TapeArtifacts::apply(QImage &frame, qint64 frameNumber)
{
    const int w = frame.width();
    const int h = frame.height();
    const double phase = double(frameNumber % 1000) * 0.7;
    for (int y = 0; y < h - headSwitchLines; ++y) {
        const int wobble = int(std::lround(1.5 * std::sin(y * 0.045 + phase)));
        shiftLine(reinterpret_cast<QRgb *>(frame.scanLine(y)), w, wobble);
    }
    for (int y = h - headSwitchLines; y < h; ++y) {
        const int tear = 6 + int(mix(quint64(frameNumber) * 977 + quint64(y)) % 18);
        shiftLine(reinterpret_cast<QRgb *>(frame.scanLine(y)), w, std::min(tear, w - 1));
    }
    const quint32 dice = mix(quint64(frameNumber));
    const int streaks = int(dice % 3);
    for (int i = 0; i < streaks; ++i) {
        const quint32 where = mix(quint64(frameNumber) * 31 + quint64(i) + 1);
        const int y = int(where % quint32(h - headSwitchLines));
        const int x = int((where >> 12) % quint32(w));
        const int length = std::min(w - x, 20 + int((where >> 24) % 60));
        auto *line = reinterpret_cast<QRgb *>(frame.scanLine(y));
        std::fill(line + x, line + x + length, qRgb(235, 235, 235));
    }
}

} // namespace device
