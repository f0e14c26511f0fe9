#pragma once

// GStreamer 1.22.0's V4L2 source keeps one reference too many to its buffer
// pool when it stops, and the pool holds a handle on the device: every
// opening would leave the camera open for good, so that a camera unplugged
// comes back under another node and one disconnected never comes back. This
// drops that one reference once the pipeline is gone, where the pool is
// provably held by nothing else.

#include <glib-object.h>

typedef struct _GstElement GstElement;

namespace device::gst {

class StrayPoolRelease {
public:
    StrayPoolRelease();
    ~StrayPoolRelease();
    StrayPoolRelease(const StrayPoolRelease &) = delete;
    StrayPoolRelease &operator=(const StrayPoolRelease &) = delete;

    // Notes the pool of the first buffer the device's source element sends.
    void watch(GstElement *deviceSource);
    // Once the pipeline is stopped and released.
    void releaseAfterStop();

private:
    static bool leaksItsPool();

    GWeakRef m_pool;
};

} // namespace device::gst
