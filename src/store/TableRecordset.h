// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the two kinds of recordset over one table of the file share: the
// table's description, reading one row by its id, and writing rows (the new
// row's number taken at once, one UPDATE per set of fields written, and
// knowing which values a row this recordset wrote now holds).

#include "store/RecordsetImpl.h"

#include <optional>
#include <utility>
#include <vector>

namespace store {

class TableRecordset : public Recordset::Impl, public ChangeSink
{
public:
    // rowList is the select list the rows are read with ("*": every field).
    TableRecordset(std::shared_ptr<Connection> connection, RecordsetType recordsetType, TableDef def,
                   QString rowList);
    ~TableRecordset() override;

    bool updatable() const override { return true; }
    void edit() override;
    void addNew() override;
    void setValue(int column, const QVariant &value) override;
    void update() override;
    void deleteCurrent() override;

    void rowChanged(int op, const QString &table, qint64 rowid) final;

protected:
    // Starts hearing of changes; called last while a kind is being opened.
    void startWatching();
    // A row of this recordset's table was added (SQLITE_INSERT), changed or
    // deleted by this connection.
    virtual void tableRowChanged(int op, qint64 rowid) = 0;
    // After an update of the edit's row.
    virtual void updated(qint64) {}

    // One row by its id, with the recordset's columns; none when it is gone.
    std::optional<Row> readRow(qint64 rowid) const;
    // A row held in memory, after this connection updated it: gets the
    // values this recordset wrote into it, or is read again (with readBack)
    // where they are not certain. False when it is to be dropped instead:
    // someone else's change, or a row that is gone.
    bool refreshHeld(qint64 rowid, QVariant *held, bool readBack) const;
    // An insert of this recordset's own is under way.
    bool adding() const { return adding_; }
    // This recordset is updating that row.
    bool updating(qint64 rowid) const { return updatingKey_ && *updatingKey_ == rowid; }

    const TableDef def_;
    const QString table_;
    const QString rowList_;

private:
    void describeColumns();
    void noteWritten();
    QString updateStatement();
    void updateRow(qint64 key, QVariantList values);

    QString rowSql_; // one row by its id

    // What the columns are: how the table stores each (0 whole numbers,
    // 1 texts, -1 anything else), and whether the engine numbers it.
    std::vector<int> columnType_;
    std::vector<char> autoColumn_;
    // Whether a row this recordset wrote can take the written values as
    // they are, rather than be read back: every column is a plain field
    // and no trigger or computed column of someone else's changes more.
    bool wholeRows_ = false;
    std::vector<std::pair<int, QVariant>> written_;
    bool writtenKnown_ = false;
    QHash<quint64, QString> updateSql_; // by the set of columns written

    bool adding_ = false;
    std::optional<qint64> updatingKey_;
    qint64 editKey_ = 0; // the row an Edit was started on
};

} // namespace store
