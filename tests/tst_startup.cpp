#include "TestWindow.h"
#include "app/PlatformPaths.h"
#include "app/ProgramIdentity.h"
#include "app/ProgramStyle.h"

#include <QAccessible>
#include <QTemporaryDir>

#include <QtTest>

#include <unistd.h>

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void startUpSendsOneCallAndLeavesTheDefaults()
    {
        TestWindow t;
        QCOMPARE(t.device->log(), QStringList{"call StopPreview"});

        const CaptureState &s = t.state();
        QVERIFY(s.bRapidSnap == FlagFalse && s.bSaveFile == FlagFalse &&
                s.bFileIncrement == FlagFalse);
        QCOMPARE(s.iSnapTime, 60);
        QCOMPARE(s.iCountDown, 60);
        QCOMPARE(s.iCurrentImageNumber, 0);
        QCOMPARE(s.sCurrentpath, platform::programFolder());
        const QString expected = QCoreApplication::applicationDirPath() + "/Lumivane00000.bmp";
        QCOMPARE(t.controls().lblPath->text(), expected);
        QCOMPARE(t.controls().lblPath->toolTip(), expected);

        // The lists' start-up entries are read through AT-SPI in the window tests.
        const CaptureControls &c = t.controls();
        QVERIFY(c.optNoSave->isChecked() && c.chkOptimized->isChecked());
        QVERIFY(!c.Frame12->isEnabled() && !c.CmbSnapTime->isEnabled());
        QVERIFY(c.lblNextSnap->isHidden() && c.lblNextSnap->text().isEmpty());
        QVERIFY(c.imgTemp->isHidden());
        QVERIFY(!c.tmrDelaySnap->isActive() && !c.tmrprogressbaraquire->isActive());
        QCOMPARE(c.lblProgressBar->text(), QString("Waiting"));

        for (AdjustmentSlider *slider :
             {c.sldBright, c.sldContrast, c.sldGamma, c.sldSharpness, c.sldSaturation, c.sldTint,
              c.sldRed, c.sldGreen, c.sldBlue}) {
            QCOMPARE(slider->value(), 0);
            QVERIFY2(slider->invertedAppearance(), "the minimum belongs at the top");
            QVERIFY(slider->toolTip().isEmpty() && slider->dragText().isEmpty());
        }

        const QRect box = c.imgDisplay->geometry();
        QCOMPARE(box.size(), QSize(640, 480));
        QCOMPARE(box.top(), 0);
        QCOMPARE(box.x() + box.width(), t.window->width());
    }

    // Installed, snaps go among the user's pictures; run from where it was
    // built, beside the program.
    void defaultSnapFolderFollowsWhereTheProgramRuns_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("installed");
        QTest::newRow("build folder") << "build/release" << true << false;
        QTest::newRow("bin folder of a prefix") << "local/bin" << true << true;
        QTest::newRow("folder the user cannot write") << "opt/lumivane" << false << true;
    }

    void defaultSnapFolderFollowsWhereTheProgramRuns()
    {
        QFETCH(QString, programFolder);
        QFETCH(bool, writable);
        QFETCH(bool, installed);
        QTemporaryDir scratch;
        const QString folder = scratch.filePath(programFolder);
        QVERIFY(QDir().mkpath(folder));
        const auto open = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(scratch.path(), open | QFile::WriteOwner));
        if (!writable)
            QVERIFY(QFile::setPermissions(folder, open));
        // Root may write anywhere, so the folder is looked at as a user
        // without privileges, whom access() asks about by the real user id;
        // the scratch folder lets that user through to it.
        const bool asNobody = !writable && ::getuid() == 0;
        if (asNobody)
            QVERIFY(::setresuid(65534, uid_t(-1), uid_t(-1)) == 0);
        const QString chosen = platform::defaultSnapFolder(folder);
        if (asNobody)
            QVERIFY(::setresuid(0, uid_t(-1), uid_t(-1)) == 0);

        const QString pictures =
            QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + "/Lumivane";
        QCOMPARE(chosen, installed ? pictures : folder);
    }

    void captionsAndListsReadExactly()
    {
        TestWindow t;
        for (const auto &[frame, caption] : {std::pair{"Frame1", " Snap Mode"},
                                             {"Brightness", "Contrast"},
                                             {"Frame6", "Bright"},
                                             {"Frame10", "Sharp"},
                                             {"Frame9", "Saturatn"}})
            QCOMPARE(t.window->findChild<QGroupBox *>(frame)->title(), QString(caption));
        QCOMPARE(t.window->findChild<QGroupBox *>("Brightness"),
                 t.controls().sldContrast->parent());
        QCOMPARE(t.window->findChild<QGroupBox *>("Frame6"), t.controls().sldBright->parent());
        QCOMPARE(t.controls().optIncremental->text(), QString("Save Incremental "));

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

        t.state().iCurrentImageNumber = 17;
        const QString label = t.controls().lblPath->text();
        QTest::mouseClick(t.controls().optIncremental, Qt::LeftButton);
        QCOMPARE(t.state().bSaveFile, FlagTrue);
        QCOMPARE(t.state().bFileIncrement, FlagTrue);

        // A check box answers at the far end of its width, as an option does.
        const CaptureControls &c = t.controls();
        for (QAbstractButton *box :
             QList<QAbstractButton *>{c.chkVidOut, c.chkNegative, c.chkOptimized, c.optNoSave}) {
            const bool was = box->isChecked();
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 2, box->height() / 2));
            QVERIFY2(box->isChecked() != was, qPrintable(box->objectName()));
        }
        // A save method leaves the number and the summary as they were.
        QCOMPARE(t.state().bSaveFile, FlagFalse);
        QCOMPARE(t.state().iCurrentImageNumber, 17);
        QCOMPARE(t.controls().lblPath->text(), label);
    }

    // Lists and sliders are read through AT-SPI in the window tests; the
    // picture is described by what it shows.
    void screenReadersHearWhatThePictureShows()
    {
        TestWindow t;
        const CaptureControls &c = t.controls();
        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(c.imgDisplay);
        QCOMPARE(picture->text(QAccessible::Name), QString("Picture"));
        t.device->setPicture(QImage(320, 240, QImage::Format_RGB32));
        t.device->raiseSnapDone();
        QCOMPARE(picture->text(QAccessible::Description), QString("Last snap, 320 x 240"));
        t.device->raisePictureUpdated();
        QCOMPARE(picture->text(QAccessible::Description), QString("live preview"));
    }

    // The frames are drawn without a picture, so showing the window reads no
    // image file and loads none of the image plugins.
    void windowIsDrawnWithoutImagePlugins()
    {
        applyProgramStyle(*qApp);
        TestWindow t;
        const QImage shown = t.window->grab().toImage();
        QVERIFY(!shown.isNull());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY2(!maps.readAll().contains("/imageformats/"), "an image plugin was loaded");
    }

    void programIdentity()
    {
        applyProgramIdentity();
        applyProgramIcon(*qApp);
        QCOMPARE(QApplication::applicationName(), QString("Lumivane"));
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")
                    .match(QApplication::applicationVersion())
                    .hasMatch());
        QCOMPARE(QGuiApplication::desktopFileName(), QString("org.lumivane.Lumivane"));
        // Every rendered size, in the picture's own colours: a clear corner
        // and the red dot of a snap.
        const QIcon icon = QApplication::windowIcon();
        for (int size : {16, 32, 48, 64, 128})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
        const QImage large = icon.pixmap(128).toImage();
        QCOMPARE(large.size(), QSize(128, 128));
        QCOMPARE(large.pixelColor(0, 0).alpha(), 0);
        const QColor dot = large.pixelColor(101, 27);
        QVERIFY2(dot.red() > 200 && dot.green() < 110 && dot.blue() < 110, qPrintable(dot.name()));
        // Set, the display name would be appended to every window title.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QString("Lumivane"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
