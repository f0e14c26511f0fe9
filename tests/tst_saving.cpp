// How a snap file is put in place when things go wrong: a name taken while
// the file is written, a kill mid-save, the longest names, a pipe or a
// read-only file under the name, a file too large for the limit, a missing
// folder, and a power cut after the save. And the room saving leaves free
// on the snaps' disk: a save that would leave less than the reserve is not
// made but reported like any failed save (what the window makes of that,
// the snap completion tests check), and saving resumes by itself once there
// is room.

#include "DataColumns.h"
#include "Files.h"
#include "InstantStandIn.h"
#include "ScriptedPrompts.h"
#include "TallySource.h"
#include "device/AtomicFileWriter.h"
#include "device/CaptureDevice.h"
#include "device/DeviceCatalog.h"
#include "device/SnapFileWriter.h"
#include "window/Lumivane.h"

#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using device::AtomicFileWriter;
using Existing = AtomicFileWriter::Existing;
using device::DiskReserve;
using snappy::DispId;

namespace {

// What the watched file held when its folder was last synced.
QString watchedFile;
QByteArray syncedContents;

QStringList everythingIn(const QTemporaryDir &folder)
{
    return QDir(folder.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

constexpr qint64 MiB = 1024 * 1024;

QImage snapPicture()
{
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    return picture;
}

// Saves the snap picture under the path: "saved" is told and the file is
// there, or the save failed for the reason `outcome` and no file is left.
void checkSave(snappy::SnappyDevice &device, const QString &path, const QString &outcome)
{
    device.writeProperty(DispId::Picture, snapPicture());
    device.writeProperty(DispId::SaveFileName, path);
    device.writeProperty(DispId::SaveFileType, QStringLiteral("bmp"));
    const QString told = device.call(snappy::Method::SaveSnap).value_or("saved");
    QCOMPARE(told, outcome == "saved" ? outcome : "Could not save " + path + ": " + outcome);
    QCOMPARE(QFileInfo::exists(path), outcome == "saved");
}

} // namespace

// Every sync of the program passes here.
extern "C" int fsync(int fd)
{
    struct stat synced {};
    struct stat folder {};
    if (!watchedFile.isEmpty() && ::fstat(fd, &synced) == 0 &&
        ::stat(QFile::encodeName(QFileInfo(watchedFile).path()).constData(), &folder) == 0 &&
        folder.st_ino == synced.st_ino)
        syncedContents = contentsOf(watchedFile);
    return int(::syscall(SYS_fsync, fd));
}

class SavingTest : public QObject {
    Q_OBJECT

private slots:
    // A write past the file size limit fails, instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    void cleanup()
    {
        AtomicFileWriter::setBeforePublish({});
        AtomicFileWriter::setUnnamedFilesAllowed(true);
        watchedFile.clear();
    }

    // Written through an unnamed file, or a named one as on file systems
    // without unnamed files, under the longest name there is: a kill before
    // publishing leaves nothing that outlasts the next save into the folder
    // (a running writer's file stays), and a file another program creates
    // meanwhile is kept, unless the save is one that replaces. A power cut
    // after a save is reported must not lose the file's name.
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
        const auto kept = AtomicFileWriter::write(target, "ours", Existing::Keep);
        QVERIFY(kept.nameTaken && kept.failure);
        QCOMPARE(contentsOf(target), QByteArray("other program"));
        QCOMPARE(everythingIn(folder), QStringList({running, QFileInfo(target).fileName()}));
        AtomicFileWriter::setBeforePublish({});
        for (Existing existing : {Existing::Replace, Existing::Keep}) {
            watchedFile = existing == Existing::Keep ? folder.filePath("kept.jpg") : target;
            const QByteArray contents = existing == Existing::Keep ? "kept" : "replaced";
            QCOMPARE(AtomicFileWriter::write(watchedFile, contents, existing).failure,
                     snappy::Failure());
            QCOMPARE(syncedContents, contents);
        }
        QCOMPARE(everythingIn(folder).size(), 3);
    }

    // A replacing save never opens what is under the name, where a pipe
    // would block, and replaces only a plain file the user may write; a
    // symbolic link leads to the file replaced. A failed write leaves the
    // earlier file, and nothing beside it.
    void onlyWritablePlainFilesAreReplaced_data()
    {
        // What is under the name is told by the row's name.
        QTest::addColumn<QString>("outcome");
        QTest::newRow("named pipe") << "a named pipe has that name";
        QTest::newRow("read-only file") << "read-only";
        QTest::newRow("link to a file") << "saved";
        QTest::newRow("file size limit") << "File too large";
    }
    void onlyWritablePlainFilesAreReplaced()
    {
        QFETCH(QString, outcome);
        const QByteArray kind = QTest::currentDataTag();
        QTemporaryDir folder;
        const QString target = folder.filePath("same.png");
        const QString shown = kind == "link to a file" ? folder.filePath("elsewhere.png") : target;
        if (kind == "named pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0644), 0);
        else
            put(shown, "earlier");
        if (kind == "read-only file")
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
        if (kind == "link to a file")
            QVERIFY(QFile::link(shown, target));
        const QStringList before = everythingIn(folder);

        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const rlimit limited{kind == "file size limit" ? 50000 : usual.rlim_cur, usual.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        const QByteArray written(100000, 'n');
        const QString result =
            AtomicFileWriter::write(target, written, Existing::Replace).failure.value_or("saved");
        setrlimit(RLIMIT_FSIZE, &usual);
        QVERIFY2(result.contains(outcome), qPrintable(result));
        QCOMPARE(everythingIn(folder), before);
        if (kind != "named pipe")
            QCOMPARE(contentsOf(shown), outcome == "saved" ? written : QByteArray("earlier"));
    }

    // The default folder is made by the first save into it, and a number
    // taken while the snap is written moves incremental saving on to the
    // next, which counter and label follow; a chosen folder that has gone
    // is not made again, and the save says why.
    void missingFoldersAndNumbersTakenMidSave_data()
    {
        addColumns<bool, QString, QString>({"isDefault", "blocker", "failure"});
        QTest::newRow("default, number taken") << true << QString() << QString();
        QTest::newRow("chosen") << false << QString()
                                << "Could not save <folder>/Lumivane00000.bmp: No such file or "
                                   "directory";
        QTest::newRow("default under a file")
            << true << "Pictures"
            << "Could not create the folder <folder>: Not a directory";
    }
    void missingFoldersAndNumbersTakenMidSave()
    {
        const auto [isDefault, blocker, failure] = fetchRow<bool, QString, QString>();
        QTemporaryDir home;
        if (!blocker.isEmpty())
            put(home.filePath(blocker), "a file");
        const QString folder = home.filePath("Pictures/Lumivane");
        ScriptedPrompts prompts;
        Lumivane window(instantStandIn(), prompts);
        window.state().sCurrentpath = folder;
        if (isDefault)
            window.state().sDefaultPath = folder;
        window.controls().optIncremental->select();
        bool taken = false;
        AtomicFileWriter::setBeforePublish([&] {
            if (!std::exchange(taken, true))
                put(folder + "/Lumivane00000.bmp", "other program");
        });

        window.controls().cmbSnapMode->select(static_cast<int>(SnapMode::SingleSnap));
        QTRY_COMPARE(window.controls().cmbSnapMode->currentIndex(), int(SnapMode::Off));
        const bool saved = failure.isEmpty();
        QCOMPARE(QFileInfo::exists(folder), saved);
        QCOMPARE(window.state().iCurrentImageNumber, saved ? 2 : 0);
        if (saved) {
            QCOMPARE(contentsOf(folder + "/Lumivane00000.bmp"), QByteArray("other program"));
            QCOMPARE(QImage(folder + "/Lumivane00001.bmp").size(), QSize(640, 480));
            QCOMPARE(window.controls().lblPath->text(), folder + "/Lumivane00001.bmp");
        }
        const QString notice = window.saveFailureNotice().text();
        QVERIFY2(notice.contains(QString(failure).replace("<folder>", folder)), qPrintable(notice));
        QCOMPARE(window.saveFailureNotice().failureCount(), saved ? 0 : 1);
    }

    // Free space as read just before each save, afresh each time, so that
    // saving resumes once there is room; -1 where it cannot be read.
    void aSaveLeavesAtLeastTheReserveFree_data()
    {
        addColumns<int, QList<qint64>, QStringList>({"reserveMiB", "free", "outcomes"});
        // The size of the snap picture's file.
        const QTemporaryDir probe;
        const QString path = probe.filePath("probe.bmp");
        const qint64 file =
            device::SnapFileWriter::save(snapPicture(), path, "bmp") ? -1 : QFileInfo(path).size();
        QTest::newRow("the reserve left exactly, a byte short, room again")
            << 64 << QList<qint64>{64 * MiB + file, 64 * MiB + file - 1, 64 * MiB + file}
            << QStringList{"saved", "the disk is nearly full: 64 MiB left", "saved"};
        QTest::newRow("no reserve") << 0 << QList<qint64>{0} << QStringList{"saved"};
        QTest::newRow("free space unknown") << 64 << QList<qint64>{-1} << QStringList{"saved"};
    }
    void aSaveLeavesAtLeastTheReserveFree()
    {
        QFETCH(int, reserveMiB);
        QFETCH(QList<qint64>, free);
        QFETCH(QStringList, outcomes);
        const QTemporaryDir folder;
        QStringList asked;
        device::CaptureDevice device(std::make_unique<TallySource>());
        device.setDiskReserve(
            DiskReserve(reserveMiB, [&](const QString &place) -> std::optional<qint64> {
                asked << place;
                const qint64 left = free.value(asked.size() - 1);
                return left < 0 ? std::nullopt : std::optional(left);
            }));

        for (int save = 0; save < outcomes.size(); ++save)
            checkSave(device, folder.filePath(QStringLiteral("snap%1.bmp").arg(save)),
                      outcomes[save]);
        QCOMPARE(asked, reserveMiB ? QStringList(outcomes.size(), folder.path()) : QStringList());
    }

    // On a real file system filled to just above the default reserve, as
    // the program opens its device with and without --reserve.
    void aNearlyFullFileSystemKeepsTheReserve()
    {
        // A file system of its own, small enough to fill.
        const QTemporaryDir small;
        const QByteArray folder = QFile::encodeName(small.path());
        if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=80m") != 0)
            QSKIP(qPrintable("no file system could be mounted: " +
                             QString::fromLocal8Bit(std::strerror(errno))));
        const auto unmount = qScopeGuard([&] { ::umount2(folder.constData(), MNT_DETACH); });
        QFile filler(small.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const qint64 leftFree = 64 * MiB + 16 * 1024;
        QVERIFY(filler.write(QByteArray(*DiskReserve::freeSpace(small.path()) - leftFree, 'f')) >
                0);
        filler.close();
        QCOMPARE(DiskReserve::freeSpace(small.path()), leftFree);

        const device::DeviceCatalog catalog({});
        checkSave(*catalog.open(device::DeviceCatalog::standIn), small.filePath("default.bmp"),
                  "the disk is nearly full: 64 MiB left");
        checkSave(*catalog.open(device::DeviceCatalog::standIn, {}, 0), small.filePath("none.bmp"),
                  "saved");
    }
};

QTEST_MAIN(SavingTest)
#include "tst_saving.moc"
