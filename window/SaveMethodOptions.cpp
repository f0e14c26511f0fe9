#include "window/SaveMethodOptions.h"

#include "core/PlatformPaths.h"
#include "dialogs/frmPath.h"

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

void SaveMethodOptions::cmdFileInfo_Click()
{
    frmPath dialog(m_state, *m_controls.lblPath, m_prompts, m_controls.lblPath->window());
    // The dialog shows only folders that exist; where the default one cannot
    // be made, opening it below says so.
    makeDefaultFolder(m_state);
    // The drive first: its change moves the directory list to that drive,
    // and only then can the folder on it be opened.
    dialog.Drive1->setDrive(platform::volumeOf(m_state.sCurrentpath));
    const QString failure = dialog.Dir1->setPath(platform::folderToList(m_state.sCurrentpath));
    if (!failure.isEmpty())
        m_prompts.message(failure);
    dialog.fields.sNewFile = m_state.sFileName;
    dialog.fields.iNewImageNumber = m_state.iCurrentImageNumber;
    dialog.fields.sNewImageType = m_state.sFileType;
    dialog.exec();
}
