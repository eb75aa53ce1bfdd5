// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup/Rotation.h"

#include "store/BackupCopy.h"

#include <QSet>

#include <algorithm>
#include <functional>
#include <vector>

namespace Rotation {

namespace {

struct Entry
{
    QDateTime when;
    int n = 1;
    QString name;
};

QDate mondayOf(const QDate &d)
{
    return d.addDays(1 - d.dayOfWeek());
}

} // namespace

QStringList toDelete(const QStringList &fileNames, const QDateTime &now)
{
    std::vector<Entry> entries;
    for (const QString &name : fileNames) {
        int n = 1;
        if (const auto when = BackupCopy::timeOf(name, &n))
            entries.push_back({*when, n, name});
    }
    // Newest first: the first entry of a period is the one it keeps.
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.when != b.when ? a.when > b.when : a.n > b.n;
    });

    const QDateTime local = now.toLocalTime();
    const QDate today = local.date();
    QSet<QString> keep;
    for (std::size_t i = 0; i < entries.size() && i < 3; ++i)
        keep.insert(entries[i].name);
    for (const Entry &e : entries)
        if (e.when > local)
            keep.insert(e.name);

    // The newest backup of each period that `periodOf` maps to a number
    // from 0 (the current one) to count - 1.
    auto keepNewestPer = [&](int count, const std::function<qint64(const QDate &)> &periodOf) {
        QSet<qint64> seen;
        for (const Entry &e : entries) {
            if (e.when > local)
                continue;
            const qint64 period = periodOf(e.when.date());
            if (period < 0 || period >= count || seen.contains(period))
                continue;
            seen.insert(period);
            keep.insert(e.name);
        }
    };
    keepNewestPer(7, [&](const QDate &d) { return d.daysTo(today); });
    const QDate thisMonday = mondayOf(today);
    keepNewestPer(4, [&](const QDate &d) { return mondayOf(d).daysTo(thisMonday) / 7; });
    keepNewestPer(12, [&](const QDate &d) {
        return qint64(today.year() - d.year()) * 12 + (today.month() - d.month());
    });

    QStringList gone;
    for (const Entry &e : entries)
        if (!keep.contains(e.name))
            gone << e.name;
    return gone;
}

} // namespace Rotation
