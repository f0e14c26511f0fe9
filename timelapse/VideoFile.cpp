#include "timelapse/VideoFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace timelapse {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Named as the snaps' own temporary files are, ".lumivane-" with the
// writer's process id, so that one a killed run leaves behind is cleared as
// theirs are when snaps are next saved in the folder.
QString temporaryName()
{
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = QStringLiteral(".lumivane-%1-").arg(::getpid());
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

// Returns 0 or the errno of the failure.
int syncPath(const QByteArray &path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

int renameWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Some network file systems rename only by replacing; a link never replaces.
    if (::link(from.constData(), to.constData()) != 0)
        return errno;
    ::unlink(from.constData());
    return 0;
}

} // namespace

VideoFile::VideoFile(const QString &path)
    : m_path(path)
{
}

VideoFile::~VideoFile()
{
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

snappy::Failure VideoFile::create()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const QString candidate = folder + QLatin1Char('/') + temporaryName();
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            ::close(fd);
            m_temporary = candidate;
        }
    }
    if (error)
        return QStringLiteral("Could not write a video in %1: %2").arg(folder, systemReason(error));
    return std::nullopt;
}

snappy::Failure VideoFile::publish(bool replace)
{
    const QByteArray from = QFile::encodeName(m_temporary);
    const QByteArray to = QFile::encodeName(m_path);
    // On disk before it has its name, so that a power cut leaves a whole
    // video or none.
    int error = syncPath(from, O_RDONLY);
    if (!error)
        error = replace ? (::rename(from.constData(), to.constData()) == 0 ? 0 : errno)
                        : renameWithoutReplacing(from, to);
    if (error)
        return QStringLiteral("Could not write %1: %2")
            .arg(m_path, error == EEXIST ? QStringLiteral("another file took its name meanwhile")
                                         : systemReason(error));
    m_temporary.clear();
    syncPath(QFile::encodeName(QFileInfo(m_path).absolutePath()), O_RDONLY | O_DIRECTORY);
    return std::nullopt;
}

} // namespace timelapse
