#include "device/SnapReader.h"

#include "device/IlbmDecoder.h"
#include "device/PcxDecoder.h"
#include "device/TgaDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <map>
#include <memory>

namespace device {

namespace {

// The types no image library on the system reads right: Qt's TGA reader
// refuses run-length encoded files, and there is none for PCX or ILBM.
const std::map<QString, std::unique_ptr<ImageDecoder>> &decoders()
{
    static const auto table = [] {
        std::map<QString, std::unique_ptr<ImageDecoder>> t;
        t.emplace(QStringLiteral("iff"), std::make_unique<IlbmDecoder>());
        t.emplace(QStringLiteral("pcx"), std::make_unique<PcxDecoder>());
        t.emplace(QStringLiteral("tga"), std::make_unique<TgaDecoder>());
        return t;
    }();
    return table;
}

SnapReader::Read failed(const QString &path, const QString &reason)
{
    return {{}, QStringLiteral("%1: %2").arg(path, reason)};
}

} // namespace

SnapReader::Read SnapReader::read(const QString &path)
{
    const auto found = decoders().find(QFileInfo(path).suffix().toLower());
    if (found == decoders().end()) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        QImage picture = reader.read();
        if (picture.isNull())
            return failed(path, reader.errorString());
        return {picture, {}};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return failed(path, QStringLiteral("the file is empty"));
    ImageDecoder::Decoded decoded = found->second->decode(bytes);
    if (decoded.picture.isNull())
        return failed(path, decoded.failure);
    return {decoded.picture, {}};
}

} // namespace device
