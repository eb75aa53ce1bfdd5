// The card grid's arithmetic and the printing of fronts and backs, drawn on
// sheets that record every page, text and line with fixed-pitch metrics:
// every character is 2 mm wide, a line of type is as high as its points / 2.

#include "print/CardPrint.h"
#include "print/PrintLayout.h"

#include <QTest>

using namespace CardPrint;

namespace {

struct Drawn
{
    int page = 0; // counted over the whole run
    Side side = Side::Fronts;
    QPointF at;
    QString text;
    QFont font;
    QColor colour;
};

class RecordingSheets : public Sheets
{
public:
    QStringList events; // "fronts", "page", "end fronts", "backs", "end backs", "finish"
    QList<Drawn> texts;
    QList<QPair<int, QLineF>> lines;
    int page = 0;
    Side side = Side::Fronts;

    bool beginSide(Side s) override
    {
        side = s;
        ++page;
        events << (s == Side::Fronts ? QStringLiteral("fronts") : QStringLiteral("backs"));
        return true;
    }
    void newPage() override
    {
        ++page;
        events << QStringLiteral("page");
    }
    void endSide(Side s) override { events << (s == Side::Fronts ? QStringLiteral("end fronts") : QStringLiteral("end backs")); }
    void finish() override { events << QStringLiteral("finish"); }
    void text(const QPointF &at, const QString &t, const QFont &f, const QColor &c) override
    {
        texts << Drawn{page, side, at, t, f, c};
    }
    void line(const QLineF &l) override { lines << qMakePair(page, l); }
    qreal textWidth(const QString &t, const QFont &) override { return 2.0 * qreal(t.size()); }
    qreal textHeight(const QFont &f) override { return f.pointSizeF() / 2; }

    int pagesOf(Side s) const
    {
        QSet<int> pages;
        for (const Drawn &d : texts)
            if (d.side == s)
                pages << d.page;
        return int(pages.size());
    }
    const Drawn *find(const QString &t, Side s) const
    {
        for (const Drawn &d : texts)
            if (d.text == t && d.side == s)
                return &d;
        return nullptr;
    }
};

Job jobOf(int cards)
{
    Job job;
    job.foreignFont = QStringLiteral("DejaVu Serif");
    job.nativeFont = QStringLiteral("DejaVu Sans");
    job.foreignColour = QColor(200, 0, 0);
    job.nativeColour = QColor(0, 0, 160);
    for (int i = 0; i < cards; ++i)
        job.cards.push_back({QStringLiteral("F%1").arg(i), QStringLiteral("fs%1").arg(i), QStringLiteral("M%1").arg(i),
                             QStringLiteral("ms%1").arg(i)});
    return job;
}

qreal charWidth(const QString &s)
{
    return 2.0 * qreal(s.size());
}

} // namespace

class TestCardPrint : public QObject
{
    Q_OBJECT

private slots:
    void checksOfTheGrid_data()
    {
        QTest::addColumn<QList<int>>("values"); // left, top, width, height, xGap, yGap
        QTest::addColumn<bool>("widthFits");
        QTest::addColumn<bool>("heightFits");
        QTest::newRow("defaults: 158 wide, 270 high") << QList<int>{10, 10, 74, 52, 0, 0} << true << true;
        QTest::newRow("exactly 210 wide") << QList<int>{49, 10, 80, 52, 1, 0} << true << true;
        QTest::newRow("211 wide") << QList<int>{50, 10, 80, 52, 1, 0} << false << true;
        QTest::newRow("294 high") << QList<int>{10, 14, 74, 56, 0, 0} << true << true;
        QTest::newRow("295 high") << QList<int>{10, 15, 74, 56, 0, 0} << true << false;
        QTest::newRow("five row gaps count") << QList<int>{10, 10, 74, 52, 0, 5} << true << false;
    }
    void checksOfTheGrid()
    {
        QFETCH(QList<int>, values);
        QFETCH(bool, widthFits);
        QFETCH(bool, heightFits);
        PrintLayout l{std::int16_t(values[0]), std::int16_t(values[1]), std::int16_t(values[2]),
                      std::int16_t(values[3]), std::int16_t(values[4]), std::int16_t(values[5])};
        QCOMPARE(l.widthFits(), widthFits);
        QCOMPARE(l.heightFits(), heightFits);
    }

    void outOfRangeValuesAreReplaced_data()
    {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QList<int>>("loaded");
        QTest::newRow("in range") << QList<int>{0, 50, 100, 30, 50, 50} << QList<int>{0, 50, 100, 30, 50, 50};
        QTest::newRow("card width 120, row gap 60") << QList<int>{10, 10, 120, 52, 0, 60}
                                                    << QList<int>{10, 10, 74, 52, 0, 10};
        QTest::newRow("all out") << QList<int>{-1, 51, 49, 61, 51, -1} << QList<int>{10, 10, 74, 52, 0, 10};
    }
    void outOfRangeValuesAreReplaced()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, loaded);
        const PrintLayout in{std::int16_t(stored[0]), std::int16_t(stored[1]), std::int16_t(stored[2]),
                             std::int16_t(stored[3]), std::int16_t(stored[4]), std::int16_t(stored[5])};
        const PrintLayout out = in.replacedOutOfRange();
        QCOMPARE((QList<int>{out.left, out.top, out.width, out.height, out.xGap, out.yGap}), loaded);
    }

    void rasterOutlinesEveryCard_data()
    {
        QTest::addColumn<int>("xGap");
        QTest::addColumn<int>("yGap");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::newRow("no gaps") << 0 << 0 << 6 << 3;
        QTest::newRow("both gaps") << 4 << 3 << 10 << 4;
        QTest::newRow("column gap only") << 4 << 0 << 6 << 4;
    }
    void rasterOutlinesEveryCard()
    {
        QFETCH(int, xGap);
        QFETCH(int, yGap);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        PrintLayout l;
        l.xGap = std::int16_t(xGap);
        l.yGap = std::int16_t(yGap);
        int h = 0, v = 0;
        for (const QLineF &line : l.raster()) {
            if (line.y1() == line.y2()) {
                ++h;
                QCOMPARE(line.x1(), 10.0);
                QCOMPARE(line.x2(), 10.0 + 148 + xGap);
            } else {
                ++v;
                QCOMPARE(line.y2() - line.y1(), 5.0 * 52 + 4 * yGap);
            }
        }
        QCOMPARE(h, horizontal);
        QCOMPARE(v, vertical);
        // Every card's edges are among the lines.
        for (int k = 0; k < 10; ++k) {
            const QRect c = l.card(k);
            bool top = false, bottom = false;
            for (const QLineF &line : l.raster()) {
                top = top || (line.y1() == line.y2() && line.y1() == c.top());
                bottom = bottom || (line.y1() == line.y2() && line.y1() == c.top() + c.height());
            }
            QVERIFY2(top && bottom, qPrintable(QString::number(k)));
        }
    }

    void fitsTextsIntoLines_data()
    {
        // Inner width 64 mm = 32 characters of the recording metrics.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("short, trimmed") << QStringLiteral("  the house ") << QStringList{QStringLiteral("the house")};
        QTest::newRow("empty") << QStringLiteral("   ") << QStringList{};
        QTest::newRow("three lines") << QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeeeeeeeee")
                                     << QStringList{QStringLiteral("aaaaaaaaaa bbbbbbbbbb "),
                                                    QStringLiteral("cccccccccc dddddddddd "),
                                                    QStringLiteral("eeeeeeeeee")};
        QTest::newRow("a last word of one letter is printed")
            << QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc x")
            << QStringList{QStringLiteral("aaaaaaaaaa bbbbbbbbbb "), QStringLiteral("cccccccccc x")};
        QTest::newRow("a word too wide stays on the first line")
            << QStringLiteral("Donaudampfschifffahrtsgesellschaft")
            << QStringList{QStringLiteral("Donaudampfschifffahrtsgesellschaft")};
        QTest::newRow("a word too wide after a short one")
            << QStringLiteral("die Donaudampfschifffahrtsgesellschaft")
            << QStringList{QStringLiteral("die "), QStringLiteral("Donaudampfschifffahrtsgesellschaft")};
        QTest::newRow("at least as wide breaks") // "aaaaaaaaaaaaaaa bbbbbbbbbbbbbbb" is 31, + blank 32
            << QStringLiteral("aaaaaaaaaaaaaaa bbbbbbbbbbbbbbb c")
            << QStringList{QStringLiteral("aaaaaaaaaaaaaaa "), QStringLiteral("bbbbbbbbbbbbbbb c")};
        QTest::newRow("a sixth line is cut visibly")
            << QStringLiteral("aaaaaaaaaaaaaaaaaaaa 1 bbbbbbbbbbbbbbbbbbbb 2 cccccccccccccccccccc 3 "
                              "dddddddddddddddddddd 4 eeeeeeeeeeeeeeeeeeee 5 ffffffffffffffffffff 6")
            << QStringList{QStringLiteral("aaaaaaaaaaaaaaaaaaaa 1 "), QStringLiteral("bbbbbbbbbbbbbbbbbbbb 2 "),
                           QStringLiteral("cccccccccccccccccccc 3 "), QStringLiteral("dddddddddddddddddddd 4 "),
                           QStringLiteral("eeeeeeeeeeeeeeeeeeee 5…")};
        const QString w31(31, QLatin1Char('w'));
        QTest::newRow("a cut fifth line is shortened to hold the mark")
            << QStringList(6, w31).join(QLatin1Char(' '))
            << (QStringList(4, w31 + QLatin1Char(' ')) << QString(30, QLatin1Char('w')) + QStringLiteral("…"));
    }
    void fitsTextsIntoLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(fitLines(text, 64, charWidth), lines);
    }

    // Default layout: R = 52; fronts from the left margin, backs mirrored.
    void originsOfFrontsAndBacks_data()
    {
        QTest::addColumn<int>("card");
        QTest::addColumn<QPointF>("front");
        QTest::addColumn<QPointF>("back");
        QTest::newRow("card 0") << 0 << QPointF(15, 17) << QPointF(131, 17);
        QTest::newRow("card 1") << 1 << QPointF(89, 17) << QPointF(57, 17);
        QTest::newRow("card 9") << 9 << QPointF(89, 225) << QPointF(57, 225);
        QTest::newRow("card 10, next sheet") << 10 << QPointF(15, 17) << QPointF(131, 17);
    }
    void originsOfFrontsAndBacks()
    {
        QFETCH(int, card);
        QFETCH(QPointF, front);
        QFETCH(QPointF, back);
        RecordingSheets sheets;
        Job job = jobOf(11);
        QVERIFY(print(job, sheets, {}));
        const Drawn *f = sheets.find(QStringLiteral("F%1").arg(card), Side::Fronts);
        const Drawn *fs = sheets.find(QStringLiteral("fs%1").arg(card), Side::Fronts);
        const Drawn *m = sheets.find(QStringLiteral("M%1").arg(card), Side::Backs);
        const Drawn *ms = sheets.find(QStringLiteral("ms%1").arg(card), Side::Backs);
        QVERIFY(f && fs && m && ms);
        QCOMPARE(f->at, front);
        QCOMPARE(fs->at, front + QPointF(0, 15));
        QCOMPARE(m->at, back);
        QCOMPARE(ms->at, back + QPointF(0, 15));
        // A back's cell is the mirror image of its front's cell.
        const PrintLayout l;
        QCOMPARE(210 - (back.x() - 5 + l.width), front.x() - 5);
    }

    void fontsAndColoursBySide()
    {
        RecordingSheets sheets;
        const Job job = jobOf(1);
        print(job, sheets, {});
        const Drawn *word = sheets.find(QStringLiteral("F0"), Side::Fronts);
        const Drawn *sentence = sheets.find(QStringLiteral("fs0"), Side::Fronts);
        const Drawn *back = sheets.find(QStringLiteral("M0"), Side::Backs);
        const Drawn *backSentence = sheets.find(QStringLiteral("ms0"), Side::Backs);
        QCOMPARE(word->font.families().value(0), job.foreignFont);
        QCOMPARE(word->font.pointSizeF(), 14.0);
        QVERIFY(word->font.bold());
        QCOMPARE(sentence->font.pointSizeF(), 10.0);
        QVERIFY(!sentence->font.bold());
        QCOMPARE(word->colour, job.foreignColour);
        QCOMPARE(back->font.families().value(0), job.nativeFont);
        QVERIFY(back->font.bold());
        QVERIFY(!backSentence->font.bold());
        QCOMPARE(backSentence->colour, job.nativeColour);
    }

    void pagesAndTheQuestionInOrder()
    {
        RecordingSheets sheets;
        QStringList *events = &sheets.events;
        Hooks hooks;
        hooks.turnOver = [events] {
            *events << QStringLiteral("question");
            return true;
        };
        QVERIFY(print(jobOf(11), sheets, hooks));
        QCOMPARE(sheets.events, (QStringList{"fronts", "page", "end fronts", "question", "backs", "page",
                                             "end backs", "finish"}));
        QCOMPARE(sheets.pagesOf(Side::Fronts), 2);
        QCOMPARE(sheets.pagesOf(Side::Backs), 2);
        QCOMPARE(sheets.find(QStringLiteral("F10"), Side::Fronts)->page, 2);
        QCOMPARE(sheets.find(QStringLiteral("M10"), Side::Backs)->page, 4);
    }

    void cancelAtTheQuestionPrintsNoBacks()
    {
        RecordingSheets sheets;
        Hooks hooks;
        hooks.turnOver = [] { return false; };
        QVERIFY(!print(jobOf(3), sheets, hooks));
        QCOMPARE(sheets.pagesOf(Side::Backs), 0);
        QCOMPARE(sheets.events.last(), QStringLiteral("finish"));
    }

    void noCardsPrintNothing()
    {
        RecordingSheets sheets;
        bool asked = false;
        Hooks hooks;
        hooks.turnOver = [&asked] { return asked = true; };
        QVERIFY(print(jobOf(0), sheets, hooks));
        QVERIFY(sheets.events.isEmpty());
        QVERIFY(!asked);
    }

    void rasterOnEachFrontPageOnly_data()
    {
        QTest::addColumn<bool>("raster");
        QTest::addColumn<int>("linesPerFrontPage");
        QTest::newRow("ticked") << true << 9;
        QTest::newRow("not ticked") << false << 0;
    }
    void rasterOnEachFrontPageOnly()
    {
        QFETCH(bool, raster);
        QFETCH(int, linesPerFrontPage);
        RecordingSheets sheets;
        Job job = jobOf(11);
        job.raster = raster;
        print(job, sheets, {});
        QMap<int, int> perPage;
        for (const auto &l : sheets.lines)
            ++perPage[l.first];
        QCOMPARE(perPage.value(1), linesPerFrontPage);
        QCOMPARE(perPage.value(2), linesPerFrontPage);
        QCOMPARE(perPage.value(3) + perPage.value(4), 0);
    }

    void longTextsTakeLinesOfTheirOwnHeight()
    {
        RecordingSheets sheets;
        Job job = jobOf(0);
        job.cards.push_back({QStringLiteral("Haus"),
                             QStringLiteral("aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeeeeeeeee"),
                             QString(), QString()});
        print(job, sheets, {});
        QList<QPointF> sentence;
        for (const Drawn &d : sheets.texts)
            if (d.side == Side::Fronts && d.text != QStringLiteral("Haus"))
                sentence << d.at;
        // The word fits in one line; the sentence's three lines are spaced
        // by the 10-point line height (5 mm in the recording metrics).
        QCOMPARE(sentence, (QList<QPointF>{{15, 32}, {15, 37}, {15, 42}}));
        // Nothing is drawn for the empty back texts.
        QCOMPARE(sheets.pagesOf(Side::Backs), 0);
    }

    void progressCanStopTheRun()
    {
        RecordingSheets sheets;
        QList<qsizetype> seen;
        Hooks hooks;
        hooks.progress = [&seen](qsizetype done, qsizetype total) {
            seen << done;
            return !(done == 5 && total == 24);
        };
        QVERIFY(!print(jobOf(12), sheets, hooks));
        QCOMPARE(seen.last(), 5);
        QCOMPARE(sheets.events.last(), QStringLiteral("finish"));
        QVERIFY(!sheets.find(QStringLiteral("F5"), Side::Fronts));
    }
};

QTEST_MAIN(TestCardPrint)
#include "tst_cardprint.moc"
