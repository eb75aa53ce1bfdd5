#include "store/Connection.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <vector>

namespace store {

namespace {

const QString kNoCurrent = QStringLiteral("Kein aktueller Datensatz.");

// --------------------------------------------------------------- SQL lexer

struct Token
{
    enum Kind { Word, Quoted, Number, Symbol, End } kind = End;
    QString text;  // unquoted for identifiers in brackets or double quotes
    int begin = 0; // position in the statement
    int end = 0;
    bool bracketed = false; // [..] "..." or `..`
};

class Lexer
{
public:
    explicit Lexer(const QString &s) : s_(s) {}

    Token next()
    {
        while (i_ < s_.size() && s_[i_].isSpace())
            ++i_;
        Token t;
        t.begin = i_;
        if (i_ >= s_.size()) {
            t.end = i_;
            return t;
        }
        const QChar ch = s_[i_];
        if (ch == QLatin1Char('[') || ch == QLatin1Char('"') || ch == QLatin1Char('`')) {
            const QChar close = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
            ++i_;
            while (i_ < s_.size()) {
                if (s_[i_] == close) {
                    if (close != QLatin1Char(']') && i_ + 1 < s_.size() && s_[i_ + 1] == close) {
                        t.text += close;
                        i_ += 2;
                        continue;
                    }
                    break;
                }
                t.text += s_[i_++];
            }
            if (i_ >= s_.size())
                throw Error(QStringLiteral("Syntaxfehler: ein Name in Klammern oder Anführungszeichen ist nicht "
                                           "abgeschlossen."));
            ++i_;
            t.kind = ch == QLatin1Char('"') ? Token::Quoted : Token::Word;
            t.bracketed = true;
        } else if (ch == QLatin1Char('\'')) {
            ++i_;
            while (true) {
                if (i_ >= s_.size())
                    throw Error(QStringLiteral("Syntaxfehler: eine Zeichenfolge in Hochkommas ist nicht "
                                               "abgeschlossen."));
                if (s_[i_] == QLatin1Char('\'')) {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == QLatin1Char('\'')) {
                        t.text += QLatin1Char('\'');
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                t.text += s_[i_++];
            }
            t.kind = Token::Quoted;
        } else if (ch.isDigit() || (ch == QLatin1Char('.') && i_ + 1 < s_.size() && s_[i_ + 1].isDigit())) {
            while (i_ < s_.size() && (s_[i_].isDigit() || s_[i_] == QLatin1Char('.')))
                t.text += s_[i_++];
            t.kind = Token::Number;
        } else if (ch.isLetter() || ch == QLatin1Char('_')) {
            while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == QLatin1Char('_')))
                t.text += s_[i_++];
            t.kind = Token::Word;
        } else {
            t.text = ch;
            ++i_;
            if (i_ < s_.size()) {
                const QString two = t.text + s_[i_];
                if (two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=")
                    || two == QLatin1String("!=")) {
                    t.text = two;
                    ++i_;
                }
            }
            t.kind = Token::Symbol;
        }
        t.end = i_;
        return t;
    }

private:
    const QString &s_;
    int i_ = 0;
};

bool isKeyword(const Token &t, const char *kw)
{
    return t.kind == Token::Word && !t.bracketed && t.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
}

// A SELECT over one table without grouping or aggregates can be answered by
// keys: the recordset keeps only the row ids and reads rows when asked.
struct SimpleSelect
{
    QString selectList;
    QString table;
    QString fromRest; // the statement after FROM, table name included
};

std::optional<SimpleSelect> parseSimpleSelect(const QString &sql)
{
    Lexer lx(sql);
    std::vector<Token> toks;
    for (Token t = lx.next(); t.kind != Token::End; t = lx.next())
        toks.push_back(t);
    if (toks.size() < 4 || !isKeyword(toks[0], "select"))
        return std::nullopt;
    int depth = 0;
    int fromAt = -1;
    for (size_t i = 1; i < toks.size(); ++i) {
        const Token &t = toks[i];
        if (t.kind == Token::Symbol && t.text == QLatin1String("("))
            ++depth;
        else if (t.kind == Token::Symbol && t.text == QLatin1String(")"))
            --depth;
        if (depth != 0)
            continue;
        if (fromAt < 0) {
            if (isKeyword(t, "distinct") || isKeyword(t, "top") || (t.kind == Token::Symbol && t.text == QLatin1String("(")))
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
        if (toks[i].kind == Token::Symbol && toks[i].text == QLatin1String("("))
            return std::nullopt;
    const Token &table = toks[fromAt + 1];
    if (table.kind != Token::Word && table.kind != Token::Quoted)
        return std::nullopt;
    if (size_t(fromAt) + 2 < toks.size()) {
        const Token &after = toks[fromAt + 2];
        if (!isKeyword(after, "where") && !isKeyword(after, "order")
            && !(after.kind == Token::Symbol && after.text == QLatin1String(";")))
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

// ---------------------------------------------------------------- criteria

struct Criteria
{
    QString where;
    QVariantList params;
};

QVariant literalValue(const Token &t)
{
    if (t.kind == Token::Number)
        return t.text.contains(QLatin1Char('.')) ? QVariant(t.text.toDouble()) : QVariant(t.text.toLongLong());
    return QVariant(t.text);
}

// Criteria texts of the form  field op value [AND|OR field op value ...].
// Values are bound, never pasted into SQL.
Criteria parseCriteria(const QString &text, const QStringList &fieldNames)
{
    Lexer lx(text);
    Criteria c;
    auto bad = [&]() {
        return Error(QStringLiteral("Das Suchkriterium '%1' ist ungültig. Erwartet wird zum Beispiel VNr = 5.").arg(text));
    };
    Token t = lx.next();
    if (t.kind == Token::End)
        throw bad();
    while (true) {
        if (t.kind != Token::Word && !(t.kind == Token::Quoted && t.bracketed))
            throw bad();
        QString field = t.text;
        t = lx.next();
        // Table.Field: the table is the recordset's own.
        if (t.kind == Token::Symbol && t.text == QLatin1String(".")) {
            t = lx.next();
            if (t.kind != Token::Word)
                throw bad();
            field = t.text;
            t = lx.next();
        }
        QString real;
        for (const QString &f : fieldNames)
            if (f.compare(field, Qt::CaseInsensitive) == 0)
                real = f;
        if (real.isEmpty())
            throw Error(QStringLiteral("Das Feld '%1' im Suchkriterium '%2' ist nicht vorhanden.").arg(field, text));

        QString op;
        bool negate = false;
        if (t.kind == Token::Symbol && QStringList{QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                                   QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="),
                                                   QStringLiteral(">=")}
                                           .contains(t.text)) {
            op = t.text == QLatin1String("!=") ? QStringLiteral("<>") : t.text;
        } else if (isKeyword(t, "like")) {
            op = QStringLiteral("LIKE");
        } else if (isKeyword(t, "is")) {
            t = lx.next();
            if (isKeyword(t, "not")) {
                negate = true;
                t = lx.next();
            }
            if (!isKeyword(t, "null"))
                throw bad();
            c.where += quoteIdent(real) + (negate ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
            op.clear();
        } else {
            throw bad();
        }
        if (!op.isEmpty()) {
            Token v = lx.next();
            bool minus = false;
            if (v.kind == Token::Symbol && v.text == QLatin1String("-")) {
                minus = true;
                v = lx.next();
            }
            QVariant value;
            if (v.kind == Token::Number)
                value = literalValue(v);
            else if (v.kind == Token::Quoted)
                value = v.text;
            else if (isKeyword(v, "true"))
                value = -1;
            else if (isKeyword(v, "false"))
                value = 0;
            else
                throw bad();
            if (minus) {
                if (v.kind != Token::Number)
                    throw bad();
                value = value.typeId() == QMetaType::Double ? QVariant(-value.toDouble()) : QVariant(-value.toLongLong());
            }
            if (op == QLatin1String("LIKE")) {
                QString pattern = value.toString();
                pattern.replace(QLatin1Char('*'), QLatin1Char('%')).replace(QLatin1Char('?'), QLatin1Char('_'));
                value = pattern;
            }
            c.where += quoteIdent(real) + QLatin1Char(' ') + op + QStringLiteral(" ?");
            c.params << value;
        }
        t = lx.next();
        if (t.kind == Token::End)
            break;
        if (isKeyword(t, "and"))
            c.where += QStringLiteral(" AND ");
        else if (isKeyword(t, "or"))
            c.where += QStringLiteral(" OR ");
        else
            throw bad();
        t = lx.next();
    }
    return c;
}

} // namespace

// ---------------------------------------------------------------- Recordset

struct Recordset::Impl
{
    std::shared_ptr<Connection> c;
    RecordsetType type = RecordsetType::Dynaset;
    bool keyed = false; // false: a snapshot of computed rows, read-only

    QStringList names;

    // Snapshot rows.
    QVector<QVector<QVariant>> rows;

    // Keyed access.
    QString table;
    std::optional<TableDef> def;
    Statement rowStmt;
    QString keySql;             // dynaset: the keys in the statement's order
    std::vector<qint64> keys;
    bool keysLoaded = false;
    std::unordered_set<qint64> deleted;
    QString indexName;
    QStringList indexFields;

    // Position: pos is an index into keys/rows; -1 is before the first and
    // size() after the last row. For a table recordset whose keys are not
    // loaded yet, only curRowid is known.
    qint64 pos = -1;
    bool posKnown = true;
    qint64 curRowid = 0;
    bool onRow = false;

    mutable bool cacheValid = false;
    mutable QVector<QVariant> cache;

    EditMode mode = EditMode::None;
    QVector<QVariant> buffer;
    QVector<bool> assigned;
    qint64 addNewRowid = 0;
    bool noMatch = false;

    qint64 size() const { return keyed ? qint64(keys.size()) : qint64(rows.size()); }

    QString orderBy() const
    {
        QStringList cols;
        for (const QString &f : indexFields)
            cols << quoteIdent(f);
        cols << QStringLiteral("rowid");
        return cols.join(QStringLiteral(", "));
    }

    void loadKeys()
    {
        if (keysLoaded)
            return;
        keys.clear();
        // Rows deleted earlier are gone from the table, so a fresh key list
        // no longer holds them.
        deleted.clear();
        const QString sql = type == RecordsetType::Table
            ? QStringLiteral("SELECT rowid FROM %1 ORDER BY %2").arg(quoteIdent(table), orderBy())
            : keySql;
        Statement st = c->prepare(sql);
        while (st.step())
            keys.push_back(sqlite3_column_int64(st.get(), 0));
        keysLoaded = true;
        if (!posKnown) {
            const auto it = std::find(keys.begin(), keys.end(), curRowid);
            pos = it == keys.end() ? -1 : qint64(it - keys.begin());
            onRow = it != keys.end();
            posKnown = true;
        }
    }

    bool isDeleted(qint64 i) const { return keyed && deleted.count(keys[size_t(i)]) > 0; }

    void placeAt(qint64 i)
    {
        pos = i;
        posKnown = true;
        onRow = i >= 0 && i < size();
        if (onRow && keyed)
            curRowid = keys[size_t(i)];
        cacheValid = false;
    }

    bool eof() const
    {
        if (!posKnown)
            return false;
        return pos >= size() || liveCount() == 0;
    }
    bool bof() const
    {
        if (!posKnown)
            return false;
        return pos < 0 || liveCount() == 0;
    }
    qint64 liveCount() const { return size() - qint64(deleted.size()); }

    void requireRow() const
    {
        if (!onRow)
            throw Error(kNoCurrent);
        if (keyed && deleted.count(curRowid))
            throw Error(QStringLiteral("Der Datensatz ist gelöscht."));
    }

    void requireUpdatable() const
    {
        if (!keyed)
            throw Error(QStringLiteral("Diese Datensatzgruppe kann nicht geändert werden."));
    }

    // Rows are read in aligned blocks of keys: walking a compartment then
    // costs one query per block instead of one per row. A block is only
    // trusted while the connection has changed nothing since it was read.
    static constexpr qint64 kBlock = 64;
    mutable QHash<qint64, QVector<QVariant>> block;
    mutable sqlite3_int64 blockStamp = -1;
    mutable Statement blockStmt;
    QString rowList;

    void readBlock() const
    {
        const qint64 first = (pos / kBlock) * kBlock;
        if (!blockStmt.get())
            blockStmt = c->prepare(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                                       .arg(rowList, quoteIdent(table),
                                            QStringList(int(kBlock), QStringLiteral("?")).join(QLatin1Char(','))));
        blockStmt.reset();
        for (qint64 i = 0; i < kBlock; ++i) {
            const qint64 k = first + i;
            blockStmt.bind(int(i + 1), k < size() ? QVariant(keys[size_t(k)]) : QVariant());
        }
        block.clear();
        while (blockStmt.step()) {
            QVector<QVariant> row(names.size());
            for (int i = 0; i < row.size(); ++i)
                row[i] = blockStmt.column(i + 1);
            block.insert(sqlite3_column_int64(blockStmt.get(), 0), row);
        }
        blockStmt.reset();
        blockStamp = sqlite3_total_changes64(c->db());
    }

    const QVector<QVariant> &current() const
    {
        requireRow();
        if (!keyed)
            return rows[int(pos)];
        if (cacheValid)
            return cache;
        if (blockStamp != sqlite3_total_changes64(c->db()))
            block.clear();
        if (keysLoaded && posKnown && pos >= 0 && pos < size()) {
            auto it = block.constFind(curRowid);
            if (it == block.constEnd()) {
                readBlock();
                it = block.constFind(curRowid);
            }
            if (it == block.constEnd())
                throw Error(QStringLiteral("Der Datensatz ist gelöscht."));
            cache = *it;
            cacheValid = true;
            return cache;
        }
        Statement &st = const_cast<Statement &>(rowStmt);
        st.reset();
        st.bind(1, curRowid);
        if (!st.step()) {
            st.reset();
            throw Error(QStringLiteral("Der Datensatz ist gelöscht."));
        }
        cache.resize(names.size());
        for (int i = 0; i < names.size(); ++i)
            cache[i] = st.column(i);
        st.reset();
        cacheValid = true;
        return cache;
    }

    int fieldIndex(const QString &name) const
    {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        throw Error(QStringLiteral("Das Feld '%1' ist in dieser Datensatzgruppe nicht vorhanden.").arg(name));
    }

    QVariant valueAt(int i) const
    {
        if (i < 0 || i >= names.size())
            throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(i));
        if (mode != EditMode::None)
            return buffer[i];
        return current()[i];
    }

    void find(const QString &criteria, qint64 from, int step)
    {
        if (!keyed)
            throw Error(QStringLiteral("In dieser Datensatzgruppe kann nicht gesucht werden."));
        const Criteria crit = parseCriteria(criteria, names);
        std::unordered_set<qint64> matches;
        Statement st = c->prepare(QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(quoteIdent(table), crit.where));
        st.bindAll(crit.params);
        while (st.step())
            matches.insert(sqlite3_column_int64(st.get(), 0));
        loadKeys();
        for (qint64 i = from; i >= 0 && i < size(); i += step) {
            if (!isDeleted(i) && matches.count(keys[size_t(i)])) {
                placeAt(i);
                noMatch = false;
                return;
            }
        }
        noMatch = true;
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Recordset::~Recordset() = default;

std::shared_ptr<Recordset> openRecordsetOn(const std::shared_ptr<Connection> &c, const QString &source,
                                           RecordsetType type)
{
    auto d = std::make_unique<Recordset::Impl>();
    d->c = c;
    d->type = type;

    std::optional<SimpleSelect> simple;
    if (type == RecordsetType::Table) {
        const QString name = source.trimmed();
        d->def = c->findTableDef(name);
        if (!d->def)
            throw Error(QStringLiteral("Die Tabelle '%1' ist nicht vorhanden.").arg(name));
        if (d->def->isAttached()) {
            simple.reset(); // attached tables are read as a snapshot
        } else {
            d->keyed = true;
            d->table = d->def->name;
        }
    } else {
        if (source.trimmed().isEmpty())
            throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
        simple = parseSimpleSelect(source);
        if (simple && c->isRealTable(simple->table)) {
            d->def = c->findTableDef(simple->table);
            d->keyed = true;
            d->table = d->def->name;
            d->keySql = QStringLiteral("SELECT %1.rowid FROM %2").arg(quoteIdent(simple->table), simple->fromRest);
        }
    }

    if (d->keyed) {
        const QString list = type == RecordsetType::Table ? QStringLiteral("*") : simple->selectList;
        d->rowList = list;
        d->rowStmt = c->prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(list, quoteIdent(d->table)));
        for (int i = 0; i < d->rowStmt.columnCount(); ++i)
            d->names << d->rowStmt.columnName(i);
        if (type == RecordsetType::Dynaset) {
            d->loadKeys();
            d->placeAt(0);
        } else {
            // Opening the table costs one row, not the whole key list.
            Statement st = c->prepare(
                QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1").arg(quoteIdent(d->table)));
            if (st.step()) {
                d->curRowid = sqlite3_column_int64(st.get(), 0);
                d->onRow = true;
                d->posKnown = false;
            } else {
                d->keysLoaded = true;
                d->placeAt(0);
            }
        }
    } else {
        const QString sql = type == RecordsetType::Table
            ? QStringLiteral("SELECT * FROM %1").arg(quoteIdent(d->def->name))
            : source;
        Statement st = c->prepare(sql);
        for (int i = 0; i < st.columnCount(); ++i)
            d->names << st.columnName(i);
        while (st.step()) {
            QVector<QVariant> row(d->names.size());
            for (int i = 0; i < row.size(); ++i)
                row[i] = st.column(i);
            d->rows << row;
        }
        d->placeAt(0);
    }
    return std::shared_ptr<Recordset>(new Recordset(std::move(d)));
}

RecordsetType Recordset::type() const
{
    return d->type;
}

bool Recordset::updatable() const
{
    return d->keyed;
}

int Recordset::fieldCount() const
{
    return int(d->names.size());
}

QString Recordset::fieldName(int position) const
{
    if (position < 0 || position >= d->names.size())
        throw Error(QStringLiteral("Das Feld Nummer %1 ist in dieser Datensatzgruppe nicht vorhanden.").arg(position));
    return d->names[position];
}

QStringList Recordset::fieldNames() const
{
    return d->names;
}

bool Recordset::hasField(const QString &name) const
{
    return d->names.contains(name, Qt::CaseInsensitive);
}

QVariant Recordset::value(const QString &name) const
{
    return d->valueAt(d->fieldIndex(name));
}

QVariant Recordset::value(int position) const
{
    return d->valueAt(position);
}

QString Recordset::text(const QString &name) const
{
    const QVariant v = value(name);
    return v.isNull() ? QString() : v.toString();
}

bool Recordset::isNull(const QString &name) const
{
    return value(name).isNull();
}

bool Recordset::eof() const
{
    return d->eof();
}

bool Recordset::bof() const
{
    return d->bof();
}

void Recordset::moveFirst()
{
    d->mode = EditMode::None;
    d->loadKeys();
    qint64 i = 0;
    while (i < d->size() && d->isDeleted(i))
        ++i;
    d->placeAt(i);
}

void Recordset::moveLast()
{
    d->mode = EditMode::None;
    d->loadKeys();
    qint64 i = d->size() - 1;
    while (i >= 0 && d->isDeleted(i))
        --i;
    d->placeAt(i < 0 ? d->size() : i);
}

void Recordset::moveNext()
{
    d->loadKeys();
    if (d->eof())
        throw Error(kNoCurrent);
    d->mode = EditMode::None;
    qint64 i = d->pos + 1;
    while (i < d->size() && d->isDeleted(i))
        ++i;
    d->placeAt(i);
}

void Recordset::movePrevious()
{
    d->loadKeys();
    if (d->bof())
        throw Error(kNoCurrent);
    d->mode = EditMode::None;
    qint64 i = d->pos - 1;
    while (i >= 0 && d->isDeleted(i))
        --i;
    d->placeAt(i);
}

int Recordset::recordCount() const
{
    if (d->type == RecordsetType::Table && d->keyed)
        return d->c->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdent(d->table))).toInt();
    return int(d->liveCount());
}

void Recordset::findFirst(const QString &criteria)
{
    d->find(criteria, 0, 1);
}

void Recordset::findNext(const QString &criteria)
{
    d->loadKeys();
    d->find(criteria, d->pos + 1, 1);
}

void Recordset::findPrevious(const QString &criteria)
{
    d->loadKeys();
    d->find(criteria, std::min(d->pos - 1, d->size() - 1), -1);
}

void Recordset::findLast(const QString &criteria)
{
    d->loadKeys();
    d->find(criteria, d->size() - 1, -1);
}

bool Recordset::noMatch() const
{
    return d->noMatch;
}

void Recordset::setIndex(const QString &indexName)
{
    if (d->type != RecordsetType::Table || !d->keyed)
        throw Error(QStringLiteral("Ein Index kann nur bei einer Tabelle gewählt werden."));
    for (const IndexDef &i : d->def->indexes) {
        if (i.name.compare(indexName, Qt::CaseInsensitive) == 0) {
            d->indexName = i.name;
            d->indexFields.clear();
            for (const QString &f : i.fields)
                d->indexFields << d->def->field(f)->name;
            // The order of the rows changes with the index; keep the row.
            d->keysLoaded = false;
            if (d->onRow)
                d->posKnown = false;
            return;
        }
    }
    throw Error(QStringLiteral("'%1' ist kein Index der Tabelle '%2'.").arg(indexName, d->table));
}

QString Recordset::index() const
{
    return d->indexName;
}

void Recordset::seek(const QString &comparison, const QVariant &key)
{
    if (d->indexFields.isEmpty())
        throw Error(QStringLiteral("Vor dem Suchen muss ein Index gewählt werden."));
    const QString op = comparison.trimmed();
    static const QStringList ops = {QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="),
                                    QStringLiteral(">=")};
    if (!ops.contains(op))
        throw Error(QStringLiteral("'%1' ist kein gültiger Vergleich für die Suche.").arg(comparison));
    d->mode = EditMode::None;
    const QString field = quoteIdent(d->indexFields.first());
    const bool backwards = op.startsWith(QLatin1Char('<'));
    const QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE %2 %3 ? ORDER BY %2 %4, rowid %4 LIMIT 1")
                            .arg(quoteIdent(d->table), field, op,
                                 backwards ? QStringLiteral("DESC") : QStringLiteral("ASC"));
    Statement st = d->c->prepare(sql, true);
    st.bind(1, key);
    if (st.step()) {
        d->curRowid = sqlite3_column_int64(st.get(), 0);
        d->onRow = true;
        d->cacheValid = false;
        d->noMatch = false;
        const auto it = d->keysLoaded ? std::find(d->keys.begin(), d->keys.end(), d->curRowid) : d->keys.end();
        if (it != d->keys.end()) {
            d->pos = qint64(it - d->keys.begin());
            d->posKnown = true;
        } else {
            // Not among the keys read so far: read them again when moving on.
            d->keysLoaded = false;
            d->posKnown = false;
        }
    } else {
        d->noMatch = true;
    }
}

void Recordset::edit()
{
    d->requireUpdatable();
    d->buffer = d->current();
    d->assigned = QVector<bool>(d->names.size(), false);
    d->mode = EditMode::Edit;
}

void Recordset::addNew()
{
    d->requireUpdatable();
    d->buffer = QVector<QVariant>(d->names.size());
    d->assigned = QVector<bool>(d->names.size(), false);
    for (int i = 0; i < d->names.size(); ++i) {
        const FieldDef *f = d->def->field(d->names[i]);
        if (!f)
            continue;
        if (f->autoIncrement) {
            // The new row's number is known before it is saved, as callers
            // rely on; it is the next one the table will hand out.
            const QVariant next = d->c->scalar(
                QStringLiteral("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?), 0), "
                               "coalesce((SELECT max(rowid) FROM %1), 0)) + 1")
                    .arg(quoteIdent(d->table)),
                {d->table});
            d->buffer[i] = next;
            d->assigned[i] = true;
            d->addNewRowid = next.toLongLong();
        } else if (f->defaultValue.isValid() && !f->defaultValue.isNull()) {
            d->buffer[i] = f->type == FieldType::Text ? QVariant(f->defaultValue.toString())
                                                      : QVariant(f->defaultValue.toLongLong());
        }
    }
    d->mode = EditMode::AddNew;
}

void Recordset::setValue(const QString &name, const QVariant &value)
{
    if (d->mode == EditMode::None)
        throw Error(QStringLiteral("Der Datensatz wurde nicht zum Bearbeiten geöffnet (Edit oder AddNew fehlt)."));
    const int i = d->fieldIndex(name);
    const FieldDef *f = d->def ? d->def->field(d->names[i]) : nullptr;
    if (f && f->autoIncrement)
        throw Error(QStringLiteral("Das Feld '%1' ist ein AutoWert und kann nicht geändert werden.").arg(f->name));
    d->buffer[i] = value;
    d->assigned[i] = true;
}

void Recordset::update()
{
    if (d->mode == EditMode::None)
        throw Error(QStringLiteral("Der Datensatz wurde nicht zum Bearbeiten geöffnet (Edit oder AddNew fehlt)."));
    QStringList cols;
    QVariantList values;
    for (int i = 0; i < d->names.size(); ++i) {
        if (d->assigned[i]) {
            cols << quoteIdent(d->names[i]);
            values << d->buffer[i];
        }
    }
    if (d->mode == EditMode::AddNew) {
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i)
            marks << QStringLiteral("?");
        const QString sql = cols.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(d->table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoteIdent(d->table), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        d->c->execChanges(sql, values);
        const qint64 rowid = sqlite3_last_insert_rowid(d->c->db());
        if (d->type == RecordsetType::Dynaset) {
            // New rows join a dynaset at its end.
            const bool wasEmptyEnd = d->posKnown && d->pos >= d->size();
            d->keys.push_back(rowid);
            if (wasEmptyEnd)
                d->pos = d->size();
        } else {
            d->keysLoaded = false;
            if (d->onRow)
                d->posKnown = false;
            else
                d->pos = -1;
        }
    } else if (!cols.isEmpty()) {
        QStringList sets;
        for (const QString &col : cols)
            sets << col + QStringLiteral(" = ?");
        values << d->curRowid;
        d->c->execChanges(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoteIdent(d->table), sets.join(QStringLiteral(", "))),
            values);
        if (d->type == RecordsetType::Table && !d->indexFields.isEmpty()) {
            d->keysLoaded = false;
            d->posKnown = false;
        }
    }
    d->mode = EditMode::None;
    d->cacheValid = false;
}

void Recordset::cancelUpdate()
{
    d->mode = EditMode::None;
}

void Recordset::deleteCurrent()
{
    d->requireUpdatable();
    d->requireRow();
    // The position must be known so that the next move steps past the hole.
    d->loadKeys();
    d->mode = EditMode::None;
    d->c->execChanges(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(d->table)), {d->curRowid});
    d->deleted.insert(d->curRowid);
    d->cacheValid = false;
}

EditMode Recordset::editMode() const
{
    return d->mode;
}

} // namespace store
