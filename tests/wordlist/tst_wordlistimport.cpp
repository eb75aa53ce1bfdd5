// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists into a pair and out again, against a real database: the rules
// of a card, duplicates under each choice, one transaction, and the round
// trip of awkward cards.

#include "PairDatabase.h"
#include "WordListFiles.h"

#include "wordlist/Export.h"
#include "wordlist/Import.h"
#include "wordlist/Layout.h"

#include <QDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace WordList;
using namespace WordListFiles;

Q_DECLARE_METATYPE(WordList::Duplicates)
Q_DECLARE_METATYPE(WordList::Format)

namespace {

PairNames currentPair()
{
    return {AppState::instance().ForeignLanguage, AppState::instance().NativeLanguage};
}

Outcome importText(const QTemporaryDir &dir, const QString &text, Mode mode = Mode::Store, Choices choices = {},
                   QStringList *rejected = nullptr)
{
    const QString path = write(dir, QStringLiteral("in.csv"), utf8(text));
    const Inspection in = inspect(path, currentPair());
    return importFile(path, in.layout, choices, mode, [&](const Rejection &r) {
        if (rejected)
            *rejected << describe(r);
    });
}

QString stringOf(const Outcome &o)
{
    return o.summary();
}

} // namespace

class TestWordListImport : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("pair");
        QTest::addColumn<QString>("row");      // after the header line
        QTest::addColumn<QString>("result");   // the stored card, or the reason

        const QString w50 = QString(50, QLatin1Char('w'));
        const QString s200 = QString(200, QLatin1Char('s'));
        // Characters beyond 16 bits count once, as the database counts them.
        QString emoji50;
        for (int i = 0; i < 50; ++i)
            emoji50 += QString::fromUcs4(U"\U0001F600");
        QTest::newRow("all fields") << "Französisch" << "maison;Haus;La maison.;Das Haus.;f;3;2"
                                    << "maison|Haus|La maison.|Das Haus.|f|3|2";
        QTest::newRow("trimmed and composed") << "Französisch" << "  e\u0301te\u0301 ;\u00A0Sommer\t;;; m/f ;;"
                                              << "été|Sommer|||m/f|1|0";
        QTest::newRow("longest values") << "Französisch" << w50 + ";" + emoji50 + ";" + s200 + ";" + s200
                                        << w50 + "|" + emoji50 + "|" + s200 + "|" + s200 + "||1|0";
        QTest::newRow("leading zeros") << "Französisch" << "a;b;;;;07;000255" << "a|b||||7|255";
        QTest::newRow("English keeps no article") << "Englisch" << "house;Haus;;;das;;" << "house|Haus||||1|0";

        QTest::newRow("no foreign word") << "Französisch" << " ;Haus" << "Zeile 2: Das Fremdwort fehlt.";
        QTest::newRow("no native word") << "Französisch" << "maison;;La maison."
                                        << "Zeile 2: Das Wort in der Muttersprache fehlt.";
        QTest::newRow("foreign word too long") << "Französisch" << w50 + "x;b"
                                               << "Zeile 2: Das Fremdwort ist länger als 50 Zeichen.";
        QTest::newRow("native word too long") << "Französisch" << "a;" + w50 + "x"
                                              << "Zeile 2: Das Wort in der Muttersprache ist länger als 50 Zeichen.";
        QTest::newRow("foreign sentence too long") << "Französisch" << "a;b;" + s200 + "x"
                                                   << "Zeile 2: Der Satz in der Fremdsprache ist länger als 200 Zeichen.";
        QTest::newRow("native sentence too long") << "Französisch" << "a;b;;" + s200 + "x"
                                                  << "Zeile 2: Der Satz in der Muttersprache ist länger als 200 Zeichen.";
        QTest::newRow("article") << "Französisch" << "a;b;;;la"
                                 << "Zeile 2: Der Artikel „la“ ist nicht erlaubt: nur m, f, m/f oder nichts.";
        QTest::newRow("article in capitals") << "Französisch" << "a;b;;;M"
                                             << "Zeile 2: Der Artikel „M“ ist nicht erlaubt: nur m, f, m/f oder nichts.";
        QTest::newRow("compartment 8") << "Französisch" << "a;b;;;;8"
                                       << "Zeile 2: Das Fach „8“ gibt es nicht: erlaubt ist eine ganze Zahl von 0 bis 7.";
        QTest::newRow("compartment -1") << "Französisch" << "a;b;;;;-1"
                                        << "Zeile 2: Das Fach „-1“ gibt es nicht: erlaubt ist eine ganze Zahl von 0 bis 7.";
        QTest::newRow("compartment 2.0") << "Französisch" << "a;b;;;;2.0"
                                         << "Zeile 2: Das Fach „2.0“ gibt es nicht: erlaubt ist eine ganze Zahl von 0 bis 7.";
        QTest::newRow("gewusst in words") << "Französisch" << "a;b;;;;;drei"
                                          << "Zeile 2: „drei“ ist keine Anzahl für gewusst: erlaubt ist eine ganze Zahl "
                                             "von 0 bis 255.";
        QTest::newRow("gewusst beyond its field") << "Französisch" << "a;b;;;;;256"
                                                  << "Zeile 2: „256“ ist keine Anzahl für gewusst: erlaubt ist eine "
                                                     "ganze Zahl von 0 bis 255.";
        QTest::newRow("a control character") << "Französisch" << QStringLiteral("a;b") + QChar(1) + QStringLiteral("c")
                                             << "Zeile 2: Der Text enthält ein Steuerzeichen, das auf keiner Karte "
                                                "stehen darf.";
    }

    // A row becomes a card as given, or is refused with its line and
    // reason, never cut or changed.
    void rules()
    {
        QFETCH(QString, pair);
        QFETCH(QString, row);
        QFETCH(QString, result);
        PairDatabase db({pair});
        QStringList rejected;
        const Outcome o = importText(db.dir, QStringLiteral("Fremdwort;Muttersprache;Satz Fremdsprache;"
                                                            "Satz Muttersprache;Artikel;Fach;gewusst\n")
                                                 + row + QStringLiteral("\n"),
                                     Mode::Store, {}, &rejected);
        if (result.startsWith(QStringLiteral("Zeile"))) {
            QCOMPARE(rejected, QStringList{result});
            QCOMPARE(o.summary(), QStringLiteral("0 neu, 0 aktualisiert, 0 übersprungen, 1 abgewiesen"));
            QCOMPARE(o.firstRejections.size(), 1);
            QCOMPARE(PairDatabase::cards(), QStringList());
        } else {
            QCOMPARE(rejected, QStringList());
            QCOMPARE(PairDatabase::cards(), QStringList{result});
        }
    }

    // The lines of rejected rows are those of the file, header, top lines
    // and quoted line breaks counted; only the first 20 are kept.
    void rejectedLinesAreThoseOfTheFile()
    {
        PairDatabase db({QStringLiteral("Französisch")});
        QString text = QStringLiteral("#separator:semicolon\nFremdwort;Muttersprache;Satz Fremdsprache\n"
                                      "a;\"b\nc\";\"d\r\ne\"\n;x\n\n;;\n");
        for (int i = 0; i < 25; ++i)
            text += QStringLiteral(";y\n");
        QStringList rejected;
        const Outcome o = importText(db.dir, text, Mode::Store, {}, &rejected);
        QCOMPARE(rejected.size(), 26);
        QCOMPARE(rejected.first(), QStringLiteral("Zeile 6: Das Fremdwort fehlt."));
        QCOMPARE(rejected.at(1), QStringLiteral("Zeile 9: Das Fremdwort fehlt."));
        QCOMPARE(o.rejected, 26);
        QCOMPARE(o.firstRejections.size(), kShownRejections);
        QCOMPARE(o.firstRejections.last().line, 27);
        QCOMPARE(PairDatabase::cards(), QStringList{"a|b\nc|d\r\ne|||1|0"});
    }

    void duplicates_data()
    {
        QTest::addColumn<Duplicates>("choice");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("cards");

        QTest::newRow("skip") << Duplicates::Skip << "2 neu, 0 aktualisiert, 4 übersprungen, 0 abgewiesen"
                              << QStringList{"chat|Katze|||f|2|0", "House|Haus|old|alt||3|2", "maison|Haus|||f|5|0",
                                             "Maison|Wohnung|||m|1|0"};
        QTest::newRow("update") << Duplicates::Update << "2 neu, 3 aktualisiert, 1 übersprungen, 0 abgewiesen"
                                << QStringList{"chat|Katze|||f|2|0", "House|Haus|new|alt|m|3|7",
                                               "maison|Haus|La maison.||f|0|0", "Maison|Wohnung|||m|1|0"};
        QTest::newRow("add") << Duplicates::Add << "6 neu, 0 aktualisiert, 0 übersprungen, 0 abgewiesen"
                             << QStringList{"chat|Katze|||f|2|0", "chat|Katze|||f|2|0", "house|haus|new||m|1|7",
                                            "House|Haus|old|alt||3|2", "maison|haus||||0|0",
                                            "Maison|Haus|La maison.|||4|0", "maison|Haus|||f|5|0",
                                            "Maison|Wohnung|||m|1|0"};
    }

    // A row equals a card of the pair, or an earlier row of the file, when
    // both words are equal in the dictionary order with letter case
    // ignored; accents count. Skipped, updated where the row gives values
    // (new cards only take the target compartment), or added all the same.
    void duplicates()
    {
        QFETCH(Duplicates, choice);
        QFETCH(QString, summary);
        QFETCH(QStringList, cards);
        PairDatabase db({QStringLiteral("Französisch")});
        db.add(QStringLiteral("House"), QStringLiteral("Haus"), 3, QStringLiteral("old"), QStringLiteral("alt"), {}, 2);
        db.add(QStringLiteral("chat"), QStringLiteral("Katze"), 2, {}, {}, QStringLiteral("f"));
        const QString file = QStringLiteral("Fremdwort;Muttersprache;Satz Fremdsprache;Artikel;Fach;gewusst\n"
                                            "house;haus;new;m;;7\n"       // the card House
                                            "chat;Katze;;f;2;\n"          // the card, nothing new
                                            "maison;Haus;;f;5;\n"         // new
                                            "Maison;Haus;La maison.;;4;\n" // the row above
                                            "maison;haus;;;0;\n"          // the row above again
                                            "Maison;Wohnung;;m;;\n");     // new
        Choices choices;
        choices.duplicates = choice;
        const Outcome checked = importText(db.dir, file, Mode::Check, choices);
        QCOMPARE(PairDatabase::cards().size(), 2);
        const Outcome stored = importText(db.dir, file, Mode::Store, choices);
        QCOMPARE(stringOf(checked), summary);
        QCOMPARE(stringOf(stored), summary);
        QCOMPARE(PairDatabase::cards(), cards);
    }

    // Whatever fails half-way, the file or the database, nothing of the
    // import stays: the cards before the failure go with it.
    void failureHalfWayStoresNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("database refuses a card")
            << "a;A\nb;B\nboom;C\nd;D\n" << "Die Datenbank will nicht.";
        QTest::newRow("quote never closed at the end")
            << "a;A\nb;B\nc;\"C\nd;D\n" << "Zeile 3: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.";
    }
    void failureHalfWayStoresNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        PairDatabase db({QStringLiteral("Französisch")});
        db.add(QStringLiteral("x"), QStringLiteral("X"));
        // Stands for a full disk or another program's lock at that card.
        db.db->execute(QStringLiteral("CREATE TRIGGER boom BEFORE INSERT ON tFranzösisch WHEN NEW.FVok = 'boom' "
                                      "BEGIN SELECT RAISE(ABORT, 'Die Datenbank will nicht.'); END"));
        QString got;
        try {
            importText(db.dir, file);
        } catch (const store::Error &e) {
            got = e.description();
        } catch (const FileError &e) {
            got = e.message();
        }
        QCOMPARE(got, message + QStringLiteral("\r\nDer Import wurde abgebrochen und ganz rückgängig gemacht: Es wurde "
                                               "keine Vokabel gespeichert."));
        QCOMPARE(PairDatabase::cards(), QStringList{"x|X||||1|0"});
        QVERIFY(!db.db->inTransaction());
    }

    void roundTrip_data()
    {
        QTest::addColumn<Format>("format");
        QTest::newRow("csv") << Format::Csv;
        QTest::newRow("tsv") << Format::Tsv;
    }

    // A pair exported and imported into another, empty pair gives the same
    // cards, however awkward.
    void roundTrip()
    {
        QFETCH(Format, format);
        PairDatabase db({QStringLiteral("Französisch"), QStringLiteral("Spanisch")});
        const QStringList awkward = {
            QStringLiteral("\"Guillemets\"|„Anführung“|Il a dit \"\"oui\"\"; puis, \"non\".|Er sagte „ja“; dann\tnein.|m|0|0"),
            QStringLiteral("#1:x|Nummer eins|ligne 1\nligne 2|Zeile 1\r\nZeile 2|f|7|255"),
            QStringLiteral("=SOMME(A1)|Summe; Formel|;;;|a\t\"b\"\tc|m/f|3|4"),
            QStringLiteral("Straße|Übung €|Ça coûte 5 €, dit l'élève.|Das kostet 5 €.||2|1"),
            QStringLiteral("x|y|Fremdwort;Muttersprache|Satz Fremdsprache||1|0"),
        };
        for (const QString &c : awkward) {
            const QStringList f = c.split(QLatin1Char('|'));
            db.add(f[0], f[1], f[5].toInt(), f[2], f[3], f[4], f[6].toInt());
        }
        const QStringList before = PairDatabase::cards();
        const QString path = db.dir.filePath(QStringLiteral("out.txt"));
        QCOMPARE(exportFile(path, -1, format), 5);

        db.use(QStringLiteral("Spanisch"));
        const Inspection in = inspect(path, currentPair());
        QCOMPARE(in.layout.separator, format == Format::Csv ? QLatin1Char(';') : QLatin1Char('\t'));
        QVERIFY(in.layout.header);
        QCOMPARE(importFile(path, in.layout, {}, Mode::Store).summary(),
                 QStringLiteral("5 neu, 0 aktualisiert, 0 übersprungen, 0 abgewiesen"));
        QCOMPARE(PairDatabase::cards(), before);
    }

    // The file a German spreadsheet opens: mark, semicolons, CR LF, quotes
    // only where needed, cards in dictionary order, one compartment alone.
    void exportedBytes()
    {
        PairDatabase db({QStringLiteral("Französisch")});
        db.add(QStringLiteral("Zèbre"), QStringLiteral("Zebra"), 2);
        db.add(QStringLiteral("âne"), QStringLiteral("Esel"), 2, QStringLiteral("L'âne; gris"), {}, QStringLiteral("m"), 3);
        db.add(QStringLiteral("Arbre"), QStringLiteral("Baum"), 5);
        db.db->execute(QStringLiteral("INSERT INTO tFranzösisch (FVok, MVok, Fach) VALUES ('avion', 'Flugzeug', 2)"));
        const QString path = db.dir.filePath(QStringLiteral("out.csv"));
        QCOMPARE(exportFile(path, 2, Format::Csv), 3);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "Fremdwort;Muttersprache;Satz Fremdsprache;Satz Muttersprache;Artikel;Fach;gewusst\r\n")
                                  + QStringLiteral("âne;Esel;\"L'âne; gris\";;m;2;3\r\n"
                                                   "avion;Flugzeug;;;;2;0\r\n"
                                                   "Zèbre;Zebra;;;;2;0\r\n").toUtf8());
        QCOMPARE(exportFile(path, -1, Format::Tsv), 4);
        f.close();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QStringLiteral("Fremdwort\tMuttersprache\tSatz Fremdsprache\tSatz Muttersprache\tArtikel\t"
                                             "Fach\tgewusst\n"
                                             "âne\tEsel\tL'âne; gris\t\tm\t2\t3\n"
                                             "Arbre\tBaum\t\t\t\t5\t0\n"
                                             "avion\tFlugzeug\t\t\t\t2\t0\n"
                                             "Zèbre\tZebra\t\t\t\t2\t0\n").toUtf8());
    }

    // A disk that fills up half-way: the error names the file, and a file
    // of that name is left as it was; nothing half-written takes its place.
    void exportThatFailsLeavesTheTarget()
    {
        PairDatabase db({QStringLiteral("Französisch")});
        db.db->execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4999) "
                                      "INSERT INTO tFranzösisch (FVok, MVok, Fach) SELECT 'mot' || i, 'Wort' || i, 1 FROM n"));
        const QString path = write(db.dir, QStringLiteral("alt.csv"), "alt\n");
        QString got;
        {
            // Files of this process may grow to 16 KB, as on a disk that is full.
            rlimit old{};
            ::getrlimit(RLIMIT_FSIZE, &old);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 16 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
            try {
                exportFile(path, -1, Format::Csv);
            } catch (const FileError &e) {
                got = e.message();
            }
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
        QVERIFY2(got.startsWith(QStringLiteral("Die Datei „alt.csv“ kann nicht geschrieben werden (")), qPrintable(got));
        QVERIFY2(got.endsWith(QStringLiteral("). Eine Datei dieses Namens bleibt, wie sie war.")), qPrintable(got));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("alt\n"));
        QCOMPARE(QDir(db.dir.path()).entryList({QStringLiteral("*.csv*")}, QDir::Files), QStringList{"alt.csv"});
    }
};

QTEST_MAIN(TestWordListImport)
#include "tst_wordlistimport.moc"
