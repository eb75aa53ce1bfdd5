// SPDX-License-Identifier: GPL-3.0-or-later
// --import and --export as a script runs them: the real program, without
// any display, on a data folder of its own.

#include "../wordlist/WordListFiles.h"

#include "core/AppState.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace WordListFiles;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// A machine of its own: home, data and settings folders, and the folder the
// command is given in.
struct Machine
{
    QTemporaryDir home;

    QString dataFolder() const { return home.filePath(QStringLiteral("data/Vokamia")); }
    QString database() const { return dataFolder() + QStringLiteral("/Vokabeln.mdb"); }
    QString file(const QString &name) const { return home.filePath(name); }

    Run run(const QStringList &args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(QStringLiteral(VOKAMIA_BUILD_DIR "/bin/vokamia"), args);
        Run r;
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Every file and folder below home, as paths relative to it.
    QStringList files() const
    {
        QStringList all;
        QDirIterator it(home.path(), QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all << QDir(home.path()).relativeFilePath(it.next());
        all.sort();
        return all;
    }

    // The cards of a pair, read by this process: FVok|MVok|FSatz|Fach|gewusst.
    QStringList cards(const QString &foreign = QStringLiteral("Englisch")) const
    {
        AppState::resetForTesting();
        AppState &a = AppState::instance();
        a.Database = store::Database::open(database());
        a.CurrentTable = QStringLiteral("t") + foreign;
        QStringList lines;
        Records::forEachCard(-1, [&](const VocabularyRecord &c) {
            lines << QStringList{c.FVok, c.MVok, c.FSatz, QString::number(c.Fach), QString::number(c.gewusst)}
                         .join(QLatin1Char('|'));
        });
        AppState::resetForTesting();
        return lines;
    }

    void makeDatabase(const QStringList &pairs) const
    {
        QDir().mkpath(dataFolder());
        auto db = store::Database::create(database(), Catalogue::kLocale, Catalogue::kFormat);
        for (const QString &p : pairs)
            Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), p);
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kUsageStart = QStringLiteral("\n\nAufruf: vokamia");

} // namespace

class TestWordListCommands : public QObject
{
    Q_OBJECT

private slots:
    // On a machine where Vokamia never ran, an import creates what the
    // first start creates and stores its list; rejected rows go to standard
    // error; the pair comes back out as a spreadsheet file.
    void importAndExportOnAFreshMachine()
    {
        Machine m;
        write(m.home, QStringLiteral("Liste.csv"),
              windows1252(QStringLiteral("Fremdwort;Muttersprache;Satz Fremdsprache\r\n"
                                         "house;Haus;\"The house; it's big.\r\nVery big.\"\r\n"
                                         ";Maus\r\n"
                                         "street;Straße;\r\n")));
        Run r = m.run({QStringLiteral("--import"), QStringLiteral("Liste.csv")});
        QCOMPARE(r.err, QStringLiteral("Zeile 4: Das Fremdwort fehlt.\n"));
        QCOMPARE(r.out, QStringLiteral("2 Vokabeln importiert, 0 aktualisiert, 0 übersprungen, 1 abgewiesen\n"));
        QCOMPARE(r.status, 0);
        QVERIFY(QFileInfo(m.dataFolder() + QStringLiteral("/Englisch")).isDir());
        QCOMPARE(m.cards(), (QStringList{"house|Haus|The house; it's big.\r\nVery big.|1|0", "street|Straße||1|0"}));
        // A database made just now holds nothing to keep: no backup yet.
        const QString backups = m.dataFolder() + QStringLiteral("/Sicherungen");
        QCOMPARE(BackupCopy::list(backups), QStringList());

        // Again, with updates into compartment 0: nothing new, nothing to
        // change, and still a success.
        r = m.run({QStringLiteral("--import=Liste.csv"), QStringLiteral("--duplicates=update"),
                   QStringLiteral("--compartment"), QStringLiteral("0"), QStringLiteral("--pair"), QStringLiteral("ENGLISCH")});
        QCOMPARE(r.out, QStringLiteral("0 Vokabeln importiert, 0 aktualisiert, 2 übersprungen, 1 abgewiesen\n"));
        QCOMPARE(r.status, 0);
        // Into a database that was there, the import made a backup first.
        QStringList made = BackupCopy::list(backups);
        QCOMPARE(made.size(), 1);
        QCOMPARE(store::Database::open(made.first())
                     ->openRecordset(QStringLiteral("Select count(*) from tEnglisch"))
                     ->value(0)
                     .toInt(),
                 2);

        write(m.home, QStringLiteral("Neu.txt"), utf8(QStringLiteral("Fremdwort\tMuttersprache\tgewusst\n"
                                                                      "HOUSE\thaus\t3\ntree\tBaum\t\n")));
        r = m.run({QStringLiteral("--import"), QStringLiteral("Neu.txt"), QStringLiteral("--duplicates"),
                   QStringLiteral("update"), QStringLiteral("--compartment=0")});
        QCOMPARE(r.out, QStringLiteral("1 Vokabeln importiert, 1 aktualisiert, 0 übersprungen, 0 abgewiesen\n"));
        QCOMPARE(r.err, QString());
        QCOMPARE(m.cards(), (QStringList{"house|Haus|The house; it's big.\r\nVery big.|1|3", "street|Straße||1|0",
                                         "tree|Baum||0|0"}));

        r = m.run({QStringLiteral("--export"), QStringLiteral("Aus.csv")});
        QCOMPARE(r.out, QStringLiteral("3 Vokabeln exportiert\n"));
        QCOMPARE(r.status, 0);
        QCOMPARE(readAll(m.file(QStringLiteral("Aus.csv"))),
                 QByteArray("\xEF\xBB\xBF") + QStringLiteral(
                     "Fremdwort;Muttersprache;Satz Fremdsprache;Satz Muttersprache;Artikel;Fach;gewusst\r\n"
                     "house;Haus;\"The house; it's big.\r\nVery big.\";;;1;3\r\n"
                     "street;Straße;;;;1;0\r\n"
                     "tree;Baum;;;;0;0\r\n").toUtf8());
        r = m.run({QStringLiteral("--export"), QStringLiteral("Aus.tsv"), QStringLiteral("--format=tsv"),
                   QStringLiteral("--compartment"), QStringLiteral("0")});
        QCOMPARE(r.out, QStringLiteral("1 Vokabeln exportiert\n"));
        QCOMPARE(readAll(m.file(QStringLiteral("Aus.tsv"))),
                 QByteArray("Fremdwort\tMuttersprache\tSatz Fremdsprache\tSatz Muttersprache\tArtikel\tFach\tgewusst\n"
                            "tree\tBaum\t\t\t\t0\t0\n"));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("err");

        QTest::newRow("a binary file") << "fresh" << QStringList{"--import", "bild.csv"}
                                       << "vokamia: Die Datei „bild.csv“ ist keine Wortliste, sondern enthält binäre Daten.\n";
        QTest::newRow("a missing file") << "fresh" << QStringList{"--import", "fehlt.csv"}
                                        << "vokamia: Die Datei „fehlt.csv“ kann nicht gelesen werden.\n";
        QTest::newRow("an empty file") << "fresh" << QStringList{"--import", "leer.csv"}
                                       << "vokamia: Die Datei „leer.csv“ ist leer.\n";
        QTest::newRow("a quote that never closes") << "database" << QStringList{"--import", "offen.csv"}
            << "vokamia: Zeile 2: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.\n"
               "Der Import wurde abgebrochen und ganz rückgängig gemacht: Es wurde keine Vokabel gespeichert.\n";
        QTest::newRow("an unknown pair") << "database" << QStringList{"--import", "gut.csv", "--pair", "Latein"}
                                         << "vokamia: Das Sprachpaar „Latein“ gibt es nicht. Vorhanden: Englisch, "
                                            "Französisch.\n";
        QTest::newRow("an unknown pair to export") << "database" << QStringList{"--export", "x.csv", "--pair=Eng"}
                                                   << "vokamia: Das Sprachpaar „Eng“ gibt es nicht. Vorhanden: "
                                                      "Englisch, Französisch.\n";
        QTest::newRow("an export into a missing folder") << "database" << QStringList{"--export", "weg/x.csv"}
            << "vokamia: Die Datei „x.csv“ kann nicht geschrieben werden";
        QTest::newRow("an Access database waiting") << "access" << QStringList{"--import", "gut.csv"}
            << "Access-Datenbank des früheren Vokabeltrainers und wartet darauf, übernommen zu werden.";
        QTest::newRow("an Access database waiting, export") << "access" << QStringList{"--export", "x.csv"}
            << "Access-Datenbank des früheren Vokabeltrainers und wartet darauf, übernommen zu werden.";
        QTest::newRow("a database in use") << "locked" << QStringList{"--import", "gut.csv"}
                                           << "gesperrt";
    }

    // Status 1, the reason on standard error, nothing on standard output,
    // and nothing stored, written or created.
    void refused()
    {
        QFETCH(QString, setUp);
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        Machine m;
        write(m.home, QStringLiteral("bild.csv"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        write(m.home, QStringLiteral("leer.csv"), QByteArray());
        write(m.home, QStringLiteral("gut.csv"), utf8(QStringLiteral("a;b\n")));
        write(m.home, QStringLiteral("offen.csv"), utf8(QStringLiteral("a;b\nc;\"d\ne;f\n")));
        std::shared_ptr<store::Database> holder;
        if (setUp == QLatin1String("database") || setUp == QLatin1String("locked"))
            m.makeDatabase({QStringLiteral("Englisch"), QStringLiteral("Französisch")});
        if (setUp == QLatin1String("access")) {
            QDir().mkpath(m.dataFolder());
            QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/legacy/Vokabeln_jet.mdb"), m.database());
        }
        const QByteArray database = readAll(m.database());
        if (setUp == QLatin1String("locked")) {
            // Another program in the middle of writing. (Nothing here may
            // open and close the file meanwhile: that drops the lock.)
            holder = store::Database::open(m.database());
            holder->execute(QStringLiteral("BEGIN EXCLUSIVE"));
        }
        // The other program's log files are its own.
        const QStringList before = m.files();

        const Run r = m.run(args);
        if (holder)
            holder->execute(QStringLiteral("ROLLBACK"));
        QVERIFY2(r.err.contains(err), qPrintable(r.err + r.out + QString::number(r.status)));
        QVERIFY2(r.err.startsWith(QStringLiteral("vokamia: ")), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(r.status, 1);
        // A backup made before the list turned out bad, or before the write
        // met the other program's lock, is kept: it holds what was there.
        QStringList after = m.files();
        after.removeIf([](const QString &f) { return f.startsWith(QLatin1String("data/Vokamia/Sicherungen")); });
        QCOMPARE(after, before);
        // The earlier program's file keeps every byte; ours every card.
        if (setUp == QLatin1String("access"))
            QCOMPARE(readAll(m.database()), database);
        else if (setUp != QLatin1String("fresh"))
            QCOMPARE(m.cards(), QStringList());
    }

    void wrongCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("err");
        QTest::newRow("compartment 8") << QStringList{"--import", "gut.csv", "--compartment", "8"}
                                       << "vokamia: Ungültiger Wert „8“ für „--compartment“: erlaubt ist eine ganze Zahl "
                                          "von 0 bis 7.";
        QTest::newRow("format xls") << QStringList{"--export", "x.xls", "--format", "xls"}
                                    << "vokamia: Ungültiger Wert „xls“ für „--format“: erlaubt sind csv, tsv.";
        QTest::newRow("duplicates maybe") << QStringList{"--import", "gut.csv", "--duplicates=maybe"}
                                          << "vokamia: Ungültiger Wert „maybe“ für „--duplicates“: erlaubt sind skip, "
                                             "update, add.";
        QTest::newRow("import and export") << QStringList{"--import", "gut.csv", "--export", "x.csv"}
                                           << "vokamia: „--import“ und „--export“ lassen sich nicht zusammen angeben.";
        QTest::newRow("no file") << QStringList{"--import"} << "vokamia: Die Option „--import“ braucht einen Wert (DATEI).";
        QTest::newRow("format of an import") << QStringList{"--import", "gut.csv", "--format", "csv"}
                                             << "vokamia: „--format“ gilt nur zusammen mit „--export“.";
        QTest::newRow("pair alone") << QStringList{"--pair", "Englisch"}
                                    << "vokamia: „--pair“ gilt nur zusammen mit „--import“ oder „--export“.";
    }

    // Status 2 with the usage, and nothing read or written.
    void wrongCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        Machine m;
        write(m.home, QStringLiteral("gut.csv"), utf8(QStringLiteral("a;b\n")));
        const Run r = m.run(args);
        QVERIFY2(r.err.startsWith(err + kUsageStart), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(r.status, 2);
        QCOMPARE(m.files(), QStringList{"gut.csv"});
    }
};

QTEST_GUILESS_MAIN(TestWordListCommands)
#include "tst_wordlistcommands.moc"
