#pragma once

// Frames from a real video device through GStreamer. A snap averages as many
// consecutive frames as its method asks, so its acquisition takes real time.
// The device is open only while it is used: a preview, a snap, or the short
// pause between rapid snaps; then other programs may have it. A device that
// is missing, busy, unplugged, without a signal or silent ends the snap
// without a picture and is reported once; the next snap or preview tries it
// again.

#include "device/FrameSource.h"
#include "device/gstreamer/FrameWatchdog.h"
#include "device/gstreamer/VideoPipeline.h"

#include <QDeadlineTimer>
#include <QTimer>

#include <optional>
#include <vector>

namespace device::gst {

class GStreamerSource : public FrameSource {
    Q_OBJECT
public:
    // How long an open device may go without a usable frame before it
    // counts as lost.
    static constexpr int defaultFrameTimeoutMs = 3000;
    // Cameras deliver dark or miscoloured frames while their exposure and
    // white balance settle after streaming starts; most have settled within
    // a second. Snaps take no frame of that time.
    static constexpr int defaultSettleMs = 1000;
    // How long the device stays open after a snap, for the next one.
    static constexpr int keepOpenMs = 2000;
    // The preview shows at most this many frames a second.
    static constexpr int previewRate = 30;

    GStreamerSource(VideoSource source, const QString &name);

    QString name() const override { return m_name; }
    void startPreview(const PreviewSettings &settings) override;
    void stopPreview() override;
    void expose(const CaptureSettings &settings) override;

    void setFrameTimeout(int milliseconds) { m_frameTimeoutMs = milliseconds; }
    void setSettleTime(int milliseconds) { m_settleMs = milliseconds; }

private:
    void showPreview();
    void beginExposure();
    void opened(bool afresh);
    void frameArrived(const QImage &frame);
    bool addToExposure(const QImage &frame);
    void finishExposure();
    void brokeDown(const PipelineFault &fault);
    void fault(const QString &reason);
    void releaseWhenIdle();

    QString m_name;
    VideoPipeline m_pipeline;
    int m_frameTimeoutMs = defaultFrameTimeoutMs;
    int m_settleMs = defaultSettleMs;
    FrameWatchdog m_watchdog;
    QTimer m_keepOpen;
    QDeadlineTimer m_settled;
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
