#include "store/Connection.h"

#include "core/Places.h"
#include "store/Collation.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

namespace store {

Error::Error(const QString &description)
    : std::runtime_error(description.toStdString()), description_(description)
{
}

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

namespace {

// SQLite speaks English; the learner reads German. The common failures get a
// German sentence of their own, the rest keep the engine's words after a
// German lead-in.
QString germanMessage(int rc, const QString &msg)
{
    static const QRegularExpression noTable(QStringLiteral("^no such table: (.*)$"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (.*)$"));
    static const QRegularExpression tableExists(QStringLiteral("^table (.*) already exists$"));
    static const QRegularExpression unique(QStringLiteral("^UNIQUE constraint failed: (.*)$"));
    QRegularExpressionMatch m;
    const int primary = rc & 0xFF;

    if (rc == SQLITE_CONSTRAINT_TRIGGER)
        return msg; // our own German text from the schema checks
    if ((m = noTable.match(msg)).hasMatch())
        return QStringLiteral("Die Tabelle oder Abfrage '%1' ist nicht vorhanden.").arg(m.captured(1));
    if ((m = noColumn.match(msg)).hasMatch())
        return QStringLiteral("Das Feld '%1' ist nicht vorhanden.").arg(m.captured(1));
    if ((m = tableExists.match(msg)).hasMatch())
        return QStringLiteral("Die Tabelle %1 ist bereits vorhanden.").arg(m.captured(1));
    if ((m = unique.match(msg)).hasMatch())
        return QStringLiteral("Der Wert von %1 ist bereits vergeben: Ein eindeutiger Index erlaubt keine doppelten "
                              "Werte. Die Änderung wurde nicht gespeichert.")
            .arg(m.captured(1));
    if (msg.contains(QStringLiteral("syntax error")) || msg.contains(QStringLiteral("incomplete input"))
        || msg.contains(QStringLiteral("unrecognized token")))
        return QStringLiteral("Syntaxfehler in der SQL-Anweisung (%1).").arg(msg);
    switch (primary) {
    case SQLITE_NOTADB:
        return QStringLiteral("Die Datei ist keine gültige Vokabeldatenbank.");
    case SQLITE_CORRUPT:
        return QStringLiteral("Die Datenbankdatei ist beschädigt.");
    case SQLITE_READONLY:
        return QStringLiteral("Die Datenbank ist schreibgeschützt; die Änderung wurde nicht gespeichert.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Die Datenbank ist gesperrt, weil ein anderes Programm sie gerade benutzt.");
    case SQLITE_FULL:
        return QStringLiteral("Der Datenträger ist voll; die Änderung wurde nicht gespeichert.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Datenbankdatei kann nicht geöffnet werden.");
    case SQLITE_IOERR:
        return QStringLiteral("Lese- oder Schreibfehler beim Zugriff auf die Datenbankdatei.");
    case SQLITE_TOOBIG:
        return QStringLiteral("Der Wert ist zu groß.");
    default:
        break;
    }
    return QStringLiteral("Datenbankfehler: %1").arg(msg);
}

} // namespace

void throwSqlite(sqlite3 *db, int rc)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    throw Error(germanMessage(ext, msg));
}

// ---------------------------------------------------------------- Statement

Statement &Statement::operator=(Statement &&o) noexcept
{
    if (this != &o) {
        this->~Statement();
        db_ = o.db_;
        stmt_ = o.stmt_;
        cached_ = o.cached_;
        o.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    if (!stmt_)
        return;
    if (cached_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    } else {
        sqlite3_finalize(stmt_);
    }
    stmt_ = nullptr;
}

void Statement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
            break;
        case QMetaType::QDate:
            {
                const QByteArray t = value.toDate().toString(Qt::ISODate).toUtf8();
                rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            break;
        case QMetaType::QDateTime: {
            const QByteArray t = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(stmt_, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

void Statement::bindAll(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The error text belongs to the connection; read it before the reset.
    const int ext = sqlite3_extended_errcode(db_);
    const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw Error(germanMessage(ext, msg));
}

QVariant Statement::column(int i) const
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i)),
                                          sqlite3_column_bytes(stmt_, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt_, i)),
                                   sqlite3_column_bytes(stmt_, i)));
    default:
        return QVariant();
    }
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

// --------------------------------------------------------------- Connection

Connection::Connection(sqlite3 *db, QString path) : db_(db), path_(std::move(path))
{
    registerGermanCollation(db_);
    sqlite3_busy_timeout(db_, 2000);
    sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection()
{
    for (sqlite3_stmt *s : std::as_const(cache_))
        sqlite3_finalize(s);
    cache_.clear();
    sqlite3_close_v2(db_);
}

Statement Connection::prepare(const QString &sql, bool cache)
{
    if (cache) {
        if (sqlite3_stmt *s = cache_.value(sql))
            return Statement(db_, s, true);
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
    if (!stmt)
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    // One statement per call: a second one hidden after a semicolon is refused.
    if (tail && QByteArray(tail).trimmed().replace(';', "").trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        throw Error(QStringLiteral("Nach dem Ende der SQL-Anweisung folgen weitere Zeichen."));
    }
    if (cache) {
        if (cache_.size() >= 64) {
            for (sqlite3_stmt *s : std::as_const(cache_))
                sqlite3_finalize(s);
            cache_.clear();
        }
        cache_.insert(sql, stmt);
    }
    return Statement(db_, stmt, cache);
}

void Connection::exec(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (err)
        sqlite3_free(err);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

int Connection::execChanges(const QString &sql, const QVariantList &params)
{
    // Writing statements are prepared once: compiling an INSERT also compiles
    // the table's checks, which costs far more than running it.
    Statement st = prepare(sql, true);
    st.bindAll(params);
    while (st.step()) {
    }
    return sqlite3_changes(db_);
}

QVariant Connection::scalar(const QString &sql, const QVariantList &params)
{
    Statement st = prepare(sql, true);
    st.bindAll(params);
    return st.step() ? st.column(0) : QVariant();
}

QString Connection::meta(const QString &key)
{
    return scalar(QStringLiteral("SELECT value FROM VkSysMeta WHERE key = ?"), {key}).toString();
}

QStringList Connection::realTables()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid"));
    while (st.step()) {
        const QString n = st.column(0).toString();
        if (!n.startsWith(kSysPrefix, Qt::CaseInsensitive) && !n.startsWith(QStringLiteral("sqlite_")))
            names << n;
    }
    return names;
}

bool Connection::isRealTable(const QString &name)
{
    if (name.startsWith(kSysPrefix, Qt::CaseInsensitive))
        return false;
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"), {name})
               .toInt()
        > 0;
}

QStringList Connection::linkNames()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM VkSysLinks ORDER BY rowid"));
    while (st.step())
        names << st.column(0).toString();
    return names;
}

TableDef definitionFromSqlite(Connection &c, const QString &table)
{
    TableDef def(table);
    // Columns of a table the engine made itself are described in VkSysFields;
    // anything else is read from SQLite's own description.
    Statement f = c.prepare(QStringLiteral("SELECT name, type, size, autoinc, required, allowzero, dflt "
                                           "FROM VkSysFields WHERE tbl = ? ORDER BY pos"));
    f.bind(1, table);
    while (f.step()) {
        FieldDef fd;
        fd.name = f.column(0).toString();
        fd.type = static_cast<FieldType>(f.column(1).toInt());
        fd.size = f.column(2).toInt();
        fd.autoIncrement = f.column(3).toInt() != 0;
        fd.required = f.column(4).toInt() != 0;
        fd.allowZeroLength = f.column(5).toInt() != 0;
        fd.defaultValue = f.column(6);
        def.fields << fd;
    }
    if (def.fields.isEmpty()) {
        Statement p = c.prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
        p.bind(1, table);
        while (p.step()) {
            FieldDef fd;
            fd.name = p.column(0).toString();
            const QString t = p.column(1).toString().toUpper();
            fd.type = t.contains(QStringLiteral("INT")) ? FieldType::Long : FieldType::Text;
            fd.size = fd.type == FieldType::Text ? 255 : 0;
            fd.autoIncrement = p.column(2).toInt() == 1 && t == QStringLiteral("INTEGER");
            fd.allowZeroLength = true;
            def.fields << fd;
        }
    }
    Statement i = c.prepare(
        QStringLiteral("SELECT name, fields, isprimary, isunique FROM VkSysIndexes WHERE tbl = ? ORDER BY rowid"));
    i.bind(1, table);
    while (i.step()) {
        IndexDef id;
        id.name = i.column(0).toString();
        id.fields = i.column(1).toString().split(QLatin1Char('\n'));
        id.primary = i.column(2).toInt() != 0;
        id.unique = i.column(3).toInt() != 0;
        def.indexes << id;
    }
    return def;
}

std::optional<TableDef> Connection::findTableDef(const QString &name)
{
    const QString key = name.toLower();
    if (auto it = defs_.constFind(key); it != defs_.constEnd())
        return *it;
    std::optional<TableDef> def;
    if (isRealTable(name)) {
        // sqlite_master keeps the name as created; use that spelling.
        const QString real = scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?"),
                                    {name})
                                 .toString();
        def = definitionFromSqlite(*this, real);
    } else {
        Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks WHERE name = ?"));
        st.bind(1, name);
        if (st.step()) {
            TableDef d(st.column(0).toString());
            d.connect = st.column(1).toString();
            d.sourceTableName = st.column(2).toString();
            def = d;
        }
    }
    if (def)
        defs_.insert(key, *def);
    return def;
}

QString fileNameFromConnect(const QString &connect)
{
    const QStringList parts = connect.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        const int eq = p.indexOf(QLatin1Char('='));
        if (eq > 0 && p.left(eq).trimmed().compare(QStringLiteral("DATABASE"), Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1).trimmed();
    }
    return QString();
}

void Connection::activateLink(const QString &name, const QString &connect, const QString &source)
{
    const QString file = fileNameFromConnect(connect);
    if (file.isEmpty())
        throw Error(QStringLiteral("Die Verbindungszeichenfolge '%1' nennt keine Datenbankdatei (;DATABASE=...).")
                        .arg(connect));
    const QString mapped = Places::mapStoredPath(file);
    QFile probe(mapped);
    if (!probe.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' wurde nicht gefunden.").arg(file, name));
    if (!probe.read(16).startsWith("SQLite format 3"))
        throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' ist keine lesbare Datenbank.")
                        .arg(file, name));
    probe.close();

    const QString schema = QStringLiteral("vklink%1").arg(++linkCounter_);
    execChanges(QStringLiteral("ATTACH DATABASE ? AS ") + quoteIdent(schema), {mapped});
    try {
        exec(QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2.%3")
                 .arg(quoteIdent(name), quoteIdent(schema), quoteIdent(source)));
        // The view is only checked when used: use it once so a missing source
        // table shows now, not on the first query.
        prepare(QStringLiteral("SELECT * FROM temp.%1 LIMIT 0").arg(quoteIdent(name)));
    } catch (const Error &) {
        try {
            exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(quoteIdent(name)));
        } catch (const Error &) {
        }
        exec(QStringLiteral("DETACH DATABASE ") + quoteIdent(schema));
        throw Error(QStringLiteral("Die Tabelle '%1' ist in der Datei '%2' nicht vorhanden.").arg(source, file));
    }
    linkSchemas_.insert(name.toLower(), schema);
}

void Connection::deactivateLink(const QString &name)
{
    const QString schema = linkSchemas_.take(name.toLower());
    if (schema.isEmpty())
        return;
    for (sqlite3_stmt *s : std::as_const(cache_))
        sqlite3_finalize(s);
    cache_.clear();
    exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(quoteIdent(name)));
    exec(QStringLiteral("DETACH DATABASE ") + quoteIdent(schema));
}

void Connection::activateLinks()
{
    Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks ORDER BY rowid"));
    QList<QStringList> links;
    while (st.step())
        links << QStringList{st.column(0).toString(), st.column(1).toString(), st.column(2).toString()};
    st = Statement();
    for (const QStringList &l : links) {
        // A link whose file is gone stays defined; using it reports the error.
        try {
            activateLink(l[0], l[1], l[2]);
        } catch (const Error &) {
        }
    }
}

} // namespace store
