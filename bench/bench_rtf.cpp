// SPDX-License-Identifier: GPL-3.0-or-later
// Times the RTF reader of the help viewer on large and deeply nested input
// and prints the figures. The conversion is meant to grow linearly with the
// input: the last column compares each size's time with the smallest one's,
// scaled by size, so about 1.0 throughout.
//
//   bench_rtf [megabytes...]     default: 1 2 4 8

#include "text/RtfToHtml.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>

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

// Formatting changes, escapes and text in equal measure.
QByteArray formattingSoup(qsizetype bytes)
{
    QByteArray data("{\\rtf1\\ansi ");
    const QByteArray piece("\\b fett\\b0 {\\i kurs}\\'e4\\u246?\\par ");
    data.reserve(bytes + piece.size() + 1);
    while (data.size() < bytes)
        data += piece;
    data += "}";
    return data;
}

void run(const char *what, const QByteArray &input)
{
    qsizetype out = 0;
    const double ms = bestOf(3, [&] { out = Rtf::toHtml(input).size(); });
    std::printf("%-28s %9.1f KiB %10.1f ms %9.1f MiB/s   %lld characters of HTML\n", what, input.size() / 1024.0, ms,
                input.size() / 1048576.0 / (ms / 1000.0), static_cast<long long>(out));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (const QString &a : app.arguments().mid(1))
        sizes << a.toInt();
    sizes.removeAll(0);
    if (sizes.isEmpty())
        sizes = {1, 2, 4, 8};
    std::sort(sizes.begin(), sizes.end());

    std::printf("%-10s %10s %9s %12s\n", "MiB", "ms", "MiB/s", "vs. linear");
    double firstPerMiB = 0;
    for (int mib : sizes) {
        const QByteArray input = formattingSoup(qsizetype(mib) * 1024 * 1024);
        const double ms = bestOf(3, [&] { (void)Rtf::toHtml(input); });
        if (firstPerMiB == 0)
            firstPerMiB = ms / mib;
        std::printf("%-10d %10.1f %9.1f %12.2f\n", mib, ms, mib / (ms / 1000.0), ms / mib / firstPerMiB);
        std::fflush(stdout);
    }

    std::printf("\n");
    run("deep nesting", QByteArray("{\\rtf1\\ansi Anfang ") + QByteArray(100000, '{') + "\\b Mitte"
                            + QByteArray(100000, '}') + " Ende}");
    run("deep nesting unclosed", QByteArray("{\\rtf1\\ansi Anfang") + QByteArray("{\\i ").repeated(100000) + "Tiefe");
    run("nested destinations",
        QByteArray("{\\rtf1 A") + QByteArray("{\\*\\x ").repeated(50000) + "B" + QByteArray(50000, '}') + "C}");
    return 0;
}
