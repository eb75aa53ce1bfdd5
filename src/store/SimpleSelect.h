// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace store {

// A SELECT over one table without grouping or aggregates can be answered by
// keys: the recordset keeps only the row ids and reads rows when asked.
struct SimpleSelect
{
    QString selectList;
    QString table;
    QString fromRest; // the statement after FROM, table name included
};

// The parts of such a statement; none for any other.
std::optional<SimpleSelect> parseSimpleSelect(const QString &sql);

} // namespace store
