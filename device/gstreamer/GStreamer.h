#pragma once

// What the GStreamer back end needs of the library itself: starting it once,
// and the reasons it gives for a failure, in words a user can read.

#include "capture/SnappyDevice.h"

#include <QString>

typedef struct _GError GError;
typedef struct _GstMessage GstMessage;

namespace device::gst {

// Starts GStreamer on first use; a failure says why it cannot run.
snappy::Failure initialise();

QString reasonOf(const GError *error);
// The text of an error or end-of-stream message.
QString reasonOf(GstMessage *message);

} // namespace device::gst
