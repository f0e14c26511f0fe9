#include "ScriptedPrompts.h"

#include "app/PlatformPaths.h"
#include "output/DirectoryList.h"
#include "output/NewFolder.h"

#include <QStorageInfo>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString BadName = QStringLiteral("Invalid Character in Folder Name!");
const QString Exists = QStringLiteral("Folder already Exists!");

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QStringList childCaptions(const QTreeWidgetItem *item)
{
    QStringList captions;
    for (int i = 0; i < item->childCount(); ++i)
        captions << item->child(i)->text(0);
    return captions;
}

// A user's double-click: the press and release of the first click, then the
// second press that the system reports as a double-click.
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
        QCOMPARE(rig.fields.sFolder, QString("Shots"));
        QVERIFY(rig.prompts.messages.isEmpty());
        QCOMPARE(rig.prompts.inputs.size(), 1);
        QCOMPARE(rig.prompts.inputs[0].caption, "Create New Folder in " + parent);
        QCOMPARE(rig.prompts.inputs[0].prompt,
                 "\r\n\r\n\r\nCurrent Path is " + parent + "\r\n\r\nEnter Folder Name");
        QCOMPARE(rig.prompts.inputs[0].defaultAnswer, QString("New Folder"));
    }

    void createdAtTheRootOfAVolume()
    {
        const QStorageInfo shm(QStringLiteral("/dev/shm"));
        if (!shm.isValid() || shm.rootPath() != QLatin1String("/dev/shm"))
            QSKIP("/dev/shm is not a volume of its own here");
        FolderRig rig;
        QVERIFY(rig.Dir1.setPath(QStringLiteral("/dev/shm")).isEmpty());
        const QString name = QStringLiteral("lumivane-%1").arg(QCoreApplication::applicationPid());
        rig.newFolder({name});

        const QString created = "/dev/shm/" + name;
        QVERIFY(QFileInfo(created).isDir());
        QCOMPARE(rig.Dir1.path(), created);
        QVERIFY(QDir(created).removeRecursively());
    }

    void refusedAnswersAskAgain_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("slash") << QStringList{"a/b"} << QStringList{BadName};
        QTest::newRow("question mark") << QStringList{"a?b"} << QStringList{BadName};
        QTest::newRow("colon at the end") << QStringList{"Shots:"} << QStringList{BadName};
        QTest::newRow("existing folder") << QStringList{"Existing"} << QStringList{Exists};
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
        rig.Dir1.setPath(rig.temporary.path());
        const QStringList before = entriesOf(rig.temporary.path());

        // The queue runs dry after the refused answers, which answers as Cancel.
        rig.newFolder(answers);

        QCOMPARE(rig.prompts.messages, messages);
        QCOMPARE(rig.prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : rig.prompts.inputs)
            QCOMPARE(box.defaultAnswer, QString("New Folder"));
        QCOMPARE(entriesOf(rig.temporary.path()), before);
        QCOMPARE(rig.Dir1.path(), rig.temporary.path());
    }

    void defaultAnswerTwiceInOnePlace()
    {
        FolderRig rig;
        rig.newFolder({"New Folder"});
        QVERIFY(QFileInfo(rig.folder("New Folder")).isDir());
        QVERIFY(rig.prompts.messages.isEmpty());

        rig.Dir1.setPath(rig.temporary.path());
        rig.newFolder({"New Folder"});
        QCOMPARE(rig.prompts.messages, QStringList{Exists});
        QCOMPARE(rig.Dir1.path(), rig.temporary.path());
    }

    void creationFailureIsReported_data()
    {
        QTest::addColumn<bool>("removeParent");
        QTest::addColumn<int>("error");
        QTest::newRow("current folder gone") << true << ENOENT;
        QTest::newRow("no permission") << false << EACCES;
    }
    void creationFailureIsReported()
    {
        QFETCH(bool, removeParent);
        QFETCH(int, error);
        if (!removeParent && ::geteuid() == 0)
            QSKIP("the superuser may write into any folder");
        FolderRig rig;
        const QString parent = rig.folder("Parent");
        QVERIFY(QDir(rig.temporary.path()).mkdir("Parent"));
        QVERIFY(rig.Dir1.setPath(parent).isEmpty());
        if (removeParent)
            QVERIFY(QDir(parent).removeRecursively());
        else
            QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));

        rig.newFolder({"Shots"});

        const QString folder = parent + "/Shots";
        QCOMPARE(rig.prompts.messages,
                 QStringList{"Could not create the folder " + folder + ": " + systemReason(error)});
        QCOMPARE(rig.prompts.inputs.size(), 1);
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(rig.Dir1.path(), parent);

        // The list stays usable: another folder can be opened and created in.
        QVERIFY(rig.Dir1.setPath(rig.temporary.path()).isEmpty());
        rig.newFolder({"Shots"});
        QCOMPARE(rig.Dir1.path(), rig.folder("Shots"));
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void listShowsTheChainAndTheSubfolders()
    {
        QTemporaryDir temporary;
        QDir folder(temporary.path());
        for (const char *name : {"b", "A", "c", ".hidden"})
            QVERIFY(folder.mkdir(name));
        QFile file(folder.filePath("file.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        DirectoryList Dir1;
        QVERIFY(Dir1.setPath(temporary.path()).isEmpty());

        QCOMPARE(Dir1.topLevelItemCount(), 1);
        const QString root = platform::volumeOf(temporary.path());
        QCOMPARE(Dir1.topLevelItem(0)->text(0), root);
        QTreeWidgetItem *current = Dir1.itemOfPath(temporary.path());
        QVERIFY(current);
        QCOMPARE(childCaptions(current), (QStringList{"A", "b", "c"}));
        QCOMPARE(current->text(0), QFileInfo(temporary.path()).fileName());
        for (const QTreeWidgetItem *item = current; item->parent(); item = item->parent())
            QCOMPARE(childCaptions(item->parent()).size(), 1);
        QCOMPARE(Dir1.highlightedPath(), temporary.path());

        QVERIFY(folder.mkdir("d"));
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())), (QStringList{"A", "b", "c"}));
        Dir1.refresh();
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())),
                 (QStringList{"A", "b", "c", "d"}));
    }

    void highlightIsNotTheCurrentPathUntilOpened()
    {
        QTemporaryDir temporary;
        QVERIFY(QDir(temporary.path()).mkdir("Shots"));
        DirectoryList Dir1;
        Dir1.resize(300, 300);
        Dir1.setPath(temporary.path());
        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        const QString shots = temporary.filePath("Shots");

        Dir1.setCurrentItem(Dir1.itemOfPath(shots));
        QCOMPARE(Dir1.highlightedPath(), shots);
        QCOMPARE(Dir1.path(), temporary.path());

        doubleClick(Dir1, shots);
        QCOMPARE(Dir1.path(), shots);
        QVERIFY(Dir1.itemOfPath(shots));
        QCOMPARE(Dir1.itemOfPath(shots)->childCount(), 0);
    }

    void unreadableFolderIsRefusedWithItsReason()
    {
        QTemporaryDir temporary;
        QVERIFY(QDir(temporary.path()).mkdir("Gone"));
        const QString gone = temporary.filePath("Gone");
        DirectoryList Dir1;
        Dir1.setPath(temporary.path());
        QSignalSpy failures(&Dir1, &DirectoryList::openFailed);

        QVERIFY(QDir(gone).removeRecursively());
        QCOMPARE(Dir1.setPath(gone),
                 "Cannot open the folder " + gone + ": " + systemReason(ENOENT));
        QCOMPARE(Dir1.path(), temporary.path());

        // Opening the stale entry by double-click tells why instead.
        Dir1.resize(300, 300);
        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        doubleClick(Dir1, gone);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).toString(),
                 "Cannot open the folder " + gone + ": " + systemReason(ENOENT));
        QCOMPARE(Dir1.path(), temporary.path());
    }

    void existingEntryNameFindsFoldersFilesAndLinks()
    {
        QTemporaryDir temporary;
        QDir folder(temporary.path());
        QVERIFY(folder.mkdir("Shots"));
        QVERIFY(QFile::link(folder.filePath("nowhere"), folder.filePath("dangling")));
        QCOMPARE(platform::existingEntryName(folder.filePath("Shots")), QString("Shots"));
        QCOMPARE(platform::existingEntryName(folder.filePath("dangling")), QString("dangling"));
        QCOMPARE(platform::existingEntryName(folder.filePath("missing")), QString());
    }
};

QTEST_MAIN(OutputFoldersTest)
#include "tst_output_folders.moc"
