#include "DataColumns.h"
#include "TestWindow.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct RaiseCounter : QObject {
    bool eventFilter(QObject *, QEvent *event) override
    {
        raises += event->type() == QEvent::ZOrderChange;
        return false;
    }
    int raises = 0;
};

// Does what a user or the device does: chooses a mode by its name, sets a
// control ("cmbColor 2", "optIncremental") or the next image number
// ("number 7"), moves the clock by milliseconds for the next tick of the
// countdown ("+1000"), ticks the progress bar's timer ("bar 96": 96 ticks), or
// raises a device event by its signal's name: a snap done ("SnapDone"), a
// preview picture shown ("PictureUpdated"). The log then holds what the
// device was sent for it.
void perform(TestWindow &t, const QString &action)
{
    const CaptureControls &c = t.controls();
    t.device->clearLog();
    t.clock.advance(std::chrono::milliseconds(action.startsWith('+') ? action.toInt() : 0));
    const int mode = c.cmbSnapMode->findText(action);
    QWidget *control = t.window->findChild<QWidget *>(action.section(' ', 0, 0));
    const int value = action.section(' ', 1).toInt();
    if (mode >= 0)
        c.cmbSnapMode->select(mode);
    else if (t.device->metaObject()->indexOfSignal(qPrintable(action + "()")) >= 0)
        QMetaObject::invokeMethod(t.device, qPrintable(action));
    else if (action.startsWith("number"))
        t.state().iCurrentImageNumber = value;
    else if (action.startsWith("bar"))
        tick(c.tmrprogressbaraquire, value);
    else if (auto *list = qobject_cast<DropDownList *>(control))
        list->select(value);
    else if (auto *option = qobject_cast<OptionButton *>(control))
        option->select();
    else if (control) // a check box, checked by 1, or a slider
        control->setProperty(qobject_cast<QCheckBox *>(control) ? "checked" : "value", value);
    else
        tick(c.tmrDelaySnap);
}

// What a snap sends with the start-up controls, where each property named
// with a value takes it, and each named alone is not written; its writes
// sorted, as the device logs them.
QStringList startupWith(const QStringList &changes)
{
    QStringList log = StartupSettings;
    for (const QString &change : changes) {
        const QRegularExpression entry("^write " + change.section(' ', 0, 0) + " .*");
        log.replaceInStrings(entry, change.contains(' ') ? "write " + change : QString());
    }
    log.removeAll(QString());
    std::sort(log.begin(), log.end() - 1);
    return log;
}

} // namespace

class SnapCompletionTest : public QObject {
    Q_OBJECT

private slots:
    // What the window sends the device, and the state it is left in, after
    // each of a user's choices of a mode or a control, and the device's
    // events: a snap done or a preview picture shown. Leaving Delayed Snap
    // stops the countdown. A snap reads the controls as they are then, where
    // a list without a selection sends nothing, or -1 where the device takes
    // that. A finished snap is saved by the method chosen, even the last one
    // of a rapid run left for another mode: same name over what is there,
    // incremental past the names taken, even by links leading nowhere, where
    // the label follows. The last number is saved, after which saving stops
    // rather than wrap round onto the first snaps, and the user is told so.
    void choicesAndEvents_data()
    {
        addColumns<QStringList, QStringList, QString, int, QString, QString>(
            {"actions", "log", "after", "number", "label", "told"});
        const auto row = [](const char *tag, const QStringList &actions, const QStringList &log,
                            const char *after, int number = 0, const char *label = "",
                            const char *told = "") {
            QTest::newRow(tag) << actions << log << after << number << label << told;
        };
        const auto saved = [](const QString &noReplace) {
            return QStringList({"read Picture", "write Picture picture 64x48",
                                "write SaveFileName \"%1\"", "write SaveFileType \"bmp\"",
                                "write SaveNoReplace " + noReplace, "call SaveSnap",
                                "call StopPreview"});
        };
        const QStringList everyControlChanged{
            "cmbSource 3",        "cmbColor 0",     "CmbSize 3",   "cmbSnapMethod 2",
            "cmbProcessFilter 0", "chkOptimized 0", "chkVidOut 1", "chkNegative 1",
            "sldBlue -50",        "sldTint 50",     "sldGamma -2"};
        row("colour preview after delayed", {"Delayed Snap", "Color Preview"},
            {"call StopPreview", "write PreviewColor int16 1", "call StartPreview"},
            "Color Preview");
        row("single after delayed, every control changed",
            QStringList{"Delayed Snap"} + everyControlChanged + QStringList{"Single Snap"},
            QStringList{"call StopPreview"} +
                startupWith({"LiveSource False", "ColorSource False", "ColorDepth int16 4",
                             "SnapWidth int16 800", "SnapMethod int16 2", "ProcessFilter int16 0",
                             "OptimizedPalette int16 0", "VideoOut int16 1", "Negative int16 1",
                             "Blue int32 50", "Tint int32 -50", "Gamma int32 2"}),
            "Single Snap");
        row("rapid after delayed, lists without selection",
            {"Delayed Snap", "cmbSource -1", "cmbColor -1", "CmbSize -1", "cmbProcessFilter -1",
             "cmbSnapMethod -1", "Rapid Snap"},
            startupWith({"LiveSource", "ColorSource", "ColorDepth", "SnapWidth",
                         "ProcessFilter int16 -1", "SnapMethod int16 -1"}),
            "Rapid Snap");
        row("delayed again", {"Delayed Snap", "Delayed Snap"}, {}, "Delayed Snap");
        row("incremental", {"optIncremental", "Single Snap", "SnapDone"}, saved("True"), "Off", 3,
            "pic00002.bmp");
        row("same name, rapid, then preview",
            {"opSameName", "Rapid Snap", "Color Preview", "SnapDone"}, saved("False"), "Off", 0,
            "pic00000.bmp");
        row("a preview picture", {"opSameName", "Color Preview", "PictureUpdated"},
            {"read Picture"}, "Color Preview");
        row("rapid from the last number",
            {"optIncremental", "number 2147483647", "Rapid Snap", "SnapDone", "SnapDone"},
            QStringList{"read Picture"} + startupWith({}), "Rapid Snap", 2147483647,
            "pic2147483647.bmp", "The snap was saved, but saving has stopped.");
    }
    void choicesAndEvents()
    {
        auto [actions, log, after, number, label, told] =
            fetchRow<QStringList, QStringList, QString, int, QString, QString>();
        TestWindow t;
        QTemporaryDir folder;
        t.state().sCurrentpath = folder.path();
        t.state().sFileName = "pic";
        // What the device hands over, logged by its size.
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        t.device->setPicture(picture);
        for (const char *taken : {"pic00000.bmp", "pic00001.bmp"})
            QVERIFY(QFile::link(folder.filePath("nowhere"), folder.filePath(taken)));
        const CaptureControls &c = t.controls();
        const QString before = c.lblPath->text();
        for (const QString &action : actions)
            perform(t, action);
        QCOMPARE(t.device->log(), log.replaceInStrings("%1", folder.filePath(label)));
        QCOMPARE(c.cmbSnapMode->currentText(), after);
        // The countdown and its controls are on only in Delayed Snap.
        QCOMPARE(QList<bool>({c.Frame12->isEnabled(), c.CmbSnapTime->isEnabled(),
                              c.tmrDelaySnap->isActive(), !c.lblNextSnap->isHidden()}),
                 QList<bool>(4, after == "Delayed Snap"));
        const bool ended = actions.last() == "SnapDone" || actions.last() == "PictureUpdated";
        QCOMPARE(c.imgDisplay->picture(), ended ? picture : QImage());
        QCOMPARE(t.state().iCurrentImageNumber, number);
        QCOMPARE(c.lblPath->text(), label.isEmpty() ? before : folder.filePath(label));
        QCOMPARE(t.window->saveFailureNotice().text().section('\n', 0, 0), told);
    }

    // Each preview frame reaches the screen inside the picture's border,
    // which stays as the window first drew it.
    void previewFramesReachTheScreenInsideTheBorder()
    {
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        const PictureBox *box = t.controls().imgDisplay;
        const auto shown = [&](const QList<QPoint> &points) {
            const QImage screen = box->screen()->grabWindow(t.window->winId()).toImage();
            QList<QColor> colours;
            for (const QPoint point : points)
                colours << screen.pixelColor(box->mapTo(t.window.get(), point));
            return colours;
        };
        const QColor border = box->palette().color(QPalette::WindowText);
        for (const QColor frameColour : {QColor(Qt::darkCyan), QColor(Qt::yellow)}) {
            QImage frame(box->size(), QImage::Format_RGB32);
            frame.fill(frameColour);
            t.device->setPicture(frame);
            emit t.device->PictureUpdated();
            // The middle and the corners inside the border, then the border's.
            QTRY_COMPARE(shown({{320, 240}, {1, 1}, {638, 478}, {0, 0}, {639, 479}}),
                         (QList<QColor>{frameColour, frameColour, frameColour, border, border}));
        }
    }

    // The notice on its own: each report's text, plain whatever it holds,
    // counting the snaps not saved until it is closed; never shown over a
    // modal dialog, nor raised by a report while up, and always within the
    // screen with its OK button on it.
    void saveFailureNotice_data()
    {
        addColumns<QStringList, QString>({"reports", "text"});
        const QString notSaved = "\n\nSnaps not saved since this notice appeared: ";
        const QString typed = "/snaps/<b>%1</b> &amp; %2/" + QString(4000, 'x');
        QTest::newRow("saving stopped on a long name of markup and place markers")
            << QStringList{"stopped " + typed}
            << "The snap was saved, but saving has stopped.\n" + typed;
        QTest::newRow("failed, closed, failed, then the device failed")
            << QStringList{"fail full", "fail full", "close", "fail gone", "device unplugged"}
            << "The capture device failed.\nunplugged" + notSaved + "1";
        QTest::newRow("failed under a modal dialog")
            << QStringList{"modal", "fail full", "fail full", "modal closed"}
            << "A snap could not be saved.\nfull" + notSaved + "2";
    }
    void saveFailureNotice()
    {
        const auto [reports, text] = fetchRow<QStringList, QString>();
        SaveFailureNotice notice;
        QDialog modal;
        modal.setModal(true);
        RaiseCounter raised;
        notice.installEventFilter(&raised);
        for (const QString &report : reports) {
            const QString kind = report.section(' ', 0, 0);
            const QString detail = report.section(' ', 1);
            const bool up = notice.isVisible();
            raised.raises = 0;
            if (kind == "fail")
                notice.report(detail);
            else if (kind == "stopped")
                notice.reportSavingStopped(detail);
            else if (kind == "device")
                notice.reportDeviceFailure(detail);
            else if (kind == "close")
                notice.hide();
            else
                modal.setVisible(detail != "closed");
            QCoreApplication::processEvents();
            QVERIFY(!up || !notice.isVisible() || raised.raises == 0);
            QVERIFY(!modal.isVisible() || !notice.isVisible());
        }
        QTRY_VERIFY(notice.isVisible());
        QVERIFY(!notice.isModal());
        QCOMPARE(notice.text(), text);
        QCOMPARE(notice.size().boundedTo(notice.screen()->availableGeometry().size()),
                 notice.size());
        QVERIFY(notice.rect().contains(notice.findChild<QAbstractButton *>()->geometry()));
    }

    // Snaps fall due on the clock at whole intervals after the choice,
    // however the ticks come: late, early or after a stall. A stall past
    // due times snaps once, at once, and the series keeps its due times;
    // the count shown is the true time left, never 0. A new choice, or
    // leaving Delayed Snap and coming back, counts afresh.
    void countdown_data()
    {
        addColumns<int, QStringList, QList<int>, QString>({"entry", "steps", "snapsAt", "left"});
        QTest::newRow("ticks late") << 0 << QStringList{"+1300"} + QStringList(125, "+1000")
                                    << QList{60300, 120300} << "0 Hrs 0 minutes 54";
        QTest::newRow("ticks early") << 0 << QStringList{"+700"} + QStringList(125, "+1000")
                                     << QList{59700, 119700} << "0 Hrs 0 minutes 54";
        QTest::newRow("stall over many intervals")
            << 2 << QStringList(10, "+1000") + QStringList{"+3605000"} + QStringList(290, "+1000")
            << QList{3615000, 3900000} << "0 Hrs 4 minutes 55";
        QTest::newRow("a day-long interval chosen")
            << 3 << QStringList(5, "+1000") + QStringList{"CmbSnapTime 11", "+1000"} << QList<int>{}
            << "23 Hrs 59 minutes 59";
        QTest::newRow("left and chosen again")
            << 0 << QStringList(30, "+1000") + QStringList{"Color Preview", "Delayed Snap", "+1000"}
            << QList<int>{} << "0 Hrs 0 minutes 59";
    }
    void countdown()
    {
        const auto [entry, steps, snapsAt, left] =
            fetchRow<int, QStringList, QList<int>, QString>();
        TestWindow t;
        const CaptureControls &c = t.controls();
        t.chooseMode(SnapMode::DelayedSnap);
        c.CmbSnapTime->select(entry);
        QList<int> snapped;
        for (const QString &step : steps) {
            // Ticks go on a second after a new choice, not in the old rhythm.
            const bool choice = step.startsWith("CmbSnapTime");
            if (choice)
                QTRY_VERIFY(c.tmrDelaySnap->remainingTime() < 800);
            perform(t, step);
            QVERIFY(!choice || c.tmrDelaySnap->remainingTime() > 800);
            const int now = t.clock.now.time_since_epoch() / std::chrono::milliseconds(1);
            snapped += QList<int>(t.device->log().count("call Snap"), now);
            QVERIFY(t.state().iCountDown >= 1 && t.state().iCountDown <= t.state().iSnapTime);
        }
        QCOMPARE(snapped, snapsAt);
        QVERIFY(c.tmrDelaySnap->isActive());
        QCOMPARE(c.lblNextSnap->text(), "Next Snap in " + left + " Seconds");
    }

    // The bar climbs a step a tick while a snap acquires or is processed,
    // and empties and stops at its end; a finished snap fills it until the
    // next tick. The bar is read after each step.
    void progressClimbsStopsAndEmpties()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        QStringList seen;
        for (const QString &step :
             QStringList{"Single Snap", "bar 3", "ProcessingData", "AcquiringData", "bar 96",
                         "bar 1", "Single Snap", "SnapDone", "bar 1"}) {
            perform(t, step);
            seen << c.lblProgressBar->text() + QString(" %1").arg(c.prgBar->progressValue()) +
                        (c.tmrprogressbaraquire->isActive() ? "" : ", stopped");
        }
        QCOMPARE(seen,
                 (QStringList{"Aquiring Data 0", "Aquiring Data 3", "Processing Data 3",
                              "Aquiring Data 3", "Aquiring Data 99", "Aquiring Data 0, stopped",
                              "Aquiring Data 0", "Waiting 100", "Waiting 0, stopped"}));
    }
};

QTEST_MAIN(SnapCompletionTest)
#include "tst_snap_completion.moc"
