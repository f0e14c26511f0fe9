#include "ModalDialog.h"
#include "ScriptedPrompts.h"
#include "TestWindow.h"

#include "core/PlatformPaths.h"
#include "dialogs/frmFileType.h"
#include "dialogs/frmPath.h"

#include <QStorageInfo>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

// The text a label puts on the screen: its markup read, where it has any.
QString shownText(const QLabel *label)
{
    const bool markup = label->textFormat() == Qt::RichText ||
                        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!markup)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

} // namespace

class OutputPathDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temporary;

private slots:
    void initTestCase() { QVERIFY(QDir(m_temporary.path()).mkpath("Pics")); }

    void nameEdits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        // Each refused character in turn at the start, inside and at the end.
        const QString bad = QStringLiteral("\\/:*?\"<>|");
        for (int i = 0; i < bad.size(); ++i) {
            const QString text = QString("pic").insert(i % 4, bad.at(i));
            QTest::addRow("%s", qPrintable(text)) << text << true;
        }
        QTest::newRow("hyphen, blank, dot") << " pic-01 v2. " << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("tab and look-alike slash") << QString::fromUtf8("a\tb\u2215c") << false;
    }
    void nameEdits()
    {
        QFETCH(QString, text);
        QFETCH(bool, refused);
        CaptureState state;
        QLabel lblPath;
        ScriptedPrompts prompts;
        frmPath dialog(state, lblPath, prompts);
        dialog.Text1->setText(QStringLiteral("pic 2"));
        dialog.Text1->setText(text);

        // A refused edit brings back the last accepted name.
        const QString name = refused ? QStringLiteral("pic 2") : text;
        QCOMPARE(dialog.Text1->text(), name);
        QCOMPARE(dialog.fields.sNewFile, name);
        QCOMPARE(prompts.messages,
                 refused ? QStringList{"Invalid Character in File Name!"} : QStringList{});
    }

    void openAndClose_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("ending");
        const auto row = [](const char *tag, const QString &start, const QString &folder,
                            const QString &name, const QString &type, const QString &ending) {
            QTest::newRow(tag) << start << folder << name << type << ending;
        };
        const QString temp = QDir::tempPath();
        const QString pics = m_temporary.filePath("Pics");
        row("OK", temp, pics, "pic", "jpg", "ok");
        row("OK, empty name", temp, pics, "", "png", "ok");
        row("OK, root folder", temp, "/", "pic", "tga", "ok");
        // Not the drive list's first volume: the opener has to choose the
        // drive before the folder on it.
        row("opened on another volume", "/dev/shm", pics, "pic", "jpg", "ok");
        // The label stays as it was.
        row("Cancel", temp, pics, "holiday", "png", "Cancel");
        row("close control", temp, pics, "holiday", "png", "close");
    }
    void openAndClose()
    {
        QFETCH(QString, start);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, ending);
        if (start == QLatin1String("/dev/shm") && QStorageInfo(start).rootPath() != start)
            QSKIP("/dev/shm is not a volume of its own here");
        QTemporaryDir temporary(start + "/lumivane-XXXXXX");
        QVERIFY(temporary.isValid());
        TestWindow t;
        t.state().sCurrentpath = temporary.path();
        t.state().sFileName = QStringLiteral("pic");
        t.state().iCurrentImageNumber = 5;
        t.state().sFileType = QStringLiteral("bmp");
        const QString before = t.controls().lblPath->text();
        t.prompts.answers << QStringList{"42", "Shots"};
        const bool ok = ending == QLatin1String("ok");
        const QString missing = temporary.filePath("medium-gone");
        const QString unreadable = "Cannot open the folder " + missing + ": " +
                                   QString::fromLocal8Bit(std::strerror(ENOENT));

        QVERIFY(clickAndAnswer<frmPath>(t.controls().cmdFileInfo, [&](frmPath &dialog) {
            // The state in force, on the volume that holds its folder.
            QCOMPARE(dialog.Drive1->drive(), QStorageInfo(temporary.path()).rootPath());
            QCOMPARE(dialog.Dir1->path(), temporary.path());
            QCOMPARE(dialog.Text1->text(), QString("pic"));
            QCOMPARE(dialog.fields.iNewImageNumber, 5);
            QCOMPARE(dialog.fields.sNewImageType, QString("bmp"));

            dialog.SetCounter->click();
            dialog.NewDir->click();
            QCOMPARE(dialog.fields.iNewImageNumber, 42);
            QCOMPARE(dialog.Dir1->path(), temporary.filePath("Shots"));
            // A drive that cannot be read leaves both lists as they were.
            dialog.Drive1->setDrive(missing);
            QCOMPARE(dialog.Dir1->path(), temporary.filePath("Shots"));
            QCOMPARE(dialog.Drive1->drive(), QStorageInfo(temporary.path()).rootPath());
            QVERIFY(dialog.Dir1->setPath(folder).isEmpty());
            dialog.Text1->setText(name);
            QVERIFY(clickAndAnswer<frmFileType>(dialog.cmdFileType, [&](frmFileType &chooser) {
                chooser.findChild<OptionButton *>("opt" + type.toUpper())->click();
                chooser.cmdOK->click();
            }));
            QCOMPARE(dialog.fields.sNewImageType, type);

            if (ending == QLatin1String("close"))
                dialog.close();
            else
                dialog.findChild<QPushButton *>(ending)->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
        }));

        QCOMPARE(t.state().sCurrentpath, ok ? folder : temporary.path());
        QCOMPARE(t.state().sFileName, ok ? name : "pic");
        QCOMPARE(t.state().iCurrentImageNumber, ok ? 42 : 5);
        QCOMPARE(t.state().sFileType, ok ? type : "bmp");
        const QString label = ok ? QDir(folder).filePath(name + "00042." + type) : before;
        QCOMPARE(t.controls().lblPath->text(), label);
        QCOMPARE(t.controls().lblPath->toolTip(), label);
        const QString summary = "Current Path is: " + folder + "\r\nCurrent File name is: " + name +
                                "\r\nCurrent image number is: 42\r\nCurrent Image type is: " + type;
        QCOMPARE(t.prompts.messages,
                 (ok ? QStringList{unreadable, summary} : QStringList{unreadable}));
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
        QCOMPARE(t.prompts.messages,
                 isDefault ? QStringList()
                           : QStringList{"Cannot open the folder " + folder + ": " +
                                         QString::fromLocal8Bit(std::strerror(ENOENT))});
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
            Dir1.setCurrentItem(Dir1.itemOfPath(volume));
            const QPoint spot = Dir1.visualItemRect(Dir1.currentItem()).center();
            if (how == "Return") {
                QTest::keyClick(&Dir1, Qt::Key_Return);
            } else {
                QTest::mouseClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
                QTest::mouseDClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
            }
        }
        QCOMPARE(Dir1.path(), volume);
        QCOMPARE(Dir1.topLevelItem(0)->text(0), volume);
        QCOMPARE(Dir1.itemOfPath(volume), Dir1.topLevelItem(0));
        QCOMPARE(dialog.Drive1->drive(), volume);

        // Picking the system's root then goes there, as any drive choice does.
        dialog.Drive1->setCurrentIndex(dialog.Drive1->findText("/"));
        QCOMPARE(Dir1.path(), QString("/"));
        QVERIFY(prompts.messages.isEmpty());
    }

    // What the user typed reaches the screen as typed, wherever it shows.
    void userTextIsNeverMarkup_data()
    {
        QTest::addColumn<QString>("where");
        for (const char *where : {"path label", "its tool tip", "message box", "input box"})
            QTest::newRow(where) << where;
    }
    void userTextIsNeverMarkup()
    {
        QFETCH(QString, where);
        const QString typed = QStringLiteral("<b>snap&lt;1&gt;");
        TestWindow t;
        QLabel *lblPath = t.controls().lblPath;
        QtPrompts prompts;
        QObject guard;
        QString seen;
        if (where == "path label") {
            lblPath->setText(typed);
            seen = shownText(lblPath);
        } else if (where == "its tool tip") {
            lblPath->setToolTip(typed);
            QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), lblPath->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(lblPath, &help);
            QTRY_VERIFY(QToolTip::isVisible());
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == "qtooltip_label")
                    seen = shownText(static_cast<QLabel *>(top));
            }
            QCOMPARE(lblPath->toolTip(), typed);
        } else {
            QTimer::singleShot(0, &guard, [&] {
                QWidget *box = QApplication::activeModalWidget();
                seen = shownText(box->findChild<QLabel *>(
                    where == "message box" ? QStringLiteral("qt_msgbox_label") : QString()));
                box->close();
            });
            if (where == "message box")
                prompts.message(typed);
            else
                prompts.input(typed, "caption", "");
        }
        QCOMPARE(seen, typed);
    }

    void imageTypeDialog_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("pending");
        QTest::newRow("OK at once") << QStringList{} << QString("cmdOK") << QString("bmp");
        // Each option after another one: the last click wins.
        for (const QString type : {"BMP", "IFF", "JPG", "PCX", "PNG", "TGA", "TIf"}) {
            QTest::addRow("TGA, then %s", qPrintable(type))
                << QStringList{"optTGA", "opt" + type} << "cmdOK" << type.toLower();
        }
        QTest::newRow("cancel") << QStringList{"optJPG"} << QString("cmdCancel") << QString("png");
        QTest::newRow("close control")
            << QStringList{"optJPG"} << QString("close") << QString("png");
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

        for (const QString &option : clicks) {
            // Anywhere across the option's width answers, not only its caption.
            auto *button = dialog.findChild<OptionButton *>(option);
            QTest::mouseClick(button, Qt::LeftButton, {},
                              QPoint(button->width() - 2, button->height() / 2));
        }
        if (ending == QLatin1String("close"))
            dialog.close();
        else
            dialog.findChild<QPushButton *>(ending)->click();

        QVERIFY(!dialog.isVisible());
        QCOMPARE(sNewImageType, pending);
    }
};

QTEST_MAIN(OutputPathDialogTest)
#include "tst_output_path_dialog.moc"
