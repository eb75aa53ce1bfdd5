// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Inside of the engine layer: one open SQLite connection with its statement
// cache and the table definitions it knows. Only the store's own .cpp files
// include this header.

#include "store/Engine.h"

#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <vector>

namespace store {

// Names of the engine's own bookkeeping tables; they never show up as tables
// of the user.
inline const QString kSysPrefix = QStringLiteral("VkSys");

QString quoteIdent(const QString &name);
QString quoteText(const QString &text);

[[noreturn]] void throwSqlite(sqlite3 *db, int rc);

class Connection;

// One slot of the statement cache. While a Statement uses it, it is busy and
// never handed out twice; a slot dropped from the cache while busy is
// finalised by its last user instead.
struct CachedStatement
{
    sqlite3_stmt *stmt = nullptr;
    bool busy = false;
    bool orphaned = false;
    quint64 lastUse = 0;
};

// A prepared statement with exactly one owner: either it owns its handle, or
// it borrows a cache slot and gives it back when it goes.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3 *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
    Statement(sqlite3 *db, CachedStatement *slot) : db_(db), stmt_(slot->stmt), slot_(slot) {}
    Statement(Statement &&o) noexcept { steal(o); }
    Statement &operator=(Statement &&o) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement() { release(); }

    sqlite3_stmt *get() const { return stmt_; }
    void bind(int index, const QVariant &value);
    void bindAll(const QVariantList &values, int first = 1);
    // True while a row is available; throws on failure.
    bool step();
    QVariant column(int i) const;
    qint64 columnInt(int i) const { return sqlite3_column_int64(stmt_, i); }
    int columnCount() const { return sqlite3_column_count(stmt_); }
    QString columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(stmt_, i)); }
    void reset();

private:
    void release();
    void steal(Statement &o);
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    CachedStatement *slot_ = nullptr;
};

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

// A statement text with its literal values taken out and bound instead, so
// that texts differing only in their numbers share one compiled statement.
struct BoundSql
{
    QString sql;
    QVariantList params;
};
BoundSql bindLiterals(const QString &sql);

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

class Connection
{
public:
    Connection(sqlite3 *db, QString path);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    sqlite3 *db() const { return db_; }
    const QString &path() const { return path_; }

    Statement prepare(const QString &sql, bool cache = false);
    void exec(const QString &sql);
    int execChanges(const QString &sql, const QVariantList &params = {});
    // Single value of the first row, or null.
    QVariant scalar(const QString &sql, const QVariantList &params = {});

    QString meta(const QString &key);

    // Real tables of the user, in creation order.
    QStringList realTables();
    // The name as stored, for a name SQL would accept (ASCII letter case
    // ignored); empty when there is no such table of the user.
    QString realTableName(const QString &name);
    QStringList linkNames();
    std::optional<TableDef> findTableDef(const QString &name);
    void forgetDefinitions() { defs_.clear(); }

    void activateLinks();
    void activateLink(const QString &name, const QString &connect, const QString &source);
    void deactivateLink(const QString &name);

    // Puts the file into write-ahead-log mode, where readers never wait for
    // a writer and a commit writes each page once. Where that cannot be done
    // (another program holds the file in the older mode) the file stays as
    // it is and everything still works, only slower.
    void useWriteAheadLog();
    bool writeAheadLog() const { return wal_; }

    // Another connection, of this program or another, may have committed
    // since rows were read: if so, every sink hears that everything changed.
    // A rollback tells them the same through invalidateAll().
    void syncExternal();
    void invalidateAll();

    void addSink(ChangeSink *s) { sinks_.insert(s); }
    void removeSink(ChangeSink *s) { sinks_.remove(s); }

    int transactionDepth = 0;

private:
    static void updateHook(void *self, int op, const char *dbName, const char *table, sqlite3_int64 rowid);
    static int logHook(void *self, sqlite3 *db, const char *dbName, int pages);
    std::unique_ptr<LogWriter> logWriter_;
    void deliverChanges(bool succeeded);
    void dropCache(bool all);
    QString brokenLinkIn(const QString &message) const;

    sqlite3 *db_;
    QString path_;
    QHash<QString, CachedStatement *> cache_;
    quint64 useCounter_ = 0;
    QHash<QString, TableDef> defs_;
    int linkCounter_ = 0;
    QHash<QString, QString> linkSchemas_; // link name (lower case) -> attached schema
    QHash<QString, QString> linkErrors_;  // link name (lower case) -> why it is not readable
    // Link name (lower case) -> the copy of an Access table the link reads.
    std::map<QString, std::unique_ptr<QTemporaryDir>> linkCopies_;

    int headerFd() const;
    bool readShmHeader(unsigned char *out) const;
    QString watchKey_;
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

// A log and log index left beside `path` when no file `path` exists: the
// log is renamed aside, the index removed, so that a file moved into that
// place does not take them for its own.
void setAsideOrphanedLog(const QString &path);

// Helpers shared by the database and recordset code.
QString fileNameFromConnect(const QString &connect);
TableDef definitionFromSqlite(Connection &c, const QString &table);

} // namespace store
