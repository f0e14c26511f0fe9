#pragma once

// Reads back a snap file of any of the seven types the device writes,
// including those no image library reads, or says why it cannot: the
// program reads whatever it wrote.

#include <QImage>
#include <QString>

namespace device {

class SnapReader {
public:
    struct Read {
        // Null when the file could not be read; then `failure` says why.
        QImage picture;
        QString failure;
    };

    // The type is taken from the file name's extension, as the device
    // writes it ("bmp", "iff", "jpg", "pcx", "png", "tga", "tif").
    static Read read(const QString &path);
};

} // namespace device
