#include "output/SaveMethodOptions.h"

#include "app/PlatformPaths.h"
#include "output/frmPath.h"

SaveMethodOptions::SaveMethodOptions(CaptureControls &controls, CaptureState &state,
                                     Prompts &prompts)
    : m_controls(controls)
    , m_state(state)
    , m_prompts(prompts)
{
}

void SaveMethodOptions::optNoSave_Click()
{
    m_state.bSaveFile = FlagFalse;
    m_state.bFileIncrement = FlagFalse;
}

void SaveMethodOptions::opSameName_Click()
{
    m_state.bSaveFile = FlagTrue;
    m_state.bFileIncrement = FlagFalse;
}

void SaveMethodOptions::optIncremental_Click()
{
    m_state.bSaveFile = FlagTrue;
    m_state.bFileIncrement = FlagTrue;
}

void SaveMethodOptions::cmdFileInfo_Click() {}
