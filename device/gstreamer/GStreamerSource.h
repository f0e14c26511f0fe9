#pragma once

// Frames from a real video device through GStreamer. A snap averages as many
// consecutive frames as its method asks, so its acquisition takes real time.
// The device is open only while it is used: a preview, a snap, or the short
// pause between rapid snaps; then other programs may have it. A device that
// is missing, busy, unplugged or silent ends the snap without a picture and
// is reported once; the next snap or preview tries it again.

#include "device/FrameSource.h"
#include "device/gstreamer/VideoPipeline.h"

#include <QTimer>

#include <optional>
#include <vector>

namespace device::gst {

class GStreamerSource : public FrameSource {
    Q_OBJECT
public:
    // How long an open device may go without a frame before it counts as lost.
    static constexpr int defaultFrameTimeoutMs = 3000;
    // How long the device stays open after a snap, for the next one.
    static constexpr int keepOpenMs = 2000;
    // The preview shows at most this many frames a second.
    static constexpr int previewRate = 30;

    // `pipelineSource` as for VideoPipeline; `name` is what the user sees.
    GStreamerSource(const QString &pipelineSource, const QString &name);

    QString name() const override { return m_name; }
    void startPreview(const PreviewSettings &settings) override;
    void stopPreview() override;
    void expose(const CaptureSettings &settings) override;

    void setFrameTimeout(int milliseconds) { m_watchdog.setInterval(milliseconds); }

private:
    void showPreview();
    void beginExposure();
    bool openFor(QSize size, SourceKind input);
    void frameArrived(const QImage &frame);
    void addToExposure(const QImage &frame);
    void finishExposure();
    void fault(const QString &reason);
    void releaseWhenIdle();

    QString m_name;
    VideoPipeline m_pipeline;
    QTimer m_watchdog;
    QTimer m_keepOpen;
    bool m_faultReported = false;

    std::optional<PreviewSettings> m_preview;

    std::optional<CaptureSettings> m_exposure;
    bool m_acquiring = false;
    int m_framesWanted = 0;
    int m_framesTaken = 0;
    QSize m_exposureFrameSize;
    std::vector<quint16> m_sums;
};

} // namespace device::gst
