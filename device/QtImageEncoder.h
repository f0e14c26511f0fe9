#pragma once

// Encoders for the formats Qt's image plugins write: BMP, JPEG, PNG and TIFF.
// Indexed pictures stay palette images where the format holds one.

#include "device/ImageEncoder.h"

#include <QByteArray>

namespace device {

class QtImageEncoder : public ImageEncoder {
public:
    // `format` is a Qt image format name; `quality` 0 to 100 for lossy
    // formats, -1 for the plugin's own choice.
    explicit QtImageEncoder(QByteArray format, int quality = -1);

    snappy::Failure encode(const QImage &picture, QIODevice &out) const override;

private:
    QByteArray m_format;
    int m_quality;
};

} // namespace device
