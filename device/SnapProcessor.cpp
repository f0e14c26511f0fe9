#include "device/SnapProcessor.h"

#include "device/ColorDepthReducer.h"
#include "device/PictureAdjuster.h"
#include "device/Resampler.h"

#include <utility>

namespace device {

QImage SnapProcessor::process(const QImage &raw, const CaptureSettings &settings)
{
    // The working picture of the last snap, kept for its memory when the
    // snap itself was a new picture: fresh memory the size of a picture
    // costs the system more than the work done in it.
    thread_local QImage spare;
    QImage picture = Resampler::scale(raw, settings.size(), settings.filter, std::move(spare));
    if (settings.adjustments != Adjustments{} || settings.negative)
        picture =
            PictureAdjuster(settings.adjustments, settings.negative).apply(std::move(picture));
    QImage snap =
        ColorDepthReducer::reduce(picture, settings.colorDepth, settings.optimizedPalette);
    if (snap.constBits() != picture.constBits())
        spare = std::move(picture);
    return snap;
}

} // namespace device
