// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Values and names inside SQL texts: quoted into a text the engine writes
// itself, or taken out of a text the program hands over and bound instead.

#include <QString>
#include <QVariant>

namespace store {

QString quoteIdent(const QString &name);
QString quoteText(const QString &text);

// A statement text with its literal values taken out and bound instead, so
// that texts differing only in their numbers share one compiled statement.
struct BoundSql
{
    QString sql;
    QVariantList params;
};
BoundSql bindLiterals(const QString &sql);

} // namespace store
