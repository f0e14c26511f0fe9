// The room saving leaves free on the snaps' disk: a save that would leave
// less than the reserve is not made but reported like any failed save (what
// the window makes of that, the snap completion tests check), and saving
// resumes by itself once there is room.

#include "DataColumns.h"
#include "TallySource.h"
#include "device/CaptureDevice.h"
#include "device/DeviceCatalog.h"
#include "device/SnapFileWriter.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

using device::DiskReserve;
using snappy::DispId;

namespace {

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

class DiskReserveTest : public QObject {
    Q_OBJECT

private slots:
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

QTEST_MAIN(DiskReserveTest)
#include "tst_disk_reserve.moc"
