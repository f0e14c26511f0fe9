#include "device/SnapFileWriter.h"

#include "device/AtomicFileWriter.h"
#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/PngEncoder.h"
#include "device/QtImageEncoder.h"
#include "device/TgaEncoder.h"

#include <QBuffer>

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
    auto failed = [&](const QString &reason) {
        return QStringLiteral("Could not save %1: %2").arg(path, reason);
    };
    if (path.isEmpty())
        return QStringLiteral("Could not save: no file name was given");
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
    const snappy::Failure failure = AtomicFileWriter::write(path, bytes);
    if (failure)
        return failed(*failure);
    return std::nullopt;
}

} // namespace device
