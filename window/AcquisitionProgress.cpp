#include "window/AcquisitionProgress.h"

namespace {
constexpr float EmptyBar = 0.0f;
constexpr float FullBar = 100.0f;
constexpr float LastStep = 99.0f;
} // namespace

AcquisitionProgress::AcquisitionProgress(CaptureControls &controls, snappy::SnappyDevice &device)
    : m_controls(controls)
    , m_device(device)
{
}

void AcquisitionProgress::startAcquisition()
{
    m_controls.lblProgressBar->setText(status::AcquiringData);
    m_controls.prgBar->setProgressValue(EmptyBar);
    m_controls.tmrprogressbaraquire->start();
}

void AcquisitionProgress::completeAcquisition()
{
    m_controls.lblProgressBar->setText(status::Waiting);
    m_controls.prgBar->setProgressValue(FullBar);
}

void AcquisitionProgress::tmrprogressbaraquire_Timer()
{
    const float value = m_controls.prgBar->progressValue();
    if (value >= LastStep) {
        m_controls.tmrprogressbaraquire->stop();
        m_controls.prgBar->setProgressValue(EmptyBar);
    } else {
        m_controls.prgBar->setProgressValue(value + 1.0f);
    }
}

void AcquisitionProgress::Snappy1_AcquiringData()
{
    m_controls.lblProgressBar->setText(status::AcquiringData);
}

void AcquisitionProgress::Snappy1_ProcessingData()
{
    m_controls.lblProgressBar->setText(status::ProcessingData);
    ProcessSnap();
}

void AcquisitionProgress::ProcessSnap()
{
    m_device.call(snappy::Method::ProcessData);
}
