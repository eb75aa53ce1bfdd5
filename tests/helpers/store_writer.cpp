// SPDX-License-Identifier: GPL-3.0-or-later
// Writes many rows in one transaction and says so on stdout half-way, so a
// test can kill it in the middle of the write.
#include "store/Engine.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    auto db = store::Database::open(QString::fromLocal8Bit(argv[1]));
    db->beginTrans();
    for (int i = 0; i < 50000; ++i) {
        db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('w%1', 1)").arg(i));
        if (i == 25000) {
            std::puts("writing");
            std::fflush(stdout);
        }
    }
    db->commitTrans();
    return 0;
}
