#include <gst/gst.h>

#include "device/gstreamer/CaptureMode.h"

#include <algorithm>

namespace device::gst {

namespace {

// The values a caps field holds, or for a range the one nearest `wanted`.
QList<int> fieldValues(const GValue *value, int wanted)
{
    if (!value)
        return {};
    if (G_VALUE_HOLDS_INT(value))
        return {g_value_get_int(value)};
    if (GST_VALUE_HOLDS_INT_RANGE(value))
        return {std::clamp(wanted, gst_value_get_int_range_min(value),
                           gst_value_get_int_range_max(value))};
    QList<int> values;
    if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            values << fieldValues(gst_value_list_get_value(value, i), wanted);
    }
    return values;
}

qint64 area(QSize size)
{
    return qint64(size.width()) * size.height();
}

} // namespace

QList<QSize> offeredSizes(const GstCaps *caps, QSize wanted)
{
    QList<QSize> sizes;
    for (guint i = 0; caps && i < gst_caps_get_size(caps); ++i) {
        const GstStructure *mode = gst_caps_get_structure(caps, i);
        for (int width : fieldValues(gst_structure_get_value(mode, "width"), wanted.width()))
            for (int height : fieldValues(gst_structure_get_value(mode, "height"), wanted.height()))
                sizes << QSize(width, height);
    }
    return sizes;
}

QSize chooseCaptureSize(const QList<QSize> &offered, QSize wanted)
{
    if (offered.isEmpty() || offered.contains(wanted))
        return wanted;
    std::optional<QSize> best;
    for (QSize size : offered) {
        if (size.width() >= wanted.width() && size.height() >= wanted.height() &&
            (!best || area(size) < area(*best)))
            best = size;
    }
    if (best)
        return *best;
    return *std::max_element(offered.begin(), offered.end(),
                             [](QSize a, QSize b) { return area(a) < area(b); });
}

QImage cropToFourByThree(const QImage &frame)
{
    const int w = frame.width();
    const int h = frame.height();
    if (w * 3 == h * 4)
        return frame;
    if (w * 3 > h * 4) {
        const int width = h * 4 / 3;
        return frame.copy((w - width) / 2, 0, width, h);
    }
    const int height = w * 3 / 4;
    return frame.copy(0, (h - height) / 2, w, height);
}

} // namespace device::gst
