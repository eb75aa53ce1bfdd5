// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Statement.h"

#include "store/Errors.h"

#include <QDate>
#include <QDateTime>

#include <utility>

namespace store {

void Statement::steal(Statement &o)
{
    db_ = o.db_;
    stmt_ = o.stmt_;
    slot_ = o.slot_;
    o.stmt_ = nullptr;
    o.slot_ = nullptr;
}

Statement &Statement::operator=(Statement &&o) noexcept
{
    if (this != &o) {
        release();
        steal(o);
    }
    return *this;
}

void Statement::release()
{
    if (!stmt_)
        return;
    if (!slot_) {
        sqlite3_finalize(stmt_);
    } else if (slot_->orphaned) {
        // The cache let go of it while it was ours: we are its last owner.
        sqlite3_finalize(stmt_);
        delete slot_;
    } else {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        slot_->busy = false;
    }
    stmt_ = nullptr;
    slot_ = nullptr;
}

void Statement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
            break;
        case QMetaType::QDate:
            {
                const QByteArray t = value.toDate().toString(Qt::ISODate).toUtf8();
                rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            break;
        case QMetaType::QDateTime: {
            const QByteArray t = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(stmt_, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

void Statement::bindAll(const QVariantList &values, int first)
{
    for (int i = 0; i < values.size(); ++i)
        bind(first + i, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The error text belongs to the connection; read it before the reset.
    const int ext = sqlite3_extended_errcode(db_);
    const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw sqliteError(ext, msg);
}

QVariant Statement::column(int i) const
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i)),
                                          sqlite3_column_bytes(stmt_, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt_, i)),
                                   sqlite3_column_bytes(stmt_, i)));
    default:
        return QVariant();
    }
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

// ------------------------------------------------------------------ the cache

Statement StatementCache::take(const QString &sql)
{
    CachedStatement *slot = slots_.value(sql);
    if (!slot || slot->busy)
        return Statement();
    slot->busy = true;
    slot->lastUse = ++useCounter_;
    return Statement(db_, slot);
}

Statement StatementCache::keep(const QString &sql, sqlite3_stmt *stmt)
{
    if (slots_.contains(sql))
        return Statement(db_, stmt);
    if (slots_.size() >= kSize) {
        // One in use stays where it is.
        auto victim = slots_.end();
        for (auto it = slots_.begin(); it != slots_.end(); ++it)
            if (!it.value()->busy && (victim == slots_.end() || it.value()->lastUse < victim.value()->lastUse))
                victim = it;
        if (victim == slots_.end())
            return Statement(db_, stmt);
        sqlite3_finalize(victim.value()->stmt);
        delete victim.value();
        slots_.erase(victim);
    }
    auto *slot = new CachedStatement;
    slot->stmt = stmt;
    slot->busy = true;
    slot->lastUse = ++useCounter_;
    slots_.insert(sql, slot);
    return Statement(db_, slot);
}

void StatementCache::clear()
{
    for (CachedStatement *slot : std::as_const(slots_)) {
        if (slot->busy) {
            slot->orphaned = true;
        } else {
            sqlite3_finalize(slot->stmt);
            delete slot;
        }
    }
    slots_.clear();
}

} // namespace store
