// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test data and timing helpers shared by the benchmarks.

#include <QRandomGenerator>
#include <QList>
#include <QString>

#include <sqlite3.h>

#include <functional>
#include <vector>

QString word(QRandomGenerator &rng, int minLen, int maxLen);
QString sentence(QRandomGenerator &rng);
void bindText(sqlite3_stmt *st, int i, const QString &t);
// A new database with the language table tEnglisch holding `cards` cards,
// spread over the eight compartments in turn.
void fill(const QString &path, int cards);

// Waits until the database's log is written back whole (by whoever is at
// it), so that work left over from one timed step does not fall into the
// next. Not timed.
void settleLog(sqlite3 *conn);

double median(std::vector<double> v);
double msOf(const std::function<void()> &f);
long residentKiB();
// The process's peak resident memory so far (VmHWM).
long peakKiB();

// The command line of every benchmark: [folder] [sizes...]; runs
// run(folder, size) for each size (default: defaultSizes).
int runForSizes(int argc, char *argv[], const QList<int> &defaultSizes,
                const std::function<void(const QString &, int)> &run);
