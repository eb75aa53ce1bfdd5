// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Connection.h"
#include "store/SqlLexer.h"
#include "store/Collation.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace store {

namespace {

const QString kNoCurrent = QStringLiteral("Kein aktueller Datensatz.");

// A SELECT over one table without grouping or aggregates can be answered by
// keys: the recordset keeps only the row ids and reads rows when asked.
struct SimpleSelect
{
    QString selectList;
    QString table;
    QString fromRest; // the statement after FROM, table name included
};

std::optional<SimpleSelect> parseSimpleSelect(const QString &sql)
{
    Lexer lx(sql);
    std::vector<Token> toks;
    for (Token t = lx.next(); t.kind != Token::End; t = lx.next())
        toks.push_back(t);
    if (toks.size() < 4 || !isKeyword(toks[0], "select"))
        return std::nullopt;
    int depth = 0;
    int fromAt = -1;
    for (size_t i = 1; i < toks.size(); ++i) {
        const Token &t = toks[i];
        if (t.kind == Token::Symbol && t.text == QLatin1String("("))
            ++depth;
        else if (t.kind == Token::Symbol && t.text == QLatin1String(")"))
            --depth;
        if (depth != 0)
            continue;
        if (fromAt < 0) {
            if (isKeyword(t, "distinct") || isKeyword(t, "top") || (t.kind == Token::Symbol && t.text == QLatin1String("(")))
                return std::nullopt;
            if (isKeyword(t, "from"))
                fromAt = int(i);
        } else if (isKeyword(t, "group") || isKeyword(t, "having") || isKeyword(t, "limit") || isKeyword(t, "union")
                   || isKeyword(t, "join") || isKeyword(t, "intersect") || isKeyword(t, "except")) {
            return std::nullopt;
        }
    }
    if (fromAt < 2 || size_t(fromAt) + 1 >= toks.size())
        return std::nullopt;
    // A function call in the select list (count(*), max(...)) needs the rows
    // computed as a whole.
    for (int i = 1; i < fromAt; ++i)
        if (toks[i].kind == Token::Symbol && toks[i].text == QLatin1String("("))
            return std::nullopt;
    const Token &table = toks[fromAt + 1];
    if (table.kind != Token::Word && table.kind != Token::Quoted)
        return std::nullopt;
    if (size_t(fromAt) + 2 < toks.size()) {
        const Token &after = toks[fromAt + 2];
        if (!isKeyword(after, "where") && !isKeyword(after, "order")
            && !(after.kind == Token::Symbol && after.text == QLatin1String(";")))
            return std::nullopt;
    }
    SimpleSelect s;
    s.selectList = sql.mid(toks[1].begin, toks[fromAt].begin - toks[1].begin).trimmed();
    s.table = table.text;
    QString rest = sql.mid(table.begin).trimmed();
    while (rest.endsWith(QLatin1Char(';')))
        rest.chop(1);
    s.fromRest = rest;
    return s;
}

// ---------------------------------------------------------------- criteria

struct Criteria
{
    QString where;
    QVariantList params;
    // The whole criteria is  field = whole number : the field and the number.
    QString equalsField;
    std::optional<qint64> equalsValue;
};

QVariant literalValue(const Token &t)
{
    if (t.kind == Token::Number)
        return t.text.contains(QLatin1Char('.')) ? QVariant(t.text.toDouble()) : QVariant(t.text.toLongLong());
    return QVariant(t.text);
}

// Criteria texts of the form  field op value [AND|OR field op value ...].
// Values are bound, never pasted into SQL: each one is a "?" in the text, in
// order. fieldSql gives what stands for a field (by its position).
Criteria parseCriteria(const QString &text, const QStringList &fieldNames,
                       const std::function<QString(int)> &fieldSql,
                       const std::function<QString(int)> &valueSql = {})
{
    Lexer lx(text);
    Criteria c;
    auto bad = [&]() {
        return Error(QStringLiteral("Das Suchkriterium '%1' ist ungültig. Erwartet wird zum Beispiel VNr = 5.").arg(text));
    };
    Token t = lx.next();
    if (t.kind == Token::End)
        throw bad();
    int terms = 0;
    QString lastOp;
    QString lastField;
    while (true) {
        if (t.kind != Token::Word && !(t.kind == Token::Quoted && t.bracketed))
            throw bad();
        QString field = t.text;
        t = lx.next();
        // Table.Field: the table is the recordset's own.
        if (t.kind == Token::Symbol && t.text == QLatin1String(".")) {
            t = lx.next();
            if (t.kind != Token::Word)
                throw bad();
            field = t.text;
            t = lx.next();
        }
        int real = -1;
        for (int i = 0; i < fieldNames.size(); ++i)
            if (fieldNames[i].compare(field, Qt::CaseInsensitive) == 0)
                real = i;
        if (real < 0)
            throw Error(QStringLiteral("Das Feld '%1' im Suchkriterium '%2' ist nicht vorhanden.").arg(field, text));
        const QString ref = fieldSql(real);
        ++terms;
        lastField = fieldNames[real];

        QString op;
        bool negate = false;
        if (t.kind == Token::Symbol && QStringList{QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                                   QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="),
                                                   QStringLiteral(">=")}
                                           .contains(t.text)) {
            op = t.text == QLatin1String("!=") ? QStringLiteral("<>") : t.text;
        } else if (isKeyword(t, "like")) {
            op = QStringLiteral("LIKE");
        } else if (isKeyword(t, "is")) {
            t = lx.next();
            if (isKeyword(t, "not")) {
                negate = true;
                t = lx.next();
            }
            if (!isKeyword(t, "null"))
                throw bad();
            c.where += ref + (negate ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
            op.clear();
        } else {
            throw bad();
        }
        lastOp = op;
        if (!op.isEmpty()) {
            Token v = lx.next();
            bool minus = false;
            if (v.kind == Token::Symbol && v.text == QLatin1String("-")) {
                minus = true;
                v = lx.next();
            }
            QVariant value;
            if (v.kind == Token::Number)
                value = literalValue(v);
            else if (v.kind == Token::Quoted)
                value = v.text;
            else if (isKeyword(v, "true"))
                value = -1;
            else if (isKeyword(v, "false"))
                value = 0;
            else
                throw bad();
            if (minus) {
                if (v.kind != Token::Number)
                    throw bad();
                value = value.typeId() == QMetaType::Double ? QVariant(-value.toDouble()) : QVariant(-value.toLongLong());
            }
            if (op == QLatin1String("LIKE")) {
                QString pattern = value.toString();
                pattern.replace(QLatin1Char('*'), QLatin1Char('%')).replace(QLatin1Char('?'), QLatin1Char('_'));
                value = pattern;
            }
            c.where += ref + QLatin1Char(' ') + op + QLatin1Char(' ')
                + (valueSql ? valueSql(int(c.params.size())) : QStringLiteral("?"));
            c.params << value;
        }
        t = lx.next();
        if (t.kind == Token::End)
            break;
        if (isKeyword(t, "and"))
            c.where += QStringLiteral(" AND ");
        else if (isKeyword(t, "or"))
            c.where += QStringLiteral(" OR ");
        else
            throw bad();
        t = lx.next();
    }
    if (terms == 1 && lastOp == QLatin1String("=") && c.params.size() == 1
        && c.params[0].typeId() == QMetaType::LongLong) {
        c.equalsField = lastField;
        c.equalsValue = c.params[0].toLongLong();
    }
    return c;
}

} // namespace

// ---------------------------------------------------------------- Recordset

namespace {

// How a recordset holds its rows.
enum class Mode {
    Keys,     // a dynaset over one table: the row ids in the statement's order
    Snapshot, // computed rows (counts, groups, joins, attached tables): read-only
    Cursor,   // a table recordset: walks the table in index order, no key list
};

const QString kGone = QStringLiteral("Der Datensatz wurde inzwischen gelöscht.");

using Row = QVector<QVariant>;

} // namespace

struct Recordset::Impl : ChangeSink
{
    std::shared_ptr<Connection> c;
    RecordsetType type = RecordsetType::Dynaset;
    Mode mode = Mode::Snapshot;
    QStringList names;

    QString table; // Keys and Cursor: the table the rows belong to
    std::optional<TableDef> def;
    QString keyField; // the auto-number field, which is the row id

    // Keys: the statement that lists the row ids in order, and the select
    // list the rows are read with. Snapshot: the statement of its rows.
    QString keySql;
    QVariantList keyParams;
    QString rowList;
    std::vector<qint64> keys;
    mutable std::unordered_map<qint64, qint64> rowOf;
    mutable bool rowOfValid = false;
    // Another connection committed (or a rollback undid rows): some keys may
    // name rows that are gone. Checked at the next move, find or requery,
    // never while a list reads its rows, so the rows a list counted stay.
    bool keysStale = false;
    // The row a list read last; a list looks for others' commits once for
    // each line it reads.
    mutable qint64 lastListRow = -1;

    // Snapshot rows.
    QVector<Row> rows;

    // Position for Keys and Snapshot: pos indexes the rows, -1 before the
    // first, size() after the last. After the current row was deleted,
    // onDeleted is set and pos is where the row was, so the next row has
    // moved into its place.
    qint64 pos = -1;
    bool onDeleted = false;

    // Position for Cursor.
    bool atBof = true;
    bool atEof = true;
    qint64 cur = 0;
    QVariantList curOrder; // index field values of the current row
    mutable std::optional<Row> curRow;
    QString indexName;
    QStringList indexFields;

    // Rows read in aligned blocks of keys, a few blocks kept, the one used
    // longest ago going first: a walk costs one query per block, and a list
    // painting elsewhere does not push out the block the current row lies in.
    static constexpr qint64 kBlock = 64;
    static constexpr int kBlocksKept = 8;
    struct Block
    {
        qint64 first = -1; // number of its first row; -1: holds nothing
        quint64 lastUse = 0;
        // The values of its rows one after the other, a row's at
        // (row number - first) * columns; one allocation for the block.
        std::vector<QVariant> cells;
        std::vector<char> present; // 0: not read, gone, or changed since
    };
    mutable std::array<Block, kBlocksKept> blocks;
    mutable quint64 blockUse = 0;
    mutable int lastBlock = 0;
    QString blockSql; // the rows of one block by their ids

    // What the columns are: how the table stores each (0 whole numbers,
    // 1 texts, -1 anything else), and whether the engine numbers it.
    std::vector<int> columnType;
    std::vector<char> autoColumn;
    mutable QHash<QString, int> nameIndex;
    // Whether a row this recordset wrote can take the written values as
    // they are, rather than be read back: every column is a plain field
    // and no trigger or computed column of someone else's changes more.
    bool wholeRows = false;
    std::vector<std::pair<int, QVariant>> written;
    bool writtenKnown = false;
    QHash<quint64, QString> updateSql; // by the set of columns written

    // Cursor statements, made once per index and kind of step.
    mutable QHash<QString, QString> cursorSql;
    std::array<QString, 5> seekSql; // by comparison

    EditMode edit = EditMode::None;
    Row buffer;
    QVector<bool> assigned;
    bool adding = false;
    std::optional<qint64> updatingKey;
    qint64 updatingRow = -1; // its number here, where known
    qint64 editKey = 0; // the row an Edit was started on
    bool noMatch = false;

    int nextListener = 1;
    QHash<int, Listener> listeners;

    void clearBlocks() const
    {
        for (Block &b : blocks)
            b.first = -1;
    }

    Block *findBlock(qint64 first) const
    {
        if (blocks[lastBlock].first == first)
            return &blocks[lastBlock];
        for (int k = 0; k < kBlocksKept; ++k) {
            if (blocks[k].first == first) {
                lastBlock = k;
                return &blocks[k];
            }
        }
        return nullptr;
    }

    ~Impl() override
    {
        if (c)
            c->removeSink(this);
    }

    qint64 size() const { return mode == Mode::Keys ? qint64(keys.size()) : qint64(rows.size()); }

    void notify(const Change &ch)
    {
        const QHash<int, Listener> ls = listeners;
        for (auto it = ls.begin(); it != ls.end(); ++it)
            if (listeners.contains(it.key()))
                it.value()(ch);
    }

    // ---- changes this connection made, or may have missed

    void rowChanged(int op, const QString &tbl, qint64 rowid) override
    {
        if (tbl.compare(table, Qt::CaseInsensitive) != 0)
            return;
        if (mode == Mode::Cursor) {
            if (rowid != cur)
                return;
            if (op == SQLITE_UPDATE && updatingKey && *updatingKey == rowid && writtenKnown && curRow) {
                for (const auto &[column, value] : written)
                    (*curRow)[column] = value;
            } else {
                curRow.reset();
            }
            return;
        }
        if (op == SQLITE_DELETE) {
            const qint64 row = rowOfKey(rowid);
            if (row < 0)
                return;
            notify({Change::AboutToDelete, rowid, row});
            keys.erase(keys.begin() + row);
            rowOfValid = false;
            clearBlocks();
            if (!onDeleted && row == pos)
                onDeleted = true;
            else if (row < pos)
                --pos;
            notify({Change::Deleted, rowid, row});
        } else if (op == SQLITE_INSERT) {
            if (adding && type == RecordsetType::Dynaset) {
                // Rows added through a dynaset join it at its end.
                const bool atEnd = !onDeleted && pos >= size();
                notify({Change::AboutToAdd, rowid, size()});
                keys.push_back(rowid);
                if (rowOfValid)
                    rowOf.emplace(rowid, size() - 1);
                if (atEnd)
                    pos = size();
                notify({Change::Added, rowid, size() - 1});
            } else {
                notify({Change::Added, rowid, -1});
            }
        } else {
            const qint64 row = updatingKey && *updatingKey == rowid && updatingRow >= 0 ? updatingRow : rowOfKey(rowid);
            if (row < 0)
                return;
            // A row this recordset wrote itself keeps what was written (or
            // is read back); anyone else's change just drops it from memory.
            const qint64 first = row - row % kBlock;
            if (Block *b = findBlock(first); b && b->present[size_t(row - first)]) {
                QVariant *held = b->cells.data() + size_t(row - first) * size_t(names.size());
                if (!(updatingKey && *updatingKey == rowid)) {
                    b->present[size_t(row - first)] = 0;
                } else if (writtenKnown) {
                    for (const auto &[column, value] : written)
                        held[column] = value;
                } else if (std::optional<Row> fresh = readRow(rowid)) {
                    std::move(fresh->begin(), fresh->end(), held);
                } else {
                    b->present[size_t(row - first)] = 0;
                }
            }
            notify({Change::Changed, rowid, row});
        }
    }

    void everythingChanged() override
    {
        clearBlocks();
        curRow.reset();
        if (mode == Mode::Keys)
            keysStale = true;
        notify({Change::Everything, 0, -1});
    }

    // Where the recordset is moved, searched or read again: another
    // connection's commit is noticed here, and rows it deleted leave.
    void catchUp()
    {
        if (mode != Mode::Keys)
            return;
        c->syncExternal();
        if (keysStale)
            dropVanishedKeys();
    }

    // Drops the keys whose rows no longer exist. The membership of the
    // other rows stays as it was (as it does for this connection's own
    // changes): rows that another connection changed so that they no longer
    // meet the statement stay, rows it added do not join.
    void dropVanishedKeys()
    {
        if (keys.empty()) {
            keysStale = false;
            return;
        }
        std::unordered_set<qint64> now;
        now.reserve(keys.size());
        {
            Statement st = c->prepare(keySql, true);
            st.bindAll(keyParams);
            while (st.step())
                now.insert(st.columnInt(0));
        }
        std::vector<qint64> missing;
        for (const qint64 k : keys)
            if (!now.count(k))
                missing.push_back(k);
        now.clear();
        if (missing.empty()) {
            keysStale = false;
            return;
        }
        // Those no longer among the statement's rows: gone, or only changed.
        std::unordered_set<qint64> gone(missing.begin(), missing.end());
        Statement st = c->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2)")
                                      .arg(quoteIdent(table),
                                           QStringList(int(kBlock), QStringLiteral("?")).join(QLatin1Char(','))),
                                  true);
        for (size_t first = 0; first < missing.size(); first += size_t(kBlock)) {
            st.reset();
            for (qint64 i = 0; i < kBlock; ++i) {
                const size_t k = first + size_t(i);
                st.bind(int(i + 1), k < missing.size() ? QVariant(missing[k]) : QVariant());
            }
            while (st.step())
                gone.erase(st.columnInt(0));
        }
        st = Statement();
        keysStale = false;
        if (gone.empty())
            return;
        notify({Change::AboutToReload, 0, -1});
        std::vector<qint64> kept;
        kept.reserve(keys.size() - gone.size());
        qint64 before = 0;
        bool currentGone = false;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (!gone.count(keys[i])) {
                kept.push_back(keys[i]);
                continue;
            }
            if (qint64(i) < pos)
                ++before;
            else if (qint64(i) == pos && !onDeleted)
                currentGone = true;
        }
        keys.swap(kept);
        rowOfValid = false;
        clearBlocks();
        // As after a delete of this connection's: a recordset standing on a
        // row that went stays there, with the next row in its place.
        pos = std::clamp<qint64>(pos - before, -1, size());
        if (currentGone)
            onDeleted = true;
        notify({Change::Reloaded, 0, -1});
    }

    // ---- rows by number

    qint64 rowOfKey(qint64 key) const
    {
        if (mode == Mode::Snapshot)
            return key >= 0 && key < size() ? key : -1;
        if (mode != Mode::Keys)
            return -1;
        if (!rowOfValid) {
            rowOf.clear();
            rowOf.reserve(keys.size());
            for (size_t i = 0; i < keys.size(); ++i)
                rowOf.emplace(keys[i], qint64(i));
            rowOfValid = true;
        }
        const auto it = rowOf.find(key);
        return it == rowOf.end() ? -1 : it->second;
    }

    void requireRows() const
    {
        if (mode == Mode::Cursor)
            throw Error(QStringLiteral("Eine Tabelle hat keine nummerierten Zeilen; öffnen Sie eine Abfrage."));
    }

    Block &readBlock(qint64 first) const
    {
        Block *b = findBlock(first);
        if (!b) {
            b = &blocks[0];
            for (Block &k : blocks)
                if (k.lastUse < b->lastUse)
                    b = &k;
        }
        b->first = -1;
        b->lastUse = ++blockUse;
        const int columns = int(names.size());
        b->cells.resize(size_t(kBlock) * size_t(columns));
        b->present.assign(size_t(kBlock), 0);
        Statement st = c->prepare(blockSql, true);
        // The rows come in the order of their ids; each goes to its place.
        std::array<std::pair<qint64, qint64>, size_t(kBlock)> place;
        const qint64 n = std::min(kBlock, size() - first);
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
            QVariant *row = b->cells.data() + size_t(it->second) * size_t(columns);
            for (int i = 0; i < columns; ++i)
                row[i] = st.column(i + 1);
            b->present[size_t(it->second)] = 1;
        }
        b->first = first;
        lastBlock = int(b - blocks.data());
        return *b;
    }

    // One row by its id, with the recordset's columns; none when it is gone.
    std::optional<Row> readRow(qint64 rowid) const
    {
        Statement st = c->prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                      .arg(mode == Mode::Cursor ? QStringLiteral("*") : rowList, quoteIdent(table)),
                                  true);
        st.bind(1, rowid);
        if (!st.step())
            return std::nullopt;
        Row row(names.size());
        for (int k = 0; k < row.size(); ++k)
            row[k] = st.column(k);
        return row;
    }

    // The values of row i, one for each column.
    const QVariant *rowAt(qint64 i, bool sync = false) const
    {
        if (mode == Mode::Snapshot)
            return rows[i].constData();
        if (sync)
            c->syncExternal();
        const qint64 first = i - i % kBlock;
        Block *b = findBlock(first);
        if (!b || !b->present[size_t(i - first)])
            b = &readBlock(first);
        b->lastUse = ++blockUse;
        if (!b->present[size_t(i - first)])
            throw Error(kGone);
        return b->cells.data() + size_t(i - first) * size_t(names.size());
    }

    // ---- the cursor of a table recordset

    QStringList orderColumns() const
    {
        QStringList cols;
        for (const QString &f : indexFields)
            cols << quoteIdent(f);
        cols << QStringLiteral("rowid");
        return cols;
    }

    QString orderBy(int dir) const
    {
        QStringList cols = orderColumns();
        for (QString &col : cols)
            col += dir > 0 ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
        return cols.join(QStringLiteral(", "));
    }

    // A row the cursor lands on: its id and its values of the index fields.
    struct Hit
    {
        qint64 rowid;
        QVariantList order;
    };

    // The statement of one kind of cursor step, made once for the index.
    QString cursorStatement(const QString &key, const std::function<QString()> &make) const
    {
        auto it = cursorSql.constFind(key);
        if (it == cursorSql.constEnd())
            it = cursorSql.insert(key, make());
        return *it;
    }

    QString hitColumns() const
    {
        QStringList cols{QStringLiteral("rowid")};
        for (const QString &f : indexFields)
            cols << quoteIdent(f);
        return cols.join(QStringLiteral(", "));
    }

    std::optional<Hit> firstHit(const QString &sql, const QVariantList &params) const
    {
        Statement st = c->prepare(sql, true);
        st.bindAll(params);
        if (!st.step())
            return std::nullopt;
        Hit h{st.columnInt(0), {}};
        for (int k = 0; k < indexFields.size(); ++k)
            h.order << st.column(k + 1);
        return h;
    }

    // First row in the index order (dir 1) or last (dir -1) that meets
    // extra, if any. `key` names the statement when extra has values of its
    // own kind (a seek by its comparison).
    std::optional<Hit> endRow(int dir, const QString &extra = {}, const QVariantList &params = {},
                              const QString &key = {}) const
    {
        const QString sql = cursorStatement(key.isEmpty() ? QStringLiteral("e%1|").arg(dir) + extra : key, [&] {
            return QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT 1")
                .arg(hitColumns(), quoteIdent(table), extra.isEmpty() ? QString() : QStringLiteral(" WHERE ") + extra,
                     orderBy(dir));
        });
        return firstHit(sql, params);
    }

    // The row next to the current one in the index order, in direction dir,
    // that meets extra. Asked level by level (same values up to a field, then
    // a step in that field) so that each question is one range of the index.
    std::optional<Hit> neighbour(int dir, const QString &extra = {}, const QVariantList &params = {}) const
    {
        const QStringList cols = orderColumns();
        QVariantList vals = curOrder;
        vals << cur;
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
                if (level < indexFields.size())
                    steps << Null;
            }
            for (const Step step : steps) {
                const QString key = QStringLiteral("n%1|%2|%3|").arg(dir).arg(level).arg(int(step)) + extra;
                const QString sql = cursorStatement(key, [&] {
                    QStringList conds;
                    for (int k = 0; k < level; ++k)
                        conds << cols[k] + QStringLiteral(" IS ?");
                    static const char *const tests[] = {" IS NOT NULL", " > ?", " < ?", " IS NULL"};
                    conds << cols[level] + QLatin1String(tests[step]);
                    if (!extra.isEmpty())
                        conds << QLatin1Char('(') + extra + QLatin1Char(')');
                    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                        .arg(hitColumns(), quoteIdent(table), conds.join(QStringLiteral(" AND ")), orderBy(dir));
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

    // The current row is read when a value of it is asked for, not before:
    // a seek or a move alone needs only its place in the index.
    const Row &cursorRow() const
    {
        if (!curRow) {
            curRow = readRow(cur);
            if (!curRow)
                throw Error(kGone);
        }
        return *curRow;
    }

    void cursorTo(std::optional<Hit> hit, int dirIfNone)
    {
        onDeleted = false;
        curRow.reset();
        if (!hit) {
            if (dirIfNone > 0) {
                atEof = true;
                atBof = false;
            } else {
                atBof = true;
                atEof = false;
            }
            return;
        }
        cur = hit->rowid;
        curOrder = std::move(hit->order);
        atBof = atEof = false;
    }

    void cursorToEnd(int dir)
    {
        const auto r = endRow(dir);
        if (!r) {
            atBof = atEof = true;
            onDeleted = false;
            curRow.reset();
            return;
        }
        cursorTo(r, dir);
    }

    // ---- position

    bool eof() const
    {
        if (onDeleted)
            return false;
        if (mode == Mode::Cursor)
            return atEof;
        return pos >= size() || size() == 0;
    }

    bool bof() const
    {
        if (onDeleted)
            return false;
        if (mode == Mode::Cursor)
            return atBof;
        return pos < 0 || size() == 0;
    }

    void placeAt(qint64 i)
    {
        pos = std::clamp<qint64>(i, -1, size());
        onDeleted = false;
    }

    void requireRow() const
    {
        if (onDeleted)
            throw Error(QStringLiteral("Der Datensatz ist gelöscht."));
        if (eof() || bof())
            throw Error(kNoCurrent);
    }

    const QVariant *current() const
    {
        requireRow();
        if (mode == Mode::Cursor)
            return cursorRow().constData();
        return rowAt(pos);
    }

    qint64 currentKey() const
    {
        return mode == Mode::Cursor ? cur : keys[size_t(pos)];
    }

    void requireUpdatable() const
    {
        if (mode == Mode::Snapshot)
            throw Error(QStringLiteral("Diese Datensatzgruppe kann nicht geändert werden."));
    }

    int fieldIndex(const QString &name) const
    {
        // Callers spell a field the same way every time.
        if (const auto it = nameIndex.constFind(name); it != nameIndex.constEnd())
            return *it;
        for (int i = 0; i < names.size(); ++i) {
            if (names[i].compare(name, Qt::CaseInsensitive) == 0) {
                nameIndex.insert(name, i);
                return i;
            }
        }
        throw Error(QStringLiteral("Das Feld '%1' ist in dieser Datensatzgruppe nicht vorhanden.").arg(name));
    }

    // What the columns are (after names is filled, for Keys and Cursor).
    void describeColumns()
    {
        enum { Other = -1, Integer = 0, Text = 1 };
        QHash<QString, int> affinity; // by the lower-case name
        int foreign = 0;
        {
            Statement st = c->prepare(QStringLiteral("SELECT name, type, hidden FROM pragma_table_xinfo(?)"), true);
            st.bind(1, table);
            while (st.step()) {
                const QString type = st.column(1).toString().toUpper();
                affinity.insert(st.column(0).toString().toLower(),
                                type.contains(QLatin1String("INT")) ? Integer
                                    : type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("TEXT"))
                                        || type.contains(QLatin1String("CLOB"))
                                    ? Text
                                    : Other);
                if (st.columnInt(2) != 0)
                    ++foreign; // a computed column
            }
        }
        {
            Statement st = c->prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                                                     "tbl_name = ? COLLATE NOCASE AND name NOT IN (?, ?)"),
                                      true);
            st.bindAll({table, table + QStringLiteral("$ins"), table + QStringLiteral("$upd")});
            if (st.step())
                foreign += int(st.columnInt(0));
        }
        columnType.assign(size_t(names.size()), Other);
        autoColumn.assign(size_t(names.size()), 0);
        for (int i = 0; i < names.size(); ++i) {
            columnType[size_t(i)] = affinity.value(names[i].toLower(), Other);
            const FieldDef *f = def->field(names[i]);
            autoColumn[size_t(i)] = f && f->autoIncrement;
        }
        wholeRows = foreign == 0 && (mode == Mode::Cursor || rowList.trimmed() == QLatin1String("*"));
    }

    // The values an update is about to store, as a read would give them
    // back, where that is certain: whole numbers into whole-number fields,
    // texts into text fields, nulls. Anything else is read back instead.
    void noteWritten()
    {
        written.clear();
        writtenKnown = wholeRows;
        for (int i = 0; writtenKnown && i < names.size(); ++i) {
            if (!assigned[i])
                continue;
            const QVariant &v = buffer[i];
            QVariant stored;
            if (v.isValid() && !v.isNull()) {
                switch (v.typeId()) {
                case QMetaType::Bool:
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::Short:
                case QMetaType::UShort:
                case QMetaType::Long:
                case QMetaType::LongLong:
                case QMetaType::UChar:
                case QMetaType::SChar:
                    writtenKnown = columnType[size_t(i)] == 0;
                    stored = qlonglong(v.toLongLong());
                    break;
                case QMetaType::QString: {
                    const QString t = v.toString();
                    writtenKnown = columnType[size_t(i)] == 1 && !t.isEmpty() && t.isValidUtf16();
                    stored = t;
                    break;
                }
                default:
                    writtenKnown = false;
                }
            }
            written.emplace_back(i, stored);
        }
    }

    // The place of one row in the cursor's index.
    std::optional<Hit> hitOf(qint64 rowid) const
    {
        const QString sql = cursorStatement(QStringLiteral("h"), [&] {
            return QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(hitColumns(), quoteIdent(table));
        });
        return firstHit(sql, {rowid});
    }

    QVariant valueAt(int i) const
    {
        if (i < 0 || i >= names.size())
            throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(i));
        if (edit != EditMode::None)
            return buffer[i];
        return current()[i];
    }

    // ---- finding

    // Searches rows from..(end) in direction step (Keys and Snapshot).
    void findRows(const QString &criteria, qint64 from, int step)
    {
        edit = EditMode::None;
        if (mode == Mode::Snapshot) {
            findInSnapshot(criteria, from, step);
            return;
        }
        const Criteria crit = parseCriteria(criteria, names, [&](int i) { return quoteIdent(names[i]); });
        // The key field names its row at once.
        if (crit.equalsValue && crit.equalsField.compare(keyField, Qt::CaseInsensitive) == 0 && !keyField.isEmpty()) {
            const qint64 row = rowOfKey(*crit.equalsValue);
            const bool ahead = step > 0 ? row >= from : row <= from;
            found(row >= 0 && ahead ? row : -1);
            return;
        }
        // Criteria an index answers (FVok = 'Haus') are asked of the whole
        // table, and the few rows found are placed by their keys.
        if (indexAnswers(crit)) {
            constexpr int kMost = 4096;
            Statement st = c->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2 LIMIT %3")
                                          .arg(quoteIdent(table), crit.where)
                                          .arg(kMost + 1),
                                      true);
            st.bindAll(crit.params);
            std::vector<qint64> rowids;
            while (st.step() && rowids.size() <= size_t(kMost))
                rowids.push_back(st.columnInt(0));
            if (rowids.size() <= size_t(kMost)) {
                qint64 best = -1;
                for (qint64 id : rowids) {
                    const qint64 row = rowOfKey(id);
                    if (row < 0 || (step > 0 ? row < from : row > from))
                        continue;
                    if (best < 0 || (step > 0 ? row < best : row > best))
                        best = row;
                }
                found(best);
                return;
            }
        }
        // Otherwise in widening blocks from the start, so a match close by
        // is found quickly and a long search costs few statements.
        qint64 width = 32;
        for (qint64 i = from; i >= 0 && i < size();) {
            const qint64 lo = step > 0 ? i : std::max<qint64>(0, i - width + 1);
            const qint64 hi = step > 0 ? std::min(size() - 1, i + width - 1) : i;
            const qint64 n = hi - lo + 1;
            Statement st = c->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2) AND (%3)")
                                          .arg(quoteIdent(table),
                                               QStringList(int(width), QStringLiteral("?")).join(QLatin1Char(',')),
                                               crit.where),
                                      true);
            for (qint64 k = 0; k < width; ++k)
                st.bind(int(k + 1), k < n ? QVariant(keys[size_t(lo + k)]) : QVariant());
            st.bindAll(crit.params, int(width) + 1);
            std::unordered_set<qint64> hits;
            while (st.step())
                hits.insert(st.columnInt(0));
            if (!hits.empty()) {
                for (qint64 k = step > 0 ? lo : hi; k >= lo && k <= hi; k += step) {
                    if (hits.count(keys[size_t(k)])) {
                        found(k);
                        return;
                    }
                }
            }
            i = step > 0 ? hi + 1 : lo - 1;
            width = std::min<qint64>(width * 2, 1024);
        }
        found(-1);
    }

    // Whether SQLite would find the rows of the criteria through an index
    // rather than by reading the whole table.
    mutable QHash<QString, bool> indexPlans;
    bool indexAnswers(const Criteria &crit) const
    {
        auto it = indexPlans.constFind(crit.where);
        if (it != indexPlans.constEnd())
            return *it;
        Statement st = c->prepare(
            QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid FROM %1 WHERE %2").arg(quoteIdent(table), crit.where));
        st.bindAll(crit.params);
        bool indexed = true;
        while (st.step())
            if (st.column(3).toString().startsWith(QStringLiteral("SCAN")))
                indexed = false;
        indexPlans.insert(crit.where, indexed);
        return indexed;
    }

    void findInSnapshot(const QString &criteria, qint64 from, int step)
    {
        // Each row's values are bound to one compiled test; fields compare
        // in the German order as they do in the tables.
        const int fieldBase = 1000;
        const Criteria crit = parseCriteria(
            criteria, names,
            [&](int i) { return QStringLiteral("(?%1 COLLATE %2)").arg(fieldBase + 1 + i).arg(QLatin1String(kGermanCollation)); },
            [](int k) { return QStringLiteral("?%1").arg(k + 1); });
        Statement st = c->prepare(QStringLiteral("SELECT 1 WHERE ") + crit.where, true);
        for (qint64 i = from; i >= 0 && i < size(); i += step) {
            st.reset();
            st.bindAll(crit.params, 1);
            // Only the fields the criteria names have a mark in the test.
            const int marks = sqlite3_bind_parameter_count(st.get());
            for (int f = 0; f < rows[i].size() && fieldBase + 1 + f <= marks; ++f)
                st.bind(fieldBase + 1 + f, rows[i][f]);
            if (st.step()) {
                found(i);
                return;
            }
        }
        found(-1);
    }

    void found(qint64 row)
    {
        noMatch = row < 0;
        if (row >= 0)
            placeAt(row);
    }

    void findCursor(const QString &criteria, int from /* 0 first, 1 next, -1 previous, 2 last */)
    {
        edit = EditMode::None;
        const Criteria crit = parseCriteria(criteria, names, [&](int i) { return quoteIdent(names[i]); });
        std::optional<Hit> r;
        if (from == 0 || (from == 1 && atBof && !onDeleted))
            r = endRow(1, crit.where, crit.params);
        else if (from == 2 || (from == -1 && atEof && !onDeleted))
            r = endRow(-1, crit.where, crit.params);
        else if ((from == 1 && atEof) || (from == -1 && atBof))
            r.reset();
        else
            r = neighbour(from, crit.where, crit.params);
        noMatch = !r;
        if (r)
            cursorTo(r, 1);
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

namespace {

void loadKeys(Recordset::Impl &d)
{
    d.keys.clear();
    d.rowOfValid = false;
    d.clearBlocks();
    Statement st = d.c->prepare(d.keySql, true);
    st.bindAll(d.keyParams);
    while (st.step())
        d.keys.push_back(st.columnInt(0));
}

// A snapshot's statement run whole: its rows, and its column names the
// first time.
std::vector<Row> readSnapshot(Recordset::Impl &d)
{
    Statement st = d.c->prepare(d.keySql, true);
    st.bindAll(d.keyParams);
    if (d.names.isEmpty())
        for (int i = 0; i < st.columnCount(); ++i)
            d.names << st.columnName(i);
    std::vector<Row> rows;
    while (st.step()) {
        Row row(d.names.size());
        for (int i = 0; i < row.size(); ++i)
            row[i] = st.column(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

QString autoNumberField(const TableDef &def)
{
    for (const FieldDef &f : def.fields)
        if (f.autoIncrement)
            return f.name;
    return QString();
}

} // namespace

std::shared_ptr<Recordset> openRecordsetOn(const std::shared_ptr<Connection> &c, const QString &source,
                                           RecordsetType type)
{
    auto d = std::make_unique<Recordset::Impl>();
    d->c = c;
    d->type = type;

    QString snapshotSql;
    QVariantList snapshotParams;
    if (type == RecordsetType::Table) {
        const QString name = source.trimmed();
        d->def = c->findTableDef(name);
        if (!d->def)
            throw Error(QStringLiteral("Die Tabelle '%1' ist nicht vorhanden.").arg(name));
        if (d->def->isAttached()) {
            snapshotSql = QStringLiteral("SELECT * FROM %1").arg(quoteIdent(d->def->name));
        } else {
            d->mode = Mode::Cursor;
            d->table = d->def->name;
        }
    } else {
        if (source.trimmed().isEmpty())
            throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
        const BoundSql bound = bindLiterals(source);
        const std::optional<SimpleSelect> simple = parseSimpleSelect(bound.sql);
        const QString real = simple ? c->realTableName(simple->table) : QString();
        if (!real.isEmpty()) {
            d->def = c->findTableDef(real);
            d->mode = Mode::Keys;
            d->table = d->def->name;
            d->rowList = simple->selectList;
            d->keySql = QStringLiteral("SELECT %1.rowid FROM %2").arg(quoteIdent(simple->table), simple->fromRest);
            d->keyParams = bound.params;
        } else {
            snapshotSql = bound.sql;
            snapshotParams = bound.params;
        }
    }

    if (d->mode == Mode::Snapshot) {
        d->keySql = snapshotSql;
        d->keyParams = snapshotParams;
        const std::vector<Row> rows = readSnapshot(*d);
        d->rows = QVector<Row>(rows.begin(), rows.end());
        d->placeAt(0);
    } else {
        d->keyField = autoNumberField(*d->def);
        const QString list = d->mode == Mode::Cursor ? QStringLiteral("*") : d->rowList;
        {
            Statement st = c->prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(list, quoteIdent(d->table)),
                                      true);
            for (int i = 0; i < st.columnCount(); ++i)
                d->names << st.columnName(i);
        }
        d->describeColumns();
        d->blockSql = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                          .arg(d->rowList, quoteIdent(d->table),
                               QStringList(int(Recordset::Impl::kBlock), QStringLiteral("?")).join(QLatin1Char(',')));
        c->addSink(d.get());
        c->syncExternal();
        if (d->mode == Mode::Keys) {
            loadKeys(*d);
            d->placeAt(0);
        } else {
            d->cursorToEnd(1);
        }
    }
    return std::shared_ptr<Recordset>(new Recordset(std::move(d)));
}

RecordsetType Recordset::type() const
{
    return d->type;
}

bool Recordset::updatable() const
{
    return d->mode != Mode::Snapshot;
}

int Recordset::fieldCount() const
{
    return int(d->names.size());
}

QString Recordset::fieldName(int position) const
{
    if (position < 0 || position >= d->names.size())
        throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(position));
    return d->names[position];
}

QStringList Recordset::fieldNames() const
{
    return d->names;
}

bool Recordset::hasField(const QString &name) const
{
    return d->names.contains(name, Qt::CaseInsensitive);
}

QVariant Recordset::value(const QString &name) const
{
    return d->valueAt(d->fieldIndex(name));
}

QVariant Recordset::value(int position) const
{
    return d->valueAt(position);
}

QString Recordset::text(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? QString() : v.toString();
}

bool Recordset::isNull(const QString &name) const
{
    return value(name).isNull();
}

bool Recordset::eof() const
{
    return d->eof();
}

bool Recordset::bof() const
{
    return d->bof();
}

void Recordset::moveFirst()
{
    d->edit = EditMode::None;
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->cursorToEnd(1);
    else
        d->placeAt(d->size() == 0 ? d->size() : 0);
}

void Recordset::moveLast()
{
    d->edit = EditMode::None;
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->cursorToEnd(-1);
    else
        d->placeAt(d->size() == 0 ? d->size() : d->size() - 1);
}

void Recordset::moveNext()
{
    if (d->eof())
        throw Error(kNoCurrent);
    d->edit = EditMode::None;
    d->catchUp();
    if (d->mode == Mode::Cursor) {
        if (d->atBof && !d->onDeleted)
            d->cursorToEnd(1);
        else
            d->cursorTo(d->neighbour(1), 1);
        return;
    }
    // After a delete the next row has already moved into the current place.
    d->placeAt(d->onDeleted ? d->pos : d->pos + 1);
}

void Recordset::movePrevious()
{
    if (d->bof())
        throw Error(kNoCurrent);
    d->edit = EditMode::None;
    d->catchUp();
    if (d->mode == Mode::Cursor) {
        if (d->atEof && !d->onDeleted)
            d->cursorToEnd(-1);
        else
            d->cursorTo(d->neighbour(-1), -1);
        return;
    }
    d->placeAt(d->pos - 1);
}

int Recordset::recordCount() const
{
    if (d->mode == Mode::Cursor)
        return d->c->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdent(d->table))).toInt();
    return int(d->size());
}

void Recordset::findFirst(const QString &criteria)
{
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->findCursor(criteria, 0);
    else
        d->findRows(criteria, 0, 1);
}

void Recordset::findNext(const QString &criteria)
{
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->findCursor(criteria, 1);
    else
        d->findRows(criteria, d->onDeleted ? d->pos : d->pos + 1, 1);
}

void Recordset::findPrevious(const QString &criteria)
{
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->findCursor(criteria, -1);
    else
        d->findRows(criteria, std::min(d->pos - 1, d->size() - 1), -1);
}

void Recordset::findLast(const QString &criteria)
{
    d->catchUp();
    if (d->mode == Mode::Cursor)
        d->findCursor(criteria, 2);
    else
        d->findRows(criteria, d->size() - 1, -1);
}

bool Recordset::noMatch() const
{
    return d->noMatch;
}

void Recordset::setIndex(const QString &indexName)
{
    if (d->mode != Mode::Cursor)
        throw Error(QStringLiteral("Ein Index kann nur bei einer Tabelle gewählt werden."));
    for (const IndexDef &i : d->def->indexes) {
        if (i.name.compare(indexName, Qt::CaseInsensitive) != 0)
            continue;
        QStringList fields;
        for (const QString &f : i.fields) {
            const FieldDef *fd = d->def->field(f);
            if (!fd || !d->names.contains(fd->name, Qt::CaseInsensitive))
                throw Error(QStringLiteral("Der Index '%1' der Tabelle '%2' nennt das Feld '%3', das die Tabelle "
                                           "nicht hat.")
                                .arg(i.name, d->table, f));
            fields << fd->name;
        }
        d->indexName = i.name;
        d->indexFields = fields;
        d->cursorSql.clear();
        d->seekSql = {};
        // A new order starts at its first row.
        d->edit = EditMode::None;
        d->cursorToEnd(1);
        return;
    }
    throw Error(QStringLiteral("'%1' ist kein Index der Tabelle '%2'.").arg(indexName, d->table));
}

QString Recordset::index() const
{
    return d->indexName;
}

void Recordset::seek(const QString &comparison, const QVariant &key)
{
    if (d->indexFields.isEmpty())
        throw Error(QStringLiteral("Vor dem Suchen muss ein Index gewählt werden."));
    static const std::array<QString, 5> ops = {QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"),
                                               QStringLiteral("<="), QStringLiteral(">=")};
    auto op = std::find(ops.begin(), ops.end(), comparison);
    if (op == ops.end())
        op = std::find(ops.begin(), ops.end(), comparison.trimmed());
    if (op == ops.end())
        throw Error(QStringLiteral("'%1' ist kein gültiger Vergleich für die Suche.").arg(comparison));
    d->edit = EditMode::None;
    const bool backwards = op->startsWith(QLatin1Char('<'));
    // A seek is asked often (each card the entry form or a sound looks up):
    // its statement is made once for each comparison and index.
    QString &sql = d->seekSql[size_t(op - ops.begin())];
    if (sql.isEmpty())
        sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4 ? ORDER BY %5 LIMIT 1")
                  .arg(d->hitColumns(), quoteIdent(d->table), quoteIdent(d->indexFields.first()), *op,
                       d->orderBy(backwards ? -1 : 1));
    Statement st = d->c->prepare(sql, true);
    st.bind(1, key);
    d->noMatch = !st.step();
    if (d->noMatch)
        return;
    Recordset::Impl::Hit hit{st.columnInt(0), {}};
    for (int k = 0; k < d->indexFields.size(); ++k)
        hit.order << st.column(k + 1);
    st = Statement();
    d->cursorTo(std::move(hit), 1);
}

void Recordset::edit()
{
    d->requireUpdatable();
    // The edit starts from the row as it is stored now.
    d->catchUp();
    const QVariant *row = d->current();
    d->buffer = Row(row, row + d->names.size());
    d->editKey = d->currentKey();
    d->assigned = QVector<bool>(d->names.size(), false);
    d->edit = EditMode::Edit;
}

void Recordset::addNew()
{
    d->requireUpdatable();
    d->buffer = Row(d->names.size());
    d->assigned = QVector<bool>(d->names.size(), false);
    for (int i = 0; i < d->names.size(); ++i) {
        const FieldDef *f = d->def->field(d->names[i]);
        if (!f)
            continue;
        if (f->autoIncrement) {
            // Callers use the new row's number before it is saved (sound file
            // names are made from it), so it is taken now: no other insert,
            // here or in another program, can get it any more.
            const QString seq = QStringLiteral("sqlite_sequence");
            d->c->exec(QStringLiteral("SAVEPOINT vkreserve"));
            try {
                d->c->execChanges(QStringLiteral("INSERT INTO %1 (name, seq) SELECT ?, 0 WHERE NOT EXISTS "
                                                 "(SELECT 1 FROM %1 WHERE name = ?)")
                                      .arg(seq),
                                  {d->table, d->table});
                d->c->execChanges(QStringLiteral("UPDATE %1 SET seq = max(seq, coalesce((SELECT max(rowid) FROM %2), "
                                                 "0)) + 1 WHERE name = ?")
                                      .arg(seq, quoteIdent(d->table)),
                                  {d->table});
                d->buffer[i] = d->c->scalar(QStringLiteral("SELECT seq FROM %1 WHERE name = ?").arg(seq), {d->table});
                d->c->exec(QStringLiteral("RELEASE vkreserve"));
            } catch (const Error &) {
                d->c->exec(QStringLiteral("ROLLBACK TO vkreserve"));
                d->c->exec(QStringLiteral("RELEASE vkreserve"));
                throw;
            }
            d->assigned[i] = true;
        } else if (f->defaultValue.isValid() && !f->defaultValue.isNull()) {
            d->buffer[i] = f->type == FieldType::Text ? QVariant(f->defaultValue.toString())
                                                      : QVariant(f->defaultValue.toLongLong());
        }
    }
    d->edit = EditMode::AddNew;
}

void Recordset::setValue(const QString &name, const QVariant &value)
{
    if (d->edit == EditMode::None)
        throw Error(QStringLiteral("Der Datensatz wurde nicht zum Bearbeiten geöffnet (Edit oder AddNew fehlt)."));
    const int i = d->fieldIndex(name);
    if (d->autoColumn[size_t(i)])
        throw Error(QStringLiteral("Das Feld '%1' ist ein AutoWert und kann nicht geändert werden.")
                        .arg(d->def->field(d->names[i])->name));
    d->buffer[i] = value;
    d->assigned[i] = true;
}

void Recordset::update()
{
    if (d->edit == EditMode::None)
        throw Error(QStringLiteral("Der Datensatz wurde nicht zum Bearbeiten geöffnet (Edit oder AddNew fehlt)."));
    QVariantList values;
    for (int i = 0; i < d->names.size(); ++i)
        if (d->assigned[i])
            values << d->buffer[i];
    const auto columnList = [&] {
        QStringList cols;
        for (int i = 0; i < d->names.size(); ++i)
            if (d->assigned[i])
                cols << quoteIdent(d->names[i]);
        return cols;
    };
    if (d->edit == EditMode::AddNew) {
        const QStringList cols = columnList();
        const QString sql = cols.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(d->table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdent(d->table), cols.join(QStringLiteral(", ")),
                       QStringList(cols.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        d->adding = true;
        try {
            d->c->execChanges(sql, values);
        } catch (...) {
            d->adding = false;
            throw;
        }
        d->adding = false;
    } else {
        // The row the edit began on, even if another statement has deleted
        // it since and a dynaset has moved the next row into its place.
        const qint64 key = d->editKey;
        if (values.isEmpty()) {
            if (d->c->scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE rowid = ?").arg(quoteIdent(d->table)), {key})
                    .toInt()
                == 0)
                throw Error(kGone);
        } else {
            // One statement for each set of fields written, made once.
            quint64 mask = 0;
            const bool maskable = d->names.size() <= 64;
            for (int i = 0; maskable && i < d->names.size(); ++i)
                if (d->assigned[i])
                    mask |= quint64(1) << i;
            QString sql = maskable ? d->updateSql.value(mask) : QString();
            if (sql.isEmpty()) {
                QStringList sets;
                for (const QString &col : columnList())
                    sets << col + QStringLiteral(" = ?");
                sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                          .arg(quoteIdent(d->table), sets.join(QStringLiteral(", ")));
                if (maskable)
                    d->updateSql.insert(mask, sql);
            }
            d->noteWritten();
            values << key;
            d->updatingKey = key;
            d->updatingRow = d->mode == Mode::Keys && !d->onDeleted && d->pos >= 0 && d->pos < d->size()
                    && d->keys[size_t(d->pos)] == key
                ? d->pos
                : -1;
            int changed = 0;
            try {
                changed = d->c->execChanges(sql, values);
            } catch (...) {
                d->updatingKey.reset();
                d->writtenKnown = false;
                throw;
            }
            d->updatingKey.reset();
            d->writtenKnown = false;
            // Another statement or program deleted the row meanwhile: the
            // change went nowhere and must not pass for saved.
            if (changed == 0)
                throw Error(kGone);
        }
        if (d->mode == Mode::Cursor) {
            // The row keeps its place under its new values.
            if (d->cur == key && d->curRow) {
                d->curOrder.clear();
                for (const QString &f : d->indexFields)
                    d->curOrder << (*d->curRow)[d->fieldIndex(f)];
            } else {
                d->cursorTo(d->hitOf(key), 1);
            }
        }
    }
    d->edit = EditMode::None;
}

void Recordset::cancelUpdate()
{
    d->edit = EditMode::None;
}

void Recordset::deleteCurrent()
{
    d->requireUpdatable();
    d->requireRow();
    d->edit = EditMode::None;
    const qint64 key = d->currentKey();
    const int changed
        = d->c->execChanges(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(d->table)), {key});
    if (changed == 0)
        throw Error(kGone);
    // A dynaset has dropped the row on hearing of the delete; the cursor
    // keeps the row's place so that moving on works.
    d->onDeleted = true;
    d->curRow.reset();
}

EditMode Recordset::editMode() const
{
    return d->edit;
}

qint64 Recordset::rowCount() const
{
    d->requireRows();
    return d->size();
}

QVariant Recordset::valueAt(qint64 row, int field) const
{
    d->requireRows();
    if (row < 0 || row >= d->size())
        throw Error(QStringLiteral("Die Zeile %1 gibt es in dieser Datensatzgruppe nicht.").arg(row));
    if (field < 0 || field >= d->names.size())
        throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(field));
    // A list reads a line from its first field on: once per line it looks
    // for other connections' commits.
    const bool sync = field == 0 || row != d->lastListRow;
    d->lastListRow = row;
    return d->rowAt(row, sync)[field];
}

qint64 Recordset::keyOfRow(qint64 row) const
{
    d->requireRows();
    if (row < 0 || row >= d->size())
        throw Error(QStringLiteral("Die Zeile %1 gibt es in dieser Datensatzgruppe nicht.").arg(row));
    return d->mode == Mode::Keys ? d->keys[size_t(row)] : row;
}

qint64 Recordset::rowOfKey(qint64 key) const
{
    d->requireRows();
    return d->rowOfKey(key);
}

void Recordset::requery()
{
    d->edit = EditMode::None;
    if (d->mode == Mode::Cursor) {
        d->cursorToEnd(1);
        return;
    }
    const bool had = !d->onDeleted && d->pos >= 0 && d->pos < d->size();
    if (d->mode == Mode::Snapshot) {
        const qint64 at = had ? d->pos : 0;
        std::vector<Row> fresh = readSnapshot(*d);
        d->notify({Change::AboutToReload, 0, -1});
        d->rows = QVector<Row>(fresh.begin(), fresh.end());
        d->placeAt(std::min(at, d->size()));
        d->notify({Change::Reloaded, 0, -1});
        return;
    }
    const qint64 key = had ? d->keys[size_t(d->pos)] : 0;
    d->c->syncExternal();
    d->notify({Change::AboutToReload, 0, -1});
    try {
        loadKeys(*d);
    } catch (...) {
        d->keys.clear();
        d->placeAt(0);
        d->notify({Change::Reloaded, 0, -1});
        throw;
    }
    d->keysStale = false;
    const qint64 row = had ? d->rowOfKey(key) : -1;
    d->placeAt(row >= 0 ? row : 0);
    d->notify({Change::Reloaded, 0, -1});
}

int Recordset::addListener(Listener listener)
{
    const int id = d->nextListener++;
    d->listeners.insert(id, std::move(listener));
    return id;
}

void Recordset::removeListener(int id)
{
    d->listeners.remove(id);
}

} // namespace store
