// The image files the device writes and reads: every type and depth read
// back to the pixels saved, both by the device and by the independent
// decoders of the netpbm package, palette pictures kept as palette images
// and TGA files read as well with their lines stored top first;
// the same types as other programs write them; cut, damaged or misnamed
// files refused, and failed saves, each with the file and the reason.

#include "DataColumns.h"
#include "Files.h"
#include "Netpbm.h"
#include "PictureDifference.h"
#include "device/ColorDepthReducer.h"
#include "device/SnapFileWriter.h"
#include "device/SnapReader.h"

#include <QtTest>

using namespace device;

namespace {

// How a picture holds its colours: true colour of 32 (with alpha), 24 or 16
// bits, or a palette of some number of colours.
enum Kind {
    Alpha = -32,
    TrueColour = -24,
    HighColour = -16,
    Colours256 = 256,
    Colours16 = 16,
    Colours2 = 2
};

// Lines of runs from one pixel to longer than any packet, in colours whose
// bytes look like run counts, after a line of noise longer than any packet,
// even in bitplanes when the picture is wide enough.
QImage pictureOf(Kind kind, QSize size)
{
    const int colours = kind > 0 ? kind : 1 << 24;
    QImage picture(size, kind > 0        ? QImage::Format_Indexed8
                         : kind == Alpha ? QImage::Format_ARGB32
                                         : QImage::Format_RGB32);
    // Palette colours all different, and held exactly by 15-bit palettes, as
    // types with 15-bit colours widen five bits of a level to eight; none
    // for true colour.
    const auto fiveBits = [](int level) { return level << 3 | level >> 2; };
    QList<QRgb> table;
    for (int i = 0; i < kind; ++i)
        table << qRgb(fiveBits(i & 31), fiveBits(i >> 5 | (i & 3) << 3),
                      fiveBits(31 - (i * 3 & 31)));
    picture.setColorTable(table);
    for (int y = 0; y < size.height(); ++y) {
        const int run = 1 + 4 * y * y;
        for (int x = 0; x < size.width(); ++x) {
            const uint noise = uint(x * 2654435761u) >> 7;
            const uint v =
                (y == 0 ? noise : (x / run % 2 ? 0xC0C1FFu : 0x0307FEu) + x / run) % uint(colours);
            const uint alpha = kind == Alpha ? (x * 37 + y * 91) & 0xFF : 0xFF;
            picture.setPixel(x, y, kind > 0 ? v : alpha << 24 | v);
        }
    }
    return kind == HighColour ? ColorDepthReducer::reduce(picture, 16, false) : picture;
}

QString kindName(Kind kind)
{
    return kind < 0 ? QStringLiteral("%1-bit").arg(-kind) : QStringLiteral("%1 colours").arg(kind);
}

// What an encoder of the netpbm package, run as `writer`, makes of the
// picture, which it reads from the netpbm file `pnm`.
QByteArray writtenByNetpbm(QStringList writer, const QImage &picture, const QString &pnm)
{
    if (picture.hasAlphaChannel()) {
        const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
        put(pnm,
            "P7\nWIDTH " + QByteArray::number(rgba.width()) + "\nHEIGHT " +
                QByteArray::number(rgba.height()) +
                "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" +
                QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes()));
    } else {
        picture.save(pnm, picture.isGrayscale() ? "pgm" : "ppm");
    }
    QProcess encoder;
    encoder.start(writer.takeFirst(), writer << pnm);
    encoder.waitForFinished(60000);
    return encoder.exitCode() == 0 ? encoder.readAllStandardOutput() : QByteArray();
}

void verifyFailure(const QString &failure, const QString &path, const QString &reason)
{
    QVERIFY2(failure.startsWith(path + ": ") && failure.contains(reason), qPrintable(failure));
}

} // namespace

class DeviceFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

    // A picture of the kind and size saved as the type; its file's path, or
    // why saving failed, which the reading that follows then reports.
    QString saved(const QString &type, Kind kind, QSize size)
    {
        const QString path = m_folder.filePath(QStringLiteral("snap.") + type.toUpper());
        const snappy::Failure failure = SnapFileWriter::save(pictureOf(kind, size), path, type);
        return failure ? *failure : path;
    }

    // Reading the file fails, naming it and the reason.
    static void verifyRefused(const QString &path, const QString &reason)
    {
        const SnapReader::Read read = SnapReader::read(path);
        QVERIFY(read.picture.isNull());
        verifyFailure(read.failure, path, reason);
    }

private slots:
    void everyTypeAndDepthReadsBackToThePicture_data()
    {
        addColumns<QString, Kind, QSize>({"type", "kind", "size"});
        for (const QString &type : SnapFileWriter::types()) {
            for (Kind kind : {TrueColour, HighColour, Colours256, Colours16, Colours2}) {
                for (QSize size : {QSize(1100, 9), QSize(7, 5), QSize(1, 1)}) {
                    // JPEG keeps the colours of no picture smaller than its
                    // blocks, nor of a palette picture's sharp edges.
                    if (type == "jpg" && (size.width() < 16 || kind > 0))
                        continue;
                    QTest::addRow("%s %s %dx%d", qPrintable(type), qPrintable(kindName(kind)),
                                  size.width(), size.height())
                        << type << kind << size;
                }
            }
        }
    }
    void everyTypeAndDepthReadsBackToThePicture()
    {
        const auto [type, kind, size] = fetchRow<QString, Kind, QSize>();
        const QString path = saved(type, kind, size);
        const SnapReader::Read read = SnapReader::read(path);
        QVERIFY2(read.failure.isEmpty(), qPrintable(read.failure));
        const QImage expected = pictureOf(kind, size).convertToFormat(QImage::Format_RGB32);
        for (const QImage &picture : {read.picture, decodeWithNetpbm(type, path)}) {
            QCOMPARE(picture.size(), size);
            const QImage actual = picture.convertToFormat(QImage::Format_RGB32);
            if (type == "jpg")
                QCOMPARE_LT(broadDifference(actual, expected), 10.0);
            else
                QCOMPARE(actual, expected);
        }
        // Palette pictures stay palette images, of no more colours than the
        // depth asks for (16 at the least, as PCX holds them): as read, or
        // as a TGA file's header says, whose reader makes room for 256.
        QCOMPARE(read.picture.colorCount() > 0, kind > 0);
        const QByteArray file = contentsOf(path);
        const int colours = type == "tga" ? qFromLittleEndian<quint16>(file.constData() + 5)
                                          : read.picture.colorCount();
        QVERIFY2(type == "tif" || colours <= std::max(16, int(kind)),
                 qPrintable(QString::number(colours)));
        QVERIFY(type != "tga" || file.endsWith(QByteArray("TRUEVISION-XFILE.\0", 18)));
        // TGA lines may be stored top first too, as the header then says.
        if (type == "tga") {
            put(path, file.left(17) + char(file[17] | 0x20) + file.mid(18));
            QCOMPARE(SnapReader::read(path).picture, read.picture.mirrored(false, true));
        }
    }

    void otherProgramsFilesRead_data()
    {
        addColumns<QString, Kind, QStringList, QString>({"type", "kind", "writer", "reason"});
        const auto row = [](const char *type, Kind kind, QStringList writer,
                            const char *reason = "") {
            QTest::addRow("%s %s", qPrintable(writer.join(' ')), qPrintable(kindName(kind)))
                << QString(type) << kind << writer << QString(reason);
        };
        row("tga", TrueColour, {"ppmtotga", "-rgb", "-norle"});
        row("tga", TrueColour, {"ppmtotga", "-rgb"});
        row("tga", Colours256, {"ppmtotga", "-cmap", "-norle"});
        row("tga", Colours256, {"ppmtotga", "-cmap16"});
        row("tga", Alpha, {"pamtotga", "-norle"});
        row("tga", Alpha, {"pamtotga"});
        row("tga", Colours2, {"ppmtotga", "-mono", "-norle"});
        row("tga", Colours2, {"ppmtotga", "-mono"});
        row("pcx", TrueColour, {"ppmtopcx", "-24bit"});
        row("pcx", Colours256, {"ppmtopcx", "-8bit"});
        row("pcx", Colours16, {"ppmtopcx"});
        row("pcx", Colours2, {"ppmtopcx"});
        row("iff", TrueColour, {"ppmtoilbm", "-24force"});
        row("iff", Colours256, {"ppmtoilbm", "-nocompress"});
        row("iff", Colours16, {"ppmtoilbm"});
        const QString mask = m_folder.filePath("mask.pbm");
        pictureOf(Colours2, {301, 9}).convertToFormat(QImage::Format_Mono).save(mask);
        row("iff", Colours16, {"ppmtoilbm", "-maskfile", mask});
        row("iff", TrueColour, {"ppmtoilbm", "-hamforce"}, "hold-and-modify");
    }
    void otherProgramsFilesRead()
    {
        const auto [type, kind, writer, reason] = fetchRow<QString, Kind, QStringList, QString>();
        QImage picture = pictureOf(kind, {301, 9});
        // Two colours as black and white, which the one-bit types hold.
        if (kind == Colours2)
            picture = picture.convertToFormat(QImage::Format_Mono)
                          .convertToFormat(QImage::Format_Grayscale8);
        const QString path = m_folder.filePath(QStringLiteral("other.") + type);
        put(path, writtenByNetpbm(writer, picture, m_folder.filePath("other.pnm")));
        if (!reason.isEmpty())
            return verifyRefused(path, reason);
        const SnapReader::Read read = SnapReader::read(path);
        QVERIFY2(read.failure.isEmpty(), qPrintable(read.failure));
        QCOMPARE(read.picture.convertToFormat(QImage::Format_ARGB32),
                 picture.convertToFormat(QImage::Format_ARGB32));
    }

    // Files of a 7 by 5 picture cut, or with a field damaged; a first run
    // made one byte or pixel longer than the line (PCX, ILBM) or the picture
    // (TGA). Offsets below zero count back from the end of the picture data,
    // which in TGA files a footer of 26 bytes follows.
    void damagedFilesFailWithTheReason_data()
    {
        addColumns<QString, Kind, int, QByteArray, QString>(
            {"type", "kind", "offset", "hex", "reason"});
        const auto row = [](const char *name, const char *type, Kind kind, int offset,
                            QByteArray hex, const char *reason) {
            QTest::newRow(name) << QString(type) << kind << offset << hex << QString(reason);
        };
        for (const char *type : {"iff", "pcx", "tga"}) {
            for (Kind kind : {TrueColour, Colours256, Colours16, Colours2}) {
                for (int cut : {1, 17, 30, -9, -2, -1})
                    QTest::addRow("%s %s cut at %d", type, qPrintable(kindName(kind)), cut)
                        << QString(type) << kind << cut << QByteArray() << "the file is truncated";
            }
        }
        const char *tooLong = "a run of pixels is too long";
        row("tga empty", "tga", TrueColour, 0, "", "the file is empty");
        row("pcx maker", "pcx", TrueColour, 0, "0b", "not a PCX file");
        row("pcx encoding", "pcx", TrueColour, 2, "02", "not a PCX file");
        row("pcx 4 bits", "pcx", TrueColour, 3, "04", "not supported");
        row("pcx 2 planes", "pcx", Colours256, 65, "02", "not supported");
        row("pcx too wide", "pcx", TrueColour, 8, "409c", "out of range");
        row("pcx no width", "pcx", TrueColour, 4, "0700", "out of range");
        row("pcx too many pixels", "pcx", TrueColour, 8, "30753075", "out of range");
        row("pcx short lines", "pcx", TrueColour, 66, "0200", "line length");
        row("pcx no palette", "pcx", Colours256, -769, "0d", "palette is missing");
        row("pcx run one too long", "pcx", TrueColour, 128, "d9", tooLong);
        row("iff form", "iff", TrueColour, 0, "464f524e", "not an IFF ILBM file");
        row("iff form size", "iff", TrueColour, 4, "7fff", "truncated");
        row("iff no header", "iff", TrueColour, 12, "424d4858", "header");
        row("iff chunk size", "iff", TrueColour, 16, "7fff", "truncated");
        row("iff no width", "iff", TrueColour, 20, "0000", "out of range");
        row("iff too high", "iff", TrueColour, 22, "80e8", "out of range");
        row("iff 9 planes", "iff", Colours256, 28, "09", "not supported");
        row("iff compression", "iff", TrueColour, 30, "02", "not supported");
        row("iff no palette", "iff", Colours16, 40, "434d4158", "palette is missing");
        row("iff run one too long", "iff", TrueColour, 48, "02", tooLong);
        row("tga type", "tga", TrueColour, 2, "04", "not a TGA file");
        row("tga map type", "tga", TrueColour, 1, "02", "not a TGA file");
        row("tga no width", "tga", TrueColour, 12, "0000", "out of range");
        row("tga 12 bits", "tga", TrueColour, 16, "0c", "not supported");
        row("tga map past 256", "tga", Colours256, 3, "c800", "palette");
        row("tga map of 8 bits", "tga", Colours16, 7, "08", "palette");
        row("tga run one too long", "tga", TrueColour, 18, "a3", tooLong);
        row("tga raw one too long", "tga", TrueColour, 18, "23", tooLong);
    }
    void damagedFilesFailWithTheReason()
    {
        const auto [type, kind, offset, hex, reason] =
            fetchRow<QString, Kind, int, QByteArray, QString>();
        const QString path = saved(type, kind, {7, 5});
        QByteArray file = contentsOf(path);
        const qsizetype at = offset >= 0 ? offset : file.size() - (type == "tga" ? 26 : 0) + offset;
        const QByteArray bytes = QByteArray::fromHex(hex);
        put(path, bytes.isEmpty() ? file.left(at) : file.replace(at, bytes.size(), bytes));
        verifyRefused(path, reason);
    }

    // A file of another type under the name is refused by the type's own
    // checks, as a damaged one is (those the type's reader leaves to Qt
    // with Qt's reason); one that is missing with the system's reason.
    void unreadableFilesFailWithTheReason()
    {
        const QString png = m_folder.filePath("pcx.png");
        put(png, contentsOf(saved("pcx", TrueColour, {7, 5})));
        verifyRefused(png, "");
        verifyRefused(m_folder.filePath("missing.iff"), "No such file");
    }

    void failedSavesNameTheFileAndTheReason_data()
    {
        addColumns<QString, QString, QImage, QString>({"path", "type", "picture", "reason"});
        const QImage picture = pictureOf(TrueColour, {7, 5});
        put(m_folder.filePath("plain"), {});
        QTest::newRow("unknown type")
            << m_folder.filePath("a.gif") << "gif" << picture << "\"gif\" is not an image type";
        QTest::newRow("missing folder") << m_folder.filePath("nowhere/c.bmp") << "bmp" << picture
                                        << "No such file or directory";
        QTest::newRow("path through a plain file")
            << m_folder.filePath("plain/d.png") << "png" << picture << "Not a directory";
        QTest::newRow("full device") << "/dev/full"
                                     << "pcx" << picture << "not a plain file";
        QTest::newRow("a folder") << m_folder.path() << "png" << picture << "directory";
        QTest::newRow("no picture")
            << m_folder.filePath("e.png") << "png" << QImage() << "there is no picture to save";
    }
    void failedSavesNameTheFileAndTheReason()
    {
        const auto [path, type, picture, reason] = fetchRow<QString, QString, QImage, QString>();
        const snappy::Failure failure = SnapFileWriter::save(picture, path, type);
        verifyFailure(failure.value_or("saved"), "Could not save " + path, reason);
        QVERIFY(!QFileInfo(path).isFile());
    }
};

QTEST_MAIN(DeviceFilesTest)
#include "tst_device_files.moc"
