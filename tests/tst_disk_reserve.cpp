// The room saving leaves free on the snaps' disk: a save that would leave
// less than the reserve is not made but reported like any failed save, the
// numbering holds, and saving resumes by itself once there is room.

#include "MinuteSeries.h"
#include "TallySource.h"
#include "device/CaptureDevice.h"
#include "device/DeviceCatalog.h"
#include "device/SnapFileWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

using device::DiskReserve;
using snappy::DispId;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;

QImage snapPicture()
{
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    return picture;
}

qint64 encodedSize()
{
    const QTemporaryDir folder;
    const QString path = folder.filePath("probe.bmp");
    return device::SnapFileWriter::save(snapPicture(), path, "bmp") ? -1 : QFileInfo(path).size();
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

// A file system of its own, small enough to fill.
struct SmallFileSystem {
    SmallFileSystem()
        : error(::mount("tmpfs", QFile::encodeName(place.path()).constData(), "tmpfs", 0,
                        "size=80m") == 0
                    ? 0
                    : errno)
    {
    }
    ~SmallFileSystem()
    {
        if (error == 0)
            ::umount2(QFile::encodeName(place.path()).constData(), MNT_DETACH);
    }

    QTemporaryDir place;
    int error;
};

} // namespace

class DiskReserveTest : public QObject {
    Q_OBJECT

private slots:
    // Free space as read just before the save; -1 where it cannot be read.
    void aSaveLeavesAtLeastTheReserveFree_data()
    {
        QTest::addColumn<int>("reserveMiB");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<QString>("outcome");
        const qint64 file = encodedSize();
        QTest::newRow("room to spare") << 64 << 65 * MiB + file << "saved";
        QTest::newRow("the reserve left exactly") << 64 << 64 * MiB + file << "saved";
        QTest::newRow("a byte short")
            << 64 << 64 * MiB + file - 1 << "the disk is nearly full: 64 MiB left";
        QTest::newRow("nearly nothing left")
            << 64 << 3 * MiB + 512 * 1024 << "the disk is nearly full: 3 MiB left";
        QTest::newRow("a smaller reserve") << 2 << 3 * MiB << "saved";
        QTest::newRow("no reserve") << 0 << qint64(0) << "saved";
        QTest::newRow("free space unknown") << 64 << qint64(-1) << "saved";
    }
    void aSaveLeavesAtLeastTheReserveFree()
    {
        QFETCH(int, reserveMiB);
        QFETCH(qint64, free);
        QFETCH(QString, outcome);
        const QTemporaryDir folder;
        const QString path = folder.filePath("snap.bmp");
        QStringList asked;
        device::CaptureDevice device(std::make_unique<TallySource>());
        device.setDiskReserve(
            DiskReserve(reserveMiB, [&](const QString &place) -> std::optional<qint64> {
                asked << place;
                return free < 0 ? std::nullopt : std::optional(free);
            }));

        checkSave(device, path, outcome);
        QCOMPARE(asked, reserveMiB ? QStringList{folder.path()} : QStringList());
    }

    // A series on a disk that fills and is cleared again: the snaps made
    // while it was full are told as not saved, and the next saved snap takes
    // the number the first of them would have had.
    void aFullDiskHoldsTheNumberAndSavingResumes()
    {
        QList<qint64> freeAtEachSave{GiB, MiB, MiB, GiB, GiB};
        auto device = std::make_unique<device::CaptureDevice>(std::make_unique<TallySource>());
        device->setDiskReserve(DiskReserve(DiskReserve::defaultMiB, [&](const QString &) {
            return std::optional(freeAtEachSave.takeFirst());
        }));
        MinuteSeries series(std::move(device));
        QList<std::optional<bool>> saved;
        for (int minute = 1; minute <= 5; ++minute)
            saved << series.passMinute();

        QCOMPARE(saved, QList<std::optional<bool>>({true, false, false, true, true}));
        const QString unlike = series.unlikeTheSeries(3, [](int number, const QImage &picture) {
            return picture.pixel(0, 0) == TallySource::colour(number == 0 ? 0 : number + 2);
        });
        QVERIFY2(unlike.isEmpty(), qPrintable(unlike));
        QCOMPARE(series.window->saveFailureNotice().text(),
                 "Saving works again: the latest snap was saved.\nThe last failure was: Could not "
                 "save " +
                     series.fileName(1) +
                     ": the disk is nearly full: 1 MiB left\n\nSnaps not saved since this notice "
                     "appeared: 2");
    }

    // On a real file system filled to just above the default reserve, as
    // the program opens its device with and without --reserve.
    void aNearlyFullFileSystemKeepsTheReserve_data()
    {
        QTest::addColumn<std::optional<int>>("reserveMiB");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("default") << std::optional<int>() << "the disk is nearly full: 64 MiB left";
        QTest::newRow("smaller") << std::optional(16) << "saved";
        QTest::newRow("none") << std::optional(0) << "saved";
    }
    void aNearlyFullFileSystemKeepsTheReserve()
    {
        QFETCH(std::optional<int>, reserveMiB);
        QFETCH(QString, outcome);
        const SmallFileSystem small;
        if (small.error)
            QSKIP(qPrintable("no file system could be mounted: " +
                             QString::fromLocal8Bit(std::strerror(small.error))));
        const QString folder = small.place.path();
        QFile filler(QDir(folder).filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const qint64 leftFree = 64 * MiB + 16 * 1024;
        QVERIFY(filler.write(QByteArray(*DiskReserve::freeSpace(folder) - leftFree, 'f')) > 0);
        filler.close();
        QCOMPARE(DiskReserve::freeSpace(folder), leftFree);

        const auto device =
            device::DeviceCatalog({}).open(device::DeviceCatalog::standIn, {}, reserveMiB);
        checkSave(*device, QDir(folder).filePath("snap.bmp"), outcome);
    }
};

QTEST_MAIN(DiskReserveTest)
#include "tst_disk_reserve.moc"
