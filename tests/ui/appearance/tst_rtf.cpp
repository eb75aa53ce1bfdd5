// The RTF reader of the help viewer (Rtf::toHtml), checked through what Qt
// makes of its output: every test loads the HTML into a QTextDocument and
// reads text and character formats from there, never the HTML itself.
//
// Samples written by other programs lie in tests/data/rtf (see its README):
// LibreOffice Writer and pandoc output. Damaged and hostile inputs, among
// them what fuzzing turned up, lie in tests/data/rtf/regress.
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
    // The text with paragraphs and line breaks as '\n'; unlike
    // toPlainText() it keeps no-break spaces.
    QString text() const { return blocks().join(QLatin1Char('\n')).replace(QChar(0x2028), QLatin1Char('\n')); }
    QStringList blocks() const
    {
        QStringList list;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            list << b.text();
        return list;
    }
    // Format of the characters of the first occurrence of `what`; warns
    // when the text is not there or changes format inside.
    QTextCharFormat format(const QString &what, bool warn = true) const
    {
        const QTextCursor found = doc.find(what);
        if (found.isNull()) {
            qWarning("text not found: %s", qPrintable(what));
            return {};
        }
        QTextCursor c(const_cast<QTextDocument *>(&doc));
        c.setPosition(found.selectionStart() + 1);
        const QTextCharFormat first = c.charFormat();
        c.setPosition(found.selectionEnd());
        if (warn && first != c.charFormat())
            qWarning("format changes inside: %s", qPrintable(what));
        return c.charFormat();
    }
    QTextCharFormat format(const char *what) const { return format(QString::fromUtf8(what)); }
    bool has(const char *what) const { return !doc.find(QString::fromUtf8(what)).isNull(); }
    bool bold(const char *what) const { return format(what).fontWeight() >= QFont::Bold; }
    QString family(const char *what) const { return format(what).fontFamilies().toStringList().value(0); }
    QColor colour(const char *what) const { return format(what).foreground().color(); }
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

    // Shared by text() and hostileInput(): the row's input converts and,
    // unless the row gives no text, to exactly that text. How fast large
    // inputs convert is measured by bench/bench_rtf, not here.
    void checkText()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        const Doc d(input);
        if (!expected.isNull())
            QCOMPARE(d.text(), expected);
    }

private slots:
    // ---------------------------------------------------- real samples
    void libreOfficeSample();
    void pandocSource_data();
    void pandocSource();
    void libreOfficeRoundTripOfHelpFile();

    // ---------------------------------------------------- features
    void text_data();
    void text() { checkText(); }
    void characterFormatting();
    void fontsAndColours();
    void paragraphFormatting();

    // ---------------------------------------------------- hostile input
    void hostileInput_data();
    void hostileInput() { checkText(); }
    void truncatedEverywhere();
    void randomJunk();

    // ---------------------------------------------------- shipped help
    void helpFiles_data();
    void helpFiles();
};

// ======================================================================

void TestRtf::libreOfficeSample()
{
    const Doc d(readFile(kData + QStringLiteral("/libreoffice_sample.rtf")));
    const QStringList blocks = d.blocks();

    QCOMPARE(blocks.value(0), QStringLiteral("Überschrift Größe"));
    QVERIFY(d.bold("Überschrift Größe"));
    QCOMPARE(d.format("Überschrift Größe").fontPointSize(), 24.0);
    QVERIFY(blocks.contains(QStringLiteral("Normaler Text mit fettem Wort, kursivem Wort und unterstrichenem Wort.")));
    QVERIFY(d.bold("fettem Wort") && !d.format("fettem Wort").fontItalic());
    QVERIFY(d.format("kursivem Wort").fontItalic() && !d.bold("kursivem Wort"));
    QVERIFY(d.format("unterstrichenem Wort").fontUnderline());
    QVERIFY(!d.format("Normaler Text").fontUnderline());
    QCOMPARE(d.format("Normaler Text").fontPointSize(), 12.0);
    QCOMPARE(d.family("Normaler Text"), QStringLiteral("DejaVu Serif"));
    QCOMPARE(d.colour("Roter Text"), QColor(255, 0, 0));
    QCOMPARE(d.colour("blauer Text"), QColor(0, 0, 255));
    QCOMPARE(d.format("Großer Text zwanzig").fontPointSize(), 20.0);
    QCOMPARE(d.format("kleiner Text acht").fontPointSize(), 8.0);

    for (const char *line : {"Umlaute: äöü ÄÖÜ ß – „Anführungszeichen“ € …",
                             "Griechisch: Ελληνικά, Russisch: Русский, Emoji: 😀 Ende.",
                             "Geschweifte {Klammern} und Backslash \\ und Prozent 100\u00A0%.",
                             // the picture is skipped, the text around it stays one paragraph
                             "Vor dem Bild  nach dem Bild.",
                             // a field shows its result, not its instruction
                             "Ein Verweis zum Beispiel im Satz.",
                             "•\tErster Punkt", "•\tZweiter Punkt"})
        QVERIFY2(blocks.contains(QString::fromUtf8(line)), line);
    QVERIFY(d.text().contains(QStringLiteral("Zelle A1\tZelle B1")));
    QVERIFY(d.text().contains(QStringLiteral("Zelle A2\tZelle B2")));

    // Picture data, field instructions, style sheet, info, generator and
    // page styles are not text.
    for (const char *junk : {"89504e47", "wzName", "HYPERLINK", "example.org", "Heading 1", "Internet Link", "Normal;",
                             "LibreOffice", "Default Page Style", "Times New Roman", "Probe"})
        QVERIFY2(!d.has(junk), junk);
    QCOMPARE(blocks.last(), QStringLiteral("Letzter Absatz."));
}

void TestRtf::pandocSource_data()
{
    // The same Markdown, once written by pandoc, once by LibreOffice from
    // pandoc's DOCX.
    QTest::addColumn<QString>("file");
    QTest::newRow("pandoc") << QStringLiteral("pandoc_sample.rtf");
    QTest::newRow("LibreOffice from DOCX") << QStringLiteral("libreoffice_from_docx.rtf");
}

void TestRtf::pandocSource()
{
    QFETCH(QString, file);
    const Doc d(readFile(kData + QLatin1Char('/') + file));
    const QStringList blocks = d.blocks();
    QCOMPARE(blocks.value(0), QStringLiteral("Überschrift von Pandoc"));
    QVERIFY(d.bold("Überschrift von Pandoc"));
    QVERIFY(d.format("Überschrift von Pandoc").fontPointSize() > 12.0);
    QVERIFY(d.bold("fettem Text"));
    QVERIFY(d.format("kursivem Text").fontItalic());
    // pandoc writes every non-ASCII character as \uN with a "?" fallback.
    for (const char *line : {"Umlaute: äöü ÄÖÜ ß, Euro €, Gedankenstrich – und „Zitat“.",
                             "Sonderzeichen: {geschweift} und \\ Backslash.", "Ein Zitatblock mit Ölfass.",
                             "Verweis am Ende."})
        QVERIFY2(blocks.contains(QString::fromUtf8(line)), line);
    QVERIFY(d.text().contains(QStringLiteral("Nummer zwei")));
    QVERIFY(!d.has("HYPERLINK"));
}

void TestRtf::libreOfficeRoundTripOfHelpFile()
{
    // vtrainer.rtf opened and saved again by LibreOffice Writer.
    const Doc d(readFile(kData + QStringLiteral("/libreoffice_roundtrip_vtrainer.rtf")));
    QCOMPARE(d.blocks().value(0), QStringLiteral("Vokabeln üben"));
    QVERIFY(d.bold("Vokabeln üben"));
    QCOMPARE(d.format("Vokabeln üben").fontPointSize(), 18.0);
    QCOMPARE(d.colour("Vokabeln üben"), QColor(31, 73, 125));
    QVERIFY(d.has("Die Regel des Karteikastens"));
    QVERIFY(d.has("zurück in Fach 1"));
    QVERIFY(!d.has("Vokamia-Hilfe")); // the \info title
}

// ======================================================================

void TestRtf::text_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    // body: inside a document with font and colour tables; raw: as it is.
    auto body = [](const char *name, const char *b, const QString &expected) {
        QTest::newRow(name) << rtf(b) << expected;
    };
    auto raw = [](const char *name, const QByteArray &input, const QString &expected) {
        QTest::newRow(name) << input << expected;
    };

    body("cp1252 umlauts", "\\'e4\\'f6\\'fc\\'c4\\'d6\\'dc\\'df", QStringLiteral("äöüÄÖÜß"));
    body("cp1252 upper hex", "\\'E4\\'C4", QStringLiteral("äÄ"));
    body("cp1252 0x80-0x9f", "\\'80\\'84\\'93\\'96\\'97\\'85\\'99", QStringLiteral("€„“–—…™"));
    body("raw 8-bit bytes", "Gr\xf6\xdf" "e", QStringLiteral("Größe"));
    body("unicode", "\\u228?\\u8364?x", QStringLiteral("ä€x"));
    body("unicode negative", "\\u-4?\\u-3?", QStringLiteral("\uFFFC\uFFFD"));
    body("unicode fallback escape", "\\u246\\'f6n", QStringLiteral("ön"));
    body("uc0", "\\uc0\\u228 ab", QStringLiteral("äab"));
    body("uc2", "\\uc2\\u228 abc", QStringLiteral("äc"));
    body("uc2 escapes", "\\uc2\\u228\\'61\\'62c", QStringLiteral("äc"));
    body("uc in group", "{\\uc3 \\u228 abcd}\\u228 ef", QStringLiteral("ädäf"));
    body("surrogate pair", "\\uc1\\u-10179?\\u-8704?!", QStringLiteral("😀!"));
    body("no-break space", "a\\~b", QStringLiteral("a\u00A0b"));
    body("soft hyphen", "Trenn\\-stelle", QStringLiteral("Trenn\u00ADstelle"));
    body("no-break hyphen", "E\\_Mail", QStringLiteral("E\u2011Mail"));
    body("escaped braces", "\\{a\\}\\\\", QStringLiteral("{a}\\"));
    body("tab", "a\\tab b", QStringLiteral("a\tb"));
    body("named characters", "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote",
         QStringLiteral("—–•‘’“”"));
    body("delimiting space", "\\b a\\b0  b", QStringLiteral("a b"));
    body("raw line ends ignored", "Zei\r\nle", QStringLiteral("Zeile"));
    body("unknown word ignored", "a\\gibtesnicht42 b", QStringLiteral("ab"));
    body("paragraphs and lines", "Eins\\par Zwei\\line Drei\\par\\par Vier\\sect F\\'fcnf\\page Sechs\\par Sieben",
         QStringLiteral("Eins\nZwei\nDrei\n\nVier\nFünf\nSechs\nSieben"));
    body("backslash before line end", "a\\\nb", QStringLiteral("a\nb"));
    body("HTML is text", "<b>fett?</b> & \"Zitat\" <img src=x> &amp; <!-- c -->",
         QStringLiteral("<b>fett?</b> & \"Zitat\" <img src=x> &amp; <!-- c -->"));
    body("skipped destinations",
         "A{\\*\\unknown versteckt1}B{\\info{\\title versteckt2}{\\author versteckt3}}C"
         "{\\stylesheet{\\s1 versteckt4;}}D{\\pict\\pngblip 89504e47}E{\\header versteckt5\\par}F"
         "{\\footer versteckt6}G{\\field{\\*\\fldinst HYPERLINK \"versteckt7\"}{\\fldrslt Link}}H"
         "{\\*\\bkmkstart versteckt8}I{\\footnote versteckt9}J{\\object{\\*\\objdata 0102}"
         "{\\result versteckt10}}K{\\shppict{\\pict 00}}{\\nonshppict{\\pict 00}}L"
         "{\\*\\generator versteckt11;}M{\\listtext\\'95\\tab}N",
         QStringLiteral("ABCDEFGLinkHIJKLM\u2022\tN"));
    // \bin data is skipped even when it holds braces and backslashes.
    body("bin holds braces", "A{\\pict\\bin6 }}}\\{{ B}C\\bin3 {\\}D", QStringLiteral("ACD"));
    body("hidden text", "a\\v versteckt\\v0 b", QStringLiteral("ab"));

    raw("cp1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", QStringLiteral("Привет"));
    raw("cp1250", "{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\'f8}", QStringLiteral("ščř"));
    raw("cp1253", "{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2\\'e3}", QStringLiteral("αβγ"));
    raw("pc", "{\\rtf1\\pc \\'84\\'94\\'81}", QStringLiteral("äöü"));
    raw("mac", "{\\rtf1\\mac \\'8a\\'9a\\'9f}", QStringLiteral("äöü"));
    raw("unknown code page is cp1252", "{\\rtf1\\ansi\\ansicpg932 \\'e4}", QStringLiteral("ä"));
    raw("font character set", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f0\\'e4{\\f1\\'e4}\\'e4}",
        QStringLiteral("äдä"));
    raw("empty", QByteArray(), QStringLiteral(""));
    raw("empty document", "{\\rtf1}", QStringLiteral(""));

    // Not RTF: shown as plain text, line by line.
    raw("plain UTF-8", "Hallo Welt\r\nZweite Zeile mit \xc3\xa4\xc3\xb6\xc3\xbc <b>&\n\nEnde\n",
        QStringLiteral("Hallo Welt\nZweite Zeile mit äöü <b>&\n\nEnde"));
    raw("plain Latin-1", "Gr\xf6\xdf" "e \x80", QStringLiteral("Größe €"));
    raw("plain with controls", QByteArray("a\x00\x01\x02" "b\tc", 7), QStringLiteral("ab\tc"));
    raw("RTF only later", "Text {\\rtf1 \\b x}", QStringLiteral("Text {\\rtf1 \\b x}"));
    raw("RTF after BOM and blanks", "\xEF\xBB\xBF \r\n{\\rtf1 x}", QStringLiteral("x"));
}

void TestRtf::characterFormatting()
{
    const Doc d(rtf("n0 \\b b1 \\i bi2 \\b0 i3 \\i0\\ul u4 \\ulnone n5 {\\b g6 }n7 \\b\\i\\ul biu8 \\plain n9 "
                    "\\strike s10\\strike0  \\super h11\\nosupersub  \\sub t12\\sub0  \\i1 i14\\i0  \\ul1 u15\\ul0  "
                    "\\uldb u16\\ulnone "));
    auto style = [&](const char *word) {
        const QTextCharFormat f = d.format(word);
        QString s;
        if (f.fontWeight() >= QFont::Bold)
            s += QLatin1Char('b');
        if (f.fontItalic())
            s += QLatin1Char('i');
        if (f.fontUnderline())
            s += QLatin1Char('u');
        if (f.fontStrikeOut())
            s += QLatin1Char('s');
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            s += QLatin1Char('^');
        if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
            s += QLatin1Char('_');
        return s;
    };
    const std::pair<const char *, const char *> expected[] = {
        {"n0", ""},   {"b1", "b"},   {"bi2", "bi"}, {"i3", "i"},   {"u4", "u"},   {"n5", ""},
        {"g6", "b"},  {"n7", ""},    {"biu8", "biu"}, {"n9", ""},  {"s10", "s"},  {"h11", "^"},
        {"t12", "_"}, {"i14", "i"},  {"u15", "u"},  {"u16", "u"},
    };
    for (const auto &[word, flags] : expected)
        QVERIFY2(style(word) == QLatin1String(flags), word);

    const Doc sizes(rtf("d \\fs40 z20 \\fs17 z8h {\\fs72 z36 }d2 \\plain d3 \\fs99999999999999999999999999999999 max"));
    QCOMPARE(sizes.format("d ").fontPointSize(), 12.0); // RTF default
    QCOMPARE(sizes.format("z20").fontPointSize(), 20.0);
    QCOMPARE(sizes.format("z8h").fontPointSize(), 8.5);
    QCOMPARE(sizes.format("z36").fontPointSize(), 36.0);
    QCOMPARE(sizes.format("d2").fontPointSize(), 8.5);
    QCOMPARE(sizes.format("d3").fontPointSize(), 12.0);
    QCOMPARE(sizes.format("max").fontPointSize(), 144.0);
}

void TestRtf::fontsAndColours()
{
    const Doc d(rtf("Arial0 \\f1 Times1 {\\f0 Arial2 }Times3 \\cf1 rot \\cf2 gruen {\\cf3 blau }gruen2 \\cf0 auto "
                    "\\highlight1 mark\\highlight0  \\cf99 aus \\f77 unbekannt"));
    QCOMPARE(d.family("Arial0"), QStringLiteral("Arial")); // \deff0
    QCOMPARE(d.family("Times1"), QStringLiteral("Times New Roman"));
    QCOMPARE(d.family("Arial2"), QStringLiteral("Arial"));
    QCOMPARE(d.family("Times3"), QStringLiteral("Times New Roman"));
    QCOMPARE(d.colour("rot"), QColor(255, 0, 0));
    QCOMPARE(d.colour("gruen "), QColor(0, 128, 0));
    QCOMPARE(d.colour("blau"), QColor(0, 0, 255));
    QCOMPARE(d.colour("gruen2"), QColor(0, 128, 0));
    QVERIFY(!d.format("auto").hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(d.format("mark").background().color(), QColor(255, 0, 0));
    QVERIFY(!d.format("aus").hasProperty(QTextFormat::ForegroundBrush)); // no entry 99
    QVERIFY(d.has("unbekannt"));

    // Font tables without groups, names with escapes.
    const Doc d2("{\\rtf1\\ansi\\deff1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Gr\\'f6\\'dfe Schrift;}Text}");
    QCOMPARE(d2.family("Text"), QStringLiteral("Größe Schrift"));
    // A font name cannot break out of the style attribute.
    const Doc evil("{\\rtf1{\\fonttbl{\\f0 Evil'; color:red\" onload=\"x;}}\\f0 Text}");
    QVERIFY(!evil.format("Text").hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(evil.text(), QStringLiteral("Text"));
}

void TestRtf::paragraphFormatting()
{
    const Doc d(rtf("\\pard\\qc Mitte\\par\\pard\\qr Rechts\\par\\pard\\qj Block\\par\\pard Links\\par"
                    "\\pard\\li720\\fi-360\\sb240\\sa120 Einzug\\par"));
    const Qt::Alignment aligns[] = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify, Qt::AlignLeft};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(d.doc.findBlockByNumber(i).blockFormat().alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify), aligns[i]);
    const QTextBlockFormat f = d.doc.findBlockByNumber(4).blockFormat();
    QCOMPARE(f.leftMargin(), 48.0);
    QCOMPARE(f.textIndent(), -24.0);
    QCOMPARE(f.topMargin(), 16.0);
    QCOMPARE(f.bottomMargin(), 8.0);
}

// ======================================================================

void TestRtf::hostileInput_data()
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
            + QByteArray(100000, '}') + " Ende}"
                                  << QStringLiteral("Anfang Mitte Ende");
    QTest::newRow("deep nesting unclosed") << QByteArray("{\\rtf1\\ansi Anfang") + QByteArray("{\\i ").repeated(100000)
            + "Tiefe"
                                           << QStringLiteral("AnfangTiefe");
    QTest::newRow("nested destinations") << QByteArray("{\\rtf1 A") + QByteArray("{\\*\\x ").repeated(50000) + "B"
            + QByteArray(50000, '}') + "C}"
                                         << QStringLiteral("AC");
}

void TestRtf::truncatedEverywhere()
{
    // Every prefix of a real file converts, and shows a prefix of the text.
    const QByteArray full = readFile(kData + QStringLiteral("/pandoc_sample.rtf"));
    const QString fullText = Doc(full).text();
    for (qsizetype n = 0; n <= full.size(); n += 7) {
        const QString text = Doc(full.left(n)).text();
        QVERIFY2(fullText.startsWith(text.left(text.size() - 1)) || text.isEmpty(),
                 qPrintable(QStringLiteral("prefix %1: %2").arg(n).arg(text)));
    }
    const QByteArray lo = readFile(kData + QStringLiteral("/libreoffice_sample.rtf"));
    for (qsizetype n = 0; n <= lo.size(); n += 61)
        (void)Rtf::toHtml(lo.left(n));
}

void TestRtf::randomJunk()
{
    QRandomGenerator rng(4711);
    const QByteArray alphabet("{}\\'*-0123456789abcdefilnqrstuvx; \r\n\t\x80\xe4\xff");
    for (int round = 0; round < 200; ++round) {
        QByteArray data("{\\rtf1");
        const int len = int(rng.bounded(4000));
        for (int i = 0; i < len; ++i)
            data += (round % 2) ? char(rng.bounded(256)) : alphabet.at(qsizetype(rng.bounded(quint32(alphabet.size()))));
        const Doc d(data);
    }
}

// ======================================================================

void TestRtf::helpFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const char *n : {"main.rtf", "basis.rtf", "Neuwort.rtf", "Change.rtf", "vtrainer.rtf", "wbook.rtf",
                          "View.rtf", "Table.rtf", "print.rtf", "Spfad.rtf"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestRtf::helpFiles()
{
    QFETCH(QString, name);
    const QByteArray data = readFile(QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/help/") + name);

    // Real RTF in Windows-1252, 7-bit clean, with umlauts as escapes.
    QVERIFY(data.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY(std::all_of(data.begin(), data.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    QVERIFY(data.contains("\\'e4") || data.contains("\\'f6") || data.contains("\\'fc"));

    const Doc d(data);
    const QString text = d.text();
    QVERIFY2(text.size() > 800, qPrintable(QString::number(text.size())));
    static const QRegularExpression umlaut(QStringLiteral("[äöüÄÖÜß]"));
    QVERIFY(text.count(umlaut) >= 5);
    static const QRegularExpression leftovers(QStringLiteral("[\\\\{\uFFFD]"));
    QVERIFY(!text.contains(leftovers));

    // The title: bold, larger than the body text, coloured; then headings
    // and at least one list.
    const QTextCharFormat title = d.format(d.blocks().value(0));
    const QTextCharFormat body = d.format(d.blocks().value(1).left(20));
    QVERIFY(title.fontWeight() >= QFont::Bold && body.fontWeight() < QFont::Bold);
    QVERIFY(title.fontPointSize() > body.fontPointSize() + 2);
    QVERIFY(title.foreground().color() != QColor(Qt::black));
    int headings = 0;
    for (QTextBlock b = d.doc.begin().next(); b.isValid(); b = b.next()) {
        const QTextCharFormat f = d.format(b.text(), false);
        headings += f.fontWeight() >= QFont::Bold && f.fontPointSize() > body.fontPointSize();
    }
    QVERIFY(headings >= 2);
    QVERIFY(text.contains(QStringLiteral("•\t")));

    // The build stages the very same file beside the program.
    QCOMPARE(readFile(Places::helpFile(name)), data);
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
