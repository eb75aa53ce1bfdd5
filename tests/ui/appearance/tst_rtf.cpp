// The RTF reader of the help viewer (Rtf::toHtml), checked through what Qt
// makes of its output: every test loads the HTML into a QTextDocument and
// reads text and character formats from there, never the HTML itself.
//
// Samples written by other programs lie in tests/data/rtf (see its README);
// damaged and hostile inputs lie in tests/data/rtf/regress.
#include "core/Places.h"
#include "ui/appearance/RtfToHtml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

const QString kData = QStringLiteral(VOKAMIA_TEST_DATA "/rtf");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// Owns the document so that formats can be read after the call.
struct Doc
{
    QTextDocument doc;
    explicit Doc(const QByteArray &rtf) { doc.setHtml(Rtf::toHtml(rtf)); }
    // Paragraphs and line breaks as '\n'; unlike toPlainText() it keeps
    // no-break spaces.
    QString text() const
    {
        QStringList list;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            list << b.text();
        return list.join(QLatin1Char('\n')).replace(QChar(0x2028), QLatin1Char('\n'));
    }
    // Format of the last character of the first occurrence of `what`;
    // warns when it is missing.
    QTextCharFormat format(const QString &what) const
    {
        const QTextCursor found = doc.find(what);
        if (found.isNull())
            qWarning("text not found: %s", qPrintable(what));
        return found.isNull() ? QTextCharFormat() : found.charFormat();
    }
    QTextCharFormat format(const char *what) const { return format(QString::fromUtf8(what)); }
    QString family(const char *what) const { return format(what).fontFamilies().toStringList().value(0); }
};

QByteArray rtf(const char *body)
{
    return QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;}")
        + body + "}";
}

} // namespace

class TestRtf : public QObject
{
    Q_OBJECT

    // The row's input converts and, unless the row gives no text, to
    // exactly that text.
    void checkText()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        const Doc d(input);
        if (!expected.isNull())
            QCOMPARE(d.text(), expected);
    }

private slots:
    void samples_data()
    {
        // Files written by other programs: the bold first paragraph, lines
        // that come out whole ('|' between them), and markup that is no text.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("absent");
        QTest::newRow("LibreOffice") << "libreoffice_sample.rtf"
            << "Überschrift Größe|Umlaute: äöü ÄÖÜ ß – „Anführungszeichen“ € …|Griechisch: Ελληνικά, Russisch: "
               "Русский, Emoji: 😀 Ende.|Vor dem Bild  nach dem Bild.|Ein Verweis zum Beispiel im Satz."
            << "89504e47|HYPERLINK|example.org|Heading 1|Times New Roman";
        // The same text, once written by pandoc, once by LibreOffice from pandoc's DOCX.
        const char *pandoc = "Überschrift von Pandoc|Umlaute: äöü ÄÖÜ ß, Euro €, Gedankenstrich – und „Zitat“."
                             "|Sonderzeichen: {geschweift} und \\ Backslash.";
        QTest::newRow("pandoc") << "pandoc_sample.rtf" << pandoc << "HYPERLINK";
        QTest::newRow("LibreOffice from DOCX") << "libreoffice_from_docx.rtf" << pandoc << "HYPERLINK";
        QTest::newRow("help file saved by LibreOffice") << "libreoffice_roundtrip_vtrainer.rtf" << "Vokabeln üben"
                                                        << "Vokamia-Hilfe";
    }
    void samples()
    {
        QFETCH(QString, file);
        QFETCH(QString, lines);
        QFETCH(QString, absent);
        const Doc d(readFile(kData + QLatin1Char('/') + file));
        const QStringList blocks = d.text().split(QLatin1Char('\n')), want = lines.split(QLatin1Char('|'));
        QCOMPARE(blocks.value(0), want.first());
        QVERIFY(d.format(want.first()).fontWeight() >= QFont::Bold);
        for (const QString &line : want)
            QVERIFY2(blocks.contains(line), qPrintable(line));
        for (const QString &junk : absent.split(QLatin1Char('|')))
            QVERIFY2(d.doc.find(junk).isNull(), qPrintable(junk));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QByteArray &input, const QString &expected) {
            QTest::newRow(name) << input << expected;
        };
        row("cp1252", rtf("\\'e4\\'D6\\'df\\'80\\'84\\'93\\'96\\'85\\'99 Gr\xf6\xdf" "e"), "äÖß€„“–…™ Größe");
        row("unicode", rtf("\\u228?\\u8364?x\\u-4?\\u-3?\\u246\\'f6n"), "ä€x\uFFFC\uFFFDön");
        row("uc skips", rtf("{\\uc3 \\u228 abcd}\\u228 ef{\\uc2\\u228\\'61\\'62c}\\uc0\\u228 ab"), "ädäfäcäab");
        row("surrogate pair", rtf("\\uc1\\u-10179?\\u-8704?!"), "😀!");
        row("special characters", rtf("a\\~b\\-c\\_d\\{\\}\\\\\\tab\\emdash\\bullet\\ldblquote\\rdblquote"),
            "a\u00A0b\u00ADc\u2011d{}\\\t—•“”");
        row("paragraphs and lines", rtf("Eins\\par Zwei\\line Drei\\par\\par Vier\\sect F\\'fcnf\\page Sechs\\\nS"),
            "Eins\nZwei\nDrei\n\nVier\nFünf\nSechs\nS");
        row("HTML is text", rtf("<b>fett?</b> & <img src=x> &amp; <!-- c -->"), "<b>fett?</b> & <img src=x> &amp; <!-- c -->");
        row("skipped destinations",
            rtf("A{\\*\\unknown x1}B{\\info{\\title x2}}C{\\stylesheet{\\s1 x4;}}D{\\pict\\pngblip 89504e47}E"
                "{\\header x5\\par}F{\\field{\\*\\fldinst HYPERLINK \"x7\"}{\\fldrslt Link}}H{\\footnote x9}J"
                "{\\object{\\*\\objdata 0102}{\\result x10}}K{\\nonshppict{\\pict 00}}L{\\listtext\\'95\\tab}N\\v x12\\v0 O"),
            "ABCDEFLinkHJKL\u2022\tNO");
        // \bin data is skipped even when it holds braces and backslashes.
        row("bin holds braces", rtf("A{\\pict\\bin6 }}}\\{{ B}C\\bin3 {\\}D"), "ACD");
        row("cp1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", "Привет");
        row("pc", "{\\rtf1\\pc \\'84\\'94\\'81}", "äöü");
        row("mac", "{\\rtf1\\mac \\'8a\\'9a\\'9f}", "äöü");
        row("unknown code page is cp1252", "{\\rtf1\\ansi\\ansicpg932 \\'e4}", "ä");
        row("font character set", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 A;}}\\f0\\'e4{\\f1\\'e4}\\'e4}",
            "äдä");
        row("empty", QByteArray(), "");
        // Not RTF: shown as plain text, line by line.
        row("plain UTF-8", "Hallo\r\nZeile mit \xc3\xa4\xc3\xb6 <b>&\n\nEnde\n", "Hallo\nZeile mit äö <b>&\n\nEnde");
        row("plain Latin-1 with controls", QByteArray("Gr\xf6\xdf" "e \x80\x01\x02", 9), "Größe €");
        row("RTF only later", "Text {\\rtf1 \\b x}", "Text {\\rtf1 \\b x}");
        row("RTF after BOM and blanks", "\xEF\xBB\xBF \r\n{\\rtf1 x}", "x");
    }
    void text() { checkText(); }

    void formatting()
    {
        const Doc d(rtf("n0 \\b b1 \\i bi2 \\b0 i3 \\i0\\ul u4 \\ulnone {\\b g6 }n7 \\b\\i\\uldb biu8 \\plain n9 "
                        "\\strike s10\\strike0  \\super h11\\nosupersub  \\sub t12\\sub0 "));
        const std::pair<const char *, const char *> expected[] = {
            {"n0", ""}, {"b1", "b"}, {"bi2", "bi"}, {"i3", "i"},   {"u4", "u"},   {"g6", "b"},
            {"n7", ""}, {"biu8", "biu"}, {"n9", ""}, {"s10", "s"}, {"h11", "^"}, {"t12", "_"},
        };
        for (const auto &[word, flags] : expected) {
            const QTextCharFormat f = d.format(word);
            const bool on[] = {f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(), f.fontStrikeOut(),
                               f.verticalAlignment() == QTextCharFormat::AlignSuperScript,
                               f.verticalAlignment() == QTextCharFormat::AlignSubScript};
            QString s;
            for (int i = 0; i < 6; ++i)
                if (on[i])
                    s += QLatin1Char("bius^_"[i]);
            QVERIFY2(s == QLatin1String(flags), word);
        }
        // Half points, the default after \plain, a cap on absurd sizes;
        // fonts and colours from the tables, unknown entries ignored.
        const Doc f(rtf("d \\fs17 z8h {\\fs72\\f1\\cf3 z36 }d2 \\plain d3 \\cf1\\highlight2 rot\\cf99\\highlight0  aus "
                        "\\fs99999999999999999999999999999999\\f77 max"));
        QCOMPARE(f.format("d ").fontPointSize(), 12.0);
        QCOMPARE(f.format("z8h").fontPointSize(), 8.5);
        QCOMPARE(f.format("d2").fontPointSize(), 8.5);
        QCOMPARE(f.format("d3").fontPointSize(), 12.0);
        QCOMPARE(f.format("max").fontPointSize(), 144.0);
        QCOMPARE(f.family("z36"), QStringLiteral("Times New Roman"));
        QCOMPARE(f.family("d2"), QStringLiteral("Arial"));
        QCOMPARE(f.format("z36").foreground().color(), QColor(0, 0, 255));
        QCOMPARE(f.format("rot").background().color(), QColor(0, 128, 0));
        QVERIFY(!f.format("aus").hasProperty(QTextFormat::ForegroundBrush));

        // Font tables without groups and names with escapes; a font name
        // cannot break out of the style attribute.
        QCOMPARE(Doc("{\\rtf1\\ansi\\deff1{\\fonttbl\\f0 H;\\f1 Gr\\'f6\\'dfe Schrift;}Text}").family("Text"),
                 QStringLiteral("Größe Schrift"));
        const Doc evil("{\\rtf1{\\fonttbl{\\f0 Evil'; color:red\" onload=\"x;}}\\f0 Text}");
        QVERIFY(!evil.format("Text").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(evil.text(), QStringLiteral("Text"));
    }

    void paragraphFormatting()
    {
        const Doc d(rtf("\\pard\\qc M\\par\\pard\\qr R\\par\\pard\\qj B\\par\\pard L\\par\\pard\\li720\\fi-360 E\\par"));
        const Qt::Alignment aligns[] = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify, Qt::AlignLeft};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(d.doc.findBlockByNumber(i).blockFormat().alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify),
                     aligns[i]);
        // Twips to pixels, a negative first-line indent included.
        QCOMPARE(d.doc.findBlockByNumber(4).blockFormat().leftMargin(), 48.0);
        QCOMPARE(d.doc.findBlockByNumber(4).blockFormat().textIndent(), -24.0);
    }

    void hostileInput_data()
    {
        // Inputs that once crashed, hung or misbehaved; where a .txt lies
        // beside a file, it holds the exact text.
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        const QDir dir(kData + QStringLiteral("/regress"));
        const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QString &f : files) {
            const QString txt = dir.filePath(QFileInfo(f).completeBaseName() + QStringLiteral(".txt"));
            QTest::newRow(qPrintable(f)) << readFile(dir.filePath(f))
                                         << (QFile::exists(txt) ? QString::fromUtf8(readFile(txt)) : QString());
        }
        // Too large to keep as files.
        QTest::newRow("deep nesting") << QByteArray("{\\rtf1\\ansi Anfang ") + QByteArray(100000, '{') + "\\b Mitte"
                + QByteArray(100000, '}') + " Ende}" << QStringLiteral("Anfang Mitte Ende");
        QTest::newRow("deep nesting unclosed")
            << QByteArray("{\\rtf1\\ansi Anfang") + QByteArray("{\\i ").repeated(100000) + "Tiefe"
            << QStringLiteral("AnfangTiefe");
        QTest::newRow("nested destinations") << QByteArray("{\\rtf1 A") + QByteArray("{\\*\\x ").repeated(50000) + "B"
                + QByteArray(50000, '}') + "C}" << QStringLiteral("AC");
    }
    void hostileInput() { checkText(); }

    void truncatedAndRandomInput()
    {
        // Every prefix of a real file converts, and shows a prefix of the text.
        const QByteArray full = readFile(kData + QStringLiteral("/pandoc_sample.rtf"));
        const QString fullText = Doc(full).text();
        for (qsizetype n = 0; n <= full.size(); n += 7) {
            const QString text = Doc(full.left(n)).text();
            QVERIFY2(fullText.startsWith(text.left(text.size() - 1)) || text.isEmpty(),
                     qPrintable(QStringLiteral("prefix %1: %2").arg(n).arg(text)));
        }
        // Random bytes, every other round from RTF's own alphabet, only have to convert.
        QRandomGenerator rng(4711);
        const QByteArray alphabet("{}\\'*-0123456789abcdefilnqrstuvx; \r\n\t\x80\xe4\xff");
        for (int round = 0; round < 200; ++round) {
            QByteArray data("{\\rtf1");
            for (int i = int(rng.bounded(4000)); i > 0; --i)
                data += (round % 2) ? char(rng.bounded(256)) : alphabet.at(qsizetype(rng.bounded(quint32(alphabet.size()))));
            const Doc d(data);
        }
    }

    void helpFiles_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"main.rtf", "basis.rtf", "Neuwort.rtf", "Change.rtf", "vtrainer.rtf", "wbook.rtf",
                              "View.rtf", "Table.rtf", "print.rtf", "Spfad.rtf"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void helpFiles()
    {
        // Real RTF in Windows-1252, 7-bit clean, whose umlaut escapes come
        // out as umlauts and which leaves no markup behind; its title stands
        // out; the build stages the very same file beside the program.
        QFETCH(QString, name);
        const QByteArray data = readFile(QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/help/") + name);
        QVERIFY(data.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(std::all_of(data.begin(), data.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
        const Doc d(data);
        const QString text = d.text();
        QVERIFY2(text.size() > 800, qPrintable(QString::number(text.size())));
        static const QRegularExpression umlaut(QStringLiteral("[äöüÄÖÜß]")), leftovers(QStringLiteral("[\\\\{\uFFFD]"));
        QVERIFY(text.count(umlaut) >= 5);
        QVERIFY(!text.contains(leftovers));
        const QTextCharFormat title = d.format(d.doc.begin().text()), body = d.format(d.doc.begin().next().text().left(20));
        QVERIFY(title.fontWeight() >= QFont::Bold && body.fontWeight() < QFont::Bold);
        QVERIFY(title.fontPointSize() > body.fontPointSize() + 2);
        QCOMPARE(readFile(Places::helpFile(name)), data);
    }
};

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
