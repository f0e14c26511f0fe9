#pragma once

#include <QImage>

#include <cmath>

// How far two pictures of one size lie apart: the mean absolute difference of
// their red, green and blue levels, 0 for equal pictures, up to 255.
inline double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(x.constBits());
    const auto *q = reinterpret_cast<const QRgb *>(y.constBits());
    const qsizetype n = qsizetype(x.width()) * x.height();
    double total = 0;
    for (qsizetype i = 0; i < n; ++i)
        total += std::abs(qRed(p[i]) - qRed(q[i])) + std::abs(qGreen(p[i]) - qGreen(q[i])) +
                 std::abs(qBlue(p[i]) - qBlue(q[i]));
    return total / (3.0 * n);
}

// How far two pictures lie apart in the broad, at a quarter of their size:
// what JPEG keeps, unlike the grain or a dithering.
inline double broadDifference(const QImage &a, const QImage &b)
{
    const auto broad = [](const QImage &p) {
        return p.scaled(p.size() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    return meanDifference(broad(a), broad(b));
}
