// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/SimpleSelect.h"

#include "store/SqlLexer.h"

#include <vector>

namespace store {

std::optional<SimpleSelect> parseSimpleSelect(const QString &sql)
{
    const std::vector<Token> toks = tokensOf(sql);
    if (toks.size() < 4 || !isKeyword(toks[0], "select"))
        return std::nullopt;
    int depth = 0;
    int fromAt = -1;
    for (size_t i = 1; i < toks.size(); ++i) {
        const Token &t = toks[i];
        if (isSymbol(t, "("))
            ++depth;
        else if (isSymbol(t, ")"))
            --depth;
        if (depth != 0)
            continue;
        if (fromAt < 0) {
            if (isKeyword(t, "distinct") || isKeyword(t, "top") || isSymbol(t, "("))
                return std::nullopt;
            if (isKeyword(t, "from"))
                fromAt = int(i);
        } else if (isKeyword(t, "group") || isKeyword(t, "having") || isKeyword(t, "limit") || isKeyword(t, "union")
                   || isKeyword(t, "join") || isKeyword(t, "intersect") || isKeyword(t, "except")) {
            return std::nullopt;
        }
    }
    if (fromAt < 2 || size_t(fromAt) + 1 >= toks.size())
        return std::nullopt;
    // A function call in the select list (count(*), max(...)) needs the rows
    // computed as a whole.
    for (int i = 1; i < fromAt; ++i)
        if (isSymbol(toks[i], "("))
            return std::nullopt;
    const Token &table = toks[fromAt + 1];
    if (table.kind != Token::Word && table.kind != Token::Quoted)
        return std::nullopt;
    if (size_t(fromAt) + 2 < toks.size()) {
        const Token &after = toks[fromAt + 2];
        if (!isKeyword(after, "where") && !isKeyword(after, "order") && !isSymbol(after, ";"))
            return std::nullopt;
    }
    SimpleSelect s;
    s.selectList = sql.mid(toks[1].begin, toks[fromAt].begin - toks[1].begin).trimmed();
    s.table = table.text;
    QString rest = sql.mid(table.begin).trimmed();
    while (rest.endsWith(QLatin1Char(';')))
        rest.chop(1);
    s.fromRest = rest;
    return s;
}

} // namespace store
