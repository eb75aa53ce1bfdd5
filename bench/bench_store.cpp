// SPDX-License-Identifier: GPL-3.0-or-later
// Times what the windows ask of the engine layer on large language tables,
// against SQLite's C API doing the same work on the same file, and prints
// the figures. The two sides take turns over many rounds; a ratio is the
// median of the rounds' ratios, so a slow moment of the machine hits both.
//
//   bench_store [folder] [sizes...]     default: /tmp 100000 1000000
//   BENCH_KEEP=1 keeps the filled files and uses them again next time.

#include "BenchData.h"
#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {



struct Paired
{
    double layer, bare, ratio;
};

// Runs both sides `rounds` times, in alternating order.
Paired paired(int rounds, const std::function<void()> &layer, const std::function<void()> &bare)
{
    std::vector<double> l, b, r;
    for (int i = 0; i < rounds; ++i) {
        double tl, tb;
        if (i % 2) {
            tb = msOf(bare);
            tl = msOf(layer);
        } else {
            tl = msOf(layer);
            tb = msOf(bare);
        }
        l.push_back(tl);
        b.push_back(tb);
        r.push_back(tl / tb);
    }
    return {median(l), median(b), median(r)};
}


QString journalMode(sqlite3 *conn)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(conn, "PRAGMA journal_mode", -1, &st, nullptr);
    QString mode;
    if (sqlite3_step(st) == SQLITE_ROW)
        mode = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return mode;
}

// What a caller of the bare engine does with a column: turn it into a value.
QVariant bareColumn(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st, i)));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                          sqlite3_column_bytes(st, i)));
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(sqlite3_column_double(st, i));
    }
}

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-%1.mdb").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        std::printf("fill: %.0f ms\n", msOf([&] { fill(path, cards); }));

    auto db = store::Database::open(path);
    sqlite3 *bare = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    store::registerGermanCollation(bare);
    long sink = 0;

    // The card box: eight counts as the main window runs them.
    {
        sqlite3_stmt *prepared = nullptr;
        sqlite3_prepare_v2(bare, "Select count(*) from tEnglisch where [Fach] = ?", -1, &prepared, nullptr);
        const Paired p = paired(
            15,
            [&] {
                for (int c = 0; c <= 7; ++c)
                    sink += db->openRecordset(QStringLiteral("Select count(*) from tEnglisch where [Fach] = ")
                                              + QString::number(c))
                                ->value(0)
                                .toLongLong();
            },
            [&] {
                for (int c = 0; c <= 7; ++c) {
                    sqlite3_bind_int(prepared, 1, c);
                    if (sqlite3_step(prepared) == SQLITE_ROW)
                        sink += sqlite3_column_int64(prepared, 0);
                    sqlite3_reset(prepared);
                }
            });
        sqlite3_finalize(prepared);
        std::printf("eight compartment counts: layer %.2f ms, bare (prepared once) %.2f ms, ratio %.2f (goal <= 1.2)\n",
                    p.layer, p.bare, p.ratio);
    }

    const QString compartment = QStringLiteral("Select * from tEnglisch where [Fach] = 3 order by FVok");
    // Open and walk a compartment alphabetically, every column read.
    {
        const long before = residentKiB();
        auto held = db->openRecordset(compartment);
        const long grown = residentKiB() - before;
        const int n = held->recordCount();
        held.reset();
        const Paired open = paired(
            5, [&] { sink += db->openRecordset(compartment)->recordCount(); },
            [&] {
                sqlite3_stmt *st = nullptr;
                sqlite3_prepare_v2(bare, "Select rowid from tEnglisch where [Fach] = 3 order by FVok", -1, &st, nullptr);
                while (sqlite3_step(st) == SQLITE_ROW)
                    ++sink;
                sqlite3_finalize(st);
            });
        const Paired walk = paired(
            5,
            [&] {
                auto rs = db->openRecordset(compartment);
                const int fields = rs->fieldCount();
                for (; !rs->eof(); rs->moveNext())
                    for (int f = 0; f < fields; ++f)
                        sink += rs->value(f).isValid();
            },
            [&] {
                sqlite3_stmt *st = nullptr;
                sqlite3_prepare_v2(bare, compartment.toUtf8().constData(), -1, &st, nullptr);
                const int fields = sqlite3_column_count(st);
                while (sqlite3_step(st) == SQLITE_ROW)
                    for (int f = 0; f < fields; ++f)
                        sink += bareColumn(st, f).isValid();
                sqlite3_finalize(st);
            });
        std::printf("compartment 3 (%d cards), alphabetical: open %.1f ms (keys only; bare %.1f ms, ratio %.2f), "
                    "+%ld KiB resident; open+walk of all columns %.1f ms, bare %.1f ms, ratio %.2f (goal <= 1.2)\n",
                    n, open.layer, open.bare, open.ratio, grown, walk.layer, walk.bare, walk.ratio);
    }

    // Finding a card in the open compartment, as the practice window and
    // the compartment manager do ("VNr = n"), and by a pattern.
    {
        auto rs = db->openRecordset(compartment);
        std::vector<int> targets;
        QRandomGenerator rng(99);
        for (int i = 0; i < 200; ++i)
            targets.push_back(1 + 3 + 8 * int(rng.bounded(cards / 8)));
        rs->findFirst(QStringLiteral("VNr = %1").arg(targets[0])); // the first find builds the key map
        std::vector<double> keyed;
        for (int t : targets) {
            rs->moveFirst();
            keyed.push_back(msOf([&] { rs->findNext(QStringLiteral("VNr = ") + QString::number(t)); }));
            sink += rs->noMatch() ? 0 : 1;
        }
        std::vector<double> pattern;
        for (int i = 0; i < 20; ++i) {
            rs->moveFirst();
            pattern.push_back(msOf([&] { rs->findNext(QStringLiteral("FVok like 'qq*'")); }));
            sink += rs->noMatch() ? 0 : 1;
        }
        // A word of the compartment, by its text.
        std::vector<double> byWord;
        for (int i = 0; i < 20; ++i) {
            const QString w = db->openRecordset(QStringLiteral("Select FVok from tEnglisch where VNr = %1").arg(targets[i]))
                                  ->text(QStringLiteral("FVok"));
            rs->moveFirst();
            byWord.push_back(msOf([&] { rs->findNext(QStringLiteral("FVok = '%1'").arg(w)); }));
            sink += rs->noMatch() ? 0 : 1;
        }
        rs->moveFirst();
        const double miss = msOf([&] { rs->findNext(QStringLiteral("MSatz = 'keiner'")); });
        std::printf("findNext in compartment 3: by card number %.3f ms median, %.3f ms worst (goal < 20 ms); "
                    "by word %.2f ms median, %.2f ms worst; by pattern 'qq*' (far down the alphabet) %.1f ms median; "
                    "no match, unindexed field %.1f ms\n",
                    median(keyed), *std::max_element(keyed.begin(), keyed.end()), median(byWord),
                    *std::max_element(byWord.begin(), byWord.end()), median(pattern), miss);
    }

    // Writing every card of the compartment in one transaction, both sides
    // in turns; SQLite alone runs one prepared single-row UPDATE per card
    // and writes its log back at the commit, as it does by itself. The
    // layer leaves that copy to a thread of its own; it is waited for
    // before the next round, untimed. The loops alone (up to the commit)
    // show what the layer adds to SQLite's work.
    double loopMs = 0;
    const auto barePass = [&](sqlite3 *conn) {
        QElapsedTimer t;
        t.start();
        sqlite3_exec(conn, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *keys = nullptr;
        sqlite3_stmt *upd = nullptr;
        sqlite3_prepare_v2(conn, "Select rowid, gewusst from tEnglisch where [Fach] = 3 order by FVok", -1, &keys,
                           nullptr);
        sqlite3_prepare_v2(conn, "UPDATE tEnglisch SET gewusst = ? WHERE rowid = ?", -1, &upd, nullptr);
        while (sqlite3_step(keys) == SQLITE_ROW) {
            sqlite3_bind_int(upd, 1, (sqlite3_column_int(keys, 1) + 1) % 3);
            sqlite3_bind_int64(upd, 2, sqlite3_column_int64(keys, 0));
            sqlite3_step(upd);
            sqlite3_reset(upd);
        }
        sqlite3_finalize(keys);
        sqlite3_finalize(upd);
        loopMs = t.nsecsElapsed() / 1e6;
        sqlite3_exec(conn, "COMMIT", nullptr, nullptr, nullptr);
    };
    {
        std::vector<double> layerAll, bareAll, layerLoop, bareLoop, ratios, loopRatios;
        for (int i = 0; i < 3; ++i) {
            const double l = msOf([&] {
                auto rs = db->openRecordset(compartment);
                QElapsedTimer t;
                t.start();
                db->beginTrans();
                for (; !rs->eof(); rs->moveNext()) {
                    rs->edit();
                    rs->setValue(QStringLiteral("gewusst"), (rs->value(QStringLiteral("gewusst")).toInt() + 1) % 3);
                    rs->update();
                }
                layerLoop.push_back(t.nsecsElapsed() / 1e6);
                db->commitTrans();
            });
            settleLog(bare);
            const double b = msOf([&] { barePass(bare); });
            bareLoop.push_back(loopMs);
            settleLog(bare);
            layerAll.push_back(l);
            bareAll.push_back(b);
            ratios.push_back(l / b);
            loopRatios.push_back(layerLoop.back() / bareLoop.back());
        }
        std::printf("update every card of compartment 3 in one transaction (%s): layer %.0f ms (goal < 3000 ms), "
                    "bare %.0f ms, ratio %.2f (goal <= 1.3); the loops alone, before the commit: layer %.0f ms, "
                    "bare %.0f ms, ratio %.2f\n",
                    qPrintable(journalMode(bare)), median(layerAll), median(bareAll), median(ratios),
                    median(layerLoop), median(bareLoop), median(loopRatios));
    }

    // Seeks on the FVok index of a table recordset, and the move after one.
    {
        auto table = db->openRecordset(QStringLiteral("tEnglisch"), store::RecordsetType::Table);
        table->setIndex(QStringLiteral("FVok"));
        std::vector<QString> keys;
        {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(bare, "Select FVok from tEnglisch where rowid = ?", -1, &st, nullptr);
            QRandomGenerator rng(7);
            for (int i = 0; i < 2000; ++i) {
                sqlite3_bind_int(st, 1, 1 + int(rng.bounded(cards)));
                if (sqlite3_step(st) == SQLITE_ROW)
                    keys.push_back(bareColumn(st, 0).toString().toUpper());
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        sqlite3_stmt *prepared = nullptr;
        sqlite3_prepare_v2(bare, "SELECT rowid FROM tEnglisch WHERE FVok = ? ORDER BY FVok, rowid LIMIT 1", -1,
                           &prepared, nullptr);
        const Paired p = paired(
            5,
            [&] {
                for (const QString &k : keys) {
                    table->seek(QStringLiteral("="), k);
                    sink += table->noMatch() ? 0 : 1;
                }
            },
            [&] {
                for (const QString &k : keys) {
                    bindText(prepared, 1, k);
                    sink += sqlite3_step(prepared) == SQLITE_ROW ? 1 : 0;
                    sqlite3_reset(prepared);
                }
            });
        sqlite3_finalize(prepared);
        const double seekAndMove = msOf([&] {
            for (const QString &k : keys) {
                table->seek(QStringLiteral("="), k);
                table->moveNext();
                sink += table->eof() ? 0 : 1;
            }
        });
        std::printf("seek by FVok (case ignored), per seek: layer %.1f us, bare %.1f us, ratio %.2f (goal <= 1.5); seek and "
                    "moveNext %.1f us\n",
                    p.layer * 1000 / double(keys.size()), p.bare * 1000 / double(keys.size()), p.ratio,
                    seekAndMove * 1000 / double(keys.size()));
    }

    // The same bare pass with the rollback journal the file had before it
    // kept a log: what the switch gained.
    db.reset();
    {
        std::vector<double> logged, journalled;
        for (int i = 0; i < 2; ++i)
            logged.push_back(msOf([&] { barePass(bare); }));
        sqlite3_exec(bare, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
        const QString before = journalMode(bare);
        for (int i = 0; i < 2; ++i)
            journalled.push_back(msOf([&] { barePass(bare); }));
        sqlite3_exec(bare, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        std::printf("the same update, SQLite alone: %.0f ms with the write-ahead log, %.0f ms with the rollback "
                    "journal (%s)\n",
                    median(logged), median(journalled), qPrintable(before));
    }

    std::printf("(checksum %ld)\n", sink);
    sqlite3_close(bare);
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return runForSizes(argc, argv, {100000, 1000000}, run);
}
