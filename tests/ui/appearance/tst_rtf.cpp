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
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

namespace {

const QString kData = QStringLiteral(VOKAMIA_TEST_DATA "/rtf");
const QString kHelpSource = QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/help");

const QStringList kHelpFiles = {
    QStringLiteral("main.rtf"),  QStringLiteral("basis.rtf"),    QStringLiteral("Neuwort.rtf"),
    QStringLiteral("Change.rtf"), QStringLiteral("vtrainer.rtf"), QStringLiteral("wbook.rtf"),
    QStringLiteral("View.rtf"),  QStringLiteral("Table.rtf"),    QStringLiteral("print.rtf"),
    QStringLiteral("Spfad.rtf"),
};

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
    QString text() const
    {
        QString t = blocks().join(QLatin1Char('\n'));
        t.replace(QChar(0x2028), QLatin1Char('\n'));
        return t;
    }
    QStringList blocks() const
    {
        QStringList list;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            list << b.text();
        return list;
    }
    // Format of the characters of the first occurrence of `what`; fails the
    // test when the text is not there or changes format inside.
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
        const QTextCharFormat last = c.charFormat();
        if (warn && first != last)
            qWarning("format changes inside: %s", qPrintable(what));
        return last;
    }
    bool has(const QString &what) const { return !doc.find(what).isNull(); }
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

private slots:
    // ---------------------------------------------------- real samples
    void libreOfficeSample();
    void libreOfficeFromDocx();
    void libreOfficeRoundTripOfHelpFile();
    void pandocSample();

    // ---------------------------------------------------- single features
    void characters_data();
    void characters();
    void paragraphsAndLines();
    void characterFormatting();
    void fontsAndColours();
    void paragraphFormatting();
    void skippedDestinations();
    void htmlIsEscaped();
    void codePages();

    // ---------------------------------------------------- not RTF
    void emptyInput();
    void plainText();

    // ---------------------------------------------------- hostile input
    void deepNesting();
    void deepNestingUnclosed();
    void hugeBin();
    void truncatedEverywhere();
    void randomJunk();
    void largeInputIsLinear();
    void regressionCases_data();
    void regressionCases();

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
    const QTextCharFormat heading = d.format(QStringLiteral("Überschrift Größe"));
    QVERIFY(heading.fontWeight() >= QFont::Bold);
    QCOMPARE(heading.fontPointSize(), 24.0);

    QVERIFY(blocks.contains(QStringLiteral(
        "Normaler Text mit fettem Wort, kursivem Wort und unterstrichenem Wort.")));
    QVERIFY(d.format(QStringLiteral("fettem Wort")).fontWeight() >= QFont::Bold);
    QVERIFY(!d.format(QStringLiteral("fettem Wort")).fontItalic());
    QVERIFY(d.format(QStringLiteral("kursivem Wort")).fontItalic());
    QVERIFY(d.format(QStringLiteral("kursivem Wort")).fontWeight() < QFont::Bold);
    QVERIFY(d.format(QStringLiteral("unterstrichenem Wort")).fontUnderline());
    QVERIFY(!d.format(QStringLiteral("Normaler Text")).fontUnderline());
    QCOMPARE(d.format(QStringLiteral("Normaler Text")).fontPointSize(), 12.0);

    QCOMPARE(d.format(QStringLiteral("Roter Text")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(d.format(QStringLiteral("blauer Text")).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(d.format(QStringLiteral("Großer Text zwanzig")).fontPointSize(), 20.0);
    QCOMPARE(d.format(QStringLiteral("kleiner Text acht")).fontPointSize(), 8.0);
    QCOMPARE(d.format(QStringLiteral("Normaler Text")).fontFamilies().toStringList().value(0),
             QStringLiteral("DejaVu Serif"));

    QVERIFY(blocks.contains(QStringLiteral("Umlaute: äöü ÄÖÜ ß – „Anführungszeichen“ € …")));
    QVERIFY(blocks.contains(QStringLiteral("Griechisch: Ελληνικά, Russisch: Русский, Emoji: 😀 Ende.")));
    QVERIFY(blocks.contains(QStringLiteral("Geschweifte {Klammern} und Backslash \\ und Prozent 100\u00A0%.")));

    // The picture is skipped, the text on both sides stays in its paragraph.
    QVERIFY(blocks.contains(QStringLiteral("Vor dem Bild  nach dem Bild.")));
    QVERIFY(!d.has(QStringLiteral("89504e47")));
    QVERIFY(!d.has(QStringLiteral("wzName")));

    // The field shows its result, not its instruction.
    QVERIFY(blocks.contains(QStringLiteral("Ein Verweis zum Beispiel im Satz.")));
    QVERIFY(!d.has(QStringLiteral("HYPERLINK")));
    QVERIFY(!d.has(QStringLiteral("example.org")));

    // List items keep their bullets, table cells their text.
    QVERIFY(blocks.contains(QStringLiteral("•\tErster Punkt")));
    QVERIFY(blocks.contains(QStringLiteral("•\tZweiter Punkt")));
    QVERIFY(d.text().contains(QStringLiteral("Zelle A1\tZelle B1")));
    QVERIFY(d.text().contains(QStringLiteral("Zelle A2\tZelle B2")));

    // Style sheet, info, generator and page styles are not text.
    for (const char *junk : {"Heading 1", "Internet Link", "Normal;", "LibreOffice", "Default Page Style",
                             "Times New Roman", "Probe"})
        QVERIFY2(!d.has(QString::fromLatin1(junk)), junk);
    QCOMPARE(blocks.last(), QStringLiteral("Letzter Absatz."));
}

void TestRtf::libreOfficeFromDocx()
{
    const Doc d(readFile(kData + QStringLiteral("/libreoffice_from_docx.rtf")));
    const QStringList blocks = d.blocks();
    QCOMPARE(blocks.value(0), QStringLiteral("Überschrift von Pandoc"));
    QVERIFY(d.format(QStringLiteral("Überschrift von Pandoc")).fontWeight() >= QFont::Bold);
    QVERIFY(d.format(QStringLiteral("Überschrift von Pandoc")).fontPointSize() > 12.0);
    QVERIFY(d.format(QStringLiteral("fettem Text")).fontWeight() >= QFont::Bold);
    QVERIFY(d.format(QStringLiteral("kursivem Text")).fontItalic());
    QVERIFY(blocks.contains(QStringLiteral("Umlaute: äöü ÄÖÜ ß, Euro €, Gedankenstrich – und „Zitat“.")));
    QVERIFY(blocks.contains(QStringLiteral("Sonderzeichen: {geschweift} und \\ Backslash.")));
    QVERIFY(blocks.contains(QStringLiteral("Ein Zitatblock mit Ölfass.")));
    QVERIFY(d.text().contains(QStringLiteral("Nummer zwei")));
    QVERIFY(blocks.contains(QStringLiteral("Verweis am Ende.")));
    QVERIFY(!d.has(QStringLiteral("HYPERLINK")));
}

void TestRtf::libreOfficeRoundTripOfHelpFile()
{
    // vtrainer.rtf opened and saved again by LibreOffice Writer.
    const Doc d(readFile(kData + QStringLiteral("/libreoffice_roundtrip_vtrainer.rtf")));
    QCOMPARE(d.blocks().value(0), QStringLiteral("Vokabeln üben"));
    const QTextCharFormat title = d.format(QStringLiteral("Vokabeln üben"));
    QVERIFY(title.fontWeight() >= QFont::Bold);
    QCOMPARE(title.fontPointSize(), 18.0);
    QCOMPARE(title.foreground().color(), QColor(31, 73, 125));
    QVERIFY(d.has(QStringLiteral("Die Regel des Karteikastens")));
    QVERIFY(d.has(QStringLiteral("zurück in Fach 1")));
    QVERIFY(!d.has(QStringLiteral("Vokamia-Hilfe"))); // the \info title
}

void TestRtf::pandocSample()
{
    const Doc d(readFile(kData + QStringLiteral("/pandoc_sample.rtf")));
    const QStringList blocks = d.blocks();
    QCOMPARE(blocks.value(0), QStringLiteral("Überschrift von Pandoc"));
    QCOMPARE(d.format(QStringLiteral("Überschrift von Pandoc")).fontPointSize(), 18.0);
    QVERIFY(d.format(QStringLiteral("Überschrift von Pandoc")).fontWeight() >= QFont::Bold);
    QCOMPARE(blocks.value(1), QStringLiteral("Ein Absatz mit fettem Text, kursivem Text und Code."));
    QVERIFY(d.format(QStringLiteral("fettem Text")).fontWeight() >= QFont::Bold);
    QVERIFY(d.format(QStringLiteral("kursivem Text")).fontItalic());
    QCOMPARE(d.format(QStringLiteral("Code")).fontFamilies().toStringList().value(0), QStringLiteral("Courier"));
    QCOMPARE(d.format(QStringLiteral("Ein Absatz")).fontFamilies().toStringList().value(0),
             QStringLiteral("Helvetica"));
    // pandoc writes every non-ASCII character as \uN with a "?" fallback.
    QCOMPARE(blocks.value(2), QStringLiteral("Umlaute: äöü ÄÖÜ ß, Euro €, Gedankenstrich – und „Zitat“."));
    QCOMPARE(blocks.value(3), QStringLiteral("Sonderzeichen: {geschweift} und \\ Backslash."));
    QVERIFY(blocks.contains(QStringLiteral("•\tPunkt eins")));
    QVERIFY(blocks.contains(QStringLiteral("2.\tNummer zwei")));
    QVERIFY(blocks.contains(QStringLiteral("Ein Zitatblock mit Ölfass.")));
    QVERIFY(blocks.contains(QStringLiteral("Verweis am Ende.")));
    QVERIFY(d.format(QStringLiteral("Verweis")).fontUnderline());
    QVERIFY(!d.format(QStringLiteral("am Ende")).fontUnderline());
}

// ======================================================================

void TestRtf::characters_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cp1252 umlauts") << QByteArray("\\'e4\\'f6\\'fc\\'c4\\'d6\\'dc\\'df") << QStringLiteral("äöüÄÖÜß");
    QTest::newRow("cp1252 upper hex") << QByteArray("\\'E4\\'C4") << QStringLiteral("äÄ");
    QTest::newRow("cp1252 0x80-0x9f") << QByteArray("\\'80\\'84\\'93\\'96\\'97\\'85\\'99")
                                      << QStringLiteral("€„“–—…™");
    QTest::newRow("raw 8-bit bytes") << QByteArray("Gr\xf6\xdf" "e") << QStringLiteral("Größe");
    QTest::newRow("unicode") << QByteArray("\\u228?\\u8364?x") << QStringLiteral("ä€x");
    QTest::newRow("unicode negative") << QByteArray("\\u-4?\\u-3?") << QStringLiteral("\uFFFC\uFFFD");
    QTest::newRow("unicode fallback escape") << QByteArray("\\u246\\'f6n") << QStringLiteral("ön");
    QTest::newRow("uc0") << QByteArray("\\uc0\\u228 ab") << QStringLiteral("äab");
    QTest::newRow("uc2") << QByteArray("\\uc2\\u228 abc") << QStringLiteral("äc");
    QTest::newRow("uc2 escapes") << QByteArray("\\uc2\\u228\\'61\\'62c") << QStringLiteral("äc");
    QTest::newRow("uc in group") << QByteArray("{\\uc3 \\u228 abcd}\\u228 ef") << QStringLiteral("ädäf");
    QTest::newRow("surrogate pair") << QByteArray("\\uc1\\u-10179?\\u-8704?!") << QStringLiteral("😀!");
    QTest::newRow("no-break space") << QByteArray("a\\~b") << QStringLiteral("a\u00A0b");
    QTest::newRow("soft hyphen") << QByteArray("Trenn\\-stelle") << QStringLiteral("Trenn\u00ADstelle");
    QTest::newRow("no-break hyphen") << QByteArray("E\\_Mail") << QStringLiteral("E\u2011Mail");
    QTest::newRow("escaped braces") << QByteArray("\\{a\\}\\\\") << QStringLiteral("{a}\\");
    QTest::newRow("tab") << QByteArray("a\\tab b") << QStringLiteral("a\tb");
    QTest::newRow("named characters")
        << QByteArray("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote")
        << QStringLiteral("—–•‘’“”");
    QTest::newRow("delimiting space") << QByteArray("\\b a\\b0  b") << QStringLiteral("a b");
    QTest::newRow("raw line ends ignored") << QByteArray("Zei\r\nle") << QStringLiteral("Zeile");
    QTest::newRow("unknown word ignored") << QByteArray("a\\gibtesnicht42 b") << QStringLiteral("ab");
}

void TestRtf::characters()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    const Doc d(rtf(body.constData()));
    QCOMPARE(d.text(), expected);
}

void TestRtf::paragraphsAndLines()
{
    const Doc d(rtf("Eins\\par Zwei\\line Drei\\par\\par Vier\\sect F\\'fcnf\\page Sechs\\par Sieben"));
    QCOMPARE(d.blocks(), (QStringList{QStringLiteral("Eins"), QStringLiteral("Zwei\u2028Drei"), QString(),
                                      QStringLiteral("Vier"), QStringLiteral("Fünf"), QStringLiteral("Sechs"),
                                      QStringLiteral("Sieben")}));
    // A backslash before a line end is a paragraph mark too.
    const Doc d2(rtf("a\\\nb"));
    QCOMPARE(d2.blocks(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

void TestRtf::characterFormatting()
{
    const Doc d(rtf("n0 \\b b1 \\i bi2 \\b0 i3 \\i0\\ul u4 \\ulnone n5 {\\b g6 }n7 \\b\\i\\ul p8 \\plain n9 "
                    "\\strike s10\\strike0  \\super h11\\nosupersub  \\sub t12\\sub0  \\v versteckt\\v0 n13 "
                    "\\i1 i14\\i0  \\ul1 u15\\ul0  \\uldb u16\\ulnone "));
    QCOMPARE(d.text(),
             QStringLiteral("n0 b1 bi2 i3 u4 n5 g6 n7 p8 n9 s10 h11 t12 n13 i14 u15 u16"));
    auto is = [&](const char *word, bool b, bool i, bool u) {
        const QTextCharFormat f = d.format(QString::fromLatin1(word));
        return (f.fontWeight() >= QFont::Bold) == b && f.fontItalic() == i && f.fontUnderline() == u;
    };
    QVERIFY(is("n0", false, false, false));
    QVERIFY(is("b1", true, false, false));
    QVERIFY(is("bi2", true, true, false));
    QVERIFY(is("i3", false, true, false));
    QVERIFY(is("u4", false, false, true));
    QVERIFY(is("n5", false, false, false));
    QVERIFY(is("g6", true, false, false));
    QVERIFY(is("n7", false, false, false));
    QVERIFY(is("p8", true, true, true));
    QVERIFY(is("n9", false, false, false));
    QVERIFY(is("n13", false, false, false));
    QVERIFY(is("i14", false, true, false));
    QVERIFY(is("u15", false, false, true));
    QVERIFY(is("u16", false, false, true));
    QVERIFY(d.format(QStringLiteral("s10")).fontStrikeOut());
    QCOMPARE(d.format(QStringLiteral("h11")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(d.format(QStringLiteral("t12")).verticalAlignment(), QTextCharFormat::AlignSubScript);
    QVERIFY(!d.has(QStringLiteral("versteckt")));

    const Doc sizes(rtf("d \\fs40 z20 \\fs17 z8h {\\fs72 z36 }d2 \\plain d3"));
    QCOMPARE(sizes.format(QStringLiteral("d ")).fontPointSize(), 12.0); // RTF default
    QCOMPARE(sizes.format(QStringLiteral("z20")).fontPointSize(), 20.0);
    QCOMPARE(sizes.format(QStringLiteral("z8h")).fontPointSize(), 8.5);
    QCOMPARE(sizes.format(QStringLiteral("z36")).fontPointSize(), 36.0);
    QCOMPARE(sizes.format(QStringLiteral("d2")).fontPointSize(), 8.5);
    QCOMPARE(sizes.format(QStringLiteral("d3")).fontPointSize(), 12.0);
}

void TestRtf::fontsAndColours()
{
    const Doc d(rtf("Arial0 \\f1 Times1 {\\f0 Arial2 }Times3 \\cf1 rot \\cf2 gruen {\\cf3 blau }gruen2 \\cf0 auto "
                    "\\highlight1 mark\\highlight0  \\cf99 aus \\f77 unbekannt"));
    auto family = [&](const char *w) {
        return d.format(QString::fromLatin1(w)).fontFamilies().toStringList().value(0);
    };
    QCOMPARE(family("Arial0"), QStringLiteral("Arial")); // \deff0
    QCOMPARE(family("Times1"), QStringLiteral("Times New Roman"));
    QCOMPARE(family("Arial2"), QStringLiteral("Arial"));
    QCOMPARE(family("Times3"), QStringLiteral("Times New Roman"));
    QCOMPARE(d.format(QStringLiteral("rot")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(d.format(QStringLiteral("gruen ")).foreground().color(), QColor(0, 128, 0));
    QCOMPARE(d.format(QStringLiteral("blau")).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(d.format(QStringLiteral("gruen2")).foreground().color(), QColor(0, 128, 0));
    QVERIFY(!d.format(QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(d.format(QStringLiteral("mark")).background().color(), QColor(255, 0, 0));
    QVERIFY(!d.format(QStringLiteral("aus")).hasProperty(QTextFormat::ForegroundBrush)); // no entry 99
    QVERIFY(d.has(QStringLiteral("unbekannt")));

    // Font tables without groups, names with escapes.
    const Doc d2("{\\rtf1\\ansi\\deff1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Gr\\'f6\\'dfe Schrift;}"
                 "Text}");
    QCOMPARE(d2.format(QStringLiteral("Text")).fontFamilies().toStringList().value(0),
             QStringLiteral("Größe Schrift"));
}

void TestRtf::paragraphFormatting()
{
    const Doc d(rtf("\\pard\\qc Mitte\\par\\pard\\qr Rechts\\par\\pard\\qj Block\\par\\pard Links\\par"
                    "\\pard\\li720\\fi-360\\sb240\\sa120 Einzug\\par"));
    const QTextDocument &doc = d.doc;
    auto align = [&](int block) {
        return doc.findBlockByNumber(block).blockFormat().alignment()
            & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
    };
    QCOMPARE(align(0), Qt::AlignHCenter);
    QCOMPARE(align(1), Qt::AlignRight);
    QCOMPARE(align(2), Qt::AlignJustify);
    QCOMPARE(align(3), Qt::AlignLeft);
    const QTextBlockFormat f = doc.findBlockByNumber(4).blockFormat();
    QCOMPARE(f.leftMargin(), 48.0);
    QCOMPARE(f.textIndent(), -24.0);
    QCOMPARE(f.topMargin(), 16.0);
    QCOMPARE(f.bottomMargin(), 8.0);
}

void TestRtf::skippedDestinations()
{
    const Doc d(rtf("A{\\*\\unknown versteckt1}B{\\info{\\title versteckt2}{\\author versteckt3}}C"
                    "{\\stylesheet{\\s1 versteckt4;}}D{\\pict\\pngblip 89504e47}E{\\header versteckt5\\par}F"
                    "{\\footer versteckt6}G{\\field{\\*\\fldinst HYPERLINK \"versteckt7\"}{\\fldrslt Link}}H"
                    "{\\*\\bkmkstart versteckt8}I{\\footnote versteckt9}J{\\object{\\*\\objdata 0102}"
                    "{\\result versteckt10}}K{\\shppict{\\pict 00}}{\\nonshppict{\\pict 00}}L"
                    "{\\*\\generator versteckt11;}M{\\listtext\\'95\\tab}N"));
    QCOMPARE(d.text(), QStringLiteral("ABCDEFGLinkHIJKLM\u2022\tN"));
    QVERIFY(!d.has(QStringLiteral("versteckt")));
    // \bin data is skipped even when it holds braces and backslashes.
    const Doc b(rtf("A{\\pict\\bin6 }}}\\{{ B}C\\bin3 {\\}D"));
    QCOMPARE(b.text(), QStringLiteral("ACD"));
}

void TestRtf::htmlIsEscaped()
{
    const Doc d(rtf("<b>fett?</b> & \"Zitat\" <img src=x> &amp; <!-- c -->"));
    QCOMPARE(d.text(), QStringLiteral("<b>fett?</b> & \"Zitat\" <img src=x> &amp; <!-- c -->"));
    QVERIFY(d.format(QStringLiteral("fett?")).fontWeight() < QFont::Bold);
    // A font name cannot break out of the style attribute.
    const Doc f("{\\rtf1{\\fonttbl{\\f0 Evil'; color:red\" onload=\"x;}}\\f0 Text}");
    QVERIFY(!f.format(QStringLiteral("Text")).hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(f.text(), QStringLiteral("Text"));
}

void TestRtf::codePages()
{
    QCOMPARE(Doc("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}").text(), QStringLiteral("Привет"));
    QCOMPARE(Doc("{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\'f8}").text(), QStringLiteral("ščř"));
    QCOMPARE(Doc("{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2\\'e3}").text(), QStringLiteral("αβγ"));
    QCOMPARE(Doc("{\\rtf1\\pc \\'84\\'94\\'81}").text(), QStringLiteral("äöü"));
    QCOMPARE(Doc("{\\rtf1\\mac \\'8a\\'9a\\'9f}").text(), QStringLiteral("äöü"));
    // An unknown code page falls back to Windows-1252.
    QCOMPARE(Doc("{\\rtf1\\ansi\\ansicpg932 \\'e4}").text(), QStringLiteral("ä"));
    // A font with a character set decodes its text in that code page.
    QCOMPARE(Doc("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f0\\'e4{\\f1\\'e4}\\'e4}").text(),
             QStringLiteral("äдä"));
}

// ======================================================================

void TestRtf::emptyInput()
{
    QVERIFY(Rtf::toHtml(QByteArray()).isEmpty());
    QCOMPARE(Doc(QByteArray()).text(), QString());
    QCOMPARE(Doc(QByteArray("{\\rtf1}")).text(), QString());
}

void TestRtf::plainText()
{
    // Not RTF: shown as plain text, line by line.
    QVERIFY(!Rtf::looksLikeRtf("Hallo"));
    QVERIFY(Rtf::looksLikeRtf("\xEF\xBB\xBF \r\n{\\rtf1 x}"));
    const Doc utf8(QByteArray("Hallo Welt\r\nZweite Zeile mit \xc3\xa4\xc3\xb6\xc3\xbc <b>&\n\nEnde\n"));
    QCOMPARE(utf8.blocks(), (QStringList{QStringLiteral("Hallo Welt"), QStringLiteral("Zweite Zeile mit äöü <b>&"),
                                         QString(), QStringLiteral("Ende")}));
    const Doc latin(QByteArray("Gr\xf6\xdf" "e \x80"));
    QCOMPARE(latin.text(), QStringLiteral("Größe €"));
    const Doc junk(QByteArray("a\x00\x01\x02" "b\tc", 7));
    QCOMPARE(junk.text(), QStringLiteral("ab\tc"));
    // Text that only mentions RTF later on is not RTF either.
    QCOMPARE(Doc(QByteArray("Text {\\rtf1 \\b x}")).text(), QStringLiteral("Text {\\rtf1 \\b x}"));
}

// ======================================================================

void TestRtf::deepNesting()
{
    QByteArray data("{\\rtf1\\ansi Anfang ");
    data += QByteArray(100000, '{');
    data += "\\b Mitte";
    data += QByteArray(100000, '}');
    data += " Ende}";
    QElapsedTimer t;
    t.start();
    const Doc d(data);
    QVERIFY2(t.elapsed() < 10000, "deep nesting took too long");
    QCOMPARE(d.text(), QStringLiteral("Anfang Mitte Ende"));
    QVERIFY(d.format(QStringLiteral("Mitte")).fontWeight() >= QFont::Bold);
    QVERIFY(d.format(QStringLiteral("Ende")).fontWeight() < QFont::Bold);
}

void TestRtf::deepNestingUnclosed()
{
    QByteArray data("{\\rtf1\\ansi Anfang");
    for (int i = 0; i < 100000; ++i)
        data += "{\\i ";
    data += "Tiefe";
    const Doc d(data);
    QCOMPARE(d.text(), QStringLiteral("AnfangTiefe"));
    QVERIFY(d.format(QStringLiteral("Tiefe")).fontItalic());

    // Many destinations inside one another, each a group to skip.
    QByteArray skips("{\\rtf1 A");
    for (int i = 0; i < 50000; ++i)
        skips += "{\\*\\x ";
    skips += "B" + QByteArray(50000, '}') + "C}";
    QCOMPARE(Doc(skips).text(), QStringLiteral("AC"));
}

void TestRtf::hugeBin()
{
    QCOMPARE(Doc("{\\rtf1 A\\bin99999999999999999999 BCD}").text(), QStringLiteral("A"));
    QCOMPARE(Doc("{\\rtf1 A\\bin2147483647 BCD}").text(), QStringLiteral("A"));
    QCOMPARE(Doc("{\\rtf1 A\\bin-2147483648 B}").text(), QStringLiteral("AB"));
    QCOMPARE(Doc("{\\rtf1 A\\fs99999999999999999999999999999999 B}").format(QStringLiteral("B")).fontPointSize(),
             144.0);
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
        for (int i = 0; i < len; ++i) {
            data += (round % 2) ? char(rng.bounded(256))
                                : alphabet.at(qsizetype(rng.bounded(quint32(alphabet.size()))));
        }
        QTextDocument doc;
        doc.setHtml(Rtf::toHtml(data));
    }
}

void TestRtf::largeInputIsLinear()
{
    // 8 MB of formatting changes and text converts in a few seconds at most.
    QByteArray data("{\\rtf1\\ansi ");
    while (data.size() < 8 * 1024 * 1024)
        data += "\\b fett\\b0 {\\i kurs}\\'e4\\u246?\\par ";
    data += "}";
    QElapsedTimer t;
    t.start();
    const QString html = Rtf::toHtml(data);
    QVERIFY2(t.elapsed() < 20000, "conversion is too slow");
    QVERIFY(html.size() > data.size());
    QVERIFY(html.size() <= Rtf::kMaxOutput + 4096);
}

void TestRtf::regressionCases_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(kData + QStringLiteral("/regress"));
    const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << dir.filePath(f);
}

void TestRtf::regressionCases()
{
    // Inputs that once crashed, hung or misbehaved: each must convert
    // quickly; where a .txt lies beside it, to exactly that text.
    QFETCH(QString, file);
    QElapsedTimer t;
    t.start();
    const Doc d(readFile(file));
    QVERIFY2(t.elapsed() < 10000, "took too long");
    QString expectedFile = file;
    expectedFile.replace(QStringLiteral(".rtf"), QStringLiteral(".txt"));
    if (QFile::exists(expectedFile))
        QCOMPARE(d.text(), QString::fromUtf8(readFile(expectedFile)));
}

// ======================================================================

void TestRtf::helpFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &n : kHelpFiles)
        QTest::newRow(qPrintable(n)) << n;
}

void TestRtf::helpFiles()
{
    QFETCH(QString, name);
    const QByteArray data = readFile(kHelpSource + QLatin1Char('/') + name);

    // Real RTF in Windows-1252 with font and colour tables, 7-bit clean.
    QVERIFY(data.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY(data.contains("{\\fonttbl"));
    QVERIFY(data.contains("{\\colortbl"));
    for (const char c : data)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
    QVERIFY(data.contains("\\'e4") || data.contains("\\'f6") || data.contains("\\'fc"));

    const Doc d(data);
    const QString text = d.text();
    QVERIFY2(text.size() > 800, qPrintable(QString::number(text.size())));
    static const QRegularExpression umlaut(QStringLiteral("[äöüÄÖÜß]"));
    QVERIFY(text.count(umlaut) >= 5);
    QVERIFY(!text.contains(QLatin1Char('\\')));
    QVERIFY(!text.contains(QLatin1Char('{')));
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QVERIFY(text.contains(QLatin1String("Hilfe")));

    // The title: bold, larger than the body text, coloured.
    const QString title = d.blocks().value(0);
    QVERIFY(!title.isEmpty());
    const QTextCharFormat titleFormat = d.format(title);
    const QTextCharFormat bodyFormat = d.format(d.blocks().value(1).left(20));
    QVERIFY(titleFormat.fontWeight() >= QFont::Bold);
    QVERIFY(titleFormat.fontPointSize() > bodyFormat.fontPointSize() + 2);
    QVERIFY(titleFormat.foreground().color() != QColor(Qt::black));
    QVERIFY(bodyFormat.fontWeight() < QFont::Bold);
    QCOMPARE(titleFormat.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));

    // Headings and at least one list.
    int headings = 0;
    for (QTextBlock b = d.doc.begin(); b.isValid(); b = b.next()) {
        const QTextCharFormat f = d.format(b.text(), false);
        if (b.blockNumber() > 0 && f.fontWeight() >= QFont::Bold && f.fontPointSize() > bodyFormat.fontPointSize())
            ++headings;
    }
    QVERIFY(headings >= 2);
    QVERIFY(text.contains(QStringLiteral("•\t")));

    // The build stages the very same file beside the program.
    QCOMPARE(readFile(Places::helpFile(name)), data);
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
