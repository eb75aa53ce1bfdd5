// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One list model for every list of cards: the dictionary, the table view and
// the compartment manager's two lists. It reads the rows of its own dynaset,
// a block at a time and only the rows a view shows, so a million cards cost
// their row ids and no more; it never moves anyone's current row.

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVector>

#include <cstdint>

#include <functional>
#include <memory>

namespace store {
class Database;
class Recordset;
}

class RecordsetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // What a column shows of a row: the values of the statement's fields,
    // by position.
    using Format = std::function<QString(const QVariantList &fields)>;
    struct Column
    {
        QString header;
        Format text;
    };

    // The attached number of every line: the row's key (the card's VNr).
    static constexpr int KeyRole = Qt::UserRole + 1;

    // Opens `sql` (a SELECT over one table, ordered as its lines should be)
    // on its own dynaset. Throws store::Error like any opening.
    RecordsetModel(store::Database &db, const QString &sql, QList<Column> columns, QObject *parent = nullptr);
    // Lists the rows of a recordset a command has opened already (a
    // compartment), without a key query of its own. Listing never moves
    // that recordset's current row.
    RecordsetModel(std::shared_ptr<store::Recordset> rs, QList<Column> columns, QObject *parent = nullptr);
    ~RecordsetModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    qint64 keyOfRow(int row) const;
    int rowOfKey(qint64 key) const; // -1: not in the list
    // The first row at or after `from` whose key is among `keys` (given in
    // the list's order, as a search returns them); -1 if none.
    int firstRowOf(const QVector<std::int32_t> &keys, int from) const;

    // Reads the rows again now. Changes made through the engine layer call
    // it by themselves, once the event loop runs.
    void refresh();

    // The text of one column of a row, as the list shows it.
    QString text(int row, int column = 0) const;

    // Fields joined as the lists of cards show them: "a - b - c", a missing
    // value as empty text.
    static Format joined(QList<int> fields, const QString &lead = {});

private:
    QVariantList fieldsOf(int row) const;
    void scheduleRefresh();
    void listen();
    void remember(qint64 key, int column, const QString &line) const;

    std::shared_ptr<store::Recordset> rs_;
    QList<Column> columns_;
    int listener_ = 0;
    bool refreshPending_ = false;
    bool refreshing_ = false;
    bool inserting_ = false;
    // The texts lately shown of each card (by key, one per column), for a
    // line whose card can no longer be read.
    static constexpr qsizetype kRemembered = 4096;
    mutable QHash<qint64, QStringList> shown_;
    mutable QHash<qint64, QStringList> shownBefore_;
};
