// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup/Rotation.h"

#include <QTest>

namespace {

// "20260314-100000" or "20260314-100000-2" → the backup's file name.
QStringList names(const QStringList &stamps)
{
    QStringList out;
    for (const QString &s : stamps)
        out << (s.contains(QLatin1Char('.')) ? s : QStringLiteral("Vokabeln-") + s + QStringLiteral(".mdb"));
    return out;
}

} // namespace

class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void toDelete_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("deleted");
        const QDateTime saturday(QDate(2026, 3, 14), QTime(12, 0));

        QTest::newRow("nothing") << saturday << QStringList() << QStringList();
        QTest::newRow("two years-old backups stay") << saturday << names({"20200101-100000", "20200201-100000"})
                                                    << QStringList();
        QTest::newRow("never fewer than the three newest")
            << saturday << names({"20200101-100000", "20200201-100000", "20200301-100000", "20200401-100000", "20200501-100000"})
            << names({"20200101-100000", "20200201-100000"});
        QTest::newRow("the newest of each day")
            << saturday
            << names({"20260314-080000", "20260314-100000", "20260314-100000-2", "20260313-230000", "20260313-090000"})
            << names({"20260313-090000"});
        QTest::newRow("a backup each week")
            << saturday
            << names({"20260314-100000", "20260307-100000", "20260228-100000", "20260221-100000", "20260214-100000",
                      "20260207-100000", "20260131-100000", "20260124-100000", "20251215-100000", "20250430-100000",
                      "20250331-100000", "20240601-100000"})
            << names({"20260214-100000", "20260207-100000", "20260124-100000", "20250331-100000", "20240601-100000"});
        QTest::newRow("weeks from Monday, across the year")
            << QDateTime(QDate(2027, 1, 1), QTime(12, 0))
            << names({"20270101-080000", "20261228-090000", "20261227-090000", "20261226-090000", "20261220-090000",
                      "20261219-090000", "20261213-090000", "20261206-090000", "20261129-090000", "20261128-090000"})
            << names({"20261219-090000", "20261206-090000", "20261128-090000"});
        QTest::newRow("numbered backups of one second")
            << saturday
            << names({"20260314-090000", "20260314-100000", "20260314-100000-2", "20260314-100000-3", "20260314-100000-4"})
            << names({"20260314-090000", "20260314-100000"});
        QTest::newRow("a clock set back keeps the later ones")
            << saturday
            << names({"20200101-100000", "20200201-100000", "20200301-100000", "20200401-100000", "20260314-100000",
                      "20260501-100000", "20260601-100000"})
            << names({"20200101-100000", "20200201-100000", "20200301-100000", "20200401-100000"});
        QTest::newRow("only backups are touched")
            << saturday
            << names({"20200101-100000", "20200201-100000", "20200301-100000", "20200401-100000", "Vokabeln-alt.mdb",
                      "Vokabeln.mdb", "Vokabeln-20200101-100000.txt", "notizen.txt", "Vokabeln-20200101-100000-1.mdb",
                      "Vokabeln-20201301-100000.mdb"})
            << names({"20200101-100000"});
    }
    // Exactly which backups a folder keeps, for made-up sets of names.
    void toDelete()
    {
        QFETCH(QDateTime, now);
        QFETCH(QStringList, present);
        QFETCH(QStringList, deleted);
        QStringList got = Rotation::toDelete(present, now);
        got.sort();
        deleted.sort();
        QCOMPARE(got, deleted);
        // Rotating again after the deletion deletes nothing more.
        QStringList left = present;
        for (const QString &d : deleted)
            left.removeAll(d);
        QCOMPARE(Rotation::toDelete(left, now), QStringList());
    }

    // A year of daily backups settles at what the periods keep: 7 days,
    // the older weeks and the older months, however the days fall.
    void aYearOfDailyBackups()
    {
        QStringList present;
        QDateTime now(QDate(2026, 1, 1), QTime(20, 0));
        for (int day = 0; day < 400; ++day) {
            present << QStringLiteral("Vokabeln-%1-200000.mdb").arg(now.date().toString(QStringLiteral("yyyyMMdd")));
            for (const QString &d : Rotation::toDelete(present, now))
                present.removeAll(d);
            QVERIFY2(present.size() >= std::min(day + 1, 7) && present.size() <= 7 + 3 + 11, qPrintable(QString::number(present.size())));
            now = now.addDays(1);
        }
        // Then: each of the last 7 days, and each of the 11 months before
        // this one, still has its backup.
        const QDate today = now.addDays(-1).date();
        for (int d = 0; d < 7; ++d)
            QVERIFY(present.contains(QStringLiteral("Vokabeln-%1-200000.mdb")
                                         .arg(today.addDays(-d).toString(QStringLiteral("yyyyMMdd")))));
        for (int m = 1; m < 12; ++m) {
            const QString month = today.addMonths(-m).toString(QStringLiteral("yyyyMM"));
            QVERIFY2(!present.filter(QStringLiteral("Vokabeln-") + month).isEmpty(), qPrintable(month));
        }
    }
};

QTEST_MAIN(TestRotation)
#include "tst_rotation.moc"
