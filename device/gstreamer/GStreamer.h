#pragma once

// What the GStreamer back end needs of the library itself: starting it once,
// and the reasons it gives for a failure, in words a user can read.

#include "device/SnappyDevice.h"

#include <QString>

typedef struct _GError GError;
typedef struct _GstMessage GstMessage;
typedef struct _GstElement GstElement;

namespace device::gst {

// Starts GStreamer on first use; a failure says why it cannot run.
snappy::Failure initialise();

QString reasonOf(const GError *error);
// The text of an error or end-of-stream message.
QString reasonOf(GstMessage *message);

// Stops a pipeline whose bus has a sync handler and lets go of it. Stopping
// joins the streaming threads, so none of them reaches what the handler
// served once this returns.
void stopAndRelease(GstElement *pipeline);

} // namespace device::gst
