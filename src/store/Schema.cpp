// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of a connection's file, their definitions, and the links to
// tables of other files.

#include "store/Connection.h"

#include "store/AccessFile.h"
#include "store/Errors.h"

#include "core/Places.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace store {

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

QString Connection::realTableName(const QString &name)
{
    if (name.startsWith(kSysPrefix, Qt::CaseInsensitive) || name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive))
        return QString();
    // SQL finds a table whatever the letter case of its ASCII letters.
    return scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                  {name})
        .toString();
}

QStringList Connection::linkNames()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM VkSysLinks ORDER BY rowid"));
    while (st.step())
        names << st.column(0).toString();
    return names;
}

// The engine's own description of a table lives in ordinary tables that a
// hand-edited file or an ALTER TABLE can contradict. The table's real columns
// are the truth; the description only adds what SQLite does not know.
TableDef definitionFromSqlite(Connection &c, const QString &table)
{
    TableDef def(table);
    {
        Statement p = c.prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
        p.bind(1, table);
        while (p.step()) {
            FieldDef fd;
            fd.name = p.column(0).toString();
            const QString t = p.column(1).toString().toUpper();
            fd.type = t.contains(QStringLiteral("INT")) ? FieldType::Long
                : t.contains(QStringLiteral("DATE")) ? FieldType::DateTime
                                                      : FieldType::Text;
            fd.size = fd.type == FieldType::Text ? 255 : 0;
            fd.autoIncrement = p.column(2).toInt() == 1 && t == QStringLiteral("INTEGER");
            fd.allowZeroLength = true;
            def.fields << fd;
        }
    }
    Statement f = c.prepare(QStringLiteral("SELECT name, type, size, autoinc, required, allowzero, dflt "
                                           "FROM VkSysFields WHERE tbl = ? ORDER BY pos"));
    f.bind(1, table);
    while (f.step()) {
        const QString name = f.column(0).toString();
        auto it = std::find_if(def.fields.begin(), def.fields.end(),
                               [&](const FieldDef &fd) { return fd.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (it == def.fields.end())
            continue; // describes a column the table no longer has
        const int type = f.column(1).toInt();
        if (type >= int(FieldType::Long) && type <= int(FieldType::DateTime))
            it->type = static_cast<FieldType>(type);
        const int size = f.column(2).toInt();
        it->size = it->type == FieldType::Text ? (size >= 1 && size <= 255 ? size : 255) : 0;
        it->autoIncrement = it->autoIncrement && f.column(3).toInt() != 0;
        it->required = f.column(4).toInt() != 0;
        it->allowZeroLength = f.column(5).toInt() != 0;
        it->defaultValue = f.column(6);
    }
    Statement i = c.prepare(
        QStringLiteral("SELECT name, fields, isprimary, isunique FROM VkSysIndexes WHERE tbl = ? ORDER BY rowid"));
    i.bind(1, table);
    while (i.step()) {
        IndexDef id;
        id.name = i.column(0).toString();
        id.primary = i.column(2).toInt() != 0;
        id.unique = i.column(3).toInt() != 0;
        // An index naming a field the table lacks cannot order anything;
        // it is left out rather than trusted.
        bool usable = !id.name.isEmpty();
        for (const QString &name : i.column(1).toString().split(QLatin1Char('\n'))) {
            const FieldDef *fd = def.field(name);
            if (!fd)
                usable = false;
            else
                id.fields << fd->name;
        }
        if (usable && !id.fields.isEmpty())
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
    // sqlite_master keeps the name as created; use that spelling.
    if (const QString real = realTableName(name); !real.isEmpty()) {
        def = definitionFromSqlite(*this, real);
    } else {
        Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks WHERE name = ? COLLATE NOCASE"));
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
    const std::optional<QByteArray> start = readFileStart(mapped, 16);
    if (!start)
        throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' wurde nicht gefunden.").arg(file, name));
    const bool ours = start->startsWith("SQLite format 3");
    QString attachPath = mapped;
    std::unique_ptr<QTemporaryDir> copy;
    if (!ours) {
        if (!access::isAccessFile(mapped))
            throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' ist keine lesbare Datenbank.")
                            .arg(file, name));
        // An Access table is read once, whole, into a file of our own that
        // stands in for it as long as the link is active.
        copy = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vokamia-link-XXXXXX"));
        if (!copy->isValid())
            throw Error(QStringLiteral("Für die verknüpfte Tabelle '%1' lässt sich keine Arbeitsdatei anlegen.").arg(name));
        attachPath = copy->filePath(QStringLiteral("table.db"));
        access::convert(mapped, attachPath, {source}, file);
    }

    linkErrors_.remove(name.toLower());
    const QString schema = QStringLiteral("vklink%1").arg(++linkCounter_);
    execChanges(QStringLiteral("ATTACH DATABASE ? AS ") + quoteIdent(schema), {attachPath});
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
    if (copy)
        linkCopies_[name.toLower()] = std::move(copy);
}

void Connection::deactivateLink(const QString &name)
{
    linkErrors_.remove(name.toLower());
    const QString schema = linkSchemas_.take(name.toLower());
    if (schema.isEmpty())
        return;
    // Statements that read the view must go before it; one in use is let go
    // by its owner.
    statements_.clear();
    exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(quoteIdent(name)));
    exec(QStringLiteral("DETACH DATABASE ") + quoteIdent(schema));
    linkCopies_.erase(name.toLower());
}

void Connection::activateLinks()
{
    Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks ORDER BY rowid"));
    QList<QStringList> links;
    while (st.step())
        links << QStringList{st.column(0).toString(), st.column(1).toString(), st.column(2).toString()};
    st = Statement();
    for (const QStringList &l : links) {
        // A link whose file is gone stays defined; using it reports why.
        try {
            activateLink(l[0], l[1], l[2]);
        } catch (const Error &e) {
            linkErrors_.insert(l[0].toLower(), e.description());
        }
    }
}

// The link a "no such table" failure is about, when that link is one whose
// file could not be attached.
QString Connection::brokenLinkIn(const QString &message) const
{
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:temp\\.)?(.*)$"));
    const QRegularExpressionMatch m = noTable.match(message);
    if (!m.hasMatch() || !linkErrors_.contains(m.captured(1).toLower()))
        return QString();
    return m.captured(1).toLower();
}

// A statement failed to compile because it reads a link whose file could not
// be attached: the file may have come back since the connection was opened;
// if not, the failure says which file is missing rather than that the table
// is.
Statement Connection::prepareThroughLink(const QString &sql, bool cache, int rc)
{
    const QString link = brokenLinkIn(QString::fromUtf8(sqlite3_errmsg(db_)));
    if (link.isEmpty())
        throwSqlite(db_, rc);
    const std::optional<TableDef> def = findTableDef(link);
    if (!def || !def->isAttached())
        throw Error(linkErrors_.value(link));
    try {
        activateLink(def->name, def->connect, def->sourceTableName);
    } catch (const Error &e) {
        linkErrors_.insert(link, e.description());
        throw;
    }
    return prepare(sql, cache);
}

} // namespace store
