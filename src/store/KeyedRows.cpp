// SPDX-License-Identifier: GPL-3.0-or-later
// A dynaset over one table: the row ids in the statement's order, the rows
// themselves read in blocks when a value is asked for.

#include "store/Criteria.h"
#include "store/NumberedRows.h"
#include "store/RowBlocks.h"
#include "store/SimpleSelect.h"
#include "store/TableRecordset.h"

#include <unordered_map>
#include <unordered_set>

namespace store {

namespace {

QString autoNumberField(const TableDef &def)
{
    for (const FieldDef &f : def.fields)
        if (f.autoIncrement)
            return f.name;
    return QString();
}

// Binds the first `marks` marks of a statement to keys[from] .. keys[end - 1];
// the marks left over take null.
void bindKeys(Statement &st, const std::vector<qint64> &keys, qint64 from, qint64 end, qint64 marks)
{
    for (qint64 i = 0; i < marks; ++i)
        st.bind(int(i + 1), from + i < end ? QVariant(keys[size_t(from + i)]) : QVariant());
}

QString keyMarks(qint64 count)
{
    return QStringList(int(count), QStringLiteral("?")).join(QLatin1Char(','));
}

class KeyedRows final : public NumberedRows<TableRecordset>
{
public:
    KeyedRows(std::shared_ptr<Connection> connection, const TableDef &def, const SimpleSelect &select,
              const QVariantList &params)
        : NumberedRows(std::move(connection), RecordsetType::Dynaset, def, select.selectList),
          keyField_(autoNumberField(def_)),
          keySql_(QStringLiteral("SELECT %1.rowid FROM %2").arg(quoteIdent(select.table), select.fromRest)),
          keyParams_(params),
          blocks_(*c, table_, rowList_, int(names.size()))
    {
        startWatching();
        loadKeys();
        placeAt(0);
    }

    const QVariant *currentValues() const override { return rowAt(pos_, false); }
    qint64 currentKey() const override { return keys_[size_t(pos_)]; }

    void catchUp() override
    {
        c->changes().syncExternal();
        if (keysStale_)
            dropVanishedKeys();
    }

    const QVariant *rowAt(qint64 row, bool sync) const override
    {
        if (sync)
            c->changes().syncExternal();
        return blocks_.row(row, keys_);
    }

    qint64 keyOfRow(qint64 row) const override { return keys_[size_t(row)]; }

    qint64 rowOfKey(qint64 key) const override
    {
        if (!rowOfValid_) {
            rowOf_.clear();
            rowOf_.reserve(keys_.size());
            for (size_t i = 0; i < keys_.size(); ++i)
                rowOf_.emplace(keys_[i], qint64(i));
            rowOfValid_ = true;
        }
        const auto it = rowOf_.find(key);
        return it == rowOf_.end() ? -1 : it->second;
    }

    void requery() override
    {
        const bool had = onRow();
        const qint64 key = had ? keys_[size_t(pos_)] : 0;
        c->changes().syncExternal();
        notify({Recordset::Change::AboutToReload, 0, -1});
        try {
            loadKeys();
        } catch (...) {
            keys_.clear();
            placeAt(0);
            notify({Recordset::Change::Reloaded, 0, -1});
            throw;
        }
        keysStale_ = false;
        const qint64 row = had ? rowOfKey(key) : -1;
        placeAt(row >= 0 ? row : 0);
        notify({Recordset::Change::Reloaded, 0, -1});
    }

    void everythingChanged() override
    {
        blocks_.clear();
        keysStale_ = true;
        notify({Recordset::Change::Everything, 0, -1});
    }

protected:
    qint64 size() const override { return qint64(keys_.size()); }

    void tableRowChanged(int op, qint64 rowid) override
    {
        if (op == SQLITE_DELETE)
            rowDeleted(rowid);
        else if (op == SQLITE_INSERT)
            rowAdded(rowid);
        else
            rowUpdated(rowid);
    }

    qint64 findRow(const QString &criteria, qint64 from, int step) override;

private:
    void loadKeys();
    void dropVanishedKeys();
    std::unordered_set<qint64> goneOf(const std::vector<qint64> &missing);
    void rowDeleted(qint64 rowid);
    void rowAdded(qint64 rowid);
    void rowUpdated(qint64 rowid);
    bool indexAnswers(const Criteria &crit) const;
    std::optional<qint64> findByIndex(const Criteria &crit, qint64 from, int step);

    const QString keyField_; // the auto-number field, which is the row id
    // The statement that lists the row ids in order.
    const QString keySql_;
    const QVariantList keyParams_;
    std::vector<qint64> keys_;
    mutable std::unordered_map<qint64, qint64> rowOf_;
    mutable bool rowOfValid_ = false;
    // Another connection committed (or a rollback undid rows): some keys may
    // name rows that are gone. Checked at the next move, find or requery,
    // never while a list reads its rows, so the rows a list counted stay.
    bool keysStale_ = false;
    RowBlocks blocks_;
    // Whether SQLite finds the rows of a condition through an index.
    mutable QHash<QString, bool> indexPlans_;
};

void KeyedRows::loadKeys()
{
    keys_.clear();
    rowOfValid_ = false;
    blocks_.clear();
    Statement st = c->prepare(keySql_, true);
    st.bindAll(keyParams_);
    while (st.step())
        keys_.push_back(st.columnInt(0));
}

// ---------------------------------------------------- this connection's changes

void KeyedRows::rowDeleted(qint64 rowid)
{
    const qint64 row = rowOfKey(rowid);
    if (row < 0)
        return;
    notify({Recordset::Change::AboutToDelete, rowid, row});
    keys_.erase(keys_.begin() + row);
    rowOfValid_ = false;
    blocks_.clear();
    if (!onDeleted && row == pos_)
        onDeleted = true;
    else if (row < pos_)
        --pos_;
    notify({Recordset::Change::Deleted, rowid, row});
}

void KeyedRows::rowAdded(qint64 rowid)
{
    if (!adding()) {
        notify({Recordset::Change::Added, rowid, -1});
        return;
    }
    // Rows added through a dynaset join it at its end.
    const bool atEnd = !onDeleted && pos_ >= size();
    notify({Recordset::Change::AboutToAdd, rowid, size()});
    keys_.push_back(rowid);
    if (rowOfValid_)
        rowOf_.emplace(rowid, size() - 1);
    if (atEnd)
        pos_ = size();
    notify({Recordset::Change::Added, rowid, size() - 1});
}

void KeyedRows::rowUpdated(qint64 rowid)
{
    const qint64 row = updating(rowid) && onRow() && keys_[size_t(pos_)] == rowid ? pos_ : rowOfKey(rowid);
    if (row < 0)
        return;
    // A row this recordset wrote itself keeps what was written (or is read
    // back); anyone else's change just drops it from memory.
    if (QVariant *held = blocks_.held(row); held && !refreshHeld(rowid, held, true))
        blocks_.forget(row);
    notify({Recordset::Change::Changed, rowid, row});
}

// ------------------------------------------------------- others' commits

// Drops the keys whose rows no longer exist. The membership of the other
// rows stays as it was (as it does for this connection's own changes): rows
// that another connection changed so that they no longer meet the statement
// stay, rows it added do not join.
void KeyedRows::dropVanishedKeys()
{
    if (keys_.empty()) {
        keysStale_ = false;
        return;
    }
    std::vector<qint64> missing;
    {
        std::unordered_set<qint64> now;
        now.reserve(keys_.size());
        Statement st = c->prepare(keySql_, true);
        st.bindAll(keyParams_);
        while (st.step())
            now.insert(st.columnInt(0));
        for (const qint64 k : keys_)
            if (!now.count(k))
                missing.push_back(k);
    }
    const std::unordered_set<qint64> gone = missing.empty() ? std::unordered_set<qint64>() : goneOf(missing);
    keysStale_ = false;
    if (gone.empty())
        return;
    notify({Recordset::Change::AboutToReload, 0, -1});
    std::vector<qint64> kept;
    kept.reserve(keys_.size() - gone.size());
    qint64 before = 0;
    bool currentGone = false;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!gone.count(keys_[i])) {
            kept.push_back(keys_[i]);
            continue;
        }
        if (qint64(i) < pos_)
            ++before;
        else if (qint64(i) == pos_ && !onDeleted)
            currentGone = true;
    }
    keys_.swap(kept);
    rowOfValid_ = false;
    blocks_.clear();
    // As after a delete of this connection's: a recordset standing on a row
    // that went stays there, with the next row in its place.
    pos_ = std::clamp<qint64>(pos_ - before, -1, size());
    if (currentGone)
        onDeleted = true;
    notify({Recordset::Change::Reloaded, 0, -1});
}

// Of the keys no longer among the statement's rows, those whose rows are
// gone rather than only changed.
std::unordered_set<qint64> KeyedRows::goneOf(const std::vector<qint64> &missing)
{
    std::unordered_set<qint64> gone(missing.begin(), missing.end());
    Statement st = c->prepare(
        QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2)").arg(quoteIdent(table_), keyMarks(RowBlocks::kBlock)),
        true);
    for (size_t first = 0; first < missing.size(); first += size_t(RowBlocks::kBlock)) {
        st.reset();
        bindKeys(st, missing, qint64(first), qint64(missing.size()), RowBlocks::kBlock);
        while (st.step())
            gone.erase(st.columnInt(0));
    }
    return gone;
}

// ---------------------------------------------------------------- finding

qint64 KeyedRows::findRow(const QString &criteria, qint64 from, int step)
{
    const Criteria crit = parseCriteria(criteria, names);
    // The key field names its row at once.
    if (crit.equalsValue && crit.equalsField.compare(keyField_, Qt::CaseInsensitive) == 0 && !keyField_.isEmpty()) {
        const qint64 row = rowOfKey(*crit.equalsValue);
        const bool ahead = step > 0 ? row >= from : row <= from;
        return row >= 0 && ahead ? row : -1;
    }
    if (indexAnswers(crit)) {
        if (const std::optional<qint64> row = findByIndex(crit, from, step))
            return *row;
    }
    // Otherwise in widening blocks from the start, so a match close by is
    // found quickly and a long search costs few statements.
    qint64 width = 32;
    for (qint64 i = from; i >= 0 && i < size();) {
        const qint64 lo = step > 0 ? i : std::max<qint64>(0, i - width + 1);
        const qint64 hi = step > 0 ? std::min(size() - 1, i + width - 1) : i;
        Statement st = c->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2) AND (%3)")
                                      .arg(quoteIdent(table_), keyMarks(width), crit.where),
                                  true);
        bindKeys(st, keys_, lo, hi + 1, width);
        st.bindAll(crit.params, int(width) + 1);
        std::unordered_set<qint64> hits;
        while (st.step())
            hits.insert(st.columnInt(0));
        if (!hits.empty()) {
            for (qint64 k = step > 0 ? lo : hi; k >= lo && k <= hi; k += step)
                if (hits.count(keys_[size_t(k)]))
                    return k;
        }
        i = step > 0 ? hi + 1 : lo - 1;
        width = std::min<qint64>(width * 2, 1024);
    }
    return -1;
}

// Criteria an index answers (FVok = 'Haus') are asked of the whole table,
// and the few rows found are placed by their keys. Nothing when they are too
// many to place.
std::optional<qint64> KeyedRows::findByIndex(const Criteria &crit, qint64 from, int step)
{
    constexpr int kMost = 4096;
    Statement st = c->prepare(
        QStringLiteral("SELECT rowid FROM %1 WHERE %2 LIMIT %3").arg(quoteIdent(table_), crit.where).arg(kMost + 1),
        true);
    st.bindAll(crit.params);
    std::vector<qint64> rowids;
    while (st.step() && rowids.size() <= size_t(kMost))
        rowids.push_back(st.columnInt(0));
    if (rowids.size() > size_t(kMost))
        return std::nullopt;
    qint64 best = -1;
    for (qint64 id : rowids) {
        const qint64 row = rowOfKey(id);
        if (row < 0 || (step > 0 ? row < from : row > from))
            continue;
        if (best < 0 || (step > 0 ? row < best : row > best))
            best = row;
    }
    return best;
}

// Whether SQLite would find the rows of the criteria through an index
// rather than by reading the whole table.
bool KeyedRows::indexAnswers(const Criteria &crit) const
{
    auto it = indexPlans_.constFind(crit.where);
    if (it != indexPlans_.constEnd())
        return *it;
    Statement st = c->prepare(
        QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid FROM %1 WHERE %2").arg(quoteIdent(table_), crit.where));
    st.bindAll(crit.params);
    bool indexed = true;
    while (st.step())
        if (st.column(3).toString().startsWith(QStringLiteral("SCAN")))
            indexed = false;
    indexPlans_.insert(crit.where, indexed);
    return indexed;
}

} // namespace

std::unique_ptr<Recordset::Impl> openKeyedRows(std::shared_ptr<Connection> c, const TableDef &def,
                                               const SimpleSelect &select, const QVariantList &params)
{
    return std::make_unique<KeyedRows>(std::move(c), def, select, params);
}

} // namespace store
