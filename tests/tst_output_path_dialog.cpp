#include "DataColumns.h"
#include "ModalDialog.h"
#include "ScriptedPrompts.h"
#include "TestWindow.h"

#include "dialogs/frmFileType.h"
#include "dialogs/frmPath.h"

#include <QStorageInfo>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

// Text as the screen shows it in the given format: its markup read, where it has any.
QString shownText(const QString &text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    return QTextDocumentFragment::fromHtml(text).toPlainText();
}

QString cannotOpen(const QString &folder)
{
    return "Cannot open the folder " + folder + ": " +
           QString::fromLocal8Bit(std::strerror(ENOENT));
}

// By the named button, or by the window's close control.
void finish(QDialog &dialog, const QString &how)
{
    if (how == QLatin1String("close"))
        dialog.close();
    else
        dialog.findChild<QPushButton *>(how)->click();
}

} // namespace

class OutputPathDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temporary;

private slots:
    void initTestCase() { QVERIFY(QDir(m_temporary.path()).mkpath("Pics")); }

    void openAndClose_data()
    {
        addColumns<QString, QString, QString, QStringList, QString>(
            {"start", "folder", "name", "clicks", "ending"});
        const auto row = [](const char *tag, const QString &start, const QString &folder,
                            const QString &name, const QStringList &clicks, const QString &ending) {
            QTest::newRow(tag) << start << folder << name << clicks << ending;
        };
        const QString temp = QDir::tempPath();
        const QString pics = m_temporary.filePath("Pics");
        // The last option clicked is the type.
        row("OK, hyphen, blanks and dot", temp, pics, " pic-01 v2. ", {"optTGA", "optJPG"}, "ok");
        row("OK, empty name", temp, pics, "", {"optTGA", "optBMP"}, "ok");
        row("OK, root folder, tab and look-alike slash", temp, "/",
            QString::fromUtf8("a\tb\u2215c"), {"optPCX"}, "ok");
        // The image type dialog opens on BMP, not on the type in force.
        row("OK, type as the image type dialog opens", temp, pics, "pic", {}, "ok");
        row("OK, IFF", temp, pics, "pic", {"optIFF"}, "ok");
        row("OK, PNG", temp, pics, "pic", {"optPNG"}, "ok");
        row("OK, TIF", temp, pics, "pic", {"optTIf"}, "ok");
        // Not the drive list's first volume: the opener has to choose the
        // drive before the folder on it.
        row("opened on another volume", "/dev/shm", pics, "pic", {"optTGA"}, "ok");
        // Both dialogs ended alike; the label stays as it was.
        row("Cancel", temp, pics, "holiday", {"optJPG"}, "Cancel");
        row("close control", temp, pics, "holiday", {"optJPG"}, "close");
    }
    void openAndClose()
    {
        // QFETCH rather than fetchRow(): clang before 16 cannot capture
        // structured bindings in the dialogs' handlers below.
        QFETCH(QString, start);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QStringList, clicks);
        QFETCH(QString, ending);
        const QString type = clicks.isEmpty() ? "bmp" : clicks.last().mid(3).toLower();
        if (start == QLatin1String("/dev/shm") && QStorageInfo(start).rootPath() != start)
            QSKIP("/dev/shm is not a volume of its own here");
        QTemporaryDir temporary(start + "/lumivane-XXXXXX");
        QVERIFY(temporary.isValid());
        TestWindow t;
        t.state().sCurrentpath = temporary.path();
        t.state().sFileName = QStringLiteral("pic");
        t.state().iCurrentImageNumber = 5;
        t.state().sFileType = QStringLiteral("png");
        const QString before = t.controls().lblPath->text();
        t.prompts.answers << QStringList{"2000000000", "Shots"};
        const bool ok = ending == QLatin1String("ok");
        const QString missing = temporary.filePath("medium-gone");
        const QString refused = QStringLiteral("\\/:*?\"<>|");

        QVERIFY(clickAndAnswer<frmPath>(t.controls().cmdFileInfo, [&](frmPath &dialog) {
            // The state in force, on the volume that holds its folder.
            QCOMPARE(dialog.Drive1->drive(), QStorageInfo(temporary.path()).rootPath());
            QCOMPARE(dialog.Dir1->path(), temporary.path());
            QCOMPARE(dialog.Text1->text(), QString("pic"));
            QCOMPARE(dialog.fields.iNewImageNumber, 5);
            QCOMPARE(dialog.fields.sNewImageType, QString("png"));

            dialog.SetCounter->click();
            dialog.NewDir->click();
            // A drive that cannot be read leaves both lists as they were.
            dialog.Drive1->setDrive(missing);
            QCOMPARE(dialog.Dir1->path(), temporary.filePath("Shots"));
            QCOMPARE(dialog.Drive1->drive(), QStorageInfo(temporary.path()).rootPath());
            QVERIFY(dialog.Dir1->setPath(folder).isEmpty());
            // Each refused character, at the start, inside and at the end,
            // brings back the last accepted name.
            for (int i = 0; i < refused.size(); ++i) {
                dialog.Text1->setText(QString("pic").insert(i % 4, refused.at(i)));
                QCOMPARE(dialog.Text1->text(), QString("pic"));
                QCOMPARE(dialog.fields.sNewFile, QString("pic"));
            }
            dialog.Text1->setText(name);
            QVERIFY(clickAndAnswer<frmFileType>(dialog.cmdFileType, [&](frmFileType &chooser) {
                QVERIFY(chooser.optBMP->isChecked());
                QTRY_VERIFY(chooser.optBMP->hasFocus());
                for (const QString &option : clicks)
                    chooser.findChild<OptionButton *>(option)->click();
                finish(chooser, ok ? "cmdOK" : ending == "Cancel" ? "cmdCancel" : "close");
            }));
            QCOMPARE(dialog.fields.sNewImageType, ok ? type : "png");
            finish(dialog, ending);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
        }));

        QCOMPARE(t.state().sCurrentpath, ok ? folder : temporary.path());
        QCOMPARE(t.state().sFileName, ok ? name : "pic");
        QCOMPARE(t.state().iCurrentImageNumber, ok ? 2000000000 : 5);
        QCOMPARE(t.state().sFileType, ok ? type : "png");
        // Numbers beyond five digits are written in full.
        const QString label = ok ? QDir(folder).filePath(name + "2000000000." + type) : before;
        QCOMPARE(t.controls().lblPath->text(), label);
        QCOMPARE(t.controls().lblPath->toolTip(), label);
        const QString summary =
            "Current Path is: " + folder + "\r\nCurrent File name is: " + name +
            "\r\nCurrent image number is: 2000000000\r\nCurrent Image type is: " + type;
        const QStringList messages = QStringList{cannotOpen(missing)} +
                                     QStringList(refused.size(), "Invalid Character in File Name!");
        QCOMPARE(t.prompts.messages, ok ? messages + QStringList{summary} : messages);
    }

    // The dialog opens on the default folder before any save has made it; a
    // chosen folder that has gone is reported, and not made again.
    void openingOnAMissingFolder_data()
    {
        QTest::addColumn<bool>("isDefault");
        for (bool isDefault : {true, false})
            QTest::newRow(isDefault ? "default" : "chosen") << isDefault;
    }
    void openingOnAMissingFolder()
    {
        QFETCH(bool, isDefault);
        const QString folder = m_temporary.filePath(isDefault ? "Default/Lumivane" : "Gone");
        TestWindow t;
        t.state().sCurrentpath = folder;
        if (isDefault)
            t.state().sDefaultPath = folder;
        QString shown;
        QVERIFY(clickAndAnswer<frmPath>(t.controls().cmdFileInfo,
                                        [&](frmPath &dialog) { shown = dialog.Dir1->path(); }));
        QCOMPARE(shown == folder, isDefault);
        QCOMPARE(QFileInfo(folder).isDir(), isDefault);
        QCOMPARE(t.prompts.messages, isDefault ? QStringList() : QStringList{cannotOpen(folder)});
    }

    // A drive root, then a folder on another volume opened from its parent by
    // double-click, by Return, or through a link into it.
    void folderListAndDriveListAgree_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"double-click", "Return", "link"})
            QTest::newRow(how) << how;
    }
    void folderListAndDriveListAgree()
    {
        QFETCH(QString, how);
        const QString volume = QStringLiteral("/dev/shm");
        if (QStorageInfo(volume).rootPath() != volume)
            QSKIP("/dev/shm is not a volume of its own here");
        CaptureState state;
        QLabel lblPath;
        ScriptedPrompts prompts;
        frmPath dialog(state, lblPath, prompts);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        DirectoryList &Dir1 = *dialog.Dir1;
        QTemporaryDir temporary;
        QVERIFY(QFile::link(volume, temporary.filePath("elsewhere")));
        QVERIFY(Dir1.setPath(how == "link" ? temporary.filePath("elsewhere") : "/dev").isEmpty());
        if (how != "link") {
            // Highlighted, a folder is not the current path until it is opened.
            Dir1.setCurrentItem(Dir1.itemOfPath(volume));
            QCOMPARE(Dir1.path(), QString("/dev"));
            const QPoint spot = Dir1.visualItemRect(Dir1.currentItem()).center();
            if (how == "Return") {
                QTest::keyClick(&Dir1, Qt::Key_Return);
            } else {
                QTest::mouseClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
                QTest::mouseDClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
            }
        }
        // The current folder, the list's root and the drive: all the volume.
        QCOMPARE((QStringList{Dir1.path(), Dir1.topLevelItem(0)->text(0), dialog.Drive1->drive()}),
                 QStringList(3, volume));
        QCOMPARE(Dir1.itemOfPath(volume), Dir1.topLevelItem(0));

        // Picking the system's root then goes there, as any drive choice does.
        dialog.Drive1->setCurrentIndex(dialog.Drive1->findText("/"));
        QCOMPARE(Dir1.path(), QString("/"));
        QVERIFY(prompts.messages.isEmpty());
    }

    // What the user typed reaches the screen as typed, wherever it shows.
    void userTextIsNeverMarkup()
    {
        const QString typed = QStringLiteral("<b>snap&lt;1&gt;");
        TestWindow t;
        QLabel *lblPath = t.controls().lblPath;
        lblPath->setText(typed);
        QCOMPARE(shownText(lblPath->text(), lblPath->textFormat()), typed);
        lblPath->setToolTip(typed);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), lblPath->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(lblPath, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(shownText(QToolTip::text(), Qt::AutoText), typed);

        // The message box's label, then the input box's only one.
        QtPrompts prompts;
        for (const QString name : {"qt_msgbox_label", ""}) {
            QString seen;
            QObject guard;
            QTimer::singleShot(0, &guard, [&] {
                QWidget *box = QApplication::activeModalWidget();
                const auto *label = box->findChild<QLabel *>(name);
                seen = shownText(label->text(), label->textFormat());
                box->close();
            });
            if (name.isEmpty())
                prompts.input(typed, "caption", "");
            else
                prompts.message(typed);
            QCOMPARE(seen, typed);
        }
    }
};

QTEST_MAIN(OutputPathDialogTest)
#include "tst_output_path_dialog.moc"
