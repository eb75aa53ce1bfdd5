// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Criteria.h"

#include "store/Collation.h"
#include "store/Connection.h"
#include "store/SqlLexer.h"

#include <functional>

namespace store {

namespace {

// How the condition spells a field (by its position) and the k-th value.
struct Spelling
{
    std::function<QString(int)> field;
    std::function<QString(int)> value;
};

class CriteriaParser
{
public:
    CriteriaParser(const QString &text, const QStringList &fieldNames, Spelling spelling)
        : text_(text), names_(fieldNames), spelling_(std::move(spelling)), lx_(text_)
    {
    }

    Criteria parse()
    {
        t_ = lx_.next();
        if (t_.kind == Token::End)
            throw bad();
        int terms = 0;
        QString lastOp;
        QString lastField;
        while (true) {
            const int field = fieldPosition();
            ++terms;
            lastField = names_[field];
            lastOp = term(spelling_.field(field));
            t_ = lx_.next();
            if (t_.kind == Token::End)
                break;
            if (isKeyword(t_, "and"))
                c_.where += QStringLiteral(" AND ");
            else if (isKeyword(t_, "or"))
                c_.where += QStringLiteral(" OR ");
            else
                throw bad();
            t_ = lx_.next();
        }
        if (terms == 1 && lastOp == QLatin1String("=") && c_.params.size() == 1
            && c_.params[0].typeId() == QMetaType::LongLong) {
            c_.equalsField = lastField;
            c_.equalsValue = c_.params[0].toLongLong();
        }
        return c_;
    }

private:
    Error bad() const
    {
        return Error(QStringLiteral("Das Suchkriterium '%1' ist ungültig. Erwartet wird zum Beispiel VNr = 5.").arg(text_));
    }

    // [Table.]Field: the table is the recordset's own.
    int fieldPosition()
    {
        if (t_.kind != Token::Word && !(t_.kind == Token::Quoted && t_.bracketed))
            throw bad();
        QString field = t_.text;
        t_ = lx_.next();
        if (isSymbol(t_, ".")) {
            t_ = lx_.next();
            if (t_.kind != Token::Word)
                throw bad();
            field = t_.text;
            t_ = lx_.next();
        }
        int real = -1;
        for (int i = 0; i < names_.size(); ++i)
            if (names_[i].compare(field, Qt::CaseInsensitive) == 0)
                real = i;
        if (real < 0)
            throw Error(QStringLiteral("Das Feld '%1' im Suchkriterium '%2' ist nicht vorhanden.").arg(field, text_));
        return real;
    }

    // The comparison after a field; its operator, none for a test of null.
    QString term(const QString &ref)
    {
        static const QStringList comparisons{QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("!="),
                                             QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="),
                                             QStringLiteral(">=")};
        QString op;
        if (t_.kind == Token::Symbol && comparisons.contains(t_.text)) {
            op = t_.text == QLatin1String("!=") ? QStringLiteral("<>") : t_.text;
        } else if (isKeyword(t_, "like")) {
            op = QStringLiteral("LIKE");
        } else if (isKeyword(t_, "is")) {
            c_.where += ref + nullTest();
            return QString();
        } else {
            throw bad();
        }
        QVariant v = value();
        if (op == QLatin1String("LIKE")) {
            QString pattern = v.toString();
            pattern.replace(QLatin1Char('*'), QLatin1Char('%')).replace(QLatin1Char('?'), QLatin1Char('_'));
            v = pattern;
        }
        c_.where += ref + QLatin1Char(' ') + op + QLatin1Char(' ')
            + (spelling_.value ? spelling_.value(int(c_.params.size())) : QStringLiteral("?"));
        c_.params << v;
        return op;
    }

    // IS [NOT] NULL, after IS.
    QString nullTest()
    {
        t_ = lx_.next();
        const bool negate = isKeyword(t_, "not");
        if (negate)
            t_ = lx_.next();
        if (!isKeyword(t_, "null"))
            throw bad();
        return negate ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL");
    }

    // A number (perhaps negative), a quoted text, True (-1) or False (0).
    QVariant value()
    {
        Token v = lx_.next();
        const bool minus = isSymbol(v, "-");
        if (minus)
            v = lx_.next();
        if (minus && v.kind != Token::Number)
            throw bad();
        if (v.kind == Token::Number) {
            const QVariant n = numberValue(v);
            if (!minus)
                return n;
            return n.typeId() == QMetaType::Double ? QVariant(-n.toDouble()) : QVariant(-n.toLongLong());
        }
        if (v.kind == Token::Quoted)
            return v.text;
        if (isKeyword(v, "true"))
            return -1;
        if (isKeyword(v, "false"))
            return 0;
        throw bad();
    }

    const QString text_;
    const QStringList &names_;
    const Spelling spelling_;
    Lexer lx_;
    Token t_;
    Criteria c_;
};

// Field i of a row in memory is bound to the mark kFieldBase + 1 + i, far
// behind the criteria's own values.
constexpr int kFieldBase = 1000;

} // namespace

Criteria parseCriteria(const QString &text, const QStringList &fieldNames)
{
    return CriteriaParser(text, fieldNames, {[&](int i) { return quoteIdent(fieldNames[i]); }, {}}).parse();
}

RowMatcher::RowMatcher(Connection &c, const QString &criteria, const QStringList &fieldNames)
{
    const Criteria crit = CriteriaParser(criteria, fieldNames,
                                         {[](int i) {
                                              return QStringLiteral("(?%1 COLLATE %2)")
                                                  .arg(kFieldBase + 1 + i)
                                                  .arg(QLatin1String(kGermanCollation));
                                          },
                                          [](int k) { return QStringLiteral("?%1").arg(k + 1); }})
                              .parse();
    test_ = c.prepare(QStringLiteral("SELECT 1 WHERE ") + crit.where, true);
    params_ = crit.params;
    // Only the fields the criteria names have a mark in the test.
    marks_ = sqlite3_bind_parameter_count(test_.get());
}

bool RowMatcher::matches(const QVector<QVariant> &row)
{
    test_.reset();
    test_.bindAll(params_, 1);
    for (int f = 0; f < row.size() && kFieldBase + 1 + f <= marks_; ++f)
        test_.bind(kFieldBase + 1 + f, row[f]);
    return test_.step();
}

} // namespace store
