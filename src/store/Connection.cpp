// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Connection.h"

#include "store/Collation.h"
#include "store/Errors.h"
#include "store/TextMatch.h"

namespace store {

Connection::Connection(sqlite3 *db, QString path)
    : db_(db), path_(std::move(path)), statements_(db), changes_(*this, db, path_)
{
    registerGermanCollation(db_);
    registerTextFunctions(db_);
    sqlite3_busy_timeout(db_, 2000);
    sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection()
{
    changes_.detach();
    statements_.clear();
    // Statements still held elsewhere keep the connection alive as a zombie
    // until they are finalised. The file's descriptor goes after it.
    sqlite3_close_v2(db_);
}

Statement Connection::prepare(const QString &sql, bool cache)
{
    if (cache) {
        if (Statement kept = statements_.take(sql); kept.get())
            return kept;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        return prepareThroughLink(sql, cache, rc);
    if (!stmt)
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    // One statement per call: a second one hidden after a semicolon is refused.
    if (tail && QByteArray(tail).trimmed().replace(';', "").trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        throw Error(QStringLiteral("Nach dem Ende der SQL-Anweisung folgen weitere Zeichen."));
    }
    return cache ? statements_.keep(sql, stmt) : Statement(db_, stmt);
}

void Connection::exec(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (err)
        sqlite3_free(err);
    changes_.deliver(rc == SQLITE_OK);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

int Connection::execChanges(const QString &sql, const QVariantList &params)
{
    // Writing statements are prepared once: compiling an INSERT also compiles
    // the table's checks, which costs far more than running it.
    Statement st = prepare(sql, true);
    st.bindAll(params);
    try {
        while (st.step()) {
        }
    } catch (const Error &) {
        changes_.deliver(false);
        throw;
    }
    changes_.deliver(true);
    return sqlite3_changes(db_);
}

QVariant Connection::scalar(const QString &sql, const QVariantList &params)
{
    Statement st = prepare(sql, true);
    st.bindAll(params);
    return st.step() ? st.column(0) : QVariant();
}

QString Connection::meta(const QString &key)
{
    return scalar(QStringLiteral("SELECT value FROM VkSysMeta WHERE key = ?"), {key}).toString();
}

} // namespace store
