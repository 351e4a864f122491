#include "platform/filesave.h"

#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pennaro {

namespace {

// A failed step: its errno, and whether anything was written yet.
struct IoFailure {
    int error;
};

[[noreturn]] void fail(int error) { throw IoFailure{error}; }

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

// Over a file-size limit the kernel would end the process with SIGXFSZ; with
// the signal ignored the write fails with EFBIG, which is reported instead.
void ignoreFileSizeSignal() {
    static const bool once = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    Q_UNUSED(once);
}

// The permissions a new file gets from the process's umask. The kernel
// reports the mask without changing it; setting it to read it back would,
// for a moment, apply to files other threads create.
mode_t newFileMode() {
    static const mode_t mode = [] {
        mode_t mask = 022;
        QFile status(QStringLiteral("/proc/self/status"));
        bool found = false;
        if (status.open(QIODevice::ReadOnly)) {
            for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
                if (line.startsWith("Umask:")) {
                    mask = mode_t(line.mid(6).trimmed().toUInt(&found, 8));
                    break;
                }
            }
        }
        if (!found) {
            mask = ::umask(022);
            ::umask(mask);
        }
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

void writeAll(int fd, const QByteArray &bytes, off_t offset) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(left), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            fail(ENOSPC);
        data += n;
        left -= n;
        offset += n;
    }
}

void syncAndClose(int fd) {
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        ::close(fd);
        fail(error);
    }
    if (::close(fd) != 0 && errno != EINTR)
        fail(errno);
}

// A folder entry that is flushed makes the rename itself survive a crash;
// not every file system can do it, and the file is written either way.
void syncFolder(const QByteArray &folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file's path once symbolic links are followed, so that a link keeps
// pointing at the document instead of being replaced by a copy of it.
QString resolvedTarget(const QString &path) {
    QFileInfo info(path);
    int hops = 0;
    while (info.isSymLink() && hops++ < 40) {
        const QString target = info.symLinkTarget();
        if (target.isEmpty())
            break;
        info = QFileInfo(target);
    }
    return info.absoluteFilePath();
}

enum class Outcome { Written, NeedsInPlace };

// Writes a new file beside the target and renames it over the target.
Outcome replaceAtomically(const QByteArray &target, const QByteArray &folder, const struct stat *old,
                          const QByteArray &bytes) {
    QByteArray temporary = folder + "/.pennaro-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        const int error = errno;
        if (old && (error == EACCES || error == EPERM))
            return Outcome::NeedsInPlace;
        fail(error);
    }
    try {
        if (old) {
            if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
                if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
                    ::close(fd);
                    ::unlink(temporary.constData());
                    return Outcome::NeedsInPlace;
                }
            }
            if (::fchmod(fd, old->st_mode & 07777) != 0)
                fail(errno);
        } else if (::fchmod(fd, newFileMode()) != 0) {
            fail(errno);
        }
        writeAll(fd, bytes, 0);
    } catch (const IoFailure &) {
        ::close(fd);
        ::unlink(temporary.constData());
        throw;
    }
    try {
        syncAndClose(fd);
        if (::rename(temporary.constData(), target.constData()) != 0)
            fail(errno);
    } catch (const IoFailure &) {
        ::unlink(temporary.constData());
        throw;
    }
    syncFolder(folder);
    return Outcome::Written;
}

QByteArray readWhole(int fd) {
    QByteArray content;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            return content;
        content.append(buffer, n);
        offset += n;
    }
}

// Rewrites the file itself: it keeps its inode, and with it its owner, group
// and permissions.
void rewriteInPlace(const QByteArray &target, const QByteArray &bytes) {
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    QByteArray before;
    try {
        before = readWhole(fd);
        if (bytes.size() > before.size()) {
            const int error = ::posix_fallocate(fd, 0, off_t(bytes.size()));
            // A file system that cannot reserve space says so; then the
            // write itself finds out.
            if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
                fail(error);
        }
    } catch (const IoFailure &) {
        ::close(fd);
        throw;
    }
    try {
        writeAll(fd, bytes, 0);
        if (::ftruncate(fd, off_t(bytes.size())) != 0)
            fail(errno);
    } catch (const IoFailure &failure) {
        // Put the old content back: it fitted before.
        try {
            writeAll(fd, before, 0);
            if (::ftruncate(fd, off_t(before.size())) != 0)
                fail(errno);
            ::fsync(fd);
        } catch (const IoFailure &) {
        }
        ::close(fd);
        throw failure;
    }
    syncAndClose(fd);
}

}  // namespace

QString saveFailureReason(int error) {
    switch (error) {
    case ENOSPC: return QStringLiteral("The disk is full.");
    case EDQUOT: return QStringLiteral("The disk quota is used up.");
    case EFBIG: return QStringLiteral("The file is larger than this system allows.");
    case EACCES:
    case EPERM: return QStringLiteral("Permission denied.");
    case ENOENT: return QStringLiteral("The folder no longer exists.");
    case ENOTDIR: return QStringLiteral("A part of the path is not a folder.");
    case EISDIR: return QStringLiteral("A folder has that name.");
    case EROFS: return QStringLiteral("The disk is read-only.");
    case ENAMETOOLONG: return QStringLiteral("The name is too long.");
    case ETXTBSY: return QStringLiteral("The file is in use.");
    case EIO: return QStringLiteral("The disk reported an input/output error.");
    default: return QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char('.');
    }
}

void saveFileContents(const QString &path, const QByteArray &bytes) {
    ignoreFileSizeSignal();
    if (path.isEmpty())
        throw PlatformError(saveFailureReason(ENOENT));
    const QString resolved = resolvedTarget(path);
    const QByteArray target = encoded(resolved);
    const QByteArray folder = encoded(QFileInfo(resolved).absolutePath());
    try {
        struct stat folderInfo {};
        if (::stat(folder.constData(), &folderInfo) != 0)
            fail(errno);
        if (!S_ISDIR(folderInfo.st_mode))
            fail(ENOTDIR);
        struct stat old {};
        const bool exists = ::stat(target.constData(), &old) == 0;
        if (!exists && errno != ENOENT)
            fail(errno);
        if (exists) {
            if (S_ISDIR(old.st_mode))
                fail(EISDIR);
            // A file the user may not write stays as it is, even where the
            // folder would let a new one take its place.
            if (::access(target.constData(), W_OK) != 0)
                fail(errno);
        }
        if (replaceAtomically(target, folder, exists ? &old : nullptr, bytes) == Outcome::NeedsInPlace)
            rewriteInPlace(target, bytes);
    } catch (const IoFailure &failure) {
        throw PlatformError(saveFailureReason(failure.error));
    }
}

}  // namespace pennaro
