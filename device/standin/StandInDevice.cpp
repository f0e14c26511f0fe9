#include "device/standin/StandInDevice.h"

#include "device/SnapFileWriter.h"

namespace device {

using snappy::DispId;
using snappy::Method;

StandInDevice::StandInDevice(QObject *parent)
    : SnappyDevice(parent)
{
    connect(&m_preview, &PreviewLoop::frameReady, this, [this](const QImage &frame) {
        showPicture(frame);
        emit PictureUpdated();
    });
    connect(&m_snaps, &SnapSequencer::acquiring, this, &StandInDevice::AcquiringData);
    connect(&m_snaps, &SnapSequencer::awaitingProcessing, this, &StandInDevice::ProcessingData);
    connect(&m_snaps, &SnapSequencer::finished, this, [this](const QImage &picture) {
        showPicture(picture);
        emit SnapDone();
    });
}

snappy::Failure StandInDevice::writeProperty(DispId id, const snappy::Value &value)
{
    return m_properties.write(id, value);
}

snappy::Value StandInDevice::readProperty(DispId id)
{
    return m_properties.read(id);
}

snappy::Failure StandInDevice::call(Method method)
{
    switch (method) {
    case Method::StartPreview: m_preview.start(m_properties.previewSettings()); return std::nullopt;
    case Method::StopPreview: m_preview.stop(); return std::nullopt;
    case Method::SaveSnap: return SnapFileWriter::saveSnap(m_properties);
    case Method::ProcessData: m_snaps.processData(); return std::nullopt;
    case Method::Snap: m_snaps.snap(m_properties.captureSettings()); return std::nullopt;
    }
    return QStringLiteral("The device has no method %1").arg(static_cast<int>(method));
}

void StandInDevice::setTimeScale(double factor)
{
    m_snaps.setTimeScale(factor);
}

void StandInDevice::showPicture(const QImage &picture)
{
    m_properties.write(DispId::Picture, picture);
}

} // namespace device
