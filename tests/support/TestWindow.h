#pragma once

// The main window built on a recording device and scripted prompts.

#include "RecordingDevice.h"
#include "ScriptedPrompts.h"

#include "app/Lumivane.h"

#include <memory>

struct TestWindow {
    TestWindow()
    {
        auto recording = std::make_unique<RecordingDevice>();
        device = recording.get();
        window = std::make_unique<Lumivane>(std::move(recording), prompts);
    }

    const CaptureControls &controls() const { return window->controls(); }
    CaptureState &state() { return window->state(); }

    ScriptedPrompts prompts;
    RecordingDevice *device = nullptr;
    std::unique_ptr<Lumivane> window;
};
