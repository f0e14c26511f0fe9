#include "device/standin/StandInDevice.h"

namespace device {

StandInDevice::StandInDevice(QObject *parent)
    : CaptureDevice(std::make_unique<SimulatedSource>(), parent)
{
}

void StandInDevice::setTimeScale(double factor)
{
    static_cast<SimulatedSource &>(source()).setTimeScale(factor);
}

} // namespace device
