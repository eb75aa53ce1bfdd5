// Times what the windows ask of the engine layer on large language tables,
// against SQLite's C API doing the same work on the same file, and prints
// the figures. The two sides take turns over many rounds; a ratio is the
// median of the rounds' ratios, so a slow moment of the machine hits both.
//
//   bench_store [folder] [sizes...]     default: /tmp 100000 1000000
//   BENCH_KEEP=1 keeps the filled files.

#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msOf(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

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

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Words of 8 to 20 letters and sentences of 60 to 150 characters, umlauts
// included, as a learner's cards would have.
QString word(QRandomGenerator &rng, int minLen, int maxLen)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzäöüßeeinrst");
    const int n = minLen + int(rng.bounded(maxLen - minLen + 1));
    QString w;
    w.reserve(n);
    for (int i = 0; i < n; ++i)
        w += letters[int(rng.bounded(letters.size()))];
    if (rng.bounded(3) == 0)
        w[0] = w[0].toUpper();
    return w;
}

QString sentence(QRandomGenerator &rng)
{
    const int target = 60 + int(rng.bounded(91));
    QString s;
    while (s.size() < target)
        s += word(rng, 2, 11) + QLatin1Char(' ');
    s.truncate(target - 1);
    return s + QLatin1Char('.');
}

void bindText(sqlite3_stmt *st, int i, const QString &t)
{
    const QByteArray u = t.toUtf8();
    sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

void fill(const QString &path, int cards)
{
    QFile::remove(path);
    {
        auto db = store::Database::create(path, Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    store::registerGermanCollation(db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO tEnglisch (FVok, MVok, Artikel, FSatz, MSatz, Fach, gewusst, Kapitel) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &st, nullptr);
    QRandomGenerator rng(4711);
    static const char *articles[] = {"der", "die", "das", "the", ""};
    for (int i = 0; i < cards; ++i) {
        bindText(st, 1, word(rng, 8, 20));
        bindText(st, 2, word(rng, 8, 20));
        sqlite3_bind_text(st, 3, articles[i % 5], -1, SQLITE_STATIC);
        bindText(st, 4, sentence(rng));
        bindText(st, 5, sentence(rng));
        sqlite3_bind_int(st, 6, i % 8);
        sqlite3_bind_int(st, 7, int(rng.bounded(3)));
        sqlite3_bind_int(st, 8, int(rng.bounded(40)));
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
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
                    "+%ld KiB resident; open+walk of all columns %.1f ms, bare %.1f ms, ratio %.2f\n",
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
        rs->moveFirst();
        const double miss = msOf([&] { rs->findNext(QStringLiteral("FVok = 'keines'")); });
        std::printf("findNext in compartment 3: by card number %.3f ms median, %.3f ms worst (goal < 20 ms); "
                    "by pattern 'qq*' %.1f ms median; no match at all %.1f ms\n",
                    median(keyed), *std::max_element(keyed.begin(), keyed.end()), median(pattern), miss);
    }

    // Writing every card of the compartment in one transaction.
    {
        auto rs = db->openRecordset(compartment);
        const double layer = msOf([&] {
            db->beginTrans();
            for (; !rs->eof(); rs->moveNext()) {
                rs->edit();
                rs->setValue(QStringLiteral("gewusst"), (rs->value(QStringLiteral("gewusst")).toInt() + 1) % 3);
                rs->update();
            }
            db->commitTrans();
        });
        const double bareMs = msOf([&] {
            sqlite3_exec(bare, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_stmt *keys = nullptr;
            sqlite3_stmt *upd = nullptr;
            sqlite3_prepare_v2(bare, "Select rowid, gewusst from tEnglisch where [Fach] = 3 order by FVok", -1, &keys,
                               nullptr);
            sqlite3_prepare_v2(bare, "UPDATE tEnglisch SET gewusst = ? WHERE rowid = ?", -1, &upd, nullptr);
            while (sqlite3_step(keys) == SQLITE_ROW) {
                sqlite3_bind_int(upd, 1, (sqlite3_column_int(keys, 1) + 1) % 3);
                sqlite3_bind_int64(upd, 2, sqlite3_column_int64(keys, 0));
                sqlite3_step(upd);
                sqlite3_reset(upd);
            }
            sqlite3_finalize(keys);
            sqlite3_finalize(upd);
            sqlite3_exec(bare, "COMMIT", nullptr, nullptr, nullptr);
        });
        std::printf("update every card of compartment 3 in one transaction: layer %.0f ms (goal < 3000 ms), "
                    "bare %.0f ms, ratio %.2f\n",
                    layer, bareMs, layer / bareMs);
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
        std::printf("seek by FVok (case ignored), per seek: layer %.1f us, bare %.1f us, ratio %.2f; seek and "
                    "moveNext %.1f us\n",
                    p.layer * 1000 / double(keys.size()), p.bare * 1000 / double(keys.size()), p.ratio,
                    seekAndMove * 1000 / double(keys.size()));
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
    QString folder = QDir::tempPath();
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        bool ok = false;
        const int n = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (ok)
            sizes << n;
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    if (sizes.isEmpty())
        sizes = {100000, 1000000};
    for (int n : sizes)
        run(folder, n);
    return 0;
}
