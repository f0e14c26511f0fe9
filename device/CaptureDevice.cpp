#include "device/CaptureDevice.h"

#include "device/SnapFileWriter.h"

namespace device {

using snappy::DispId;
using snappy::Method;

CaptureDevice::CaptureDevice(std::unique_ptr<FrameSource> source, QObject *parent)
    : SnappyDevice(parent)
    , m_source(std::move(source))
{
    connect(m_source.get(), &FrameSource::previewFrame, this, [this](const QImage &frame) {
        showPicture(frame);
        emit PictureUpdated();
    });
    connect(m_source.get(), &FrameSource::failed, this, &CaptureDevice::failed);
    connect(&m_snaps, &SnapSequencer::acquiring, this, &CaptureDevice::AcquiringData);
    connect(&m_snaps, &SnapSequencer::awaitingProcessing, this, &CaptureDevice::ProcessingData);
    connect(&m_snaps, &SnapSequencer::finished, this, [this](const QImage &picture) {
        showPicture(picture);
        emit SnapDone();
    });
}

snappy::Failure CaptureDevice::writeProperty(DispId id, const snappy::Value &value)
{
    return m_properties.write(id, value);
}

snappy::Value CaptureDevice::readProperty(DispId id)
{
    return m_properties.read(id);
}

snappy::Failure CaptureDevice::call(Method method)
{
    switch (method) {
    case Method::StartPreview:
        m_source->startPreview(m_properties.previewSettings());
        return std::nullopt;
    case Method::StopPreview: m_source->stopPreview(); return std::nullopt;
    case Method::SaveSnap: return SnapFileWriter::saveSnap(m_properties, m_reserve);
    case Method::ProcessData: m_snaps.processData(); return std::nullopt;
    case Method::Snap: m_snaps.snap(m_properties.captureSettings()); return std::nullopt;
    }
    return QStringLiteral("The device has no method %1").arg(static_cast<int>(method));
}

QString CaptureDevice::deviceName() const
{
    return m_source->name();
}

void CaptureDevice::showPicture(const QImage &picture)
{
    m_properties.write(DispId::Picture, picture);
}

} // namespace device
