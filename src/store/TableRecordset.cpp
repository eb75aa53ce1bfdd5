// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TableRecordset.h"

namespace store {

TableRecordset::TableRecordset(std::shared_ptr<Connection> connection, RecordsetType recordsetType, TableDef def,
                               QString rowList)
    : Impl(std::move(connection), recordsetType), def_(std::move(def)), table_(def_.name), rowList_(std::move(rowList))
{
    rowSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(rowList_, quoteIdent(table_));
    {
        Statement st = c->prepare(rowSql_, true);
        for (int i = 0; i < st.columnCount(); ++i)
            names << st.columnName(i);
    }
    describeColumns();
}

TableRecordset::~TableRecordset()
{
    c->changes().removeSink(this);
}

void TableRecordset::startWatching()
{
    c->changes().addSink(this);
    c->changes().syncExternal();
}

void TableRecordset::rowChanged(int op, const QString &table, qint64 rowid)
{
    if (table.compare(table_, Qt::CaseInsensitive) == 0)
        tableRowChanged(op, rowid);
}

std::optional<Row> TableRecordset::readRow(qint64 rowid) const
{
    Statement st = c->prepare(rowSql_, true);
    st.bind(1, rowid);
    if (!st.step())
        return std::nullopt;
    Row row(names.size());
    for (int k = 0; k < row.size(); ++k)
        row[k] = st.column(k);
    return row;
}

bool TableRecordset::refreshHeld(qint64 rowid, QVariant *held, bool readBack) const
{
    if (!updating(rowid))
        return false;
    if (writtenKnown_) {
        for (const auto &[column, value] : written_)
            held[column] = value;
        return true;
    }
    if (!readBack)
        return false;
    std::optional<Row> fresh = readRow(rowid);
    if (!fresh)
        return false;
    std::move(fresh->begin(), fresh->end(), held);
    return true;
}

void TableRecordset::describeColumns()
{
    enum { Other = -1, Integer = 0, Text = 1 };
    QHash<QString, int> affinity; // by the lower-case name
    int foreign = 0;
    {
        Statement st = c->prepare(QStringLiteral("SELECT name, type, hidden FROM pragma_table_xinfo(?)"), true);
        st.bind(1, table_);
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
        st.bindAll({table_, table_ + QStringLiteral("$ins"), table_ + QStringLiteral("$upd")});
        if (st.step())
            foreign += int(st.columnInt(0));
    }
    columnType_.assign(size_t(names.size()), Other);
    autoColumn_.assign(size_t(names.size()), 0);
    for (int i = 0; i < names.size(); ++i) {
        columnType_[size_t(i)] = affinity.value(names[i].toLower(), Other);
        const FieldDef *f = def_.field(names[i]);
        autoColumn_[size_t(i)] = f && f->autoIncrement;
    }
    wholeRows_ = foreign == 0 && rowList_.trimmed() == QLatin1String("*");
}

// The values an update is about to store, as a read would give them back,
// where that is certain: whole numbers into whole-number fields, texts into
// text fields, nulls. Anything else is read back instead.
void TableRecordset::noteWritten()
{
    written_.clear();
    writtenKnown_ = wholeRows_;
    for (int i = 0; writtenKnown_ && i < names.size(); ++i) {
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
                writtenKnown_ = columnType_[size_t(i)] == 0;
                stored = qlonglong(v.toLongLong());
                break;
            case QMetaType::QString: {
                const QString t = v.toString();
                writtenKnown_ = columnType_[size_t(i)] == 1 && !t.isEmpty() && t.isValidUtf16();
                stored = t;
                break;
            }
            default:
                writtenKnown_ = false;
            }
        }
        written_.emplace_back(i, stored);
    }
}

void TableRecordset::edit()
{
    // The edit starts from the row as it is stored now.
    catchUp();
    const QVariant *row = current();
    buffer = Row(row, row + names.size());
    editKey_ = currentKey();
    assigned = QVector<bool>(names.size(), false);
    editing = EditMode::Edit;
}

void TableRecordset::addNew()
{
    buffer = Row(names.size());
    assigned = QVector<bool>(names.size(), false);
    for (int i = 0; i < names.size(); ++i) {
        const FieldDef *f = def_.field(names[i]);
        if (!f)
            continue;
        if (f->autoIncrement) {
            // Callers use the new row's number before it is saved (sound file
            // names are made from it), so it is taken now: no other insert,
            // here or in another program, can get it any more.
            const QString seq = QStringLiteral("sqlite_sequence");
            c->exec(QStringLiteral("SAVEPOINT vkreserve"));
            try {
                c->execChanges(QStringLiteral("INSERT INTO %1 (name, seq) SELECT ?, 0 WHERE NOT EXISTS "
                                              "(SELECT 1 FROM %1 WHERE name = ?)")
                                   .arg(seq),
                               {table_, table_});
                c->execChanges(QStringLiteral("UPDATE %1 SET seq = max(seq, coalesce((SELECT max(rowid) FROM %2), "
                                              "0)) + 1 WHERE name = ?")
                                   .arg(seq, quoteIdent(table_)),
                               {table_});
                buffer[i] = c->scalar(QStringLiteral("SELECT seq FROM %1 WHERE name = ?").arg(seq), {table_});
                c->exec(QStringLiteral("RELEASE vkreserve"));
            } catch (const Error &) {
                c->exec(QStringLiteral("ROLLBACK TO vkreserve"));
                c->exec(QStringLiteral("RELEASE vkreserve"));
                throw;
            }
            assigned[i] = true;
        } else if (f->defaultValue.isValid() && !f->defaultValue.isNull()) {
            buffer[i] = f->type == FieldType::Text ? QVariant(f->defaultValue.toString())
                                                   : QVariant(f->defaultValue.toLongLong());
        }
    }
    editing = EditMode::AddNew;
}

void TableRecordset::setValue(int column, const QVariant &value)
{
    if (autoColumn_[size_t(column)])
        throw Error(QStringLiteral("Das Feld '%1' ist ein AutoWert und kann nicht geändert werden.")
                        .arg(def_.field(names[column])->name));
    buffer[column] = value;
    assigned[column] = true;
}

void TableRecordset::update()
{
    QVariantList values;
    QStringList columns;
    for (int i = 0; i < names.size(); ++i) {
        if (assigned[i]) {
            values << buffer[i];
            columns << quoteIdent(names[i]);
        }
    }
    if (editing == EditMode::AddNew) {
        const QString sql = columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(table_))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdent(table_), columns.join(QStringLiteral(", ")),
                       QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        adding_ = true;
        try {
            c->execChanges(sql, values);
        } catch (...) {
            adding_ = false;
            throw;
        }
        adding_ = false;
        return;
    }
    // The row the edit began on, even if another statement has deleted it
    // since and a dynaset has moved the next row into its place.
    const qint64 key = editKey_;
    if (values.isEmpty()) {
        if (c->scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE rowid = ?").arg(quoteIdent(table_)), {key}).toInt()
            == 0)
            throw Error(kGone);
    } else {
        updateRow(key, std::move(values));
    }
    updated(key);
}

// One statement for each set of fields written, made once.
QString TableRecordset::updateStatement()
{
    quint64 mask = 0;
    const bool maskable = names.size() <= 64;
    for (int i = 0; maskable && i < names.size(); ++i)
        if (assigned[i])
            mask |= quint64(1) << i;
    QString sql = maskable ? updateSql_.value(mask) : QString();
    if (sql.isEmpty()) {
        QStringList sets;
        for (int i = 0; i < names.size(); ++i)
            if (assigned[i])
                sets << quoteIdent(names[i]) + QStringLiteral(" = ?");
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoteIdent(table_), sets.join(QStringLiteral(", ")));
        if (maskable)
            updateSql_.insert(mask, sql);
    }
    return sql;
}

void TableRecordset::updateRow(qint64 key, QVariantList values)
{
    const QString sql = updateStatement();
    noteWritten();
    values << key;
    updatingKey_ = key;
    int changed = 0;
    try {
        changed = c->execChanges(sql, values);
    } catch (...) {
        updatingKey_.reset();
        writtenKnown_ = false;
        throw;
    }
    updatingKey_.reset();
    writtenKnown_ = false;
    // Another statement or program deleted the row meanwhile: the change
    // went nowhere and must not pass for saved.
    if (changed == 0)
        throw Error(kGone);
}

void TableRecordset::deleteCurrent()
{
    requireRow();
    editing = EditMode::None;
    const qint64 key = currentKey();
    const int changed = c->execChanges(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(table_)), {key});
    if (changed == 0)
        throw Error(kGone);
    // A dynaset has dropped the row on hearing of the delete; the cursor
    // keeps the row's place so that moving on works.
    onDeleted = true;
}

} // namespace store
