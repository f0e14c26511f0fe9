#include "TestWindow.h"

#include <QtTest>

namespace {

void choose(TestWindow &t, SnapMode mode)
{
    t.device->clearLog();
    t.chooseMode(mode);
}

// How far the clock moves before each tick, in milliseconds.
QList<int> seconds(int count)
{
    return QList<int>(count, 1000);
}

QList<int> repeated(const QList<int> &steps, int times)
{
    QList<int> all;
    for (int time = 0; time < times; ++time)
        all += steps;
    return all;
}

// The due times of a series, in milliseconds after the interval was chosen.
QList<int> every(int interval, int count)
{
    QList<int> due;
    for (int snap = 1; snap <= count; ++snap)
        due << snap * interval;
    return due;
}

} // namespace

class SnapModesTest : public QObject {
    Q_OBJECT

private slots:
    // Each mode chosen after Delayed Snap: what it sends the device, whether
    // it snaps rapidly, and that only Delayed Snap keeps the countdown.
    void modesSendTheirDeviceSequences_data()
    {
        QTest::addColumn<SnapMode>("mode");
        QTest::addColumn<QStringList>("log");
        const auto preview = [](const char *color) {
            return QStringList{"call StopPreview", QString("write PreviewColor int16 ") + color,
                               "call StartPreview"};
        };
        QTest::newRow("Off") << SnapMode::Off << QStringList{"call StopPreview"};
        QTest::newRow("B/W") << SnapMode::BlackAndWhitePreview << preview("0");
        QTest::newRow("colour") << SnapMode::ColorPreview << preview("1");
        QTest::newRow("single") << SnapMode::SingleSnap
                                << QStringList{"call StopPreview"} + StartupSettings;
        QTest::newRow("rapid") << SnapMode::RapidSnap << StartupSettings;
        QTest::newRow("delayed") << SnapMode::DelayedSnap << QStringList{};
    }
    void modesSendTheirDeviceSequences()
    {
        QFETCH(SnapMode, mode);
        QFETCH(QStringList, log);
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        choose(t, mode);
        QCOMPARE(t.device->log(), log);
        QCOMPARE(t.state().bRapidSnap, mode == SnapMode::RapidSnap ? FlagTrue : FlagFalse);
        const bool delayed = mode == SnapMode::DelayedSnap;
        QCOMPARE(c.Frame12->isEnabled() && c.CmbSnapTime->isEnabled(), delayed);
        QCOMPARE(c.Frame12->isEnabled() || c.CmbSnapTime->isEnabled(), delayed);
        QCOMPARE(c.tmrDelaySnap->isActive(), delayed);
        QCOMPARE(c.lblNextSnap->isHidden(), !delayed);
    }

    void snapSettingsReadTheControlsAtEachRun()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        c.cmbSource->select(3);
        c.cmbColor->select(0);
        c.CmbSize->select(3);
        c.chkOptimized->setChecked(false);
        c.chkVidOut->setChecked(true);
        c.chkNegative->setChecked(true);
        c.sldBlue->setValue(-50);
        c.sldTint->setValue(50);
        c.sldGamma->setValue(-2);
        choose(t, SnapMode::RapidSnap);
        QCOMPARE(
            t.device->log(),
            QStringList({"write LiveSource False", "write ColorSource False",
                         "write ColorDepth int16 4", "write SnapWidth int16 800",
                         "write OptimizedPalette int16 0", "write ProcessFilter int16 2",
                         "write SnapMethod int16 1", "write VideoOut int16 1",
                         "write Blue int32 50", "write Bright int32 0", "write Contrast int32 0",
                         "write Gamma int32 2", "write Green int32 0", "write Red int32 0",
                         "write Saturation int32 0", "write Sharpness int32 0",
                         "write Tint int32 -50", "write Negative int16 1", "call Snap"}));
    }

    void listsWithoutSelectionSendNothingOrMinusOne()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        for (DropDownList *list :
             {c.cmbSource, c.cmbColor, c.CmbSize, c.cmbProcessFilter, c.cmbSnapMethod})
            list->setCurrentIndex(-1);
        choose(t, SnapMode::RapidSnap);
        const QStringList writes = t.device->entries("write");
        QCOMPARE(writes.mid(0, 4),
                 QStringList({"write OptimizedPalette int16 1", "write ProcessFilter int16 -1",
                              "write SnapMethod int16 -1", "write VideoOut int16 0"}));
        QCOMPARE(writes.size(), StartupSettings.size() - 1 - 4);
    }

    void countdownSnapsEveryIntervalAndNeverShowsZero()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        QVERIFY(c.lblNextSnap->text().isEmpty());
        t.passSeconds(1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 59 Seconds"));
        t.passSeconds(58);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 1 Seconds"));
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 0);
        t.passSeconds(1);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 1 minutes 0 Seconds"));
        t.passSeconds(60);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 2);
    }

    // Snaps fall due on the clock at whole intervals after the choice,
    // however the ticks come: late, early, twice in a second or after a
    // stall. A stall past a due time snaps once, at once, and the series
    // keeps its due times; the count shown is the true time left.
    void snapsFallDueOnTheClock_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QList<int>>("snapsAt");
        QTest::addColumn<QString>("label");
        // Ticked only in the second before each due time and at it.
        QTest::newRow("a day, every minute")
            << 0 << repeated({59000, 1000}, 1440) << every(60000, 1440) << "0 Hrs 1 minutes 0";
        QTest::newRow("ticks late")
            << 0 << QList{1300} + seconds(125) << QList{60300, 120300} << "0 Hrs 0 minutes 54";
        QTest::newRow("ticks early")
            << 0 << QList{700} + seconds(125) << QList{59700, 119700} << "0 Hrs 0 minutes 54";
        QTest::newRow("two ticks in a second")
            << 0 << seconds(30) + QList{0} + seconds(30) << QList{60000} << "0 Hrs 1 minutes 0";
        QTest::newRow("stall within an interval") << 0 << seconds(20) + QList{7000} + seconds(100)
                                                  << QList{60000, 120000} << "0 Hrs 0 minutes 53";
        QTest::newRow("stall past a due time") << 0 << seconds(50) + QList{75000} + seconds(62)
                                               << QList{125000, 180000} << "0 Hrs 0 minutes 53";
        QTest::newRow("stall over many intervals")
            << 2 << seconds(10) + QList{3605000} + seconds(290) << QList{3615000, 3900000}
            << "0 Hrs 4 minutes 55";
        QTest::newRow("stall in a day-long interval")
            << 11 << seconds(5) + QList{10920000} << QList<int>{} << "20 Hrs 57 minutes 55";
    }
    void snapsFallDueOnTheClock()
    {
        QFETCH(int, entry);
        QFETCH(QList<int>, steps);
        QFETCH(QList<int>, snapsAt);
        QFETCH(QString, label);
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        c.CmbSnapTime->select(entry);
        const auto chosen = t.clock.now;
        QList<int> snapped;
        for (int step : steps) {
            t.clock.advance(std::chrono::milliseconds(step));
            t.device->clearLog();
            tick(c.tmrDelaySnap);
            const auto since =
                std::chrono::duration_cast<std::chrono::milliseconds>(t.clock.now - chosen);
            for (int snap = 0; snap < t.device->callCount(snappy::Method::Snap); ++snap)
                snapped << static_cast<int>(since.count());
            QVERIFY(t.state().iCountDown >= 1 && t.state().iCountDown <= t.state().iSnapTime);
        }
        QCOMPARE(snapped, snapsAt);
        QCOMPARE(c.lblNextSnap->text(), "Next Snap in " + label + " Seconds");
    }

    void countdownRestartsOnANewChoiceAndOnReentry()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        t.passSeconds(5);
        // Ticks go on a second after the new choice, not in the old rhythm.
        QTRY_VERIFY(c.tmrDelaySnap->remainingTime() < 800);
        c.CmbSnapTime->select(3);
        QVERIFY(c.lblNextSnap->text().isEmpty());
        QVERIFY(c.tmrDelaySnap->isActive());
        QVERIFY(c.tmrDelaySnap->remainingTime() > 800);
        t.passSeconds(1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 9 minutes 59 Seconds"));

        c.CmbSnapTime->select(11);
        t.passSeconds(1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 23 Hrs 59 minutes 59 Seconds"));

        c.CmbSnapTime->select(0);
        t.passSeconds(30);
        choose(t, SnapMode::ColorPreview);
        t.clock.advance(std::chrono::minutes(5));
        choose(t, SnapMode::DelayedSnap);
        t.passSeconds(1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 59 Seconds"));
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 0);
    }

    void progressClimbsStopsAndEmpties()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::SingleSnap);
        QCOMPARE(c.lblProgressBar->text(), QString("Aquiring Data"));
        QVERIFY(c.tmrprogressbaraquire->isActive());
        tick(c.tmrprogressbaraquire, 3);
        QCOMPARE(c.prgBar->progressValue(), 3.0f);

        t.device->raiseProcessingData();
        QCOMPARE(c.lblProgressBar->text(), QString("Processing Data"));
        QCOMPARE(t.device->log().last(), QString("call ProcessData"));
        t.device->raiseAcquiringData();
        QCOMPARE(c.lblProgressBar->text(), QString("Aquiring Data"));
        QCOMPARE(c.prgBar->progressValue(), 3.0f);

        tick(c.tmrprogressbaraquire, 96);
        QCOMPARE(c.prgBar->progressValue(), 99.0f);
        tick(c.tmrprogressbaraquire);
        QCOMPARE(c.prgBar->progressValue(), 0.0f);
        QVERIFY(!c.tmrprogressbaraquire->isActive());

        // A finished snap fills the bar until the next tick empties it.
        choose(t, SnapMode::SingleSnap);
        tick(c.tmrprogressbaraquire, 10);
        t.device->raiseSnapDone();
        QCOMPARE(c.lblProgressBar->text(), QString("Waiting"));
        QCOMPARE(c.prgBar->progressValue(), 100.0f);
        tick(c.tmrprogressbaraquire);
        QCOMPARE(c.prgBar->progressValue(), 0.0f);
        QVERIFY(!c.tmrprogressbaraquire->isActive());
    }
};

QTEST_MAIN(SnapModesTest)
#include "tst_snap_modes.moc"
