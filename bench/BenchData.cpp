// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchData.h"

#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <unistd.h>

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

void settleLog(sqlite3 *conn)
{
    sqlite3_busy_timeout(conn, 600000);
    sqlite3_wal_checkpoint_v2(conn, "main", SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
}

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

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

long peakKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

int runForSizes(int argc, char *argv[], const QList<int> &defaultSizes,
                const std::function<void(const QString &, int)> &run)
{
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
    for (int n : sizes.isEmpty() ? defaultSizes : sizes)
        run(folder, n);
    return 0;
}
