// SPDX-License-Identifier: GPL-3.0-or-later
// Adds one card to each of the tables tEnglisch and tSpanisch per
// transaction, N times, and says "writing" once the first is committed, so
// a test can copy the file while it changes.
//   pair_writer <database file> <N>
#include "store/Engine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    try {
        auto db = store::Database::open(QString::fromLocal8Bit(argv[1]));
        const int n = QString::fromLocal8Bit(argv[2]).toInt();
        for (int i = 0; i < n; ++i) {
            db->beginTrans();
            for (const char *table : {"tEnglisch", "tSpanisch"})
                db->execute(QStringLiteral("INSERT INTO %1 (FVok, MVok, Fach) VALUES (?, ?, 2)").arg(QLatin1String(table)),
                            {QStringLiteral("p%1").arg(i), QStringLiteral("P%1").arg(i)});
            db->commitTrans();
            if (i == 0) {
                std::puts("writing");
                std::fflush(stdout);
            }
        }
    } catch (const store::Error &e) {
        std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
        return 1;
    }
    return 0;
}
