// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader of the help viewer (Rtf::toHtml), checked through what Qt
// makes of its output: every test loads the HTML into a QTextDocument and
// reads text and character formats from there, never the HTML itself.
//
// Samples written by other programs lie in tests/data/rtf (see its README);
// damaged and hostile inputs lie in tests/data/rtf/regress.
#include "core/Places.h"
#include "text/RtfToHtml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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
    // Format of the last character of the first occurrence of `what`.
    QTextCharFormat format(const QString &what) const { return doc.find(what).charFormat(); }
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
    void text_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const QByteArray &input, const QString &expected) {
            QTest::newRow(name) << input << expected;
        };
        row("unicode", rtf("\\u228?\\u8364?x\\u-4?\\u-3?\\u246\\'f6n"), "ä€x\uFFFC\uFFFDön");
        row("uc skips", rtf("{\\uc3 \\u228 abcd}\\u228 ef{\\uc2\\u228\\'61\\'62c}\\uc0\\u228 ab"), "ädäfäcäab");
        row("surrogate pair", rtf("\\uc1\\u-10179?\\u-8704?!"), "😀!");
        // \bin data is skipped even when it holds braces and backslashes.
        row("bin holds braces", rtf("A{\\pict\\bin6 }}}\\{{ B}C\\bin3 {\\}D"), "ACD");
        row("empty", QByteArray(), "");
        // Not RTF: shown as plain text, line by line.
        row("plain Latin-1 with controls", QByteArray("Gr\xf6\xdf" "e \x80\x01\x02", 9), "Größe €");
        row("RTF after BOM and blanks", "\xEF\xBB\xBF \r\n{\\rtf1 x}", "x");
        // Inputs that once crashed, hung or misbehaved; where a .txt lies
        // beside a file, it holds the exact text.
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

    void text()
    {
        // The row's input converts and, unless the row gives no text, to
        // exactly that text.
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        const Doc d(input);
        if (!expected.isNull())
            QCOMPARE(d.text(), expected);
    }

    void fontsThatMustNotBreakOut()
    {
        // Absurd sizes are capped; a font name cannot break out of the style
        // attribute.
        QCOMPARE(Doc(rtf("\\fs99999999999999999999999999999999\\f77 max")).format("max").fontPointSize(), 144.0);
        const Doc evil("{\\rtf1{\\fonttbl{\\f0 Evil'; color:red\" onload=\"x;}}\\f0 Text}");
        QVERIFY(!evil.format("Text").hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(evil.text(), QStringLiteral("Text"));
    }

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

    void helpFiles()
    {
        // Every shipped help file converts to text without markup left
        // behind, and the build stages the very same file beside the program.
        const QDir dir(QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/help"));
        const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files);
        QVERIFY(files.size() >= 10);
        static const QRegularExpression leftovers(QStringLiteral("[\\\\{\uFFFD]"));
        for (const QString &name : files) {
            const QByteArray data = readFile(dir.filePath(name));
            const QString text = Doc(data).text();
            QVERIFY2(text.size() > 800 && !text.contains(leftovers), qPrintable(name));
            QCOMPARE(readFile(Places::helpFile(name)), data);
        }
    }
};

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
