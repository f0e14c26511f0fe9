#include "window/SnapCompletion.h"

#include "window/SnapModeController.h"

#include <QFileInfo>
#include <limits>

using snappy::Boolean;
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
    const QImage picture = m_device.picture();
    m_controls.imgDisplay->setPicture(picture);
    m_controls.imgDisplay->setAccessibleDescription(
        picture.isNull()
            ? QStringLiteral("The last snap failed")
            : QStringLiteral("Last snap, %1 x %2")
                  .arg(QString::number(picture.width()), QString::number(picture.height())));
    // A snap the device could not take ends without a picture: the device
    // has said why, and saving would only add a failure of its own.
    if (isTrue(m_state.bSaveFile) && !picture.isNull())
        saveSnap();

    if (isTrue(m_state.bRapidSnap))
        m_starter.SnapSettings();
    else if (!m_controls.tmrDelaySnap->isActive())
        m_controls.cmbSnapMode->select(static_cast<int>(SnapMode::Off));
}

void SnapCompletion::Snappy1_PictureUpdated()
{
    PictureBox *display = m_controls.imgDisplay;
    display->setPicture(m_device.picture());
    // Screen readers hear of the preview once, not of every frame.
    const QString live = QStringLiteral("live preview");
    if (display->accessibleDescription() != live)
        display->setAccessibleDescription(live);
}

void SnapCompletion::saveSnap()
{
    if (const QString failure = makeDefaultFolder(m_state); !failure.isEmpty()) {
        m_notice.report(
            QObject::tr("Could not create the folder %1: %2").arg(m_state.sCurrentpath, failure));
        return;
    }
    const bool incremental = isTrue(m_state.bFileIncrement);
    if (incremental && !skipToFreeNumber(false))
        return;

    m_device.writeProperty(DispId::SaveFileName, snapFileName(m_state));
    m_device.writeProperty(DispId::SaveFileType, m_state.sFileType);
    m_device.writeProperty(DispId::SaveNoReplace, incremental ? Boolean::True : Boolean::False);
    m_controls.imgTemp->setPicture(m_controls.imgDisplay->picture());
    m_device.writeProperty(DispId::Picture, m_controls.imgTemp->picture());
    snappy::Failure failure = m_device.call(Method::SaveSnap);
    // Another program may take the number between the look above and the
    // save; the snap then goes under the next free number.
    while (failure && incremental && nameTaken()) {
        if (!skipToFreeNumber(true))
            return;
        m_device.writeProperty(DispId::SaveFileName, snapFileName(m_state));
        failure = m_device.call(Method::SaveSnap);
    }
    if (failure) {
        m_notice.report(*failure);
        return;
    }
    m_notice.reportSaved();
    m_controls.lblPath->setText(snapFileName(m_state));
    if (incremental)
        advanceImageNumber();
}

bool SnapCompletion::nameTaken()
{
    const snappy::Value taken = m_device.readProperty(DispId::SaveNameTaken);
    const auto *flag = std::get_if<Boolean>(&taken);
    return flag && *flag == Boolean::True;
}

// An incremental run started again in a folder it already wrote to must not
// overwrite what the earlier run saved. A link under a name takes it even
// when it leads nowhere.
bool SnapCompletion::skipToFreeNumber(bool currentTaken)
{
    auto taken = [this] {
        const QFileInfo file(snapFileName(m_state));
        return file.exists() || file.isSymLink();
    };
    while (currentTaken || taken()) {
        currentTaken = false;
        if (m_state.iCurrentImageNumber == LastImageNumber) {
            m_notice.report(QObject::tr("Every image number up to %1 is taken in %2.")
                                .arg(QString::number(LastImageNumber), m_state.sCurrentpath) +
                            QLatin1Char(' ') + stopIncrementalSaving());
            return false;
        }
        ++m_state.iCurrentImageNumber;
    }
    return true;
}

void SnapCompletion::advanceImageNumber()
{
    if (m_state.iCurrentImageNumber == LastImageNumber) {
        m_notice.reportSavingStopped(
            QObject::tr("The image number has reached %1, the highest there is.")
                .arg(LastImageNumber) +
            QLatin1Char(' ') + stopIncrementalSaving());
        return;
    }
    ++m_state.iCurrentImageNumber;
}

// Past the last number the counter would wrap and overwrite the first files,
// so saving stops and the user chooses how to go on.
QString SnapCompletion::stopIncrementalSaving()
{
    m_controls.optNoSave->select();
    return QObject::tr("Saving has been switched to \"Don't Save Snaps\".");
}
