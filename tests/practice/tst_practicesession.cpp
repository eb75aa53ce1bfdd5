// SPDX-License-Identifier: GPL-3.0-or-later
// The card-box rule played on the session alone, against a real database in
// a temporary folder and without a window; what was stored is read back
// through a second connection, as another program would see it.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Random.h"
#include "practice/PracticeSession.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QTest>

#include <cmath>
#include <map>
#include <memory>

using Session = PracticeSession;
using Outcome = PracticeSession::Outcome;

Q_DECLARE_METATYPE(PracticeSession::Direction)

class TestPracticeSession : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::shared_ptr<store::Database> db;

    QString path() const { return sb.work->file(QStringLiteral("Vokabeln.mdb")); }

    // A card with bound values; a null QVariant stores null.
    std::int32_t card(const QString &fvok, const QString &mvok, int fach, const QVariant &gewusst = 0)
    {
        db->execute(QStringLiteral("INSERT INTO %1 (FVok, MVok, Fach, gewusst) VALUES (?, ?, ?, ?)")
                        .arg(Records::sqlTable()),
                    {fvok, mvok, fach, gewusst});
        return std::int32_t(
            db->openRecordset(QStringLiteral("Select max(VNr) from ") + Records::sqlTable())->value(0).toInt());
    }
    // Fach and gewusst of a card as another connection reads them: "3/1",
    // "3/" for a missing count, "gone" when the card is no more.
    QString stored(std::int32_t vnr) const
    {
        auto rs = store::Database::open(path())->openRecordset(
            QStringLiteral("Select Fach, gewusst from %1 where VNr = %2").arg(Records::sqlTable()).arg(vnr));
        if (rs->eof())
            return QStringLiteral("gone");
        return rs->text(QStringLiteral("Fach")) + QLatin1Char('/') + rs->text(QStringLiteral("gewusst"));
    }
    static Session::Rules rules(int repeats = 1, int versuche = 1,
                                Session::Direction direction = Session::Direction::Foreign)
    {
        Session::Rules r;
        r.repeats = repeats;
        r.versuche = versuche;
        r.direction = direction;
        return r;
    }
    // A practice of compartment `fach`, opened as the window opens it.
    static Session practice(int fach, Session::Rules r)
    {
        r.fach = fach;
        Session s(Records::openCompartment(fach, false), r);
        s.open();
        return s;
    }

private slots:
    void init()
    {
        sb.start();
        LanguageTable pair;
        pair.create(path(), QStringLiteral("Französisch"));
        db = pair.db;
        Random::seed(4711);
    }
    void cleanup()
    {
        db.reset();
        sb.stop();
    }

    // ------------------------------------------------------ the grading table

    // One card answered once and stored: R repeats, g right answers in a
    // row before, n its compartment; graded by the learner after revealing
    // or by a typed answer. Written: Fach/gewusst; rest: cards that stay.
    void grading_data()
    {
        QTest::addColumn<int>("repeats");
        QTest::addColumn<QString>("before"); // n/g
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("rest");
        QTest::newRow("right below the threshold") << 3 << "3/0" << true << false << "3/1" << 1;
        QTest::newRow("typed right below the threshold") << 3 << "3/1" << true << true << "3/2" << 1;
        QTest::newRow("right at the threshold moves up") << 3 << "3/2" << true << false << "4/0" << 0;
        QTest::newRow("typed right at the threshold") << 3 << "6/2" << true << true << "7/0" << 0;
        QTest::newRow("count above lowered repeats") << 2 << "4/4" << true << false << "5/0" << 0;
        QTest::newRow("one repeat moves up at once") << 1 << "1/0" << true << false << "2/0" << 0;
        QTest::newRow("last, right at the threshold") << 3 << "7/2" << true << false << "7/0" << 1;
        QTest::newRow("last, typed right at the threshold") << 3 << "7/2" << true << true << "7/2" << 1;
        QTest::newRow("last, typed right above the threshold") << 1 << "7/4" << true << true << "7/4" << 1;
        QTest::newRow("last, right below the threshold") << 3 << "7/1" << true << false << "7/2" << 1;
        QTest::newRow("wrong") << 3 << "3/2" << false << false << "1/0" << 0;
        QTest::newRow("typed wrong on the last") << 3 << "7/2" << false << true << "1/0" << 0;
        QTest::newRow("wrong in the start compartment") << 3 << "1/2" << false << false << "1/0" << 1;
    }
    void grading()
    {
        QFETCH(int, repeats);
        QFETCH(QString, before);
        QFETCH(bool, right);
        QFETCH(bool, typed);
        QFETCH(QString, written);
        QFETCH(int, rest);
        const int fach = before.section(u'/', 0, 0).toInt();
        const int gewusst = before.section(u'/', 1).toInt();
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), fach, gewusst);
        Session s = practice(fach, rules(repeats));
        QCOMPARE(int(s.rest()), 1);
        QVERIFY(s.next());
        QCOMPARE(s.newGewusst(), gewusst);
        if (typed)
            QCOMPARE(s.test(right ? QStringLiteral("MAISON") : QStringLiteral("maisons")),
                     right ? Outcome::Right : Outcome::Wrong);
        else
            s.grade(right);
        // Graded, not yet stored: leaving now keeps the card as it was.
        QCOMPARE(stored(vnr), before);
        s.storeAnswer();
        QCOMPARE(stored(vnr), written);
        QCOMPARE(int(s.rest()), rest);
        QCOMPARE(int(s.right()), right ? 1 : 0);
        QCOMPARE(int(s.wrong()), right ? 0 : 1);
        QVERIFY(!db->inTransaction());

        const Session::Answer answer = *s.answer();
        QCOMPARE(answer.vnr, vnr);
        QCOMPARE(answer.fachBefore, fach);
        QCOMPARE(QStringLiteral("%1/%2").arg(answer.fachAfter).arg(answer.gewusstAfter), written);
        QCOMPARE(answer.right, right);
        QCOMPARE(answer.tests, typed ? 1 : 0);
        QCOMPARE(answer.typed.isEmpty(), !typed);
    }

    // --------------------------------------------------------- the order

    // The start compartment: the first card is the one at position 1, a card
    // answered wrong goes back to a place among those not asked yet (its own
    // included, every one equally likely), and the practice ends when every
    // card has been answered right once. Elsewhere a card is asked once.
    void startCompartmentAsksAgainUntilKnown()
    {
        for (const char *w : {"un", "deux", "trois", "quatre"})
            card(QLatin1String(w), QLatin1String(w), 1);
        std::map<qsizetype, int> comesBackAt;
        for (int round = 0; round < 600; ++round) {
            Random::seed(round);
            Session s = practice(1, rules());
            QVERIFY(s.next());
            QCOMPARE(int(s.cardPos()), 1);
            const std::int32_t first = s.cardVNr();
            s.grade(false);
            int asked = 1;
            bool back = false;
            while (s.next()) {
                ++asked;
                if (s.cardVNr() == first && !back) {
                    back = true;
                    ++comesBackAt[s.cardPos()];
                }
                s.grade(true);
            }
            QCOMPARE(asked, 5);
            QCOMPARE(int(s.right()), 4);
            QCOMPARE(int(s.wrong()), 1);
            QCOMPARE(int(s.rest()), 0);
        }
        QCOMPARE(int(comesBackAt.size()), 4);
        for (const auto &[pos, count] : comesBackAt) // 150 each, four deviations
            QVERIFY2(count > 110 && count < 190, qPrintable(QStringLiteral("%1: %2").arg(pos).arg(count)));
    }

    void lastPositionWrongComesAgainAtOnce()
    {
        card(QStringLiteral("un"), QStringLiteral("eins"), 1);
        card(QStringLiteral("deux"), QStringLiteral("zwei"), 1);
        Session s = practice(1, rules());
        QVERIFY(s.next());
        s.grade(true);
        QVERIFY(s.next());
        const std::int32_t last = s.cardVNr();
        s.grade(false);
        QVERIFY(s.next());
        QCOMPARE(s.cardVNr(), last);
        QCOMPARE(int(s.cardPos()), 2);
    }

    void otherCompartmentsAskEachCardOnce()
    {
        QSet<std::int32_t> cards;
        for (const char *w : {"un", "deux", "trois"})
            cards << card(QLatin1String(w), QLatin1String(w), 3);
        Session s = practice(3, rules());
        QSet<std::int32_t> asked;
        while (s.next()) {
            asked << s.cardVNr();
            s.grade(false);
        }
        QCOMPARE(asked, cards);
        QCOMPARE(int(s.wrong()), 3);
        QCOMPARE(int(s.rest()), 0);
        // Done stays done.
        QVERIFY(!s.next());
    }

    // ------------------------------------------------------------ retries

    // Typed answers in turn against "maison" in compartment 3 with R = 1:
    // the attempts allowed decide when a wrong one is final; failed
    // attempts before a right one leave no trace.
    void retries_data()
    {
        QTest::addColumn<int>("versuche");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("written");
        QTest::newRow("1: the first failure is final") << 1 << QStringList{"maisn"} << "W" << "1/0";
        QTest::newRow("2: one retry, then final") << 2 << QStringList{"maisn", "maisn"} << "?W" << "1/0";
        QTest::newRow("2: a retry that is right") << 2 << QStringList{"x", "Maison"} << "?R" << "4/0";
        QTest::newRow("3: two retries, then final") << 3 << QStringList{"a", "b", "c"} << "??W" << "1/0";
        QTest::newRow("3: right at the last") << 3 << QStringList{"a", "b", "maison"} << "??R" << "4/0";
        QTest::newRow("graded, tests no more") << 2 << QStringList{"maison", "x", "y"} << "RRR" << "4/0";
    }
    void retries()
    {
        QFETCH(int, versuche);
        QFETCH(QStringList, typed);
        QFETCH(QString, outcomes);
        QFETCH(QString, written);
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3);
        Session s = practice(3, rules(1, versuche));
        QVERIFY(s.next());
        QString seen;
        for (const QString &t : typed) {
            const Outcome o = s.test(t);
            seen += o == Outcome::Right ? u'R' : o == Outcome::Retry ? u'?' : u'W';
        }
        QCOMPARE(seen, outcomes);
        const bool right = written == QLatin1String("4/0");
        QCOMPARE(int(s.right()), right ? 1 : 0);
        QCOMPARE(int(s.wrong()), right ? 0 : 1);
        const int tests = int(outcomes.indexOf(u'R') >= 0 ? outcomes.indexOf(u'R') + 1 : outcomes.size());
        QCOMPARE(s.answer()->tests, tests);
        QCOMPARE(s.answer()->typed, typed[tests - 1]);
        s.storeAnswer();
        QCOMPARE(stored(vnr), written);
        // The next card starts with every attempt again.
        QVERIFY(!s.next());
        QCOMPARE(s.failCount(), 0);
    }

    // --------------------------------------------------------- directions

    // Which side is asked, card by card; "3" draws afresh for every card
    // shown, also for a card that comes back. A typed answer is tested
    // against the side asked.
    void directions_data()
    {
        QTest::addColumn<PracticeSession::Direction>("direction");
        QTest::addColumn<bool>("before");
        QTest::addColumn<QString>("expected"); // F: foreign asked, N: native, *: a fresh draw
        QTest::newRow("foreign") << Session::Direction::Foreign << true << "F";
        QTest::newRow("native") << Session::Direction::Native << false << "N";
        QTest::newRow("alternating") << Session::Direction::Alternating << false << "*";
        QTest::newRow("none of them keeps the side") << Session::Direction(0) << true << "N";
    }
    void directions()
    {
        QFETCH(PracticeSession::Direction, direction);
        QFETCH(bool, before);
        QFETCH(QString, expected);
        card(QStringLiteral("maison"), QStringLiteral("Haus"), 1);
        // What Random gives after the one draw of the order: one draw per
        // card shown, none for its place (it is the only one).
        Random::seed(99);
        Random::next();
        QString drawn;
        for (int shown = 0; shown < 40; ++shown)
            drawn += std::floor(2 * Random::next()) != 0 ? u'N' : u'F';
        Session::Rules r = rules(1, 1, direction);
        r.askNative = before;
        Random::seed(99);
        Session s = practice(1, r);
        QString seen;
        for (int shown = 0; shown < 40; ++shown) {
            QVERIFY(s.next());
            seen += s.askNative() ? u'N' : u'F';
            s.grade(false);
        }
        if (expected == QLatin1String("*")) {
            QCOMPARE(seen, drawn);
            QVERIFY(seen.contains(u'N') && seen.contains(u'F'));
        } else {
            QCOMPARE(seen, QString(40, expected[0]));
        }
        QVERIFY(s.next());
        const bool askNative = s.askNative();
        QCOMPARE(s.test(askNative ? QStringLiteral("maison") : QStringLiteral("Haus")), Outcome::Wrong);
        QVERIFY(s.next());
        QCOMPARE(s.test(s.askNative() ? QStringLiteral("haus") : QStringLiteral("Maison")), Outcome::Right);
    }

    // Letters beyond ASCII fold their case, and a letter is one character
    // however it is encoded; a stored word without text is never typed right.
    void answerTestBeyondAscii_data()
    {
        QTest::addColumn<QString>("storedWord");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("right");
        QTest::newRow("umlaut in upper case") << "Öl" << "öL" << true;
        QTest::newRow("accent, precomposed against combining") << "café" << "CAFE\u0301" << true;
        QTest::newRow("seven characters, one of them combined") << "Haus" << "a\u0308 Haus!" << false;
        QTest::newRow("eight characters, one of them combined") << "Haus" << "a\u0308 Haus!!" << true;
        QTest::newRow("seven characters, one outside the basic plane") << "Haus" << "\U0001D49C Haus!" << false;
        QTest::newRow("a letter outside the basic plane") << "\U0001D49Cx" << "\U0001D49CX" << true;
        QTest::newRow("empty stored word") << "" << "" << false;
    }
    void answerTestBeyondAscii()
    {
        QFETCH(QString, storedWord);
        QFETCH(QString, typed);
        QFETCH(bool, right);
        QCOMPARE(Session::isRightAnswer(storedWord, typed), right);
    }

    // --------------------------------------------------- storing and cards gone

    // Each card is stored as it is answered, in a commit of its own that
    // another program sees at once; one answer is stored once.
    void eachAnswerIsCommittedAtOnce()
    {
        const auto a = card(QStringLiteral("un"), QStringLiteral("eins"), 3);
        const auto b = card(QStringLiteral("deux"), QStringLiteral("zwei"), 3);
        Session s = practice(3, rules());
        QVERIFY(s.next());
        const std::int32_t first = s.cardVNr();
        const std::int32_t second = first == a ? b : a;
        s.grade(true);
        s.storeAnswer();
        QCOMPARE(stored(first), QStringLiteral("4/0"));
        QCOMPARE(stored(second), QStringLiteral("3/0"));
        // Another program moves the card on; the answer is not stored again.
        store::Database::open(path())->execute(
            QStringLiteral("UPDATE %1 SET Fach = 6 WHERE VNr = ?").arg(Records::sqlTable()), {first});
        s.storeAnswer();
        QCOMPARE(stored(first), QStringLiteral("6/0"));
        QVERIFY(s.next());
        s.grade(false);
        s.storeAnswer();
        QCOMPARE(stored(second), QStringLiteral("1/0"));
        QVERIFY(!db->inTransaction());
    }

    // A card without a count gets 0 stored when it is shown, and counts from
    // there.
    void missingCountIsRepairedWhenShown()
    {
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, QVariant());
        QCOMPARE(stored(vnr), QStringLiteral("3/"));
        Session s = practice(3, rules(3));
        QVERIFY(s.next());
        QCOMPARE(s.newGewusst(), 0);
        s.repairCount();
        QCOMPARE(stored(vnr), QStringLiteral("3/0"));
        s.grade(true);
        s.storeAnswer();
        QCOMPARE(stored(vnr), QStringLiteral("3/1"));
    }

    // Cards deleted during a practice: one still waiting is passed over; the
    // one on screen, deleted here or by another program, is tested wrong and
    // has nothing left to store, without an error, and the practice goes on.
    void deletedCards_data()
    {
        QTest::addColumn<bool>("elsewhere");
        QTest::newRow("by this program") << false;
        QTest::newRow("by another program") << true;
    }
    void deletedCards()
    {
        QFETCH(bool, elsewhere);
        const QList<std::int32_t> cards{card(QStringLiteral("un"), QStringLiteral("eins"), 3),
                                        card(QStringLiteral("deux"), QStringLiteral("zwei"), 3),
                                        card(QStringLiteral("trois"), QStringLiteral("drei"), 3)};
        Session s = practice(3, rules());
        QVERIFY(s.next());
        const std::int32_t onScreen = s.cardVNr();
        std::int32_t waiting = 0;
        for (std::int32_t vnr : cards)
            if (vnr != onScreen && !waiting)
                waiting = vnr;
        Records::deleteCard(waiting);
        if (elsewhere)
            store::Database::open(path())->execute(
                QStringLiteral("DELETE FROM %1 WHERE VNr = ?").arg(Records::sqlTable()), {onScreen});
        else
            Records::deleteCard(onScreen);
        if (!elsewhere) {
            QVERIFY(!s.cardNow());
            QCOMPARE(s.test(QStringLiteral("un")), Outcome::Wrong);
        } else {
            s.grade(true);
        }
        s.storeAnswer();
        QCOMPARE(stored(onScreen), QStringLiteral("gone"));
        QVERIFY(s.next());
        const std::int32_t last = s.cardVNr();
        QVERIFY(last != waiting && last != onScreen);
        s.grade(true);
        s.storeAnswer();
        QCOMPARE(stored(last), QStringLiteral("4/0"));
        QVERIFY(!s.next());
    }

    // In the start compartment a card answered wrong comes back; deleted
    // meanwhile, it is passed over like any card that is gone.
    void wrongCardDeletedInTheStartCompartment()
    {
        const auto vnr = card(QStringLiteral("un"), QStringLiteral("eins"), 1);
        Session s = practice(1, rules());
        QVERIFY(s.next());
        s.grade(false);
        Records::deleteCard(vnr);
        s.storeAnswer();
        QVERIFY(!s.next());
        QCOMPARE(int(s.wrong()), 1);
    }

    // A session without rows has no cards and ends at once.
    void noRowsNoCards()
    {
        Session s(nullptr, rules());
        s.open();
        QCOMPARE(s.cardCount(), 0);
        QVERIFY(!s.next());
        QVERIFY(!s.hasCard());
        s.grade(true);
        s.storeAnswer();
        QCOMPARE(s.right(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPracticeSession)
#include "tst_practicesession.moc"
