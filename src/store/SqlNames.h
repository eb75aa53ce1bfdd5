// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace store {

// True when a table or field name cannot stand bare in an SQL text: it is
// empty, starts with a digit, holds anything but letters, digits and
// underscores, or spells a keyword of the SQL dialect ("tHen", "tO",
// "tAble" do).
bool needsBrackets(const QString &name);

// The name as it stands in an SQL text: bare where it can, else in square
// brackets. Names of the engine never hold brackets themselves.
QString sqlName(const QString &name);

} // namespace store
