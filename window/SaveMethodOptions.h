#pragma once

// The save method: whether finished snaps are saved, and whether the image
// number advances after each save; and the button that opens the path dialog
// on the output settings in force.

#include "core/CaptureState.h"
#include "widgets/Prompts.h"
#include "window/CaptureControls.h"

class SaveMethodOptions {
public:
    SaveMethodOptions(CaptureControls &controls, CaptureState &state, Prompts &prompts);

    void optNoSave_Click();
    void opSameName_Click();
    void optIncremental_Click();
    void cmdFileInfo_Click();

private:
    CaptureControls &m_controls;
    CaptureState &m_state;
    Prompts &m_prompts;
};
