// SPDX-License-Identifier: GPL-3.0-or-later
// Printing a compartment into a PDF file through the print window: time,
// peak memory, how often the progress bar moved and the longest time the
// window went without handling its events.

#include "BenchData.h"

#include "core/AppState.h"
#include "ui/print/frmPrint.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

long statusKiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void run(const QString &folder, int cards)
{
    // Eight compartments filled in turn: compartment 3 gets `cards` cards.
    const QString path = folder + QStringLiteral("/bench-print-%1.mdb").arg(cards);
    const QString pdf = folder + QStringLiteral("/bench-print-%1.pdf").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(pdf));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        std::printf("fill: %.0f ms\n", msOf([&] { fill(path, cards * 8); }));

    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.CurrentFach = 3;
    a.CompartmentRecordset = Records::openCompartment(3, true);
    a.xRand = a.yRand = 10;
    a.xCard = 74;
    a.yCard = 52;
    a.xGap = a.yGap = 0;
    a.FremdFont = QStringLiteral("DejaVu Serif");
    a.MutterFont = QStringLiteral("DejaVu Sans");
    a.FremdColor = 0x800000; // dark blue
    a.MutterColor = 0x000080; // dark red

    Dialogs::setResponder([pdf](const Dialogs::Request &r) {
        r.printer->setOutputFileName(pdf);
        return QVariant(true);
    });
    Msg::setResponder([](QMessageBox &) { return QMessageBox::Ok; });

    frmPrint w;
    w.show();
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("prgDruck"));
    int moves = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&moves] { ++moves; });

    // A timer that should fire every 5 ms: the longest gap between its
    // firings is the longest the window left its events waiting.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = qMax(longest, now - last);
        last = now;
    });

    resetPeak();
    const long before = statusKiB("VmRSS:");
    clock.start();
    tick.start();
    const double ms = msOf([&] { w.findChild<QPushButton *>(QStringLiteral("btnOk"))->click(); });
    tick.stop();
    const long peak = statusKiB("VmHWM:");

    std::printf("print %d cards (fronts and backs, %lld pages): %.0f ms\n", cards,
                static_cast<long long>(2 * ((cards + 9) / 10)), ms);
    std::printf("PDF size: %lld KiB\n", static_cast<long long>(QFileInfo(pdf).size() / 1024));
    std::printf("memory: %ld KiB resident before, peak %ld KiB (+%ld KiB)\n", before, peak, peak - before);
    std::printf("progress bar moved %d times; longest wait for the event loop: %lld ms\n", moves,
                static_cast<long long>(longest));

    Dialogs::setResponder({});
    Msg::setResponder({});
    AppState::resetForTesting();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP")) {
        QFile::remove(path);
        QFile::remove(pdf);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runForSizes(argc, argv, {1000}, run);
}
