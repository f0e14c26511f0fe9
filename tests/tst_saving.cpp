// How a file is put in place, as a hostile or careless user meets it: a
// name taken while the file is written, a kill mid-save, the longest names,
// pipes and read-only files under the name, and a power cut after the save.

#include "ScriptedPrompts.h"
#include "app/Lumivane.h"
#include "device/AtomicFileWriter.h"
#include "device/standin/StandInDevice.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using device::AtomicFileWriter;
using Existing = AtomicFileWriter::Existing;

namespace {

// Whether a folder was synced while it held the watched file with the
// watched contents.
QString watchedFile;
QByteArray watchedContents;
bool folderSyncedWithWatchedFile = false;

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

// Every sync of the program passes here, so a test can see what was synced
// and when.
extern "C" int fsync(int fd)
{
    struct stat synced {};
    struct stat folder {};
    if (!watchedFile.isEmpty() && ::fstat(fd, &synced) == 0 && S_ISDIR(synced.st_mode) &&
        ::stat(QFile::encodeName(QFileInfo(watchedFile).absolutePath()).constData(), &folder) ==
            0 &&
        folder.st_ino == synced.st_ino && contentsOf(watchedFile) == watchedContents)
        folderSyncedWithWatchedFile = true;
    return int(::syscall(SYS_fsync, fd));
}

namespace {

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList everythingIn(const QTemporaryDir &folder)
{
    return QDir(folder.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Both ways of writing: through an unnamed file, and through a named one as
// on file systems without unnamed files.
void addTemporaryKinds()
{
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed temporary") << true;
    QTest::newRow("named temporary") << false;
}

} // namespace

class SavingTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        AtomicFileWriter::setBeforePublish({});
        AtomicFileWriter::setUnnamedFilesAllowed(true);
    }

    // A file that another program creates while ours is written stays, and
    // nothing of ours is left beside it; a replacing save replaces it.
    void aNameTakenDuringTheWriteIsKept_data() { addTemporaryKinds(); }
    void aNameTakenDuringTheWriteIsKept()
    {
        QFETCH(bool, unnamed);
        AtomicFileWriter::setUnnamedFilesAllowed(unnamed);
        QTemporaryDir folder;
        const QString target = folder.filePath("pic00252.png");
        AtomicFileWriter::setBeforePublish([&] { put(target, "other program"); });

        const AtomicFileWriter::Outcome kept =
            AtomicFileWriter::write(target, "ours", Existing::Keep);
        QVERIFY(kept.nameTaken);
        QVERIFY(kept.failure && kept.failure->contains("File exists"));
        QCOMPARE(contentsOf(target), QByteArray("other program"));
        QCOMPARE(everythingIn(folder), QStringList("pic00252.png"));

        const AtomicFileWriter::Outcome replaced =
            AtomicFileWriter::write(target, "ours", Existing::Replace);
        QVERIFY2(!replaced.failure && !replaced.nameTaken,
                 qPrintable(replaced.failure.value_or("")));
        QCOMPARE(contentsOf(target), QByteArray("ours"));
        QCOMPARE(everythingIn(folder), QStringList("pic00252.png"));
    }

    // A kill between writing and publishing leaves nothing, or, without
    // unnamed files, a hidden file that the next save into the folder
    // removes, sparing those of writers still running.
    void aKilledSaveLeavesNoLitter_data() { addTemporaryKinds(); }
    void aKilledSaveLeavesNoLitter()
    {
        QFETCH(bool, unnamed);
        AtomicFileWriter::setUnnamedFilesAllowed(unnamed);
        QTemporaryDir folder;
        const QString running = QStringLiteral(".lumivane-%1-AbCd09").arg(::getppid());
        put(folder.filePath(running), "a running writer's");
        const pid_t child = ::fork();
        if (child == 0) {
            AtomicFileWriter::setBeforePublish([] { ::raise(SIGKILL); });
            AtomicFileWriter::write(folder.filePath("pic00011.tif"), QByteArray(100000, 'x'),
                                    Existing::Keep);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QCOMPARE(everythingIn(folder).size(), unnamed ? 1 : 2);

        QCOMPARE(
            AtomicFileWriter::write(folder.filePath("pic00012.tif"), "x", Existing::Keep).failure,
            snappy::Failure());
        QCOMPARE(everythingIn(folder), QStringList({running, "pic00012.tif"}));
    }

    // The name may be as long as the file system takes, for either save.
    void longestNamesSave_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("saves");
        QTest::newRow("249 bytes") << 249 << true;
        QTest::newRow("255 bytes") << 255 << true;
        QTest::newRow("256 bytes") << 256 << false;
    }
    void longestNamesSave()
    {
        QFETCH(int, length);
        QFETCH(bool, saves);
        QTemporaryDir folder;
        const QString path = folder.filePath(QString(length - 4, 'n') + ".bmp");
        for (Existing existing : {Existing::Keep, Existing::Replace}) {
            const snappy::Failure failure = AtomicFileWriter::write(path, "long", existing).failure;
            QCOMPARE(bool(failure), !saves);
            if (failure)
                QVERIFY(failure->contains("File name too long"));
        }
        QCOMPARE(contentsOf(path), saves ? QByteArray("long") : QByteArray("(missing)"));
    }

    // A replacing save never opens what is under the name: a pipe would hang
    // the window. Only a plain file the user may write is replaced, through
    // a symbolic link the file it leads to.
    void onlyWritablePlainFilesAreReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("named pipe") << "fifo"
                                    << "a named pipe has that name";
        QTest::newRow("socket") << "socket"
                                << "a socket has that name";
        QTest::newRow("read-only file") << "read-only"
                                        << "read-only";
        QTest::newRow("link to a file") << "link"
                                        << "";
    }
    void onlyWritablePlainFilesAreReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString target = folder.filePath("same.png");
        const QByteArray native = QFile::encodeName(target);
        const QString linked = folder.filePath("elsewhere.png");
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        } else if (kind == "socket") {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, native.constData(), sizeof address.sun_path);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
        } else if (kind == "read-only") {
            put(target, "kept");
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
        } else {
            put(linked, "earlier");
            QVERIFY(QFile::link(linked, target));
        }
        const QStringList before = everythingIn(folder);

        const snappy::Failure failure =
            AtomicFileWriter::write(target, "new", Existing::Replace).failure;
        QCOMPARE(everythingIn(folder), before);
        if (refusal.isEmpty()) {
            QCOMPARE(failure, snappy::Failure());
            QVERIFY(QFileInfo(target).isSymLink());
            QCOMPARE(contentsOf(linked), QByteArray("new"));
        } else {
            QVERIFY2(failure && failure->contains(refusal), qPrintable(failure.value_or("saved")));
            if (kind == "read-only")
                QCOMPARE(contentsOf(target), QByteArray("kept"));
        }
    }

    // A power cut after a save is reported must not lose the file's name.
    void theFolderIsSyncedOnceTheFileIsInIt()
    {
        QTemporaryDir folder;
        watchedFile = folder.filePath("durable.jpg");
        for (Existing existing : {Existing::Keep, Existing::Replace}) {
            watchedContents = existing == Existing::Keep ? "kept" : "replaced";
            folderSyncedWithWatchedFile = false;
            QCOMPARE(AtomicFileWriter::write(watchedFile, watchedContents, existing).failure,
                     snappy::Failure());
            QVERIFY(folderSyncedWithWatchedFile);
        }
        watchedFile.clear();
    }

    // Incremental saving loses no snap to a file created during the save:
    // the snap goes under the next free number, which the counter and the
    // path label follow.
    void incrementalSavingMovesOnWhenTheNumberIsTakenMidSave()
    {
        QTemporaryDir folder;
        ScriptedPrompts prompts;
        auto standIn = std::make_unique<device::StandInDevice>();
        standIn->setTimeScale(0.0);
        Lumivane window(std::move(standIn), prompts);
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
};

QTEST_MAIN(SavingTest)
#include "tst_saving.moc"
