// Writes what the portable paths, or the SSE2 paths alone, make of the
// samples' pictures, a file for each, into the folder given.

#include "PathSamples.h"

#include "device/VectorPaths.h"

#include <QDir>
#include <QFile>

#if LUMIVANE_X86_VECTORS && !defined(LUMIVANE_NARROW_VECTORS)
#error "built to show what the portable or the SSE2 paths make"
#endif

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const PathSample &sample : pathSamples()) {
        QFile file(folder.filePath(sample.name));
        if (!file.open(QIODevice::WriteOnly) || file.write(sample.bytes) != sample.bytes.size())
            return 1;
    }
    return 0;
}
