#include "program/ProgramIdentity.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cmath>

void applyProgramIdentity()
{
    // No display name: the desktop would append it to every window title,
    // and the titles are shown exactly as they are.
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(LUMIVANE_APP_ID));
}

void applyProgramIcon(QApplication &application)
{
    // Bare square pictures drawn at build time, one per size.
    QIcon icon;
    for (QDirIterator pictures(QStringLiteral(":/icons")); pictures.hasNext();) {
        QFile file(pictures.next());
        const QByteArray pixels = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const int side = int(std::lround(std::sqrt(double(pixels.size() / 4))));
        if (side == 0 || qsizetype(side) * side * 4 != pixels.size())
            continue;
        const QImage picture(reinterpret_cast<const uchar *>(pixels.constData()), side, side,
                             side * 4, QImage::Format_ARGB32_Premultiplied);
        // A copy: the pixmap must not share bytes that go with this loop.
        icon.addPixmap(QPixmap::fromImage(picture.copy()));
    }
    application.setWindowIcon(icon);
}
