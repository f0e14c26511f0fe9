// Reading snap files back: every type the device writes, at every depth,
// to the pixels saved; the same types as other programs write them; and
// cut, damaged or misnamed files refused with the file and the reason.

#include "Files.h"
#include "PictureDifference.h"
#include "device/ColorDepthReducer.h"
#include "device/SnapFileWriter.h"
#include "device/SnapReader.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using device::SnapFileWriter;
using device::SnapReader;

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

// Five bits of a level as eight, as types with 15-bit colours widen them.
int fiveBits(int level)
{
    return level << 3 | level >> 2;
}

// Lines of runs from one pixel to longer than any packet, in colours whose
// bytes look like run counts, after a line of noise longer than any packet.
QImage pictureOf(Kind kind, QSize size)
{
    const int colours = kind > 0 ? kind : 1 << 24;
    QImage picture(size, kind > 0        ? QImage::Format_Indexed8
                         : kind == Alpha ? QImage::Format_ARGB32
                                         : QImage::Format_RGB32);
    if (kind > 0) {
        // Colours all different, and held exactly by 15-bit palettes.
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table << qRgb(fiveBits(i & 31), fiveBits(i >> 5 | (i & 3) << 3),
                          fiveBits(31 - (i * 3 & 31)));
        picture.setColorTable(table);
    }
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
    return kind == HighColour ? device::ColorDepthReducer::reduce(picture, 16, false) : picture;
}

QString kindName(Kind kind)
{
    return kind < 0 ? QStringLiteral("%1-bit").arg(-kind) : QStringLiteral("%1 colours").arg(kind);
}

QByteArray le16(int v)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(quint16(v), bytes.data());
    return bytes;
}

QByteArray be16(int v)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(quint16(v), bytes.data());
    return bytes;
}

// What an encoder of the netpbm package makes of the picture.
QByteArray writtenByNetpbm(const QString &tool, const QStringList &arguments, const QImage &picture)
{
    QByteArray pnm;
    if (picture.hasAlphaChannel()) {
        pnm = QStringLiteral("P7\nWIDTH %1\nHEIGHT %2\nDEPTH 4\nMAXVAL 255\n"
                             "TUPLTYPE RGB_ALPHA\nENDHDR\n")
                  .arg(picture.width())
                  .arg(picture.height())
                  .toLatin1();
        const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
        for (int y = 0; y < rgba.height(); ++y)
            pnm.append(reinterpret_cast<const char *>(rgba.constScanLine(y)), 4 * rgba.width());
    } else {
        QBuffer buffer(&pnm);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, picture.isGrayscale() ? "pgm" : "ppm");
    }
    QProcess encoder;
    encoder.start(tool, arguments);
    encoder.write(pnm);
    encoder.closeWriteChannel();
    encoder.waitForFinished(60000);
    return encoder.exitCode() == 0 ? encoder.readAllStandardOutput() : QByteArray();
}

void verifyFailure(const SnapReader::Read &read, const QString &path, const QString &reason)
{
    QVERIFY(read.picture.isNull());
    QVERIFY2(read.failure.startsWith(path + ": ") && read.failure.contains(reason),
             qPrintable(read.failure));
}

} // namespace

class SnapReaderTest : public QObject {
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

private slots:
    void everyTypeAndDepthReadsBackToThePicture_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QSize>("size");
        for (const QString &type : SnapFileWriter::types()) {
            for (Kind kind : {TrueColour, HighColour, Colours256, Colours16, Colours2}) {
                for (QSize size : {QSize(301, 9), QSize(7, 5), QSize(1, 1)}) {
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
        QFETCH(QString, type);
        QFETCH(Kind, kind);
        QFETCH(QSize, size);
        const QString path = saved(type, kind, size);
        const SnapReader::Read read = SnapReader::read(path);
        QVERIFY2(read.failure.isEmpty(), qPrintable(read.failure));
        QCOMPARE(read.picture.size(), size);
        const QImage expected = pictureOf(kind, size).convertToFormat(QImage::Format_RGB32);
        const QImage actual = read.picture.convertToFormat(QImage::Format_RGB32);
        if (type == "jpg") {
            const double difference = broadDifference(actual, expected);
            QVERIFY2(difference < 10.0, qPrintable(QString::number(difference)));
            return;
        }
        QCOMPARE(actual, expected);
        QCOMPARE(read.picture.colorCount() > 0, kind > 0);
    }

    void otherProgramsFilesRead_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("writer");
        QTest::addColumn<QString>("reason");
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
        QFETCH(QString, type);
        QFETCH(Kind, kind);
        QFETCH(QStringList, writer);
        QFETCH(QString, reason);
        QImage picture = pictureOf(kind, {301, 9});
        // Two colours as black and white, which the one-bit types hold.
        if (kind == Colours2)
            picture = picture.convertToFormat(QImage::Format_Mono)
                          .convertToFormat(QImage::Format_Grayscale8);
        const QString path = m_folder.filePath(QStringLiteral("other.") + type);
        put(path, writtenByNetpbm(writer.takeFirst(), writer, picture));
        const SnapReader::Read read = SnapReader::read(path);
        if (!reason.isEmpty()) {
            verifyFailure(read, path, reason);
            return;
        }
        QVERIFY2(read.failure.isEmpty(), qPrintable(read.failure));
        QCOMPARE(read.picture.convertToFormat(QImage::Format_ARGB32),
                 picture.convertToFormat(QImage::Format_ARGB32));
    }

    void tgaLinesStoredTopFirstRead()
    {
        const QString path = saved("tga", TrueColour, {301, 9});
        QByteArray file = contentsOf(path);
        file[17] = char(file[17] | 0x20);
        put(path, file);
        QCOMPARE(SnapReader::read(path).picture,
                 pictureOf(TrueColour, {301, 9}).mirrored(false, true));
    }

    void cutFilesAreTruncated_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<double>("cut");
        for (const char *type : {"iff", "pcx", "tga"}) {
            for (Kind kind : {TrueColour, Colours256, Colours16, Colours2}) {
                // Bytes kept; below one, the share of the file kept; below
                // zero, bytes cut from the end of the picture data, which in
                // TGA files a footer of 26 bytes follows.
                for (double cut : {1.0, 17.0, 60.0, 0.5, -1.0, -2.0})
                    QTest::addRow("%s %s cut at %g", type, qPrintable(kindName(kind)), cut)
                        << QString(type) << kind << cut;
            }
        }
    }
    void cutFilesAreTruncated()
    {
        QFETCH(QString, type);
        QFETCH(Kind, kind);
        QFETCH(double, cut);
        const QString path = saved(type, kind, {301, 9});
        QByteArray file = contentsOf(path);
        const qsizetype dataEnd = file.size() - (type == "tga" ? 26 : 0);
        file.truncate(cut >= 1  ? qsizetype(cut)
                      : cut > 0 ? qsizetype(cut * file.size())
                                : dataEnd + qsizetype(cut));
        put(path, file);
        verifyFailure(SnapReader::read(path), path, "the file is truncated");
    }

    void damagedFilesFailWithTheReason_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *type, Kind kind, int offset,
                            QByteArray bytes, const char *reason) {
            QTest::newRow(name) << QString(type) << kind << offset << bytes << QString(reason);
        };
        // Damaged fields of a 7 by 5 picture; its first run made one byte or
        // pixel longer than the line (PCX, ILBM) or the picture (TGA).
        const char *tooLong = "a run of pixels is too long";
        row("pcx maker", "pcx", TrueColour, 0, "\x0B", "not a PCX file");
        row("pcx encoding", "pcx", TrueColour, 2, "\x02", "not a PCX file");
        row("pcx 4 bits", "pcx", TrueColour, 3, "\x04", "not supported");
        row("pcx 2 planes", "pcx", Colours256, 65, "\x02", "not supported");
        row("pcx too wide", "pcx", TrueColour, 8, le16(40000), "out of range");
        row("pcx no width", "pcx", TrueColour, 4, le16(7), "out of range");
        row("pcx too many pixels", "pcx", TrueColour, 8, le16(30000) + le16(30000), "out of range");
        row("pcx short lines", "pcx", TrueColour, 66, le16(2), "line length");
        row("pcx no palette", "pcx", Colours256, -769, "\x0D", "palette is missing");
        row("pcx run one too long", "pcx", TrueColour, 128, "\xD9", tooLong);
        row("iff form", "iff", TrueColour, 0, "FORN", "not an IFF ILBM file");
        row("iff form size", "iff", TrueColour, 4, be16(0x7fff), "truncated");
        row("iff no header", "iff", TrueColour, 12, "BMHX", "header");
        row("iff chunk size", "iff", TrueColour, 16, be16(0x7fff), "truncated");
        row("iff no width", "iff", TrueColour, 20, be16(0), "out of range");
        row("iff too high", "iff", TrueColour, 22, be16(33000), "out of range");
        row("iff 9 planes", "iff", Colours256, 28, "\x09", "not supported");
        row("iff compression", "iff", TrueColour, 30, "\x02", "not supported");
        row("iff no palette", "iff", Colours16, 40, "CMAX", "palette is missing");
        row("iff run one too long", "iff", TrueColour, 48, "\x02", tooLong);
        row("tga type", "tga", TrueColour, 2, "\x04", "not a TGA file");
        row("tga map type", "tga", TrueColour, 1, "\x02", "not a TGA file");
        row("tga no width", "tga", TrueColour, 12, le16(0), "out of range");
        row("tga 12 bits", "tga", TrueColour, 16, "\x0C", "not supported");
        row("tga map past 256", "tga", Colours256, 3, le16(200), "palette");
        row("tga map of 8 bits", "tga", Colours16, 7, "\x08", "palette");
        row("tga run one too long", "tga", TrueColour, 18, "\xA3", tooLong);
        row("tga raw one too long", "tga", TrueColour, 18, "\x23", tooLong);
    }
    void damagedFilesFailWithTheReason()
    {
        QFETCH(QString, type);
        QFETCH(Kind, kind);
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = saved(type, kind, {7, 5});
        QByteArray file = contentsOf(path);
        file.replace(offset < 0 ? file.size() + offset : offset, bytes.size(), bytes);
        put(path, file);
        verifyFailure(SnapReader::read(path), path, reason);
    }

    void misnamedFilesFailWithTheReason_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *tag, const char *type, const char *name,
                            const char *reason) {
            QTest::newRow(tag) << QString(type) << QString(name) << QString(reason);
        };
        row("png as pcx", "png", "a.pcx", "not a PCX file");
        row("png as iff", "png", "b.iff", "not an IFF ILBM file");
        row("png as tga", "png", "c.tga", "not a TGA file");
        row("iff as tga", "iff", "d.tga", "not a TGA file");
        row("tga as pcx", "tga", "e.pcx", "not a PCX file");
        row("pcx as png", "pcx", "f.png", "");
        row("nothing as tga", "", "g.tga", "the file is empty");
        row("missing iff", "-", "h.iff", "No such file");
    }
    void misnamedFilesFailWithTheReason()
    {
        QFETCH(QString, type);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString path = m_folder.filePath(name);
        QFile::remove(path);
        if (type != "-")
            put(path, type.isEmpty() ? QByteArray() : contentsOf(saved(type, TrueColour, {7, 5})));
        verifyFailure(SnapReader::read(path), path, reason);
    }
};

QTEST_MAIN(SnapReaderTest)
#include "tst_snap_reader.moc"
