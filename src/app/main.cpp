// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/WindowTable.h"
#include "audio/Mci.h"
#include "backup/BackupService.h"
#include "core/Places.h"
#include "ui/common/Application.h"
#include "ui/common/Safeguard.h"
#include "ui/main/frmMain.h"

#include "VokamiaVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// The card sound folders and the effect sounds are addressed relative to the
// working directory; the learner's data folder is that directory, whichever
// way the program was started.
void enterDataFolder()
{
    // A packaging fault, not the learner's: named on the console for whoever
    // installed the program; the windows cope with a missing file each.
    for (const QString &f : Places::missingProgramFiles())
        qWarning("Vokamia: Programmdatei fehlt: %s", qPrintable(Places::programFile(f)));
    const QString data = Places::dataFolder();
    QDir::setCurrent(data);
    for (const char *name : {"wah.wav", "drum.wav"}) {
        const QString target = data + QLatin1Char('/') + QLatin1String(name);
        if (!QFile::exists(target))
            QFile::copy(Places::programFile(QStringLiteral("sounds/") + QLatin1String(name)), target);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before the application object exists: that one needs a display,
    // and the usage, the version, a wrong option and the commands without a
    // window must not. Those commands get the core object alone.
    const CommandLine::Request request = CommandLine::parse(CommandLine::arguments(argc, argv));
    std::optional<CommandLine::Reply> reply;
    if (CommandLine::needsCore(request)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Vokamia"));
        QCoreApplication::setOrganizationName(QStringLiteral("Vokamia"));
        QCoreApplication::setApplicationVersion(QStringLiteral(VOKAMIA_VERSION_FULL));
        reply = CommandLine::reply(request);
    } else {
        reply = CommandLine::reply(request);
    }
    if (reply) {
        std::fputs(reply->out.toUtf8().constData(), stdout);
        std::fputs(reply->err.toUtf8().constData(), stderr);
        return reply->status;
    }

    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vokamia"));
    QApplication::setOrganizationName(QStringLiteral("Vokamia"));
    QApplication::setApplicationVersion(QStringLiteral(VOKAMIA_VERSION_FULL));
    // Matches the window with the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.vokamia.Vokamia"));

    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    enterDataFolder();

    WindowTable::install();
    Safeguard::setAutomatic(true);
    frmMain w;
    w.show();
    const int rc = QApplication::exec();
    // A backup under way is finished, not left as a temporary file.
    Backups::Service::instance().waitForIdle();
    // Everything is stored as it changes, so nothing is lost by leaving
    // without the exit code of the libraries, which would abort on a
    // recording the sound server never answered.
    if (Mci::abandonedCaptures() > 0)
        std::_Exit(rc);
    return rc;
}
