// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The criteria language of finding:  field op value  (op one of = <> != < >
// <= >= LIKE, or  field IS [NOT] NULL), joined by AND or OR. Field names may
// stand in brackets or after the table's name and a point; LIKE takes * and ?
// as wildcards. Values are bound, never pasted into SQL.

#include "store/Statement.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

#include <optional>

namespace store {

class Connection;

struct Criteria
{
    QString where;       // the condition, each value a "?" in order
    QVariantList params; // the values
    // The whole criteria is  field = whole number : the field and the number.
    QString equalsField;
    std::optional<qint64> equalsValue;
};

// The criteria as a condition on the rows of a table with these fields.
Criteria parseCriteria(const QString &text, const QStringList &fieldNames);

// The criteria tested on rows held in memory. Each row's values are bound to
// one compiled test; fields compare in the German order as they do in the
// tables.
class RowMatcher
{
public:
    RowMatcher(Connection &c, const QString &criteria, const QStringList &fieldNames);
    bool matches(const QVector<QVariant> &row);

private:
    Statement test_;
    QVariantList params_;
    int marks_ = 0;
};

} // namespace store
