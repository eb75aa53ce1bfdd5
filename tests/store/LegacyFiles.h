// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Earlier data files from tests/data/legacy, and files written where a test
// needs them.

#include <QDir>
#include <QFile>

inline QByteArray legacyFile(const QString &name)
{
    QFile f(QStringLiteral(VOKAMIA_TEST_DATA "/legacy/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    return f.readAll();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The copies of Access tables that links read.
inline QStringList linkCopies()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("vokamia-link-*")}, QDir::Dirs);
}
