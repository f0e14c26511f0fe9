#pragma once

// The main window built on a recording device and scripted prompts.

#include "RecordingDevice.h"
#include "ScriptedPrompts.h"
#include "app/Lumivane.h"
#include "capture/SnapModeController.h"

#include <memory>

struct TestWindow {
    TestWindow()
    {
        auto recording = std::make_unique<RecordingDevice>();
        device = recording.get();
        window = std::make_unique<Lumivane>(std::move(recording), prompts);
    }

    const CaptureControls &controls() const { return window->controls(); }
    void chooseMode(SnapMode mode) { controls().cmbSnapMode->select(static_cast<int>(mode)); }
    SnapMode mode() const { return static_cast<SnapMode>(controls().cmbSnapMode->currentIndex()); }
    CaptureState &state() { return window->state(); }

    ScriptedPrompts prompts;
    RecordingDevice *device = nullptr;
    std::unique_ptr<Lumivane> window;
};

// One tick of a window timer, handled at once as the event loop would.
inline void tick(QTimer *timer, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}
