// SPDX-License-Identifier: GPL-3.0-or-later
// Times the first start with an earlier vok1.mdb of 20,000 English cards
// (and ten each in French, Spanish and Italian) in the working directory:
// the reader alone, the import alone and the whole start of the main window,
// each in a fresh data folder.
//
//   bench_import [rounds]     default: 7

#include "BenchData.h"
#include "app/WindowTable.h"
#include "core/AppState.h"
#include "core/Places.h"
#include "store/AccessFile.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const QString kEarlier = QStringLiteral(BENCH_LEGACY_FILE);

// A fresh working directory that is also the data folder, with the earlier
// file in it.
struct Folder
{
    QTemporaryDir dir;
    Folder()
    {
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        QDir::setCurrent(dir.path());
        Settings::setStoreFileForTesting(dir.filePath(QStringLiteral("settings.conf")));
        AppState::resetForTesting();
        QFile::copy(kEarlier, dir.filePath(QStringLiteral("vok1.mdb")));
    }
};

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %7.1f ms   min %7.1f   max %7.1f\n", what, median(ms), ms.front(), ms.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double appMs = sinceLaunch.nsecsElapsed() / 1e6;
    WindowTable::install();
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    if (!QFile::exists(kEarlier)) {
        std::fprintf(stderr, "missing %s\n", qPrintable(kEarlier));
        return 1;
    }
    std::printf("earlier file: %s (%lld bytes), %d rounds\n", qPrintable(kEarlier), QFile(kEarlier).size(), rounds);
    std::printf("reader: %s\n\n", qPrintable(store::access::readerProgram()));

    std::vector<double> reader, import, window;
    qint64 cards = 0;
    for (int r = 0; r < rounds; ++r) {
        {
            Folder f;
            reader.push_back(msOf([&] {
                const auto counts = store::access::convert(kEarlier, f.dir.filePath(QStringLiteral("x.db")), {},
                                                           QStringLiteral("vok1.mdb"));
                cards = 0;
                for (const auto &c : counts)
                    cards += c.rows;
            }));
        }
        {
            Folder f;
            import.push_back(msOf([&] { Catalogue::OpenVocabularyDatabase(); }));
            AppState::resetForTesting();
        }
        {
            Folder f;
            window.push_back(msOf([&] {
                frmMain w;
                w.show();
                QCoreApplication::processEvents();
            }));
            const int english =
                AppState::instance().Database
                    ? AppState::instance().Database->openRecordset(QStringLiteral("Select count(*) from tEnglisch"))->value(0).toInt()
                    : -1;
            if (english != 20000)
                std::printf("round %d: tEnglisch holds %d cards\n", r, english);
            AppState::resetForTesting();
        }
    }
    std::printf("cards read per round: %lld\n", cards);
    std::printf("%-34s %7.1f ms (once, before the rounds)\n", "application object", appMs);
    report("reader: Access file to own file", reader);
    report("import at first start", import);
    report("main window with import", window);
    return 0;
}
