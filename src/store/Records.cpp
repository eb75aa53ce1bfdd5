// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Records.h"

#include "core/AppState.h"
#include "store/Connection.h"
#include "store/Engine.h"
#include "store/SqlNames.h"
#include "store/TextMatch.h"

#include <algorithm>
#include <functional>

namespace Records {

// Raises the connection's page cache to `kib` for as long as it lives (0:
// leaves it alone), then puts the old size back.
class PageCache
{
public:
    PageCache(store::Database &db, int kib) : db_(db)
    {
        if (kib <= 0)
            return;
        try {
            old_ = db.openRecordset(QStringLiteral("PRAGMA cache_size"))->value(0);
            db.execute(QStringLiteral("PRAGMA cache_size = -") + QString::number(kib));
        } catch (const store::Error &) {
            old_ = QVariant(); // a cache of the usual size only costs time
        }
    }
    ~PageCache()
    {
        if (old_.isNull())
            return;
        try {
            db_.execute(QStringLiteral("PRAGMA cache_size = ") + QString::number(old_.toLongLong()));
        } catch (const store::Error &) {
        }
    }
    PageCache(const PageCache &) = delete;
    PageCache &operator=(const PageCache &) = delete;

private:
    store::Database &db_;
    QVariant old_;
};

namespace {

store::Database &database()
{
    const auto &db = AppState::instance().Database;
    if (!db)
        throw store::Error(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    return *db;
}

// A statement that changed no row worked on a card that is gone: another
// window or another instance of the program deleted it meanwhile. The
// learner reads what a recordset says of a row deleted under it.
void expectOne(int changed)
{
    if (changed == 0)
        throw store::Error(QStringLiteral("Der Datensatz wurde inzwischen gelöscht."));
}

constexpr int kMovePageCacheKiB = 64 * 1024;
constexpr int kBatchPageCacheKiB = 16 * 1024;

} // namespace

QString sqlTable()
{
    return store::sqlName(AppState::instance().CurrentTable);
}

QString countSql(int fach)
{
    return QStringLiteral("Select count(*) from ") + sqlTable() + QStringLiteral(" where [Fach] = ")
        + QString::number(fach);
}

QString compartmentSql(int fach, bool alphabetical)
{
    QString sql = QStringLiteral("Select * from ") + sqlTable()
        + QStringLiteral(" where [Fach] = ") + QString::number(fach);
    if (alphabetical)
        sql += QStringLiteral(" order by FVok");
    return sql;
}

int countCompartment(int fach)
{
    return AppState::instance().Database->openRecordset(countSql(fach))->value(0).toInt();
}

int countAll()
{
    return AppState::instance().Database->openRecordset(QStringLiteral("Select count(*) from ") + sqlTable())->value(0).toInt();
}

std::shared_ptr<store::Recordset> openCompartment(int fach, bool alphabetical)
{
    AppState &a = AppState::instance();
    a.SqlText = compartmentSql(fach, alphabetical);
    return a.Database->openRecordset(a.SqlText);
}

bool seekCard(store::Recordset &rs, int vnr)
{
    rs.setIndex(QStringLiteral("VNr"));
    rs.seek(QStringLiteral("="), vnr);
    return !rs.noMatch();
}

bool findCard(store::Recordset &rs, int vnr, bool spaced)
{
    rs.findFirst((spaced ? QStringLiteral("VNr = ") : QStringLiteral("VNr=")) + QString::number(vnr));
    return !rs.noMatch();
}

VocabularyRecord readCard(const store::Recordset &rs)
{
    VocabularyRecord r;
    r.VNr = rs.value(QStringLiteral("VNr")).toInt();
    r.FVok = rs.text(QStringLiteral("FVok"));
    r.Artikel = rs.text(QStringLiteral("Artikel"));
    r.FSatz = rs.text(QStringLiteral("FSatz"));
    r.MVok = rs.text(QStringLiteral("MVok"));
    r.MSatz = rs.text(QStringLiteral("MSatz"));
    r.Fach = rs.value(QStringLiteral("Fach")).toInt();
    r.gewusst = rs.value(QStringLiteral("gewusst")).toInt();
    r.FVokSound = rs.text(QStringLiteral("FVokSound"));
    r.FSatzSound = rs.text(QStringLiteral("FSatzSound"));
    r.Kapitel = rs.value(QStringLiteral("Kapitel")).toInt();
    r.Datum = rs.text(QStringLiteral("Datum"));
    return r;
}

std::int32_t addCard(const VocabularyRecord &card)
{
    store::Database &db = database();
    const QString table = sqlTable();
    // Inside the transaction no other connection can add a row, so the
    // highest number is the one just given.
    db.beginTrans();
    try {
        db.execute(QStringLiteral("INSERT INTO ") + table
                       + QStringLiteral(" (FVok, Artikel, FSatz, MVok, MSatz, Fach, gewusst) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {card.FVok, card.Artikel, card.FSatz, card.MVok, card.MSatz, card.Fach, card.gewusst});
        const auto vnr = std::int32_t(
            db.openRecordset(QStringLiteral("Select max(VNr) from ") + table)->value(0).toLongLong());
        db.commitTrans();
        return vnr;
    } catch (...) {
        db.rollback();
        throw;
    }
}

void saveCard(const VocabularyRecord &card)
{
    QString sql = QStringLiteral("UPDATE ") + sqlTable() + QStringLiteral(" SET Artikel = ?, FSatz = ?, MSatz = ?");
    QVariantList values{card.Artikel, card.FSatz, card.MSatz};
    if (!card.FVok.isEmpty()) {
        sql += QStringLiteral(", FVok = ?");
        values << card.FVok;
    }
    if (!card.MVok.isEmpty()) {
        sql += QStringLiteral(", MVok = ?");
        values << card.MVok;
    }
    sql += QStringLiteral(" WHERE VNr = ?");
    values << card.VNr;
    expectOne(database().execute(sql, values));
}

void moveCard(std::int32_t vnr, int fach, int gewusst)
{
    expectOne(database().execute(QStringLiteral("UPDATE ") + sqlTable()
                                     + QStringLiteral(" SET Fach = ?, gewusst = ? WHERE VNr = ?"),
                                 {fach, gewusst, vnr}));
}

bool storeProgress(std::int32_t vnr, int fach, int gewusst)
{
    return database().execute(QStringLiteral("UPDATE ") + sqlTable()
                                  + QStringLiteral(" SET Fach = ?, gewusst = ? WHERE VNr = ?"),
                              {fach, gewusst, vnr})
        > 0;
}

bool storeProgress(std::int32_t vnr, int fach, int gewusst, const Statistics::LogRow &answer)
{
    store::Database &db = database();
    db.beginTrans();
    try {
        const int changed = db.execute(QStringLiteral("UPDATE ") + sqlTable()
                                           + QStringLiteral(" SET Fach = ?, gewusst = ? WHERE VNr = ?"),
                                       {fach, gewusst, vnr});
        if (changed == 0) {
            db.rollback();
            return false;
        }
        Statistics::logAnswer(db, answer);
        db.commitTrans();
    } catch (...) {
        try {
            db.rollback();
        } catch (const store::Error &) {
        }
        throw;
    }
    return true;
}

MoveResult moveCards(const QVector<std::int32_t> &vnrs, int fach)
{
    store::Database &db = database();
    const QString sql = QStringLiteral("UPDATE ") + sqlTable() + QStringLiteral(" SET Fach = ?, gewusst = 0 WHERE VNr = ?");
    Statistics::MoveLog log(db, fach);
    MoveResult result;
    // Moving a large compartment touches most pages of the file; with the
    // engine's small default cache each page would go out and come back in
    // several times within the one transaction.
    const PageCache bigger(db, vnrs.size() > 1000 ? kMovePageCacheKiB : 0);
    // Runs a pass in a transaction that stays open for the caller to end.
    // Cards are moved one by one as the learner sees them go: should the
    // engine fail, those before the failure stay moved and the error is
    // raised; should the engine have ended the transaction itself, the
    // first error is still the one to report.
    const auto begun = [&](const std::function<void()> &pass) {
        db.beginTrans();
        try {
            pass();
        } catch (...) {
            try {
                db.commitTrans();
            } catch (const store::Error &) {
                try {
                    db.rollback();
                } catch (const store::Error &) {
                }
            }
            throw;
        }
    };
    // In the order of the table each of its pages is read and written
    // once, however the list was ordered. Should a card be gone, that pass
    // is undone and the cards move in the order given, so the move stops
    // exactly where the learner's list has the card. The pass has the
    // transaction to itself: a savepoint inside another one would have
    // every page it changes copied aside first, in case it is undone alone.
    QVector<std::int32_t> sorted = vnrs;
    std::sort(sorted.begin(), sorted.end());
    if (sorted != vnrs) {
        bool complete = true;
        begun([&] {
            for (const std::int32_t vnr : sorted) {
                if (log.move(vnr, [&] { return db.execute(sql, {fach, vnr}); }) == 0) {
                    complete = false;
                    break;
                }
            }
        });
        if (complete) {
            db.commitTrans();
            result.moved = vnrs.size();
            return result;
        }
        db.rollback();
    }
    begun([&] {
        for (const std::int32_t vnr : vnrs) {
            if (log.move(vnr, [&] { return db.execute(sql, {fach, vnr}); }) == 0) {
                result.notFound = vnr;
                break;
            }
            ++result.moved;
        }
    });
    db.commitTrans();
    return result;
}

QVector<std::int32_t> cardsOf(int fach)
{
    QVector<std::int32_t> vnrs;
    auto rs = database().openRecordset(QStringLiteral("Select VNr from ") + sqlTable()
                                       + QStringLiteral(" where [Fach] = ") + QString::number(fach)
                                       + QStringLiteral(" order by VNr"));
    for (; !rs->eof(); rs->moveNext())
        vnrs << std::int32_t(rs->value(0).toLongLong());
    return vnrs;
}

MoveResult moveCompartment(int from, int to)
{
    return moveCards(cardsOf(from), to);
}

void deleteCard(std::int32_t vnr)
{
    expectOne(database().execute(QStringLiteral("DELETE FROM ") + sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr}));
}

QString managerListSql(int fach)
{
    return QStringLiteral("Select VNr, FVok, MVok from ") + sqlTable() + QStringLiteral(" where [Fach] = ")
        + QString::number(fach) + QStringLiteral(" order by FVok, MVok, VNr");
}

namespace {

QVector<std::int32_t> keysOf(store::Recordset &rs)
{
    QVector<std::int32_t> vnrs;
    const qint64 n = rs.rowCount();
    vnrs.reserve(n);
    for (qint64 r = 0; r < n; ++r)
        vnrs << std::int32_t(rs.keyOfRow(r));
    return vnrs;
}

} // namespace

QVector<std::int32_t> lineStarts(int fach, const QString &text)
{
    if (text.isEmpty())
        return {};
    store::Database &db = database();
    // The learner's text goes in as quoted literals, which the engine binds
    // rather than reads as part of the statement.
    const QString needle = store::quoteText(text);
    const QString head = QStringLiteral("Select VNr from ") + sqlTable() + QStringLiteral(" where [Fach] = ")
        + QString::number(fach) + QStringLiteral(" and ");
    const QString tail = QStringLiteral(" and ") + QLatin1String(store::kLineStartFunction) + QLatin1Char('(') + needle
        + QStringLiteral(", FVok, MVok) order by FVok, MVok, VNr");
    QVector<std::int32_t> vnrs;
    // A line that begins with the text has a foreign word that begins with
    // it too, or one that the text runs past into " - " and the native word:
    // a word equal to the text up to one of its blanks (shorter ones sort
    // first, as in the list). Every word that begins with the text sorts
    // from the text itself up to the text followed by the highest
    // character, so one range of the word index holds them all.
    for (qsizetype q = 0; q < text.size(); ++q) {
        if (text[q] != QLatin1Char(' '))
            continue;
        const QString word = q == 0 ? QStringLiteral("FVok is null")
                                    : QStringLiteral("FVok = ") + store::quoteText(text.left(q));
        vnrs += keysOf(*db.openRecordset(head + word + tail));
    }
    // U+FFFF sorts after every character in the dictionary order.
    const QString upper = store::quoteText(text + QChar(0xFFFF));
    vnrs += keysOf(*db.openRecordset(head + QStringLiteral("FVok >= ") + needle + QStringLiteral(" and FVok < ")
                                     + upper + tail));
    return vnrs;
}

QString dictionarySql()
{
    return QStringLiteral("Select VNr, FVok, MVok, Fach from ") + sqlTable()
        + QStringLiteral(" order by FVok, MVok, Fach, VNr");
}

QVector<std::int32_t> wordStarts(const QString &text)
{
    if (text.isEmpty())
        return {};
    return keysOf(*database().openRecordset(QStringLiteral("Select VNr from ") + sqlTable() + QStringLiteral(" where ")
                                            + QLatin1String(store::kWordStartFunction) + QLatin1Char('(')
                                            + store::quoteText(text)
                                            + QStringLiteral(", FVok, MVok, Fach) order by FVok, MVok, Fach, VNr")));
}

void setSoundPath(std::int32_t vnr, bool sentence, const QString &path)
{
    const QString field = sentence ? QStringLiteral("FSatzSound") : QStringLiteral("FVokSound");
    expectOne(database().execute(QStringLiteral("UPDATE ") + sqlTable() + QStringLiteral(" SET ") + field
                                     + QStringLiteral(" = ? WHERE VNr = ?"),
                                 {path, vnr}));
}

TextSizes textSizes()
{
    TextSizes sizes;
    const store::TableDef def = database().tableDef(AppState::instance().CurrentTable);
    const auto take = [&](const char *name, int &size) {
        if (const store::FieldDef *f = def.field(QLatin1String(name)); f && f->type == store::FieldType::Text)
            size = f->size;
    };
    take("FVok", sizes.FVok);
    take("MVok", sizes.MVok);
    take("FSatz", sizes.FSatz);
    take("MSatz", sizes.MSatz);
    take("Artikel", sizes.Artikel);
    return sizes;
}

namespace {

const QString kCardFields = QStringLiteral("VNr, FVok, Artikel, FSatz, MVok, MSatz, Fach, gewusst");

// A row of kCardFields.
VocabularyRecord cardOf(const QVariantList &row)
{
    VocabularyRecord r;
    r.VNr = std::int32_t(row[0].toLongLong());
    r.FVok = row[1].toString();
    r.Artikel = row[2].toString();
    r.FSatz = row[3].toString();
    r.MVok = row[4].toString();
    r.MSatz = row[5].toString();
    r.Fach = row[6].toInt();
    r.gewusst = row[7].toInt();
    return r;
}

} // namespace

void forEachCard(int fach, const std::function<void(const VocabularyRecord &card)> &card)
{
    QString sql = QStringLiteral("SELECT ") + kCardFields + QStringLiteral(" FROM ") + sqlTable();
    QVariantList params;
    if (fach >= 0) {
        sql += QStringLiteral(" WHERE [Fach] = ?");
        params << fach;
    }
    sql += QStringLiteral(" ORDER BY FVok, MVok, Fach, VNr");
    database().forEachRow(sql, params, [&](const QVariantList &row) {
        card(cardOf(row));
        return true;
    });
}

CardBatch::CardBatch()
    : db_(&database()), table_(sqlTable()),
      // A long list changes pages of the table and of every index all over
      // the file; with the usual cache they are written out and read back
      // again and again before the transaction ends.
      cache_(std::make_unique<PageCache>(*db_, kBatchPageCacheKiB))
{
    db_->beginTrans();
    open_ = true;
}

CardBatch::~CardBatch()
{
    if (!open_)
        return;
    try {
        db_->rollback();
    } catch (const store::Error &) {
        // The engine ended the transaction itself: nothing of it stays.
    }
}

std::optional<VocabularyRecord> CardBatch::find(const QString &fvok, const QString &mvok)
{
    std::optional<VocabularyRecord> found;
    db_->forEachRow(QStringLiteral("SELECT ") + kCardFields + QStringLiteral(" FROM ") + table_
                        + QStringLiteral(" WHERE FVok = ? AND MVok = ? ORDER BY VNr LIMIT 1"),
                    {fvok, mvok}, [&](const QVariantList &row) {
                        found = cardOf(row);
                        return false;
                    });
    return found;
}

void CardBatch::add(const VocabularyRecord &card)
{
    db_->execute(QStringLiteral("INSERT INTO ") + table_
                     + QStringLiteral(" (FVok, Artikel, FSatz, MVok, MSatz, Fach, gewusst) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 {card.FVok, card.Artikel, card.FSatz, card.MVok, card.MSatz, card.Fach, card.gewusst});
}

void CardBatch::update(const VocabularyRecord &card)
{
    expectOne(db_->execute(QStringLiteral("UPDATE ") + table_
                               + QStringLiteral(" SET Artikel = ?, FSatz = ?, MSatz = ?, Fach = ?, gewusst = ? WHERE VNr = ?"),
                           {card.Artikel, card.FSatz, card.MSatz, card.Fach, card.gewusst, card.VNr}));
}

void CardBatch::commit()
{
    db_->commitTrans();
    open_ = false;
}

} // namespace Records
