#include "device/AtomicFileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace device {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes everything, resuming after short writes and interruptions; returns
// 0 or the errno of the failure.
int writeFully(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        at += written;
        left -= written;
    }
    return 0;
}

// The permissions a new file gets from the process's umask, as any program
// that creates the file directly would give it.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

snappy::Failure writeInPlace(const QByteArray &target, const QByteArray &bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return systemReason(errno);
    const int error = writeFully(fd, bytes);
    const int closeError = ::close(fd) == 0 ? 0 : errno;
    if (error || closeError)
        return systemReason(error ? error : closeError);
    return std::nullopt;
}

snappy::Failure replace(const QByteArray &target, const QByteArray &bytes, mode_t mode)
{
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return systemReason(errno);
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (!error)
        error = writeFully(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return systemReason(error);
    }
    return std::nullopt;
}

} // namespace

snappy::Failure AtomicFileWriter::write(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    // Through a symbolic link, the file it points to is the one replaced.
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray native = QFile::encodeName(target);
    struct stat existing {};
    if (::stat(native.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return systemReason(EISDIR);
        if (!S_ISREG(existing.st_mode))
            return writeInPlace(native, bytes);
        return replace(native, bytes, existing.st_mode & 07777);
    }
    return replace(native, bytes, newFileMode());
}

} // namespace device
