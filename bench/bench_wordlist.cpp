// SPDX-License-Identifier: GPL-3.0-or-later
// Word lists in and out on large numbers of cards: a list read and stored
// in one transaction (and the check the import window runs before), and a
// pair written out, each with its time and how far the process's peak
// memory grew, beside their goals.
//
//   bench_wordlist [folder] [rows...]   default: /tmp 100000 400000
//   The export writes 1,000,000 cards (BENCH_EXPORT_CARDS=n for another
//   number). BENCH_KEEP=1 keeps the files.

#include "BenchData.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "wordlist/Export.h"
#include "wordlist/Import.h"
#include "wordlist/Layout.h"
#include "wordlist/Records.h"
#include "wordlist/Text.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <ctime>

namespace {

// Time of the processor spent on this process (user and system), which a
// machine busy with other work does not stretch as it stretches the clock.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Times
{
    double wall = 0;
    double cpu = 0;
};

Times timed(const std::function<void()> &f)
{
    const double c = cpuMs();
    Times t;
    t.wall = msOf(f);
    t.cpu = cpuMs() - c;
    return t;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// A list as a German spreadsheet saves it: header, semicolons, CR LF, a
// sentence in quotes where it holds a semicolon, now and then a line break
// inside the quotes.
void writeList(const QString &path, int rows)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QRandomGenerator rng(2024);
    QByteArray out = "\xEF\xBB\xBF" "Fremdwort;Muttersprache;Satz Fremdsprache;Satz Muttersprache;Fach\r\n";
    for (int i = 0; i < rows; ++i) {
        QString fs = sentence(rng);
        if (i % 7 == 0)
            fs = QLatin1Char('"') + fs.replace(QLatin1Char(' '), QStringLiteral("; ")).left(190)
                + (i % 21 == 0 ? QStringLiteral("\r\nnoch eine Zeile\"") : QStringLiteral("\""));
        out += (word(rng, 8, 20) + QString::number(i) + QLatin1Char(';') + word(rng, 8, 20) + QLatin1Char(';') + fs
                + QLatin1Char(';') + sentence(rng) + QLatin1Char(';') + QString::number(i % 8) + QStringLiteral("\r\n"))
                   .toUtf8();
        if (out.size() > (1 << 20)) {
            f.write(out);
            out.clear();
        }
    }
    f.write(out);
}

void useEmptyPair(const QString &dbPath)
{
    QFile::remove(dbPath);
    auto db = store::Database::create(dbPath, Catalogue::kLocale, Catalogue::kFormat);
    Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
    AppState &a = AppState::instance();
    a.Database = db;
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.ForeignLanguage = QStringLiteral("Englisch");
    a.NativeLanguage = QStringLiteral("Deutsch");
    if (qEnvironmentVariableIsSet("CACHE"))
        db->execute(QStringLiteral("PRAGMA cache_size = -") + qEnvironmentVariable("CACHE"));
}

void importRows(const QString &folder, int rows)
{
    const QString list = folder + QStringLiteral("/bench_wordlist.csv");
    const QString dbPath = folder + QStringLiteral("/bench_wordlist_import.mdb");
    writeList(list, rows);
    const double mib = QFile(list).size() / 1048576.0;
    useEmptyPair(dbPath);

    WordList::Outcome checked, stored;
    WordList::Inspection in;
    resetPeak();
    const long before = peakKiB();
    const Times inspectMs = timed([&] { in = WordList::inspect(list, {QStringLiteral("Englisch"), QStringLiteral("Deutsch")}); });
    // The file alone: decoding, records and the rules of a card, no database.
    const Times readMs = timed([&] {
        WordList::TextReader text(list, in.layout.encoding);
        WordList::RecordReader reader(text);
        reader.readDirectives();
        reader.setSeparator(in.layout.separator);
        const WordList::Rules rules = WordList::Rules::current();
        WordList::Record r;
        QString reason;
        while (reader.next(r))
            rules.apply(r, in.layout.columns, reason);
    });
    const Times checkMs = timed([&] { checked = WordList::importFile(list, in.layout, {}, WordList::Mode::Check); });
    const long afterCheck = peakKiB();
    resetPeak();
    const long beforeStore = peakKiB();
    const Times storeMs = timed([&] { stored = WordList::importFile(list, in.layout, {}, WordList::Mode::Store); });
    const long afterStore = peakKiB();

    std::printf("import of %d rows (%.1f MiB, %s)\n", rows, mib, qPrintable(stored.summary()));
    std::printf("  look at the file (encoding, separator, preview): %8.0f ms (processor %6.0f ms)\n", inspectMs.wall,
                inspectMs.cpu);
    std::printf("  read the file and apply the rules, no database:  %8.0f ms (processor %6.0f ms)\n", readMs.wall,
                readMs.cpu);
    std::printf("  check as the window does (nothing stored):       %8.0f ms (processor %6.0f ms)\n", checkMs.wall,
                checkMs.cpu);
    std::printf("  read and store in one transaction:               %8.0f ms (processor %6.0f ms)   goal for 100,000 "
                "rows: < 3000 ms\n",
                storeMs.wall, storeMs.cpu);
    std::printf("  peak memory growth: check %ld KiB, store %ld KiB   goal: not growing with the file\n\n",
                afterCheck - before, afterStore - beforeStore);
    if (checked.summary() != stored.summary())
        std::printf("  !! the check said %s\n", qPrintable(checked.summary()));

    AppState::resetForTesting();
    if (!qEnvironmentVariableIsSet("BENCH_KEEP")) {
        QFile::remove(list);
        QFile::remove(dbPath);
    }
}

void exportCards(const QString &folder, int cards)
{
    const QString dbPath = folder + QStringLiteral("/bench_wordlist_export.mdb");
    const QString out = folder + QStringLiteral("/bench_wordlist_out.csv");
    if (!QFile::exists(dbPath) || !qEnvironmentVariableIsSet("BENCH_KEEP"))
        fill(dbPath, cards);
    AppState &a = AppState::instance();
    a.Database = store::Database::open(dbPath);
    a.CurrentTable = QStringLiteral("tEnglisch");

    for (const auto format : {WordList::Format::Csv, WordList::Format::Tsv}) {
        resetPeak();
        const long before = peakKiB();
        std::int64_t written = 0;
        const Times ms = timed([&] { written = WordList::exportFile(out, -1, format); });
        std::printf("export of %lld cards as %s (%.0f MiB): %8.0f ms (processor %6.0f ms)   goal: < 5000 ms\n",
                    (long long)written, format == WordList::Format::Csv ? "CSV" : "text with tabs",
                    QFile(out).size() / 1048576.0, ms.wall, ms.cpu);
        std::printf("  peak memory growth: %ld KiB   goal: flat\n", peakKiB() - before);
    }
    AppState::resetForTesting();
    if (!qEnvironmentVariableIsSet("BENCH_KEEP")) {
        QFile::remove(out);
        QFile::remove(dbPath);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString folder;
    runForSizes(argc, argv, {100000, 400000}, [&](const QString &f, int rows) {
        folder = f;
        importRows(f, rows);
    });
    exportCards(folder, qEnvironmentVariableIsSet("BENCH_EXPORT_CARDS") ? qEnvironmentVariableIntValue("BENCH_EXPORT_CARDS")
                                                                        : 1000000);
    return 0;
}
