#include "app/PlatformPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStorageInfo>

namespace platform {

QChar separator()
{
    return QDir::separator();
}

QString programFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
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
#ifdef Q_OS_WIN
    return stripped;
#else
    return stripped.isEmpty() ? path : stripped;
#endif
}

QString folderToList(const QString &folder)
{
#ifdef Q_OS_WIN
    if (folder.size() == 2 && folder.at(1) == QLatin1Char(':'))
        return folder + separator();
#endif
    return folder.isEmpty() ? QString(separator()) : folder;
}

QString volumeOf(const QString &path)
{
    const QStorageInfo volume(folderToList(path));
    if (!volume.isValid())
        return QDir::toNativeSeparators(QDir::rootPath());
    return QDir::toNativeSeparators(volume.rootPath());
}

} // namespace platform
