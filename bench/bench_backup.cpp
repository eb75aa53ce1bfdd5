// SPDX-License-Identifier: GPL-3.0-or-later
// Times backups of a large database: the copy with its check, what the
// start-up comparison costs (the fingerprint of the whole content), and the
// longest the window's event loop waits while a backup runs on its thread
// and the learner goes on practising (one card stored every 100 ms), and a
// restore: the check of the backup (on a thread of its own in the window)
// and writing it into the open database.
//
//   bench_backup [folder] [sizes...]     default: /tmp 1000000
//   BENCH_KEEP=1 keeps the filled file and uses it again next time.

#include "BenchData.h"
#include "backup/BackupService.h"
#include "core/AppState.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <cstdio>

namespace {

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-backup-%1.mdb").arg(cards);
    const QString backups = folder + QStringLiteral("/bench-backup-%1-Sicherungen").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP")) {
        std::printf("fill: %.0f ms\n", msOf([&] {
                        fill(path, cards);
                        auto db = store::Database::open(path);
                        Catalogue::CreateCatalogueTable(*db);
                        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) "
                                                   "VALUES ('tEnglisch', 'Deutsch', 'Englisch')"));
                    }));
    }
    std::printf("file: %.0f MB\n", double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    QDir(backups).removeRecursively();

    // The copy alone, as "--backup" makes it.
    std::vector<double> copies;
    for (int i = 0; i < 3; ++i) {
        copies.push_back(msOf([&] { BackupCopy::make(path, backups, QDateTime::currentDateTime().addSecs(i)); }));
    }
    std::printf("backup (copy, check, count, flush, rename): %.0f ms median of 3   goal < 5000 ms\n", median(copies));
    std::printf("fingerprint of the content, at start-up only (backup thread): %.0f ms\n",
                msOf([&] { BackupCopy::fingerprintOf(path); }));
    std::printf("start-up, content unchanged, newest backup not yet fingerprinted: %.0f ms\n", msOf([&] {
                    QFile::remove(BackupCopy::summaryPath(BackupCopy::list(backups).value(0)));
                    Backups::run({path, backups, true});
                }));
    std::printf("start-up, content unchanged (fingerprint kept with the backup): %.0f ms\n",
                msOf([&] { Backups::run({path, backups, true}); }));

    // The window's event loop while a backup runs, with practice steps, in
    // both journal modes: with the write-ahead log a reader never holds up
    // a commit; with the rollback journal the learner's commit waits for
    // the copy's read lock.
    AppState::resetForTesting();
    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    int vnr = 1;
    // Without a backup first: what the machine's own load adds.
    for (const char *mode : {"wal", "delete", "wal"}) {
        const bool baseline = vnr == 1;
        a.Database->openRecordset(QStringLiteral("PRAGMA journal_mode = %1").arg(QLatin1String(mode)))->value(0);
        std::vector<double> steps;
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(1);
        // The gap between two ticks is what the window would have waited,
        // a practice step on the window's thread included.
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            if (now / 100 != last / 100) {
                steps.push_back(msOf([&] { Records::moveCard(vnr, 2, 1); }));
                vnr += 8;
            }
            last = now;
        });
        bool done = false;
        clock.start();
        tick.start();
        if (baseline) {
            QTimer::singleShot(3000, &loop, [&] {
                done = true;
                loop.quit();
            });
        } else {
            Backups::Service::instance().request({path, backups, false}, &loop, [&](const Backups::Result &r) {
                if (!r.ok)
                    std::printf("backup failed: %s\n", qPrintable(r.error));
                done = true;
                loop.quit();
            });
        }
        if (!done)
            loop.exec();
        const double total = double(clock.elapsed());
        tick.stop();
        std::sort(steps.begin(), steps.end());
        const char *what = baseline ? "no backup (3 s)" : "backup on its thread";
        std::printf("journal mode %s, %s: %.0f ms; %zu practice steps meanwhile, median %.2f ms, longest %.2f ms\n",
                    mode, what, total, steps.size(), median(steps), steps.empty() ? 0.0 : steps.back());
        std::printf("journal mode %s, %s: longest wait of the event loop: %lld ms%s\n", mode, what, longest,
                    baseline ? "" : "   goal <= 50 ms");
    }
    // A restore of the newest backup, as the window does it.
    {
        const QString newest = BackupCopy::list(backups).value(0);
        std::optional<BackupCopy::CheckedCopy> checked;
        std::printf("restore, check of the backup (copy, integrity_check, catalogue): %.0f ms\n",
                    msOf([&] { checked.emplace(BackupCopy::check(newest, backups)); }));
        std::printf("restore, written into the open database: %.0f ms\n",
                    msOf([&] { a.Database->replaceContent(checked->path()); }));
    }
    try {
        a.Database->openRecordset(QStringLiteral("PRAGMA journal_mode = delete"))->value(0);
    } catch (const store::Error &) {
        // The log's writer may still hold it; the file is removed anyway.
    }
    std::printf("practice step cost of change detection: none (the fingerprint is computed at start-up only)\n");
    a.Database.reset();
    QDir(backups).removeRecursively();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runForSizes(argc, argv, {1000000}, run);
}
