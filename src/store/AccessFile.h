// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Access (Jet) files, read through the reader program vokamia-mdbread in a
// child process: the library behind it crashes or stops early on some
// damaged files, and neither may take the program or the learner's cards
// with it. The reader writes the tables into a new file of our own format,
// which the engine then attaches like any of its files.

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace store::access {

// True when the file starts with the header of an Access database; the name
// does not matter.
bool isAccessFile(const QString &path);

struct TableCount
{
    QString name;
    qint64 rows = 0;
};

// Copies the tables named (every user table when none is named) of the
// Access file into a new file `target` of our format and returns how many
// rows each held. A table the file lacks, a reader that crashes, hangs or
// reads fewer rows than a table declares raises a store::Error that names the
// file (as `shownName`) and the table; `target` is then not left behind.
QVector<TableCount> convert(const QString &accessFile, const QString &target, const QStringList &tables,
                            const QString &shownName);

// Called now and then while the reader works, so a window can keep showing
// progress; empty: nothing is called.
void setWaitHook(std::function<void()> hook);

// The reader beside the program, in the build tree as after an install.
QString readerProgram();

// Tests stand in a program of their own for the reader, and shorten the time
// it may take (an empty program restores the real one, 0 the usual limit).
void setReaderForTesting(const QString &program, int timeLimitMs = 0);

} // namespace store::access
