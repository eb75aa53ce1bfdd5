// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

namespace Places {

namespace {
QString dataFolderPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Vokamia");
}
} // namespace

QString dataFolder()
{
    const QString folder = dataFolderPath();
    QDir().mkpath(folder);
    return folder;
}

QString databaseLocation()
{
    return dataFolderPath() + QStringLiteral("/Vokabeln.mdb");
}

QString databasePath()
{
    return dataFolder() + QStringLiteral("/Vokabeln.mdb");
}

QString programFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    const QString exeDir = QCoreApplication::applicationDirPath();
    // Installed (or staged in the build tree): <prefix>/bin/vokamia with the
    // files in <prefix>/share/vokamia. Tests live elsewhere in the build tree
    // and find the staged files from the build root.
    const QStringList candidates = {
        exeDir + QStringLiteral("/../" VOKAMIA_SHARE_SUBDIR),
        exeDir + QStringLiteral("/../../" VOKAMIA_SHARE_SUBDIR),
        exeDir + QStringLiteral("/../../../" VOKAMIA_SHARE_SUBDIR),
        exeDir,
    };
    for (const QString &c : candidates) {
        if (QFileInfo(c + QStringLiteral("/help")).isDir())
            return QDir::cleanPath(c);
    }
    return QDir::cleanPath(candidates.first());
}

QString programFile(const QString &relative)
{
    return programFolder() + QLatin1Char('/') + relative;
}

QStringList missingProgramFiles()
{
    static const char *const files[] = {
        "help/main.rtf",        "help/basis.rtf",      "help/Neuwort.rtf",     "help/Change.rtf",
        "help/vtrainer.rtf",    "help/wbook.rtf",      "help/View.rtf",        "help/Table.rtf",
        "help/print.rtf",       "help/Spfad.rtf",      "help/Import.rtf",      "help/Export.rtf",
        "pictures/box.png",     "pictures/pool.png",
        "pictures/pointer.png", "pictures/vokamia.png", "pictures/about1.png", "pictures/about2.png",
        "sounds/wah.wav",       "sounds/drum.wav",     "help/Sicherung.rtf",
    };
    QStringList missing;
    for (const char *f : files)
        if (!QFile::exists(programFile(QLatin1String(f))))
            missing << QLatin1String(f);
    return missing;
}

QString helpFile(const QString &name)
{
    return programFile(QStringLiteral("help/") + name);
}

QString mapStoredPath(const QString &stored)
{
    QString p = stored;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty())
        return p;
    if (p.startsWith(QLatin1Char('/')))
        return p;
    while (p.startsWith(QStringLiteral("./")))
        p = p.mid(2);
    return QDir::current().absoluteFilePath(p);
}

void setProgramFolderForTesting(const QString &folder)
{
    programFolderOverride() = folder;
}

} // namespace Places
