#pragma once

// The main window built on a recording device and scripted prompts.

#include "ManualClock.h"
#include "RecordingDevice.h"
#include "ScriptedPrompts.h"
#include "window/Lumivane.h"
#include "window/SnapModeController.h"

#include <memory>

struct TestWindow {
    TestWindow()
    {
        auto recording = std::make_unique<RecordingDevice>();
        device = recording.get();
        window = std::make_unique<Lumivane>(std::move(recording), prompts, nullptr, clock.reader());
    }

    const CaptureControls &controls() const { return window->controls(); }
    void chooseMode(SnapMode mode) { controls().cmbSnapMode->select(static_cast<int>(mode)); }
    CaptureState &state() { return window->state(); }

    ManualClock clock;
    ScriptedPrompts prompts;
    RecordingDevice *device = nullptr;
    std::unique_ptr<Lumivane> window;
};

// What every snap sends the device with the controls as the program starts.
inline const QStringList StartupSettings(
    {"write LiveSource True", "write ColorSource True", "write ColorDepth int16 24",
     "write SnapWidth int16 640", "write OptimizedPalette int16 1", "write ProcessFilter int16 2",
     "write SnapMethod int16 1", "write VideoOut int16 0", "write Blue int32 0",
     "write Bright int32 0", "write Contrast int32 0", "write Gamma int32 0", "write Green int32 0",
     "write Red int32 0", "write Saturation int32 0", "write Sharpness int32 0",
     "write Tint int32 0", "write Negative int16 0", "call Snap"});

// One tick of a window timer, handled at once as the event loop would.
inline void tick(QTimer *timer, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}
