// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/BoundLiterals.h"

#include "store/SqlLexer.h"

#include <vector>

namespace store {

QString quoteIdent(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString quoteText(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

BoundSql bindLiterals(const QString &sql)
{
    const BoundSql unchanged{sql, {}};
    std::vector<Token> toks;
    try {
        toks = tokensOf(sql);
    } catch (const Error &) {
        return unchanged; // SQLite words the syntax error better
    }
    if (toks.empty())
        return unchanged;
    const Token &first = toks.front();
    const bool isSelect = isKeyword(first, "select");
    if (!isSelect && !isKeyword(first, "insert") && !isKeyword(first, "update") && !isKeyword(first, "delete")
        && !isKeyword(first, "replace"))
        return unchanged; // schema statements take no parameters

    // Literals of the select list name its columns, and numbers after ORDER
    // BY or GROUP BY are column positions: both stay as they are.
    bool pastSelectList = !isSelect;
    int depth = 0;
    int keepDepth = -1; // depth of an ORDER BY or GROUP BY being passed
    std::vector<size_t> literals;
    for (size_t i = 0; i < toks.size(); ++i) {
        const Token &t = toks[i];
        if (t.kind == Token::Symbol) {
            if (isSymbol(t, "?") || isSymbol(t, ":") || isSymbol(t, "@") || isSymbol(t, "$"))
                return unchanged; // the caller binds values of its own
            if (isSymbol(t, "("))
                ++depth;
            if (isSymbol(t, ")")) {
                if (keepDepth == depth)
                    keepDepth = -1;
                --depth;
            }
            continue;
        }
        if (t.kind == Token::Word && !t.bracketed) {
            if (isSelect && depth == 0 && isKeyword(t, "from"))
                pastSelectList = true;
            if ((isKeyword(t, "order") || isKeyword(t, "group")) && i + 1 < toks.size() && isKeyword(toks[i + 1], "by"))
                keepDepth = depth;
            else if (keepDepth == depth
                     && (isKeyword(t, "limit") || isKeyword(t, "having") || isKeyword(t, "where")
                         || isKeyword(t, "union") || isKeyword(t, "except") || isKeyword(t, "intersect")
                         || isKeyword(t, "window")))
                keepDepth = -1;
            continue;
        }
        const bool literal = t.kind == Token::Number || (t.kind == Token::Quoted && !t.bracketed);
        if (!literal)
            continue;
        // 1e5 or 0x1F come as a number glued to a word: leave such texts alone.
        if (t.kind == Token::Number && i + 1 < toks.size() && toks[i + 1].begin == t.end
            && toks[i + 1].kind == Token::Word)
            return unchanged;
        if (pastSelectList && keepDepth < 0)
            literals.push_back(i);
    }
    if (literals.empty())
        return unchanged;
    BoundSql out;
    out.sql = sql;
    out.params.resize(qsizetype(literals.size()));
    for (size_t k = literals.size(); k-- > 0;) {
        const Token &t = toks[literals[k]];
        QVariant v;
        if (t.kind == Token::Number) {
            bool ok = false;
            v = numberValue(t, &ok);
            if (!ok)
                return unchanged;
        } else {
            v = t.text;
        }
        out.params[qsizetype(k)] = v;
        out.sql.replace(t.begin, t.end - t.begin, QStringLiteral("?"));
    }
    return out;
}

} // namespace store
