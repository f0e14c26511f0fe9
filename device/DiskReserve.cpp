#include "device/DiskReserve.h"

#include <QFile>

#include <sys/statvfs.h>

namespace device {

namespace {
constexpr qint64 MiB = 1024 * 1024;
} // namespace

// A system call rather than QStorageInfo, which reads the whole mount table
// each time: a rapid series asks before every save.
std::optional<qint64> DiskReserve::freeSpace(const QString &folder)
{
    struct statvfs fileSystem {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fileSystem) != 0)
        return std::nullopt;
    return qint64(fileSystem.f_bavail) * qint64(fileSystem.f_frsize);
}

DiskReserve::DiskReserve(int mebibytes, FreeSpace reading)
    : m_bytes(mebibytes * MiB)
    , m_reading(std::move(reading))
{
}

// A folder that cannot be read fails the save by itself, with its own reason.
snappy::Failure DiskReserve::refusal(const QString &folder, qint64 bytes) const
{
    if (m_bytes == 0)
        return std::nullopt;
    const std::optional<qint64> free = m_reading(folder);
    if (!free || *free - bytes >= m_bytes)
        return std::nullopt;
    return QStringLiteral("the disk is nearly full: %1 MiB left").arg(*free / MiB);
}

} // namespace device
