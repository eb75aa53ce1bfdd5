// SPDX-License-Identifier: GPL-3.0-or-later
// What a practice writes into the answer log: one row for every answer
// stored, with the card, in the words of each way of answering; nothing for
// an answer the learner left without going on.

#include "History.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Random.h"
#include "practice/PracticeSession.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QTest>

using Session = PracticeSession;
using Direction = PracticeSession::Direction;

Q_DECLARE_METATYPE(PracticeSession::Direction)

class TestAnswerLog : public QObject
{
    Q_OBJECT

    Sandbox sb;

    static store::Database &db() { return *AppState::instance().Database; }

    static std::int32_t card(int fach)
    {
        VocabularyRecord r;
        r.FVok = QStringLiteral("maison");
        r.MVok = QStringLiteral("Haus");
        r.Fach = fach;
        return Records::addCard(r);
    }
    static Session practice(int fach, int versuche, Direction direction)
    {
        Session::Rules r;
        r.fach = fach;
        r.repeats = 1;
        r.versuche = versuche;
        r.direction = direction;
        Session s(Records::openCompartment(fach, false), r);
        s.open();
        return s;
    }
    // "FachVorher>FachNachher Richtig Tests Richtung 'Eingabe'" per row.
    static QStringList log()
    {
        QStringList rows;
        db().forEachRow(QStringLiteral("SELECT FachVorher, FachNachher, Richtig, Tests, Richtung, Eingabe, Zeit, "
                                       "SprachId, VNr FROM VkSysAntworten ORDER BY rowid"),
                        {}, [&](const QVariantList &r) {
                            rows << QStringLiteral("%1>%2 %3 %4 %5 '%6'")
                                        .arg(r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString(),
                                             r[4].toString(), r[5].toString());
                            QCOMPARE(r[6].toString(), QStringLiteral("2025-06-10T10:00:00Z"));
                            QCOMPARE(r[7].toInt(), 1);
                            QCOMPARE(r[8].toInt(), 1);
                        });
        return rows;
    }

private slots:
    void initTestCase() { History::useBerlinTime(); }
    void init()
    {
        sb.start();
        Catalogue::OpenVocabularyDatabase();
        AppState::instance().CurrentTable = QStringLiteral("tEnglisch");
        History::pinNow(QStringLiteral("2025-06-10 12:00"));
        Random::seed(1);
    }
    void cleanup()
    {
        Clock::pin(std::nullopt);
        sb.stop();
    }

    void answerRows_data()
    {
        QTest::addColumn<int>("fach");
        QTest::addColumn<int>("versuche");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QStringList>("typed"); // none: revealed and graded by the learner
        QTest::addColumn<bool>("graded");
        QTest::addColumn<QString>("row");
        const QStringList none;
        QTest::newRow("typed right at once") << 3 << 3 << Direction::Foreign << QStringList{"Maison"} << false
                                             << "3>4 1 1 1 'Maison'";
        QTest::newRow("right after retries") << 3 << 3 << Direction::Foreign << QStringList{"maisons", "mason", "maison"}
                                             << false << "3>4 1 3 1 'maison'";
        QTest::newRow("wrong after retries") << 3 << 2 << Direction::Foreign << QStringList{"mason", "maisn"} << false
                                             << "3>1 0 2 1 'maisn'";
        QTest::newRow("wrong, one attempt") << 3 << 1 << Direction::Foreign << QStringList{"meson"} << false
                                            << "3>1 0 1 1 'meson'";
        QTest::newRow("preview right") << 3 << 3 << Direction::Foreign << none << true << "3>4 1 1 1 ''";
        QTest::newRow("preview wrong") << 3 << 3 << Direction::Foreign << none << false << "3>1 0 1 1 ''";
        QTest::newRow("start compartment, right") << 1 << 3 << Direction::Foreign << QStringList{"maison"} << false
                                                  << "1>2 1 1 1 'maison'";
        QTest::newRow("start compartment, wrong") << 1 << 3 << Direction::Foreign << none << false << "1>1 0 1 1 ''";
        QTest::newRow("last compartment, right") << 7 << 3 << Direction::Foreign << QStringList{"maison"} << false
                                                 << "7>7 1 1 1 'maison'";
        QTest::newRow("last compartment, preview") << 7 << 3 << Direction::Foreign << none << true << "7>7 1 1 1 ''";
        QTest::newRow("native word asked") << 2 << 3 << Direction::Native << QStringList{"haus"} << false
                                           << "2>3 1 1 2 'haus'";
        QTest::newRow("native word asked, wrong") << 2 << 2 << Direction::Native << QStringList{"Hau", "Häuser"}
                                                  << false << "2>1 0 2 2 'Häuser'";
        QTest::newRow("native word asked, preview") << 2 << 3 << Direction::Native << none << false << "2>1 0 1 2 ''";
    }
    void answerRows()
    {
        QFETCH(int, fach);
        QFETCH(int, versuche);
        QFETCH(Direction, direction);
        QFETCH(QStringList, typed);
        QFETCH(bool, graded);
        QFETCH(QString, row);
        card(fach);
        Session s = practice(fach, versuche, direction);
        QVERIFY(s.next());
        if (typed.isEmpty())
            s.grade(graded);
        for (const QString &t : typed)
            s.test(t);
        QVERIFY(s.answer().has_value());
        // Graded but not gone on with: nothing is written yet.
        QCOMPARE(log(), QStringList());
        s.storeAnswer();
        s.storeAnswer();
        QCOMPARE(log(), QStringList{row});
    }

    // Leaving before going on, or a card deleted meanwhile: no row.
    void nothingWithoutTheCard()
    {
        const auto vnr = card(3);
        {
            Session s = practice(3, 1, Direction::Foreign);
            QVERIFY(s.next());
            s.test(QStringLiteral("maison"));
        }
        QCOMPARE(log(), QStringList());

        Session s = practice(3, 1, Direction::Foreign);
        QVERIFY(s.next());
        s.grade(true);
        Records::deleteCard(vnr);
        s.storeAnswer();
        QCOMPARE(log(), QStringList());
        QVERIFY(!db().inTransaction());
    }
};

QTEST_GUILESS_MAIN(TestAnswerLog)
#include "tst_answerlog.moc"
