#include "store/Records.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/SqlNames.h"

namespace Records {

namespace {

store::Database &database()
{
    const auto &db = AppState::instance().Database;
    if (!db)
        throw store::Error(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    return *db;
}

// A statement that changed no row worked on a card that is gone: another
// window or another instance of the program deleted it meanwhile.
void expectOne(int changed, std::int32_t vnr)
{
    if (changed == 0)
        throw store::Error(QStringLiteral("Die Vokabel Nummer %1 ist nicht (mehr) vorhanden.").arg(vnr));
}

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
    expectOne(database().execute(sql, values), card.VNr);
}

void moveCard(std::int32_t vnr, int fach, int gewusst)
{
    expectOne(database().execute(QStringLiteral("UPDATE ") + sqlTable()
                                     + QStringLiteral(" SET Fach = ?, gewusst = ? WHERE VNr = ?"),
                                 {fach, gewusst, vnr}),
              vnr);
}

MoveResult moveCards(const QVector<std::int32_t> &vnrs, int fach)
{
    store::Database &db = database();
    const QString sql = QStringLiteral("UPDATE ") + sqlTable() + QStringLiteral(" SET Fach = ?, gewusst = 0 WHERE VNr = ?");
    MoveResult result;
    db.beginTrans();
    try {
        for (const std::int32_t vnr : vnrs) {
            if (db.execute(sql, {fach, vnr}) == 0) {
                result.notFound = vnr;
                break;
            }
            ++result.moved;
        }
    } catch (...) {
        // Cards are moved one by one as the learner sees them go: those
        // before the failure stay moved. Should the engine have ended the
        // transaction itself, the first error is still the one to report.
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
    expectOne(database().execute(QStringLiteral("DELETE FROM ") + sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr}),
              vnr);
}

void setSoundPath(std::int32_t vnr, bool sentence, const QString &path)
{
    const QString field = sentence ? QStringLiteral("FSatzSound") : QStringLiteral("FVokSound");
    expectOne(database().execute(QStringLiteral("UPDATE ") + sqlTable() + QStringLiteral(" SET ") + field
                                     + QStringLiteral(" = ? WHERE VNr = ?"),
                                 {path, vnr}),
              vnr);
}

} // namespace Records
