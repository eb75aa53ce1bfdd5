// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Connection.h"
#include "store/Collation.h"
#include "store/Statistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace store {

std::shared_ptr<Recordset> openRecordsetOn(const std::shared_ptr<Connection> &c, const QString &source,
                                           RecordsetType type);

// -------------------------------------------------------------- definitions

FieldDef &TableDef::appendField(const QString &fieldName, FieldType type, int size)
{
    FieldDef f;
    f.name = fieldName;
    f.type = type;
    f.size = type == FieldType::Text ? (size > 0 ? size : 50) : 0;
    fields << f;
    return fields.last();
}

IndexDef &TableDef::appendIndex(const QString &indexName, const QString &field, bool primary, bool unique)
{
    IndexDef i;
    i.name = indexName;
    i.fields = QStringList{field};
    i.primary = primary;
    i.unique = unique || primary;
    indexes << i;
    return indexes.last();
}

const FieldDef *TableDef::field(const QString &fieldName) const
{
    for (const FieldDef &f : fields)
        if (f.name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

namespace {

bool isDataStatement(const QString &sql)
{
    const QString first = sql.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
    return first == QLatin1String("insert") || first == QLatin1String("update") || first == QLatin1String("delete")
        || first == QLatin1String("replace") || first == QLatin1String("select");
}

const char *kMetaSchema[] = {
    "CREATE TABLE VkSysMeta (key TEXT PRIMARY KEY, value TEXT)",
    "CREATE TABLE VkSysFields (tbl TEXT NOT NULL, pos INTEGER NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, "
    "size INTEGER NOT NULL, autoinc INTEGER NOT NULL, required INTEGER NOT NULL, allowzero INTEGER NOT NULL, "
    "dflt, PRIMARY KEY (tbl, pos))",
    "CREATE TABLE VkSysIndexes (tbl TEXT NOT NULL, name TEXT NOT NULL, fields TEXT NOT NULL, "
    "isprimary INTEGER NOT NULL, isunique INTEGER NOT NULL)",
    "CREATE TABLE VkSysLinks (name TEXT PRIMARY KEY, connect TEXT NOT NULL, source TEXT NOT NULL)",
};

// Names follow the engine's rules: at most 64 characters, no leading blank,
// none of . ! ` [ ] and no control characters.
void checkName(const QString &name, const QString &what)
{
    bool ok = !name.trimmed().isEmpty() && name.size() <= 64 && !name.startsWith(QLatin1Char(' '));
    for (const QChar ch : name) {
        if (ch.unicode() < 32 || ch == QLatin1Char('.') || ch == QLatin1Char('!') || ch == QLatin1Char('`')
            || ch == QLatin1Char('[') || ch == QLatin1Char(']'))
            ok = false;
    }
    if (!ok)
        throw Error(QStringLiteral("'%1' ist kein gültiger %2. Namen sind höchstens 64 Zeichen lang, beginnen nicht "
                                   "mit einem Leerzeichen und enthalten keines der Zeichen . ! ` [ ]")
                        .arg(name, what));
}

struct Range
{
    qint64 lo, hi;
};

Range rangeOf(FieldType t)
{
    switch (t) {
    case FieldType::Long:
        return {-2147483648LL, 2147483647LL};
    case FieldType::Integer:
        return {-32768, 32767};
    case FieldType::Byte:
        return {0, 255};
    default:
        return {0, 0};
    }
}

bool isInteger(FieldType t)
{
    return t == FieldType::Long || t == FieldType::Integer || t == FieldType::Byte;
}

QString raise(const QString &message)
{
    return QStringLiteral("RAISE(ABORT, %1)").arg(quoteText(message));
}

// The checks a row must pass, as the WHEN branches of one CASE. They run as
// triggers, so they hold for every way of writing: recordsets and SQL alike.
QStringList rowChecks(const TableDef &def, bool forUpdate)
{
    QStringList when;
    QSet<QString> primaryFields;
    for (const IndexDef &i : def.indexes)
        if (i.primary)
            for (const QString &f : i.fields)
                primaryFields.insert(f.toLower());

    for (const FieldDef &f : def.fields) {
        const QString col = QStringLiteral("NEW.") + quoteIdent(f.name);
        const QString label = def.name + QLatin1Char('.') + f.name;
        if (f.autoIncrement) {
            if (forUpdate)
                when << QStringLiteral("WHEN %1 IS NOT OLD.%2 THEN %3")
                            .arg(col, quoteIdent(f.name),
                                 raise(QStringLiteral("Das Feld '%1' ist ein AutoWert und kann nicht geändert werden.")
                                           .arg(label)));
        } else if (f.required || primaryFields.contains(f.name.toLower())) {
            when << QStringLiteral("WHEN %1 IS NULL THEN %2")
                        .arg(col, raise(QStringLiteral("Das Feld '%1' erfordert einen Wert. Geben Sie einen Wert in "
                                                       "das Feld ein.")
                                            .arg(label)));
        }
        if (f.type == FieldType::Text) {
            when << QStringLiteral("WHEN %1 IS NOT NULL AND length(%1) > %2 THEN %3")
                        .arg(col)
                        .arg(f.size)
                        .arg(raise(QStringLiteral("Der Text für das Feld '%1' ist zu lang: höchstens %2 Zeichen sind "
                                                  "erlaubt.")
                                       .arg(label)
                                       .arg(f.size)));
            if (!f.allowZeroLength)
                when << QStringLiteral("WHEN typeof(%1) = 'text' AND length(%1) = 0 THEN %2")
                            .arg(col, raise(QStringLiteral("Das Feld '%1' darf keine leere Zeichenfolge enthalten.")
                                                .arg(label)));
        } else if (isInteger(f.type)) {
            const Range r = rangeOf(f.type);
            when << QStringLiteral("WHEN %1 IS NOT NULL AND typeof(%1) <> 'integer' THEN %2")
                        .arg(col, raise(QStringLiteral("Der Wert für das Feld '%1' ist keine ganze Zahl.").arg(label)));
            when << QStringLiteral("WHEN %1 NOT BETWEEN %2 AND %3 THEN %4")
                        .arg(col)
                        .arg(r.lo)
                        .arg(r.hi)
                        .arg(raise(QStringLiteral("Der Wert für das Feld '%1' liegt außerhalb des zulässigen Bereichs "
                                                  "(%2 bis %3).")
                                       .arg(label)
                                       .arg(r.lo)
                                       .arg(r.hi)));
        }
    }
    return when;
}

QString defaultClause(const FieldDef &f)
{
    if (!f.defaultValue.isValid() || f.defaultValue.isNull())
        return QString();
    bool isNumber = false;
    const QString text = f.defaultValue.toString();
    text.toDouble(&isNumber);
    if (isNumber && f.type != FieldType::Text)
        return QStringLiteral(" DEFAULT ") + QString::number(text.toDouble(), 'g', 17);
    return QStringLiteral(" DEFAULT ") + quoteText(text);
}

// Lists of cards are ordered by the words of their lines, within one
// compartment or over all of them. The engine keeps two indexes of its own on
// every table that has those fields, so such a list needs no sort. They are
// not among the table's indexes and are made again where missing.
void ensureOrderIndexes(Connection &c, const QString &table)
{
    QStringList columns;
    Statement p = c.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    p.bind(1, table);
    while (p.step())
        columns << p.column(0).toString().toLower();
    p = Statement();
    const QStringList wanted = {QStringLiteral("fach"), QStringLiteral("fvok"), QStringLiteral("mvok")};
    for (const QString &w : wanted)
        if (!columns.contains(w))
            return;
    const QString t = quoteIdent(table);
    c.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (Fach, FVok, MVok)")
               .arg(quoteIdent(kSysPrefix + QStringLiteral("Ord1$") + table), t));
    c.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (FVok, MVok, Fach)")
               .arg(quoteIdent(kSysPrefix + QStringLiteral("Ord2$") + table), t));
}

// Runs a change of the schema as one unit: if any step fails, the steps
// before it are undone; either way the table definitions are read afresh.
template <typename F>
void asOneUnit(Connection &c, F &&steps)
{
    c.exec(QStringLiteral("SAVEPOINT vkddl"));
    try {
        steps();
        c.exec(QStringLiteral("RELEASE vkddl"));
    } catch (const Error &) {
        c.exec(QStringLiteral("ROLLBACK TO vkddl"));
        c.exec(QStringLiteral("RELEASE vkddl"));
        c.forgetDefinitions();
        throw;
    }
    c.forgetDefinitions();
}

// A table of another file, attached and remembered among the links.
void appendLink(Connection &c, const TableDef &def)
{
    if (def.sourceTableName.isEmpty())
        throw Error(QStringLiteral("Für die verknüpfte Tabelle '%1' fehlt der Name der Quelltabelle.").arg(def.name));
    c.activateLink(def.name, def.connect, def.sourceTableName);
    try {
        c.execChanges(QStringLiteral("INSERT INTO VkSysLinks (name, connect, source) VALUES (?, ?, ?)"),
                      {def.name, def.connect, def.sourceTableName});
    } catch (const Error &) {
        c.deactivateLink(def.name);
        throw;
    }
    c.forgetDefinitions();
}

// A name of a field or index: valid, and not given twice in its table
// (`twice` says so, given the name and the table's name).
void checkNameOnce(const QString &name, const QString &what, QSet<QString> &seen, const QString &twice,
                   const QString &table)
{
    checkName(name, what);
    if (seen.contains(name.toLower()))
        throw Error(twice.arg(name, table));
    seen.insert(name.toLower());
}

// The fields' names, sizes and auto numbers as the engine allows them;
// returns the auto-number field, if any.
const FieldDef *checkFields(const TableDef &def)
{
    if (def.fields.isEmpty())
        throw Error(QStringLiteral("Die Tabelle '%1' hat keine Felder.").arg(def.name));
    const FieldDef *autoField = nullptr;
    QSet<QString> seen;
    for (const FieldDef &f : def.fields) {
        checkNameOnce(f.name, QStringLiteral("Feldname"), seen,
                      QStringLiteral("Das Feld '%1' ist in der Tabelle '%2' doppelt vorhanden."), def.name);
        if (f.type == FieldType::Text && (f.size < 1 || f.size > 255))
            throw Error(QStringLiteral("Die Feldgröße von '%1' ist ungültig (1 bis 255 Zeichen).").arg(f.name));
        if (f.autoIncrement) {
            if (f.type != FieldType::Long)
                throw Error(QStringLiteral("Das Feld '%1' kann kein AutoWert sein: nur 32-Bit-Zahlen zählen selbst.")
                                .arg(f.name));
            if (autoField)
                throw Error(QStringLiteral("Die Tabelle '%1' kann nur ein AutoWert-Feld haben.").arg(def.name));
            autoField = &f;
        }
    }
    return autoField;
}

void checkIndexes(const TableDef &def)
{
    int primaries = 0;
    QSet<QString> seen;
    for (const IndexDef &i : def.indexes) {
        checkNameOnce(i.name, QStringLiteral("Indexname"), seen,
                      QStringLiteral("Der Index '%1' ist in der Tabelle '%2' doppelt vorhanden."), def.name);
        if (i.fields.isEmpty())
            throw Error(QStringLiteral("Der Index '%1' hat kein Feld.").arg(i.name));
        for (const QString &f : i.fields)
            if (!def.field(f))
                throw Error(QStringLiteral("Der Index '%1' nennt das Feld '%2', das die Tabelle nicht hat.").arg(i.name, f));
        if (i.primary)
            ++primaries;
    }
    if (primaries > 1)
        throw Error(QStringLiteral("Die Tabelle '%1' kann nur einen Primärschlüssel haben.").arg(def.name));
}

QStringList columnDefinitions(const TableDef &def, const FieldDef *autoField)
{
    QStringList columns;
    for (const FieldDef &f : def.fields) {
        QString col = quoteIdent(f.name);
        if (&f == autoField)
            col += QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
        else if (isInteger(f.type))
            col += QStringLiteral(" INTEGER");
        else if (f.type == FieldType::Text)
            col += QStringLiteral(" TEXT COLLATE ") + QLatin1String(kGermanCollation);
        else
            col += QStringLiteral(" DATETIME");
        col += defaultClause(f);
        columns << col;
    }
    return columns;
}

// The table's indexes, and their description. The auto-number field alone
// needs none: it is the row id.
void createIndexes(Connection &c, const TableDef &def, const FieldDef *autoField)
{
    for (const IndexDef &i : def.indexes) {
        const bool isRowid
            = autoField && i.fields.size() == 1 && i.fields.first().compare(autoField->name, Qt::CaseInsensitive) == 0;
        if (!isRowid) {
            QStringList cols;
            for (const QString &f : i.fields)
                cols << quoteIdent(def.field(f)->name);
            c.exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                       .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(),
                            quoteIdent(def.name + QLatin1Char('$') + i.name), quoteIdent(def.name),
                            cols.join(QStringLiteral(", "))));
        }
        c.execChanges(QStringLiteral("INSERT INTO VkSysIndexes VALUES (?, ?, ?, ?, ?)"),
                      {def.name, i.name, i.fields.join(QLatin1Char('\n')), i.primary ? 1 : 0,
                       (i.unique || i.primary) ? 1 : 0});
    }
}

// The row checks as two triggers, one before an insert and one before an
// update.
void createRowChecks(Connection &c, const TableDef &def)
{
    for (const bool upd : {false, true}) {
        const QStringList when = rowChecks(def, upd);
        if (when.isEmpty())
            continue;
        c.exec(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN SELECT CASE %4 END; END")
                   .arg(quoteIdent(def.name + (upd ? QStringLiteral("$upd") : QStringLiteral("$ins"))),
                        upd ? QStringLiteral("UPDATE") : QStringLiteral("INSERT"), quoteIdent(def.name),
                        when.join(QLatin1Char(' '))));
    }
}

} // namespace

void setAsideOrphanedLog(const QString &path)
{
    // A log beside a file that is not there belongs to some earlier file of
    // that name; a whole file moved into that place would take its pages
    // for its own. It is kept under another name rather than thrown away;
    // the index is only ever rebuilt from a log.
    const QString log = path + QStringLiteral("-wal");
    if (QFileInfo::exists(log)) {
        QString aside = log + QStringLiteral(".alt");
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = log + QStringLiteral(".alt%1").arg(n);
        QFile::rename(log, aside);
    }
    QFile::remove(path + QStringLiteral("-shm"));
}

// ----------------------------------------------------------------- Database

Database::Database(std::shared_ptr<Connection> c) : c_(std::move(c)) {}

Database::~Database() = default;

std::shared_ptr<Database> Database::create(const QString &path, const QString &locale, int formatOption)
{
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("Die Datenbank '%1' ist bereits vorhanden.").arg(path));
    // A log left beside a file of that name that is gone SQLite throws away
    // itself when it finds the new file empty.
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        QFile::remove(path);
        throw Error(QStringLiteral("Die Datenbank '%1' kann nicht angelegt werden.").arg(path));
    }
    auto c = std::make_shared<Connection>(db, path);
    c->changes().useWriteAheadLog();
    try {
        c->exec(QStringLiteral("BEGIN"));
        for (const char *sql : kMetaSchema)
            c->exec(QString::fromLatin1(sql));
        c->execChanges(QStringLiteral("INSERT INTO VkSysMeta VALUES ('locale', ?), ('format', ?), ('engine', 'Vokamia 1')"),
                       {locale, formatOption});
        c->exec(QStringLiteral("COMMIT"));
    } catch (const Error &) {
        c.reset();
        QFile::remove(path);
        throw;
    }
    std::shared_ptr<Database> database(new Database(c));
    database->statisticsProblem_ = Statistics::prepareFile(*database);
    return database;
}

std::shared_ptr<Database> Database::open(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        throw Error(QStringLiteral("'%1' ist ein Ordner und keine Datenbankdatei. Benennen Sie den Ordner um, damit "
                                   "Vokamia die Datenbank dort anlegen kann.")
                        .arg(path));
    if (!info.exists() || !info.isFile())
        throw Error(QStringLiteral("Die Datenbank '%1' wurde nicht gefunden.").arg(path));

    // A file marked read-only is taken at its word even where the user could
    // write anyway (root): the learner protected it on purpose.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & 0222) == 0)
        throw Error(QStringLiteral("Die Datenbank '%1' ist schreibgeschützt. Vokamia braucht Schreibzugriff auf "
                                   "diese Datei.")
                        .arg(path));

    // The log and its index lie beside the file; without them nothing can
    // be stored, so a folder marked read-only is refused like the file.
    if (::stat(QFile::encodeName(info.absolutePath()).constData(), &st) == 0 && (st.st_mode & 0222) == 0)
        throw Error(QStringLiteral("Der Ordner '%1' der Datenbank ist schreibgeschützt. Vokamia braucht dort "
                                   "Schreibzugriff, auch für die Dateien, die es neben der Datenbank anlegt.")
                        .arg(QDir::toNativeSeparators(info.absolutePath())));

    const std::optional<QByteArray> start = readFileStart(path, 100);
    if (!start)
        throw Error(QStringLiteral("Die Datenbank '%1' kann nicht gelesen werden.").arg(path));
    const QByteArray &header = *start;
    if (header.isEmpty())
        throw Error(QStringLiteral("Die Datenbank '%1' ist leer.").arg(path));
    if (!header.startsWith(QByteArray("SQLite format 3\0", 16)) || header.size() < 100)
        throw Error(QStringLiteral("Die Datei '%1' ist keine Vokabeldatenbank.").arg(path));

    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw Error(QStringLiteral("Die Datenbank '%1' kann nicht geöffnet werden.").arg(path));
    }
    auto c = std::make_shared<Connection>(db, path);
    if (sqlite3_db_readonly(db, "main") == 1)
        throw Error(QStringLiteral("Die Datenbank '%1' ist schreibgeschützt. Vokamia braucht Schreibzugriff auf "
                                   "diese Datei.")
                        .arg(path));
    try {
        if (c->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'VkSysMeta'")).toInt() != 1)
            throw Error(QString());
        c->meta(QStringLiteral("locale"));
        // Reading the whole schema touches every page of the catalogue, so a
        // file cut short shows now rather than in the middle of a lesson.
        c->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        c->scalar(QStringLiteral("SELECT count(*) FROM VkSysFields"));
    } catch (const Error &e) {
        if (e.description().isEmpty())
            throw Error(QStringLiteral("Die Datei '%1' ist keine Vokabeldatenbank.").arg(path));
        // A good file that another program holds locked must not be taken
        // for a broken one: the learner might throw it away.
        if (e.kind() == Error::Kind::InUse)
            throw Error(QStringLiteral("Die Datenbank '%1' wird gerade von einem anderen Programm benutzt und ist "
                                       "gesperrt. Schließen Sie das andere Programm und starten Sie Vokamia erneut.")
                            .arg(path),
                        Error::Kind::InUse);
        throw Error(QStringLiteral("Die Datenbank '%1' ist beschädigt und kann nicht geöffnet werden (%2)")
                        .arg(path, e.description()));
    }
    // An older file gets the engine's own list indexes; if that fails (a
    // full disk) the file stays as it was and lists just sort.
    try {
        c->exec(QStringLiteral("SAVEPOINT vkorder"));
        try {
            for (const QString &t : c->realTables())
                ensureOrderIndexes(*c, t);
            c->exec(QStringLiteral("RELEASE vkorder"));
        } catch (const Error &) {
            c->exec(QStringLiteral("ROLLBACK TO vkorder"));
            c->exec(QStringLiteral("RELEASE vkorder"));
        }
    } catch (const Error &) {
    }
    c->changes().useWriteAheadLog();
    c->activateLinks();
    std::shared_ptr<Database> database(new Database(c));
    database->statisticsProblem_ = Statistics::prepareFile(*database);
    return database;
}

QString Database::path() const
{
    return c_->path();
}

QString Database::locale() const
{
    return c_->meta(QStringLiteral("locale"));
}

int Database::formatOption() const
{
    return c_->meta(QStringLiteral("format")).toInt();
}

int Database::execute(const QString &sql)
{
    if (sql.trimmed().isEmpty())
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    const BoundSql bound = bindLiterals(sql);
    if (!bound.params.isEmpty())
        return c_->execChanges(bound.sql, bound.params);
    const int changed = c_->execChanges(sql);
    // A statement that changed the schema leaves the known definitions stale.
    if (!isDataStatement(sql))
        c_->forgetDefinitions();
    return changed;
}

int Database::execute(const QString &sql, const QVariantList &params)
{
    if (sql.trimmed().isEmpty())
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    return c_->execChanges(sql, params);
}

void Database::forEachRowUntil(const QString &sql, const QVariantList &params,
                               const std::function<bool(const QVariantList &row)> &row)
{
    if (sql.trimmed().isEmpty())
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    // Kept compiled: a look-up asked once for every line of a long list
    // would otherwise cost more to compile than to run.
    Statement st = c_->prepare(sql, true);
    st.bindAll(params);
    QVariantList values;
    while (st.step()) {
        values.clear();
        for (int i = 0, n = st.columnCount(); i < n; ++i)
            values << st.column(i);
        if (!row(values))
            break;
    }
}

std::shared_ptr<Recordset> Database::openRecordset(const QString &source, RecordsetType type)
{
    return openRecordsetOn(c_, source, type);
}

QStringList Database::tableNames() const
{
    return c_->realTables() + c_->linkNames();
}

bool Database::hasTable(const QString &name) const
{
    for (const QString &t : tableNames())
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TableDef Database::tableDef(const QString &name) const
{
    if (auto d = c_->findTableDef(name))
        return *d;
    throw Error(QStringLiteral("Die Tabelle '%1' ist nicht vorhanden.").arg(name));
}

void Database::appendTableDef(const TableDef &def)
{
    checkName(def.name, QStringLiteral("Tabellenname"));
    if (def.name.startsWith(kSysPrefix, Qt::CaseInsensitive) || def.name.startsWith(QStringLiteral("sqlite_")))
        throw Error(QStringLiteral("Der Tabellenname '%1' ist für das Datenbanksystem reserviert.").arg(def.name));
    if (hasTable(def.name))
        throw Error(QStringLiteral("Die Tabelle '%1' ist bereits vorhanden.").arg(def.name));
    if (def.isAttached()) {
        appendLink(*c_, def);
        return;
    }
    const FieldDef *autoField = checkFields(def);
    checkIndexes(def);
    const QStringList columns = columnDefinitions(def, autoField);
    asOneUnit(*c_, [&] {
        c_->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdent(def.name), columns.join(QStringLiteral(", "))));
        createIndexes(*c_, def, autoField);
        createRowChecks(*c_, def);
        for (int p = 0; p < def.fields.size(); ++p) {
            const FieldDef &f = def.fields[p];
            c_->execChanges(QStringLiteral("INSERT INTO VkSysFields VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                            {def.name, p, f.name, int(f.type), f.size, f.autoIncrement ? 1 : 0, f.required ? 1 : 0,
                             f.allowZeroLength ? 1 : 0, f.defaultValue});
        }
        ensureOrderIndexes(*c_, def.name);
    });
}

void Database::deleteTableDef(const QString &name)
{
    const auto def = c_->findTableDef(name);
    if (!def)
        throw Error(QStringLiteral("Die Tabelle '%1' ist nicht vorhanden.").arg(name));
    if (def->isAttached()) {
        c_->deactivateLink(def->name);
        c_->execChanges(QStringLiteral("DELETE FROM VkSysLinks WHERE name = ?"), {def->name});
    } else {
        asOneUnit(*c_, [&] {
            c_->exec(QStringLiteral("DROP TABLE ") + quoteIdent(def->name));
            c_->execChanges(QStringLiteral("DELETE FROM VkSysFields WHERE tbl = ?"), {def->name});
            c_->execChanges(QStringLiteral("DELETE FROM VkSysIndexes WHERE tbl = ?"), {def->name});
        });
    }
    c_->forgetDefinitions();
}

void Database::beginTrans()
{
    c_->exec(QStringLiteral("SAVEPOINT vktrans%1").arg(c_->transactionDepth + 1));
    ++c_->transactionDepth;
}

void Database::commitTrans()
{
    if (c_->transactionDepth == 0)
        throw Error(QStringLiteral("Es ist keine Transaktion geöffnet."));
    c_->exec(QStringLiteral("RELEASE vktrans%1").arg(c_->transactionDepth));
    --c_->transactionDepth;
}

void Database::rollback()
{
    if (c_->transactionDepth == 0)
        throw Error(QStringLiteral("Es ist keine Transaktion geöffnet."));
    c_->exec(QStringLiteral("ROLLBACK TO vktrans%1").arg(c_->transactionDepth));
    c_->exec(QStringLiteral("RELEASE vktrans%1").arg(c_->transactionDepth));
    --c_->transactionDepth;
    c_->forgetDefinitions();
    // Rows read before the rollback may show values that are gone now.
    c_->changes().invalidateAll();
}

bool Database::inTransaction() const
{
    return c_->transactionDepth > 0;
}

} // namespace store
