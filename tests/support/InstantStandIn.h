#pragma once

// The device the program ships with, acquiring as fast as it can.

#include "device/standin/StandInDevice.h"

#include <memory>

inline std::unique_ptr<snappy::SnappyDevice> instantStandIn()
{
    auto standIn = std::make_unique<device::StandInDevice>();
    standIn->setTimeScale(0.0);
    return standIn;
}
