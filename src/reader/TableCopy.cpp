// SPDX-License-Identifier: GPL-3.0-or-later
#include "reader/TableCopy.h"

namespace store {

namespace {

std::string quoted(const std::string &name)
{
    std::string q = "\"";
    for (char c : name) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + '"';
}

const char *typeName(TableCopy::Type t)
{
    switch (t) {
    case TableCopy::Type::Integer:
        return "INTEGER";
    case TableCopy::Type::Real:
        return "REAL";
    default:
        return "TEXT";
    }
}

} // namespace

TableCopy::TableCopy(const std::string &path)
{
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        fail();
    // A copy that is not finished is thrown away whole, so it needs no
    // journal and no syncing.
    exec("PRAGMA journal_mode = OFF");
    exec("PRAGMA synchronous = OFF");
    exec("BEGIN");
}

TableCopy::~TableCopy()
{
    sqlite3_finalize(insert_);
    sqlite3_close(db_);
}

void TableCopy::fail() const
{
    throw std::runtime_error(db_ ? sqlite3_errmsg(db_) : "cannot write the new file");
}

void TableCopy::exec(const char *sql)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void TableCopy::beginTable(const std::string &name, const std::vector<std::pair<std::string, Type>> &columns)
{
    std::string create = "CREATE TABLE " + quoted(name) + " (";
    std::string insert = "INSERT INTO " + quoted(name) + " VALUES (";
    for (size_t i = 0; i < columns.size(); ++i) {
        create += (i ? ", " : "") + quoted(columns[i].first) + " " + typeName(columns[i].second);
        insert += i ? ", ?" : "?";
    }
    exec((create + ")").c_str());
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    if (sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &insert_, nullptr) != SQLITE_OK)
        fail();
}

void TableCopy::setNull(int column)
{
    sqlite3_bind_null(insert_, column + 1);
}

void TableCopy::setInteger(int column, long long value)
{
    sqlite3_bind_int64(insert_, column + 1, value);
}

void TableCopy::setReal(int column, double value)
{
    sqlite3_bind_double(insert_, column + 1, value);
}

void TableCopy::setText(int column, const char *utf8)
{
    sqlite3_bind_text(insert_, column + 1, utf8, -1, SQLITE_TRANSIENT);
}

void TableCopy::writeRow()
{
    if (sqlite3_step(insert_) != SQLITE_DONE)
        fail();
    sqlite3_reset(insert_);
}

void TableCopy::commit()
{
    exec("COMMIT");
}

} // namespace store
