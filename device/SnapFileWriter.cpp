#include "device/SnapFileWriter.h"

#include "device/IlbmEncoder.h"
#include "device/PcxEncoder.h"
#include "device/QtImageEncoder.h"
#include "device/TgaEncoder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
        t.emplace(QStringLiteral("png"), std::make_unique<QtImageEncoder>("png"));
        t.emplace(QStringLiteral("tga"), std::make_unique<TgaEncoder>());
        t.emplace(QStringLiteral("tif"), std::make_unique<QtImageEncoder>("tiff"));
        return t;
    }();
    return table;
}

// The device's own error wins: it carries the system's reason (a full disk),
// where the encoder could only say that writing failed.
QString reasonFor(const QFileDevice &file, const snappy::Failure &encoderFailure)
{
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return encoderFailure.value_or(file.errorString());
}

// Something that is not a plain file, such as a device, cannot be replaced
// by renaming: it is written in place.
snappy::Failure writeInPlace(const ImageEncoder &encoder, const QImage &picture,
                             const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const snappy::Failure encoded = encoder.encode(picture, file);
    if (encoded || !file.flush())
        return reasonFor(file, encoded);
    return std::nullopt;
}

snappy::Failure writeBeside(const ImageEncoder &encoder, const QImage &picture, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const snappy::Failure encoded = encoder.encode(picture, file);
    if (encoded) {
        const QString reason = reasonFor(file, encoded);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
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
    const QFileInfo target(path);
    const bool special = target.exists() && !target.isFile() && !target.isDir();
    const snappy::Failure failure = special ? writeInPlace(*found->second, picture, path)
                                            : writeBeside(*found->second, picture, path);
    if (failure)
        return failed(*failure);
    return std::nullopt;
}

} // namespace device
