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

// One step of a delayed-snap run: the clock moves by `value` ms and the timer
// ticks, another interval entry is chosen, or a preview is chosen, the clock
// moves by `value` ms and Delayed Snap is chosen again.
struct Step {
    enum Kind { Tick, Choose, Leave } kind;
    int value;
};

QList<Step> ticks(const QList<int> &steps)
{
    QList<Step> all;
    for (int step : steps)
        all << Step{Step::Tick, step};
    return all;
}

// What a test does to the controls before a snap.
using ControlSetup = std::function<void(const CaptureControls &)>;

// What a snap sends with the start-up controls, where each property named
// with a value takes it, and each named alone is not written.
QStringList startupWith(const QStringList &changes)
{
    QStringList log;
    for (const QString &entry : StartupSettings) {
        const QString property = entry.section(' ', 1, 1);
        const auto change = std::find_if(changes.cbegin(), changes.cend(), [&](const QString &c) {
            return c.section(' ', 0, 0) == property;
        });
        if (change == changes.cend())
            log << entry;
        else if (change->contains(' '))
            log << "write " + *change;
    }
    return log;
}

void changeEveryControl(const CaptureControls &c)
{
    c.cmbSource->select(3);
    c.cmbColor->select(0);
    c.CmbSize->select(3);
    c.cmbSnapMethod->select(2);
    c.cmbProcessFilter->select(0);
    c.chkOptimized->setChecked(false);
    c.chkVidOut->setChecked(true);
    c.chkNegative->setChecked(true);
    c.sldBlue->setValue(-50);
    c.sldTint->setValue(50);
    c.sldGamma->setValue(-2);
}

void unselectEveryList(const CaptureControls &c)
{
    for (DropDownList *list :
         {c.cmbSource, c.cmbColor, c.CmbSize, c.cmbProcessFilter, c.cmbSnapMethod})
        list->setCurrentIndex(-1);
}

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(ControlSetup)

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
        QCOMPARE(withWritesSorted(t.device->log()), withWritesSorted(log));
        QCOMPARE(t.state().bRapidSnap, mode == SnapMode::RapidSnap ? FlagTrue : FlagFalse);
        const bool delayed = mode == SnapMode::DelayedSnap;
        QCOMPARE(c.Frame12->isEnabled() && c.CmbSnapTime->isEnabled(), delayed);
        QCOMPARE(c.Frame12->isEnabled() || c.CmbSnapTime->isEnabled(), delayed);
        QCOMPARE(c.tmrDelaySnap->isActive(), delayed);
        QCOMPARE(c.lblNextSnap->isHidden(), !delayed);
    }

    // Each snap reads the controls as they are then; a list without a
    // selection sends nothing, or -1 where the device takes that.
    void snapSettingsReadTheControlsAtEachRun_data()
    {
        QTest::addColumn<ControlSetup>("setup");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("start-up") << ControlSetup() << StartupSettings;
        QTest::newRow("every control changed")
            << ControlSetup(changeEveryControl)
            << startupWith({"LiveSource False", "ColorSource False", "ColorDepth int16 4",
                            "SnapWidth int16 800", "SnapMethod int16 2", "ProcessFilter int16 0",
                            "OptimizedPalette int16 0", "VideoOut int16 1", "Negative int16 1",
                            "Blue int32 50", "Tint int32 -50", "Gamma int32 2"});
        QTest::newRow("lists without selection")
            << ControlSetup(unselectEveryList)
            << startupWith({"LiveSource", "ColorSource", "ColorDepth", "SnapWidth",
                            "ProcessFilter int16 -1", "SnapMethod int16 -1"});
    }
    void snapSettingsReadTheControlsAtEachRun()
    {
        QFETCH(ControlSetup, setup);
        QFETCH(QStringList, log);
        TestWindow t;
        choose(t, SnapMode::SingleSnap);
        if (setup)
            setup(t.controls());
        choose(t, SnapMode::RapidSnap);
        QCOMPARE(withWritesSorted(t.device->log()), withWritesSorted(log));
    }

    // Snaps fall due on the clock at whole intervals after the choice,
    // however the ticks come: late, early, twice in a second or after a
    // stall. A stall past a due time snaps once, at once, and the series
    // keeps its due times; the count shown is the true time left, never 0.
    // A new choice, or leaving Delayed Snap and coming back, counts afresh.
    void countdown_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QList<int>>("snapsAt");
        QTest::addColumn<QString>("label");
        const auto row = [](const char *tag, int entry, const QList<Step> &steps,
                            const QList<int> &snapsAt, const QString &label) {
            QTest::newRow(tag) << entry << steps << snapsAt
                               << (label.isEmpty() ? label : "Next Snap in " + label + " Seconds");
        };
        // A day of minutes, ticked only in the second before each due time
        // and at it, and its due times after Delayed Snap was chosen.
        QList<int> dayOfTicks, dayOfSnaps;
        for (int minute = 1; minute <= 1440; ++minute) {
            dayOfTicks << 59000 << 1000;
            dayOfSnaps << minute * 60000;
        }
        row("just chosen", 0, {}, {}, "");
        row("a second in", 0, ticks(seconds(1)), {}, "0 Hrs 0 minutes 59");
        row("a second to go", 0, ticks(seconds(59)), {}, "0 Hrs 0 minutes 1");
        row("a day, every minute", 0, ticks(dayOfTicks), dayOfSnaps, "0 Hrs 1 minutes 0");
        row("ticks late", 0, ticks(QList{1300} + seconds(125)), {60300, 120300},
            "0 Hrs 0 minutes 54");
        row("ticks early", 0, ticks(QList{700} + seconds(125)), {59700, 119700},
            "0 Hrs 0 minutes 54");
        row("two ticks in a second", 0, ticks(seconds(30) + QList{0} + seconds(30)), {60000},
            "0 Hrs 1 minutes 0");
        row("stall within an interval", 0, ticks(seconds(20) + QList{7000} + seconds(100)),
            {60000, 120000}, "0 Hrs 0 minutes 53");
        row("stall past a due time", 0, ticks(seconds(50) + QList{75000} + seconds(62)),
            {125000, 180000}, "0 Hrs 0 minutes 53");
        row("stall over many intervals", 2, ticks(seconds(10) + QList{3605000} + seconds(290)),
            {3615000, 3900000}, "0 Hrs 4 minutes 55");
        row("stall in a day-long interval", 11, ticks(seconds(5) + QList{10920000}), {},
            "20 Hrs 57 minutes 55");
        row("another interval", 0, ticks(seconds(5)) + QList{Step{Step::Choose, 3}} + ticks({1000}),
            {}, "0 Hrs 9 minutes 59");
        row("a day-long interval", 3,
            ticks(seconds(5)) + QList{Step{Step::Choose, 11}} + ticks({1000}), {},
            "23 Hrs 59 minutes 59");
        row("left and chosen again", 0,
            ticks(seconds(30)) + QList{Step{Step::Leave, 300000}} + ticks({1000}), {},
            "0 Hrs 0 minutes 59");
    }
    void countdown()
    {
        QFETCH(int, entry);
        QFETCH(QList<Step>, steps);
        QFETCH(QList<int>, snapsAt);
        QFETCH(QString, label);
        TestWindow t;
        const CaptureControls &c = t.controls();
        choose(t, SnapMode::DelayedSnap);
        c.CmbSnapTime->select(entry);
        const auto chosen = t.clock.now;
        QList<int> snapped;
        for (const Step &step : steps) {
            t.device->clearLog();
            if (step.kind == Step::Choose) {
                // Ticks go on a second after the new choice, not in the old rhythm.
                QTRY_VERIFY(c.tmrDelaySnap->remainingTime() < 800);
                c.CmbSnapTime->select(step.value);
                QVERIFY(c.tmrDelaySnap->remainingTime() > 800);
                QVERIFY(c.lblNextSnap->text().isEmpty());
                continue;
            }
            if (step.kind == Step::Leave) {
                choose(t, SnapMode::ColorPreview);
                t.clock.advance(std::chrono::milliseconds(step.value));
                choose(t, SnapMode::DelayedSnap);
                continue;
            }
            t.clock.advance(std::chrono::milliseconds(step.value));
            tick(c.tmrDelaySnap);
            const auto since =
                std::chrono::duration_cast<std::chrono::milliseconds>(t.clock.now - chosen);
            for (int snap = 0; snap < t.device->callCount(snappy::Method::Snap); ++snap)
                snapped << static_cast<int>(since.count());
            QVERIFY(t.state().iCountDown >= 1 && t.state().iCountDown <= t.state().iSnapTime);
        }
        QCOMPARE(snapped, snapsAt);
        QVERIFY(c.tmrDelaySnap->isActive());
        QCOMPARE(c.lblNextSnap->text(), label);
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
