#include <gst/gst.h>

#include "device/gstreamer/StrayPoolRelease.h"

#include <cstring>

namespace device::gst {

StrayPoolRelease::StrayPoolRelease()
{
    g_weak_ref_init(&m_pool, nullptr);
}

StrayPoolRelease::~StrayPoolRelease()
{
    g_weak_ref_clear(&m_pool);
}

void StrayPoolRelease::watch(GstElement *deviceSource)
{
    if (!leaksItsPool())
        return;
    GstPad *pad = gst_element_get_static_pad(deviceSource, "src");
    if (!pad)
        return;
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad *, GstPadProbeInfo *info, gpointer self) {
            GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            if (!buffer || !buffer->pool)
                return GST_PAD_PROBE_OK;
            g_weak_ref_set(&static_cast<StrayPoolRelease *>(self)->m_pool, buffer->pool);
            return GST_PAD_PROBE_REMOVE;
        },
        this, nullptr);
    gst_object_unref(pad);
}

// With the pipeline gone, a buffer still out would hold the pool too; then
// it counts more than the stray reference and this one, and is left be.
void StrayPoolRelease::releaseAfterStop()
{
    auto *pool = static_cast<GstObject *>(g_weak_ref_get(&m_pool));
    if (!pool)
        return;
    if (GST_OBJECT_REFCOUNT_VALUE(pool) == 2)
        gst_object_unref(pool);
    gst_object_unref(pool);
    g_weak_ref_set(&m_pool, nullptr);
}

// Only the release that has the fault: a later one frees its pool itself,
// and one buffer still out would look just like the stray reference.
bool StrayPoolRelease::leaksItsPool()
{
    static const bool leaks = [] {
        GstPlugin *plugin = gst_registry_find_plugin(gst_registry_get(), "video4linux2");
        if (!plugin)
            return false;
        const bool faulty = std::strcmp(gst_plugin_get_version(plugin), "1.22.0") == 0;
        gst_object_unref(plugin);
        return faulty;
    }();
    return leaks;
}

} // namespace device::gst
