#pragma once

// A frame source as cheap as one can be, for series of thousands of snaps:
// each snap is a plain picture of the snap's size whose colour tells how
// many snaps were asked of the source before it, so a saved file shows
// which snap it holds. It goes down when a test says so, as a camera does
// when its cable is pulled: while down, every snap ends without a picture,
// and the first of an outage tells the fault, as every source tells its
// faults.

#include "device/FrameSource.h"

#include <QTimer>

class TallySource : public device::FrameSource {
public:
    // The colour of the snap asked for after `asked` others.
    static QRgb colour(int asked) { return qRgb(asked % 256, asked / 256 % 256, asked / 65536); }

    void setDown(bool down) { m_down = down; }

    QString name() const override { return QStringLiteral("Tally camera"); }
    void startPreview(const device::PreviewSettings &) override {}
    void stopPreview() override {}
    void expose(const device::CaptureSettings &settings) override
    {
        QImage picture = m_down ? QImage() : QImage(settings.size(), QImage::Format_RGB32);
        picture.fill(colour(m_asked++));
        QTimer::singleShot(0, this, [this, picture] {
            if (picture.isNull() && !m_failing)
                emit failed(name() + QStringLiteral(" is unplugged."));
            m_failing = picture.isNull();
            emit exposed(picture);
        });
    }

private:
    int m_asked = 0;
    bool m_down = false;
    bool m_failing = false;
};
