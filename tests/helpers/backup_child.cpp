// SPDX-License-Identifier: GPL-3.0-or-later
// Makes backups of a database one after the other, for ever, keeping the
// two newest, and names each step of each backup and each removal on
// stdout as it is reached, so a test can kill it at any point.
//   backup_child <database file> <backup folder>
#include "store/BackupCopy.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString database = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    BackupCopy::setStepHook([](const char *step) {
        std::puts(step);
        std::fflush(stdout);
    });
    try {
        for (;;) {
            BackupCopy::make(database, folder, QDateTime::currentDateTime());
            BackupCopy::remove(BackupCopy::list(folder).mid(2));
        }
    } catch (const store::Error &e) {
        std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
        return 1;
    }
}
