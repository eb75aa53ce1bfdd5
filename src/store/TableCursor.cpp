// SPDX-License-Identifier: GPL-3.0-or-later
// A table recordset: walks the table in the order of the chosen index (the
// row ids without one), one indexed query a move, with no list of keys.

#include "store/Criteria.h"
#include "store/TableRecordset.h"

#include <algorithm>
#include <array>
#include <functional>

namespace store {

namespace {

class TableCursor final : public TableRecordset
{
public:
    TableCursor(std::shared_ptr<Connection> connection, const TableDef &def)
        : TableRecordset(std::move(connection), RecordsetType::Table, def, QStringLiteral("*"))
    {
        startWatching();
        toEnd(1);
    }

    bool eof() const override { return !onDeleted && atEof_; }
    bool bof() const override { return !onDeleted && atBof_; }
    void moveFirst() override { toEnd(1); }
    void moveLast() override { toEnd(-1); }

    void moveNext() override
    {
        if (atBof_ && !onDeleted)
            toEnd(1);
        else
            moveTo(neighbour(1), 1);
    }

    void movePrevious() override
    {
        if (atEof_ && !onDeleted)
            toEnd(-1);
        else
            moveTo(neighbour(-1), -1);
    }

    int recordCount() const override
    {
        return c->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdent(table_))).toInt();
    }

    void find(const QString &criteria, Find which) override;
    void requery() override { toEnd(1); }

    // The current row is read when a value of it is asked for, not before:
    // a seek or a move alone needs only its place in the index.
    const QVariant *currentValues() const override
    {
        if (!curRow_) {
            curRow_ = readRow(cur_);
            if (!curRow_)
                throw Error(kGone);
        }
        return curRow_->constData();
    }
    qint64 currentKey() const override { return cur_; }

    void setIndex(const QString &indexName) override;
    QString index() const override { return indexName_; }
    void seek(const QString &comparison, const QVariant &key) override;

    void deleteCurrent() override
    {
        TableRecordset::deleteCurrent();
        curRow_.reset();
    }

    void everythingChanged() override
    {
        curRow_.reset();
        notify({Recordset::Change::Everything, 0, -1});
    }

protected:
    void tableRowChanged(int op, qint64 rowid) override
    {
        if (rowid != cur_)
            return;
        if (!(op == SQLITE_UPDATE && curRow_ && refreshHeld(rowid, curRow_->data(), false)))
            curRow_.reset();
    }

    // The row keeps its place under its new values.
    void updated(qint64 key) override
    {
        if (cur_ != key || !curRow_) {
            moveTo(hitOf(key), 1);
            return;
        }
        curOrder_.clear();
        for (const QString &f : indexFields_)
            curOrder_ << (*curRow_)[fieldIndex(f)];
    }

private:
    // A row the cursor lands on: its id and its values of the index fields.
    struct Hit
    {
        qint64 rowid;
        QVariantList order;
    };

    QStringList orderColumns() const;
    QString orderBy(int dir) const;
    QString hitColumns() const;
    QString statement(const QString &key, const std::function<QString()> &make) const;
    std::optional<Hit> firstHit(const QString &sql, const QVariantList &params) const;
    std::optional<Hit> endRow(int dir, const QString &extra = {}, const QVariantList &params = {}) const;
    std::optional<Hit> neighbour(int dir, const QString &extra = {}, const QVariantList &params = {}) const;
    std::optional<Hit> hitOf(qint64 rowid) const;
    void moveTo(std::optional<Hit> hit, int dirIfNone);
    void toEnd(int dir);

    bool atBof_ = true;
    bool atEof_ = true;
    qint64 cur_ = 0;
    QVariantList curOrder_; // index field values of the current row
    mutable std::optional<Row> curRow_;
    QString indexName_;
    QStringList indexFields_;
    // Statements of the cursor's steps, made once per index and kind of step.
    mutable QHash<QString, QString> stepSql_;
    std::array<QString, 5> seekSql_; // by comparison
};

QStringList TableCursor::orderColumns() const
{
    QStringList cols;
    for (const QString &f : indexFields_)
        cols << quoteIdent(f);
    cols << QStringLiteral("rowid");
    return cols;
}

QString TableCursor::orderBy(int dir) const
{
    QStringList cols = orderColumns();
    for (QString &col : cols)
        col += dir > 0 ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
    return cols.join(QStringLiteral(", "));
}

QString TableCursor::hitColumns() const
{
    QStringList cols{QStringLiteral("rowid")};
    for (const QString &f : indexFields_)
        cols << quoteIdent(f);
    return cols.join(QStringLiteral(", "));
}

// The statement of one kind of cursor step, made once for the index.
QString TableCursor::statement(const QString &key, const std::function<QString()> &make) const
{
    auto it = stepSql_.constFind(key);
    if (it == stepSql_.constEnd())
        it = stepSql_.insert(key, make());
    return *it;
}

std::optional<TableCursor::Hit> TableCursor::firstHit(const QString &sql, const QVariantList &params) const
{
    Statement st = c->prepare(sql, true);
    st.bindAll(params);
    if (!st.step())
        return std::nullopt;
    Hit h{st.columnInt(0), {}};
    for (int k = 0; k < indexFields_.size(); ++k)
        h.order << st.column(k + 1);
    return h;
}

// First row in the index order (dir 1) or last (dir -1) that meets extra, if
// any.
std::optional<TableCursor::Hit> TableCursor::endRow(int dir, const QString &extra, const QVariantList &params) const
{
    const QString sql = statement(QStringLiteral("e%1|").arg(dir) + extra, [&] {
        return QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT 1")
            .arg(hitColumns(), quoteIdent(table_), extra.isEmpty() ? QString() : QStringLiteral(" WHERE ") + extra,
                 orderBy(dir));
    });
    return firstHit(sql, params);
}

// The row next to the current one in the index order, in direction dir, that
// meets extra. Asked level by level (same values up to a field, then a step
// in that field) so that each question is one range of the index.
std::optional<TableCursor::Hit> TableCursor::neighbour(int dir, const QString &extra, const QVariantList &params) const
{
    const QStringList cols = orderColumns();
    QVariantList vals = curOrder_;
    vals << cur_;
    for (int level = int(cols.size()) - 1; level >= 0; --level) {
        QVariantList sameParams;
        for (int k = 0; k < level; ++k)
            sameParams << vals[k];
        // The step in this field; NULL sorts before every value.
        enum Step { NotNull, Above, Below, Null };
        QList<Step> steps;
        const QVariant &v = vals[level];
        if (v.isNull()) {
            if (dir > 0)
                steps << NotNull;
        } else if (dir > 0) {
            steps << Above;
        } else {
            steps << Below;
            if (level < indexFields_.size())
                steps << Null;
        }
        for (const Step step : steps) {
            const QString key = QStringLiteral("n%1|%2|%3|").arg(dir).arg(level).arg(int(step)) + extra;
            const QString sql = statement(key, [&] {
                QStringList conds;
                for (int k = 0; k < level; ++k)
                    conds << cols[k] + QStringLiteral(" IS ?");
                static const char *const tests[] = {" IS NOT NULL", " > ?", " < ?", " IS NULL"};
                conds << cols[level] + QLatin1String(tests[step]);
                if (!extra.isEmpty())
                    conds << QLatin1Char('(') + extra + QLatin1Char(')');
                return QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                    .arg(hitColumns(), quoteIdent(table_), conds.join(QStringLiteral(" AND ")), orderBy(dir));
            });
            QVariantList all = sameParams;
            if (step == Above || step == Below)
                all << v;
            all += params;
            if (auto h = firstHit(sql, all))
                return h;
        }
    }
    return std::nullopt;
}

// The place of one row in the cursor's index.
std::optional<TableCursor::Hit> TableCursor::hitOf(qint64 rowid) const
{
    const QString sql = statement(QStringLiteral("h"), [&] {
        return QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(hitColumns(), quoteIdent(table_));
    });
    return firstHit(sql, {rowid});
}

void TableCursor::moveTo(std::optional<Hit> hit, int dirIfNone)
{
    onDeleted = false;
    curRow_.reset();
    if (!hit) {
        atEof_ = dirIfNone > 0;
        atBof_ = !atEof_;
        return;
    }
    cur_ = hit->rowid;
    curOrder_ = std::move(hit->order);
    atBof_ = atEof_ = false;
}

void TableCursor::toEnd(int dir)
{
    const std::optional<Hit> r = endRow(dir);
    if (!r) {
        atBof_ = atEof_ = true;
        onDeleted = false;
        curRow_.reset();
        return;
    }
    moveTo(r, dir);
}

void TableCursor::find(const QString &criteria, Find which)
{
    const Criteria crit = parseCriteria(criteria, names);
    const bool forwards = which == Find::First || which == Find::Next;
    std::optional<Hit> r;
    if (which == Find::First || (which == Find::Next && atBof_ && !onDeleted))
        r = endRow(1, crit.where, crit.params);
    else if (which == Find::Last || (which == Find::Previous && atEof_ && !onDeleted))
        r = endRow(-1, crit.where, crit.params);
    else if (!(forwards ? atEof_ : atBof_))
        r = neighbour(forwards ? 1 : -1, crit.where, crit.params);
    noMatch = !r;
    if (r)
        moveTo(r, 1);
}

void TableCursor::setIndex(const QString &indexName)
{
    for (const IndexDef &i : def_.indexes) {
        if (i.name.compare(indexName, Qt::CaseInsensitive) != 0)
            continue;
        QStringList fields;
        for (const QString &f : i.fields) {
            const FieldDef *fd = def_.field(f);
            if (!fd || !names.contains(fd->name, Qt::CaseInsensitive))
                throw Error(QStringLiteral("Der Index '%1' der Tabelle '%2' nennt das Feld '%3', das die Tabelle "
                                           "nicht hat.")
                                .arg(i.name, table_, f));
            fields << fd->name;
        }
        indexName_ = i.name;
        indexFields_ = fields;
        stepSql_.clear();
        seekSql_ = {};
        // A new order starts at its first row.
        editing = EditMode::None;
        toEnd(1);
        return;
    }
    throw Error(QStringLiteral("'%1' ist kein Index der Tabelle '%2'.").arg(indexName, table_));
}

void TableCursor::seek(const QString &comparison, const QVariant &key)
{
    if (indexFields_.isEmpty())
        return TableRecordset::seek(comparison, key); // refused as without an index
    static const std::array<QString, 5> ops = {QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"),
                                               QStringLiteral("<="), QStringLiteral(">=")};
    auto op = std::find(ops.begin(), ops.end(), comparison);
    if (op == ops.end())
        op = std::find(ops.begin(), ops.end(), comparison.trimmed());
    if (op == ops.end())
        throw Error(QStringLiteral("'%1' ist kein gültiger Vergleich für die Suche.").arg(comparison));
    editing = EditMode::None;
    const bool backwards = op->startsWith(QLatin1Char('<'));
    // A seek is asked often (each card the entry form or a sound looks up):
    // its statement is made once for each comparison and index.
    QString &sql = seekSql_[size_t(op - ops.begin())];
    if (sql.isEmpty())
        sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4 ? ORDER BY %5 LIMIT 1")
                  .arg(hitColumns(), quoteIdent(table_), quoteIdent(indexFields_.first()), *op,
                       orderBy(backwards ? -1 : 1));
    std::optional<Hit> hit = firstHit(sql, {key});
    noMatch = !hit;
    if (hit)
        moveTo(std::move(hit), 1);
}

} // namespace

std::unique_ptr<Recordset::Impl> openTableCursor(std::shared_ptr<Connection> c, const TableDef &def)
{
    return std::make_unique<TableCursor>(std::move(c), def);
}

} // namespace store
