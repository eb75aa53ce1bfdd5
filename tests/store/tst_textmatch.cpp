// SPDX-License-Identifier: GPL-3.0-or-later
// The word-start test that the dictionary's search runs inside SQLite, on
// the UTF-8 bytes SQLite hands over.

#include "store/TextMatch.h"

#include <QtTest>

class TestTextMatch : public QObject
{
    Q_OBJECT

private slots:
    void wordStart_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<bool>("expected");
        QTest::newRow("letter case") << QByteArray(" house - Haus - 1") << QByteArray("HAUS") << true;
        QTest::newRow("past the end") << QByteArray(" house - Haus - 1") << QByteArray("12") << false;
        QTest::newRow("Kelvin sign folds to k") << QByteArray(" \xe2\x84\xaailo - x - 1") << QByteArray("kilo") << true;
        // Broken sequences are compared byte by byte and never skip a byte.
        QTest::newRow("cut sequence") << QByteArray(" ab\xc3") << QByteArray("ab\xc3") << true;
        QTest::newRow("lone continuation") << QByteArray(" \x80x - y") << QByteArray("\x80x") << true;
        QTest::newRow("needle longer than line") << QByteArray(" ab") << QByteArray("abc") << false;
    }
    void wordStart()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, needle);
        QFETCH(bool, expected);
        QCOMPARE(store::hasWordStart(line.constData(), int(line.size()), needle.constData(), int(needle.size())),
                 expected);
    }
};

QTEST_APPLESS_MAIN(TestTextMatch)
#include "tst_textmatch.moc"
