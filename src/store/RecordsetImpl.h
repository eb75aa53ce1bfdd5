// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Inside of a recordset. The public Recordset checks what every kind checks
// alike and passes the rest on to one of three kinds behind this interface:
//
//   KeyedRows    a SELECT over one table: the row ids in the statement's
//                order, rows read in blocks when asked for (KeyedRows.cpp)
//   Snapshot     computed rows (counts, groups, joins, attached tables), all
//                of them in memory, read-only (Snapshot.cpp)
//   TableCursor  a table walked in the order of one of its indexes, one row
//                at a time (TableCursor.cpp)
//
// The two kinds over one table of the file share their writing in
// TableRecordset; the two kinds with numbered rows share their moving in
// NumberedRows.

#include "store/Connection.h"

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace store {

struct SimpleSelect;

using Row = QVector<QVariant>;

inline const QString kNoCurrent = QStringLiteral("Kein aktueller Datensatz.");
inline const QString kGone = QStringLiteral("Der Datensatz wurde inzwischen gelöscht.");

// Where a search starts and which way it goes.
enum class Find { First, Next, Previous, Last };

struct Recordset::Impl
{
    Impl(std::shared_ptr<Connection> connection, RecordsetType recordsetType);
    virtual ~Impl();
    Impl(const Impl &) = delete;
    Impl &operator=(const Impl &) = delete;

    // ---- position. The moves are called with the edit cancelled and after
    // catchUp(); moveNext and movePrevious only where there is a way to go.
    virtual bool eof() const = 0;
    virtual bool bof() const = 0;
    virtual void moveFirst() = 0;
    virtual void moveLast() = 0;
    virtual void moveNext() = 0;
    virtual void movePrevious() = 0;
    virtual int recordCount() const = 0;
    // Sets noMatch, and moves to the row found.
    virtual void find(const QString &criteria, Find which) = 0;
    // Reads the rows of the statement again.
    virtual void requery() = 0;
    // Where the recordset is moved, searched or read again: another
    // connection's commit is noticed here.
    virtual void catchUp() {}

    // ---- the current row, once requireRow() holds
    virtual const QVariant *currentValues() const = 0;
    virtual qint64 currentKey() const = 0;

    // ---- choosing an index and seeking in it (table cursors)
    virtual void setIndex(const QString &indexName);
    virtual QString index() const { return QString(); }
    virtual void seek(const QString &comparison, const QVariant &key);

    // ---- writing (the kinds over one table of the file)
    virtual bool updatable() const { return false; }
    virtual void edit();
    virtual void addNew();
    // Called while an edit is open.
    virtual void setValue(int column, const QVariant &value);
    virtual void update();
    virtual void deleteCurrent();

    // ---- rows as a list sees them (all but table cursors). rowAt is asked
    // for rows 0 .. rowCount() - 1 only; with sync it first looks for other
    // connections' commits.
    virtual qint64 rowCount() const;
    virtual const QVariant *rowAt(qint64 row, bool sync) const;
    virtual qint64 keyOfRow(qint64 row) const;
    virtual qint64 rowOfKey(qint64 key) const;

    // ---- shared by every kind
    void requireRow() const;
    void requireColumn(int column) const;
    const QVariant *current() const
    {
        requireRow();
        return currentValues();
    }
    // Value of the current row, or of the edit buffer while editing.
    QVariant value(int column) const;
    int fieldIndex(const QString &name) const;
    void notify(const Recordset::Change &change);

    std::shared_ptr<Connection> c;
    const RecordsetType type;
    QStringList names;

    EditMode editing = EditMode::None;
    Row buffer;
    QVector<bool> assigned;
    // The current row was deleted: the recordset stays where it was until
    // the next move.
    bool onDeleted = false;
    bool noMatch = false;
    // The row a list read last; a list looks for others' commits once for
    // each line it reads.
    mutable qint64 lastListRow = -1;

    int nextListener = 1;
    QHash<int, Recordset::Listener> listeners;

private:
    mutable QHash<QString, int> nameIndex_;
};

std::unique_ptr<Recordset::Impl> openKeyedRows(std::shared_ptr<Connection> c, const TableDef &def,
                                               const SimpleSelect &select, const QVariantList &params);
std::unique_ptr<Recordset::Impl> openSnapshot(std::shared_ptr<Connection> c, RecordsetType type, const QString &sql,
                                              const QVariantList &params);
std::unique_ptr<Recordset::Impl> openTableCursor(std::shared_ptr<Connection> c, const TableDef &def);

} // namespace store
