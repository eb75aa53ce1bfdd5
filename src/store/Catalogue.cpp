// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Catalogue.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Engine.h"
#include "store/LegacyImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using store::FieldType;
using store::TableDef;

namespace Catalogue {

void CreateLanguageTable(store::Database &db, const QString &name)
{
    TableDef t(name);
    t.appendIndex(QStringLiteral("VNr"), QStringLiteral("VNr"), true, true);
    t.appendIndex(QStringLiteral("FVok"), QStringLiteral("FVok"));
    t.appendIndex(QStringLiteral("MVok"), QStringLiteral("MVok"));
    t.appendIndex(QStringLiteral("Fach"), QStringLiteral("Fach"));
    t.appendField(QStringLiteral("VNr"), FieldType::Long).autoIncrement = true;
    t.appendField(QStringLiteral("FVokSound"), FieldType::Text, 50).allowZeroLength = true;
    t.appendField(QStringLiteral("FSatzSound"), FieldType::Text, 50).allowZeroLength = false;
    t.appendField(QStringLiteral("FVok"), FieldType::Text, 50);
    t.appendField(QStringLiteral("MVok"), FieldType::Text, 50);
    t.appendField(QStringLiteral("Artikel"), FieldType::Text, 5).allowZeroLength = true;
    t.appendField(QStringLiteral("FSatz"), FieldType::Text, 200).allowZeroLength = true;
    t.appendField(QStringLiteral("MSatz"), FieldType::Text, 200).allowZeroLength = true;
    t.appendField(QStringLiteral("Fach"), FieldType::Byte).defaultValue = 0;
    t.appendField(QStringLiteral("Kapitel"), FieldType::Integer).defaultValue = 0;
    t.appendField(QStringLiteral("gewusst"), FieldType::Byte).defaultValue = 0;
    t.appendField(QStringLiteral("Datum"), FieldType::DateTime);
    db.appendTableDef(t);
}

void CreateCatalogueTable(store::Database &db)
{
    TableDef t(QStringLiteral("tSprache"));
    t.appendIndex(QStringLiteral("SprachId"), QStringLiteral("SprachId"), true, true);
    t.appendField(QStringLiteral("SprachId"), FieldType::Long).autoIncrement = true;
    t.appendField(QStringLiteral("Tabelle"), FieldType::Text, 50).allowZeroLength = true;
    t.appendField(QStringLiteral("MutterSprache"), FieldType::Text, 30).required = true;
    t.appendField(QStringLiteral("FremdSprache"), FieldType::Text, 30).required = true;
    db.appendTableDef(t);
}

bool isFolderName(const QString &foreignLanguage)
{
    const bool onlyDots =
        std::all_of(foreignLanguage.begin(), foreignLanguage.end(), [](QChar c) { return c == QLatin1Char('.'); });
    return !foreignLanguage.trimmed().isEmpty() && !onlyDots && !foreignLanguage.contains(QLatin1Char('/'))
        && !foreignLanguage.contains(QLatin1Char('\\'));
}

QString soundFolder(const QString &foreignLanguage)
{
    if (!isFolderName(foreignLanguage))
        throw store::Error(QStringLiteral("„%1“ kann kein Ordner für die Töne einer Sprache sein: der Name darf "
                                          "weder / noch \\ enthalten und nicht nur aus Punkten bestehen.")
                               .arg(foreignLanguage));
    return Places::mapStoredPath(QStringLiteral(".\\") + foreignLanguage);
}

void ensureSoundFolder(const QString &foreignLanguage)
{
    const QString folder = soundFolder(foreignLanguage);
    if (!QFileInfo(folder).isDir())
        QDir().mkpath(folder);
}

LanguagePair addLanguagePair(store::Database &db, const QString &native, const QString &foreign)
{
    soundFolder(foreign); // refuse before anything is created
    LanguagePair pair{0, QStringLiteral("t") + foreign, native, foreign};
    db.beginTrans();
    try {
        // A file that lost its catalogue gets a new one with its first pair.
        if (!db.hasTable(QStringLiteral("tSprache")))
            CreateCatalogueTable(db);
        CreateLanguageTable(db, pair.Tabelle);
        db.execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES (?, ?, ?)"),
                   {pair.Tabelle, pair.MutterSprache, pair.FremdSprache});
        pair.SprachId = std::int16_t(db.openRecordset(QStringLiteral("Select max(SprachId) from tSprache"))->value(0).toInt());
        db.commitTrans();
    } catch (...) {
        db.rollback();
        throw;
    }
    return pair;
}

bool OpenVocabularyDatabase()
{
    AppState &a = AppState::instance();
    a.DatabasePath = Places::databasePath();
    if (QFileInfo::exists(a.DatabasePath)) {
        a.Database = store::Database::open(a.DatabasePath);
        return false;
    }
    a.SprachNr = 1;
    auto db = store::Database::create(a.DatabasePath, kLocale, kFormat);
    // The seed goes in whole or not at all: a half-made file would be taken
    // for a finished one at the next start.
    try {
        db->beginTrans();
        CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        CreateCatalogueTable(*db);
        db->execute(QStringLiteral(
            "INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES ('tEnglisch', 'Deutsch', 'Englisch')"));
        db->commitTrans();
    } catch (...) {
        db.reset();
        QFile::remove(a.DatabasePath);
        throw;
    }
    a.Database = db;
    ensureSoundFolder(QStringLiteral("Englisch"));
    if (QFileInfo::exists(QStringLiteral("vok1.mdb")))
        LegacyImport::ImportLegacyDatabase();
    return true;
}

void loadCatalogueRows()
{
    AppState &a = AppState::instance();
    // Whatever fails below, the catalogue never claims more pairs than it
    // holds entries.
    a.PairCount = 0;
    a.LanguageCatalogue = QVector<LanguagePair>(1);
    a.SqlText = QStringLiteral("Select count(*) from tSprache");
    const int count = std::clamp(a.Database->openRecordset(a.SqlText)->value(0).toInt(), 0, 32767);
    a.LanguageCatalogue = QVector<LanguagePair>(count + 1);
    a.PairCount = std::int16_t(count);
    for (int i = 1; i <= a.PairCount; ++i) {
        a.SqlText = QStringLiteral("Select * from tSprache Where SprachId = ") + QString::number(i);
        auto rs = a.Database->openRecordset(a.SqlText);
        LanguagePair &p = a.LanguageCatalogue[i];
        p.SprachId = std::int16_t(i);
        if (rs->eof())
            continue;
        p.SprachId = std::int16_t(rs->value(QStringLiteral("SprachId")).toInt());
        p.Tabelle = rs->text(QStringLiteral("Tabelle")).trimmed();
        p.MutterSprache = rs->text(QStringLiteral("MutterSprache")).trimmed();
        p.FremdSprache = rs->text(QStringLiteral("FremdSprache")).trimmed();
    }
}

} // namespace Catalogue
