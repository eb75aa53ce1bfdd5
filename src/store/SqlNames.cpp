// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/SqlNames.h"

#include <sqlite3.h>

namespace store {

bool needsBrackets(const QString &name)
{
    if (name.isEmpty() || name[0].isDigit())
        return true;
    for (const QChar ch : name)
        if (!ch.isLetterOrNumber() && ch != QLatin1Char('_'))
            return true;
    const QByteArray utf8 = name.toUtf8();
    return sqlite3_keyword_check(utf8.constData(), int(utf8.size())) != 0;
}

QString sqlName(const QString &name)
{
    return needsBrackets(name) ? QLatin1Char('[') + name + QLatin1Char(']') : name;
}

} // namespace store
