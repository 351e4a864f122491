// Writing a document file so that no failure can cost the user the old file.
//
// The bytes go to a new file beside the old one, which is flushed to the disk
// and then renamed over it: until the rename, the old file is untouched, and
// after it the new one is complete. The new file gets the old one's
// permissions, owner and group. The temporary name is short, so that a file
// whose own name is at the file system's length limit can still be saved.
//
// When the folder cannot take a new file (a writable file in a read-only
// folder), or the old file's owner or group could not be given to a new one,
// the file is rewritten in place instead: its full new size is reserved
// first, so that a full disk is found before a byte is changed, and if the
// write fails after that, the old content is put back.
#pragma once

#include <QByteArray>
#include <QString>

namespace pennaro {

// Replaces the content of the file at path (created when missing) with
// bytes. A symbolic link is followed: the file it points at is written and
// the link stays. Throws PlatformError whose message is the reason in plain
// words ("The disk is full."), without the file's name.
void saveFileContents(const QString &path, const QByteArray &bytes);

// The reason for a failed save, in plain words, for an errno value.
QString saveFailureReason(int error);

}  // namespace pennaro
