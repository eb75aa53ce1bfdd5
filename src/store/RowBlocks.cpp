// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RowBlocks.h"

#include "store/Connection.h"
#include "store/RecordsetImpl.h"

#include <algorithm>
#include <utility>

namespace store {

RowBlocks::RowBlocks(Connection &c, const QString &table, const QString &rowList, int columns)
    : c_(c),
      sql_(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
               .arg(rowList, quoteIdent(table), QStringList(int(kBlock), QStringLiteral("?")).join(QLatin1Char(',')))),
      columns_(columns)
{
}

void RowBlocks::clear()
{
    for (Block &b : blocks_)
        b.first = -1;
}

RowBlocks::Block *RowBlocks::find(qint64 first) const
{
    if (blocks_[last_].first == first)
        return &blocks_[last_];
    for (int k = 0; k < kKept; ++k) {
        if (blocks_[k].first == first) {
            last_ = k;
            return &blocks_[k];
        }
    }
    return nullptr;
}

QVariant *RowBlocks::held(qint64 i)
{
    const qint64 first = i - i % kBlock;
    Block *b = find(first);
    if (!b || !b->present[size_t(i - first)])
        return nullptr;
    return b->cells.data() + size_t(i - first) * size_t(columns_);
}

void RowBlocks::forget(qint64 i)
{
    const qint64 first = i - i % kBlock;
    if (Block *b = find(first))
        b->present[size_t(i - first)] = 0;
}

const QVariant *RowBlocks::row(qint64 i, const std::vector<qint64> &keys) const
{
    const qint64 first = i - i % kBlock;
    Block *b = find(first);
    if (!b || !b->present[size_t(i - first)])
        b = &read(first, keys);
    b->lastUse = ++use_;
    if (!b->present[size_t(i - first)])
        throw Error(kGone);
    return b->cells.data() + size_t(i - first) * size_t(columns_);
}

RowBlocks::Block &RowBlocks::read(qint64 first, const std::vector<qint64> &keys) const
{
    Block *b = find(first);
    if (!b) {
        b = &blocks_[0];
        for (Block &k : blocks_)
            if (k.lastUse < b->lastUse)
                b = &k;
    }
    b->first = -1;
    b->lastUse = ++use_;
    b->cells.resize(size_t(kBlock) * size_t(columns_));
    b->present.assign(size_t(kBlock), 0);
    Statement st = c_.prepare(sql_, true);
    // The rows come in the order of their ids; each goes to its place.
    std::array<std::pair<qint64, qint64>, size_t(kBlock)> place;
    const qint64 n = std::min(kBlock, qint64(keys.size()) - first);
    for (qint64 i = 0; i < kBlock; ++i) {
        if (i < n) {
            place[size_t(i)] = {keys[size_t(first + i)], i};
            sqlite3_bind_int64(st.get(), int(i + 1), keys[size_t(first + i)]);
        } else {
            sqlite3_bind_null(st.get(), int(i + 1));
        }
    }
    std::sort(place.begin(), place.begin() + n);
    while (st.step()) {
        const qint64 id = st.columnInt(0);
        const auto it = std::lower_bound(place.begin(), place.begin() + n, std::pair<qint64, qint64>(id, -1));
        if (it == place.begin() + n || it->first != id)
            continue;
        QVariant *row = b->cells.data() + size_t(it->second) * size_t(columns_);
        for (int k = 0; k < columns_; ++k)
            row[k] = st.column(k + 1);
        b->present[size_t(it->second)] = 1;
    }
    b->first = first;
    last_ = int(b - blocks_.data());
    return *b;
}

} // namespace store
