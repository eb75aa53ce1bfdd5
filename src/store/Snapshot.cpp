// SPDX-License-Identifier: GPL-3.0-or-later
// Computed rows (counts, groups, joins, attached tables): the statement's
// result read whole, once, and again only by requery. Read-only.

#include "store/Criteria.h"
#include "store/NumberedRows.h"

namespace store {

namespace {

class Snapshot final : public NumberedRows<Recordset::Impl>
{
public:
    Snapshot(std::shared_ptr<Connection> connection, RecordsetType recordsetType, const QString &sql,
             const QVariantList &params)
        : NumberedRows(std::move(connection), recordsetType), sql_(sql), params_(params)
    {
        rows_ = read();
        placeAt(0);
    }

    const QVariant *currentValues() const override { return rows_[pos_].constData(); }
    qint64 currentKey() const override { return pos_; }

    const QVariant *rowAt(qint64 row, bool) const override { return rows_[row].constData(); }
    qint64 keyOfRow(qint64 row) const override { return row; }
    qint64 rowOfKey(qint64 key) const override { return key >= 0 && key < size() ? key : -1; }

    void requery() override
    {
        const qint64 at = onRow() ? pos_ : 0;
        QVector<Row> fresh = read();
        notify({Recordset::Change::AboutToReload, 0, -1});
        rows_ = std::move(fresh);
        placeAt(std::min(at, size()));
        notify({Recordset::Change::Reloaded, 0, -1});
    }

protected:
    qint64 size() const override { return rows_.size(); }

    qint64 findRow(const QString &criteria, qint64 from, int step) override
    {
        RowMatcher matcher(*c, criteria, names);
        for (qint64 i = from; i >= 0 && i < size(); i += step)
            if (matcher.matches(rows_[i]))
                return i;
        return -1;
    }

private:
    // The statement run whole: its rows, and its column names the first
    // time.
    QVector<Row> read()
    {
        Statement st = c->prepare(sql_, true);
        st.bindAll(params_);
        if (names.isEmpty())
            for (int i = 0; i < st.columnCount(); ++i)
                names << st.columnName(i);
        QVector<Row> rows;
        while (st.step()) {
            Row row(names.size());
            for (int i = 0; i < row.size(); ++i)
                row[i] = st.column(i);
            rows.append(std::move(row));
        }
        return rows;
    }

    const QString sql_;
    const QVariantList params_;
    QVector<Row> rows_;
};

} // namespace

std::unique_ptr<Recordset::Impl> openSnapshot(std::shared_ptr<Connection> c, RecordsetType type, const QString &sql,
                                              const QVariantList &params)
{
    return std::make_unique<Snapshot>(std::move(c), type, sql, params);
}

} // namespace store
