#pragma once

// Inside of the engine layer: one open SQLite connection with its statement
// cache and the table definitions it knows. Only the store's own .cpp files
// include this header.

#include "store/Engine.h"

#include <QHash>

#include <sqlite3.h>

#include <optional>

namespace store {

// Names of the engine's own bookkeeping tables; they never show up as tables
// of the user.
inline const QString kSysPrefix = QStringLiteral("VkSys");

QString quoteIdent(const QString &name);
QString quoteText(const QString &text);

[[noreturn]] void throwSqlite(sqlite3 *db, int rc);

// A prepared statement; cached ones are reset instead of finalised.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3 *db, sqlite3_stmt *stmt, bool cached) : db_(db), stmt_(stmt), cached_(cached) {}
    Statement(Statement &&o) noexcept { *this = std::move(o); }
    Statement &operator=(Statement &&o) noexcept;
    ~Statement();

    sqlite3_stmt *get() const { return stmt_; }
    void bind(int index, const QVariant &value);
    void bindAll(const QVariantList &values);
    // True while a row is available; throws on failure.
    bool step();
    QVariant column(int i) const;
    int columnCount() const { return sqlite3_column_count(stmt_); }
    QString columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(stmt_, i)); }
    void reset();

private:
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    bool cached_ = false;
};

class Connection
{
public:
    Connection(sqlite3 *db, QString path);
    ~Connection();

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
    bool isRealTable(const QString &name);
    QStringList linkNames();
    std::optional<TableDef> findTableDef(const QString &name);
    void forgetDefinitions() { defs_.clear(); }

    void activateLinks();
    void activateLink(const QString &name, const QString &connect, const QString &source);
    void deactivateLink(const QString &name);

    int transactionDepth = 0;

private:
    sqlite3 *db_;
    QString path_;
    QHash<QString, sqlite3_stmt *> cache_;
    QHash<QString, TableDef> defs_;
    int linkCounter_ = 0;
    QHash<QString, QString> linkSchemas_; // link name (lower case) -> attached schema
};

// Helpers shared by the database and recordset code.
QString fileNameFromConnect(const QString &connect);
TableDef definitionFromSqlite(Connection &c, const QString &table);

} // namespace store
