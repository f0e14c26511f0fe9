#include "capture/SnapCompletion.h"

#include "capture/SnapModeController.h"

#include <QFileInfo>
#include <limits>

using snappy::DispId;
using snappy::Method;

namespace {
constexpr qint32 LastImageNumber = std::numeric_limits<qint32>::max();
} // namespace

SnapCompletion::SnapCompletion(CaptureControls &controls, CaptureState &state,
                               snappy::SnappyDevice &device, AcquisitionProgress &progress,
                               SnapStarter &starter, SaveFailureNotice &notice)
    : m_controls(controls)
    , m_state(state)
    , m_device(device)
    , m_progress(progress)
    , m_starter(starter)
    , m_notice(notice)
{
}

void SnapCompletion::Snappy1_SnapDone()
{
    m_progress.completeAcquisition();
    m_controls.imgDisplay->setPicture(m_device.picture());
    if (isTrue(m_state.bSaveFile))
        saveSnap();

    if (isTrue(m_state.bRapidSnap))
        m_starter.SnapSettings();
    else if (!m_controls.tmrDelaySnap->isActive())
        m_controls.cmbSnapMode->select(static_cast<int>(SnapMode::Off));
}

void SnapCompletion::Snappy1_PictureUpdated()
{
    m_controls.imgDisplay->setPicture(m_device.picture());
}

void SnapCompletion::saveSnap()
{
    const bool incremental = isTrue(m_state.bFileIncrement);
    if (incremental && !skipToFreeNumber())
        return;

    const QString fileName = snapFileName(m_state);
    m_device.writeProperty(DispId::SaveFileName, fileName);
    m_device.writeProperty(DispId::SaveFileType, m_state.sFileType);
    m_controls.imgTemp->setPicture(m_controls.imgDisplay->picture());
    m_device.writeProperty(DispId::Picture, m_controls.imgTemp->picture());
    if (const snappy::Failure failure = m_device.call(Method::SaveSnap)) {
        m_notice.report(*failure);
        return;
    }
    m_controls.lblPath->setText(fileName);
    if (incremental)
        advanceImageNumber();
}

// An incremental run started again in a folder it already wrote to must not
// overwrite what the earlier run saved.
bool SnapCompletion::skipToFreeNumber()
{
    while (QFileInfo::exists(snapFileName(m_state))) {
        if (m_state.iCurrentImageNumber == LastImageNumber) {
            stopIncrementalSaving(QObject::tr("Every image number up to %1 is taken in %2.")
                                      .arg(LastImageNumber)
                                      .arg(m_state.sCurrentpath));
            return false;
        }
        ++m_state.iCurrentImageNumber;
    }
    return true;
}

void SnapCompletion::advanceImageNumber()
{
    if (m_state.iCurrentImageNumber == LastImageNumber) {
        stopIncrementalSaving(QObject::tr("The image number has reached %1, the highest there is.")
                                  .arg(LastImageNumber));
        return;
    }
    ++m_state.iCurrentImageNumber;
}

// Past the last number the counter would wrap and overwrite the first files,
// so saving stops and the user chooses how to go on.
void SnapCompletion::stopIncrementalSaving(const QString &reason)
{
    m_controls.optNoSave->select();
    m_notice.report(reason + QLatin1Char(' ') +
                    QObject::tr("Saving has been switched to \"Don't Save Snaps\"."));
}
