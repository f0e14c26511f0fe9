#include "Files.h"
#include "TestWindow.h"

#include <QAccessible>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

namespace {

const QImage SnapPicture = [] {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}();

struct SavingWindow : TestWindow {
    explicit SavingWindow(const char *method)
    {
        QVERIFY(folder.isValid());
        state().sCurrentpath = folder.path();
        state().sFileName = "pic";
        window->findChild<OptionButton *>(method)->select();
        device->setPicture(SnapPicture);
    }

    QString fileNamed(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

struct RaiseCounter : QObject {
    bool eventFilter(QObject *, QEvent *event) override
    {
        raises += event->type() == QEvent::ZOrderChange;
        return false;
    }
    int raises = 0;
};

} // namespace

class SnapCompletionTest : public QObject {
    Q_OBJECT

private slots:
    // What each save method and mode makes of a finished snap or a preview
    // picture: the device calls, the mode after it, the counter and the label
    // (an empty label is the one shown before); the tool tip never changes.
    void completion_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QList<SnapMode>>("modes");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<SnapMode>("after");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("label");
        const auto saved = [](const QString &noReplace) {
            return QStringList{"read Picture",
                               "write SaveFileName \"%1\"",
                               "write SaveFileType \"bmp\"",
                               "write SaveNoReplace " + noReplace,
                               "write Picture picture 64x48",
                               "call SaveSnap",
                               "call StopPreview"};
        };
        const SnapMode single = SnapMode::SingleSnap;
        QTest::newRow("no save") << "optNoSave" << QList{single}
                                 << QStringList{"read Picture", "call StopPreview"} << SnapMode::Off
                                 << 0 << "";
        QTest::newRow("same name") << "opSameName" << QList{single} << saved("False")
                                   << SnapMode::Off << 0 << "pic00000.bmp";
        QTest::newRow("incremental") << "optIncremental" << QList{single} << saved("True")
                                     << SnapMode::Off << 1 << "pic00000.bmp";
        // The last snap of a rapid run left for another mode still saves,
        // and no snap follows it.
        QTest::newRow("rapid, then preview")
            << "opSameName" << QList{SnapMode::RapidSnap, SnapMode::ColorPreview} << saved("False")
            << SnapMode::Off << 0 << "pic00000.bmp";
        QTest::newRow("delayed") << "optNoSave" << QList{SnapMode::DelayedSnap}
                                 << QStringList{"read Picture"} << SnapMode::DelayedSnap << 0 << "";
        // A rapid snap chains the next one from the completion.
        QTest::newRow("rapid") << "optNoSave" << QList{SnapMode::RapidSnap}
                               << QStringList{"read Picture"} + StartupSettings
                               << SnapMode::RapidSnap << 0 << "";
        // A preview picture: no snap completion at all.
        QTest::newRow("preview") << "opSameName" << QList{SnapMode::ColorPreview}
                                 << QStringList{"read Picture"} << SnapMode::ColorPreview << 0
                                 << "";
    }
    void completion()
    {
        QFETCH(QString, method);
        QFETCH(QList<SnapMode>, modes);
        QFETCH(QStringList, log);
        QFETCH(SnapMode, after);
        QFETCH(int, number);
        QFETCH(QString, label);
        SavingWindow t(qPrintable(method));
        const QString before = t.controls().lblPath->text();
        const QString tip = t.controls().lblPath->toolTip();
        for (SnapMode mode : modes)
            t.chooseMode(mode);
        if (after == SnapMode::DelayedSnap)
            t.passSeconds(60);
        // Same name saves over one file however often it snaps.
        for (int snap = 0; snap < (method == "opSameName" ? 2 : 1); ++snap) {
            t.device->clearLog();
            if (after == SnapMode::ColorPreview)
                t.device->raisePictureUpdated();
            else
                t.device->raiseSnapDone();
            QCOMPARE(withWritesSorted(t.device->log()),
                     withWritesSorted(log.replaceInStrings("%1", t.fileNamed("pic00000.bmp"))));
        }
        QCOMPARE(t.controls().imgDisplay->picture(), SnapPicture);
        QCOMPARE(t.mode(), after);
        QCOMPARE(t.controls().tmrDelaySnap->isActive(), after == SnapMode::DelayedSnap);
        // The next rapid snap starts the bar afresh.
        const bool rapid = after == SnapMode::RapidSnap;
        QCOMPARE(t.controls().lblProgressBar->text(), QString(rapid ? "Aquiring Data" : "Waiting"));
        QVERIFY(!rapid || t.controls().prgBar->progressValue() == 0.0f);
        QCOMPARE(t.state().iCurrentImageNumber, number);
        QCOMPARE(t.controls().lblPath->text(), label.isEmpty() ? before : t.fileNamed(label));
        QCOMPARE(t.controls().lblPath->toolTip(), tip);
    }

    void incrementalSkipsNamesThatAreTaken()
    {
        SavingWindow t("optIncremental");
        put(t.fileNamed("pic00000.bmp"), {});
        put(t.fileNamed("pic00001.bmp"), {});
        // A link takes its name even when it leads nowhere.
        QVERIFY(QFile::link(t.fileNamed("nowhere"), t.fileNamed("pic00003.bmp")));
        t.device->raiseSnapDone();
        QVERIFY(
            t.device->log().contains("write SaveFileName \"" + t.fileNamed("pic00002.bmp") + "\""));
        QCOMPARE(t.state().iCurrentImageNumber, 3);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QVERIFY(
            t.device->log().contains("write SaveFileName \"" + t.fileNamed("pic00004.bmp") + "\""));
        QCOMPARE(t.controls().lblPath->text(), t.fileNamed("pic00004.bmp"));
        QCOMPARE(t.state().iCurrentImageNumber, 5);
    }

    // What the window tells of each save, while rapid snapping goes on: a
    // failed snap is counted and takes no number, a save after failures says
    // saving works again, and the last number is saved, after which saving
    // stops rather than wrap round onto the first snaps.
    void savesAreReported_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QStringList>("failures");
        QTest::addColumn<qint32>("after");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("count");
        const QString full = "Could not save: disk full";
        const qint32 last = std::numeric_limits<qint32>::max();
        QTest::newRow("saved") << 0 << QStringList{""} << 1 << "" << 0;
        QTest::newRow("failed twice")
            << 0 << QStringList{full, full} << 0 << "A snap could not be saved.\n" + full << 2;
        QTest::newRow("failed, then saved")
            << 0 << QStringList{full, ""} << 1
            << "Saving works again: the latest snap was saved.\nThe last failure was: " + full << 1;
        QTest::newRow("the last number")
            << last << QStringList{""} << last << "The snap was saved, but saving has stopped.\n"
            << 0;
    }
    void savesAreReported()
    {
        QFETCH(qint32, number);
        QFETCH(QStringList, failures);
        QFETCH(qint32, after);
        QFETCH(QString, told);
        QFETCH(int, count);
        SavingWindow t("optIncremental");
        t.state().iCurrentImageNumber = number;
        const QString label = t.controls().lblPath->text();
        t.chooseMode(SnapMode::RapidSnap);
        for (const QString &failure : failures) {
            if (failure.isEmpty())
                t.device->stopFailingCalls(snappy::Method::SaveSnap);
            else
                t.device->failCalls(snappy::Method::SaveSnap, failure);
            t.device->raiseSnapDone();
        }
        const SaveFailureNotice &notice = t.window->saveFailureNotice();
        QCOMPARE(notice.isVisible(), !told.isEmpty());
        QVERIFY2(told.isEmpty() || notice.text().startsWith(told), qPrintable(notice.text()));
        QCOMPARE(notice.failureCount(), count);
        QCOMPARE(t.state().iCurrentImageNumber, after);
        QCOMPARE(t.controls().lblPath->text() == label, !failures.contains(QString()));
        QCOMPARE(t.device->callCount(snappy::Method::Snap), failures.size() + 1);

        const bool saving = number < std::numeric_limits<qint32>::max();
        QCOMPARE(t.controls().optNoSave->isChecked(), !saving);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QCOMPARE(t.device->callCount(snappy::Method::SaveSnap), saving ? 1 : 0);
    }

    // The notice on its own: each report's text, plain whatever it holds,
    // counting the snaps not saved until it is closed; never shown over a
    // modal dialog, nor raised by a report while up, and always within the
    // screen with its OK button on it.
    void saveFailureNotice_data()
    {
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        const auto notSaved = [](int count) {
            return "\n\nSnaps not saved since this notice appeared: " + QString::number(count);
        };
        const QString failed = "A snap could not be saved.\n";
        const QString typed = "/snaps/<b>%1</b> &amp; %2/";
        const QString longName = "/snaps/" + QString(4000, 'x');
        QTest::newRow("failed") << QStringList{"fail full"} << true << failed + "full" + notSaved(1)
                                << 1;
        QTest::newRow("failed twice, then saved twice")
            << QStringList{"fail full", "fail gone", "saved", "saved"} << true
            << "Saving works again: the latest snap was saved.\nThe last failure was: gone" +
                   notSaved(2)
            << 2;
        QTest::newRow("saved") << QStringList{"saved"} << false << "" << 0;
        QTest::newRow("closed, then failed")
            << QStringList{"fail full", "fail full", "close", "fail gone"} << true
            << failed + "gone" + notSaved(1) << 1;
        QTest::newRow("closed after saving again")
            << QStringList{"fail full", "saved", "close", "saved"} << false << "" << 0;
        QTest::newRow("saving stopped")
            << QStringList{"stopped at the end"} << true
            << "The snap was saved, but saving has stopped.\nat the end" << 0;
        QTest::newRow("device failed after a failed save")
            << QStringList{"fail full", "device unplugged"} << true
            << "The capture device failed.\nunplugged" + notSaved(1) << 1;
        QTest::newRow("markup and place markers")
            << QStringList{"fail " + typed} << true << failed + typed + notSaved(1) << 1;
        QTest::newRow("a long name")
            << QStringList{"fail " + longName} << true << failed + longName + notSaved(1) << 1;
        QTest::newRow("over a modal dialog")
            << QStringList{"modal", "fail full", "fail full"} << false << "" << 2;
        QTest::newRow("after a modal dialog")
            << QStringList{"modal", "fail full", "fail full", "modal closed"} << true
            << failed + "full" + notSaved(2) << 2;
    }
    void saveFailureNotice()
    {
        QFETCH(QStringList, reports);
        QFETCH(bool, visible);
        QFETCH(QString, text);
        QFETCH(int, count);
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
            else if (kind == "saved")
                notice.reportSaved();
            else if (kind == "stopped")
                notice.reportSavingStopped(detail);
            else if (kind == "device")
                notice.reportDeviceFailure(detail);
            else if (kind == "close")
                notice.hide();
            else if (detail == "closed")
                modal.hide();
            else
                modal.show();
            QCoreApplication::processEvents();
            QVERIFY(!up || !notice.isVisible() || raised.raises == 0);
        }
        QTRY_COMPARE(notice.isVisible(), visible);
        QCOMPARE(notice.failureCount(), count);
        QVERIFY(!notice.isModal());
        if (!visible)
            return;
        QCOMPARE(notice.text(), text);
        const QRect screen = notice.screen()->availableGeometry();
        QVERIFY2(notice.width() <= screen.width() && notice.height() <= screen.height(),
                 qPrintable(QString("%1x%2").arg(notice.width()).arg(notice.height())));
        QVERIFY(notice.rect().contains(notice.findChild<QAbstractButton *>()->geometry()));
    }

    void slidersShowTheNegatedSetting_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("setting");
        QTest::newRow("top") << -50 << "50";
        QTest::newRow("centre") << 0 << "0";
        QTest::newRow("bottom") << 50 << "-50";
    }
    void slidersShowTheNegatedSetting()
    {
        QFETCH(int, position);
        QFETCH(QString, setting);
        TestWindow t;
        const CaptureControls &c = t.controls();
        c.sldBlue->setValue(position == 0 ? 1 : 0);
        c.sldBlue->setValue(position);
        QCOMPARE(c.sldBlue->toolTip(), "Blue value " + setting);
        c.sldBright->setValue(position == 0 ? 1 : 0);
        c.sldBright->setValue(position);
        QCOMPARE(c.sldBright->toolTip(), "Brightnes value " + setting);

        c.sldGamma->setSliderDown(true);
        c.sldGamma->setSliderPosition(position == 0 ? 1 : 0);
        c.sldGamma->setSliderPosition(position);
        QCOMPARE(c.sldGamma->dragText(), setting);
        c.sldGamma->setSliderDown(false);
        QCOMPARE(c.sldGamma->toolTip(), "Gamma value " + setting);
        QVERIFY(t.device->entries("write").isEmpty());
    }
};

QTEST_MAIN(SnapCompletionTest)
#include "tst_snap_completion.moc"
