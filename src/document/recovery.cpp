#include "document/recovery.h"

#include "platform/dialoghost.h"
#include "platform/errors.h"
#include "platform/richtextbox.h"
#include "platform/rtf/rtf.h"
#include "platform/services.h"
#include "resources/texts.h"
#include "shell/form1.h"

#include <QDebug>
#include <QFileInfo>
#include <vector>

namespace pennaro {

using recovery::CopyInfo;
using recovery::CopyLock;
using recovery::DocumentName;

namespace {

QString describe(const DocumentName &name) {
    if (!name.fullPath.isEmpty())
        return name.fullPath;
    return name.shown.isEmpty() ? texts::RecoveryUntitled : name.shown;
}

}  // namespace

DocumentRecovery::DocumentRecovery(Form1 &form, RecoveryLocation *location) : form_(form), location_(location) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietMilliseconds);
    longest_.setSingleShot(true);
    longest_.setInterval(kLongestMilliseconds);
    const auto write = [this] {
        try {
            writeCopy();
        } catch (const std::exception &e) {
            qWarning("pennaro: no recovery copy: %s", e.what());
        }
    };
    connect(&quiet_, &QTimer::timeout, this, write);
    // Overdue: the next short pause will do.
    connect(&longest_, &QTimer::timeout, this, [this] {
        quiet_.setInterval(kPauseMilliseconds);
        quiet_.start();
    });
}

DocumentRecovery::~DocumentRecovery() {
    writer_.waitUntilIdle();
    if (lock_ && !hasCopy_)
        lock_->removeFile();
}

void DocumentRecovery::stopTimers() {
    quiet_.stop();
    quiet_.setInterval(kQuietMilliseconds);
    longest_.stop();
}

void DocumentRecovery::documentChanged() {
    ++changes_;
    if (!location_)
        return;
    quiet_.start();
    if (!longest_.isActive())
        longest_.start();
}

void DocumentRecovery::documentClean() {
    stopTimers();
    changesWritten_ = changes_;
    if (hasCopy_) {
        writer_.remove(lock_->folder(), lock_->id());
        hasCopy_ = false;
    }
}

DocumentName DocumentRecovery::documentName() const {
    if (!form_.HasFileName())
        return {};
    return {form_.DocumentFileName(), QFileInfo(form_.SaveTarget()).absoluteFilePath()};
}

void DocumentRecovery::writeCopy() {
    stopTimers();
    if (!form_.Modified) {
        documentClean();
        return;
    }
    if (hasCopy_ && changesWritten_ == changes_)
        return;
    if (!lock_) {
        const QString folder = location_ ? location_->Folder() : QString();
        if (folder.isEmpty())
            return;
        try {
            lock_ = CopyLock::createFresh(folder);
        } catch (const PlatformError &e) {
            // Said once: the window cannot do anything about it, and typing
            // goes on.
            if (!std::exchange(warned_, true))
                qWarning("pennaro: no recovery copies in %s: %s", qPrintable(folder), qPrintable(e.message()));
            return;
        }
    }
    writer_.write(lock_->folder(), lock_->id(), documentName(), rtf::writeDocument(form_.RichTextBox1->document()));
    hasCopy_ = true;
    changesWritten_ = changes_;
}

void DocumentRecovery::writeCopyNow() {
    writeCopy();
    writer_.waitUntilIdle();
}

QString DocumentRecovery::copyPath() const {
    return hasCopy_ ? recovery::copyPath(lock_->folder(), lock_->id()) : QString();
}

bool DocumentRecovery::restore(const CopyInfo &copy, CopyLock &lock) {
    try {
        form_.RichTextBox1->LoadFile(recovery::copyPath(lock.folder(), copy.id), 0);
    } catch (const PlatformError &e) {
        form_.services().dialogs->messageBox({texts::cannotRestore(e.message()), vbOKOnly, QString()});
        return false;
    }
    if (!copy.name.shown.isEmpty())
        form_.setDocumentFile(copy.name.shown, copy.name.fullPath);
    // Loading raised the change notification; the restored text is what the
    // user had not saved, and this window now keeps its copy.
    form_.Modified = true;
    stopTimers();
    lock_ = std::move(lock);
    hasCopy_ = true;
    changesWritten_ = changes_;
    return true;
}

bool DocumentRecovery::offerRestore(const QString &commandLine) {
    const QString folder = location_ ? location_->Folder() : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    recovery::removeLeftovers(folder);

    // Every copy that no running program holds, each locked while it is
    // offered so that no other window offers it too.
    struct Orphan {
        CopyInfo copy;
        CopyLock lock;
    };
    std::vector<Orphan> orphans;
    for (const CopyInfo &copy : recovery::listCopies(folder)) {
        if (std::optional<CopyLock> lock = CopyLock::claim(folder, copy.id))
            orphans.push_back({copy, std::move(*lock)});
    }

    DialogHost &dialogs = *form_.services().dialogs;
    const int count = int(orphans.size());
    for (int i = 0; i < count; ++i) {
        Orphan &orphan = orphans[size_t(i)];
        const QString offer =
            texts::offerRecovery(describe(orphan.copy.name), orphan.copy.savedAt.toString(texts::RecoveryTimeFormat),
                                 i + 1, count, commandLine);
        if (dialogs.messageBox({offer, vbYesNo, QString()}) == vbYes) {
            // The rest stay on disk for the next start.
            if (restore(orphan.copy, orphan.lock))
                return true;
            continue;
        }
        if (dialogs.messageBox({texts::ConfirmDeleteRecovery, vbYesNo | vbDefaultButton2, QString()}) == vbYes) {
            recovery::removeCopy(folder, orphan.copy.id);
            orphan.lock.removeFile();
        }
    }
    return false;
}

}  // namespace pennaro
