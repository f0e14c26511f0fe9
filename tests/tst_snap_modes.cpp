#include "TestWindow.h"

#include <QtTest>

namespace {

void choose(TestWindow &t, SnapMode mode)
{
    t.device->clearLog();
    t.chooseMode(mode);
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
        tick(c.tmrDelaySnap);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 59 Seconds"));
        tick(c.tmrDelaySnap, 58);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 1 Seconds"));
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 0);
        tick(c.tmrDelaySnap);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 1);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 1 minutes 0 Seconds"));
        tick(c.tmrDelaySnap, 60);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 2);
    }

    void countdownRestartsOnANewChoiceAndOnReentry()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        tick(c.tmrDelaySnap, 5);
        c.CmbSnapTime->select(3);
        QVERIFY(c.lblNextSnap->text().isEmpty());
        QVERIFY(c.tmrDelaySnap->isActive());
        tick(c.tmrDelaySnap);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 9 minutes 59 Seconds"));

        c.CmbSnapTime->select(11);
        tick(c.tmrDelaySnap);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 23 Hrs 59 minutes 59 Seconds"));

        c.CmbSnapTime->select(0);
        tick(c.tmrDelaySnap, 30);
        choose(t, SnapMode::ColorPreview);
        choose(t, SnapMode::DelayedSnap);
        tick(c.tmrDelaySnap);
        QCOMPARE(c.lblNextSnap->text(), QString("Next Snap in 0 Hrs 0 minutes 59 Seconds"));
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
