// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a connection learns of changes to its file: the rows it writes
// itself, other connections' commits, and when its log is to be written
// back into the file.

#include "store/Statement.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace store {

class Connection;

// Something that keeps rows of the database in memory and must hear of
// changes: the connection tells it which rows this connection wrote, and
// that everything may have changed after a rollback or when another
// connection committed.
class ChangeSink
{
public:
    virtual ~ChangeSink() = default;
    virtual void rowChanged(int op, const QString &table, qint64 rowid) = 0;
    virtual void everythingChanged() = 0;
};

// Writes the log back into the database file on a thread of its own, with
// a connection of its own, so that a large commit returns as soon as its
// log is written and the learner does not wait for the copy.
class LogWriter
{
public:
    explicit LogWriter(const QString &path);
    ~LogWriter(); // waits for a copy under way, then closes its connection
    LogWriter(const LogWriter &) = delete;
    LogWriter &operator=(const LogWriter &) = delete;

    void request();

private:
    void run();
    QByteArray path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// The change watching of one connection. It holds the process's descriptor
// of the file for as long as it lives.
class ChangeWatch
{
public:
    ChangeWatch(Connection &c, sqlite3 *db, const QString &path);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch &) = delete;
    ChangeWatch &operator=(const ChangeWatch &) = delete;

    // Before the connection closes: no more hooks, and the log writer's
    // connection goes first, so that the closing one is the last to the file
    // and writes what is left of the log back.
    void detach();

    // Puts the file into write-ahead-log mode, where readers never wait for
    // a writer and a commit writes each page once. Where that cannot be done
    // (another program holds the file in the older mode) the file stays as
    // it is and everything still works, only slower.
    void useWriteAheadLog();

    // Another connection, of this program or another, may have committed
    // since rows were read: if so, every sink hears that everything changed.
    // A rollback tells them the same through invalidateAll().
    void syncExternal();
    void invalidateAll();

    // Passes the rows a statement changed on to the sinks once it is done;
    // after a failed one, every sink forgets what it read.
    void deliver(bool succeeded);

    void addSink(ChangeSink *s) { sinks_.insert(s); }
    void removeSink(ChangeSink *s) { sinks_.remove(s); }

private:
    static void updateHook(void *self, int op, const char *dbName, const char *table, sqlite3_int64 rowid);
    static int logHook(void *self, sqlite3 *db, const char *dbName, int pages);
    int headerFd() const;
    bool readShmHeader(unsigned char *out) const;

    Connection &c_;
    sqlite3 *db_;
    QString watchKey_;
    std::unique_ptr<LogWriter> logWriter_;

    quint32 lastCounter_ = 0;
    bool wal_ = false;
    static constexpr int kShmHeader = 48;
    unsigned char lastShm_[kShmHeader] = {};
    bool haveShm_ = false;
    qint64 dataVersion_ = -1;
    std::unique_ptr<Statement> versionStmt_;

    QSet<ChangeSink *> sinks_;
    struct PendingChange
    {
        int op;
        QString table;
        qint64 rowid;
    };
    std::vector<PendingChange> pending_;
    QByteArray hookTableUtf8_;
    QString hookTable_;
};

// The first bytes of a file, read without a descriptor of its own: closing
// any descriptor of a database file drops the locks this process holds on
// it. None when the file cannot be read.
std::optional<QByteArray> readFileStart(const QString &path, int bytes);

} // namespace store
