// The image files the stand-in device writes: every type read back by the
// independent decoders of the netpbm package to the pixels of the picture,
// palette pictures kept as palette images, and failed saves that report the
// system's reason and leave earlier files alone.

#include "Files.h"
#include "Netpbm.h"
#include "PictureDifference.h"
#include "device/ColorDepthReducer.h"
#include "device/Resampler.h"
#include "device/SnapFileWriter.h"
#include "device/SnapProcessor.h"
#include "device/standin/Camera.h"
#include "device/standin/StandInDevice.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using device::SnapFileWriter;

namespace {

// For the run-length encoders: lines of runs from one pixel to longer than
// any packet, in colours whose bytes look like run counts, and lines of
// noise wider than any packet, even in bitplanes.
const QSize runsSize(1100, 40);

QImage runsPicture()
{
    QImage picture(runsSize, QImage::Format_RGB32);
    for (int y = 0; y < runsSize.height(); ++y) {
        const int run = 1 + y * y / 8;
        for (int x = 0; x < runsSize.width(); ++x) {
            const int k = x / run;
            const uint noise = y < 4 ? uint(x * 2654435761u) >> (y + 8) : 0;
            picture.setPixel(x, y,
                             y < 4   ? qRgb(noise & 0xff, noise >> 3 & 0xff, noise >> 6 & 0xff)
                             : k % 2 ? qRgb(0xC0 + k % 64, 0xFF, 0xC1)
                                     : qRgb(k % 3, 7, 0xFE));
        }
    }
    return picture;
}

// A snap as the device makes it, a picture of an odd size that makes the
// writers pad their lines, or one of runs.
QImage pictureFor(int depth, QSize size)
{
    if (size == runsSize)
        return device::ColorDepthReducer::reduce(runsPicture(), depth, true);
    static const QImage raw =
        device::Camera(11).expose({}, QDateTime(QDate(2024, 5, 1), QTime(9, 30, 0)));
    if (size.width() * 3 / 4 == size.height()) {
        device::CaptureSettings settings;
        settings.width = size.width();
        settings.colorDepth = depth;
        settings.optimizedPalette = depth == 8;
        return device::SnapProcessor::process(raw, settings);
    }
    return device::ColorDepthReducer::reduce(
        device::Resampler::scale(raw, size, device::ScaleQuality::Normal), depth, depth == 4);
}

// Whether the file holds a palette of `colours` entries or fewer rather than
// true colour: read from the header for the types Qt has no reader for.
bool storedWithPalette(const QString &type, const QString &path, int colours)
{
    const QByteArray file = contentsOf(path);
    const auto *b = reinterpret_cast<const uchar *>(file.constData());
    if (type == "iff")
        return file.mid(12, 4) == "BMHD" && file.indexOf("CMAP") > 0 && (1 << b[28]) <= colours;
    if (type == "pcx")
        return colours == 16 ? b[3] == 1 && b[65] == 4 : b[3] == 8 && b[65] == 1;
    if (type == "tga")
        return b[1] == 1 && b[2] == 9 && qFromLittleEndian<quint16>(b + 5) <= colours;
    return QImage(path).format() == QImage::Format_Indexed8;
}

} // namespace

class DeviceFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    void everyTypeReadsBackToThePicture_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QSize>("size");
        for (const QString &type : SnapFileWriter::types()) {
            for (int depth : {24, 16, 8, 4}) {
                for (QSize size : {QSize(160, 120), QSize(203, 151), QSize(7, 5), runsSize}) {
                    // JPEG keeps no sharp edges to compare, nor the colours of
                    // a picture smaller than its blocks.
                    if (type == "jpg" && (size == runsSize || size.width() < 16))
                        continue;
                    QTest::addRow("%s %d-bit %dx%d", qPrintable(type), depth, size.width(),
                                  size.height())
                        << type << depth << size;
                }
            }
        }
    }
    void everyTypeReadsBackToThePicture()
    {
        QFETCH(QString, type);
        QFETCH(int, depth);
        QFETCH(QSize, size);
        const QImage picture = pictureFor(depth, size);
        const QString path = m_folder.filePath(QStringLiteral("snap.") + type);
        QCOMPARE(SnapFileWriter::save(picture, path, type), snappy::Failure());
        // Palette pictures stay palette images wherever the type can hold one.
        QCOMPARE(storedWithPalette(type, path, depth <= 8 ? 1 << depth : 256),
                 depth <= 8 && type != "jpg");
        if (type == "tga")
            QVERIFY(contentsOf(path).endsWith(QByteArray("TRUEVISION-XFILE.\0", 18)));

        const QImage decoded = decodeWithNetpbm(type, path);
        QCOMPARE(decoded.size(), size);
        const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
        const QImage actual = decoded.convertToFormat(QImage::Format_RGB32);
        if (type == "png")
            QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), expected);
        if (type == "jpg") {
            const double difference = broadDifference(actual, expected);
            QVERIFY2(difference < 4.0, qPrintable(QString::number(difference)));
        } else {
            QCOMPARE(actual, expected);
        }
    }

    void failuresNameTheFileAndTheReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("reason");
        QFile plain(m_folder.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QTest::newRow("unknown type") << m_folder.filePath("a.gif") << "gif"
                                      << "\"gif\" is not an image type";
        QTest::newRow("missing folder") << m_folder.filePath("nowhere/c.bmp") << "bmp"
                                        << "No such file or directory";
        QTest::newRow("path through a plain file") << m_folder.filePath("plain/d.png") << "png"
                                                   << "Not a directory";
        QTest::newRow("full device") << "/dev/full"
                                     << "pcx"
                                     << "not a plain file";
        QTest::newRow("a folder") << m_folder.path() << "png"
                                  << "directory";
    }
    void failuresNameTheFileAndTheReason()
    {
        QFETCH(QString, path);
        QFETCH(QString, type);
        QFETCH(QString, reason);
        const snappy::Failure failure =
            SnapFileWriter::save(pictureFor(24, {160, 120}), path, type);
        QVERIFY2(failure && failure->startsWith(QStringLiteral("Could not save %1: ").arg(path)) &&
                     failure->contains(reason),
                 qPrintable(failure.value_or("saved")));
        QVERIFY(!QFileInfo(path).isFile());
        QVERIFY(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
    }

    void aFailedOverwriteLeavesTheEarlierFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("kept.bmp");
        QCOMPARE(SnapFileWriter::save(pictureFor(24, {160, 120}), path, "bmp"), snappy::Failure());
        const QByteArray earlier = contentsOf(path);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{rlim_t(earlier.size()) + 1000, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        const snappy::Failure failure =
            SnapFileWriter::save(pictureFor(24, {800, 600}), path, "bmp");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        QVERIFY2(failure && failure->contains("File too large"),
                 qPrintable(failure.value_or("saved")));
        QCOMPARE(contentsOf(path), earlier);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList("kept.bmp"));

        QCOMPARE(SnapFileWriter::save(pictureFor(24, {320, 240}), path, "bmp"), snappy::Failure());
        QCOMPARE(QImage(path).size(), QSize(320, 240));
    }

    void saveSnapWritesThePicturePropertyUnderTheFileNameAndType()
    {
        device::StandInDevice standIn;
        const QImage picture = pictureFor(8, {160, 120});
        const QString path = m_folder.filePath("device.pcx");
        standIn.writeProperty(snappy::DispId::SaveFileName, path);
        standIn.writeProperty(snappy::DispId::SaveFileType, QStringLiteral("pcx"));
        const snappy::Failure noPicture = standIn.call(snappy::Method::SaveSnap);
        QVERIFY(noPicture && noPicture->contains(path) && noPicture->contains("no picture"));
        standIn.writeProperty(snappy::DispId::Picture, picture);
        QCOMPARE(standIn.call(snappy::Method::SaveSnap), snappy::Failure());
        QCOMPARE(decodeWithNetpbm("pcx", path), picture.convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(DeviceFilesTest)
#include "tst_device_files.moc"
