// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/LegacyImport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/AccessFile.h"
#include "store/Catalogue.h"
#include "store/Connection.h"
#include "store/Engine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace LegacyImport {

namespace {

Progress &progress()
{
    static Progress p;
    return p;
}

void report(int done, int steps)
{
    if (!progress())
        return;
    progress()(done, steps);
    // While the reader works, the same step is shown again now and then.
    store::access::setWaitHook([done, steps] {
        if (progress())
            progress()(done, steps);
    });
}

// Ends the reports of one import or take-over, whichever way it ends.
struct ReportScope
{
    ~ReportScope() { store::access::setWaitHook({}); }
};

struct EarlierTable
{
    QString earlier;  // table in vok1.mdb
    QString table;    // its new language table
    QString foreign;  // foreign language and sound folder
};

// Runs a clean-up step whose own failure must not hide the error that made
// it necessary.
template <typename F>
void quietly(F &&f)
{
    try {
        f();
    } catch (const std::exception &) {
    }
}

} // namespace

void setProgress(Progress p)
{
    progress() = std::move(p);
}

bool isAccessDatabase(const QString &path)
{
    return store::access::isAccessFile(path);
}

void ImportLegacyDatabase()
{
    store::Database &db = *AppState::instance().Database;
    const QVector<EarlierTable> tables = {
        {QStringLiteral("TEnglish"), QStringLiteral("tEnglisch"), QStringLiteral("Englisch")},
        {QStringLiteral("TFrench"), QStringLiteral("tFranzösisch"), QStringLiteral("Französisch")},
        {QStringLiteral("TSpain"), QStringLiteral("tSpanisch"), QStringLiteral("Spanisch")},
        {QStringLiteral("TItalian"), QStringLiteral("tItalienisch"), QStringLiteral("Italienisch")},
    };
    ReportScope scope;
    report(0, int(tables.size()));
    for (int i = 0; i < tables.size(); ++i) {
        const EarlierTable &t = tables[i];
        const bool newPair = i > 0;
        bool created = false;
        try {
            if (newPair) {
                Catalogue::CreateLanguageTable(db, t.table);
                created = true;
            }
            store::TableDef link(t.earlier);
            link.connect = QStringLiteral(";DATABASE=vok1.mdb");
            link.sourceTableName = t.earlier;
            db.appendTableDef(link);
            const QString e = t.earlier;
            db.execute(QStringLiteral("INSERT INTO %1 ( VNr, FVok, Artikel, FSatz, MVok, MSatz, Fach, gewusst )").arg(t.table)
                       + QStringLiteral(" SELECT %1.VNr, %1.IVok, %1.Artikel, %1.ISatz, %1.DVok, %1.DSatz, %1.Fach, %1.nOk")
                             .arg(e)
                       + QStringLiteral(" FROM %1;").arg(e));
            db.deleteTableDef(t.earlier);
            if (newPair) {
                db.execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES ('%1', "
                                          "'Deutsch', '%2')")
                               .arg(t.table, t.foreign));
                created = false; // the pair is complete and stays
                Catalogue::ensureSoundFolder(t.foreign);
            }
        } catch (const std::exception &) {
            // The pair that failed leaves nothing behind: no attachment that
            // would name the earlier file forever, and no table without a
            // catalogue row that would keep the learner from adding the
            // language later. Its cards are still in the earlier file.
            quietly([&] {
                if (db.tableNames().contains(t.earlier))
                    db.deleteTableDef(t.earlier);
            });
            if (created)
                quietly([&] { db.deleteTableDef(t.table); });
            throw;
        }
        report(i + 1, int(tables.size()));
    }
}

namespace {

struct Pair
{
    QString table, native, foreign;
};

// The new file beside the original; a leftover of an attempt that was cut
// off is replaced.
QString buildingName(const QString &path)
{
    return path + QStringLiteral(".neu");
}

// A file of ours together with the log and log index SQLite keeps beside it.
void removeWithLog(const QString &file)
{
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
}

QString asideName(const QString &path)
{
    const QFileInfo info(path);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = base + QStringLiteral(" (Access)") + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral(" (Access %1)").arg(n) + suffix;
    return name;
}

const QString kSource = QStringLiteral("VkAltQuelle");

void attachSource(store::Database &db, const QString &file, const QString &table)
{
    store::TableDef link(kSource);
    link.connect = QStringLiteral(";DATABASE=") + file;
    link.sourceTableName = table;
    db.appendTableDef(link);
}

void buildFrom(const QString &converted, const QVector<store::access::TableCount> &counts, const QString &target,
               const QString &shownName)
{
    auto db = store::Database::create(target, Catalogue::kLocale, Catalogue::kFormat);
    Catalogue::CreateCatalogueTable(*db);

    QVector<Pair> pairs;
    attachSource(*db, converted, QStringLiteral("tSprache"));
    {
        auto rs = db->openRecordset(QStringLiteral("SELECT Tabelle, MutterSprache, FremdSprache FROM VkAltQuelle "
                                                   "ORDER BY SprachId"));
        for (; !rs->eof(); rs->moveNext())
            pairs << Pair{rs->text(QStringLiteral("Tabelle")).trimmed(), rs->text(QStringLiteral("MutterSprache")).trimmed(),
                          rs->text(QStringLiteral("FremdSprache")).trimmed()};
    }
    db->deleteTableDef(kSource);

    const QStringList fields = {
        QStringLiteral("VNr"),   QStringLiteral("FVokSound"), QStringLiteral("FSatzSound"), QStringLiteral("FVok"),
        QStringLiteral("MVok"),  QStringLiteral("Artikel"),   QStringLiteral("FSatz"),      QStringLiteral("MSatz"),
        QStringLiteral("Fach"),  QStringLiteral("Kapitel"),   QStringLiteral("gewusst"),    QStringLiteral("Datum"),
    };
    for (int i = 0; i < pairs.size(); ++i) {
        const Pair &p = pairs[i];
        // Pairs are numbered again 1, 2, 3 ... in their old order, as the
        // catalogue expects.
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES (?, ?, ?)"),
                    {p.table, p.native, p.foreign});
        Catalogue::CreateLanguageTable(*db, p.table);
        attachSource(*db, converted, p.table);
        QStringList present;
        {
            auto rs = db->openRecordset(QStringLiteral("SELECT * FROM VkAltQuelle WHERE 0 = 1"));
            for (const QString &f : fields)
                if (rs->hasField(f))
                    present << f;
        }
        if (!present.contains(QStringLiteral("VNr")))
            throw store::Error(QStringLiteral("Die Tabelle '%1' der Datei '%2' hat kein Feld VNr.").arg(p.table, shownName));
        QStringList values;
        for (const QString &f : present) {
            // The file may hold empty texts where the new schema refuses
            // them; an empty text and no text read alike.
            const store::FieldDef *def = db->tableDef(p.table).field(f);
            values << (def && def->type == store::FieldType::Text && !def->allowZeroLength
                           ? QStringLiteral("NULLIF([%1], '')").arg(f)
                           : QStringLiteral("[%1]").arg(f));
        }
        if (p.table.isEmpty() || p.table.contains(QLatin1Char(']')) || p.table.contains(QLatin1Char('[')))
            throw store::Error(QStringLiteral("Der Tabellenname '%1' in der Datei '%2' ist ungültig.").arg(p.table, shownName));
        const QString table = QStringLiteral("[%1]").arg(p.table);
        db->execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM VkAltQuelle")
                        .arg(table, QLatin1Char('[') + present.join(QStringLiteral("], [")) + QLatin1Char(']'),
                             values.join(QStringLiteral(", "))));
        db->deleteTableDef(kSource);

        qint64 expected = -1;
        for (const auto &c : counts)
            if (c.name.compare(p.table, Qt::CaseInsensitive) == 0)
                expected = c.rows;
        const qint64 copied = db->openRecordset(QStringLiteral("Select count(*) from ") + table)->value(0).toLongLong();
        if (copied != expected)
            throw store::Error(QStringLiteral("Die Tabelle '%1' der Datei '%2' hat %3 Datensätze, übernommen wurden %4.")
                                   .arg(p.table, shownName)
                                   .arg(expected)
                                   .arg(copied));
        report(i + 2, int(pairs.size()) + 2);
    }
    for (const Pair &p : pairs)
        if (Catalogue::isFolderName(p.foreign))
            Catalogue::ensureSoundFolder(p.foreign);
}

} // namespace

QString takeOverAccessDatabase(const QString &path)
{
    const QString shownName = QFileInfo(path).fileName();
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/vokamia-takeover-XXXXXX"));
    if (!work.isValid())
        throw store::Error(QStringLiteral("Für die Übernahme von '%1' lässt sich keine Arbeitsdatei anlegen.").arg(shownName));
    const QString converted = work.filePath(QStringLiteral("access.db"));
    const QString building = buildingName(path);
    removeWithLog(building);

    ReportScope scope;
    report(0, 2);
    const auto counts = store::access::convert(path, converted, {}, shownName);
    bool hasCatalogue = false;
    for (const auto &c : counts)
        hasCatalogue = hasCatalogue || c.name == QStringLiteral("tSprache");
    if (!hasCatalogue)
        throw store::Error(QStringLiteral("Die Access-Datei '%1' enthält keine Tabelle tSprache mit den Sprachpaaren.")
                               .arg(shownName));
    report(1, 2);
    try {
        buildFrom(converted, counts, building, shownName);
    } catch (...) {
        removeWithLog(building);
        throw;
    }
    // The new file was closed as the only connection to it, which writes its
    // log back into it; a log still beside it would not move with it.
    if (QFileInfo::exists(building + QStringLiteral("-wal"))) {
        removeWithLog(building);
        throw store::Error(QStringLiteral("Die neue Datenbank für '%1' ist noch geöffnet und kann nicht abgelegt "
                                          "werden; die Access-Datei bleibt unverändert.")
                               .arg(shownName));
    }

    const QString aside = asideName(path);
    if (!QFile::rename(path, aside)) {
        removeWithLog(building);
        throw store::Error(QStringLiteral("Die Access-Datei '%1' lässt sich nicht in '%2' umbenennen; sie bleibt "
                                          "unverändert.")
                               .arg(shownName, QFileInfo(aside).fileName()));
    }
    store::setAsideOrphanedLog(path);
    if (!QFile::rename(building, path)) {
        QFile::rename(aside, path);
        removeWithLog(building);
        throw store::Error(QStringLiteral("Die neue Datenbank lässt sich nicht unter '%1' ablegen; die Access-Datei "
                                          "bleibt unverändert.")
                               .arg(shownName));
    }
    return aside;
}

} // namespace LegacyImport
