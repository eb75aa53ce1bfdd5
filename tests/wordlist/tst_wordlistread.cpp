// SPDX-License-Identifier: GPL-3.0-or-later
// Reading word lists: encodings, separators, quotes, header and the lines
// at the top, on files as spreadsheets and other programs write them.

#include "WordListFiles.h"

#include "wordlist/Layout.h"
#include "wordlist/Records.h"
#include "wordlist/Text.h"

#include <QTest>

using namespace WordList;
using namespace WordListFiles;

Q_DECLARE_METATYPE(WordList::Encoding)

namespace {

const PairNames kPair{QStringLiteral("Französisch"), QStringLiteral("Deutsch")};

// Every record of the file as "line: field|field|…".
QStringList recordsOf(const QString &path, const Layout &layout)
{
    TextReader text(path, layout.encoding);
    RecordReader reader(text);
    reader.readDirectives();
    reader.setSeparator(layout.separator);
    QStringList out;
    Record r;
    while (reader.next(r))
        out << QString::number(r.line) + QStringLiteral(": ") + r.fields.join(QLatin1Char('|'));
    return out;
}

QString columnsOf(const Layout &layout)
{
    QStringList names;
    for (const Column c : layout.columns)
        names << columnNames()[int(c)];
    return names.join(QLatin1Char(','));
}

QString separatorName(QChar c)
{
    return c == QLatin1Char('\t') ? QStringLiteral("tab") : QString(c);
}

} // namespace

class TestWordListRead : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QStringList>("records");

        const QString fr = QStringLiteral("Fremdwort;Muttersprache;Satz Fremdsprache\r\n"
                                          "élève;Schüler;\"Il dit: « Bonjour; ça va? »\r\nEt puis – rien.\"\r\n"
                                          "été;Sommer;\"L'\"\"été\"\" coûte 5 €\"\r\n");
        const QStringList frRecords = {
            QStringLiteral("1: Fremdwort|Muttersprache|Satz Fremdsprache"),
            QStringLiteral("2: élève|Schüler|Il dit: « Bonjour; ça va? »\r\nEt puis – rien."),
            QStringLiteral("4: été|Sommer|L'\"été\" coûte 5 €"),
        };
        const QString headed = QStringLiteral("Fremdwort,Muttersprache,Satz Fremdsprache");
        QTest::newRow("German spreadsheet: Windows-1252, semicolons, CR LF, quoted line breaks")
            << windows1252(fr) << Encoding::Windows1252 << ";" << true << headed
            << frRecords;
        QTest::newRow("UTF-8 with mark") << utf8(fr, true) << Encoding::Utf8 << ";" << true << headed << frRecords;
        QTest::newRow("UTF-8 without mark") << utf8(fr) << Encoding::Utf8 << ";" << true << headed << frRecords;
        QTest::newRow("UTF-16 little endian") << utf16(fr, false) << Encoding::Utf16 << ";" << true << headed << frRecords;
        QTest::newRow("UTF-16 big endian") << utf16(fr, true) << Encoding::Utf16 << ";" << true << headed << frRecords;

        QTest::newRow("tabs with the table view's headings, in another order")
            << utf8(QStringLiteral("Deutsch\tFRANZÖSISCH\tSatz Deutsch\tNotiz\tsatz französisch\n"
                                   "Haus\tmaison\tDas Haus.\tx\tLa maison.\n"))
            << Encoding::Utf8 << "tab" << true
            << "Muttersprache,Fremdwort,Satz Muttersprache,nicht importieren,Satz Fremdsprache"
            << QStringList{"1: Deutsch|FRANZÖSISCH|Satz Deutsch|Notiz|satz französisch",
                           "2: Haus|maison|Das Haus.|x|La maison."};
        QTest::newRow("one known name is no header")
            << utf8(QStringLiteral("Fach;Haus;Notiz\nchat;Katze;x\n")) << Encoding::Utf8 << ";" << false
            << "Fremdwort,Muttersprache,Satz Fremdsprache" << QStringList{"1: Fach|Haus|Notiz", "2: chat|Katze|x"};
        QTest::newRow("a column named twice counts once")
            << utf8(QStringLiteral("Fremdwort;fremdwort;Muttersprache\na;b;c\n")) << Encoding::Utf8 << ";" << true
            << "Fremdwort,nicht importieren,Muttersprache" << QStringList{"1: Fremdwort|fremdwort|Muttersprache", "2: a|b|c"};
        QTest::newRow("without a header: in order, further columns ignored")
            << utf8(QStringLiteral("a;b;c;d;e;f\n")) << Encoding::Utf8 << ";" << false
            << "Fremdwort,Muttersprache,Satz Fremdsprache,Satz Muttersprache,nicht importieren,nicht importieren"
            << QStringList{"1: a|b|c|d|e|f"};

        // The separator: the most records with one count of fields, never
        // the first character that looks like one.
        QTest::newRow("a comma in the first sentence does not decide")
            << utf8(QStringLiteral("Haus;house;Das Haus, groß.\nMaus;mouse;Die Maus.\nBaum;tree;Der Baum.\n"))
            << Encoding::Utf8 << ";" << false << "Fremdwort,Muttersprache,Satz Fremdsprache"
            << QStringList{"1: Haus|house|Das Haus, groß.", "2: Maus|mouse|Die Maus.", "3: Baum|tree|Der Baum."};
        QTest::newRow("times and semicolons inside tab-separated sentences")
            << utf8(QStringLiteral("heure\tStunde\tÀ 9:00; pas avant.\nmidi\tMittag\tÀ 12:00; à table, vite.\n"))
            << Encoding::Utf8 << "tab" << false << "Fremdwort,Muttersprache,Satz Fremdsprache"
            << QStringList{"1: heure|Stunde|À 9:00; pas avant.", "2: midi|Mittag|À 12:00; à table, vite."};
        QTest::newRow("a tie goes to tab, then semicolon")
            << utf8(QStringLiteral("a;b,c\td\ne;f,g\th\n")) << Encoding::Utf8 << "tab" << false
            << "Fremdwort,Muttersprache" << QStringList{"1: a;b,c|d", "2: e;f,g|h"};
        QTest::newRow("semicolon before comma")
            << utf8(QStringLiteral("a;b,c\n")) << Encoding::Utf8 << ";" << false << "Fremdwort,Muttersprache"
            << QStringList{"1: a|b,c"};
        QTest::newRow("separators inside quotes do not count")
            << utf8(QStringLiteral("\"a,b,c\";d\n\"e,f,g\";h\n")) << Encoding::Utf8 << ";" << false
            << "Fremdwort,Muttersprache" << QStringList{"1: a,b,c|d", "2: e,f,g|h"};

        // Lines at the top in the manner of other flash-card programs.
        QTest::newRow("#separator and #columns")
            << utf8(QStringLiteral("#separator:Semicolon\n#html:false\n#columns:Muttersprache;Fremdwort\n\nHaus;maison\n"))
            << Encoding::Utf8 << ";" << false << "Muttersprache,Fremdwort" << QStringList{"5: Haus|maison"};
        QTest::newRow("#separator names a character")
            << utf8(QStringLiteral("#separator:|\na|b;c\n")) << Encoding::Utf8 << "|" << false
            << "Fremdwort,Muttersprache" << QStringList{"2: a|b;c"};
        QTest::newRow("#separator naming no usable character: detected instead")
            << utf8(QStringLiteral("#separator:§\na;b\n")) << Encoding::Utf8 << ";" << false
            << "Fremdwort,Muttersprache" << QStringList{"2: a|b"};
        QTest::newRow("#separator:tab and unknown lines skipped")
            << utf8(QStringLiteral("#separator:tab\r\n#deck column:3\r\n#notetype:Basic\r\na;b\tc\r\n"))
            << Encoding::Utf8 << "tab" << false << "Fremdwort,Muttersprache" << QStringList{"4: a;b|c"};
        QTest::newRow("a # line after the top is a record")
            << utf8(QStringLiteral("a;b\n#x:y;z\n")) << Encoding::Utf8 << ";" << false << "Fremdwort,Muttersprache"
            << QStringList{"1: a|b", "2: #x:y|z"};
        QTest::newRow("# without a word and colon is a record")
            << utf8(QStringLiteral("#1;Nummer\n")) << Encoding::Utf8 << ";" << false << "Fremdwort,Muttersprache"
            << QStringList{"1: #1|Nummer"};
    }

    // What is found, and the records read with it, each with the line of
    // the file it starts on.
    void detection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Encoding, encoding);
        QFETCH(QString, separator);
        QFETCH(bool, header);
        QFETCH(QString, columns);
        QFETCH(QStringList, records);

        const QString path = write(dir, QStringLiteral("list.csv"), bytes);
        const Inspection in = inspect(path, kPair);
        QCOMPARE(in.layout.encoding, encoding);
        QCOMPARE(separatorName(in.layout.separator), separator);
        QCOMPARE(in.layout.header, header);
        QCOMPARE(columnsOf(in.layout), columns);
        QCOMPARE(recordsOf(path, in.layout), records);
    }

    void quotesAndLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("records");

        QTest::newRow("empty lines are passed over but counted")
            << "\n\na;b\n\r\n\r\nc;d\n\n" << QStringList{"3: a|b", "6: c|d"};
        QTest::newRow("a line break inside quotes, LF and CR LF")
            << "\"a\nb\";\"c\r\nd\"\ne;f" << QStringList{"1: a\nb|c\r\nd", "4: e|f"};
        QTest::newRow("a CR alone ends a line") << "a;b\rc;d\r" << QStringList{"1: a|b", "2: c|d"};
        QTest::newRow("doubled quotes inside quotes") << "\"He said \"\"hi\"\"\";x\n" << QStringList{"1: He said \"hi\"|x"};
        QTest::newRow("blanks before an opening quote") << "  \" a; b \" ;x\n" << QStringList{"1:  a; b |x"};
        QTest::newRow("empty fields") << ";;\n\"\";x\n" << QStringList{"1: ||", "2: |x"};
        QTest::newRow("no line break at the end") << "a;b" << QStringList{"1: a|b"};
    }

    void quotesAndLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, records);
        Layout layout;
        layout.separator = QLatin1Char(';');
        QCOMPARE(recordsOf(write(dir, QStringLiteral("q.csv"), utf8(text)), layout), records);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");

        QTest::newRow("empty") << QByteArray() << "Die Datei „bad.csv“ ist leer.";
        QTest::newRow("only a mark") << QByteArray("\xEF\xBB\xBF") << "Die Datei „bad.csv“ ist leer.";
        QTest::newRow("only empty lines and lines at the top")
            << QByteArray("\r\n#separator:tab\n\n") << "Die Datei „bad.csv“ ist leer.";
        QTest::newRow("binary") << QByteArray("PK\x03\x04\0\0abc", 9)
                                << "Die Datei „bad.csv“ ist keine Wortliste, sondern enthält binäre Daten.";
        QTest::newRow("UTF-16 without a mark") << QByteArray("a\0;\0b\0", 6)
                                               << "Die Datei „bad.csv“ ist keine Wortliste, sondern enthält binäre Daten.";
        QTest::newRow("binary in UTF-16") << utf16(QStringLiteral("a;b\n") + QChar(0) + QStringLiteral("x"), false)
                                          << "Die Datei „bad.csv“ ist keine Wortliste, sondern enthält binäre Daten.";
        QTest::newRow("a quote that never closes")
            << utf8(QStringLiteral("a;b\n\nc;\"d\ne;f\n"))
            << "Zeile 3: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.";
        QTest::newRow("a quote that never closes in the first record")
            << utf8(QStringLiteral("\"a;b\n"))
            << "Zeile 1: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.";
        QTest::newRow("a stray quote in an unquoted field")
            << utf8(QStringLiteral("a;b\r\n\"c\r\nd\";e\r\nHe said \"hi\";x\r\n"))
            << "Zeile 4: Ein Anführungszeichen steht mitten in einem Feld. Setzen Sie das ganze Feld in "
               "Anführungszeichen und verdoppeln Sie das Zeichen darin (\"\").";
        QTest::newRow("text after a closing quote")
            << utf8(QStringLiteral("a;b\n\"ab\"cd;x\ne;\"f\"\n"))
            << "Zeile 2: Nach einem schließenden Anführungszeichen folgt noch Text. Ein Anführungszeichen in einem "
               "Feld wird verdoppelt (\"\").";
        QTest::newRow("a quote that never closes, opened after a field over two lines")
            << utf8(QStringLiteral("x;y\n\"a\nb\";\"c\n\nd\n"))
            << "Zeile 3: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.";
        QTest::newRow("a field over 1 MB")
            << QByteArray("a;b\nc;") + QByteArray(kMaxFieldBytes + 1, 'x') + "\n"
            << "Zeile 2: Ein Feld ist länger als 1 MB. So lange Felder enthält keine Wortliste.";
        QTest::newRow("a quoted field over 1 MB")
            << QByteArray("a;b\n\"") + QByteArray(kMaxFieldBytes + 10, 'x') + "\";x\n"
            << "Zeile 2: Das Feld, das hier mit einem Anführungszeichen beginnt, ist länger als 1 MB – vermutlich "
               "fehlt das schließende Anführungszeichen.";
        QTest::newRow("too many columns") << QByteArray("a;b\na") + QByteArray(kMaxRecordFields, ';') + "\n"
                                          << "Zeile 2: Die Zeile hat mehr als 1000 Spalten. So viele Spalten enthält "
                                             "keine Wortliste.";
    }

    // A clear German message, from looking at the file or from reading it
    // to its end, as the import does.
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = write(dir, QStringLiteral("bad.csv"), bytes);
        QString got;
        try {
            const Inspection in = inspect(path, kPair);
            recordsOf(path, in.layout);
        } catch (const FileError &e) {
            got = e.message();
        }
        QCOMPARE(got, message);
    }

    // A file that is missing, a folder or unreadable is named.
    void unreadable()
    {
        const QString missing = dir.filePath(QStringLiteral("weg.csv"));
        const QString locked = write(dir, QStringLiteral("gesperrt.csv"), "a;b\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        const bool rootReadsAnyway = QFile(locked).open(QIODevice::ReadOnly);
        for (const QString &path : {missing, dir.path(), locked}) {
            if (path == locked && rootReadsAnyway)
                continue;
            try {
                inspect(path, kPair);
                QFAIL(qPrintable(path));
            } catch (const FileError &e) {
                QCOMPARE(e.message(), QStringLiteral("Die Datei „%1“ kann nicht gelesen werden.")
                                          .arg(QFileInfo(path).fileName()));
            }
        }
    }

    // One byte that is not UTF-8, far down the file, and the whole file is
    // Windows-1252; characters cut in two by the reader's pieces stay whole.
    void wholeFileDecidesTheEncoding()
    {
        QByteArray body;
        while (body.size() < 200 * 1024)
            body += QStringLiteral("Straße;Übung;ä€\n").toUtf8();
        const QString path = write(dir, QStringLiteral("long.csv"), body);
        Inspection in = inspect(path, kPair);
        QCOMPARE(in.layout.encoding, Encoding::Utf8);
        const QStringList records = recordsOf(path, in.layout);
        QVERIFY(records.size() > 9000);
        for (const QString &r : records)
            QVERIFY2(r.endsWith(QStringLiteral(": Straße|Übung|ä€")), qPrintable(r));

        write(dir, QStringLiteral("long.csv"), body + "M\xFC" "ll;Abfall\n");
        in = inspect(path, kPair);
        QCOMPARE(in.layout.encoding, Encoding::Windows1252);
        QCOMPARE(recordsOf(path, in.layout).last().section(QStringLiteral(": "), 1), QStringLiteral("Müll|Abfall"));
    }

    // The file is read in pieces of 64 KB: a CR LF cut in two by a piece's
    // end is one line break, not two, and the lines after it keep their
    // numbers.
    void lineBreakCutByAPiece()
    {
        QByteArray body("aa;bb\r\n"); // seven bytes: the 13,106th CR is the piece's last byte
        std::int64_t lines = 1;
        while (body.size() < 3 * 65536) {
            body += "a;b\r\n";
            ++lines;
        }
        body += "\"x\r\ny\";z\r\nlast;one\r\n";
        QCOMPARE(body.at(65535), '\r');
        const QString path = write(dir, QStringLiteral("cut.csv"), body);
        const QStringList records = recordsOf(path, inspect(path, kPair).layout);
        QCOMPARE(records.size(), qsizetype(lines + 2));
        QCOMPARE(records.at(13107), QStringLiteral("13108: a|b"));
        QCOMPARE(records.at(records.size() - 2), QStringLiteral("%1: x\r\ny|z").arg(lines + 1));
        QCOMPARE(records.last(), QStringLiteral("%1: last|one").arg(lines + 3));
    }

    // The learner's choice of encoding and separator is taken as it is.
    void choicesOverrideDetection()
    {
        const QString path = write(dir, QStringLiteral("c.csv"), utf8(QStringLiteral("a;b,c\nd;e,f\n")));
        const Inspection in = inspect(path, kPair, Encoding::Windows1252, QLatin1Char(','));
        QCOMPARE(in.layout.encoding, Encoding::Windows1252);
        QCOMPARE(in.layout.separator, QLatin1Char(','));
        QCOMPARE(in.preview.first().fields, (QStringList{"a;b", "c"}));
    }

    // The preview: the first 20 records, trimmed, in normal form C.
    void previewIsTheStartCleaned()
    {
        QString text;
        for (int i = 0; i < 30; ++i)
            text += QStringLiteral("  Cafe\u0301 %1 ;  x\n").arg(i);
        const Inspection in = inspect(write(dir, QStringLiteral("p.csv"), utf8(text)), kPair);
        QCOMPARE(in.preview.size(), qsizetype(kPreviewRecords));
        QCOMPARE(in.preview.first().fields.first(), QStringLiteral("Café 0"));
        QCOMPARE(in.preview.last().line, std::int64_t(20));
    }
};

QTEST_APPLESS_MAIN(TestWordListRead)
#include "tst_wordlistread.moc"
