// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/RecordsetModel.h"

#include "store/Engine.h"

#include <QTimer>

#include <limits>

RecordsetModel::RecordsetModel(store::Database &db, const QString &sql, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), rs_(db.openRecordset(sql)), columns_(std::move(columns))
{
    listen();
}

RecordsetModel::RecordsetModel(std::shared_ptr<store::Recordset> rs, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), rs_(std::move(rs)), columns_(std::move(columns))
{
    listen();
}

void RecordsetModel::listen()
{
    listener_ = rs_->addListener([this](const store::Recordset::Change &ch) {
        if (refreshing_)
            return;
        switch (ch.kind) {
        case store::Recordset::Change::Deleted:
            // The row has already left the dynaset; the view only needs to
            // know which one it was.
            beginRemoveRows({}, int(ch.row), int(ch.row));
            endRemoveRows();
            break;
        case store::Recordset::Change::Changed:
            // Its words may put the line elsewhere, or out of the list.
            if (ch.row >= 0)
                emit dataChanged(index(int(ch.row), 0), index(int(ch.row), columnCount() - 1));
            scheduleRefresh();
            break;
        case store::Recordset::Change::Added:
        case store::Recordset::Change::Everything:
            scheduleRefresh();
            break;
        }
    });
}

RecordsetModel::~RecordsetModel()
{
    rs_->removeListener(listener_);
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // Views count in int; a table beyond that is not a list anyone pages.
    return int(std::min<qint64>(rs_->rowCount(), std::numeric_limits<int>::max()));
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariantList RecordsetModel::fieldsOf(int row) const
{
    QVariantList values;
    const int n = rs_->fieldCount();
    values.reserve(n);
    for (int f = 0; f < n; ++f)
        values << rs_->valueAt(row, f);
    return values;
}

QString RecordsetModel::text(int row, int column) const
{
    return columns_.value(column).text(fieldsOf(row));
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columns_.size())
        return {};
    try {
        if (role == Qt::DisplayRole)
            return text(index.row(), index.column());
        if (role == KeyRole)
            return rs_->keyOfRow(index.row());
    } catch (const store::Error &) {
        // A row another program deleted a moment ago: shown empty until the
        // list is read again.
        const_cast<RecordsetModel *>(this)->scheduleRefresh();
    }
    return {};
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columns_.size())
        return columns_[section].header;
    return QAbstractTableModel::headerData(section, orientation, role);
}

qint64 RecordsetModel::keyOfRow(int row) const
{
    return rs_->keyOfRow(row);
}

int RecordsetModel::rowOfKey(qint64 key) const
{
    return int(rs_->rowOfKey(key));
}

int RecordsetModel::firstRowOf(const QVector<std::int32_t> &keys, int from) const
{
    for (const std::int32_t key : keys) {
        const int row = rowOfKey(key);
        if (row >= from)
            return row;
    }
    return -1;
}

void RecordsetModel::scheduleRefresh()
{
    if (refreshPending_)
        return;
    refreshPending_ = true;
    // Many changes in a row (moving a whole compartment) are read once.
    QTimer::singleShot(0, this, [this] {
        if (refreshPending_)
            refresh();
    });
}

void RecordsetModel::refresh()
{
    refreshPending_ = false;
    beginResetModel();
    refreshing_ = true;
    try {
        rs_->requery();
    } catch (...) {
        refreshing_ = false;
        endResetModel();
        throw;
    }
    refreshing_ = false;
    endResetModel();
}

RecordsetModel::Format RecordsetModel::joined(QList<int> fields, const QString &lead)
{
    return [fields, lead](const QVariantList &values) {
        QStringList parts;
        for (int f : fields) {
            const QVariant v = values.value(f);
            parts << (v.isNull() ? QString() : v.toString());
        }
        return lead + parts.join(QStringLiteral(" - "));
    };
}
