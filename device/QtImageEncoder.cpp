#include "device/QtImageEncoder.h"

#include <QImageWriter>

namespace device {

QtImageEncoder::QtImageEncoder(QByteArray format, int quality)
    : m_format(std::move(format))
    , m_quality(quality)
{
}

snappy::Failure QtImageEncoder::encode(const QImage &picture, QIODevice &out) const
{
    QImageWriter writer(&out, m_format);
    writer.setQuality(m_quality);
    if (!writer.write(picture))
        return writer.errorString();
    return std::nullopt;
}

} // namespace device
