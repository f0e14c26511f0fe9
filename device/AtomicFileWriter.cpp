#include "device/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace device {

namespace {

std::function<void()> &beforePublish()
{
    static std::function<void()> hook;
    return hook;
}

bool &unnamedFilesAllowed()
{
    static bool allowed = true;
    return allowed;
}

// An unnamed file is named by linking its /proc entry; without /proc there
// is no way to name it.
bool unnamedFilesUsable()
{
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted && unnamedFilesAllowed();
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

AtomicFileWriter::Outcome failed(int error)
{
    return {systemReason(error)};
}

// Closes on every way out; the data's own errors surface in fsync.
struct Descriptor {
    explicit Descriptor(int fd = -1)
        : fd(fd)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int fd;
};

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

// Temporary names are hidden, short whatever the target's length, and carry
// the writer's process id so that only those of ended processes count as
// stale.
const QString temporaryPrefix = QStringLiteral(".lumivane-");

QByteArray temporaryName()
{
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QFile::encodeName(temporaryPrefix) + QByteArray::number(::getpid()) + '-';
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return name;
}

bool isStale(const QDir &folder, const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.lumivane-(\\d+)-[A-Za-z0-9]{6}$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return false;
    const pid_t writer = match.captured(1).toInt();
    if (writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
        return false;
    // A writer on another machine sharing the folder still holds its lock.
    const Descriptor file(::open(QFile::encodeName(folder.filePath(name)).constData(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    return file.fd >= 0 && ::fstat(file.fd, &status) == 0 && S_ISREG(status.st_mode) &&
           ::flock(file.fd, LOCK_EX | LOCK_NB) == 0;
}

// Once per folder and run: a scan on every save would make rapid snapping
// into a large folder slower with every file.
void removeStaleTemporaries(const QString &folderPath)
{
    static QMutex mutex;
    static QSet<QString> cleaned;
    {
        const QMutexLocker lock(&mutex);
        if (cleaned.contains(folderPath))
            return;
        cleaned.insert(folderPath);
    }
    const QDir folder(folderPath);
    const QStringList candidates = folder.entryList({temporaryPrefix + QLatin1Char('*')},
                                                    QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : candidates) {
        if (isStale(folder, name))
            QFile::remove(folder.filePath(name));
    }
}

// Why an existing entry must not be replaced, if it must not.
snappy::Failure refusalToReplace(int folder, const QByteArray &name, const struct stat &existing)
{
    switch (existing.st_mode & S_IFMT) {
    case S_IFREG:
        if ((existing.st_mode & 0222) == 0)
            return QStringLiteral("the file is read-only");
        if (::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
            return systemReason(errno);
        return std::nullopt;
    // Only left dangling: a link to a file was followed before.
    case S_IFLNK: return std::nullopt;
    case S_IFDIR: return systemReason(EISDIR);
    case S_IFIFO: return QStringLiteral("a named pipe has that name, not a plain file");
    case S_IFSOCK: return QStringLiteral("a socket has that name, not a plain file");
    default: return QStringLiteral("a device has that name, not a plain file");
    }
}

struct Temporary {
    Descriptor file;
    // Empty while the file has no name.
    QByteArray name;
};

// Gives a file a temporary name with `create`, which returns 0 or an errno,
// trying again while the names it picks are taken.
int nameFreshly(const std::function<int(const QByteArray &)> &create, QByteArray &name)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        name = temporaryName();
        error = create(name);
    }
    if (error)
        name.clear();
    return error;
}

// Created with the permissions the umask gives a new file, as any program
// creating it directly would.
int createTemporary(int folder, Temporary &temporary)
{
    if (unnamedFilesUsable()) {
        temporary.file.fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (temporary.file.fd >= 0)
            return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
    }
    const int error = nameFreshly(
        [&](const QByteArray &name) {
            temporary.file.fd =
                ::openat(folder, name.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            return temporary.file.fd >= 0 ? 0 : errno;
        },
        temporary.name);
    if (!error)
        ::flock(temporary.file.fd, LOCK_EX);
    return error;
}

int linkUnnamed(int fd, int folder, const QByteArray &name)
{
    const QByteArray entry = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, entry.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW) == 0
               ? 0
               : errno;
}

int renameWithoutReplacing(int folder, const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Some network file systems rename only by replacing; a link never replaces.
    if (::linkat(folder, from.constData(), folder, to.constData(), 0) != 0)
        return errno;
    ::unlinkat(folder, from.constData(), 0);
    return 0;
}

int publish(int folder, Temporary &temporary, const QByteArray &name,
            AtomicFileWriter::Existing existing)
{
    if (existing == AtomicFileWriter::Existing::Keep) {
        if (temporary.name.isEmpty())
            return linkUnnamed(temporary.file.fd, folder, name);
        const int error = renameWithoutReplacing(folder, temporary.name, name);
        if (!error)
            temporary.name.clear();
        return error;
    }
    // Replacing needs a name to rename from; an unnamed file gets one only now.
    if (temporary.name.isEmpty()) {
        const int fd = temporary.file.fd;
        const int error = nameFreshly(
            [&](const QByteArray &temporaryName) { return linkUnnamed(fd, folder, temporaryName); },
            temporary.name);
        if (error)
            return error;
    }
    if (::renameat(folder, temporary.name.constData(), folder, name.constData()) != 0)
        return errno;
    temporary.name.clear();
    return 0;
}

} // namespace

AtomicFileWriter::Outcome AtomicFileWriter::write(const QString &path, const QByteArray &bytes,
                                                  Existing existing)
{
    const QFileInfo given(path);
    // A kept name is never followed: a link under it takes the name too.
    const QFileInfo target(existing == Existing::Replace && given.isSymLink() && given.exists()
                               ? given.canonicalFilePath()
                               : path);
    const QByteArray name = QFile::encodeName(target.fileName());
    const Descriptor folder(::open(QFile::encodeName(target.absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
        return failed(errno);
    removeStaleTemporaries(target.absolutePath());

    // A replaced file keeps its permissions.
    std::optional<mode_t> keptMode;
    struct stat status {};
    if (::fstatat(folder.fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        if (existing == Existing::Keep)
            return {systemReason(EEXIST), true};
        if (snappy::Failure refused = refusalToReplace(folder.fd, name, status))
            return {refused};
        if (S_ISREG(status.st_mode))
            keptMode = status.st_mode & 07777;
    } else if (errno != ENOENT) {
        return failed(errno);
    }

    Temporary temporary;
    int error = createTemporary(folder.fd, temporary);
    if (error)
        return failed(error);
    if (keptMode && ::fchmod(temporary.file.fd, *keptMode) != 0)
        error = errno;
    if (!error)
        error = writeFully(temporary.file.fd, bytes);
    if (!error && ::fsync(temporary.file.fd) != 0)
        error = errno;
    if (!error && beforePublish())
        beforePublish()();
    if (!error)
        error = publish(folder.fd, temporary, name, existing);
    if (!temporary.name.isEmpty())
        ::unlinkat(folder.fd, temporary.name.constData(), 0);
    if (error)
        return {systemReason(error), existing == Existing::Keep && error == EEXIST};
    // Some file systems cannot sync a folder; the file itself is on disk.
    if (::fsync(folder.fd) != 0 && errno != EINVAL)
        return failed(errno);
    return {};
}

void AtomicFileWriter::setBeforePublish(std::function<void()> hook)
{
    beforePublish() = std::move(hook);
}

void AtomicFileWriter::setUnnamedFilesAllowed(bool allowed)
{
    unnamedFilesAllowed() = allowed;
}

} // namespace device
