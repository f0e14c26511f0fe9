#include "DataColumns.h"
#include "TestWindow.h"
#include "core/PlatformPaths.h"
#include "dialogs/frmFileType.h"
#include "program/ProgramIdentity.h"
#include "widgets/ProgramStyle.h"

#include <QAccessible>
#include <QTemporaryDir>

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    // The window as the program starts: one call to the device, the
    // defaults in force, and frames drawn without a picture, so that showing
    // it reads no image file and loads none of the image plugins. A slider
    // dragged then shows the setting it will send: the negated position.
    void theWindowAsItStarts()
    {
        applyProgramStyle(*qApp);
        TestWindow t;
        QCOMPARE(t.device->log(), QStringList{"call StopPreview"});
        QVERIFY(!t.window->grab().toImage().isNull());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY2(!maps.readAll().contains("/imageformats/"), "an image plugin was loaded");

        const CaptureState &s = t.state();
        // No flag set: none is True, nor anything but False.
        QCOMPARE(s.bRapidSnap | s.bSaveFile | s.bFileIncrement, int(FlagFalse));
        QCOMPARE((QList<qint32>{s.iSnapTime, s.iCountDown}), (QList<qint32>{60, 60}));
        const CaptureControls &c = t.controls();
        // The first snap's path, shown and as the label's tip.
        QCOMPARE((QStringList{c.lblPath->text(), c.lblPath->toolTip()}),
                 QStringList(2, QCoreApplication::applicationDirPath() + "/Lumivane00000.bmp"));

        // The lists' start-up entries are read through AT-SPI in the window
        // tests, what the other controls send the device in the snap tests.
        QVERIFY(c.optNoSave->isChecked());
        QVERIFY(!c.Frame12->isEnabled() && !c.CmbSnapTime->isEnabled());
        QVERIFY(c.lblNextSnap->isHidden() && c.lblNextSnap->text().isEmpty());
        QVERIFY(c.imgTemp->isHidden());
        QVERIFY(!c.tmrDelaySnap->isActive() && !c.tmrprogressbaraquire->isActive());
        QCOMPARE(c.lblProgressBar->text(), QString("Waiting"));
        for (AdjustmentSlider *slider :
             {c.sldBright, c.sldContrast, c.sldGamma, c.sldSharpness, c.sldSaturation, c.sldTint,
              c.sldRed, c.sldGreen, c.sldBlue}) {
            QVERIFY2(slider->invertedAppearance(), "the minimum belongs at the top");
            QVERIFY(slider->toolTip().isEmpty() && slider->dragText().isEmpty());
            slider->setSliderDown(true);
            slider->setSliderPosition(30);
            QCOMPARE(slider->dragText(), QString("-30"));
        }
        QCOMPARE(c.imgDisplay->geometry(), QRect(t.window->width() - 640, 0, 640, 480));

        // The controls Tab reaches, by their object names, in order.
        const QStringList tabOrder{
            "sldBright",  "sldContrast",    "sldGamma",         "sldSharpness", "sldSaturation",
            "sldTint",    "sldRed",         "sldGreen",         "sldBlue",      "cmbSnapMode",
            "CmbSize",    "cmbColor",       "cmbSnapMethod",    "chkNegative",  "chkOptimized",
            "cmbSource",  "chkVidOut",      "cmbProcessFilter", "CmbSnapTime",  "optNoSave",
            "opSameName", "optIncremental", "cmdFileInfo"};
        QStringList reached;
        for (QWidget *widget = c.sldBright; reached.size() < tabOrder.size();
             widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() != Qt::NoFocus)
                reached << widget->objectName();
        }
        QCOMPARE(reached, tabOrder);

        // The picture is described to screen readers by what it shows.
        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(c.imgDisplay);
        t.device->setPicture(QImage(320, 240, QImage::Format_RGB32));
        emit t.device->SnapDone();
        QCOMPARE(picture->text(QAccessible::Description), QString("Last snap, 320 x 240"));
        emit t.device->PictureUpdated();
        QCOMPARE(picture->text(QAccessible::Description), QString("live preview"));
    }

    // Installed, snaps go among the user's pictures; run from where it was
    // built, beside the program.
    void defaultSnapFolderFollowsWhereTheProgramRuns_data()
    {
        addColumns<QString, bool, bool>({"programFolder", "writable", "installed"});
        QTest::newRow("build folder") << "build/release" << true << false;
        QTest::newRow("bin folder of a prefix") << "local/bin" << true << true;
        QTest::newRow("folder the user cannot write") << "opt/lumivane" << false << true;
    }

    void defaultSnapFolderFollowsWhereTheProgramRuns()
    {
        const auto [programFolder, writable, installed] = fetchRow<QString, bool, bool>();
        QTemporaryDir scratch;
        const QString folder = scratch.filePath(programFolder);
        QVERIFY(QDir().mkpath(folder));
        // Open to everyone, and the folder written to by its owner alone, if
        // by anyone.
        QVERIFY(::chmod(qPrintable(scratch.path()), 0755) == 0);
        QVERIFY(::chmod(qPrintable(folder), writable ? 0755 : 0555) == 0);
        // Root may write anywhere, so the folder is looked at as a user
        // without privileges, whom access() asks about by the real user id;
        // the scratch folder lets that user through to it.
        const bool asNobody = !writable && ::getuid() == 0;
        if (asNobody)
            QVERIFY(::setresuid(65534, uid_t(-1), uid_t(-1)) == 0);
        const QString chosen = platform::defaultSnapFolder(folder);
        if (asNobody)
            QVERIFY(::setresuid(0, uid_t(-1), uid_t(-1)) == 0);

        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        QCOMPARE(chosen, installed ? pictures + "/Lumivane" : folder);
    }

    // The texts a user reads, odd spellings and blanks included, and the
    // groups whose titles do not name the slider they hold.
    void textsReadExactly_data()
    {
        addColumns<QString, QStringList, QString>({"control", "texts", "holds"});
        const auto row = [](const char *control, const QStringList &texts, const char *holds = "") {
            QTest::newRow(control) << control << texts << holds;
        };
        row("Frame1", {" Snap Mode"});
        row("Brightness", {"Contrast"}, "sldContrast");
        row("Frame6", {"Bright"}, "sldBright");
        row("Frame10", {"Sharp"});
        row("Frame9", {"Saturatn"});
        row("optIncremental", {"Save Incremental "});
        row("CmbSnapTime", {"Every 1 Min", "Every 2 Mins", "Every 5 Mins", "Every 10 Mins",
                            "Every 15 Mins", "Every 30 Mins", "Every 60 Mins", "Every 2Hrs",
                            "Every 3 Hrs", "Every 6 Hrs", "Every 12 Hrs", "Every 24 Hrs"});
        row("cmbColor",
            {"4 bit 16 Colors", "8 Bit 256 colors", "16 Bit High Color", "24 Bit True Color"});
        row("cmbSnapMode",
            {"Off", "B/W Preview", "Color Preview", "Single Snap", "Rapid Snap", "Delayed Snap"});
        row("optBMP", {"BMP -- Windows Bitmap"});
        row("optIFF", {"IFF    -- Amiga Interchange File Format"});
        row("optJPG", {"JPG  -- JPEG"});
        row("optPCX", {"PCX -- PC PaintBrush"});
        row("optPNG", {"PNG -- Portable Network Graphic"});
        row("optTGA", {"TGA -- Targa"});
        row("optTIf", {"TIF -- Tagged Image File"});
    }
    void textsReadExactly()
    {
        const auto [control, texts, holds] = fetchRow<QString, QStringList, QString>();
        TestWindow t;
        QString imageType;
        frmFileType typeDialog(imageType);
        QWidget *widget = t.window->findChild<QWidget *>(control);
        if (!widget)
            widget = typeDialog.findChild<QWidget *>(control);
        QVERIFY(widget);
        // A list's entries, else a group's title or a button's caption.
        QStringList shown;
        if (const auto *list = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < list->count(); ++i)
                shown << list->itemText(i);
        } else {
            shown << widget->property(qobject_cast<QGroupBox *>(widget) ? "title" : "text")
                         .toString();
        }
        QCOMPARE(shown, texts);
        QVERIFY(holds.isEmpty() || widget->findChild<QWidget *>(holds));
    }

    // Each selection runs its handler once: by code, even of the entry
    // already chosen, or by the user, where a check box or an option answers
    // a click anywhere across its width. The state starts as no control shows
    // it, so that each handler's writes tell that it ran; the number and the
    // summary stay as they were.
    void selectionRunsItsHandlerOnce_data()
    {
        addColumns<QString, QString, QStringList, int, bool, bool>(
            {"control", "how", "log", "shown", "saving", "incremental"});
        const auto row = [](const char *tag, const char *control, const char *how, int shown,
                            bool saving, bool incremental, const QStringList &log = {}) {
            QTest::newRow(tag) << control << how << log << shown << saving << incremental;
        };
        row("snap mode by code", "cmbSnapMode", "code", 0, false, true, {"call StopPreview"});
        row("no save by code", "optNoSave", "code", 1, false, false);
        row("snap mode by key", "cmbSnapMode", "key", 1, false, true,
            {"call StopPreview", "write PreviewColor int16 0", "call StartPreview"});
        row("same name at its far end", "opSameName", "far end", 1, true, false);
        row("optimized at its far end", "chkOptimized", "far end", 0, false, true);
    }
    void selectionRunsItsHandlerOnce()
    {
        const auto [control, how, log, shown, saving, incremental] =
            fetchRow<QString, QString, QStringList, int, bool, bool>();
        TestWindow t;
        // Saving stays off as the program starts it.
        t.state().bFileIncrement = FlagTrue;
        t.state().iCurrentImageNumber = 17;
        const QString label = t.controls().lblPath->text();
        t.device->clearLog();
        QWidget *widget = t.window->findChild<QWidget *>(control);
        auto *list = qobject_cast<DropDownList *>(widget);
        if (how == "code")
            list ? list->select(0) : qobject_cast<OptionButton *>(widget)->select();
        else if (how == "key")
            QTest::keyClick(widget, Qt::Key_Down);
        else
            QTest::mouseClick(widget, Qt::LeftButton, {},
                              QPoint(widget->width() - 2, widget->height() / 2));

        QCOMPARE(widget->property(list ? "currentIndex" : "checked").toInt(), shown);
        QCOMPARE(t.device->log(), log);
        QCOMPARE(t.state().bSaveFile, saving ? FlagTrue : FlagFalse);
        QCOMPARE(t.state().bFileIncrement, incremental ? FlagTrue : FlagFalse);
        QCOMPARE(t.state().iCurrentImageNumber, 17);
        QCOMPARE(t.controls().lblPath->text(), label);
    }

    // Every size of the icon drawn at build time, in the picture's own
    // colours: a clear corner and the red dot of a snap.
    void programIdentity()
    {
        applyProgramIdentity();
        // Set, the display name would be appended to every window title.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QString("Lumivane"));
        applyProgramIcon(*qApp);
        const QIcon icon = QApplication::windowIcon();
        for (int size : {16, 32, 48, 64, 128})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
        const QImage large = icon.pixmap(128).toImage();
        QCOMPARE(large.pixelColor(0, 0).alpha(), 0);
        const QColor dot = large.pixelColor(101, 27);
        QVERIFY2(dot.red() > 200 && dot.green() < 110 && dot.blue() < 110, qPrintable(dot.name()));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
