#include "document/recovery_writer.h"

#include "platform/errors.h"

#include <QDebug>

namespace pennaro::recovery {

CopyWriter::~CopyWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void CopyWriter::write(const QString &folder, const QString &id, const DocumentName &name, const QByteArray &rtf) {
    post({folder, id, false, name, rtf});
}

void CopyWriter::remove(const QString &folder, const QString &id) { post({folder, id, true, {}, {}}); }

void CopyWriter::post(Job job) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(job);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void CopyWriter::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !pending_ && !busy_; });
}

void CopyWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_)
            return;  // stopping, and nothing left to do
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        try {
            if (job.remove)
                removeCopy(job.folder, job.id);
            else
                writeCopy(job.folder, job.id, job.name, job.rtf);
        } catch (const PlatformError &e) {
            // Nobody is waiting on a copy: the window goes on, and the next
            // change tries again.
            qWarning("pennaro: the recovery copy %s could not be written: %s", qPrintable(job.id),
                     qPrintable(e.message()));
        }
        job = Job();  // the bytes go before the lock is taken again
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

}  // namespace pennaro::recovery
