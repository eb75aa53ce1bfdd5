// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/BackupCopy.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Makes backups on a thread of its own, one after the other, so the windows
// go on working while a large file is copied. Each backup is followed by
// the rotation of its folder.
namespace Backups {

// The folder backups go to: the one the learner chose, or "Sicherungen"
// beside the database.
QString folderFor(const QString &database, const QString &chosen);

struct Job
{
    QString database;
    QString folder;
    // Only when the content differs from the newest backup in the folder.
    bool onlyIfChanged = false;
};

struct Result
{
    bool ok = false;
    bool made = false; // false for an unchanged database
    QString path;      // the new backup
    QString error;     // German, when !ok
    BackupCopy::Summary summary;
};

// What the worker does for one job, on the calling thread.
Result run(const Job &job);

class Service
{
public:
    static Service &instance();
    ~Service();

    // Queues the job; `done` runs on the thread of `context` with the
    // result, unless `context` is gone by then.
    void request(const Job &job, QObject *context, std::function<void(const Result &)> done);
    // Blocks until every queued job has run (their `done` calls are queued
    // then, not run).
    void waitForIdle();

private:
    Service() = default;
    void work();

    struct Pending
    {
        Job job;
        QPointer<QObject> context;
        std::function<void(const Result &)> done;
    };
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Pending> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace Backups
