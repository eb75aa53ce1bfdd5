// Printing fronts and backs, drawn on sheets that record every page, text
// and line, with fixed-pitch metrics: a character is 2 mm wide, a line of
// type half its points high.

#include "print/CardPrint.h"

#include <QTest>

#include <tuple>

using namespace CardPrint;

namespace {

struct Drawn
{
    int page;
    Side side;
    QPointF at;
    QString text;
    QFont font;
    QColor colour;
};

struct RecordingSheets : Sheets
{
    QStringList events;
    QList<Drawn> texts;
    QList<int> linePages;
    int page = 0;
    Side side = Side::Fronts;

    bool beginSide(Side s) override
    {
        side = s;
        ++page;
        events << (s == Side::Fronts ? "fronts" : "backs");
        return true;
    }
    void newPage() override { ++page, events << "page"; }
    void endSide(Side) override { events << "end"; }
    void finish() override { events << "finish"; }
    void text(const QPointF &at, const QString &t, const QFont &f, const QColor &c) override
    {
        texts << Drawn{page, side, at, t, f, c};
    }
    void line(const QLineF &) override { linePages << page; }
    qreal textWidth(const QString &t, const QFont &) override { return 2.0 * qreal(t.size()); }
    qreal textHeight(const QFont &f) override { return f.pointSizeF() / 2; }

    Drawn find(const QString &t) const
    {
        for (const Drawn &d : texts)
            if (d.text == t)
                return d;
        return Drawn{0, Side::Fronts, {}, {}, {}, {}};
    }
};

Job jobOf(int cards)
{
    Job job{{}, false, QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans"), QColor(200, 0, 0), QColor(0, 0, 160), {}};
    for (int i = 0; i < cards; ++i)
        job.cards.push_back({QStringLiteral("F%1").arg(i), QStringLiteral("fs%1").arg(i), QStringLiteral("M%1").arg(i),
                             QStringLiteral("ms%1").arg(i)});
    return job;
}

} // namespace

class TestCardPrint : public QObject
{
    Q_OBJECT

private slots:
    // Every card's edges lie on the raster; gaps double the inner lines.
    void rasterOutlinesEveryCard()
    {
        // xGap, yGap, distinct horizontal and vertical lines
        for (const auto &[xGap, yGap, horizontal, vertical] : {std::tuple{0, 0, 6, 3}, std::tuple{4, 3, 10, 4}}) {
            PrintLayout l;
            l.xGap = std::int16_t(xGap);
            l.yGap = std::int16_t(yGap);
            QSet<qreal> rows, columns;
            for (const QLineF &line : l.raster())
                line.y1() == line.y2() ? void(rows << line.y1()) : void(columns << line.x1());
            QCOMPARE(int(rows.size()), horizontal);
            QCOMPARE(int(columns.size()), vertical);
            for (int k = 0; k < 10; ++k) {
                const QRect c = l.card(k);
                QVERIFY(rows.contains(c.top()) && rows.contains(c.top() + c.height()));
                QVERIFY(columns.contains(c.left()) && columns.contains(c.left() + c.width()));
            }
        }
    }

    void fitsTextsIntoLines_data()
    {
        // Inner width 64 mm: 32 characters.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        const QString w31(31, QLatin1Char('w'));
        QTest::newRow("short, trimmed") << QStringLiteral("  the house ") << QStringList{"the house"};
        QTest::newRow("blank") << QStringLiteral("   ") << QStringList{};
        QTest::newRow("a last word of one letter") << QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc x")
                                                   << QStringList{"aaaaaaaaaa bbbbbbbbbb ", "cccccccccc x"};
        QTest::newRow("a word too wide stays on the first line")
            << QStringLiteral("Donaudampfschifffahrtsgesellschaft") << QStringList{"Donaudampfschifffahrtsgesellschaft"};
        QTest::newRow("as wide as the card breaks") << QStringLiteral("aaaaaaaaaaaaaaa bbbbbbbbbbbbbbb c")
                                                    << QStringList{"aaaaaaaaaaaaaaa ", "bbbbbbbbbbbbbbb c"};
        QTest::newRow("a sixth line is cut visibly")
            << QStringLiteral("aaaaaaaaaaaaaaaaaaaa 1 bbbbbbbbbbbbbbbbbbbb 2 cccccccccccccccccccc 3 dddddddddddddddddddd 4 "
                              "eeeeeeeeeeeeeeeeeeee 5 ffffffffffffffffffff 6")
            << QStringList{"aaaaaaaaaaaaaaaaaaaa 1 ", "bbbbbbbbbbbbbbbbbbbb 2 ", "cccccccccccccccccccc 3 ",
                           "dddddddddddddddddddd 4 ", "eeeeeeeeeeeeeeeeeeee 5…"};
        QTest::newRow("a full fifth line makes room for the mark")
            << QStringList(6, w31).join(QLatin1Char(' '))
            << (QStringList(4, w31 + QLatin1Char(' ')) << QString(30, QLatin1Char('w')) + QStringLiteral("…"));
    }
    void fitsTextsIntoLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(fitLines(text, 64, [](const QString &s) { return 2.0 * qreal(s.size()); }), lines);
    }

    // Default layout: the right margin is 52; backs are the fronts mirrored.
    void originsOfFrontsAndBacks_data()
    {
        QTest::addColumn<int>("card");
        QTest::addColumn<QPointF>("front");
        QTest::addColumn<QPointF>("back");
        QTest::newRow("card 0") << 0 << QPointF(15, 17) << QPointF(131, 17);
        QTest::newRow("card 1") << 1 << QPointF(89, 17) << QPointF(57, 17);
        QTest::newRow("card 9") << 9 << QPointF(89, 225) << QPointF(57, 225);
        QTest::newRow("card 10, second sheet") << 10 << QPointF(15, 17) << QPointF(131, 17);
    }
    void originsOfFrontsAndBacks()
    {
        QFETCH(int, card);
        QFETCH(QPointF, front);
        QFETCH(QPointF, back);
        RecordingSheets sheets;
        const Job job = jobOf(11);
        QVERIFY(print(job, sheets, {}));
        // Fronts in the foreign language's font and colour, backs in the native.
        for (const Drawn &d : sheets.texts) {
            const bool onFront = d.side == Side::Fronts;
            QCOMPARE(d.font.families().value(0), onFront ? job.foreignFont : job.nativeFont);
            QCOMPARE(d.colour, onFront ? job.foreignColour : job.nativeColour);
        }
        QCOMPARE(sheets.find(QStringLiteral("F%1").arg(card)).at, front);
        QCOMPARE(sheets.find(QStringLiteral("fs%1").arg(card)).at, front + QPointF(0, 15));
        QCOMPARE(sheets.find(QStringLiteral("M%1").arg(card)).at, back);
        QCOMPARE(sheets.find(QStringLiteral("ms%1").arg(card)).at, back + QPointF(0, 15));
    }

    void pagesRasterAndTheQuestionInOrder()
    {
        RecordingSheets sheets;
        Job job = jobOf(11);
        job.raster = true;
        Hooks hooks;
        hooks.turnOver = [&sheets] { return sheets.events << "question", true; };
        QVERIFY(print(job, sheets, hooks));
        QCOMPARE(sheets.events, (QStringList{"fronts", "page", "end", "question", "backs", "page", "end", "finish"}));
        QCOMPARE(sheets.find(QStringLiteral("F10")).page, 2);
        QCOMPARE(sheets.find(QStringLiteral("M10")).page, 4);
        // The raster on each front page, before its cards; none on the backs.
        QCOMPARE(sheets.linePages, QList<int>(9, 1) + QList<int>(9, 2));
    }

    void longTextsTakeLinesOfTheirOwnHeight()
    {
        RecordingSheets sheets;
        Job job = jobOf(0);
        job.cards.push_back({QStringLiteral("Haus"), QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeeeeeeeee"),
                             QStringLiteral("x"), QString()});
        print(job, sheets, {});
        QList<QPointF> sentence;
        for (const Drawn &d : sheets.texts)
            if (d.side == Side::Fronts && d.text != QStringLiteral("Haus"))
                sentence << d.at;
        QCOMPARE(sentence, (QList<QPointF>{{15, 32}, {15, 37}, {15, 42}}));
        QCOMPARE(sheets.texts.size(), 5); // nothing for the empty back sentence
    }

    void progressCanStopTheRun()
    {
        RecordingSheets sheets;
        qsizetype last = 0;
        Hooks hooks;
        hooks.progress = [&last](qsizetype done, qsizetype total) { return last = done, !(done == 5 && total == 24); };
        QVERIFY(!print(jobOf(12), sheets, hooks));
        QCOMPARE(last, 5);
        QCOMPARE(sheets.events.last(), QStringLiteral("finish"));
        QCOMPARE(sheets.texts.size(), 10);
    }
};

QTEST_MAIN(TestCardPrint)
#include "tst_cardprint.moc"
