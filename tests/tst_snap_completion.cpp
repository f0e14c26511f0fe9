#include "Files.h"
#include "TestWindow.h"

#include <QAccessible>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

namespace {

const QImage &snapPicture()
{
    static const QImage picture = [] {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }();
    return picture;
}

struct SavingWindow : TestWindow {
    explicit SavingWindow(const char *method)
    {
        QVERIFY(folder.isValid());
        state().sCurrentpath = folder.path();
        state().sFileName = "pic";
        window->findChild<OptionButton *>(method)->select();
        device->setPicture(snapPicture());
    }

    QString fileNamed(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

// What a screen reader, and so the user, reads in a window.
QString readAloud(QWidget &window)
{
    QStringList texts;
    std::function<void(QAccessibleInterface *)> collect = [&](QAccessibleInterface *node) {
        texts << node->text(QAccessible::Name) << node->text(QAccessible::Value);
        for (int i = 0; i < node->childCount(); ++i)
            collect(node->child(i));
    };
    collect(QAccessible::queryAccessibleInterface(&window));
    return texts.join(QLatin1Char('\n'));
}

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
            QCOMPARE(t.device->log(), log.replaceInStrings("%1", t.fileNamed("pic00000.bmp")));
        }
        QCOMPARE(t.controls().imgDisplay->picture(), snapPicture());
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

    void failedSaveIsReportedAndDoesNotCount()
    {
        SavingWindow t("optIncremental");
        t.device->failCalls(snappy::Method::SaveSnap, "Could not save: disk full");
        const QString label = t.controls().lblPath->text();
        t.chooseMode(SnapMode::RapidSnap);
        t.device->raiseSnapDone();
        t.device->raiseSnapDone();

        SaveFailureNotice &notice = t.window->saveFailureNotice();
        QVERIFY(notice.isVisible());
        QVERIFY(!notice.isModal());
        QCOMPARE(notice.failureCount(), 2);
        QVERIFY(notice.text().contains("disk full"));
        QCOMPARE(t.state().iCurrentImageNumber, 0);
        QCOMPARE(t.controls().lblPath->text(), label);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 3);

        // Saved again, the snaps lost stay counted until the notice is closed.
        t.device->stopFailingCalls(snappy::Method::SaveSnap);
        t.device->raiseSnapDone();
        QVERIFY(notice.text().startsWith("Saving works again") &&
                notice.text().contains("disk full"));
        QCOMPARE(notice.failureCount(), 2);
        notice.hide();
        t.device->failCalls(snappy::Method::SaveSnap, "Could not save: gone");
        t.device->raiseSnapDone();
        QCOMPARE(notice.failureCount(), 1);
    }

    // Names may hold anything and be of any length: the notice shows them
    // as typed, whoever reports them, counting only the snaps not saved,
    // and stays within the screen with its OK button on it.
    void noticeShowsNamesAsTypedWithinTheScreen()
    {
        const QString name = "/snaps/<b>%1</b> &amp; %2/" + QString(4000, 'x');
        SavingWindow t("optIncremental");
        t.device->failCalls(snappy::Method::SaveSnap, "Could not save " + name);
        t.device->raiseSnapDone();
        SaveFailureNotice &notice = t.window->saveFailureNotice();
        QVERIFY(readAloud(notice).contains("A snap could not be saved.\nCould not save " + name +
                                           "\n\nSnaps not saved since this notice appeared: 1"));
        notice.reportDeviceFailure(name);
        QVERIFY(readAloud(notice).contains("The capture device failed.\n" + name));
        QCOMPARE(notice.failureCount(), 1);

        const QRect screen = notice.screen()->availableGeometry();
        QVERIFY2(notice.width() <= screen.width() && notice.height() <= screen.height(),
                 qPrintable(QString("%1x%2").arg(notice.width()).arg(notice.height())));
        QVERIFY(notice.rect().contains(notice.findChild<QAbstractButton *>()->geometry()));
    }

    // Shown over a modal box the notice would hide it while all input is
    // blocked; once up, it is not pulled to the front by each failure.
    void noticeNeverCoversAModalDialog()
    {
        SavingWindow t("opSameName");
        t.device->failCalls(snappy::Method::SaveSnap, "Could not save: disk full");
        SaveFailureNotice &notice = t.window->saveFailureNotice();
        QDialog modal(t.window.get());
        modal.setModal(true);
        modal.show();
        t.device->raiseSnapDone();
        t.device->raiseSnapDone();
        QCoreApplication::processEvents();
        QVERIFY(!notice.isVisible());

        modal.hide();
        QTRY_VERIFY(notice.isVisible());
        QCOMPARE(notice.failureCount(), 2);
        RaiseCounter counter;
        notice.installEventFilter(&counter);
        t.device->raiseSnapDone();
        QCOMPARE(counter.raises, 0);
    }

    void counterStopsInsteadOfWrapping()
    {
        SavingWindow t("optIncremental");
        t.state().iCurrentImageNumber = std::numeric_limits<qint32>::max();
        t.device->raiseSnapDone();
        QVERIFY(t.device->log().contains("call SaveSnap"));
        QCOMPARE(t.state().iCurrentImageNumber, std::numeric_limits<qint32>::max());
        QCOMPARE(t.state().bSaveFile, FlagFalse);
        QVERIFY(t.controls().optNoSave->isChecked());
        // The last number was saved: no failure to count.
        const SaveFailureNotice &notice = t.window->saveFailureNotice();
        QVERIFY(notice.isVisible());
        QVERIFY(notice.text().startsWith("The snap was saved, but saving has stopped.\n"));
        QCOMPARE(notice.failureCount(), 0);

        t.device->clearLog();
        t.device->raiseSnapDone();
        QVERIFY(!t.device->log().contains("call SaveSnap"));
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
