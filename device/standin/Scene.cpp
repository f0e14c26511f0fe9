#include "device/standin/Scene.h"

#include "device/Resampler.h"
#include "device/standin/SevenSegment.h"
#include "device/standin/TapeArtifacts.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace device {

namespace {

constexpr int ballRadius = 34;
constexpr int digitHeight = 44;
const QTime recordingStart{14, 3, 0};

// Where the ball is `ms` into its flight: it swings from side to side and
// bounces on the bottom of the colour bars.
QPointF ballCentre(qint64 ms)
{
    const QRect area = TestCard::barsArea;
    const double t = double(ms % 3'600'000);
    const double sway = std::sin(2 * std::numbers::pi * t / 5300.0);
    const double bounce = std::abs(std::sin(std::numbers::pi * t / 1700.0));
    const double x = area.center().x() + sway * (area.width() / 2.0 - ballRadius - 8);
    const double y = area.bottom() - ballRadius - bounce * (area.height() - 2 * ballRadius - 16);
    return {x, y};
}

void paintBall(QPainter &p, QPointF centre)
{
    QRadialGradient shade(centre + QPointF(-ballRadius / 3.0, -ballRadius / 3.0), ballRadius * 1.3);
    shade.setColorAt(0, QColor(255, 236, 200));
    shade.setColorAt(0.35, QColor(250, 140, 30));
    shade.setColorAt(1, QColor(120, 40, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(centre, ballRadius, ballRadius);
}

void paintClock(QPainter &p, const QTime &time, bool recorded)
{
    const QString text = time.toString(QStringLiteral("HH:mm:ss.z")).left(10);
    const QRect box(214, 22, 340, digitHeight + 24);
    p.fillRect(box, QColor(8, 8, 8));
    SevenSegment::draw(p, box.topLeft() + QPoint(52, 12), text, digitHeight,
                       recorded ? QColor(120, 230, 120) : QColor(255, 255, 255));
    // A red dot for a live camera, a play triangle for the tape.
    p.setPen(Qt::NoPen);
    const QPointF mark = box.topLeft() + QPointF(26, box.height() / 2.0);
    if (recorded) {
        p.setBrush(QColor(120, 230, 120));
        const QPointF triangle[3] = {mark + QPointF(-10, -12), mark + QPointF(-10, 12),
                                     mark + QPointF(12, 0)};
        p.drawPolygon(triangle, 3);
    } else {
        p.setBrush(QColor(230, 20, 20));
        p.drawEllipse(mark, 11, 11);
    }
}

} // namespace

const QImage &Scene::card(bool recorded, QSize size) const
{
    QImage &full = recorded ? m_recordedCard : m_card;
    if (full.isNull())
        full = recorded ? TestCard::paintRecorded(card(false, TestCard::size)) : TestCard::paint();
    if (size == TestCard::size)
        return full;
    QImage &scaled = recorded ? m_scaledRecordedCard : m_scaledCard;
    if (scaled.size() != size)
        scaled = Resampler::scale(full, size, ScaleQuality::High);
    return scaled;
}

QImage Scene::render(SourceKind source, const QDateTime &moment, QSize size) const
{
    const bool recorded = source == SourceKind::Tape;
    QImage frame = card(recorded, size).copy();
    const qint64 now = moment.toMSecsSinceEpoch();
    const qint64 sceneMs = recorded ? now % tapeLoopMs : now;
    const QTime shown = recorded ? recordingStart.addMSecs(int(sceneMs)) : moment.time();
    {
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(size.width()) / TestCard::size.width(),
                double(size.height()) / TestCard::size.height());
        paintClock(p, shown, recorded);
        paintBall(p, ballCentre(sceneMs));
    }
    if (recorded)
        TapeArtifacts::apply(frame, sceneMs / frameMs);
    return frame;
}

} // namespace device
