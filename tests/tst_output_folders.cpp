#include "ScriptedPrompts.h"

#include "app/PlatformPaths.h"
#include "output/NewFolder.h"

#include <QStorageInfo>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

const QString BadName = QStringLiteral("Invalid Character in Folder Name!");
const QString Exists = QStringLiteral("Folder already Exists!");

QString cannotOpen(const QString &folder, int error)
{
    return "Cannot open the folder " + folder + ": " + QString::fromLocal8Bit(std::strerror(error));
}

QStringList childCaptions(const QTreeWidgetItem *item)
{
    QStringList captions;
    for (int i = 0; i < item->childCount(); ++i)
        captions << item->child(i)->text(0);
    return captions;
}

// A user's double-click: a first click, then the second press that the
// system reports as a double-click.
void doubleClick(DirectoryList &list, const QString &folder)
{
    const QPoint spot = list.visualItemRect(list.itemOfPath(folder)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, spot);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, spot);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, spot);
}

struct FolderRig {
    QTemporaryDir temporary;
    DirectoryList Dir1;
    PathDialogFields fields;
    ScriptedPrompts prompts;

    FolderRig() { Dir1.setPath(temporary.path()); }
    QString folder(const QString &name) const { return temporary.filePath(name); }
    // Answers the prompts in turn; when the answers run out, the next prompt
    // is cancelled.
    void newFolder(const QStringList &answers)
    {
        for (const QString &answer : answers)
            prompts.answers.enqueue(answer);
        NewFolder(Dir1, fields, prompts).NewDir_Click();
    }
};

} // namespace

class OutputFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void createdInsideTheCurrentFolder()
    {
        FolderRig rig;
        const QString parent = rig.temporary.path();
        rig.newFolder({"Shots"});

        QVERIFY(QFileInfo(rig.folder("Shots")).isDir());
        QCOMPARE(rig.Dir1.path(), rig.folder("Shots"));
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(rig.prompts.inputs.size(), 1);
        QCOMPARE(rig.prompts.inputs[0].caption, "Create New Folder in " + parent);
        QCOMPARE(rig.prompts.inputs[0].prompt,
                 "\r\n\r\n\r\nCurrent Path is " + parent + "\r\n\r\nEnter Folder Name");
        QCOMPARE(rig.prompts.inputs[0].defaultAnswer, QString("New Folder"));
    }

    void createdAtTheRootOfAVolume()
    {
        if (QStorageInfo(QStringLiteral("/dev/shm")).rootPath() != QLatin1String("/dev/shm"))
            QSKIP("/dev/shm is not a volume of its own here");
        FolderRig rig;
        QVERIFY(rig.Dir1.setPath(QStringLiteral("/dev/shm")).isEmpty());
        const QString name = QStringLiteral("lumivane-%1").arg(QCoreApplication::applicationPid());
        rig.newFolder({name});

        QCOMPARE(rig.Dir1.path(), "/dev/shm/" + name);
        QVERIFY(QDir("/dev/shm/" + name).removeRecursively());
    }

    void refusedAnswersAskAgain_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("slash") << QStringList{"a/b"} << QStringList{BadName};
        QTest::newRow("question mark") << QStringList{"a?b"} << QStringList{BadName};
        QTest::newRow("existing plain file") << QStringList{"notes.txt"} << QStringList{Exists};
        QTest::newRow("two refusals")
            << QStringList{"a|b", "Existing"} << QStringList{BadName, Exists};
        QTest::newRow("empty answer") << QStringList{""} << QStringList{};
        QTest::newRow("cancel") << QStringList{} << QStringList{};
    }
    void refusedAnswersAskAgain()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, messages);
        FolderRig rig;
        QVERIFY(QDir(rig.temporary.path()).mkdir("Existing"));
        QFile file(rig.folder("notes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        rig.newFolder(answers);

        QCOMPARE(rig.prompts.messages, messages);
        QCOMPARE(rig.prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : rig.prompts.inputs)
            QCOMPARE(box.defaultAnswer, QString("New Folder"));
        QCOMPARE(QDir(rig.temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"Existing", "notes.txt"}));
        QCOMPARE(rig.Dir1.path(), rig.temporary.path());
    }

    void defaultAnswerTwiceInOnePlace()
    {
        FolderRig rig;
        rig.newFolder({"New Folder"});
        QVERIFY(QFileInfo(rig.folder("New Folder")).isDir());
        rig.Dir1.setPath(rig.temporary.path());
        rig.newFolder({"New Folder"});
        QCOMPARE(rig.prompts.messages, QStringList{Exists});
    }

    void failedCreationIsReportedAndLeavesTheListUsable()
    {
        FolderRig rig;
        const QString parent = rig.folder("Card");
        QVERIFY(QDir(rig.temporary.path()).mkdir("Card"));
        QVERIFY(rig.Dir1.setPath(parent).isEmpty());
        QVERIFY(QDir(parent).removeRecursively());

        rig.newFolder({"Shots"});

        QCOMPARE(rig.prompts.messages,
                 QStringList{"Could not create the folder " + parent +
                             "/Shots: " + QString::fromLocal8Bit(std::strerror(ENOENT))});
        QCOMPARE(rig.Dir1.path(), parent);
        QVERIFY(rig.Dir1.setPath(rig.temporary.path()).isEmpty());
        rig.newFolder({"Shots"});
        QCOMPARE(rig.Dir1.path(), rig.folder("Shots"));
    }

    void listShowsTheChainAndOpensByDoubleClick()
    {
        QTemporaryDir temporary;
        QDir folder(temporary.path());
        for (const char *name : {"b", "A", ".hidden"})
            QVERIFY(folder.mkdir(name));
        DirectoryList Dir1;
        Dir1.resize(300, 300);
        QVERIFY(Dir1.setPath(temporary.path()).isEmpty());

        QCOMPARE(Dir1.topLevelItem(0)->text(0), platform::volumeOf(temporary.path()));
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())), (QStringList{"A", "b"}));
        QVERIFY(folder.mkdir("c"));
        Dir1.refresh();
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())), (QStringList{"A", "b", "c"}));

        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        const QString b = folder.filePath("b");
        Dir1.setCurrentItem(Dir1.itemOfPath(b));
        QCOMPARE(Dir1.highlightedPath(), b);
        QCOMPARE(Dir1.path(), temporary.path());
        doubleClick(Dir1, b);
        QCOMPARE(Dir1.path(), b);
    }

    void unreadableFolderIsRefusedWithItsReason()
    {
        QTemporaryDir temporary;
        const QString gone = temporary.filePath("Gone");
        QVERIFY(QDir(temporary.path()).mkdir("Gone"));
        DirectoryList Dir1;
        Dir1.resize(300, 300);
        Dir1.setPath(temporary.path());
        QSignalSpy failures(&Dir1, &DirectoryList::openFailed);
        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        QVERIFY(QDir(gone).removeRecursively());

        QCOMPARE(Dir1.setPath(gone), cannotOpen(gone, ENOENT));
        doubleClick(Dir1, gone);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).toString(), cannotOpen(gone, ENOENT));
        QCOMPARE(Dir1.path(), temporary.path());
    }
};

QTEST_MAIN(OutputFoldersTest)
#include "tst_output_folders.moc"
