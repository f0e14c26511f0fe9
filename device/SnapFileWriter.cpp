#include "device/SnapFileWriter.h"

#include "device/AtomicFileWriter.h"
#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/PngEncoder.h"
#include "device/QtImageEncoder.h"
#include "device/TgaEncoder.h"

#include <QBuffer>
#include <QFileInfo>

#include <map>
#include <memory>

namespace device {

namespace {

constexpr int jpegQuality = 90;

const std::map<QString, std::unique_ptr<ImageEncoder>> &encoders()
{
    static const auto table = [] {
        std::map<QString, std::unique_ptr<ImageEncoder>> t;
        t.emplace(QStringLiteral("bmp"), std::make_unique<QtImageEncoder>("bmp"));
        t.emplace(QStringLiteral("iff"), std::make_unique<IlbmEncoder>());
        t.emplace(QStringLiteral("jpg"), std::make_unique<QtImageEncoder>("jpeg", jpegQuality));
        t.emplace(QStringLiteral("pcx"), std::make_unique<PcxEncoder>());
        t.emplace(QStringLiteral("png"), std::make_unique<PngEncoder>());
        t.emplace(QStringLiteral("tga"), std::make_unique<TgaEncoder>());
        t.emplace(QStringLiteral("tif"), std::make_unique<QtImageEncoder>("tiff"));
        return t;
    }();
    return table;
}

} // namespace

QStringList SnapFileWriter::types()
{
    QStringList names;
    for (const auto &[name, encoder] : encoders())
        names << name;
    return names;
}

snappy::Failure SnapFileWriter::save(const QImage &picture, const QString &path,
                                     const QString &type)
{
    return write(picture, path, type, AtomicFileWriter::Existing::Replace, DiskReserve(0)).failure;
}

snappy::Failure SnapFileWriter::saveSnap(PropertyStore &properties, const DiskReserve &reserve)
{
    using snappy::DispId;
    const bool keep =
        std::get<snappy::Boolean>(properties.read(DispId::SaveNoReplace)) == snappy::Boolean::True;
    const AtomicFileWriter::Outcome outcome = write(
        std::get<QImage>(properties.read(DispId::Picture)),
        std::get<QString>(properties.read(DispId::SaveFileName)),
        std::get<QString>(properties.read(DispId::SaveFileType)),
        keep ? AtomicFileWriter::Existing::Keep : AtomicFileWriter::Existing::Replace, reserve);
    properties.write(DispId::SaveNameTaken,
                     outcome.nameTaken ? snappy::Boolean::True : snappy::Boolean::False);
    return outcome.failure;
}

AtomicFileWriter::Outcome SnapFileWriter::write(const QImage &picture, const QString &path,
                                                const QString &type,
                                                AtomicFileWriter::Existing existing,
                                                const DiskReserve &reserve)
{
    auto failed = [&](const QString &reason) {
        return AtomicFileWriter::Outcome{QStringLiteral("Could not save %1: %2").arg(path, reason)};
    };
    if (path.isEmpty())
        return {QStringLiteral("Could not save: no file name was given")};
    const auto found = encoders().find(type.toLower());
    if (found == encoders().end())
        return failed(QStringLiteral("\"%1\" is not an image type this device writes").arg(type));
    if (picture.isNull())
        return failed(QStringLiteral("there is no picture to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (const snappy::Failure encoded = found->second->encode(picture, buffer))
        return failed(*encoded);
    // Only the encoded file's size tells whether it still fits.
    if (const snappy::Failure refused =
            reserve.refusal(QFileInfo(path).absolutePath(), bytes.size()))
        return failed(*refused);
    AtomicFileWriter::Outcome outcome = AtomicFileWriter::write(path, bytes, existing);
    if (outcome.failure)
        outcome.failure = failed(*outcome.failure).failure;
    return outcome;
}

} // namespace device
