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
        using Change = store::Recordset::Change;
        switch (ch.kind) {
        // The view hears of a row while the recordset still holds it, and
        // again once it is gone (or there).
        case Change::AboutToDelete:
            beginRemoveRows({}, int(ch.row), int(ch.row));
            break;
        case Change::Deleted:
            endRemoveRows();
            break;
        case Change::AboutToAdd:
            beginInsertRows({}, int(ch.row), int(ch.row));
            inserting_ = true;
            break;
        case Change::Added:
            if (inserting_) {
                inserting_ = false;
                endInsertRows();
            }
            // A new card belongs somewhere in the order of the lines.
            scheduleRefresh();
            break;
        case Change::Changed:
            // Its words may put the line elsewhere, or out of the list.
            if (ch.row >= 0)
                emit dataChanged(index(int(ch.row), 0), index(int(ch.row), columnCount() - 1));
            scheduleRefresh();
            break;
        case Change::Everything:
            scheduleRefresh();
            break;
        case Change::AboutToReload:
            beginResetModel();
            break;
        case Change::Reloaded:
            shown_.clear();
            shownBefore_.clear();
            endResetModel();
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
    if (role == KeyRole)
        return rs_->keyOfRow(index.row());
    if (role != Qt::DisplayRole)
        return {};
    const qint64 key = rs_->keyOfRow(index.row());
    try {
        const QString line = text(index.row(), index.column());
        remember(key, index.column(), line);
        return line;
    } catch (const store::Error &) {
        // A card another connection deleted a moment ago: its line keeps
        // what it showed until the list reads its rows again, which the
        // recordset has asked for on noticing the commit.
        const_cast<RecordsetModel *>(this)->scheduleRefresh();
        for (const auto *lines : {&shown_, &shownBefore_}) {
            const auto it = lines->constFind(key);
            if (it != lines->constEnd())
                return it->value(index.column());
        }
    }
    return {};
}

void RecordsetModel::remember(qint64 key, int column, const QString &line) const
{
    // Two generations of the lines handed out: the lines on screen are
    // asked for again and again and stay, however long the list.
    if (shown_.size() >= kRemembered && !shown_.contains(key)) {
        shownBefore_.swap(shown_);
        shown_.clear();
    }
    QStringList &texts = shown_[key];
    while (texts.size() <= column)
        texts << QString();
    texts[column] = line;
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
    shown_.clear();
    shownBefore_.clear();
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
