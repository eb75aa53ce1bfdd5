// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Errors.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace store {

Error::Error(const QString &description, Kind kind)
    : std::runtime_error(description.toStdString()), description_(description), kind_(kind)
{
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

Error sqliteError(int ext, const QString &msg)
{
    const int primary = ext & 0xFF;
    const bool inUse = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
    return Error(germanMessage(ext, msg), inUse ? Error::Kind::InUse : Error::Kind::General);
}

void throwSqlite(sqlite3 *db, int rc)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    throw sqliteError(ext, msg);
}

} // namespace store
