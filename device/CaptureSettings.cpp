#include "device/CaptureSettings.h"

#include <algorithm>
#include <array>

namespace device {

int framesAveraged(int method)
{
    static constexpr std::array frames{1, 2, 4, 8};
    return frames.at(std::clamp(method, 0, int(frames.size()) - 1));
}

} // namespace device
