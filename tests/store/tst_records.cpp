// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QDir>
#include <QTest>

class TestRecords : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    store::Database &db() { return *AppState::instance().Database; }

    static VocabularyRecord card(const QString &word, int fach = 1, int gewusst = 0)
    {
        VocabularyRecord r;
        r.FVok = word;
        r.MVok = word.toUpper();
        r.Artikel = QStringLiteral("m");
        r.FSatz = QStringLiteral("A ") + word + QStringLiteral(".");
        r.MSatz = QStringLiteral("Ein ") + word + QStringLiteral(".");
        r.Fach = fach;
        r.gewusst = gewusst;
        return r;
    }
    VocabularyRecord stored(std::int32_t vnr)
    {
        auto rs = db().openRecordset(QStringLiteral("Select * from ") + Records::sqlTable()
                                     + QStringLiteral(" where VNr = ") + QString::number(vnr));
        return rs->eof() ? VocabularyRecord{} : Records::readCard(*rs);
    }

private slots:
    void init()
    {
        sb.start();
        Catalogue::OpenVocabularyDatabase();
        AppState::instance().CurrentTable = QStringLiteral("tEnglisch");
    }
    void cleanup() { sb.stop(); }

    void tableNamesInSqlTexts_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("inSql");
        QTest::newRow("plain") << "Englisch" << "tEnglisch";
        QTest::newRow("keyword THEN") << "Hen" << "[tHen]";
        QTest::newRow("blank") << "Neu griechisch" << "[tNeu griechisch]";
        QTest::newRow("quote") << "O'ahu" << "[tO'ahu]";
    }
    // Counting, opening a compartment, changing a card through it and moving
    // the whole compartment work for every name a learner can give a
    // language; plain names keep their bare texts.
    void tableNamesInSqlTexts()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, inSql);
        if (foreign != QLatin1String("Englisch"))
            AppState::instance().CurrentTable = Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), foreign).Tabelle;
        QCOMPARE(Records::addCard(card(QStringLiteral("dog"))), 1);
        QCOMPARE(Records::countAll(), 1);
        auto rs = Records::openCompartment(1, true);
        QCOMPARE(AppState::instance().SqlText, QStringLiteral("Select * from ") + inSql + QStringLiteral(" where [Fach] = 1 order by FVok"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("dog"));
        rs->edit();
        rs->setValue(QStringLiteral("Fach"), 2);
        rs->update();
        QCOMPARE(Records::countCompartment(2), 1);
        QCOMPARE(Records::moveCompartment(2, 3).moved, 1);
        QCOMPARE(Records::countCompartment(3), 1);
        QVERIFY(!db().inTransaction());
    }

    // Each operation changes exactly its card and exactly its fields.
    void cardOperations()
    {
        const std::int32_t dog = Records::addCard(card(QStringLiteral("dog")));
        const std::int32_t cat = Records::addCard(card(QStringLiteral("it's a \"cat\"; DROP TABLE tSprache"), 0, 3));
        QCOMPARE(QList<int>({stored(cat).Fach, stored(cat).gewusst}), QList<int>({0, 3}));

        // Saving writes the texts; empty words keep the stored ones.
        Records::moveCard(dog, 4, 2);
        Records::setSoundPath(dog, false, QStringLiteral(".\\Englisch\\EnV1.wav"));
        Records::setSoundPath(dog, true, QStringLiteral(".\\Englisch\\EnS1.wav"));
        VocabularyRecord changed;
        changed.VNr = dog;
        changed.FVok = QStringLiteral("Hund");
        changed.MSatz = QStringLiteral("Ein Hund.");
        Records::saveCard(changed);
        VocabularyRecord d = stored(dog);
        QCOMPARE(QStringList({d.FVok, d.MVok, d.Artikel, d.FSatz, d.MSatz, d.FVokSound, d.FSatzSound}),
                 QStringList({"Hund", "DOG", "", "", "Ein Hund.", ".\\Englisch\\EnV1.wav", ".\\Englisch\\EnS1.wav"}));
        QCOMPARE(QList<int>({d.Fach, d.gewusst}), QList<int>({4, 2}));

        // Moving by hand starts the count again.
        Records::moveCard(dog, 1);
        QCOMPARE(QList<int>({stored(dog).Fach, stored(dog).gewusst}), QList<int>({1, 0}));
        QCOMPARE(stored(cat).MSatz, QStringLiteral("Ein it's a \"cat\"; DROP TABLE tSprache.")); // untouched

        Records::deleteCard(dog);
        QCOMPARE(stored(dog).VNr, 0);
        // Numbers are never given twice, not even after a delete.
        QCOMPARE(Records::addCard(card(QStringLiteral("cow"))), 3);
    }

    // Another window or program instance deleted the card meanwhile: no
    // operation on it may pass for done.
    void operationsOnAGoneCardRaise()
    {
        VocabularyRecord c = card(QStringLiteral("Hund"));
        c.VNr = Records::addCard(card(QStringLiteral("dog")));
        db().execute(QStringLiteral("DELETE FROM tEnglisch"));
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::saveCard(c));
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::moveCard(c.VNr, 2));
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::setSoundPath(c.VNr, false, QStringLiteral("x.wav")));
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::deleteCard(c.VNr));
        QCOMPARE(Records::countAll(), 0);
    }

    // A move stops at a card another instance deleted after the list was
    // read, in the list's order whatever order the table has. A move that
    // fails in the middle keeps what moved before it, stored for good:
    // another program instance sees it at once.
    void aMoveThatFailsInTheMiddle()
    {
        for (int i = 1; i <= 6; ++i)
            Records::addCard(card(QStringLiteral("wort%1").arg(i), 0, 2));
        Records::deleteCard(3);
        const Records::MoveResult r = Records::moveCards({4, 1, 3, 2, 5}, 1);
        QCOMPARE(r.moved, 2);
        QCOMPARE(r.notFound, 3);
        QCOMPARE(QList<int>({stored(1).Fach, stored(2).Fach, stored(4).Fach}), QList<int>({1, 0, 1}));

        // The engine refuses card 5 (a disk that is full, a lock of another
        // program: here a trigger stands for them).
        db().execute(QStringLiteral("CREATE TRIGGER refuse5 BEFORE UPDATE ON tEnglisch WHEN OLD.VNr = 5 "
                                    "BEGIN SELECT RAISE(ABORT, 'Datenträger voll'); END"));
        QVERIFY_THROWS_EXCEPTION(store::Error, Records::moveCards({2, 5, 6}, 2));
        QVERIFY(!db().inTransaction());
        auto other = store::Database::open(AppState::instance().DatabasePath);
        auto rs = other->openRecordset(QStringLiteral("Select VNr, Fach from tEnglisch order by VNr"));
        QList<int> fach;
        for (; !rs->eof(); rs->moveNext())
            fach << rs->value(QStringLiteral("Fach")).toInt();
        QCOMPARE(fach, QList<int>({1, 2, 1, 0, 0}));
    }

    void aRefusedPairLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::newRow("table exists") << "Englisch";
        QTest::newRow("catalogue refuses the row") << QString(40, QLatin1Char('x'));
        QTest::newRow("engine refuses the table name") << "Alt!griechisch";
        QTest::newRow("path") << "/tmp/xyz";
    }
    void aRefusedPairLeavesNothingBehind()
    {
        QFETCH(QString, foreign);
        const QStringList tables = db().tableNames();
        QVERIFY_THROWS_EXCEPTION(store::Error, Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), foreign));
        QCOMPARE(db().tableNames(), tables);
        QCOMPARE(db().openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 1);
        QVERIFY(!db().inTransaction());
        QCOMPARE(QDir(sb.work->path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("data"), QStringLiteral("Englisch")}));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
