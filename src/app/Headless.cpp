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

// Outside the window the settings and folders are found as the window
// finds them: the same application name.
class ConsoleApplication
{
public:
    ConsoleApplication()
    {
        if (!QCoreApplication::instance())
            app_.emplace(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[8] = "vokamia";
    char *argv_[2] = {name_, nullptr};
    std::optional<QCoreApplication> app_;
};

} // namespace

ExistingDatabase existingDatabase()
{
    ExistingDatabase d;
    const QString database = Places::databaseLocation();
    const QString shown = QDir::toNativeSeparators(database);
    if (!QFileInfo::exists(database))
        d.error = QStringLiteral("Es gibt noch keine Vokabeldatenbank (%1).").arg(shown);
    else if (!QFileInfo(database).isFile())
        d.error = QStringLiteral("„%1“ ist keine Vokabeldatenbank.").arg(shown);
    else if (LegacyImport::isAccessDatabase(database))
        d.error = QStringLiteral("Die Datenbank %1 ist eine Access-Datenbank, die Vokamia beim nächsten Start "
                                 "übernimmt.")
                      .arg(shown);
    else
        d.path = database;
    return d;
}

CommandLine::Reply backup()
{
    ConsoleApplication app;
    const ExistingDatabase database = existingDatabase();
    if (!database.error.isEmpty()) {
        QString why = database.error;
        why.chop(1);
        return failed(why + QStringLiteral("; es wurde nichts gesichert."));
    }
    QString chosen;
    try {
        chosen = Settings::BackupFolder();
    } catch (const std::exception &) {
        // An unreadable setting: the folder beside the database.
    }
    const Backups::Result result = Backups::run({database.path, Backups::folderFor(database.path, chosen), false});
    if (!result.ok)
        return failed(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1").arg(result.error));
    CommandLine::Reply r;
    r.out = QDir::toNativeSeparators(result.path) + QLatin1Char('\n');
    return r;
}

} // namespace Headless
