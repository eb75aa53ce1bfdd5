// Times the card-box queries on large language tables, through the engine
// layer and through SQLite's C API directly on the same file, and prints the
// figures with their ratio.
//
//   bench_store [folder] [sizes...]     default: /tmp 100000 1000000

#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

double bestOf(int runs, const std::function<void()> &f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

QString word(int i)
{
    static const char *syll[] = {"ka", "lo", "mi", "ne", "ru", "sa", "te", "vo", "zu", "bä", "ö", "ch"};
    QString w;
    for (int n = i + 7; n > 0; n /= 12)
        w += QString::fromUtf8(syll[n % 12]);
    return w + QString::number(i % 97);
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
    sqlite3_prepare_v2(db, "INSERT INTO tEnglisch (FVok, MVok, FSatz, Fach, gewusst) VALUES (?, ?, ?, ?, 0)", -1, &st,
                       nullptr);
    for (int i = 0; i < cards; ++i) {
        const QByteArray f = word(i).toUtf8();
        const QByteArray m = word(i * 7 + 3).toUtf8();
        sqlite3_bind_text(st, 1, f.constData(), int(f.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, m.constData(), int(m.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "This is an example sentence.", -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 4, i % 8);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-%1.mdb").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    QElapsedTimer t;
    t.start();
    fill(path, cards);
    std::printf("fill: %.0f ms\n", t.elapsed() * 1.0);

    auto db = store::Database::open(path);
    sqlite3 *bare = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &bare, SQLITE_OPEN_READONLY, nullptr);
    store::registerGermanCollation(bare);

    long sink = 0;
    const double layerCounts = bestOf(5, [&] {
        for (int c = 0; c <= 7; ++c)
            sink += db->openRecordset(QStringLiteral("Select count(*) from tEnglisch where [Fach] = ") + QString::number(c))
                        ->value(0)
                        .toLongLong();
    });
    const double bareCounts = bestOf(5, [&] {
        for (int c = 0; c <= 7; ++c) {
            sqlite3_stmt *st = nullptr;
            const QByteArray sql = QStringLiteral("Select count(*) from tEnglisch where [Fach] = %1").arg(c).toUtf8();
            sqlite3_prepare_v2(bare, sql.constData(), -1, &st, nullptr);
            if (sqlite3_step(st) == SQLITE_ROW)
                sink += sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
        }
    });
    std::printf("eight compartment counts: layer %.2f ms, bare %.2f ms, ratio %.2f\n", layerCounts, bareCounts,
                layerCounts / bareCounts);

    const long before = residentKiB();
    double openMs = 0;
    std::shared_ptr<store::Recordset> rs;
    openMs = bestOf(1, [&] {
        rs = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 3 order by FVok"));
    });
    const long after = residentKiB();
    const double walkMs = bestOf(1, [&] {
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            sink += rs->text(QStringLiteral("FVok")).size();
    });
    const double bareWalk = bestOf(1, [&] {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(bare, "Select * from tEnglisch where [Fach] = 3 order by FVok", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            sink += sqlite3_column_bytes(st, 3);
        sqlite3_finalize(st);
    });
    std::printf("compartment 3 (%d cards), alphabetical: open %.1f ms (+%ld KiB resident), walk %.1f ms; bare "
                "engine open+walk %.1f ms, ratio %.2f\n",
                rs->recordCount(), openMs, after - before, walkMs, bareWalk, (openMs + walkMs) / bareWalk);
    rs.reset();

    auto table = db->openRecordset(QStringLiteral("tEnglisch"), store::RecordsetType::Table);
    table->setIndex(QStringLiteral("FVok"));
    const int seeks = 2000;
    QList<QString> keys;
    for (int i = 0; i < seeks; ++i)
        keys << word(int(QRandomGenerator::global()->bounded(cards))).toUpper();
    const double seekMs = bestOf(3, [&] {
        for (const QString &k : keys) {
            table->seek(QStringLiteral("="), k);
            sink += table->noMatch() ? 0 : 1;
        }
    });
    const double bareSeek = bestOf(3, [&] {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(bare, "SELECT rowid FROM tEnglisch WHERE FVok = ? ORDER BY FVok, rowid LIMIT 1", -1, &st,
                           nullptr);
        for (const QString &k : keys) {
            const QByteArray u = k.toUtf8();
            sqlite3_bind_text(st, 1, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            sink += sqlite3_step(st) == SQLITE_ROW ? 1 : 0;
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
    });
    std::printf("seek by FVok (case ignored), per seek: layer %.1f us, bare %.1f us, ratio %.2f\n",
                seekMs * 1000 / seeks, bareSeek * 1000 / seeks, seekMs / bareSeek);
    std::printf("(checksum %ld)\n", sink);
    sqlite3_close(bare);
    db.reset();
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
