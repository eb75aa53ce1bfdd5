#include "store/Records.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/SqlNames.h"

namespace Records {

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

} // namespace Records
