#pragma once

// Reads image files back with the independent decoders of the netpbm
// package, so a file counts as right only if another program reads it so.

#include <QHash>
#include <QImage>
#include <QProcess>
#include <QString>

inline const QHash<QString, QString> netpbmDecoders{
    {"bmp", "bmptopnm"}, {"iff", "ilbmtoppm"}, {"jpg", "jpegtopnm"}, {"pcx", "pcxtoppm"},
    {"png", "pngtopnm"}, {"tga", "tgatoppm"},  {"tif", "tifftopnm"}};

// The decoder's complaints, if any, go to the test's output; a null picture
// when it refuses the file.
inline QImage decodeWithNetpbm(const QString &type, const QString &path)
{
    QProcess decoder;
    decoder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    decoder.start(netpbmDecoders.value(type), {QStringLiteral("-quiet"), path});
    decoder.waitForFinished(60000);
    return decoder.exitCode() == 0 ? QImage::fromData(decoder.readAllStandardOutput()) : QImage();
}
