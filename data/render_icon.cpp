// Renders the program's scalable icon at the given sizes into files of bare
// pixels (premultiplied 32-bit ARGB in this machine's byte order, row after
// row), so the program hands its windows ready pixels: no vector picture to
// draw and no image to decode at every start.
//
//   render_icon <icon.svg> <output folder> <size>...

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fputs("usage: render_icon <icon.svg> <output folder> <size>...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: %s is not a usable SVG picture\n", argv[1]);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "render_icon: cannot make %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "render_icon: %s is not a size\n", argv[i]);
            return 2;
        }
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        {
            QPainter painter(&icon);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        QFile file(folder.filePath(QStringLiteral("%1.argb32").arg(size)));
        const auto bytes = qint64(icon.sizeInBytes());
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char *>(icon.constBits()), bytes) != bytes) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
