// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageTable.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

void LanguageTable::create(const QString &file, const QString &foreign)
{
    path = file;
    table = QStringLiteral("t") + foreign;
    db = store::Database::create(path, Catalogue::kLocale, Catalogue::kFormat);
    Catalogue::CreateLanguageTable(*db, table);
    AppState &a = AppState::instance();
    a.Database = db;
    a.CurrentTable = table;
    a.ForeignLanguage = foreign;
    a.NativeLanguage = QStringLiteral("Deutsch");
    a.TableValid = true;
    a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
}

void LanguageTable::open(Sandbox &sb, const QString &foreign)
{
    create(sb.work->file(QStringLiteral("Vokabeln.mdb")), foreign);
}

void LanguageTable::close(Sandbox &sb)
{
    AppState::resetForTesting();
    db.reset();
    sb.stop();
}

void LanguageTable::insert(const QString &fields, const QVariantList &values) const
{
    QStringList marks;
    for (qsizetype i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    db->execute(QStringLiteral("INSERT INTO ") + Records::sqlTable() + QStringLiteral(" (") + fields
                    + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                values);
}

std::int32_t LanguageTable::add(const QString &fvok, const QString &mvok, int fach, const QString &fsatz,
                                const QString &msatz, const QString &artikel, int gewusst) const
{
    const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
    VocabularyRecord r;
    r.FVok = fvok;
    r.MVok = mvok;
    r.FSatz = text(fsatz);
    r.MSatz = text(msatz);
    r.Artikel = text(artikel);
    r.Fach = fach;
    r.gewusst = gewusst;
    return Records::addCard(r);
}

void LanguageTable::addMany(int n, int fach) const
{
    db->execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
                               "INSERT INTO ") + Records::sqlTable()
                    + QStringLiteral(" (FVok, MVok, Fach) SELECT printf('w%05d', i), 'n' || i, ? FROM n"),
                {n, fach});
}

void LanguageTable::openCompartment(int fach) const
{
    AppState &a = AppState::instance();
    a.CurrentFach = std::int16_t(fach);
    a.CompartmentRecordset = Records::openCompartment(fach, true);
}

VocabularyRecord LanguageTable::card(std::int32_t vnr) const
{
    auto rs = db->openRecordset(AppState::instance().CurrentTable, store::RecordsetType::Table);
    return Records::seekCard(*rs, vnr) ? Records::readCard(*rs) : VocabularyRecord{};
}

int LanguageTable::count(int fach)
{
    return fach < 0 ? Records::countAll() : Records::countCompartment(fach);
}

void LanguageTable::deleteElsewhere(std::int32_t vnr) const
{
    store::Database::open(path)->execute(
        QStringLiteral("DELETE FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr});
}
