#include "document/recovery_files.h"

#include "platform/errors.h"
#include "platform/filesave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pennaro::recovery {

namespace {

const QString kCopySuffix = QStringLiteral(".rtf");
const QString kNameSuffix = QStringLiteral(".json");
const QString kLockSuffix = QStringLiteral(".lock");
// saveFileContents writes beside its target under this prefix.
const QString kTemporaryPattern = QStringLiteral(".pennaro-*");
// No write of a copy takes this long; an older temporary file was left by a
// program that ended in the middle of one.
constexpr qint64 kTemporaryAgeSeconds = 3600;

QString filePath(const QString &folder, const QString &id, const QString &suffix) {
    return folder + QLatin1Char('/') + id + suffix;
}

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }

int openLockFile(const QString &path, int extraFlags) {
    int fd;
    do {
        fd = ::open(encoded(path).constData(), O_RDWR | O_CLOEXEC | extraFlags, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool lockWithoutWaiting(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// Whether the locked file is still the one the path names: a program that
// cleaned a leftover lock file may have removed it between open and lock.
bool stillLinked(int fd, const QString &path) {
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::stat(encoded(path).constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

void makeFolder(const QString &folder) {
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkpath(folder))
        throw PlatformError(QStringLiteral("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(folder)));
    // The copies hold the user's documents: nobody else may look in.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString newId() {
    static std::atomic<int> counter{0};
    return QStringLiteral("%1-%2-%3")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
        .arg(QCoreApplication::applicationPid())
        .arg(counter++);
}

DocumentName readName(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    return {object.value(QLatin1String("name")).toString(), object.value(QLatin1String("path")).toString()};
}

QByteArray nameBytes(const DocumentName &name) {
    QJsonObject object;
    object.insert(QLatin1String("name"), name.shown);
    object.insert(QLatin1String("path"), name.fullPath);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QStringList idsWithSuffix(const QDir &dir, const QString &suffix) {
    QStringList ids;
    const QStringList files = dir.entryList({QLatin1Char('*') + suffix}, QDir::Files);
    for (const QString &file : files)
        ids << file.chopped(suffix.size());
    return ids;
}

}  // namespace

// ---- CopyLock -------------------------------------------------------------

CopyLock::CopyLock(CopyLock &&other) noexcept
    : folder_(std::move(other.folder_)), id_(std::move(other.id_)), fd_(std::exchange(other.fd_, -1)) {}

CopyLock &CopyLock::operator=(CopyLock &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        folder_ = std::move(other.folder_);
        id_ = std::move(other.id_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

CopyLock::~CopyLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

CopyLock CopyLock::createFresh(const QString &folder) {
    makeFolder(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString id = newId();
        const QString path = filePath(folder, id, kLockSuffix);
        const int fd = openLockFile(path, O_CREAT | O_EXCL);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw PlatformError(saveFailureReason(errno));
        }
        if (lockWithoutWaiting(fd) && stillLinked(fd, path))
            return CopyLock(folder, id, fd);
        ::close(fd);
    }
    throw PlatformError(QStringLiteral("No free name for a recovery copy."));
}

std::optional<CopyLock> CopyLock::claim(const QString &folder, const QString &id) {
    const QString path = filePath(folder, id, kLockSuffix);
    const int fd = openLockFile(path, O_CREAT);
    if (fd < 0)
        return std::nullopt;
    if (!lockWithoutWaiting(fd) || !stillLinked(fd, path)) {
        ::close(fd);
        return std::nullopt;
    }
    return CopyLock(folder, id, fd);
}

void CopyLock::removeFile() {
    if (fd_ >= 0)
        ::unlink(encoded(filePath(folder_, id_, kLockSuffix)).constData());
}

// ---- the copies -------------------------------------------------------------

QString copyPath(const QString &folder, const QString &id) { return filePath(folder, id, kCopySuffix); }

QList<CopyInfo> listCopies(const QString &folder) {
    QList<CopyInfo> copies;
    const QDir dir(folder);
    if (!dir.exists())
        return copies;
    for (const QString &id : idsWithSuffix(dir, kCopySuffix)) {
        const QFileInfo copy(copyPath(folder, id));
        copies.append({id, readName(filePath(folder, id, kNameSuffix)), copy.lastModified()});
    }
    std::sort(copies.begin(), copies.end(), [](const CopyInfo &a, const CopyInfo &b) { return a.savedAt > b.savedAt; });
    return copies;
}

void writeCopy(const QString &folder, const QString &id, const DocumentName &name, const QByteArray &rtf) {
    makeFolder(folder);
    saveFileContents(filePath(folder, id, kNameSuffix), nameBytes(name));
    saveFileContents(copyPath(folder, id), rtf);
}

void removeCopy(const QString &folder, const QString &id) {
    QFile::remove(copyPath(folder, id));
    QFile::remove(filePath(folder, id, kNameSuffix));
}

void removeLeftovers(const QString &folder) {
    const QDir dir(folder);
    const QStringList copies = idsWithSuffix(dir, kCopySuffix);
    QStringList strays = idsWithSuffix(dir, kLockSuffix) + idsWithSuffix(dir, kNameSuffix);
    strays.removeDuplicates();
    for (const QString &id : std::as_const(strays)) {
        if (copies.contains(id))
            continue;
        // A program that is still running may be about to write this copy.
        if (std::optional<CopyLock> lock = CopyLock::claim(folder, id)) {
            QFile::remove(filePath(folder, id, kNameSuffix));
            lock->removeFile();
        }
    }
    const QDateTime cutOff = QDateTime::currentDateTime().addSecs(-kTemporaryAgeSeconds);
    const QFileInfoList temporaries = dir.entryInfoList({kTemporaryPattern}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : temporaries) {
        if (file.lastModified() < cutOff)
            QFile::remove(file.absoluteFilePath());
    }
}

}  // namespace pennaro::recovery
