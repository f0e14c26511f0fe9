#pragma once

// Which of a video device's modes a snap or preview is captured in, and how
// a frame of that mode becomes a picture of the 4:3 shape every snap has.
// Many webcams offer neither 800 x 600 nor any 4:3 size; they are captured
// in the nearest larger mode and cut down, never stretched.

#include <QImage>
#include <QList>
#include <QSize>

typedef struct _GstCaps GstCaps;

namespace device::gst {

// The sizes the caps offer: each fixed size, and for ranges of sizes the
// one nearest to `wanted` inside the range.
QList<QSize> offeredSizes(const GstCaps *caps, QSize wanted);

// `wanted` when offered; otherwise the smallest size that holds it, and when
// none does, the largest there is. An empty list gives `wanted`.
QSize chooseCaptureSize(const QList<QSize> &offered, QSize wanted);

// The largest 4:3 part of the frame, from its centre.
QImage cropToFourByThree(const QImage &frame);

} // namespace device::gst
