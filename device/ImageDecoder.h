#pragma once

// What every decoder of the device's own image types offers: the picture in
// a file's bytes, or in plain words why there is none. Files may come from
// other programs or be cut short or damaged, so decoders trust no field.

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace device {

class ImageDecoder {
public:
    struct Decoded {
        // Null when the bytes hold no picture; then `failure` says why.
        QImage picture;
        QString failure;
    };

    // What a reader of a line of pixels found wrong, if anything.
    enum class Damage { None, Truncated, Overrun };

    virtual ~ImageDecoder() = default;

    virtual Decoded decode(QByteArrayView file) const = 0;

protected:
    static Decoded failed(const QString &reason) { return {{}, reason}; }
    static Decoded failed(Damage damage);
    static Decoded truncated() { return failed(Damage::Truncated); }

    // A picture of the size the header gives, or a null one, with the
    // reason in `failure`, when the size is absurd or memory short: a
    // damaged header must not make the program allocate gigabytes.
    static QImage canvas(int width, int height, QImage::Format format, QString &failure);
};

} // namespace device
