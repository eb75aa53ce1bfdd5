// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Headless.h"

#include "backup/BackupService.h"
#include "core/Places.h"
#include "store/LegacyImport.h"
#include "store/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <optional>

namespace Headless {

namespace {

CommandLine::Reply failed(const QString &message)
{
    CommandLine::Reply r;
    r.status = CommandLine::kExitFailed;
    r.err = QStringLiteral("vokamia: ") + message + QLatin1Char('\n');
    return r;
}

} // namespace

CommandLine::Reply backup()
{
    // The settings and folders are found as the window finds them.
    std::optional<QCoreApplication> app;
    int argc = 1;
    char name[] = "vokamia";
    char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        app.emplace(argc, argv);

    const QString database = Places::databaseLocation();
    const QString shown = QDir::toNativeSeparators(database);
    if (!QFileInfo::exists(database))
        return failed(QStringLiteral("Es gibt noch keine Vokabeldatenbank (%1); es wurde nichts gesichert.").arg(shown));
    if (!QFileInfo(database).isFile())
        return failed(QStringLiteral("„%1“ ist keine Vokabeldatenbank; es wurde nichts gesichert.").arg(shown));
    if (LegacyImport::isAccessDatabase(database))
        return failed(QStringLiteral("Die Datenbank %1 ist eine Access-Datenbank, die Vokamia beim nächsten Start "
                                     "übernimmt; es wurde nichts gesichert.")
                          .arg(shown));

    QString chosen;
    try {
        chosen = Settings::BackupFolder();
    } catch (const std::exception &) {
    }
    const Backups::Result result = Backups::run({database, Backups::folderFor(database, chosen), false});
    if (!result.ok)
        return failed(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1").arg(result.error));
    CommandLine::Reply r;
    r.out = QDir::toNativeSeparators(result.path) + QLatin1Char('\n');
    return r;
}

} // namespace Headless
