// SPDX-License-Identifier: GPL-3.0-or-later
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
    void text(const QPointF &at, const QString &t, const QFont &, const QColor &) override
    {
        texts << Drawn{page, side, at, t};
    }
    void line(const QLineF &) override { linePages << page; }
    qreal textWidth(const QString &t, const QFont &) override { return 2.0 * qreal(t.size()); }
    qreal textHeight(const QFont &f) override { return f.pointSizeF() / 2; }

    Drawn find(const QString &t) const
    {
        for (const Drawn &d : texts)
            if (d.text == t)
                return d;
        return Drawn{0, Side::Fronts, {}, {}};
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

    // Default layout: the right margin is 52; backs are the fronts mirrored,
    // after the question, on sheets of their own.
    void pagesRasterAndTheQuestionInOrder()
    {
        RecordingSheets sheets;
        Job job = jobOf(11);
        job.raster = true;
        Hooks hooks;
        hooks.turnOver = [&sheets] { return sheets.events << "question", true; };
        QVERIFY(print(job, sheets, hooks));
        QCOMPARE(sheets.events, (QStringList{"fronts", "page", "end", "question", "backs", "page", "end", "finish"}));
        // card, page of its front, front, back
        for (const auto &[card, page, front, back] :
             {std::tuple{1, 1, QPointF(89, 17), QPointF(57, 17)}, std::tuple{10, 2, QPointF(15, 17), QPointF(131, 17)}}) {
            QCOMPARE(sheets.find(QStringLiteral("F%1").arg(card)).at, front);
            QCOMPARE(sheets.find(QStringLiteral("fs%1").arg(card)).at, front + QPointF(0, 15));
            QCOMPARE(sheets.find(QStringLiteral("M%1").arg(card)).at, back);
            QCOMPARE(sheets.find(QStringLiteral("ms%1").arg(card)).at, back + QPointF(0, 15));
            QCOMPARE(sheets.find(QStringLiteral("F%1").arg(card)).page, page);
            QCOMPARE(sheets.find(QStringLiteral("M%1").arg(card)).page, page + 2);
        }
        // The raster on each front page, before its cards; none on the backs.
        QCOMPARE(sheets.linePages, QList<int>(9, 1) + QList<int>(9, 2));
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
