#include "TestWindow.h"
#include "app/PlatformPaths.h"

#include <QtTest>

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void deviceHearsOnlyStopPreview()
    {
        TestWindow t;
        QCOMPARE(t.device->log(), QStringList{"call StopPreview"});
    }

    void captureStateHoldsDefaults()
    {
        TestWindow t;
        const CaptureState &s = t.state();
        QCOMPARE(s.bRapidSnap, FlagFalse);
        QCOMPARE(s.bSaveFile, FlagFalse);
        QCOMPARE(s.bFileIncrement, FlagFalse);
        QCOMPARE(s.iSnapTime, 60);
        QCOMPARE(s.iCountDown, 60);
        QCOMPARE(s.iCurrentImageNumber, 0);
        QCOMPARE(s.sCurrentpath, platform::programFolder());
        QCOMPARE(s.sFileName, QString("Lumivane"));
        QCOMPARE(s.sFileType, QString("bmp"));

        const QString expected = QCoreApplication::applicationDirPath() + "/Lumivane00000.bmp";
        QCOMPARE(t.controls().lblPath->text(), expected);
        QCOMPARE(t.controls().lblPath->toolTip(), expected);
    }

    void controlsShowStartupSelections()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        QCOMPARE(c.cmbSnapMode->currentText(), QString("Off"));
        QCOMPARE(c.CmbSnapTime->currentText(), QString("Every 1 Min"));
        QCOMPARE(c.cmbSource->currentText(), QString("Live / Color"));
        QCOMPARE(c.CmbSize->currentText(), QString("640 x 480"));
        QCOMPARE(c.cmbColor->currentText(), QString("24 Bit True Color"));
        QCOMPARE(c.cmbSnapMethod->currentText(), QString("1 Frame - 2x Sample"));
        QCOMPARE(c.cmbProcessFilter->currentText(), QString("Slow (High Quality)"));
        QVERIFY(c.optNoSave->isChecked());
        QVERIFY(!c.opSameName->isChecked() && !c.optIncremental->isChecked());
        QVERIFY(c.chkOptimized->isChecked());
        QVERIFY(!c.chkNegative->isChecked() && !c.chkVidOut->isChecked());

        QVERIFY(!c.Frame12->isEnabled());
        QVERIFY(!c.CmbSnapTime->isEnabled());
        QVERIFY(c.lblNextSnap->isHidden());
        QVERIFY(c.lblNextSnap->text().isEmpty());
        QVERIFY(c.imgTemp->isHidden());
        QVERIFY(!c.tmrDelaySnap->isActive());
        QVERIFY(!c.tmrprogressbaraquire->isActive());
        QCOMPARE(c.tmrDelaySnap->interval(), 1000);
        QCOMPARE(c.tmrprogressbaraquire->interval(), 250);
        QCOMPARE(c.lblProgressBar->text(), QString("Waiting"));
        QCOMPARE(c.prgBar->progressValue(), 0.0f);
        QCOMPARE(c.prgBar->minimum(), 0);
        QCOMPARE(c.prgBar->maximum(), 100);
    }

    void slidersStartCentredWithoutTexts()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        for (AdjustmentSlider *slider :
             {c.sldBright, c.sldContrast, c.sldGamma, c.sldSharpness, c.sldSaturation, c.sldTint,
              c.sldRed, c.sldGreen, c.sldBlue}) {
            QCOMPARE(slider->value(), 0);
            QCOMPARE(slider->orientation(), Qt::Vertical);
            QCOMPARE(slider->minimum(), -50);
            QCOMPARE(slider->maximum(), 50);
            QCOMPARE(slider->singleStep(), 1);
            QCOMPARE(slider->pageStep(), 5);
            QCOMPARE(slider->tickInterval(), 10);
            QCOMPARE(slider->tickPosition(), QSlider::TicksBothSides);
            QVERIFY2(slider->invertedAppearance(), "the minimum belongs at the top");
            QVERIFY(slider->toolTip().isEmpty());
            QVERIFY(slider->dragText().isEmpty());
        }
    }

    void pictureBoxSitsInTopRightCorner()
    {
        TestWindow t;
        const QRect box = t.controls().imgDisplay->geometry();
        QCOMPARE(box.size(), QSize(640, 480));
        QCOMPARE(box.top(), 0);
        QCOMPARE(box.x() + box.width(), t.window->width());
    }

    void captionsAndListsReadExactly()
    {
        TestWindow t;
        const auto caption = [&t](const char *frame) {
            return t.window->findChild<QGroupBox *>(frame)->title();
        };
        QCOMPARE(caption("Frame1"), QString(" Snap Mode"));
        QCOMPARE(caption("Brightness"), QString("Contrast"));
        QCOMPARE(caption("Frame6"), QString("Bright"));
        QCOMPARE(caption("Frame10"), QString("Sharp"));
        QCOMPARE(caption("Frame9"), QString("Saturatn"));
        QCOMPARE(t.window->findChild<QGroupBox *>("Brightness"),
                 t.controls().sldContrast->parent());
        QCOMPARE(t.window->findChild<QGroupBox *>("Frame6"), t.controls().sldBright->parent());
        QCOMPARE(t.controls().optIncremental->text(), QString("Save Incremental "));
        QCOMPARE(t.window->windowTitle(), QString("Lumivane"));

        const auto entries = [](const QComboBox *list) {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
            return texts;
        };
        QCOMPARE(entries(t.controls().CmbSnapTime).at(7), QString("Every 2Hrs"));
        QCOMPARE(entries(t.controls().CmbSnapTime).size(), 12);
        QCOMPARE(entries(t.controls().cmbColor),
                 QStringList({"4 bit 16 Colors", "8 Bit 256 colors", "16 Bit High Color",
                              "24 Bit True Color"}));
        QCOMPARE(entries(t.controls().cmbSnapMode),
                 QStringList({"Off", "B/W Preview", "Color Preview", "Single Snap", "Rapid Snap",
                              "Delayed Snap"}));
    }

    void tabOrderRunsFromSlidersToFileButton()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        const QList<QWidget *> expected{
            c.sldBright,  c.sldContrast,    c.sldGamma,         c.sldSharpness, c.sldSaturation,
            c.sldTint,    c.sldRed,         c.sldGreen,         c.sldBlue,      c.cmbSnapMode,
            c.CmbSize,    c.cmbColor,       c.cmbSnapMethod,    c.chkNegative,  c.chkOptimized,
            c.cmbSource,  c.chkVidOut,      c.cmbProcessFilter, c.CmbSnapTime,  c.optNoSave,
            c.opSameName, c.optIncremental, c.cmdFileInfo};
        QWidget *widget = expected.first();
        for (QWidget *next : expected.mid(1)) {
            do {
                widget = widget->nextInFocusChain();
            } while (widget->focusPolicy() == Qt::NoFocus);
            QCOMPARE(widget->objectName(), next->objectName());
        }
    }

    void disabledFrameDisablesItsContents()
    {
        TestWindow t;
        t.controls().Frame16->setEnabled(false);
        QVERIFY(!t.controls().cmdFileInfo->isEnabled());
        QVERIFY(!t.controls().optIncremental->isEnabled());
    }

    void selectionFromCodeRunsHandlerOnceEvenWhenUnchanged()
    {
        TestWindow t;
        t.device->clearLog();
        t.controls().cmbSnapMode->select(0);
        QCOMPARE(t.device->log(), QStringList{"call StopPreview"});

        t.state().iCountDown = 5;
        t.controls().CmbSnapTime->select(0);
        QCOMPARE(t.state().iCountDown, 60);

        t.state().bSaveFile = FlagTrue;
        t.controls().optNoSave->select();
        QCOMPARE(t.state().bSaveFile, FlagFalse);
    }

    void userSelectionRunsHandlerOnce()
    {
        TestWindow t;
        t.device->clearLog();
        QTest::keyClick(t.controls().cmbSnapMode, Qt::Key_Down);
        QCOMPARE(t.controls().cmbSnapMode->currentIndex(), 1);
        QCOMPARE(t.device->log(), QStringList({"call StopPreview", "write PreviewColor int16 0",
                                               "call StartPreview"}));

        QTest::mouseClick(t.controls().optIncremental, Qt::LeftButton);
        QCOMPARE(t.state().bSaveFile, FlagTrue);
        QCOMPARE(t.state().bFileIncrement, FlagTrue);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
