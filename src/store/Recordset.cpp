// SPDX-License-Identifier: GPL-3.0-or-later
// The public recordset: checks what every kind of recordset checks alike,
// and leaves the rest to its kind (RecordsetImpl.h).

#include "store/RecordsetImpl.h"
#include "store/SimpleSelect.h"

namespace store {

namespace {

const QString kNotEditing = QStringLiteral("Der Datensatz wurde nicht zum Bearbeiten geöffnet (Edit oder AddNew fehlt).");

std::unique_ptr<Recordset::Impl> openKind(const std::shared_ptr<Connection> &c, const QString &source,
                                          RecordsetType type)
{
    if (type == RecordsetType::Table) {
        const QString name = source.trimmed();
        const std::optional<TableDef> def = c->findTableDef(name);
        if (!def)
            throw Error(QStringLiteral("Die Tabelle '%1' ist nicht vorhanden.").arg(name));
        if (def->isAttached())
            return openSnapshot(c, type, QStringLiteral("SELECT * FROM %1").arg(quoteIdent(def->name)), {});
        return openTableCursor(c, *def);
    }
    if (source.trimmed().isEmpty())
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    const BoundSql bound = bindLiterals(source);
    const std::optional<SimpleSelect> simple = parseSimpleSelect(bound.sql);
    const QString real = simple ? c->realTableName(simple->table) : QString();
    if (real.isEmpty())
        return openSnapshot(c, type, bound.sql, bound.params);
    return openKeyedRows(c, *c->findTableDef(real), *simple, bound.params);
}

void requireRowNumber(const Recordset::Impl &d, qint64 row)
{
    if (row < 0 || row >= d.rowCount())
        throw Error(QStringLiteral("Die Zeile %1 gibt es in dieser Datensatzgruppe nicht.").arg(row));
}

} // namespace

std::shared_ptr<Recordset> openRecordsetOn(const std::shared_ptr<Connection> &c, const QString &source,
                                           RecordsetType type)
{
    return std::shared_ptr<Recordset>(new Recordset(openKind(c, source, type)));
}

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

RecordsetType Recordset::type() const
{
    return d->type;
}

bool Recordset::updatable() const
{
    return d->updatable();
}

int Recordset::fieldCount() const
{
    return int(d->names.size());
}

QString Recordset::fieldName(int position) const
{
    d->requireColumn(position);
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
    return d->value(d->fieldIndex(name));
}

QVariant Recordset::value(int position) const
{
    return d->value(position);
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
    d->editing = EditMode::None;
    d->catchUp();
    d->moveFirst();
}

void Recordset::moveLast()
{
    d->editing = EditMode::None;
    d->catchUp();
    d->moveLast();
}

void Recordset::moveNext()
{
    if (d->eof())
        throw Error(kNoCurrent);
    d->editing = EditMode::None;
    d->catchUp();
    d->moveNext();
}

void Recordset::movePrevious()
{
    if (d->bof())
        throw Error(kNoCurrent);
    d->editing = EditMode::None;
    d->catchUp();
    d->movePrevious();
}

int Recordset::recordCount() const
{
    return d->recordCount();
}

void Recordset::findFirst(const QString &criteria)
{
    d->catchUp();
    d->editing = EditMode::None;
    d->find(criteria, Find::First);
}

void Recordset::findNext(const QString &criteria)
{
    d->catchUp();
    d->editing = EditMode::None;
    d->find(criteria, Find::Next);
}

void Recordset::findPrevious(const QString &criteria)
{
    d->catchUp();
    d->editing = EditMode::None;
    d->find(criteria, Find::Previous);
}

void Recordset::findLast(const QString &criteria)
{
    d->catchUp();
    d->editing = EditMode::None;
    d->find(criteria, Find::Last);
}

bool Recordset::noMatch() const
{
    return d->noMatch;
}

void Recordset::setIndex(const QString &indexName)
{
    d->setIndex(indexName);
}

QString Recordset::index() const
{
    return d->index();
}

void Recordset::seek(const QString &comparison, const QVariant &key)
{
    d->seek(comparison, key);
}

void Recordset::edit()
{
    d->edit();
}

void Recordset::addNew()
{
    d->addNew();
}

void Recordset::setValue(const QString &name, const QVariant &value)
{
    if (d->editing == EditMode::None)
        throw Error(kNotEditing);
    d->setValue(d->fieldIndex(name), value);
}

void Recordset::update()
{
    if (d->editing == EditMode::None)
        throw Error(kNotEditing);
    d->update();
    d->editing = EditMode::None;
}

void Recordset::cancelUpdate()
{
    d->editing = EditMode::None;
}

void Recordset::deleteCurrent()
{
    d->deleteCurrent();
}

EditMode Recordset::editMode() const
{
    return d->editing;
}

qint64 Recordset::rowCount() const
{
    return d->rowCount();
}

QVariant Recordset::valueAt(qint64 row, int field) const
{
    requireRowNumber(*d, row);
    d->requireColumn(field);
    // A list reads a line from its first field on: once per line it looks
    // for other connections' commits.
    const bool sync = field == 0 || row != d->lastListRow;
    d->lastListRow = row;
    return d->rowAt(row, sync)[field];
}

qint64 Recordset::keyOfRow(qint64 row) const
{
    requireRowNumber(*d, row);
    return d->keyOfRow(row);
}

qint64 Recordset::rowOfKey(qint64 key) const
{
    return d->rowOfKey(key);
}

void Recordset::requery()
{
    d->editing = EditMode::None;
    d->requery();
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
