#include "ScriptedPrompts.h"
#include "TestWindow.h"

#include "app/PlatformPaths.h"
#include "output/frmFileType.h"
#include "output/frmPath.h"

#include <QStorageInfo>
#include <QtTest>

#include <functional>

namespace {

// Acts on a dialog of the given type once it is shown modally, from inside the
// event loop that the opener waits in.
template <typename Dialog>
class WhenShownModally {
public:
    explicit WhenShownModally(std::function<void(Dialog &)> act)
        : m_act(std::move(act))
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool acted() const { return m_acted; }

private:
    void poll()
    {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            m_timer.stop();
            m_acted = true;
            m_act(*dialog);
            return;
        }
        // A modal box of another kind would never close: end it so that the
        // test fails instead of waiting for ever.
        if (QWidget *other = QApplication::activeModalWidget()) {
            m_timer.stop();
            other->close();
        }
    }

    QTimer m_timer;
    std::function<void(Dialog &)> m_act;
    bool m_acted = false;
};

QString summary(const QString &folder, const QString &name, qint32 number, const QString &type)
{
    return "Current Path is: " + folder + "\r\nCurrent File name is: " + name +
           "\r\nCurrent image number is: " + QString::number(number) +
           "\r\nCurrent Image type is: " + type;
}

bool isOwnVolume(const QString &path)
{
    const QStorageInfo volume(path);
    return volume.isValid() && volume.rootPath() == path;
}

struct PathDialogRig {
    CaptureState state;
    QLabel lblPath;
    ScriptedPrompts prompts;
    frmPath dialog{state, lblPath, prompts};

    PathDialogRig(const QString &folder, const QString &name, qint32 number, const QString &type)
    {
        state.sCurrentpath = folder;
        state.sFileName = name;
        state.iCurrentImageNumber = number;
        state.sFileType = type;
        lblPath.setText(snapFileName(state));
        lblPath.setToolTip(snapFileName(state));
        dialog.Drive1->setDrive(platform::volumeOf(folder));
        dialog.Dir1->setPath(platform::folderToList(folder));
        dialog.fields.sNewFile = name;
        dialog.fields.iNewImageNumber = number;
        dialog.fields.sNewImageType = type;
        dialog.Form_Activate();
    }
};

} // namespace

class OutputPathDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temporary;

private slots:
    void initTestCase() { QVERIFY(QDir(m_temporary.path()).mkpath("Pics/Shots")); }

    void okWritesStateLabelAndSummary_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("label");
        const QString pics = m_temporary.filePath("Pics");
        QTest::newRow("counter 0") << pics << "pic" << 0 << "bmp" << pics + "/pic00000.bmp";
        QTest::newRow("counter 42") << pics << "pic" << 42 << "jpg" << pics + "/pic00042.jpg";
        QTest::newRow("counter 12345") << pics << "pic" << 12345 << "tif" << pics + "/pic12345.tif";
        QTest::newRow("empty name") << pics << "" << 7 << "png" << pics + "/00007.png";
        QTest::newRow("root folder") << "/"
                                     << "pic" << 42 << "bmp"
                                     << "/pic00042.bmp";
    }
    void okWritesStateLabelAndSummary()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(qint32, number);
        QFETCH(QString, type);
        QFETCH(QString, label);
        PathDialogRig rig(m_temporary.path(), "Lumivane", 3, "bmp");
        QVERIFY(rig.dialog.Dir1->setPath(folder).isEmpty());
        rig.dialog.Text1->setText(name);
        rig.dialog.fields.iNewImageNumber = number;
        rig.dialog.fields.sNewImageType = type;

        rig.dialog.ok->click();

        QCOMPARE(rig.state.sCurrentpath, folder);
        QCOMPARE(rig.state.sFileName, name);
        QCOMPARE(rig.state.iCurrentImageNumber, number);
        QCOMPARE(rig.state.sFileType, type);
        QCOMPARE(rig.lblPath.text(), label);
        QCOMPARE(rig.lblPath.toolTip(), label);
        QCOMPARE(rig.prompts.messages, QStringList{summary(folder, name, number, type)});
        QCOMPARE(rig.dialog.result(), int(QDialog::Accepted));
    }

    void okTakesTheFolderNewFolderCreated()
    {
        QTemporaryDir temporary;
        PathDialogRig rig(temporary.path(), "pic", 0, "bmp");
        rig.prompts.answers.enqueue(QStringLiteral("Shots"));
        rig.dialog.NewDir->click();
        rig.dialog.ok->click();
        QCOMPARE(rig.state.sCurrentpath, temporary.filePath("Shots"));
    }

    void cancelAndClosingWriteNothing_data()
    {
        QTest::addColumn<bool>("byCloseControl");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close control") << true;
    }
    void cancelAndClosingWriteNothing()
    {
        QFETCH(bool, byCloseControl);
        const QString pics = m_temporary.filePath("Pics");
        PathDialogRig rig(pics, "pic", 5, "bmp");
        const QString label = rig.lblPath.text();
        rig.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.dialog));
        rig.dialog.Text1->setText(QStringLiteral("holiday"));
        rig.prompts.answers.enqueue(QStringLiteral("42"));
        rig.dialog.SetCounter->click();
        rig.dialog.fields.sNewImageType = QStringLiteral("png");
        QVERIFY(rig.dialog.Dir1->setPath(pics + "/Shots").isEmpty());
        QCOMPARE(rig.dialog.fields.iNewImageNumber, 42);

        if (byCloseControl)
            rig.dialog.close();
        else
            rig.dialog.Cancel->click();

        QVERIFY(!rig.dialog.isVisible());
        QCOMPARE(rig.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(rig.state.sCurrentpath, pics);
        QCOMPARE(rig.state.sFileName, QString("pic"));
        QCOMPARE(rig.state.iCurrentImageNumber, 5);
        QCOMPARE(rig.state.sFileType, QString("bmp"));
        QCOMPARE(rig.lblPath.text(), label);
        QCOMPARE(rig.lblPath.toolTip(), label);
        QVERIFY(rig.prompts.messages.isEmpty());
    }

    void unreadableDriveLeavesBothListsUsable()
    {
        QTemporaryDir temporary;
        PathDialogRig rig(temporary.path(), "pic", 0, "bmp");
        const QString missing = temporary.filePath("medium-gone");

        rig.dialog.Drive1->setDrive(missing);

        QCOMPARE(rig.prompts.messages.size(), 1);
        QVERIFY(rig.prompts.messages[0].startsWith("Cannot open the folder " + missing + ": "));
        QCOMPARE(rig.dialog.Dir1->path(), temporary.path());
        QCOMPARE(rig.dialog.Drive1->drive(), platform::volumeOf(temporary.path()));
        QVERIFY(rig.dialog.Dir1->setPath(temporary.path()).isEmpty());
        rig.dialog.ok->click();
        QCOMPARE(rig.state.sCurrentpath, temporary.path());
    }

    void imageTypeDialog_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("pending");
        QTest::newRow("OK at once") << QStringList{} << "cmdOK"
                                    << "bmp";
        QTest::newRow("last click wins") << QStringList{"optJPG", "optTGA"} << "cmdOK"
                                         << "tga";
        QTest::newRow("every type")
            << QStringList{"optIFF", "optPCX", "optPNG", "optTIf"} << "cmdOK"
            << "tif";
        QTest::newRow("cancel") << QStringList{"optJPG"} << "cmdCancel"
                                << "png";
        QTest::newRow("close control") << QStringList{"optJPG"} << "close"
                                       << "png";
    }
    void imageTypeDialog()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, ending);
        QFETCH(QString, pending);
        QString sNewImageType = QStringLiteral("png");
        frmFileType dialog(sNewImageType);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.optBMP->isChecked());
        QVERIFY(dialog.optBMP->hasFocus());

        for (const QString &option : clicks)
            QTest::mouseClick(dialog.findChild<OptionButton *>(option), Qt::LeftButton);
        if (ending == QLatin1String("close"))
            dialog.close();
        else
            QTest::mouseClick(dialog.findChild<QPushButton *>(ending), Qt::LeftButton);

        QVERIFY(!dialog.isVisible());
        QCOMPARE(sNewImageType, pending);
    }

    void imageTypeCaptions()
    {
        QString sNewImageType;
        frmFileType dialog(sNewImageType);
        QStringList captions;
        for (const OptionButton *option : dialog.FrmSelect->findChildren<OptionButton *>()) {
            captions << option->text();
            QVERIFY(!option->isChecked());
        }
        QCOMPARE(captions, (QStringList{"BMP -- Windows Bitmap",
                                        "IFF    -- Amiga Interchange File Format", "JPG  -- JPEG",
                                        "PCX -- PC PaintBrush", "PNG -- Portable Network Graphic",
                                        "TGA -- Targa", "TIF -- Tagged Image File"}));
    }

    void typeConfirmedThenPathDialogCancelledIsLost()
    {
        PathDialogRig rig(m_temporary.path(), "pic", 0, "bmp");
        rig.dialog.fields.sFolder = QStringLiteral("Shots");
        WhenShownModally<frmFileType> chooseTarga([](frmFileType &dialog) {
            dialog.optTGA->click();
            dialog.cmdOK->click();
        });
        rig.dialog.cmdFileType->click();
        QVERIFY(chooseTarga.acted());
        QCOMPARE(rig.dialog.fields.sNewImageType, QString("tga"));
        // Returning to the path dialog activates it again.
        QCOMPARE(rig.dialog.fields.sFolder, QString());

        rig.dialog.Cancel->click();
        QCOMPARE(rig.state.sFileType, QString("bmp"));
    }

    void openerShowsTheFolderOnItsOwnVolume()
    {
        if (!isOwnVolume("/dev/shm"))
            QSKIP("/dev/shm is not a volume of its own here");
        QTemporaryDir onShm(QStringLiteral("/dev/shm/lumivane-XXXXXX"));
        QVERIFY(onShm.isValid());
        TestWindow t;
        t.state().sCurrentpath = onShm.path();
        QString firstDrive, drive, folder;
        WhenShownModally<frmPath> look([&](frmPath &dialog) {
            firstDrive = dialog.Drive1->itemText(0);
            drive = dialog.Drive1->drive();
            folder = dialog.Dir1->path();
            dialog.ok->click();
        });
        t.controls().cmdFileInfo->click();

        QVERIFY(look.acted());
        QCOMPARE(firstDrive, QString("/"));
        QCOMPARE(drive, QString("/dev/shm"));
        QCOMPARE(folder, onShm.path());
        QCOMPARE(t.state().sCurrentpath, onShm.path());
    }

    void openerProposesTheStateInForce()
    {
        TestWindow t;
        t.state().sCurrentpath = m_temporary.filePath("Pics");
        t.state().sFileName = QStringLiteral("pic");
        t.state().iCurrentImageNumber = 42;
        t.state().sFileType = QStringLiteral("jpg");
        const QString label = t.controls().lblPath->text();

        WhenShownModally<frmPath> editAndCancel([](frmPath &dialog) {
            dialog.Text1->setText(QStringLiteral("other"));
            dialog.fields.iNewImageNumber = 9;
            dialog.fields.sNewImageType = QStringLiteral("png");
            dialog.Cancel->click();
        });
        t.controls().cmdFileInfo->click();
        QVERIFY(editAndCancel.acted());
        QCOMPARE(t.controls().lblPath->text(), label);

        QString name, type, folder;
        qint32 number = -1;
        WhenShownModally<frmPath> look([&](frmPath &dialog) {
            name = dialog.Text1->text();
            number = dialog.fields.iNewImageNumber;
            type = dialog.fields.sNewImageType;
            folder = dialog.Dir1->path();
            dialog.ok->click();
        });
        t.controls().cmdFileInfo->click();
        QVERIFY(look.acted());
        QCOMPARE(name, QString("pic"));
        QCOMPARE(number, 42);
        QCOMPARE(type, QString("jpg"));
        QCOMPARE(folder, m_temporary.filePath("Pics"));
        QCOMPARE(t.controls().lblPath->text(), m_temporary.filePath("Pics") + "/pic00042.jpg");
        QCOMPARE(t.prompts.messages.last(),
                 summary(m_temporary.filePath("Pics"), "pic", 42, "jpg"));
    }

    void saveMethodsSetTheFlags_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<Flag>("bSaveFile");
        QTest::addColumn<Flag>("bFileIncrement");
        QTest::newRow("Don't Save Snaps") << "optNoSave" << FlagFalse << FlagFalse;
        QTest::newRow("Save Same Name") << "opSameName" << FlagTrue << FlagFalse;
        QTest::newRow("Save Incremental ") << "optIncremental" << FlagTrue << FlagTrue;
    }
    void saveMethodsSetTheFlags()
    {
        QFETCH(QString, option);
        QFETCH(Flag, bSaveFile);
        QFETCH(Flag, bFileIncrement);
        TestWindow t;
        // Start from the opposite flags, so that each option has to set both.
        t.state().bSaveFile = bSaveFile == FlagTrue ? FlagFalse : FlagTrue;
        t.state().bFileIncrement = bFileIncrement == FlagTrue ? FlagFalse : FlagTrue;
        t.controls().lblPath->setText(QStringLiteral("/snaps/last00003.bmp"));
        t.window->findChild<OptionButton *>(option)->click();
        QCOMPARE(t.state().bSaveFile, bSaveFile);
        QCOMPARE(t.state().bFileIncrement, bFileIncrement);
        QCOMPARE(t.controls().lblPath->text(), QString("/snaps/last00003.bmp"));
        QVERIFY(t.prompts.messages.isEmpty());
    }

    void incrementalToSameNameKeepsTheNumber()
    {
        TestWindow t;
        t.controls().optIncremental->click();
        t.state().iCurrentImageNumber = 17;
        t.controls().opSameName->click();
        QCOMPARE(t.state().iCurrentImageNumber, 17);
        QCOMPARE(t.state().bSaveFile, FlagTrue);
        QCOMPARE(t.state().bFileIncrement, FlagFalse);
    }
};

QTEST_MAIN(OutputPathDialogTest)
#include "tst_output_path_dialog.moc"
