// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writes tables into a new file of the engine's own format, row by row. The
// reader of Access files (a program of its own, without Qt) copies their
// tables with it; the engine then attaches the file like any of its files.

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace store {

class TableCopy
{
public:
    enum class Type { Integer, Real, Text };

    // Creates the file; everything is written in one transaction that
    // commit() ends. Throws std::runtime_error on any failure.
    explicit TableCopy(const std::string &path);
    ~TableCopy();
    TableCopy(const TableCopy &) = delete;
    TableCopy &operator=(const TableCopy &) = delete;

    // Starts a table; the values of its rows are set by column position.
    void beginTable(const std::string &name, const std::vector<std::pair<std::string, Type>> &columns);
    void setNull(int column);
    void setInteger(int column, long long value);
    void setReal(int column, double value);
    void setText(int column, const char *utf8);
    void writeRow();

    void commit();

private:
    void exec(const char *sql);
    [[noreturn]] void fail() const;

    sqlite3 *db_ = nullptr;
    sqlite3_stmt *insert_ = nullptr;
};

} // namespace store
