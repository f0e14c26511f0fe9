// The path dialog's own questions: the image counter and New Folder, each
// asking again until it has an answer it can take, or none.

#include "DataColumns.h"
#include "ScriptedPrompts.h"

#include "core/PlatformPaths.h"
#include "dialogs/ImageCounter.h"
#include "dialogs/NewFolder.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

class PathPromptsTest : public QObject {
    Q_OBJECT

private slots:
    void SetCounter_Click_data()
    {
        addColumns<QLocale, QStringList, qint32, QStringList>(
            {"locale", "answers", "counter", "messages"});
        const QLocale c = QLocale::c();
        const QString notNumeric = QStringLiteral("Please enter only Numbers for image Counter");
        const QString outOfRange = QStringLiteral("please enter a number Between 0 and 2 billion");
        // Stored: the bound, blanks and signs, separators, rounding half to
        // even, exponents, magnitudes beyond the double range.
        const QList<std::pair<const char *, qint32>> stored{{"2000000000", 2000000000},
                                                            {" \t+42  ", 42},
                                                            {"1,000.5", 1000},
                                                            {"15E-1", 2},
                                                            {"-.5", 0},
                                                            {"1e-999", 0}};
        for (const auto &[answer, counter] : stored)
            QTest::addRow("%s", answer) << c << QStringList{answer} << counter << QStringList{};
        // Every refusal asks again and leaves the counter, 7, as it was; the
        // bound is tested before rounding.
        const QStringList outside{"2000000001", "2000000000.4", "-5000000000", "-0.6", "-1e999"};
        const QStringList notNumbers{" ", "-", ".", "1e", "--1", "1 2", "0x10", "inf"};
        QTest::newRow("refused, then a number")
            << c << outside + notNumbers + QStringList{"12"} << 12
            << QStringList(outside.size(), outOfRange) + QStringList(notNumbers.size(), notNumeric);
        QTest::newRow("the locale's own minus, then an empty answer")
            << QLocale(QLocale::Swedish, QLocale::Sweden)
            << QStringList{QString::fromUtf8("\u22123"), "-3", ""} << 7
            << QStringList(2, outOfRange);
        QTest::newRow("the locale's separators")
            << QLocale(QLocale::German, QLocale::Germany) << QStringList{"1,000.5", "1.000,5"}
            << 1000 << QStringList{notNumeric};
    }
    void SetCounter_Click()
    {
        const auto [locale, answers, counter, messages] =
            fetchRow<QLocale, QStringList, qint32, QStringList>();
        PathDialogFields fields;
        fields.iNewImageNumber = 7;
        ScriptedPrompts prompts;
        prompts.answers << answers;

        ImageCounter(fields, prompts, locale).SetCounter_Click();

        QCOMPARE(fields.iNewImageNumber, counter);
        QCOMPARE(prompts.messages, messages);
        // Every question shows the value as it was before the refused answer.
        QCOMPARE(prompts.inputs.size(), messages.size() + 1);
        for (const ScriptedPrompts::InputBox &box : prompts.inputs) {
            QCOMPARE(box.prompt, QString("\r\n\r\n\r\n\r\nCurrent image counter is 7"));
            QCOMPARE(box.defaultAnswer, QString("7"));
        }
    }

    void newFolderAndTheFolderList()
    {
        QTemporaryDir temporary;
        QDir folder(temporary.path());
        for (const char *name : {"b", "A", ".hidden", "Existing"})
            QVERIFY(folder.mkdir(name));
        QVERIFY(QFile(folder.filePath("notes.txt")).open(QIODevice::WriteOnly));
        // New Folder on its own directory list and fields; when the answers
        // run out, the next prompt is cancelled.
        DirectoryList Dir1;
        PathDialogFields fields;
        ScriptedPrompts prompts;
        const auto newFolder = [&](const QStringList &answers) {
            prompts.answers << answers;
            NewFolder(Dir1, fields, prompts).NewDir_Click();
        };
        Dir1.resize(300, 300);
        QVERIFY(Dir1.setPath(temporary.path()).isEmpty());
        QCOMPARE(Dir1.topLevelItem(0)->text(0), platform::volumeOf(temporary.path()));

        // Every refusal asks again, with the same texts, until an empty
        // answer, which makes nothing but shows what others made meanwhile:
        // sorted in any letter case, hidden ones left out.
        QVERIFY(folder.mkdir("c"));
        newFolder({"a/b", "a?b", "a|b", "notes.txt", "Existing", ""});
        QCOMPARE(prompts.messages, QStringList(3, "Invalid Character in Folder Name!") +
                                       QStringList(2, "Folder already Exists!"));
        QCOMPARE(prompts.inputs.size(), 6);
        for (const ScriptedPrompts::InputBox &box : prompts.inputs) {
            QCOMPARE(box.caption, "Create New Folder in " + temporary.path());
            QCOMPARE(box.prompt, "\r\n\r\n\r\nCurrent Path is " + temporary.path() +
                                     "\r\n\r\nEnter Folder Name");
            QCOMPARE(box.defaultAnswer, QString("New Folder"));
        }
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"A", "b", "c", "Existing", "notes.txt"}));
        QCOMPARE(Dir1.path(), temporary.path());
        QStringList listed;
        const QTreeWidgetItem *parent = Dir1.itemOfPath(temporary.path());
        for (int i = 0; i < parent->childCount(); ++i)
            listed << parent->child(i)->text(0);
        QCOMPARE(listed, (QStringList{"A", "b", "c", "Existing"}));

        // The default answer makes the folder and opens it.
        newFolder({"New Folder"});
        QCOMPARE(Dir1.path(), folder.filePath("New Folder"));

        // A listed folder that is gone by now is refused with the reason: a
        // first click, then the second press that the system reports as a
        // double-click.
        QVERIFY(Dir1.setPath(temporary.path()).isEmpty());
        QSignalSpy failures(&Dir1, &DirectoryList::openFailed);
        Dir1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Dir1));
        const QString b = folder.filePath("b");
        QVERIFY(folder.rmdir("b"));
        const QPoint spot = Dir1.visualItemRect(Dir1.itemOfPath(b)).center();
        QTest::mouseClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
        QTest::mouseDClick(Dir1.viewport(), Qt::LeftButton, {}, spot);
        const QString gone = QString::fromLocal8Bit(std::strerror(ENOENT));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).toString(), "Cannot open the folder " + b + ": " + gone);
        QCOMPARE(Dir1.path(), temporary.path());

        // Making a folder in one that is gone is reported, and the list stays
        // where it was.
        const QString a = folder.filePath("A");
        QVERIFY(Dir1.setPath(a).isEmpty());
        QVERIFY(folder.rmdir("A"));
        prompts.messages.clear();
        newFolder({"Shots"});
        QCOMPARE(prompts.messages,
                 QStringList{"Could not create the folder " + a + "/Shots: " + gone});
        QCOMPARE(Dir1.path(), a);
    }
};

QTEST_MAIN(PathPromptsTest)
#include "tst_path_prompts.moc"
