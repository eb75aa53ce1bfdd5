// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Random.h"

#include <QSet>
#include <QTest>

#include <cmath>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    // Every draw lies in [0, 1), and the positions the practice draws from
    // it (floor(n * r) + 1) cover 1 .. n evenly.
    void drawsAreUniformInTheHalfOpenInterval()
    {
        Random::seed(7);
        constexpr int n = 10, draws = 100000;
        int hits[n] = {};
        for (int i = 0; i < draws; ++i) {
            const double r = Random::next();
            QVERIFY(r >= 0.0 && r < 1.0);
            ++hits[int(std::floor(n * r))];
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
};

QTEST_APPLESS_MAIN(TestRandom)
#include "tst_random.moc"
