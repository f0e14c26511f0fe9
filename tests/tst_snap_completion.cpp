#include "TestWindow.h"

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
    explicit SavingWindow(OptionButton *(CaptureControls::*method))
    {
        QVERIFY(folder.isValid());
        state().sCurrentpath = folder.path();
        state().sFileName = "pic";
        (controls().*method)->select();
        device->setPicture(snapPicture());
    }

    QString fileNamed(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class SnapCompletionTest : public QObject {
    Q_OBJECT

private slots:
    void dontSaveOnlyShowsThePicture()
    {
        SavingWindow t(&CaptureControls::optNoSave);
        const QString label = t.controls().lblPath->text();
        t.chooseMode(SnapMode::SingleSnap);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QCOMPARE(t.controls().imgDisplay->picture(), snapPicture());
        QCOMPARE(t.device->log(), QStringList({"read Picture", "call StopPreview"}));
        QCOMPARE(t.controls().lblPath->text(), label);
        QCOMPARE(t.state().iCurrentImageNumber, 0);
        QCOMPARE(t.mode(), SnapMode::Off);
    }

    void sameNameSavesOverTheSameFile()
    {
        SavingWindow t(&CaptureControls::opSameName);
        const QString target = t.fileNamed("pic00000.bmp");
        for (int snap = 0; snap < 3; ++snap) {
            t.chooseMode(SnapMode::SingleSnap);
            t.device->clearLog();
            t.device->raiseSnapDone();
            QCOMPARE(t.device->log(),
                     QStringList({"read Picture", "write SaveFileName \"" + target + "\"",
                                  "write SaveFileType \"bmp\"", "write Picture picture 64x48",
                                  "call SaveSnap", "call StopPreview"}));
        }
        QCOMPARE(t.state().iCurrentImageNumber, 0);
        QCOMPARE(t.controls().lblPath->text(), target);
    }

    void incrementalSavesAdvanceTheNumber()
    {
        SavingWindow t(&CaptureControls::optIncremental);
        const QString tip = t.controls().lblPath->toolTip();
        t.chooseMode(SnapMode::SingleSnap);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QCOMPARE(t.device->entries("write").first(),
                 "write SaveFileName \"" + t.fileNamed("pic00000.bmp") + "\"");
        QCOMPARE(t.controls().lblPath->text(), t.fileNamed("pic00000.bmp"));
        QCOMPARE(t.controls().lblPath->toolTip(), tip);
        QCOMPARE(t.state().iCurrentImageNumber, 1);
    }

    void incrementalSkipsNamesThatAreTaken()
    {
        SavingWindow t(&CaptureControls::optIncremental);
        touch(t.fileNamed("pic00000.bmp"));
        touch(t.fileNamed("pic00001.bmp"));
        touch(t.fileNamed("pic00003.bmp"));
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
        SavingWindow t(&CaptureControls::optIncremental);
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
    }

    void counterStopsInsteadOfWrapping()
    {
        SavingWindow t(&CaptureControls::optIncremental);
        t.state().iCurrentImageNumber = std::numeric_limits<qint32>::max();
        t.device->raiseSnapDone();
        QVERIFY(t.device->log().contains("call SaveSnap"));
        QCOMPARE(t.state().iCurrentImageNumber, std::numeric_limits<qint32>::max());
        QCOMPARE(t.state().bSaveFile, FlagFalse);
        QVERIFY(t.controls().optNoSave->isChecked());
        QVERIFY(t.window->saveFailureNotice().isVisible());

        t.device->clearLog();
        t.device->raiseSnapDone();
        QVERIFY(!t.device->log().contains("call SaveSnap"));
    }

    void rapidSnapChainsFromTheCompletion()
    {
        SavingWindow t(&CaptureControls::optNoSave);
        t.chooseMode(SnapMode::RapidSnap);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 1);
        t.device->raiseSnapDone();
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 2);
        QCOMPARE(t.controls().lblProgressBar->text(), QString("Aquiring Data"));
        QCOMPARE(t.controls().prgBar->progressValue(), 0.0f);
        QCOMPARE(t.mode(), SnapMode::RapidSnap);
    }

    void leavingRapidModeLetsTheLastSnapFinish()
    {
        SavingWindow t(&CaptureControls::opSameName);
        t.chooseMode(SnapMode::RapidSnap);
        t.chooseMode(SnapMode::ColorPreview);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QCOMPARE(t.device->callCount(snappy::Method::SaveSnap), 1);
        QCOMPARE(t.device->callCount(snappy::Method::Snap), 0);
        QCOMPARE(t.mode(), SnapMode::Off);
        QCOMPARE(t.device->log().last(), QString("call StopPreview"));
    }

    void delayedSnapLeavesTheModeAlone()
    {
        SavingWindow t(&CaptureControls::optNoSave);
        t.chooseMode(SnapMode::DelayedSnap);
        tick(t.controls().tmrDelaySnap, 60);
        t.device->clearLog();
        t.device->raiseSnapDone();
        QCOMPARE(t.device->log(), QStringList{"read Picture"});
        QCOMPARE(t.mode(), SnapMode::DelayedSnap);
        QVERIFY(t.controls().tmrDelaySnap->isActive());
    }

    void previewPicturesAreShownAndNothingElse()
    {
        SavingWindow t(&CaptureControls::opSameName);
        t.chooseMode(SnapMode::ColorPreview);
        t.device->clearLog();
        t.device->raisePictureUpdated();
        QCOMPARE(t.device->log(), QStringList{"read Picture"});
        QCOMPARE(t.controls().imgDisplay->picture(), snapPicture());
        QCOMPARE(t.controls().lblProgressBar->text(), QString("Waiting"));
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
