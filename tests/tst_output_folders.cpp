#include "ScriptedPrompts.h"

#include "core/PlatformPaths.h"
#include "dialogs/NewFolder.h"

#include <QStorageInfo>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

const QString BadName = QStringLiteral("Invalid Character in Folder Name!");
const QString Exists = QStringLiteral("Folder already Exists!");

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

// New Folder on its own directory list and fields; when the answers run
// out, the next prompt is cancelled.
struct Asker {
    DirectoryList Dir1;
    PathDialogFields fields;
    ScriptedPrompts prompts;

    void newFolder(const QStringList &answers)
    {
        prompts.answers << answers;
        NewFolder(Dir1, fields, prompts).NewDir_Click();
    }
};

} // namespace

class OutputFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void newFolder_data()
    {
        // An empty parent is a temporary folder that holds the folder
        // Existing and the plain file notes.txt.
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("created");
        const auto row = [](const char *tag, const QString &parent, const QStringList &answers,
                            const QStringList &messages, const QString &created) {
            QTest::newRow(tag) << parent << answers << messages << created;
        };
        const QString own = QStringLiteral("lumivane-%1").arg(QCoreApplication::applicationPid());
        row("default answer", "", {"New Folder"}, {}, "New Folder");
        row("root of a volume", "/dev/shm", {own}, {}, own);
        row("slash", "", {"a/b"}, {BadName}, "");
        row("question mark", "", {"a?b"}, {BadName}, "");
        row("existing plain file", "", {"notes.txt"}, {Exists}, "");
        row("two refusals", "", {"a|b", "Existing"}, {BadName, Exists}, "");
        row("empty answer", "", {""}, {}, "");
        row("cancel", "", {}, {}, "");
    }
    void newFolder()
    {
        QFETCH(QString, parent);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, messages);
        QFETCH(QString, created);
        QTemporaryDir temporary;
        if (parent.isEmpty()) {
            parent = temporary.path();
            QVERIFY(QDir(parent).mkdir("Existing"));
            QVERIFY(QFile(temporary.filePath("notes.txt")).open(QIODevice::WriteOnly));
        } else if (QStorageInfo(parent).rootPath() != parent) {
            QSKIP("not a volume of its own here");
        }
        Asker asker;
        QVERIFY(asker.Dir1.setPath(parent).isEmpty());

        asker.newFolder(answers);

        const QString made = parent + "/" + created;
        QCOMPARE(asker.Dir1.path(), created.isEmpty() ? parent : made);
        QCOMPARE(asker.prompts.messages, messages);
        // Every refusal asks again, with the same texts.
        QCOMPARE(asker.prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : asker.prompts.inputs) {
            QCOMPARE(box.caption, "Create New Folder in " + parent);
            QCOMPARE(box.prompt,
                     "\r\n\r\n\r\nCurrent Path is " + parent + "\r\n\r\nEnter Folder Name");
            QCOMPARE(box.defaultAnswer, QString("New Folder"));
        }
        if (created.isEmpty()) {
            QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     (QStringList{"Existing", "notes.txt"}));
            return;
        }
        // The same answer again in the same place.
        QVERIFY(asker.Dir1.setPath(parent).isEmpty());
        asker.newFolder({created});
        QVERIFY(QDir(made).removeRecursively());
        QCOMPARE(asker.prompts.messages, QStringList{Exists});
    }

    void directoryList()
    {
        QTemporaryDir temporary;
        QDir folder(temporary.path());
        for (const char *name : {"b", "A", ".hidden"})
            QVERIFY(folder.mkdir(name));
        Asker asker;
        DirectoryList &Dir1 = asker.Dir1;
        Dir1.resize(300, 300);
        QVERIFY(Dir1.setPath(temporary.path()).isEmpty());
        QCOMPARE(Dir1.topLevelItem(0)->text(0), platform::volumeOf(temporary.path()));
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())), (QStringList{"A", "b"}));
        QVERIFY(folder.mkdir("c"));
        Dir1.refresh();
        QCOMPARE(childCaptions(Dir1.itemOfPath(temporary.path())), (QStringList{"A", "b", "c"}));

        // A listed folder that is gone by now is refused with the reason.
        QSignalSpy failures(&Dir1, &DirectoryList::openFailed);
        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        const QString c = folder.filePath("c");
        QVERIFY(folder.rmdir("c"));
        const QString gone = QString::fromLocal8Bit(std::strerror(ENOENT));
        const QString reason = "Cannot open the folder " + c + ": " + gone;
        QCOMPARE(Dir1.setPath(c), reason);
        doubleClick(Dir1, c);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).toString(), reason);
        QCOMPARE(Dir1.path(), temporary.path());

        // A highlighted folder is not the current path until it is opened.
        const QString b = folder.filePath("b");
        Dir1.setCurrentItem(Dir1.itemOfPath(b));
        QCOMPARE(Dir1.highlightedPath(), b);
        QCOMPARE(Dir1.path(), temporary.path());
        doubleClick(Dir1, b);
        QCOMPARE(Dir1.path(), b);

        // Creating a folder in a folder that is gone is reported, and the
        // list stays where it was.
        QVERIFY(folder.rmdir("b"));
        asker.newFolder({"Shots"});
        QCOMPARE(asker.prompts.messages,
                 QStringList{"Could not create the folder " + b + "/Shots: " + gone});
        QCOMPARE(Dir1.path(), b);
    }
};

QTEST_MAIN(OutputFoldersTest)
#include "tst_output_folders.moc"
