// SPDX-License-Identifier: GPL-3.0-or-later
// The learning statistics in the store: the tables a file gets, the answer
// log written with the card it tells of, moves and the card box per day,
// and the figures summed up from a history each test writes itself, on
// Berlin's local days with a pinned clock.

#include "History.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Statistics.h"

#include <QFileInfo>
#include <QTest>

using History::answer;
using History::box;
using History::pinNow;
using History::zeit;
using Period = Statistics::Period;

Q_DECLARE_METATYPE(Statistics::Period)

class TestStatistics : public QObject
{
    Q_OBJECT

    Sandbox sb;

    static store::Database &db() { return *AppState::instance().Database; }

    static std::int32_t card(const QString &fvok, int fach = 1)
    {
        VocabularyRecord r;
        r.FVok = fvok;
        r.MVok = fvok.toUpper();
        r.Fach = fach;
        return Records::addCard(r);
    }

    // The rows of the answer log, one text each, in the order written:
    // "VNr FachVorher>FachNachher Richtig Tests Richtung 'Eingabe'", with
    // "-" for a null.
    static QStringList log()
    {
        QStringList rows;
        db().forEachRow(QStringLiteral("SELECT VNr, FachVorher, FachNachher, Richtig, Tests, Richtung, Eingabe, SprachId "
                                       "FROM VkSysAntworten ORDER BY rowid"),
                        {}, [&](const QVariantList &r) {
                            auto t = [](const QVariant &v) { return v.isNull() ? QStringLiteral("-") : v.toString(); };
                            rows << QStringLiteral("%1 %2>%3 %4 %5 %6 '%7'")
                                        .arg(t(r[0]), t(r[1]), t(r[2]), t(r[3]), t(r[4]), t(r[5]), t(r[6]));
                        });
        return rows;
    }
    static int count(const QString &table)
    {
        int n = 0;
        db().forEachRow(QStringLiteral("SELECT count(*) FROM ") + table, {},
                        [&](const QVariantList &r) { n = r[0].toInt(); });
        return n;
    }
    static QString fachOf(std::int32_t vnr)
    {
        QString f = QStringLiteral("gone");
        db().forEachRow(QStringLiteral("SELECT Fach, gewusst FROM tEnglisch WHERE VNr = ?"), {vnr},
                        [&](const QVariantList &r) { f = r[0].toString() + QLatin1Char('/') + r[1].toString(); });
        return f;
    }
    static QStringList boxRows()
    {
        QStringList rows;
        db().forEachRow(QStringLiteral("SELECT Tag, SprachId, Fach0, Fach1, Fach2, Fach3, Fach4, Fach5, Fach6, Fach7 "
                                       "FROM VkSysKastenTage ORDER BY SprachId, Tag"),
                        {}, [&](const QVariantList &r) {
                            QStringList parts;
                            for (const QVariant &v : r)
                                parts << v.toString();
                            rows << parts.join(QLatin1Char(' '));
                        });
        return rows;
    }
    static QString sums(const Statistics::Figures &f)
    {
        int right = 0;
        int wrong = 0;
        for (const auto &d : f.answers) {
            right += d.right;
            wrong += d.wrong;
        }
        return QStringLiteral("%1/%2").arg(right).arg(wrong);
    }
    static QString path() { return AppState::instance().DatabasePath; }

private slots:
    void initTestCase() { History::useBerlinTime(); }

    void init()
    {
        sb.start();
        Catalogue::OpenVocabularyDatabase();
        AppState &a = AppState::instance();
        a.CurrentTable = QStringLiteral("tEnglisch");
        a.SprachNr = 1;
        // A second pair, whose rows never count for the first.
        Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), QStringLiteral("Latein"));
        pinNow(QStringLiteral("2025-06-10 12:00"));
    }
    void cleanup()
    {
        Clock::pin(std::nullopt);
        sb.stop();
    }

    // ------------------------------------------------------------- the file

    // A new file and an older one opened again both keep statistics; an
    // older file that has a table of that name in another shape cannot take
    // them: it opens all the same, without statistics and without a trace
    // of them, and says why.
    void tablesComeWithTheFile()
    {
        QVERIFY(db().keepsStatistics());
        QVERIFY(db().statisticsProblem().isEmpty());
        QCOMPARE(count(QStringLiteral("VkSysAntworten")), 0);
        QCOMPARE(count(QStringLiteral("VkSysKastenTage")), 0);
        // Never taken for a language table.
        QVERIFY(!db().tableNames().contains(QStringLiteral("VkSysAntworten")));

        db().execute(QStringLiteral("DROP TABLE VkSysAntworten"));
        db().execute(QStringLiteral("DROP TABLE VkSysKastenTage"));
        AppState::instance().Database = store::Database::open(path());
        QVERIFY(db().keepsStatistics());
        QCOMPARE(count(QStringLiteral("VkSysAntworten")), 0);
        int indexes = 0;
        db().forEachRow(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = "
                                       "'VkSysAntworten'"),
                        {}, [&](const QVariantList &r) { indexes = r[0].toInt(); });
        QCOMPARE(indexes, 3);

        db().execute(QStringLiteral("DROP TABLE VkSysAntworten"));
        db().execute(QStringLiteral("DROP TABLE VkSysKastenTage"));
        db().execute(QStringLiteral("CREATE TABLE VkSysKastenTage (Tag TEXT, Anzahl INTEGER)"));
        AppState::instance().Database = store::Database::open(path());
        QVERIFY(!db().keepsStatistics());
        QVERIFY2(db().statisticsProblem().contains(QStringLiteral("VkSysKastenTage")),
                 qPrintable(db().statisticsProblem()));
        int answerTables = -1;
        db().forEachRow(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'VkSysAntworten%'"), {},
                        [&](const QVariantList &r) { answerTables = r[0].toInt(); });
        QCOMPARE(answerTables, 0);

        // Without statistics everything else works as before.
        const auto dog = card(QStringLiteral("dog"));
        Statistics::LogRow row;
        row.vnr = dog;
        row.fachBefore = 1;
        row.fachAfter = 2;
        row.right = true;
        row.tests = 1;
        row.direction = 1;
        QVERIFY(Records::storeProgress(dog, 2, 0, row));
        QCOMPARE(fachOf(dog), QStringLiteral("2/0"));
        QCOMPARE(Records::moveCards({dog}, 1).moved, 1);
        Statistics::recordBoxNow();
        const Statistics::Figures f = Statistics::figures(Period::Month);
        QVERIFY(!f.anyAnswers);
        QCOMPARE(f.unreadable, 0);
    }

    // ---------------------------------------------------- answers and moves

    // The card and its answer's row go in together; a card deleted meanwhile
    // stores neither.
    void answerRowWithTheCard()
    {
        const auto dog = card(QStringLiteral("dog"), 3);
        pinNow(QStringLiteral("2025-03-30 00:30:15")); // summer time began that night
        Statistics::LogRow row;
        row.vnr = dog;
        row.fachBefore = 3;
        row.fachAfter = 1;
        row.right = false;
        row.tests = 3;
        row.direction = 2;
        row.typed = QStringLiteral("Hünd");
        QVERIFY(Records::storeProgress(dog, 1, 0, row));
        QCOMPARE(fachOf(dog), QStringLiteral("1/0"));
        QCOMPARE(log(), QStringList{QStringLiteral("%1 3>1 0 3 2 'Hünd'").arg(dog)});
        QString written;
        int pair = 0;
        db().forEachRow(QStringLiteral("SELECT Zeit, SprachId FROM VkSysAntworten"), {}, [&](const QVariantList &r) {
            written = r[0].toString();
            pair = r[1].toInt();
        });
        QCOMPARE(written, QStringLiteral("2025-03-29T23:30:15Z"));
        QCOMPARE(pair, 1);

        Records::deleteCard(dog);
        QVERIFY(!Records::storeProgress(dog, 2, 0, row));
        QCOMPARE(log().size(), 1);
        QVERIFY(!db().inTransaction());
    }

    void failedWriteLeavesNeither_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("the card cannot be written")
            << "CREATE TRIGGER kaputt BEFORE UPDATE ON tEnglisch BEGIN SELECT RAISE(ABORT, 'Platte voll'); END";
        QTest::newRow("the answer cannot be written")
            << "CREATE TRIGGER kaputt BEFORE INSERT ON VkSysAntworten BEGIN SELECT RAISE(ABORT, 'Platte voll'); END";
    }
    // Whichever of the two writes fails, card and log stay as they were and
    // the failure is reported, not passed over.
    void failedWriteLeavesNeither()
    {
        QFETCH(QString, trigger);
        const auto dog = card(QStringLiteral("dog"), 3);
        db().execute(trigger);
        Statistics::LogRow row;
        row.vnr = dog;
        row.fachBefore = 3;
        row.fachAfter = 4;
        row.right = true;
        row.tests = 1;
        row.direction = 1;
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::storeProgress(dog, 4, 0, row));
        QCOMPARE(fachOf(dog), QStringLiteral("3/0"));
        QCOMPARE(log(), QStringList());
        QVERIFY(!db().inTransaction());
    }

    // Every card moved by hand is logged once, naming the compartment it
    // left; a move that stops at a card that is gone logs exactly the cards
    // moved before it, also when the list was not in the order of the table.
    void movesAreLogged()
    {
        const auto a = card(QStringLiteral("a"), 0);
        const auto b = card(QStringLiteral("b"), 2);
        const auto c = card(QStringLiteral("c"), 0);
        QCOMPARE(Records::moveCards({c, a, b}, 1).moved, 3);
        QCOMPARE(log(), (QStringList{QStringLiteral("%1 0>1 - 0 - '-'").arg(a), QStringLiteral("%1 2>1 - 0 - '-'").arg(b),
                                     QStringLiteral("%1 0>1 - 0 - '-'").arg(c)}));

        db().execute(QStringLiteral("DELETE FROM VkSysAntworten"));
        const auto gone = card(QStringLiteral("gone"), 1);
        Records::deleteCard(gone);
        const Records::MoveResult r = Records::moveCards({c, gone, a}, 5);
        QCOMPARE(r.moved, 1);
        QCOMPARE(r.notFound, gone);
        QCOMPARE(log(), QStringList{QStringLiteral("%1 1>5 - 0 - '-'").arg(c)});

        db().execute(QStringLiteral("DELETE FROM VkSysAntworten"));
        QCOMPARE(Records::moveCompartment(1, 0).moved, 2);
        QCOMPARE(log().size(), 2);
        QVERIFY(log().first().contains(QStringLiteral(" 1>0 - 0 ")));
    }

    // ------------------------------------------------------ the card box

    // One row per pair and local day, replaced while the day lasts: counts
    // taken just before midnight belong to that day, just after it to the
    // next, also where UTC is still on the day before.
    void boxPerLocalDay()
    {
        card(QStringLiteral("a"), 0);
        card(QStringLiteral("b"), 3);
        card(QStringLiteral("c"), 3);
        pinNow(QStringLiteral("2025-03-29 23:59:30"));
        Statistics::recordBoxNow();
        card(QStringLiteral("d"), 7);
        Statistics::recordBoxNow();
        QCOMPARE(boxRows(), QStringList{QStringLiteral("2025-03-29 1 1 0 0 2 0 0 0 1")});
        pinNow(QStringLiteral("2025-03-30 00:00:30"));
        Records::moveCards({1}, 1);
        Statistics::recordBoxNow();
        QCOMPARE(boxRows(), (QStringList{QStringLiteral("2025-03-29 1 1 0 0 2 0 0 0 1"),
                                         QStringLiteral("2025-03-30 1 0 1 0 2 0 0 0 1")}));
        // Another pair keeps its own rows.
        AppState &a = AppState::instance();
        a.SprachNr = 2;
        a.CurrentTable = QStringLiteral("tLatein");
        Statistics::recordBox({5, 0, 0, 0, 0, 0, 0, 0});
        QCOMPARE(boxRows().size(), 3);
        QCOMPARE(boxRows().last(), QStringLiteral("2025-03-30 2 5 0 0 0 0 0 0 0"));
    }

    // A change behind the main window's back (an import, a restore) records
    // the card box of the pair it changed, current or not; the main window's
    // next count writes its row again even where the counts are those it
    // wrote last.
    void boxAfterABulkChange()
    {
        pinNow(QStringLiteral("2025-03-29 10:00"));
        card(QStringLiteral("a"), 1);
        Statistics::recordBoxNow();
        db().execute(QStringLiteral("INSERT INTO tLatein (FVok, MVok, Fach) VALUES ('x', 'X', 0), ('y', 'Y', 0)"));
        Statistics::recordBoxOf(db(), 2, QStringLiteral("tLatein"));
        db().execute(QStringLiteral("DELETE FROM tEnglisch"));
        Statistics::recordBoxOf(db(), 1, QStringLiteral("tEnglisch"));
        QCOMPARE(boxRows(), (QStringList{QStringLiteral("2025-03-29 1 0 0 0 0 0 0 0 0"),
                                         QStringLiteral("2025-03-29 2 2 0 0 0 0 0 0 0")}));
        card(QStringLiteral("b"), 1);
        Statistics::recordBoxNow();
        QCOMPARE(boxRows().first(), QStringLiteral("2025-03-29 1 0 1 0 0 0 0 0 0"));

        // The same counts once more write nothing into the file.
        const auto logSize = [] { return QFileInfo(path() + QStringLiteral("-wal")).size(); };
        const qint64 before = logSize();
        Statistics::recordBoxOf(db(), 1, QStringLiteral("tEnglisch"));
        Statistics::recordBoxOf(db(), 2, QStringLiteral("tLatein"));
        QCOMPARE(logSize(), before);
    }

    // ------------------------------------------------------------ figures

    void series_data()
    {
        QTest::addColumn<QStringList>("answers"); // local times
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("longest");
        QTest::newRow("across midnight, today")
            << QStringList{"2025-06-09 23:59", "2025-06-10 00:01"} << "2025-06-10 12:00" << 2 << 2;
        QTest::newRow("not yet today") << QStringList{"2025-06-08 09:00", "2025-06-09 21:00"} << "2025-06-10 12:00"
                                       << 2 << 2;
        QTest::newRow("a gap ends it")
            << QStringList{"2025-06-05 10:00", "2025-06-06 10:00", "2025-06-07 10:00", "2025-06-09 10:00",
                           "2025-06-10 08:00"}
            << "2025-06-10 12:00" << 2 << 3;
        QTest::newRow("not since yesterday") << QStringList{"2025-06-07 10:00", "2025-06-08 10:00"}
                                             << "2025-06-10 12:00" << 0 << 2;
        QTest::newRow("several a day count once")
            << QStringList{"2025-06-10 08:00", "2025-06-10 08:01", "2025-06-10 20:00"} << "2025-06-10 21:00" << 1 << 1;
        // Half past midnight on the first summer day is still the 29th in
        // UTC; the days are the learner's.
        QTest::newRow("into summer time")
            << QStringList{"2025-03-29 23:30", "2025-03-30 00:30", "2025-03-31 00:30"} << "2025-03-31 12:00" << 3 << 3;
        QTest::newRow("into winter time")
            << QStringList{"2025-10-25 23:30", "2025-10-26 23:30", "2025-10-27 00:30"} << "2025-10-27 12:00" << 3 << 3;
        QTest::newRow("a later day does not count yet")
            << QStringList{"2025-06-09 10:00", "2025-06-11 10:00"} << "2025-06-10 12:00" << 1 << 1;
        QTest::newRow("nothing") << QStringList{} << "2025-06-10 12:00" << 0 << 0;
    }
    void series()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, now);
        QFETCH(int, series);
        QFETCH(int, longest);
        for (const QString &t : answers)
            answer(db(), t, 1, true);
        // Cards moved by hand and another pair's answers are no practice.
        History::Row moved;
        moved.zeit = zeit(QStringLiteral("2025-06-10 07:00"));
        moved.right = QVariant();
        moved.tests = 0;
        History::put(db(), moved);
        answer(db(), QStringLiteral("2025-06-10 07:30"), 1, true, 2);
        answer(db(), QStringLiteral("2025-03-30 12:00"), 1, true, 2);
        pinNow(now);
        const Statistics::Figures f = Statistics::figures(Period::Month);
        QCOMPARE(f.series, series);
        QCOMPARE(f.longestSeries, longest);
        QCOMPARE(f.anyAnswers, !answers.isEmpty());
    }

    // Today's line: cards practised once each, however often, and answers.
    void today()
    {
        answer(db(), QStringLiteral("2025-06-10 00:00:00"), 1, false);
        answer(db(), QStringLiteral("2025-06-10 08:00"), 1, true);
        answer(db(), QStringLiteral("2025-06-10 11:59"), 2, true);
        answer(db(), QStringLiteral("2025-06-09 23:59:59"), 3, false);
        answer(db(), QStringLiteral("2025-06-10 09:00"), 4, false, 2);
        const Statistics::Figures f = Statistics::figures(Period::Week);
        QCOMPARE(f.todayCards, 2);
        QCOMPARE(f.todayRight, 2);
        QCOMPARE(f.todayWrong, 1);
        QCOMPARE(f.answers.last().right, 2);
        QCOMPARE(f.answers.last().wrong, 1);
        QCOMPARE(f.answers[5].wrong, 1); // yesterday
    }

    void periods_data()
    {
        QTest::addColumn<Period>("period");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("rightWrong");
        QTest::newRow("7 Tage") << Period::Week << "2025-06-04" << 7 << "2/0";
        QTest::newRow("30 Tage") << Period::Month << "2025-05-12" << 30 << "3/1";
        QTest::newRow("1 Jahr") << Period::Year << "2024-06-11" << 365 << "4/2";
        QTest::newRow("Alles") << Period::All << "2024-06-10" << 366 << "4/3";
    }
    // Each period ends today and reaches back to its first day exactly; all
    // of it starts with the first answer.
    void periods()
    {
        QFETCH(Period, period);
        QFETCH(QString, first);
        QFETCH(int, days);
        QFETCH(QString, rightWrong);
        answer(db(), QStringLiteral("2025-06-10 09:00"), 1, true);
        answer(db(), QStringLiteral("2025-06-04 00:10"), 1, true);  // 6 days ago
        answer(db(), QStringLiteral("2025-06-03 23:50"), 1, false); // 7 days ago
        answer(db(), QStringLiteral("2025-05-12 10:00"), 1, true);  // 29 days ago
        answer(db(), QStringLiteral("2025-05-11 10:00"), 1, false); // 30 days ago
        answer(db(), QStringLiteral("2024-06-11 10:00"), 1, true);  // 364 days ago
        answer(db(), QStringLiteral("2024-06-10 10:00"), 1, false); // 365 days ago
        const Statistics::Figures f = Statistics::figures(period);
        QCOMPARE(f.first, QDate::fromString(first, Qt::ISODate));
        QCOMPARE(f.last, QDate(2025, 6, 10));
        QCOMPARE(int(f.days()), days);
        QCOMPARE(int(f.box.size()), days);
        QCOMPARE(sums(f), rightWrong);
        QCOMPARE(f.answers.last().right, 1);
    }

    // Every day shows the card box as it stood at the end of that day: a
    // day without a row has the counts of the day before, the first day of
    // the period those of the last row before it; before the first row
    // there is nothing to show. "Alles" begins with the first row too.
    void boxHistory()
    {
        box(db(), QStringLiteral("2025-05-01"), {9, 1, 0, 0, 0, 0, 0, 0});
        box(db(), QStringLiteral("2025-06-05"), {8, 2, 0, 0, 0, 0, 0, 0});
        box(db(), QStringLiteral("2025-06-07"), {7, 2, 1, 0, 0, 0, 0, 0});
        box(db(), QStringLiteral("2025-06-08"), {1, 1, 1, 1, 1, 1, 1, 1}, 2);
        box(db(), QStringLiteral("2025-06-11"), {0, 0, 0, 0, 0, 0, 0, 10}); // tomorrow
        answer(db(), QStringLiteral("2025-06-09 10:00"), 1, true);
        Statistics::Figures f = Statistics::figures(Period::Week);
        QCOMPARE(f.first, QDate(2025, 6, 4));
        const QVector<int> pool{9, 8, 8, 7, 7, 7, 7};
        for (int i = 0; i < 7; ++i) {
            QVERIFY(f.box[i].has_value());
            QCOMPARE((*f.box[i])[0], pool[i]);
        }
        QCOMPARE((*f.box[6])[2], 1);

        f = Statistics::figures(Period::All);
        QCOMPARE(f.first, QDate(2025, 5, 1));
        QCOMPARE((*f.box[0])[0], 9);

        db().execute(QStringLiteral("DELETE FROM VkSysKastenTage WHERE Tag < '2025-06-06'"));
        f = Statistics::figures(Period::Week);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!f.box[i].has_value());
        QCOMPARE((*f.box[3])[0], 7);
    }

    // The cards answered wrong most often in the period, most wrong first,
    // equally often: the one failed last first. Answers of another pair and
    // answers outside the period do not count, nor do cards never wrong.
    void hardestWords()
    {
        History::Batch batch(db());
        QVector<std::int32_t> cards;
        for (int i = 0; i < 24; ++i)
            cards << card(QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0')));
        // Card i is answered wrong 1 + i % 4 times, on the first days of
        // June; the later card was failed later.
        for (int i = 0; i < 24; ++i)
            for (int k = 0; k <= i % 4; ++k)
                answer(db(), QStringLiteral("2025-06-0%1 10:%2").arg(1 + k).arg(i, 2, 10, QLatin1Char('0')), cards[i],
                       false);
        answer(db(), QStringLiteral("2025-06-09 10:00"), cards[3], true);
        answer(db(), QStringLiteral("2025-06-09 10:01"), cards[3], true);
        answer(db(), QStringLiteral("2025-04-01 10:00"), cards[0], false); // outside 30 days
        for (int k = 0; k < 9; ++k)
            answer(db(), QStringLiteral("2025-06-09 11:00"), cards[1], false, 2); // another pair
        const auto never = card(QStringLiteral("never"));
        answer(db(), QStringLiteral("2025-06-09 12:00"), never, true);
        Records::deleteCard(cards[23]); // four wrong, failed last

        auto listed = [](const Statistics::Figures &f) {
            QStringList order;
            for (const Statistics::HardWord &w : f.hardest)
                order << QStringLiteral("%1:%2/%3").arg(w.fvok).arg(w.wrong).arg(w.right);
            return order;
        };
        const Statistics::Figures f = Statistics::figures(Period::Month);
        const QStringList month = listed(f);
        QCOMPARE(month.size(), Statistics::kHardWords);
        QCOMPARE(month.mid(0, 7),
                 (QStringList{"w19:4/0", "w15:4/0", "w11:4/0", "w07:4/0", "w03:4/2", "w22:3/0", "w18:3/0"}));
        QCOMPARE(month.mid(17), (QStringList{"w20:1/0", "w16:1/0", "w12:1/0"}));
        QVERIFY(month.contains(QStringLiteral("w01:2/0")));
        QCOMPARE(f.hardest.first().mvok, QStringLiteral("W19"));
        QCOMPARE(f.hardest.first().vnr, cards[19]);

        // All of the time: w00 failed twice, the second time before the
        // others failed their second time.
        const QStringList all = listed(Statistics::figures(Period::All));
        QCOMPARE(all.mid(11, 8), (QStringList{"w21:2/0", "w17:2/0", "w13:2/0", "w09:2/0", "w05:2/0", "w01:2/0",
                                              "w00:2/0", "w20:1/0"}));
        QCOMPARE(all.last(), QStringLiteral("w16:1/0"));

        const QStringList week = listed(Statistics::figures(Period::Week));
        QCOMPARE(week, (QStringList{"w19:1/0", "w15:1/0", "w11:1/0", "w07:1/0", "w03:1/2"}));
    }

    // Cards deleted since make room for the next ones, however many of the
    // hardest are gone.
    void deletedCardsMakeRoom()
    {
        std::optional<History::Batch> batch(std::in_place, db());
        QVector<std::int32_t> cards;
        for (int i = 0; i < 45; ++i) {
            cards << card(QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0')));
            answer(db(), QStringLiteral("2025-06-09 10:%1").arg(i, 2, 10, QLatin1Char('0')), cards[i], false);
        }
        for (int i = 20; i < 45; ++i)
            Records::deleteCard(cards[i]);
        batch.reset();
        const Statistics::Figures f = Statistics::figures(Period::Week);
        QCOMPARE(f.hardest.size(), 20);
        QCOMPARE(f.hardest.first().vnr, cards[19]);
        QCOMPARE(f.hardest.last().vnr, cards[0]);
    }

    // No answers: empty figures, not an error.
    void emptyHistory()
    {
        box(db(), QStringLiteral("2025-06-10"), {3, 0, 0, 0, 0, 0, 0, 0});
        for (Period p : {Period::Week, Period::Month, Period::Year, Period::All}) {
            const Statistics::Figures f = Statistics::figures(p);
            QVERIFY(!f.anyAnswers);
            QCOMPARE(sums(f), QStringLiteral("0/0"));
            QCOMPARE(f.series, 0);
            QCOMPARE(f.todayCards, 0);
            QVERIFY(f.hardest.isEmpty());
            QCOMPARE(f.unreadable, 0);
        }
        QCOMPARE(Statistics::figures(Period::All).days(), 1);
    }

    void unreadableRows_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("time not a time") << "Zeit" << QVariant(QStringLiteral("gestern"));
        QTest::newRow("time empty") << "Zeit" << QVariant(QString(""));
        QTest::newRow("time null") << "Zeit" << QVariant();
        QTest::newRow("time a number") << "Zeit" << QVariant(20250610);
        QTest::newRow("time with a blank") << "Zeit" << QVariant(QStringLiteral("2025-06-10 08:00:00"));
        QTest::newRow("time without seconds") << "Zeit" << QVariant(QStringLiteral("2025-06-10T08:00Z"));
        QTest::newRow("time with an offset") << "Zeit" << QVariant(QStringLiteral("2025-06-10T08:00:00+02:00"));
        QTest::newRow("hour 24") << "Zeit" << QVariant(QStringLiteral("2025-06-10T24:00:00Z"));
        QTest::newRow("month 13") << "Zeit" << QVariant(QStringLiteral("2025-13-10T08:00:00Z"));
        QTest::newRow("29 February 2025") << "Zeit" << QVariant(QStringLiteral("2025-02-29T08:00:00Z"));
        QTest::newRow("31 April") << "Zeit" << QVariant(QStringLiteral("2025-04-31T08:00:00Z"));
        QTest::newRow("day 00") << "Zeit" << QVariant(QStringLiteral("2025-06-00T08:00:00Z"));
        QTest::newRow("compartment 8 before") << "FachVorher" << QVariant(8);
        QTest::newRow("compartment -1 after") << "FachNachher" << QVariant(-1);
        QTest::newRow("compartment missing") << "FachNachher" << QVariant();
        QTest::newRow("compartment a word") << "FachVorher" << QVariant(QStringLiteral("drei"));
        QTest::newRow("right neither 0 nor 1") << "Richtig" << QVariant(2);
        QTest::newRow("unknown pair") << "SprachId" << QVariant(7);
        QTest::newRow("pair 0") << "SprachId" << QVariant(0);
        QTest::newRow("pair missing") << "SprachId" << QVariant();
        QTest::newRow("pair a word") << "SprachId" << QVariant(QStringLiteral("Englisch"));
        QTest::newRow("unknown pair, moved") << "SprachId+moved" << QVariant(9);
    }
    // A row that cannot be read is left out and counted, whatever is wrong
    // with it; a row of this pair that is fine next to it still counts.
    void unreadableRows()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        card(QStringLiteral("card one")); // the card the row names
        History::Row r;
        r.zeit = zeit(QStringLiteral("2025-06-10 08:00"));
        r.right = 0;
        if (field == QLatin1String("Zeit"))
            r.zeit = value;
        else if (field == QLatin1String("FachVorher"))
            r.fachBefore = value;
        else if (field == QLatin1String("FachNachher"))
            r.fachAfter = value;
        else if (field == QLatin1String("Richtig"))
            r.right = value;
        else if (field.startsWith(QLatin1String("SprachId"))) {
            r.pair = value;
            if (field.endsWith(QLatin1String("moved")))
                r.right = QVariant();
        }
        History::put(db(), r);
        answer(db(), QStringLiteral("2025-06-10 09:00"), 2, true);
        for (Period p : {Period::Week, Period::All}) {
            const Statistics::Figures f = Statistics::figures(p);
            QCOMPARE(f.unreadable, 1);
            QCOMPARE(sums(f), QStringLiteral("1/0"));
            QCOMPARE(f.todayCards, 1);
            QVERIFY(f.hardest.isEmpty());
            QCOMPARE(f.first, p == Period::All ? QDate(2025, 6, 10) : QDate(2025, 6, 4));
        }
        // The other known pair has its own window.
        AppState::instance().SprachNr = 2;
        AppState::instance().CurrentTable = QStringLiteral("tLatein");
        const bool ownPairOnly = field == QLatin1String("SprachId") || field == QLatin1String("SprachId+moved");
        QCOMPARE(Statistics::figures(Period::Week).unreadable, ownPairOnly ? 1 : 0);
    }

    void unreadableBoxRows_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<int>("pair");
        QTest::addColumn<QVariant>("fach3");
        QTest::newRow("day without zeros") << "2025-6-9" << 1 << QVariant(1);
        QTest::newRow("day of no month") << "2025-02-30" << 1 << QVariant(1);
        QTest::newRow("day with a time") << "2025-06-09T00:00" << 1 << QVariant(1);
        QTest::newRow("count below 0") << "2025-06-09" << 1 << QVariant(-4);
        QTest::newRow("count a word") << "2025-06-09" << 1 << QVariant(QStringLiteral("vier"));
        QTest::newRow("count missing") << "2025-06-09" << 1 << QVariant();
        QTest::newRow("unknown pair") << "2025-06-09" << 5 << QVariant(1);
    }
    void unreadableBoxRows()
    {
        QFETCH(QString, day);
        QFETCH(int, pair);
        QFETCH(QVariant, fach3);
        db().execute(QStringLiteral("INSERT INTO VkSysKastenTage (Tag, SprachId, Fach0, Fach1, Fach2, Fach3, Fach4, "
                                    "Fach5, Fach6, Fach7) VALUES (?, ?, 1, 1, 1, ?, 1, 1, 1, 1)"),
                     {day, pair, fach3});
        box(db(), QStringLiteral("2025-06-08"), {2, 2, 2, 2, 2, 2, 2, 2});
        answer(db(), QStringLiteral("2025-06-10 09:00"), 2, true);
        const Statistics::Figures f = Statistics::figures(Period::Week);
        QCOMPARE(f.unreadable, 1);
        QCOMPARE((*f.box.last())[3], 2);
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
