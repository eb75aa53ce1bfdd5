// SPDX-License-Identifier: GPL-3.0-or-later
// Times the two browsing windows on one compartment of a large table (an
// eighth of the cards): how soon the paging window shows its first card and
// what one step costs, and how soon the table view stands with its first
// screen painted and what scrolling costs. Each figure includes opening the
// compartment as the command does.
//
//   bench_browse [folder] [sizes...]     default: /tmp 1000000
//   BENCH_KEEP=1 keeps the filled file and uses it again next time.

#include "BenchData.h"
#include "app/WindowTable.h"
#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Windows.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>
#include <memory>

namespace {

constexpr int kFach = 3;
constexpr int kSteps = 2000;

void timePaging(int &sink)
{
    AppState &a = AppState::instance();
    double opened = 0, shown = 0, wrapForward = 0, wrapBack = 0;
    std::vector<double> forward, back, painted;
    QString last;
    QElapsedTimer t;
    Windows::setResponder({{}, [&](QDialog &w) {
        sink += w.grab().width();
        shown = t.nsecsElapsed() / 1e6;
        auto *next = w.findChild<QPushButton *>(QStringLiteral("btnNext"));
        auto *prev = w.findChild<QPushButton *>(QStringLiteral("btnBack"));
        auto *nr = w.findChild<QLabel *>(QStringLiteral("lblNr"));
        for (int i = 0; i < 200; ++i)
            painted.push_back(msOf([&] {
                next->click();
                sink += w.grab().width();
            }));
        for (int i = 0; i < kSteps; ++i)
            forward.push_back(msOf([&] { next->click(); }));
        // Back to the first card.
        for (int i = 0; i < kSteps + 200; ++i)
            back.push_back(msOf([&] { prev->click(); }));
        wrapBack = msOf([&] { prev->click(); });
        last = nr->text();
        wrapForward = msOf([&] { next->click(); });
        sink += nr->text().size();
        w.close();
    }});
    t.start();
    opened = msOf([&] {
        a.CurrentFach = kFach;
        a.CompartmentRecordset = Records::openCompartment(kFach, true);
    });
    Windows::open(Windows::Kind::Paging, nullptr);
    std::printf("paging window: compartment opened %.1f ms, first card painted after %.1f ms (goal < 300 ms)\n",
                opened, shown);
    std::printf("  one step forward %.3f ms, back %.3f ms (medians of %zu and %zu; goal < 10 ms); "
                "with the window painted again %.2f ms (median of 200)\n",
                median(forward), median(back), forward.size(), back.size(), median(painted));
    std::printf("  the ring: back from the first card to number %s %.3f ms, forward from there to the first %.3f ms\n",
                qPrintable(last), wrapBack, wrapForward);
    a.CompartmentRecordset.reset();
}

void timeTable(int &sink)
{
    AppState &a = AppState::instance();
    double firstScreen = 0, toEnd = 0;
    std::vector<double> pages;
    long grown = 0;
    int rows = 0;
    const long before = residentKiB();
    QElapsedTimer t;
    Windows::setResponder({{}, [&](QDialog &w) {
        auto *view = w.findChild<QAbstractItemView *>(QStringLiteral("lstView"));
        sink += w.grab().width();
        firstScreen = t.nsecsElapsed() / 1e6;
        grown = residentKiB() - before;
        rows = view->model()->rowCount();
        QScrollBar *bar = view->verticalScrollBar();
        for (int i = 0; i < 200; ++i)
            pages.push_back(msOf([&] {
                bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
                sink += view->grab().height();
            }));
        toEnd = msOf([&] {
            bar->setValue(bar->maximum());
            sink += view->grab().height();
        });
        w.close();
    }});
    t.start();
    a.CurrentFach = kFach;
    a.CompartmentRecordset = Records::openCompartment(kFach, true);
    Windows::open(Windows::Kind::Table, nullptr);
    std::printf("table view (%d rows): first screen painted after %.1f ms (goal < 300 ms), +%.1f MB resident\n",
                rows, firstScreen, grown / 1024.0);
    std::printf("  one page down, painted: %.2f ms (median of 200); to the end, painted: %.2f ms\n",
                median(pages), toEnd);
    a.CompartmentRecordset.reset();
}

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-browse-%1.mdb").arg(cards);
    std::printf("\n== %d cards, compartment %d (%s)\n", cards, kFach, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        std::printf("fill: %.0f ms\n", msOf([&] { fill(path, cards); }));
    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.ForeignLanguage = QStringLiteral("Englisch");
    a.NativeLanguage = QStringLiteral("Deutsch");
    int sink = 0;
    timePaging(sink);
    timeTable(sink);
    std::printf("(checksum %d)\n", sink);
    Windows::setResponder({});
    a.Database.reset();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Mci::setBackend(std::make_unique<Mci::ToneBackend>());
    WindowTable::install();
    return runForSizes(argc, argv, {1000000}, run);
}
