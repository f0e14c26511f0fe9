// A time-lapse left running for days, run in moments on a clock the test
// moves: a snap a minute, saved under numbered names. A snap the source
// could not take is not saved and takes no number, so the numbers of a
// series run on without gaps; what an outage leaves is fewer files, not
// missing numbers.

#include "MinuteSeries.h"
#include "ProcessCounts.h"
#include "TallySource.h"
#include "device/CaptureDevice.h"
#include "device/gstreamer/GStreamerDevice.h"

#include <gst/gst.h>

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int MinutesPerDay = 24 * 60;

// Counts what the process holds against what it held at the first look.
class HoldingsWatch {
public:
    QString look()
    {
        if (!m_first) {
            m_first.emplace();
            return {};
        }
        return heldBeyond(*m_first, 20000);
    }

private:
    std::optional<Holdings> m_first;
};

} // namespace

class WeekLongSeriesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }

    // A week with the camera unplugged for an hour twice: exactly those
    // hours' snaps are missing, each file holds the snap its number says,
    // each outage is told once, and what the process holds at the end of
    // each day is what it held after the first.
    void aWeekLosesOnlyTheSnapsOfItsOutages()
    {
        const QList<int> outageStarts{MinutesPerDay + 3 * 60, 5 * MinutesPerDay + 14 * 60 + 30};
        constexpr int OutageMinutes = 60;
        auto tally = std::make_unique<TallySource>();
        TallySource *source = tally.get();
        MinuteSeries series(std::make_unique<device::CaptureDevice>(std::move(tally)));
        int minute = 0;
        QList<int> toldAt;
        connect(&series.window->Snappy1(), &snappy::SnappyDevice::failed, this,
                [&] { toldAt << minute; });

        QList<int> saved;
        QList<int> lost;
        HoldingsWatch watch;
        for (minute = 1; minute <= 7 * MinutesPerDay; ++minute) {
            for (int start : outageStarts) {
                if (minute == start + 1)
                    source->setDown(true);
                if (minute == start + OutageMinutes + 1)
                    source->setDown(false);
            }
            const std::optional<bool> savedNow = series.passMinute();
            QVERIFY2(savedNow, qPrintable(QStringLiteral("minute %1 never ended").arg(minute)));
            (*savedNow ? saved : lost) << minute;
            if (minute % MinutesPerDay == 0) {
                const QString held = watch.look();
                QVERIFY2(
                    held.isEmpty(),
                    qPrintable(QStringLiteral("day %1: %2").arg(minute / MinutesPerDay).arg(held)));
            }
        }

        QList<int> outageMinutes;
        for (int start : outageStarts)
            for (int m = start + 1; m <= start + OutageMinutes; ++m)
                outageMinutes << m;
        QCOMPARE(lost, outageMinutes);
        QCOMPARE(toldAt, QList<int>({outageStarts[0] + 1, outageStarts[1] + 1}));
        const SaveFailureNotice &notice = series.window->saveFailureNotice();
        QCOMPARE(notice.failureCount(), 0);
        QCOMPARE(notice.text(), QString("The capture device failed.\nTally camera is unplugged."));
        const QString unlike =
            series.unlikeTheSeries(saved.size(), [&](int number, const QImage &picture) {
                return picture.pixel(0, 0) == TallySource::colour(saved[number] - 1);
            });
        QVERIFY2(unlike.isEmpty(), qPrintable(unlike));
    }

    // A time-lapse through GStreamer opens and closes the device for each
    // snap: a thousand times leave what the process holds as it was.
    void aThousandSnapsOfTheTestPatternHoldNothingMore()
    {
        auto pattern = std::make_unique<device::gst::GStreamerDevice>(
            device::gst::VideoSource::pipeline(QStringLiteral("videotestsrc is-live=true")),
            QStringLiteral("Test pattern"));
        pattern->setSettleTime(0);
        MinuteSeries series(std::move(pattern));
        QSignalSpy failures(&series.window->Snappy1(), &snappy::SnappyDevice::failed);

        constexpr int Snaps = 1008;
        HoldingsWatch watch;
        for (int minute = 1; minute <= Snaps; ++minute) {
            QVERIFY2(series.passMinute() == true, qPrintable(QString::number(minute)));
            if (minute % (Snaps / 7) == 0) {
                const QString held = watch.look();
                QVERIFY2(held.isEmpty(),
                         qPrintable(QStringLiteral("snap %1: %2").arg(minute).arg(held)));
            }
        }
        QCOMPARE(failures.size(), 0);
        const QString unlike = series.unlikeTheSeries(Snaps);
        QVERIFY2(unlike.isEmpty(), qPrintable(unlike));
    }
};

QTEST_MAIN(WeekLongSeriesTest)
#include "tst_week_long_series.moc"
