// SPDX-License-Identifier: GPL-3.0-or-later
// Times the list model on large tables: how soon the first screen of the
// dictionary stands, what it costs in memory, and what scrolling to the end
// and back costs against reading the same rows from SQLite directly.
//
//   bench_model [folder] [sizes...]     default: /tmp 1000000
//   BENCH_KEEP=1 keeps the filled file and uses it again next time.

#include "BenchData.h"
#include "store/Collation.h"
#include "store/Engine.h"
#include "ui/common/RecordsetModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr int kScreen = 40; // lines a list shows at once

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-model-%1.mdb").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        std::printf("fill: %.0f ms\n", msOf([&] { fill(path, cards); }));
    auto db = store::Database::open(path);
    sqlite3 *bare = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &bare, SQLITE_OPEN_READONLY, nullptr);
    store::registerGermanCollation(bare);
    long sink = 0;

    struct Case
    {
        const char *name;
        QString sql;
        RecordsetModel::Format line;
    };
    const Case cases[] = {
        {"dictionary, every card by FVok", QStringLiteral("Select VNr, FVok, MVok, Fach from tEnglisch order by FVok, MVok, Fach"),
         RecordsetModel::joined({1, 2, 3}, QStringLiteral(" "))},
        {"compartment 3 by FVok", QStringLiteral("Select VNr, FVok, MVok from tEnglisch where [Fach] = 3 order by FVok, MVok"),
         RecordsetModel::joined({1, 2})},
    };
    for (const Case &c : cases) {
        const long before = residentKiB();
        std::unique_ptr<RecordsetModel> model;
        const double first = msOf([&] {
            model = std::make_unique<RecordsetModel>(*db, c.sql, QList<RecordsetModel::Column>{{QString(), c.line}});
            for (int r = 0; r < kScreen && r < model->rowCount(); ++r)
                sink += model->data(model->index(r, 0)).toString().size();
        });
        const long grown = residentKiB() - before;
        const int n = model->rowCount();
        const double scroll = msOf([&] {
            for (int r = n - kScreen; r < n; ++r)
                sink += model->data(model->index(r, 0)).toString().size();
            for (int r = 0; r < kScreen; ++r)
                sink += model->data(model->index(r, 0)).toString().size();
        });
        // The same 80 rows read directly, by their keys.
        std::vector<qint64> keys;
        for (int r = n - kScreen; r < n; ++r)
            keys.push_back(model->keyOfRow(r));
        for (int r = 0; r < kScreen; ++r)
            keys.push_back(model->keyOfRow(r));
        const double bareRead = msOf([&] {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(bare, "SELECT VNr, FVok, MVok, Fach FROM tEnglisch WHERE rowid = ?", -1, &st, nullptr);
            for (qint64 k : keys) {
                sqlite3_bind_int64(st, 1, k);
                if (sqlite3_step(st) == SQLITE_ROW)
                    sink += QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1))).size();
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        });
        std::printf("%s (%d lines): first screen %.0f ms (goal < 300 ms), +%.1f MB resident (goal < 50 MB); "
                    "to the end and back %.2f ms, reading those %d rows directly %.2f ms\n",
                    c.name, n, first, grown / 1024.0, scroll, 2 * kScreen, bareRead);
    }
    std::printf("(checksum %ld)\n", sink);
    sqlite3_close(bare);
    db.reset();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runForSizes(argc, argv, {1000000}, run);
}
