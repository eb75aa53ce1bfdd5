// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Inside of the engine layer: one open SQLite connection with its statement
// cache, its change watching and the table definitions it knows. Only the
// store's own .cpp files include this header.

#include "store/BoundLiterals.h"
#include "store/ChangeWatch.h"
#include "store/Engine.h"
#include "store/Statement.h"

#include <QHash>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>

namespace store {

// Names of the engine's own bookkeeping tables; they never show up as tables
// of the user.
inline const QString kSysPrefix = QStringLiteral("VkSys");

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

    ChangeWatch &changes() { return changes_; }

    int transactionDepth = 0;

private:
    Statement prepareThroughLink(const QString &sql, bool cache, int rc);
    QString brokenLinkIn(const QString &message) const;

    sqlite3 *db_;
    QString path_;
    StatementCache statements_;
    ChangeWatch changes_;
    QHash<QString, TableDef> defs_;
    int linkCounter_ = 0;
    QHash<QString, QString> linkSchemas_; // link name (lower case) -> attached schema
    QHash<QString, QString> linkErrors_;  // link name (lower case) -> why it is not readable
    // Link name (lower case) -> the copy of an Access table the link reads.
    std::map<QString, std::unique_ptr<QTemporaryDir>> linkCopies_;
};

// A log and log index left beside `path` when no file `path` exists: the
// log is renamed aside, the index removed, so that a file moved into that
// place does not take them for its own.
void setAsideOrphanedLog(const QString &path);

// Helpers shared by the database and recordset code.
QString fileNameFromConnect(const QString &connect);
TableDef definitionFromSqlite(Connection &c, const QString &table);

} // namespace store
