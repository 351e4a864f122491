// Crash recovery for the main window's document.
//
// While the document is modified, a recovery copy of it is kept in the
// recovery folder (document/recovery_files.h): rewritten a few seconds after
// the user stops changing it, and at once when the desktop session ends.
// Changes that never stop that long get a copy every half minute, at the
// next short pause, so as not to land between two keystrokes. The document
// is serialised on the window's thread (the RTF writer is quick: about 6 ms
// a megabyte) and written on a thread of its own, so that typing never waits
// for the disk. The copy goes away
// when the document is saved, loaded or cleared, and when the user ends the
// program or discards the changes; a program that ends any other way leaves
// it for the next start, which offers to restore it.
#pragma once

#include "document/recovery_files.h"
#include "document/recovery_writer.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace pennaro {

class Form1;
class RecoveryLocation;

class DocumentRecovery : public QObject {
public:
    // How long after the last change the copy is written, and how long
    // changes that never pause may go without one.
    static constexpr int kQuietMilliseconds = 2000;
    static constexpr int kLongestMilliseconds = 30000;
    static constexpr int kPauseMilliseconds = 300;

    // location may be null: no recovery copies at all.
    DocumentRecovery(Form1 &form, RecoveryLocation *location);
    // Waits for the writer. A copy on disk stays there: the program is ending
    // without the user having given up the changes (a session that ends,
    // for one).
    ~DocumentRecovery() override;

    // From the change notification: a copy is due a few seconds from now.
    void documentChanged();
    // The document was saved, loaded or cleared: no copy is needed.
    void documentClean();
    // The user gave up the changes (answered No, ending the program).
    void discard() { documentClean(); }
    // Serialises the document and hands it to the writer when it changed
    // since the last copy; returns before the bytes are on disk.
    void writeCopy();
    // The same, returning once the copy is on disk: for a session that ends.
    void writeCopyNow();

    // At start-up, before the command-line file is opened: offers the copies
    // that ended programs left behind, newest first, until the user restores
    // one into the window. commandLine is the argument text, named in the
    // offer since a restored document takes the window instead. Returns true
    // when a document was restored.
    bool offerRestore(const QString &commandLine);

    // The copy this window keeps on disk; empty when it keeps none.
    QString copyPath() const;
    void waitForWriter() { writer_.waitUntilIdle(); }

private:
    recovery::DocumentName documentName() const;
    bool restore(const recovery::CopyInfo &copy, recovery::CopyLock &lock);
    void stopTimers();

    Form1 &form_;
    RecoveryLocation *location_;
    QTimer quiet_;
    QTimer longest_;
    std::optional<recovery::CopyLock> lock_;  // taken with the first copy, kept to the end
    recovery::CopyWriter writer_;             // stops before the lock is let go
    bool hasCopy_ = false;
    bool warned_ = false;
    quint64 changes_ = 0;
    quint64 changesWritten_ = 0;
};

}  // namespace pennaro
