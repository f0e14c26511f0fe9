// The program snapping as a user runs it, saving under numbered names whose
// series has no gaps and overwrites nothing. A time-lapse left running for
// days runs in moments on a clock the test moves, a snap a minute. A snap
// the source could not take is not saved and takes no number: what an
// outage leaves is fewer files, not missing numbers.

#include "DataColumns.h"
#include "InstantStandIn.h"
#include "MinuteSeries.h"
#include "ModalDialog.h"
#include "ProcessCounts.h"
#include "TallySource.h"
#include "device/CaptureDevice.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "dialogs/frmPath.h"

#include <QtTest>

class SnappingEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    // A week of the tally camera, unplugged for an hour twice: exactly those
    // hours' snaps are missing, each file holds the snap its number says and
    // the user is told why. A thousand snaps through GStreamer, which
    // opens and closes the device for each. What the process holds at the
    // end is what it held after the first seventh of the run.
    void aSeriesLosesOnlyTheSnapsOfItsOutages_data()
    {
        addColumns<bool, int, QList<int>>({"tally", "minutes", "outageStarts"});
        const int day = 24 * 60;
        QTest::newRow("a week of the tally camera")
            << true << 7 * day << QList{day + 3 * 60, 5 * day + 14 * 60 + 30};
        QTest::newRow("a thousand snaps of the test pattern") << false << 1008 << QList<int>{};
    }
    void aSeriesLosesOnlyTheSnapsOfItsOutages()
    {
        const auto [tally, minutes, outageStarts] = fetchRow<bool, int, QList<int>>();
        auto tallied = std::make_unique<TallySource>();
        TallySource &source = *tallied;
        auto pattern = device::gst::GStreamerDevice::testPattern();
        pattern->setSettleTime(0);
        MinuteSeries series(tally ? std::make_unique<device::CaptureDevice>(std::move(tallied))
                                  : std::unique_ptr<snappy::SnappyDevice>(std::move(pattern)));
        QList<int> saved;
        std::optional<Holdings> first;
        for (int minute = 1; minute <= minutes; ++minute) {
            const bool down = std::ranges::any_of(
                outageStarts, [&](int start) { return minute > start && minute <= start + 60; });
            source.setDown(down);
            const std::optional<bool> savedNow = series.passMinute();
            QVERIFY2(savedNow == !down, qPrintable(QString::number(minute)));
            if (*savedNow)
                saved << minute;
            if (minute == minutes / 7)
                first.emplace();
        }
        QCOMPARE(heldBeyond(*first, 20000), QString());
        // Any snap not saved would be counted in the notice's text.
        QCOMPARE(series.window->saveFailureNotice().text(),
                 QString(tally ? "The capture device failed.\nTally camera is unplugged." : ""));
        // The row's `tally` is copied in: a structured binding cannot be
        // captured by every compiler the program is built with.
        const auto holdsItsMinute = [&, tally = tally](int number, const QImage &picture) {
            return !tally || picture.pixel(0, 0) == TallySource::colour(saved[number] - 1);
        };
        QCOMPARE(series.unlikeTheSeries(saved.size(), holdsItsMinute), QString());
    }

    // The path dialog works on the values read when it opened, and its OK
    // writes them back while rapid snapping goes on: the number goes back to
    // the one read then, and the next snaps skip the names taken meanwhile,
    // so none is overwritten and the series has no gaps.
    void okInThePathDialogWhileSnappingRapidlyOverwritesNothing()
    {
        MinuteSeries series(instantStandIn());
        const CaptureControls &c = series.window->controls();
        const CaptureState &state = series.window->state();
        c.cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
        QList<QImage> savedBeforeOk;
        QVERIFY(clickAndAnswer<frmPath>(c.cmdFileInfo, [&](frmPath &dialog) {
            const qint32 opened = dialog.fields.iNewImageNumber;
            QTRY_VERIFY(state.iCurrentImageNumber >= opened + 3);
            for (int number = 0; number < state.iCurrentImageNumber; ++number)
                savedBeforeOk << QImage(series.fileName(number));
            dialog.ok->click();
            QCOMPARE(state.iCurrentImageNumber, opened);
        }));

        QTRY_VERIFY_WITH_TIMEOUT(state.iCurrentImageNumber >= savedBeforeOk.size() + 4, 20000);
        c.cmbSnapMode->select(static_cast<int>(SnapMode::Off));
        QTRY_COMPARE(c.lblProgressBar->text(), QString("Waiting"));
        const auto keptFromBeforeOk = [&](int number, const QImage &picture) {
            return number >= savedBeforeOk.size() || picture == savedBeforeOk[number];
        };
        QCOMPARE(series.unlikeTheSeries(state.iCurrentImageNumber, keptFromBeforeOk), QString());
        QCOMPARE(series.window->saveFailureNotice().failureCount(), 0);
    }
};

QTEST_MAIN(SnappingEndToEndTest)
#include "tst_snapping_end_to_end.moc"
