// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../store/LegacyFiles.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Engine.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

store::Database &db() { return *AppState::instance().Database; }

// The log of another database with committed pages not yet written back, as
// a killed program leaves it.
QByteArray foreignLog()
{
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("other.db")));
    sqlite3 *other = nullptr;
    sqlite3_open(file.constData(), &other);
    sqlite3_exec(other,
                 "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; CREATE TABLE t (a); "
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                 "INSERT INTO t SELECT randomblob(300) FROM n",
                 nullptr, nullptr, nullptr);
    const QByteArray log = readAll(QFile::decodeName(file) + QStringLiteral("-wal"));
    sqlite3_close(other);
    return log;
}

int count(const QString &table)
{
    return db().openRecordset(QStringLiteral("Select count(*) from ") + table)->value(0).toInt();
}

// The cards' fields as text, by number; a null field reads "<null>".
QList<QStringList> cards(const QString &table, const QStringList &fields, const QString &where = QString())
{
    QList<QStringList> rows;
    for (auto rs = db().openRecordset(QStringLiteral("Select * from %1%2 order by VNr").arg(table, where)); !rs->eof();
         rs->moveNext()) {
        QStringList row;
        for (const QString &f : fields)
            row << (rs->isNull(f) ? QStringLiteral("<null>") : rs->value(f).toString());
        rows << row;
    }
    return rows;
}

} // namespace

class TestStartupImport : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::unique_ptr<frmMain> w;

    void start()
    {
        w = std::make_unique<frmMain>();
        w->show();
    }
    QStringList languageMenu()
    {
        QStringList captions;
        for (int i = 1; QAction *a = w->findChild<QAction *>(QStringLiteral("mLanguage(%1)").arg(i)); ++i)
            if (a->isVisible())
                captions << a->text();
        return captions;
    }
    QStringList problems() const
    {
        QStringList texts;
        for (const auto &m : sb.spy->shown())
            if (m.title == QStringLiteral("Problem"))
                texts << m.text;
        return texts;
    }

private slots:
    // Copies of Access tables go to a temporary folder of this test's own,
    // so tests running side by side cannot see each other's.
    void init()
    {
        sb.start();
        qputenv("TMPDIR", sb.work->path().toUtf8());
    }
    void cleanup()
    {
        w.reset();
        qunsetenv("TMPDIR");
        sb.stop();
    }

    // Every pair the earlier file holds becomes a pair with its cards; a
    // pair that cannot be read is reported and left out whole.
    void firstStartImportsTheEarlierFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("counts"); // cards per pair imported
        QTest::addColumn<QString>("problem");
        const QByteArray vok1 = legacyFile(QStringLiteral("vok1.mdb"));
        QByteArray crashing = vok1;
        crashing[24 * 4096 + 55] = char(0xFF);
        QTest::newRow("four tables") << vok1 << QList<int>{6, 4, 3, 3} << QString();
        QTest::newRow("without TSpain") << legacyFile(QStringLiteral("vok1_without_TSpain.mdb")) << QList<int>{6, 4}
                                        << "Die Tabelle 'TSpain' ist in der Datei 'vok1.mdb' nicht vorhanden.";
        QTest::newRow("cut short") << vok1.left(8192) << QList<int>{0} << "Die Datei 'vok1.mdb' ist keine lesbare Access-Datenbank";
        QTest::newRow("cut in the rows") << vok1.left(155648) << QList<int>{6, 4, 3}
                                         << "die Tabelle 'TItalian' hat laut ihrer Beschreibung 3 Datensätze, lesbar sind nur";
        QTest::newRow("crashes the reader") << crashing << QList<int>{0} << "abgestürzt";
    }
    void firstStartImportsTheEarlierFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, counts);
        QFETCH(QString, problem);
        const QStringList foreign = {QStringLiteral("Englisch"), QStringLiteral("Französisch"), QStringLiteral("Spanisch"),
                                     QStringLiteral("Italienisch")};
        writeFile(sb.work->file(QStringLiteral("vok1.mdb")), file);
        const QStringList copiesBefore = linkCopies();
        start();

        QCOMPARE(linkCopies(), copiesBefore);
        QStringList pairs, tables = {QStringLiteral("tEnglisch"), QStringLiteral("tSprache")};
        for (int i = 0; i < counts.size(); ++i) {
            pairs << QStringLiteral("Deutsch - ") + foreign[i];
            if (i > 0)
                tables << QStringLiteral("t") + foreign[i];
            QCOMPARE(count(QStringLiteral("t") + foreign[i]), counts[i]);
            QVERIFY(QDir(sb.work->file(foreign[i])).exists());
        }
        QCOMPARE(languageMenu(), pairs);
        // A failed pair leaves neither its attachment nor a table without a
        // catalogue row.
        QCOMPARE(db().tableNames(), tables);
        QCOMPARE(problems().size(), problem.isEmpty() ? 0 : 1);
        QCOMPARE(sb.spy->count(), problems().size());
        if (!problem.isEmpty())
            QVERIFY2(problems().first().contains(problem), qPrintable(problems().first()));
    }

    void importedCardsKeepTheirValuesOnce()
    {
        copyTestData(QStringLiteral("legacy/vok1.mdb"), sb.work->path());
        start();
        const QStringList fields = {"VNr", "FVok", "Artikel", "FSatz", "MVok", "MSatz", "Fach", "gewusst", "Kapitel", "FVokSound"};
        const QList<QStringList> english = {
            {"5", "to go", "", "<null>", "gehen", "<null>", "1", "0", "0", "<null>"},
            {"9", "café", "the", "Let's meet at the café.", "Café", "Treffen wir uns im Café.", "0", "0", "0", "<null>"},
            {"40", "to kill two birds with one stone (idiom, informal)", "", "He killed two birds with one stone.",
             "zwei Fliegen mit einer Klappe schlagen (übertrag.)", "Er hat zwei Fliegen mit einer Klappe geschlagen.", "7", "5",
             "0", "<null>"},
        };
        QCOMPARE(cards(QStringLiteral("tEnglisch"), fields, QStringLiteral(" where VNr in (5, 9, 40)")), english);
        // A second start imports nothing.
        w.reset();
        AppState::resetForTesting();
        start();
        QCOMPARE(languageMenu().size(), 4);
        QCOMPARE(count(QStringLiteral("tEnglisch")), 6);
        QCOMPARE(sb.spy->count(), 0);
        // New cards count on above the highest earlier number.
        db().execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok) VALUES ('new', 'neu')"));
        QCOMPARE(db().openRecordset(QStringLiteral("Select max(VNr) from tEnglisch"))->value(0).toInt(), 41);
    }

    // An Access file where the database belongs is taken over when the
    // learner agrees and it can be read whole; otherwise it stays where it
    // was, byte for byte, and start-up says why.
    void accessDatabaseAtStart_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("problem");
        const QByteArray jet = legacyFile(QStringLiteral("Vokabeln_jet.mdb"));
        QTest::newRow("taken over") << jet << int(QMessageBox::Yes) << "";
        QTest::newRow("learner says no") << jet << int(QMessageBox::No) << "kann so nicht verwendet werden";
        QTest::newRow("cut short") << jet.left(jet.size() - 8192) << int(QMessageBox::Yes) << "beschädigt";
        QTest::newRow("no catalogue") << legacyFile(QStringLiteral("vok1.mdb")) << int(QMessageBox::Yes) << "tSprache";
    }
    void accessDatabaseAtStart()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, answer);
        QFETCH(QString, problem);
        const QString path = Places::databasePath();
        writeFile(path, file);
        // The log of an earlier database of that name, left by a program
        // that was killed: it must not be read into the new file.
        const QByteArray staleLog = problem.isEmpty() ? foreignLog() : QByteArray();
        if (!staleLog.isEmpty())
            writeFile(path + QStringLiteral("-wal"), staleLog);
        sb.spy->answer(QMessageBox::StandardButton(answer));
        start();
        if (!problem.isEmpty()) {
            QCOMPARE(problems().size(), 1);
            QVERIFY2(problems().first().contains(problem), qPrintable(problems().first()));
            QCOMPARE(readAll(path), file);
            QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("Vokabeln.mdb")});
            QVERIFY(!AppState::instance().Database);
            return;
        }
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(languageMenu(), (QStringList{QStringLiteral("Deutsch - Englisch"), QStringLiteral("Deutsch - Französisch")}));
        QCOMPARE(readAll(QFileInfo(path).absolutePath() + QStringLiteral("/Vokabeln (Access).mdb")), file);
        QVERIFY(!QFile::exists(path + QStringLiteral(".neu")));
        QCOMPARE(readAll(path + QStringLiteral("-wal.alt")), staleLog);
        QCOMPARE(db().openRecordset(QStringLiteral("PRAGMA integrity_check"))->text(QStringLiteral("integrity_check")),
                 QStringLiteral("ok"));

        // An empty text where the new table refuses one arrives as null.
        QCOMPARE(cards(QStringLiteral("tEnglisch"), {"VNr", "MVok", "Datum", "gewusst", "Kapitel", "FVokSound", "FSatzSound"}),
                 (QList<QStringList>{{"1", "Haus", "2003-05-14 00:00:00", "0", "1", "<null>", "<null>"},
                                     {"2", "Hund", "2003-05-20 18:30:00", "2", "1", ".\\Englisch\\EnV2.wav", ".\\Englisch\\EnS2.wav"},
                                     {"4", "können", "<null>", "0", "12", "", "<null>"}}));
        QCOMPARE(db().openRecordset(QStringLiteral("Select FVok from tFranzösisch where VNr = 2"))->text(QStringLiteral("FVok")),
                 QStringLiteral("sœur"));
        db().execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok) VALUES ('new', 'neu')"));
        QCOMPARE(db().openRecordset(QStringLiteral("Select max(VNr) from tEnglisch"))->value(0).toInt(), 5);
    }
};

QTEST_MAIN(TestStartupImport)
#include "tst_startupimport.moc"
