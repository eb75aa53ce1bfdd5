// SPDX-License-Identifier: GPL-3.0-or-later
// The three ways a recordset holds its rows (keys of one table, computed
// rows, a table walked by its index) answer alike: the same criteria find
// the same cards in the same order, and only statements over one table's
// own rows are editable.

#include "TestSupport.h"

#include "store/Catalogue.h"
#include "store/Engine.h"

#include <QTest>

using namespace store;

namespace {

struct Card
{
    const char *fvok;
    int fach;
    int kapitel;
    const char *fsatz; // null: no sentence
};

// Numbered 1 to 5 in this order.
const Card kCards[] = {
    {"Haus", 1, 3, nullptr},
    {"Baum", 1, -2, nullptr},
    {"Öl", 2, 0, "Öl ist teuer."},
    {"Zebra", 2, 5, nullptr},
    {"ende", 3, 7, "Das Ende."},
};

enum class Kind { Keyed, Computed, Table };
const Kind kKinds[] = {Kind::Keyed, Kind::Computed, Kind::Table};
const char *const kKindNames[] = {"keyed", "computed", "table"};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestRecordsetKinds : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work;
    std::shared_ptr<Database> db;

    std::shared_ptr<Recordset> open(Kind kind)
    {
        switch (kind) {
        case Kind::Keyed:
            return db->openRecordset(QStringLiteral("Select * from tEnglisch order by VNr"));
        case Kind::Computed:
            // An alias makes the rows computed ones.
            return db->openRecordset(QStringLiteral("Select * from tEnglisch x order by VNr"));
        case Kind::Table:
            break;
        }
        return db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
    }

private slots:
    void init()
    {
        work = std::make_unique<TempWorkDir>();
        db = Database::create(work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        for (const Card &c : kCards)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach, Kapitel, FSatz) VALUES (?, ?, ?, ?)"),
                        {QString::fromUtf8(c.fvok), c.fach, c.kapitel,
                         c.fsatz ? QVariant(QString::fromUtf8(c.fsatz)) : QVariant()});
    }
    void cleanup()
    {
        db.reset();
        work.reset();
    }

    void criteriaFindTheSameCardsInEveryKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<QString>("found"); // the cards' words, in the rows' order
        const QList<std::pair<const char *, const char *>> cases = {
            {"Fach = 1", "Haus Baum"},
            {"[Fach] <> 1", "Öl Zebra ende"},
            {"Fach != 1", "Öl Zebra ende"},
            {"tEnglisch.Fach >= 2 and Kapitel < 6", "Öl Zebra"},
            {"Kapitel = -2", "Baum"},
            {"Kapitel > -1 AND Kapitel <= 3", "Haus Öl"},
            {"FVok = 'ÖL'", "Öl"},
            {"fvok > 'm'", "Öl Zebra"},
            {"FVok like 'h*'", "Haus"},
            {"FVok LIKE '?aum'", "Baum"},
            {"FSatz is null", "Haus Baum Zebra"},
            {"FSatz Is Not Null", "Öl ende"},
            {"FVok = 'Haus' or Fach = 3", "Haus ende"},
            {"gewusst = False", "Haus Baum Öl Zebra ende"},
            {"gewusst = true", ""},
            {"VNr = 2", "Baum"},
            {"VNr = 9", ""},
            {"Kapitel = 2.5", ""},
        };
        for (const Kind kind : kKinds)
            for (const auto &[criteria, found] : cases)
                QTest::addRow("%s: %s", kKindNames[int(kind)], criteria)
                    << kind << QString::fromUtf8(criteria) << QString::fromUtf8(found);
    }
    void criteriaFindTheSameCardsInEveryKind()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, criteria);
        QFETCH(QString, found);
        auto rs = open(kind);
        QStringList forwards;
        for (rs->findFirst(criteria); !rs->noMatch(); rs->findNext(criteria))
            forwards << rs->text(QStringLiteral("FVok"));
        QCOMPARE(forwards.join(QLatin1Char(' ')), found);
        QStringList backwards;
        for (rs->findLast(criteria); !rs->noMatch(); rs->findPrevious(criteria))
            backwards.prepend(rs->text(QStringLiteral("FVok")));
        QCOMPARE(backwards.join(QLatin1Char(' ')), found);
    }

    // A criteria that cannot be read says why, and the recordset stays on
    // its row.
    void badCriteriaAreRefusedInEveryKind_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<QString>("message");
        const QString invalid = QStringLiteral("ist ungültig. Erwartet wird zum Beispiel VNr = 5.");
        const QList<std::pair<const char *, QString>> cases = {
            {"", invalid},
            {"Fach =", invalid},
            {"Fach = 1 and", invalid},
            {"Fach = 1 Kapitel = 2", invalid},
            {"Fach 1", invalid},
            {"Fach = -'x'", invalid},
            {"Fach = Kapitel", invalid},
            {"FSatz is 3", invalid},
            {"tEnglisch. = 1", invalid},
            {"Wort = 'Haus'", QStringLiteral("Das Feld 'Wort' im Suchkriterium 'Wort = 'Haus'' ist nicht vorhanden.")},
            {"FVok = 'Haus", QStringLiteral("Syntaxfehler: eine Zeichenfolge in Hochkommas ist nicht abgeschlossen.")},
        };
        for (const Kind kind : kKinds)
            for (const auto &[criteria, message] : cases)
                QTest::addRow("%s: %s", kKindNames[int(kind)], criteria) << kind << QString::fromUtf8(criteria) << message;
    }
    void badCriteriaAreRefusedInEveryKind()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, criteria);
        QFETCH(QString, message);
        auto rs = open(kind);
        rs->moveNext();
        QString why;
        try {
            rs->findNext(criteria);
        } catch (const Error &e) {
            why = e.description();
        }
        QVERIFY2(why.endsWith(message), qPrintable(why));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Baum"));
    }

    // Only a plain SELECT over one table of the file keeps keys of its rows
    // and can be edited; anything that computes its rows is read-only and
    // numbers them itself.
    void statementsOverOneTableAreEditable_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("editable");
        QTest::newRow("all") << "Select * from tEnglisch" << 5 << true;
        QTest::newRow("fields, where, order") << "Select FVok, Fach from tEnglisch where Fach = 1 order by FVok" << 2
                                               << true;
        QTest::newRow("brackets and semicolon") << "select * from [tEnglisch];" << 5 << true;
        QTest::newRow("subquery in where")
            << "Select * from tEnglisch where VNr in (select VNr from tEnglisch where Fach = 2)" << 2 << true;
        QTest::newRow("distinct") << "Select distinct Fach from tEnglisch" << 3 << false;
        QTest::newRow("function") << "Select upper(FVok) from tEnglisch" << 5 << false;
        QTest::newRow("subquery in list") << "Select (select count(*) from tEnglisch) as n, FVok from tEnglisch" << 5
                                          << false;
        QTest::newRow("limit") << "Select * from tEnglisch order by VNr limit 2" << 2 << false;
        QTest::newRow("join") << "Select a.FVok from tEnglisch a join tEnglisch b on a.VNr = b.VNr" << 5 << false;
        QTest::newRow("two tables") << "Select a.FVok from tEnglisch a, tEnglisch b where a.VNr = b.VNr" << 5 << false;
        QTest::newRow("union") << "Select FVok from tEnglisch union select MVok from tEnglisch" << 6 << false;
        QTest::newRow("group") << "Select Fach from tEnglisch group by Fach" << 3 << false;
        QTest::newRow("no table of the file") << "Select 1 as eins" << 1 << false;
    }
    void statementsOverOneTableAreEditable()
    {
        QFETCH(QString, sql);
        QFETCH(int, rows);
        QFETCH(bool, editable);
        auto rs = db->openRecordset(sql);
        QCOMPARE(rs->rowCount(), rows);
        QCOMPARE(rs->updatable(), editable);
        // Keyed rows are known by their cards' numbers, computed ones by
        // their place.
        QStringList keys;
        for (qint64 row = 0; row < rs->rowCount(); ++row)
            keys << QString::number(rs->keyOfRow(row));
        if (!editable) {
            QStringList places;
            for (int i = 0; i < rows; ++i)
                places << QString::number(i);
            QCOMPARE(keys, places);
            QVERIFY_THROWS_EXCEPTION(Error, rs->edit());
            return;
        }
        for (qint64 row = 0; row < rs->rowCount(); ++row)
            QCOMPARE(rs->rowOfKey(rs->keyOfRow(row)), row);
        rs->moveFirst();
        rs->edit();
        rs->setValue(QStringLiteral("Fach"), 4);
        rs->update();
        QCOMPARE(db->openRecordset(QStringLiteral("Select count(*) from tEnglisch where Fach = 4"))->value(0).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRecordsetKinds)
#include "tst_recordsetkinds.moc"
