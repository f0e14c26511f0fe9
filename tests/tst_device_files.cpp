// The image files the stand-in device writes: every type read back by the
// independent decoders of the netpbm package to the pixels of the picture,
// palette pictures kept as palette images, and failed saves that report the
// system's reason and leave earlier files alone.

#include "device/Camera.h"
#include "device/ColorDepthReducer.h"
#include "device/Resampler.h"
#include "device/SnapFileWriter.h"
#include "device/SnapProcessor.h"
#include "device/StandInDevice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using device::SnapFileWriter;

namespace {

const QHash<QString, QString> decoders{
    {"bmp", "bmptopnm"}, {"iff", "ilbmtoppm"}, {"jpg", "jpegtopnm"}, {"pcx", "pcxtoppm"},
    {"png", "pngtopnm"}, {"tga", "tgatoppm"},  {"tif", "tifftopnm"}};

const QImage &raw()
{
    static const QImage picture = [] {
        device::Camera camera(11);
        return camera.expose({}, QDateTime(QDate(2024, 5, 1), QTime(9, 30, 0)));
    }();
    return picture;
}

// A snap as the device makes it, or a picture of an odd size that makes the
// writers pad their lines.
QImage pictureFor(int depth, QSize size)
{
    if (size.width() * 3 / 4 == size.height()) {
        device::CaptureSettings settings;
        settings.width = size.width();
        settings.colorDepth = depth;
        settings.optimizedPalette = depth == 8;
        return device::SnapProcessor::process(raw(), settings);
    }
    return device::ColorDepthReducer::reduce(
        device::Resampler::scale(raw(), size, device::ScaleQuality::Normal), depth, depth == 4);
}

QImage decode(const QString &type, const QString &path, QString *complaint)
{
    QProcess decoder;
    decoder.start(decoders.value(type), {path});
    if (!decoder.waitForFinished(60000) || decoder.exitCode() != 0) {
        *complaint = QString::fromLocal8Bit(decoder.readAllStandardError());
        return {};
    }
    return QImage::fromData(decoder.readAllStandardOutput());
}

double meanDifference(const QImage &a, const QImage &b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            total += std::abs(qRed(p[x]) - qRed(q[x])) + std::abs(qGreen(p[x]) - qGreen(q[x])) +
                     std::abs(qBlue(p[x]) - qBlue(q[x]));
    }
    return total / (3.0 * a.width() * a.height());
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// PhotometricInterpretation of the first image in a TIFF file.
int tiffPhotometric(const QByteArray &tiff)
{
    const bool little = tiff.startsWith("II");
    const auto *bytes = reinterpret_cast<const uchar *>(tiff.constData());
    auto u16 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint16>(bytes + at)
                      : qFromBigEndian<quint16>(bytes + at);
    };
    auto u32 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint32>(bytes + at)
                      : qFromBigEndian<quint32>(bytes + at);
    };
    const quint32 directory = u32(4);
    for (int i = 0; i < u16(directory); ++i) {
        const qsizetype entry = directory + 2 + 12 * i;
        if (u16(entry) == 262)
            return u16(entry + 8);
    }
    return -1;
}

// Whether the file holds a palette of `colours` entries or fewer rather than
// true colour, read from the format's own header fields.
bool storedWithPalette(const QString &type, const QByteArray &file, int colours)
{
    const auto *b = reinterpret_cast<const uchar *>(file.constData());
    if (type == "bmp")
        return qFromLittleEndian<quint16>(b + 28) <= 8;
    if (type == "png")
        return b[25] == 3;
    if (type == "tif")
        return tiffPhotometric(file) == 3;
    if (type == "iff")
        return file.mid(12, 4) == "BMHD" && file.indexOf("CMAP") > 0 && (1 << b[28]) == colours;
    if (type == "pcx")
        return colours == 16 ? b[3] == 1 && b[65] == 4 : b[3] == 8 && b[65] == 1;
    if (type == "tga")
        return b[1] == 1 && b[2] == 9 && qFromLittleEndian<quint16>(b + 5) <= colours;
    return false;
}

struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

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
                for (QSize size : {QSize(160, 120), QSize(203, 151)}) {
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

        QString complaint;
        const QImage decoded = decode(type, path, &complaint);
        QVERIFY2(!decoded.isNull(), qPrintable(complaint));
        QCOMPARE(decoded.size(), size);
        const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
        const QImage actual = decoded.convertToFormat(QImage::Format_RGB32);
        if (type == "jpg") {
            // JPEG keeps the broad picture, not the grain or dithering.
            auto broad = [](const QImage &p) {
                return p.scaled(p.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            };
            const double difference = meanDifference(broad(actual), broad(expected));
            QVERIFY2(difference < 4.0, qPrintable(QString::number(difference)));
        } else {
            QCOMPARE(actual, expected);
        }
    }

    void palettePicturesAreSavedAsPaletteImages_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("depth");
        for (const QString &type : SnapFileWriter::types()) {
            if (type == "jpg")
                continue;
            for (int depth : {8, 4})
                QTest::addRow("%s %d-bit", qPrintable(type), depth) << type << depth;
        }
    }
    void palettePicturesAreSavedAsPaletteImages()
    {
        QFETCH(QString, type);
        QFETCH(int, depth);
        const QString path = m_folder.filePath(QStringLiteral("palette.") + type);
        QCOMPARE(SnapFileWriter::save(pictureFor(depth, {160, 120}), path, type),
                 snappy::Failure());
        QVERIFY(storedWithPalette(type, contentsOf(path), 1 << depth));
        QCOMPARE(SnapFileWriter::save(pictureFor(24, {160, 120}), path, type), snappy::Failure());
        QVERIFY(!storedWithPalette(type, contentsOf(path), 1 << depth));
    }

    void tgaFilesEndWithTheVersionTwoFooter()
    {
        const QString path = m_folder.filePath("footer.tga");
        QCOMPARE(SnapFileWriter::save(pictureFor(24, {160, 120}), path, "tga"), snappy::Failure());
        QVERIFY(contentsOf(path).endsWith(QByteArray("TRUEVISION-XFILE.\0", 18)));
    }

    void failuresNameTheFileAndTheReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QString>("reason");
        const QImage picture = pictureFor(24, {160, 120});
        QFile plain(m_folder.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QTest::newRow("unknown type")
            << m_folder.filePath("a.gif") << "gif" << picture << "\"gif\" is not an image type";
        QTest::newRow("no picture")
            << m_folder.filePath("b.png") << "png" << QImage() << "no picture";
        QTest::newRow("missing folder") << m_folder.filePath("nowhere/c.bmp") << "bmp" << picture
                                        << "No such file or directory";
        QTest::newRow("path through a plain file")
            << m_folder.filePath("plain/d.png") << "png" << picture << "Not a directory";
        QTest::newRow("full device") << "/dev/full"
                                     << "pcx" << picture << "No space left on device";
        QTest::newRow("a folder") << m_folder.path() << "png" << picture << "directory";
    }
    void failuresNameTheFileAndTheReason()
    {
        QFETCH(QString, path);
        QFETCH(QString, type);
        QFETCH(QImage, picture);
        QFETCH(QString, reason);
        const snappy::Failure failure = SnapFileWriter::save(picture, path, type);
        QVERIFY(failure);
        QVERIFY2(failure->startsWith(QStringLiteral("Could not save %1: ").arg(path)),
                 qPrintable(*failure));
        QVERIFY2(failure->contains(reason), qPrintable(*failure));
        QVERIFY(!QFileInfo(path).isFile());
        QVERIFY(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
    }

    void aFailedOverwriteLeavesTheEarlierFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("kept.bmp");
        QCOMPARE(SnapFileWriter::save(pictureFor(24, {160, 120}), path, "bmp"), snappy::Failure());
        const QByteArray earlier = contentsOf(path);
        snappy::Failure failure;
        {
            const FileSizeLimit limit(rlim_t(earlier.size()) + 1000);
            failure = SnapFileWriter::save(pictureFor(24, {800, 600}), path, "bmp");
        }
        QVERIFY(failure);
        QVERIFY2(failure->contains("File too large"), qPrintable(*failure));
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
        QVERIFY(noPicture && noPicture->contains(path));
        standIn.writeProperty(snappy::DispId::Picture, picture);
        QCOMPARE(standIn.call(snappy::Method::SaveSnap), snappy::Failure());
        QString complaint;
        QCOMPARE(decode("pcx", path, &complaint), picture.convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(DeviceFilesTest)
#include "tst_device_files.moc"
