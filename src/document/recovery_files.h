// The recovery folder on disk. One recovery copy is three files that share
// a name (its id):
//   <id>.rtf   the document as RTF, replaced atomically on every write
//   <id>.json  the document's name as panel 1 shows it, and its full path
//   <id>.lock  kept locked (flock) by the program that keeps the copy
// The kernel drops a program's locks when it ends, however it ends, so a
// copy whose lock nobody holds was left by a crash, a kill or a lost
// session, and one whose lock is held belongs to a program still running.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace pennaro::recovery {

// What a copy stands for. An empty name: a document that was never saved.
struct DocumentName {
    QString shown;     // the text of status panel 1
    QString fullPath;  // where a save in place writes
    bool operator==(const DocumentName &) const = default;
};

struct CopyInfo {
    QString id;
    DocumentName name;
    QDateTime savedAt;  // when the copy was last written
};

// The lock of one copy, held for as long as this object lives.
class CopyLock {
public:
    CopyLock(CopyLock &&other) noexcept;
    CopyLock &operator=(CopyLock &&other) noexcept;
    CopyLock(const CopyLock &) = delete;
    CopyLock &operator=(const CopyLock &) = delete;
    ~CopyLock();

    // Locks a new, unused id in the folder, creating the folder when it is
    // missing. Throws PlatformError.
    static CopyLock createFresh(const QString &folder);
    // Takes the lock of an existing copy when no running program holds it.
    static std::optional<CopyLock> claim(const QString &folder, const QString &id);

    QString folder() const { return folder_; }
    QString id() const { return id_; }
    // Removes the lock file; the lock itself is held until destruction.
    void removeFile();

private:
    CopyLock(const QString &folder, const QString &id, int fd) : folder_(folder), id_(id), fd_(fd) {}
    QString folder_;
    QString id_;
    int fd_ = -1;
};

QString copyPath(const QString &folder, const QString &id);

// The copies in the folder, newest first; none when it does not exist.
QList<CopyInfo> listCopies(const QString &folder);

// Writes the copy: its name first, then the document. Throws PlatformError.
void writeCopy(const QString &folder, const QString &id, const DocumentName &name, const QByteArray &rtf);

// Removes the copy's document and name (the lock file is its owner's).
void removeCopy(const QString &folder, const QString &id);

// Removes what ended programs left beside no copy: lock and name files
// without their document, and temporary files of writes that were cut off.
void removeLeftovers(const QString &folder);

}  // namespace pennaro::recovery
