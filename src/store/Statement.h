// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prepared statements of a connection, and the cache that keeps the ones
// asked for often.

#include <QHash>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

namespace store {

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

// Statements kept compiled by their text: compiling costs far more than
// running for the short statements the program asks again and again. At most
// kSize are kept; to make room, the one unused for longest goes.
class StatementCache
{
public:
    static constexpr int kSize = 64;

    explicit StatementCache(sqlite3 *db) : db_(db) {}
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache &) = delete;
    StatementCache &operator=(const StatementCache &) = delete;

    // The kept statement of this text, when there is one and no one uses it
    // (otherwise one without a handle).
    Statement take(const QString &sql);
    // Keeps a freshly prepared statement and hands it out in use. Where the
    // text is kept already (its statement is in use), or every kept one is
    // in use, the caller owns it alone.
    Statement keep(const QString &sql, sqlite3_stmt *stmt);
    // Lets go of every statement; one in use is finalised by its user.
    void clear();

private:
    sqlite3 *db_;
    QHash<QString, CachedStatement *> slots_;
    quint64 useCounter_ = 0;
};

} // namespace store
