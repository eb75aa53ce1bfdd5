// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

#include <array>
#include <vector>

namespace store {

class Connection;

// The rows of a keyed recordset, read in aligned blocks of its keys. A few
// blocks are kept, the one used longest ago going first: a walk costs one
// query per block, and a list painting elsewhere does not push out the block
// the current row lies in.
class RowBlocks
{
public:
    static constexpr qint64 kBlock = 64;

    // The rows are read from `table` with the select list `rowList`, which
    // gives `columns` values a row.
    RowBlocks(Connection &c, const QString &table, const QString &rowList, int columns);

    // The values of row i of `keys`, one for each column, read with its block
    // where they are not held; throws when the row is gone.
    const QVariant *row(qint64 i, const std::vector<qint64> &keys) const;
    // The values held of row i; null when they are not held.
    QVariant *held(qint64 i);
    void forget(qint64 i);
    void clear();

private:
    static constexpr int kKept = 8;
    struct Block
    {
        qint64 first = -1; // number of its first row; -1: holds nothing
        quint64 lastUse = 0;
        // The values of its rows one after the other, a row's at
        // (row number - first) * columns; one allocation for the block.
        std::vector<QVariant> cells;
        std::vector<char> present; // 0: not read, gone, or changed since
    };
    Block *find(qint64 first) const;
    Block &read(qint64 first, const std::vector<qint64> &keys) const;

    Connection &c_;
    QString sql_; // the rows of one block by their ids
    int columns_;
    mutable std::array<Block, kKept> blocks_;
    mutable quint64 use_ = 0;
    mutable int last_ = 0;
};

} // namespace store
