// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ChangeWatch.h"

#include "store/Connection.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <atomic>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

// Every commit, by any program, counts up the change counter in the file's
// header. Reading it costs far less than asking SQLite, which has to lock
// the file. The descriptor used for that is shared by all connections of the
// process to one file and closed only after the last of them: closing any
// descriptor of a file drops every lock the process holds on it.
struct HeaderWatch
{
    int fd = -1;
    int users = 0;
};

QHash<QString, HeaderWatch> &headerWatches()
{
    // Never destroyed: connections held by static objects close after every
    // function-local static is gone.
    static auto *watches = new QHash<QString, HeaderWatch>;
    return *watches;
}

// Takes the process's descriptor of a file (opening it if need be); -1 when
// the file cannot be read.
int acquireWatch(const QString &canonical)
{
    HeaderWatch &w = headerWatches()[canonical];
    if (w.fd < 0)
        w.fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_CLOEXEC);
    ++w.users;
    return w.fd;
}

void releaseWatch(const QString &canonical)
{
    auto it = headerWatches().find(canonical);
    if (it != headerWatches().end() && --it->users == 0) {
        if (it->fd >= 0)
            ::close(it->fd);
        headerWatches().erase(it);
    }
}

} // namespace

std::optional<QByteArray> readFileStart(const QString &path, int bytes)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile())
        return std::nullopt;
    const int fd = acquireWatch(canonical);
    std::optional<QByteArray> start;
    if (fd >= 0) {
        QByteArray buffer(bytes, Qt::Uninitialized);
        const ssize_t got = ::pread(fd, buffer.data(), size_t(bytes), 0);
        if (got >= 0) {
            buffer.truncate(qsizetype(got));
            start = buffer;
        }
    }
    releaseWatch(canonical);
    return start;
}

int ChangeWatch::headerFd() const
{
    return watchKey_.isEmpty() ? -1 : headerWatches().value(watchKey_).fd;
}

ChangeWatch::ChangeWatch(Connection &c, sqlite3 *db, const QString &path) : c_(c), db_(db)
{
    sqlite3_update_hook(db_, &ChangeWatch::updateHook, this);
    // The process's descriptor of the file stays open as long as this
    // connection does, so that no header probe in between closes the last
    // one and drops the locks SQLite holds.
    const QFileInfo info(path);
    if (info.isFile()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty()) {
            acquireWatch(canonical);
            watchKey_ = canonical;
        }
    }
}

ChangeWatch::~ChangeWatch()
{
    if (!watchKey_.isEmpty())
        releaseWatch(watchKey_);
}

void ChangeWatch::detach()
{
    sqlite3_update_hook(db_, nullptr, nullptr);
    sqlite3_wal_hook(db_, nullptr, nullptr);
    logWriter_.reset();
    versionStmt_.reset();
}

// SQLite calls this in the middle of a statement, when nothing may be done
// with the connection; the changes are delivered once the statement is done.
void ChangeWatch::updateHook(void *self, int op, const char *dbName, const char *table, sqlite3_int64 rowid)
{
    auto *c = static_cast<ChangeWatch *>(self);
    if (qstrcmp(dbName, "main") != 0)
        return;
    // A statement changes rows of one table, often thousands of them.
    if (c->hookTableUtf8_ != table) {
        c->hookTableUtf8_ = QByteArray(table);
        c->hookTable_ = QString::fromUtf8(table);
    }
    c->pending_.push_back({op, c->hookTable_, qint64(rowid)});
}

void ChangeWatch::deliver(bool succeeded)
{
    if (pending_.empty())
        return;
    std::vector<PendingChange> changes;
    changes.swap(pending_);
    if (!succeeded) {
        // A failed statement undid its own changes; which of the reported
        // rows stayed as they were is unknown, so forget every row read.
        invalidateAll();
        return;
    }
    const QSet<ChangeSink *> sinks = sinks_;
    for (const PendingChange &ch : changes)
        for (ChangeSink *s : sinks)
            if (sinks_.contains(s))
                s->rowChanged(ch.op, ch.table, ch.rowid);
}

void ChangeWatch::invalidateAll()
{
    const QSet<ChangeSink *> sinks = sinks_;
    for (ChangeSink *s : sinks)
        if (sinks_.contains(s))
            s->everythingChanged();
}

void ChangeWatch::useWriteAheadLog()
{
    QString mode;
    try {
        mode = c_.scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString();
        // After a large move the log would keep its size for good.
        c_.scalar(QStringLiteral("PRAGMA journal_size_limit = 4194304"));
    } catch (const Error &) {
        // Left in the mode it had; a busy file is no reason to refuse it.
    }
    wal_ = mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
    haveShm_ = false;
    // The log is written back once it holds this many pages (as SQLite does
    // by itself), but not by the connection that has just committed.
    if (wal_ && !logWriter_ && !watchKey_.isEmpty()) {
        logWriter_ = std::make_unique<LogWriter>(watchKey_);
        sqlite3_wal_hook(db_, &ChangeWatch::logHook, this);
    }
}

int ChangeWatch::logHook(void *self, sqlite3 *, const char *dbName, int pages)
{
    constexpr int kPages = 1000;
    auto *c = static_cast<ChangeWatch *>(self);
    if (pages >= kPages && qstrcmp(dbName, "main") == 0)
        c->logWriter_->request();
    return SQLITE_OK;
}

LogWriter::LogWriter(const QString &path) : path_(path.toUtf8()), thread_([this] { run(); }) {}

LogWriter::~LogWriter()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LogWriter::request()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        wanted_ = true;
    }
    wake_.notify_one();
}

void LogWriter::run()
{
    sqlite3 *db = nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || stop_; });
        if (stop_)
            break;
        wanted_ = false;
        lock.unlock();
        if (!db && sqlite3_open_v2(path_.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
                != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
        }
        // Copies what no reader still needs and never waits for anyone; a
        // copy that cannot finish now is finished by a later one.
        if (db)
            sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close(db);
}

// The head of the log's index, which every commit rewrites (it counts the
// commits and names the last frame). It lies in memory SQLite shares among
// all connections to the file, of every program, so reading it needs no
// descriptor of our own and no lock; the real check follows only when it
// differs from what was seen last.
bool ChangeWatch::readShmHeader(unsigned char *out) const
{
    // Only while this connection has the log open (its journal is then the
    // log); asking for the index otherwise would make one.
    sqlite3_file *log = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK || !log || !log->pMethods)
        return false;
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods
        || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
        return false;
    volatile void *region = nullptr;
    // Region 0 of 32 KiB is where the log keeps its index head; 0: do not
    // make it if it is not there yet.
    if (file->pMethods->xShmMap(file, 0, 32768, 0, &region) != SQLITE_OK || !region)
        return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(out, const_cast<const void *>(region), kShmHeader);
    return true;
}

void ChangeWatch::syncExternal()
{
    // While this connection holds the write lock no other one can commit.
    if (sqlite3_txn_state(db_, "main") == SQLITE_TXN_WRITE)
        return;
    // A cheap look first: the head of the log's index in log mode, the
    // change counter in the file's header otherwise. Either is taken before
    // asking SQLite, so a commit in between is seen next time.
    if (wal_) {
        unsigned char head[kShmHeader];
        if (readShmHeader(head)) {
            if (dataVersion_ >= 0 && haveShm_ && std::memcmp(head, lastShm_, kShmHeader) == 0)
                return;
            std::memcpy(lastShm_, head, kShmHeader);
            haveShm_ = true;
        } else {
            haveShm_ = false;
        }
    } else {
        // Header bytes 18 and 19 are 2 once the file is in log mode, which
        // another connection may have switched it to; the counter at 24
        // then no longer moves with each commit.
        unsigned char header[10];
        const int fd = headerFd();
        if (fd >= 0 && ::pread(fd, header, sizeof header, 18) == sizeof header) {
            if (header[0] == 2 && header[1] == 2) {
                wal_ = true;
                haveShm_ = false;
            } else if (header[0] == 1 && header[1] == 1) {
                const quint32 counter
                    = quint32(header[6]) << 24 | quint32(header[7]) << 16 | quint32(header[8]) << 8 | header[9];
                if (dataVersion_ >= 0 && counter == lastCounter_)
                    return;
                lastCounter_ = counter;
            }
        }
    }
    if (!versionStmt_)
        versionStmt_ = std::make_unique<Statement>(c_.prepare(QStringLiteral("PRAGMA data_version")));
    versionStmt_->reset();
    const qint64 v = versionStmt_->step() ? versionStmt_->columnInt(0) : -1;
    versionStmt_->reset();
    if (dataVersion_ >= 0 && v != dataVersion_)
        invalidateAll();
    dataVersion_ = v;
}

} // namespace store
