#include "core/PlatformPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {

QChar separator()
{
    return QDir::separator();
}

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString defaultSnapFolder(const QString &folder)
{
    // An installed program's folder is shared by other programs or closed to
    // the user: pictures there would be mixed in with them or fail to save.
    const QFileInfo program(folder);
    if (program.fileName() != QLatin1String("bin") && program.isWritable())
        return folder;
    return QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
        QStringLiteral("/Lumivane"));
}

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(separator());
}

QString joinFolderAndName(const QString &folder, const QString &name)
{
    return endsWithSeparator(folder) ? folder + name : folder + separator() + name;
}

QString withoutTrailingSeparator(const QString &path)
{
    if (!endsWithSeparator(path))
        return path;
    const QString stripped = path.chopped(1);
    return stripped.isEmpty() ? path : stripped;
}

QString folderToList(const QString &folder)
{
    return folder.isEmpty() ? QString(separator()) : folder;
}

QString volumeOf(const QString &path)
{
    const QStorageInfo volume(folderToList(path));
    if (!volume.isValid())
        return QDir::toNativeSeparators(QDir::rootPath());
    return QDir::toNativeSeparators(volume.rootPath());
}

QStringList mountedVolumes()
{
    // QStorageInfo already leaves out the kernel's pseudo file systems.
    QStringList volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid())
            volumes << QDir::toNativeSeparators(volume.rootPath());
    }
    volumes.removeDuplicates();
    const QString systemRoot = QDir::toNativeSeparators(QDir::rootPath());
    std::sort(volumes.begin(), volumes.end(), [&systemRoot](const QString &a, const QString &b) {
        if ((a == systemRoot) != (b == systemRoot))
            return a == systemRoot;
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return volumes;
}

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString folderReadFailure(const QString &folder)
{
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (!listing)
        return systemReason(errno);
    ::closedir(listing);
    return {};
}

QString makeFolder(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0)
        return systemReason(errno);
    return {};
}

QString makeFolderPath(const QString &path)
{
    const QFileInfo folder(path);
    if (folder.isDir())
        return {};
    // Only what is missing is made, so a file in the way is named as such.
    const QString above = QDir::toNativeSeparators(folder.path());
    if (above != path && !QFileInfo::exists(above)) {
        if (const QString failure = makeFolderPath(above); !failure.isEmpty())
            return failure;
    }
    return makeFolder(path);
}

QString existingEntryName(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    const QString asked = info.fileName();
    const QStringList entries =
        QDir(info.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    if (entries.contains(asked))
        return asked;
    for (const QString &entry : entries) {
        if (entry.compare(asked, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return asked;
}

} // namespace platform
