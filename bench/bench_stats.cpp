// SPDX-License-Identifier: GPL-3.0-or-later
// Times the learning statistics on a large file: 1,000,000 cards and
// 1,000,000 rows of the answer log (three years of answers, a tenth of
// them of a second pair, some cards moved by hand).
//
//   - a practice step's cost of its answer row: storing a graded card with
//     its row against storing it alone, each committed as a practice does;
//   - the figures of the statistics window for each period, and the window
//     itself opened with them (offscreen), with the memory they take.
//
//   bench_stats [folder] [answer rows...]     default: /tmp 1000000
//   BENCH_KEEP=1 keeps the filled file and uses it again next time.

#include "BenchData.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Statistics.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "app/WindowTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kCards = 1000000;
constexpr int kDays = 3 * 365;
constexpr int kPracticedCards = 100000;
constexpr int kSteps = 201;
constexpr int kRounds = 7;

long statusKiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

// Resets the peak so that the next reading is the peak of what follows.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void exec(sqlite3 *db, const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::printf("%s: %s\n", sql, err);
        sqlite3_free(err);
    }
}

// The cards, a catalogue of two pairs, `rows` answers spread over the last
// three years up to now (a few of them cards moved by hand) and the card
// box of every day.
void fillFile(const QString &path, int rows)
{
    fill(path, kCards);
    {
        auto db = store::Database::open(path);
        Catalogue::CreateCatalogueTable(*db);
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES "
                                   "('tEnglisch', 'Deutsch', 'Englisch')"));
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tLatein"));
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES "
                                   "('tLatein', 'Deutsch', 'Latein')"));
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    exec(db, "PRAGMA cache_size = -262144");
    exec(db, "BEGIN");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO VkSysAntworten (Zeit, SprachId, VNr, FachVorher, FachNachher, Richtig, Tests, "
                       "Richtung, Eingabe) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &st, nullptr);
    QRandomGenerator rng(4711);
    const qint64 end = Clock::now().toSecsSinceEpoch();
    const qint64 start = end - qint64(kDays) * 86400;
    for (int i = 0; i < rows; ++i) {
        const qint64 t = start + (end - start) * i / rows;
        const QByteArray zeit = QDateTime::fromSecsSinceEpoch(t, Qt::UTC)
                                    .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"))
                                    .toLatin1();
        sqlite3_bind_text(st, 1, zeit.constData(), int(zeit.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, i % 10 == 9 ? 2 : 1);
        sqlite3_bind_int(st, 3, 1 + int(rng.bounded(kPracticedCards)));
        const int before = 1 + int(rng.bounded(7));
        sqlite3_bind_int(st, 4, before);
        if (i % 50 == 0) { // moved by hand
            sqlite3_bind_int(st, 5, 1);
            sqlite3_bind_null(st, 6);
            sqlite3_bind_int(st, 7, 0);
            sqlite3_bind_null(st, 8);
            sqlite3_bind_null(st, 9);
        } else {
            const bool right = rng.bounded(4) != 0;
            sqlite3_bind_int(st, 5, right ? std::min(before + 1, 7) : 1);
            sqlite3_bind_int(st, 6, right ? 1 : 0);
            sqlite3_bind_int(st, 7, 1 + int(rng.bounded(3)));
            sqlite3_bind_int(st, 8, 1 + int(rng.bounded(2)));
            const QByteArray typed = word(rng, 4, 12).toUtf8();
            sqlite3_bind_text(st, 9, typed.constData(), int(typed.size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db,
                       "INSERT INTO VkSysKastenTage (Tag, SprachId, Fach0, Fach1, Fach2, Fach3, Fach4, Fach5, Fach6, "
                       "Fach7) VALUES (?, 1, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &st, nullptr);
    const QDate today = Clock::today();
    for (int d = kDays; d >= 0; --d) {
        const QByteArray day = today.addDays(-d).toString(Qt::ISODate).toLatin1();
        sqlite3_bind_text(st, 1, day.constData(), int(day.size()), SQLITE_TRANSIENT);
        for (int c = 0; c < 8; ++c)
            sqlite3_bind_int(st, 2 + c, 125000 + (c - 4) * (kDays - d) * 10);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

void practiceStep(QRandomGenerator &rng)
{
    std::vector<double> bare;
    std::vector<double> logged;
    std::vector<double> rowAlone;
    store::Database &db = *AppState::instance().Database;
    for (int i = 0; i < kSteps; ++i) {
        const auto vnr = std::int32_t(1 + rng.bounded(kCards));
        const int fach = 1 + int(rng.bounded(7));
        Statistics::LogRow row;
        row.vnr = vnr;
        row.fachBefore = fach;
        row.fachAfter = fach;
        row.right = true;
        row.tests = 1;
        row.direction = 1;
        row.typed = QStringLiteral("eingetippt");
        // Both ways in turn, so that the disk's moods fall on both alike.
        bare.push_back(msOf([&] { Records::storeProgress(vnr, fach, 0); }));
        logged.push_back(msOf([&] { Records::storeProgress(vnr, fach, 0, row); }));
        db.beginTrans();
        rowAlone.push_back(msOf([&] { Statistics::logAnswer(db, row); }));
        db.rollback();
    }
    const double added = median(logged) - median(bare);
    std::printf("practice step: card alone %.3f ms, card with its row %.3f ms (median of %d, each committed)\n",
                median(bare), median(logged), kSteps);
    std::printf("  added by the answer row: %.3f ms                       goal <= 1 ms\n", added);
    std::printf("  the row's insert alone (no commit): %.3f ms\n", median(rowAlone));
}

QString periodName(Statistics::Period p)
{
    switch (p) {
    case Statistics::Period::Week: return QStringLiteral("7 Tage");
    case Statistics::Period::Month: return QStringLiteral("30 Tage");
    case Statistics::Period::Year: return QStringLiteral("1 Jahr");
    case Statistics::Period::All: return QStringLiteral("Alles");
    }
    return QString();
}

void figures()
{
    for (Statistics::Period p :
         {Statistics::Period::Week, Statistics::Period::Month, Statistics::Period::Year, Statistics::Period::All}) {
        std::vector<double> ms;
        Statistics::Figures f;
        const long before = statusKiB("VmRSS:");
        resetPeak();
        for (int round = 0; round < kRounds; ++round)
            ms.push_back(msOf([&] { f = Statistics::figures(p); }));
        const long peak = statusKiB("VmHWM:") - before;
        std::printf("figures %-8s %6.1f ms (median of %d; first %.1f ms), +%ld KiB at most   goal <= 300 ms, < 50 MB\n",
                    qPrintable(periodName(p)), median(ms), kRounds, ms.front(), peak);
        std::printf("  %lld days, series %d (longest %d), today %d cards, %d hardest, %d unreadable\n",
                    qlonglong(f.days()), f.series, f.longestSeries, f.todayCards, int(f.hardest.size()), f.unreadable);
    }
}

// The window as the menu command opens it, until it is shown with its
// charts (the responder runs then, instead of the modal loop); there each
// period is chosen anew.
void window()
{
    QElapsedTimer clock;
    double shown = 0;
    Windows::setResponder(Windows::Responder{{}, [&](QDialog &w) {
                                                 shown = double(clock.nsecsElapsed()) / 1e6;
                                                 auto *period = w.findChild<QComboBox *>(QStringLiteral("cboZeitraum"));
                                                 for (int i : {0, 2, 3}) {
                                                     const double ms = msOf([&] {
                                                         period->setCurrentIndex(i);
                                                         QApplication::processEvents();
                                                     });
                                                     std::printf("window: period \"%s\" chosen, shown in %.1f ms"
                                                                 "      goal <= 300 ms\n",
                                                                 qPrintable(period->itemText(i)), ms);
                                                 }
                                                 w.reject();
                                             }});
    const long before = statusKiB("VmRSS:");
    resetPeak();
    for (int round = 0; round < 3; ++round) {
        clock.start();
        if (!Windows::open(Windows::Kind::Statistics, nullptr).opened)
            std::printf("window did not open\n");
        std::printf("window: opened and shown (30 Tage) in %.1f ms                 goal <= 300 ms\n", shown);
    }
    std::printf("window: +%ld KiB at most                                          goal < 50 MB\n",
                statusKiB("VmHWM:") - before);
}

void run(const QString &folder, int rows)
{
    const QString path = folder + QStringLiteral("/bench-stats-%1.mdb").arg(rows);
    std::printf("\n== %d cards, %d answer rows (%s)\n", kCards, rows, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP")) {
        const double ms = msOf([&] {
            const pid_t pid = fork();
            if (pid == 0) {
                fillFile(path, rows);
                _exit(0);
            }
            int status = 0;
            waitpid(pid, &status, 0);
        });
        std::printf("fill (child process): %.0f ms, %lld MB\n", ms, QFileInfo(path).size() / 1000000);
    }
    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.ForeignLanguage = QStringLiteral("Englisch");
    a.NativeLanguage = QStringLiteral("Deutsch");
    a.SprachNr = 1;
    a.PairCount = 2;
    a.TableValid = true;
    a.TableRecordset = a.Database->openRecordset(a.CurrentTable, store::RecordsetType::Table);

    QRandomGenerator rng(99);
    practiceStep(rng);
    figures();
    window();

    a.TableRecordset.reset();
    a.Database.reset();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowTable::install();
    Msg::setResponder([](QMessageBox &) { return QMessageBox::No; });
    return runForSizes(argc, argv, {1000000}, run);
}
