#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/SqlNames.h"

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
        const QString table = QStringLiteral("t") + foreign;
        Catalogue::CreateLanguageTable(db(), table);
        db().execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES (?, ?, ?)"),
                     {table, QStringLiteral("Deutsch"), foreign});
        app().CurrentTable = table;
        app().ForeignLanguage = foreign;
    }
    int count(int fach) { return Records::countCompartment(fach); }

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
        db().execute(QStringLiteral("INSERT INTO [%1] (FVok, MVok, Fach) VALUES ('dog', 'Hund', 1)").arg(app().CurrentTable));
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
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
