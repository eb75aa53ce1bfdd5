// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordsetImpl.h"

namespace store {

namespace {

Error notUpdatable()
{
    return Error(QStringLiteral("Diese Datensatzgruppe kann nicht geändert werden."));
}

Error notNumbered()
{
    return Error(QStringLiteral("Eine Tabelle hat keine nummerierten Zeilen; öffnen Sie eine Abfrage."));
}

} // namespace

Recordset::Impl::Impl(std::shared_ptr<Connection> connection, RecordsetType recordsetType)
    : c(std::move(connection)), type(recordsetType)
{
}

Recordset::Impl::~Impl() = default;

void Recordset::Impl::setIndex(const QString &)
{
    throw Error(QStringLiteral("Ein Index kann nur bei einer Tabelle gewählt werden."));
}

void Recordset::Impl::seek(const QString &, const QVariant &)
{
    throw Error(QStringLiteral("Vor dem Suchen muss ein Index gewählt werden."));
}

void Recordset::Impl::edit()
{
    throw notUpdatable();
}

void Recordset::Impl::addNew()
{
    throw notUpdatable();
}

void Recordset::Impl::setValue(int, const QVariant &)
{
    throw notUpdatable();
}

void Recordset::Impl::update()
{
    throw notUpdatable();
}

void Recordset::Impl::deleteCurrent()
{
    throw notUpdatable();
}

qint64 Recordset::Impl::rowCount() const
{
    throw notNumbered();
}

const QVariant *Recordset::Impl::rowAt(qint64, bool) const
{
    throw notNumbered();
}

qint64 Recordset::Impl::keyOfRow(qint64) const
{
    throw notNumbered();
}

qint64 Recordset::Impl::rowOfKey(qint64) const
{
    throw notNumbered();
}

void Recordset::Impl::requireRow() const
{
    if (onDeleted)
        throw Error(QStringLiteral("Der Datensatz ist gelöscht."));
    if (eof() || bof())
        throw Error(kNoCurrent);
}

void Recordset::Impl::requireColumn(int column) const
{
    if (column < 0 || column >= names.size())
        throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(column));
}

QVariant Recordset::Impl::value(int column) const
{
    requireColumn(column);
    if (editing != EditMode::None)
        return buffer[column];
    return current()[column];
}

int Recordset::Impl::fieldIndex(const QString &name) const
{
    // Callers spell a field the same way every time.
    if (const auto it = nameIndex_.constFind(name); it != nameIndex_.constEnd())
        return *it;
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) {
            nameIndex_.insert(name, i);
            return i;
        }
    }
    throw Error(QStringLiteral("Das Feld '%1' ist in dieser Datensatzgruppe nicht vorhanden.").arg(name));
}

void Recordset::Impl::notify(const Recordset::Change &change)
{
    const QHash<int, Recordset::Listener> ls = listeners;
    for (auto it = ls.begin(); it != ls.end(); ++it)
        if (listeners.contains(it.key()))
            it.value()(change);
}

} // namespace store
