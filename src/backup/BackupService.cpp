// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup/BackupService.h"

#include "backup/Rotation.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace Backups {

QString folderFor(const QString &database, const QString &chosen)
{
    if (!chosen.trimmed().isEmpty())
        return QDir::cleanPath(chosen.trimmed());
    return QFileInfo(database).absoluteDir().filePath(QStringLiteral("Sicherungen"));
}

namespace {

void rotate(const QString &folder)
{
    QStringList names;
    for (const QString &path : BackupCopy::list(folder))
        names << QFileInfo(path).fileName();
    QStringList gone;
    for (const QString &name : Rotation::toDelete(names, QDateTime::currentDateTime()))
        gone << QDir(folder).filePath(name);
    BackupCopy::remove(gone);
}

} // namespace

Result run(const Job &job)
{
    Result r;
    try {
        BackupCopy::Fingerprinting f;
        if (job.onlyIfChanged) {
            f.take = true;
            const QStringList existing = BackupCopy::list(job.folder);
            try {
                if (!existing.isEmpty())
                    f.unlessEqualTo = BackupCopy::fingerprintOfBackup(existing.first());
            } catch (const store::Error &) {
                // A newest backup that cannot be read is no backup to rely on.
            }
        }
        const BackupCopy::Made made = BackupCopy::make(job.database, job.folder, QDateTime::currentDateTime(), f);
        r.ok = true;
        if (made.unchanged)
            return r;
        r.made = true;
        r.path = made.path;
        r.summary = made.summary;
        rotate(job.folder);
    } catch (const store::Error &e) {
        r.ok = false;
        r.error = e.description();
    } catch (const std::exception &e) {
        r.ok = false;
        r.error = QString::fromLocal8Bit(e.what());
    }
    return r;
}

Service &Service::instance()
{
    static Service service;
    return service;
}

Service::~Service()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Service::request(const Job &job, QObject *context, std::function<void(const Result &)> done)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({job, context, std::move(done)});
        if (!thread_.joinable())
            thread_ = std::thread([this] { work(); });
    }
    wake_.notify_all();
}

void Service::waitForIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Service::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        Pending p = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        const Result result = run(p.job);
        if (p.done && QCoreApplication::instance()) {
            // The context is looked at only on its own thread: one deleted
            // meanwhile drops the call.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [context = p.context, done = std::move(p.done), result] {
                    if (context)
                        done(result);
                },
                Qt::QueuedConnection);
        }
        lock.lock();
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}

} // namespace Backups
