// Writes and removes recovery copies on a thread of its own, so that a slow
// or stalled disk never holds up the window. Jobs run one at a time in the
// order given; a job still waiting when a newer one arrives is dropped,
// since the newer one (a later copy, or its removal) supersedes it.
#pragma once

#include "document/recovery_files.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pennaro::recovery {

class CopyWriter {
public:
    CopyWriter() = default;
    // Finishes the job in hand and the one waiting, then stops.
    ~CopyWriter();
    CopyWriter(const CopyWriter &) = delete;
    CopyWriter &operator=(const CopyWriter &) = delete;

    void write(const QString &folder, const QString &id, const DocumentName &name, const QByteArray &rtf);
    void remove(const QString &folder, const QString &id);
    // Returns once every job given so far is done.
    void waitUntilIdle();

private:
    struct Job {
        QString folder;
        QString id;
        bool remove = false;
        DocumentName name;
        QByteArray rtf;
    };
    void post(Job job);
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;  // started with the first job
};

}  // namespace pennaro::recovery
