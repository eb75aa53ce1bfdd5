#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TestRecords : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    AppState &app() { return AppState::instance(); }
    store::Database &db() { return *AppState::instance().Database; }

    // Makes the pair Deutsch - foreign current, created the way the program
    // creates a pair.
    void makeCurrent(const QString &foreign)
    {
        const LanguagePair p = Catalogue::AddLanguagePair(db(), QStringLiteral("Deutsch"), foreign);
        QCOMPARE(p.SprachId, 2); // after the seeded first pair
        app().CurrentTable = p.Tabelle;
        app().ForeignLanguage = p.FremdSprache;
    }
    int count(int fach) { return Records::countCompartment(fach); }
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
    QList<int> counts()
    {
        QList<int> n;
        for (int fach = 0; fach <= 7; ++fach)
            n << count(fach);
        return n;
    }
    // Cards 1..n in compartment `fach`, for the current table.
    QVector<std::int32_t> fill(int n, int fach)
    {
        QVector<std::int32_t> vnrs;
        for (int i = 1; i <= n; ++i)
            vnrs << Records::addCard(card(QStringLiteral("wort%1").arg(i), fach, 2));
        return vnrs;
    }

private slots:
    void init()
    {
        sb.start();
        Catalogue::OpenVocabularyDatabase();
    }
    void cleanup() { sb.stop(); }

    void tableNamesInSqlTexts_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("inSql");
        QTest::newRow("plain") << "Englisch" << "tEnglisch";
        QTest::newRow("umlaut") << "Französisch" << "tFranzösisch";
        QTest::newRow("keyword THEN") << "Hen" << "[tHen]";
        QTest::newRow("keyword TO") << "O" << "[tO]";
        QTest::newRow("keyword TABLE") << "Able" << "[tAble]";
        QTest::newRow("keyword TRANSACTION") << "Ransaction" << "[tRansaction]";
        QTest::newRow("blank") << "Neu griechisch" << "[tNeu griechisch]";
        QTest::newRow("quote") << "O'ahu" << "[tO'ahu]";
    }
    // Counting, opening a compartment and changing a card through it work
    // for every name a learner can give a language; plain names keep their
    // bare texts.
    void tableNamesInSqlTexts()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, inSql);
        if (foreign != QLatin1String("Englisch"))
            makeCurrent(foreign);
        else
            app().CurrentTable = QStringLiteral("tEnglisch");
        QCOMPARE(count(1), 0);
        QCOMPARE(Records::addCard(card(QStringLiteral("dog"))), 1);
        QCOMPARE(count(1), 1);
        QCOMPARE(Records::countAll(), 1);
        auto rs = Records::openCompartment(1, true);
        QCOMPARE(app().SqlText, QStringLiteral("Select * from ") + inSql + QStringLiteral(" where [Fach] = 1 order by FVok"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("dog"));
        rs->edit();
        rs->setValue(QStringLiteral("Fach"), 2);
        rs->update();
        QCOMPARE(count(1), 0);
        QCOMPARE(count(2), 1);
        QCOMPARE(Records::countSql(3), QStringLiteral("Select count(*) from ") + inSql + QStringLiteral(" where [Fach] = 3"));
    }

    // Each operation changes exactly its card and exactly its fields.
    void cardOperations()
    {
        app().CurrentTable = QStringLiteral("tEnglisch");
        const std::int32_t dog = Records::addCard(card(QStringLiteral("dog")));
        const std::int32_t cat = Records::addCard(card(QStringLiteral("it's a \"cat\"; DROP TABLE tSprache"), 0, 3));
        QCOMPARE(dog, 1);
        QCOMPARE(cat, 2);
        VocabularyRecord c = stored(cat);
        QCOMPARE(c.FVok, QStringLiteral("it's a \"cat\"; DROP TABLE tSprache"));
        QCOMPARE(c.MSatz, QStringLiteral("Ein it's a \"cat\"; DROP TABLE tSprache."));
        QCOMPARE(QList<int>({c.Fach, c.gewusst, c.Kapitel}), QList<int>({0, 3, 0}));
        QVERIFY(c.FVokSound.isEmpty() && c.Datum.isEmpty());

        // Saving writes the texts; empty words keep the stored ones.
        VocabularyRecord changed = card(QStringLiteral("Hund"));
        changed.VNr = dog;
        changed.MVok.clear();
        changed.Artikel.clear();
        changed.FSatz.clear();
        Records::moveCard(dog, 4, 2);
        Records::setSoundPath(dog, false, QStringLiteral(".\\Englisch\\EnV1.wav"));
        Records::setSoundPath(dog, true, QStringLiteral(".\\Englisch\\EnS1.wav"));
        Records::saveCard(changed);
        VocabularyRecord d = stored(dog);
        QCOMPARE(d.FVok, QStringLiteral("Hund"));
        QCOMPARE(d.MVok, QStringLiteral("DOG"));
        QCOMPARE(d.Artikel, QString());
        QCOMPARE(d.FSatz, QString());
        QCOMPARE(d.MSatz, QStringLiteral("Ein Hund."));
        QCOMPARE(QList<int>({d.Fach, d.gewusst}), QList<int>({4, 2}));
        QCOMPARE(d.FVokSound, QStringLiteral(".\\Englisch\\EnV1.wav"));
        QCOMPARE(d.FSatzSound, QStringLiteral(".\\Englisch\\EnS1.wav"));

        // Moving by hand starts the count again.
        Records::moveCard(dog, 1);
        QCOMPARE(QList<int>({stored(dog).Fach, stored(dog).gewusst}), QList<int>({1, 0}));
        QCOMPARE(stored(cat).FVok, c.FVok); // the other card is untouched

        Records::deleteCard(dog);
        QCOMPARE(stored(dog).VNr, 0);
        QCOMPARE(Records::countAll(), 1);
        // Numbers are never given twice, not even after a delete.
        QCOMPARE(Records::addCard(card(QStringLiteral("cow"))), 3);
    }

    void operationsOnAGoneCardRaise_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("save") << 0;
        QTest::newRow("move") << 1;
        QTest::newRow("sound path") << 2;
        QTest::newRow("delete") << 3;
    }
    // Another window or program instance deleted the card meanwhile: the
    // operation must not pass for done.
    void operationsOnAGoneCardRaise()
    {
        QFETCH(int, operation);
        app().CurrentTable = QStringLiteral("tEnglisch");
        const std::int32_t vnr = Records::addCard(card(QStringLiteral("dog")));
        db().execute(QStringLiteral("DELETE FROM tEnglisch"));
        VocabularyRecord c = card(QStringLiteral("Hund"));
        c.VNr = vnr;
        QVERIFY_THROWS_EXCEPTION(store::Error, [&] {
            switch (operation) {
            case 0: Records::saveCard(c); break;
            case 1: Records::moveCard(vnr, 2); break;
            case 2: Records::setSoundPath(vnr, false, QStringLiteral("x.wav")); break;
            default: Records::deleteCard(vnr); break;
            }
        }());
        QCOMPARE(Records::countAll(), 0);
    }

    void movingAWholeCompartment()
    {
        makeCurrent(QStringLiteral("Hen"));
        fill(5, 0);
        Records::addCard(card(QStringLiteral("schon gelernt"), 3, 1));
        const Records::MoveResult r = Records::moveCompartment(0, 1);
        QCOMPARE(r.moved, 5);
        QCOMPARE(r.notFound, 0);
        QCOMPARE(counts(), QList<int>({0, 5, 0, 1, 0, 0, 0, 0}));
        for (std::int32_t vnr = 1; vnr <= 5; ++vnr)
            QCOMPARE(stored(vnr).gewusst, 0);
        QCOMPARE(stored(6).gewusst, 1);
        QVERIFY(!db().inTransaction());
        // Back down again, and an empty compartment moves nothing.
        QCOMPARE(Records::moveCompartment(1, 0).moved, 5);
        QCOMPARE(Records::moveCompartment(5, 6).moved, 0);
        QCOMPARE(counts(), QList<int>({5, 0, 0, 1, 0, 0, 0, 0}));
    }

    // A move that fails in the middle keeps what moved before it, stored
    // for good: another program instance sees it at once.
    void aMoveThatFailsInTheMiddle()
    {
        app().CurrentTable = QStringLiteral("tEnglisch");
        const QVector<std::int32_t> vnrs = fill(6, 0);
        // Another instance deleted card 3 after the list was read.
        Records::deleteCard(3);
        Records::MoveResult r = Records::moveCards(vnrs, 1);
        QCOMPARE(r.moved, 2);
        QCOMPARE(r.notFound, 3);
        QCOMPARE(counts(), QList<int>({3, 2, 0, 0, 0, 0, 0, 0}));

        // The engine refuses card 5 (a disk that is full, a lock of another
        // program: here a trigger stands for them).
        db().execute(QStringLiteral("CREATE TRIGGER refuse5 BEFORE UPDATE ON tEnglisch WHEN OLD.VNr = 5 "
                                    "BEGIN SELECT RAISE(ABORT, 'Datenträger voll'); END"));
        QString error;
        try {
            Records::moveCards({4, 5, 6}, 2);
        } catch (const store::Error &e) {
            error = e.description();
        }
        QVERIFY2(error.contains(QStringLiteral("Datenträger voll")), qPrintable(error));
        QVERIFY(!db().inTransaction());
        auto other = store::Database::open(app().DatabasePath);
        auto rs = other->openRecordset(QStringLiteral("Select VNr, Fach from tEnglisch order by VNr"));
        QList<int> fach;
        for (; !rs->eof(); rs->moveNext())
            fach << rs->value(QStringLiteral("Fach")).toInt();
        QCOMPARE(fach, QList<int>({1, 1, 2, 0, 0}));
    }

    // The list's order decides where a move stops, whatever order the
    // cards have in the table.
    void aMoveStopsInTheOrderOfTheList()
    {
        app().CurrentTable = QStringLiteral("tEnglisch");
        fill(5, 0);
        Records::deleteCard(2);
        const Records::MoveResult r = Records::moveCards({4, 1, 2, 3, 5}, 1);
        QCOMPARE(r.moved, 2);
        QCOMPARE(r.notFound, 2);
        QCOMPARE(counts(), QList<int>({2, 2, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(stored(3).Fach, 0);
        QCOMPARE(stored(5).Fach, 0);
        QVERIFY(!db().inTransaction());
        const Records::MoveResult all = Records::moveCards({5, 3, 1}, 2);
        QCOMPARE(all.moved, 3);
        QCOMPARE(all.notFound, 0);
        QCOMPARE(counts(), QList<int>({0, 1, 3, 0, 0, 0, 0, 0}));
    }

    void aRefusedPairLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("foreign");
        QTest::newRow("table exists") << "Deutsch" << "Englisch";
        QTest::newRow("catalogue refuses the row") << "Deutsch" << QString(40, QLatin1Char('x'));
        QTest::newRow("no native name") << "" << "Latein";
        QTest::newRow("engine refuses the table name") << "Deutsch" << "Alt!griechisch";
        QTest::newRow("path") << "Deutsch" << "/tmp/xyz";
        QTest::newRow("dots") << "Deutsch" << "..";
    }
    void aRefusedPairLeavesNothingBehind()
    {
        QFETCH(QString, native);
        QFETCH(QString, foreign);
        const QStringList tables = db().tableNames();
        QVERIFY_THROWS_EXCEPTION(store::Error, Catalogue::AddLanguagePair(db(), native, foreign));
        QCOMPARE(db().tableNames(), tables);
        QCOMPARE(db().openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 1);
        QVERIFY(!db().inTransaction());
        QCOMPARE(QDir(sb.work->path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("data"), QStringLiteral("Englisch")}));
    }

    void soundFoldersStayInTheWorkingDirectory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("plain") << "Englisch" << true;
        QTest::newRow("blank and umlaut") << "Alt griechisch ä" << true;
        QTest::newRow("dots inside") << "Dt..sch" << true;
        QTest::newRow("absolute") << "/tmp/xyz" << false;
        QTest::newRow("parent") << ".." << false;
        QTest::newRow("up and over") << "../x" << false;
        QTest::newRow("backslash") << "..\\x" << false;
    }
    void soundFoldersStayInTheWorkingDirectory()
    {
        QFETCH(QString, name);
        QFETCH(bool, allowed);
        // Where the name would lead; other tests work beside this folder at
        // the same time, so only that one place is watched.
        const QString target
            = QDir::cleanPath(QDir(sb.work->path()).absoluteFilePath(QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'))));
        const bool existed = QFileInfo::exists(target);
        if (allowed) {
            Catalogue::EnsureSoundFolder(name);
            QVERIFY(QFileInfo(sb.work->file(name)).isDir());
        } else {
            QVERIFY_THROWS_EXCEPTION(store::Error, Catalogue::EnsureSoundFolder(name));
            QCOMPARE(QFileInfo::exists(target), existed);
        }
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
