#include "core/Random.h"

#include <QSet>
#include <QTest>

#include <cmath>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Random::pinSeed(std::nullopt); }

    void aSeedGivesItsSequenceAgain()
    {
        QList<double> first;
        Random::seed(2024);
        for (int i = 0; i < 100; ++i)
            first << Random::next();
        Random::seed(2024);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(Random::next(), first[i]);
        Random::seed(2025);
        QVERIFY(Random::next() != first[0]);
    }

    // Every draw lies in [0, 1), and the positions the practice draws from
    // it (floor(n * r) + 1) cover 1 .. n evenly.
    void drawsAreUniformInTheHalfOpenInterval()
    {
        Random::seed(7);
        constexpr int n = 10;
        constexpr int draws = 100000;
        int hits[n] = {};
        for (int i = 0; i < draws; ++i) {
            const double r = Random::next();
            QVERIFY(r >= 0.0 && r < 1.0);
            const int k = int(std::floor(n * r)) + 1;
            QVERIFY(k >= 1 && k <= n);
            ++hits[k - 1];
        }
        double chiSquare = 0;
        for (const int h : hits)
            chiSquare += (h - draws / n) * double(h - draws / n) / (draws / n);
        // 9 degrees of freedom: 27.9 is the 0.1 % point.
        QVERIFY2(chiSquare < 27.9, qPrintable(QString::number(chiSquare)));
    }

    // Openings in quick succession, well within one second, each get an
    // order of their own.
    void clockSeedsDifferEvenWithinASecond()
    {
        QSet<double> firsts;
        for (int i = 0; i < 1000; ++i) {
            Random::seedFromClock();
            firsts.insert(Random::next());
        }
        QCOMPARE(firsts.size(), 1000);
    }

    void aPinnedSeedOverridesTheClock()
    {
        Random::pinSeed(5);
        Random::seedFromClock();
        const double a = Random::next();
        Random::seedFromClock();
        QCOMPARE(Random::next(), a);
        Random::seed(5);
        QCOMPARE(Random::next(), a);
        Random::pinSeed(std::nullopt);
        Random::seedFromClock();
        QVERIFY(Random::next() != a);
    }
};

QTEST_APPLESS_MAIN(TestRandom)
#include "tst_random.moc"
