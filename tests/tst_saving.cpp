// How a snap file is put in place when things go wrong: a name taken while
// the file is written, a kill mid-save, the longest names, a pipe or a
// read-only file under the name, and a power cut after the save.

#include "Files.h"
#include "InstantStandIn.h"
#include "ScriptedPrompts.h"
#include "device/AtomicFileWriter.h"
#include "window/Lumivane.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using device::AtomicFileWriter;
using Existing = AtomicFileWriter::Existing;

namespace {

// Set when a folder is synced while it holds the watched file's contents.
QString watchedFile;
QByteArray watchedContents;
bool folderSynced = false;

QStringList everythingIn(const QTemporaryDir &folder)
{
    return QDir(folder.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// Every sync of the program passes here.
extern "C" int fsync(int fd)
{
    struct stat synced {};
    struct stat folder {};
    if (!watchedFile.isEmpty() && ::fstat(fd, &synced) == 0 &&
        ::stat(QFile::encodeName(QFileInfo(watchedFile).path()).constData(), &folder) == 0 &&
        folder.st_ino == synced.st_ino && contentsOf(watchedFile) == watchedContents)
        folderSynced = true;
    return int(::syscall(SYS_fsync, fd));
}

class SavingTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        AtomicFileWriter::setBeforePublish({});
        AtomicFileWriter::setUnnamedFilesAllowed(true);
    }

    // Written through an unnamed file, or a named one as on file systems
    // without unnamed files, under the longest name there is: a kill before
    // publishing leaves nothing that outlasts the next save into the folder
    // (a running writer's file stays), and a file another program creates
    // meanwhile is kept, unless the save is one that replaces.
    void killsAndRacesBetweenWritingAndPublishing_data()
    {
        QTest::addColumn<bool>("unnamed");
        QTest::newRow("unnamed temporary") << true;
        QTest::newRow("named temporary") << false;
    }
    void killsAndRacesBetweenWritingAndPublishing()
    {
        QFETCH(bool, unnamed);
        AtomicFileWriter::setUnnamedFilesAllowed(unnamed);
        QTemporaryDir folder;
        const QString target = folder.filePath(QString(251, 'n') + ".tif");
        const QString running = QStringLiteral(".lumivane-%1-AbCd09").arg(::getppid());
        put(folder.filePath(running), "a running writer's");
        const pid_t child = ::fork();
        if (child == 0) {
            AtomicFileWriter::setBeforePublish([] { ::raise(SIGKILL); });
            AtomicFileWriter::write(target, QByteArray(100000, 'x'), Existing::Keep);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(everythingIn(folder).size(), unnamed ? 1 : 2);

        AtomicFileWriter::setBeforePublish([&] { put(target, "other program"); });
        const AtomicFileWriter::Outcome kept =
            AtomicFileWriter::write(target, "ours", Existing::Keep);
        QVERIFY(kept.nameTaken && kept.failure);
        QCOMPARE(contentsOf(target), QByteArray("other program"));
        QCOMPARE(everythingIn(folder), QStringList({running, QFileInfo(target).fileName()}));
        QCOMPARE(AtomicFileWriter::write(target, "ours", Existing::Replace).failure,
                 snappy::Failure());
        QCOMPARE(contentsOf(target), QByteArray("ours"));
        QCOMPARE(everythingIn(folder).size(), 2);
    }

    // A replacing save never opens what is under the name, where a pipe
    // would block, and replaces only a plain file the user may write; a
    // symbolic link leads to the file replaced.
    void onlyWritablePlainFilesAreReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("named pipe") << "fifo"
                                    << "a named pipe has that name";
        QTest::newRow("read-only file") << "read-only"
                                        << "read-only";
        QTest::newRow("link to a file") << "link"
                                        << "saved";
    }
    void onlyWritablePlainFilesAreReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QString, outcome);
        QTemporaryDir folder;
        const QString target = folder.filePath("same.png");
        const QString shown = kind == "link" ? folder.filePath("elsewhere.png") : target;
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0644), 0);
        else
            put(shown, "earlier");
        if (kind == "read-only")
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
        if (kind == "link")
            QVERIFY(QFile::link(shown, target));
        const QStringList before = everythingIn(folder);

        const QString result =
            AtomicFileWriter::write(target, "new", Existing::Replace).failure.value_or("saved");
        QVERIFY2(result.contains(outcome), qPrintable(result));
        QCOMPARE(everythingIn(folder), before);
        if (kind != "fifo")
            QCOMPARE(contentsOf(shown), QByteArray(outcome == "saved" ? "new" : "earlier"));
    }

    // A power cut after a save is reported must not lose the file's name.
    void theFolderIsSyncedOnceTheFileIsInIt()
    {
        QTemporaryDir folder;
        watchedFile = folder.filePath("durable.jpg");
        for (Existing existing : {Existing::Keep, Existing::Replace}) {
            watchedContents = existing == Existing::Keep ? "kept" : "replaced";
            folderSynced = false;
            QCOMPARE(AtomicFileWriter::write(watchedFile, watchedContents, existing).failure,
                     snappy::Failure());
            QVERIFY(folderSynced);
        }
        watchedFile.clear();
    }

    // Incremental saving loses no snap to a file created during the save:
    // the snap goes under the next number, which counter and label follow.
    void incrementalSavingMovesOnWhenTheNumberIsTakenMidSave()
    {
        QTemporaryDir folder;
        ScriptedPrompts prompts;
        Lumivane window(instantStandIn(), prompts);
        window.state().sCurrentpath = folder.path();
        window.state().sFileName = "pic";
        window.controls().optIncremental->select();
        bool taken = false;
        AtomicFileWriter::setBeforePublish([&] {
            if (!std::exchange(taken, true))
                put(folder.filePath("pic00000.bmp"), "other program");
        });

        window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::SingleSnap));
        QTRY_COMPARE(window.state().iCurrentImageNumber, 2);
        QCOMPARE(contentsOf(folder.filePath("pic00000.bmp")), QByteArray("other program"));
        QCOMPARE(QImage(folder.filePath("pic00001.bmp")).size(), QSize(640, 480));
        QCOMPARE(window.controls().lblPath->text(), folder.filePath("pic00001.bmp"));
        QVERIFY(!window.saveFailureNotice().isVisible());
    }

    // The default folder is made by the first save into it; a chosen folder
    // that has gone is not made again, and the save says why.
    void aMissingFolderIsMadeOnlyWhenItIsTheDefault_data()
    {
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("failure");
        QTest::newRow("default") << true << QString() << QString();
        QTest::newRow("chosen") << false << QString()
                                << "Could not save <folder>/Lumivane00000.bmp: No such file or "
                                   "directory";
        QTest::newRow("default under a file")
            << true << "Pictures"
            << "Could not create the folder <folder>: Not a directory";
    }

    void aMissingFolderIsMadeOnlyWhenItIsTheDefault()
    {
        QFETCH(bool, isDefault);
        QFETCH(QString, blocker);
        QFETCH(QString, failure);
        QTemporaryDir home;
        if (!blocker.isEmpty())
            put(home.filePath(blocker), "a file");
        const QString folder = home.filePath("Pictures/Lumivane");
        ScriptedPrompts prompts;
        Lumivane window(instantStandIn(), prompts);
        window.state().sCurrentpath = folder;
        if (isDefault)
            window.state().sDefaultPath = folder;
        window.controls().opSameName->select();

        window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::SingleSnap));
        QTRY_COMPARE(window.controls().cmbSnapMode->currentIndex(), int(SnapMode::Off));
        const bool saved = failure.isEmpty();
        QCOMPARE(QImage(folder + "/Lumivane00000.bmp").size(),
                 saved ? QSize(640, 480) : QSize(0, 0));
        QCOMPARE(QFileInfo::exists(folder), saved);
        const QString notice = window.saveFailureNotice().text();
        QVERIFY2(notice.contains(QString(failure).replace("<folder>", folder)), qPrintable(notice));
        QCOMPARE(window.saveFailureNotice().failureCount(), saved ? 0 : 1);
    }
};

QTEST_MAIN(SavingTest)
#include "tst_saving.moc"
