#include "device/SnapProcessor.h"

#include "device/ColorDepthReducer.h"
#include "device/PictureAdjuster.h"
#include "device/Resampler.h"

namespace device {

QImage SnapProcessor::process(const QImage &raw, const CaptureSettings &settings)
{
    QImage picture = Resampler::scale(raw, settings.size(), settings.filter);
    if (settings.adjustments != Adjustments{} || settings.negative)
        picture = PictureAdjuster(settings.adjustments, settings.negative).apply(picture);
    return ColorDepthReducer::reduce(picture, settings.colorDepth, settings.optimizedPalette);
}

} // namespace device
