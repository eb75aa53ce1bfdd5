// SPDX-License-Identifier: GPL-3.0-or-later
// Writes to a database as another program would.
//   store_writer <file>         commits 1000 cards, then writes 50000 more in
//                               one transaction and says "writing" on stdout
//                               half-way, so a test can kill it there
//   store_writer <file> <sql>   runs one statement and ends
#include "store/Engine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    try {
        auto db = store::Database::open(QString::fromLocal8Bit(argv[1]));
        if (argc > 2) {
            db->execute(QString::fromLocal8Bit(argv[2]));
            return 0;
        }
        db->beginTrans();
        for (int i = 0; i < 1000; ++i)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('c%1', 1)").arg(i));
        db->commitTrans();
        db->beginTrans();
        for (int i = 0; i < 50000; ++i) {
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('w%1', 1)").arg(i));
            if (i == 25000) {
                std::puts("writing");
                std::fflush(stdout);
            }
        }
        db->commitTrans();
    } catch (const store::Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
