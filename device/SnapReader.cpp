#include "device/SnapReader.h"

#include <QImageReader>

namespace device {

SnapReader::Read SnapReader::read(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull())
        return {{}, QStringLiteral("%1: %2").arg(path, reader.errorString())};
    return {picture, {}};
}

} // namespace device
