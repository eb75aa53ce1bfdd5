// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Headless.h"

#include "backup/BackupService.h"
#include "core/AppState.h"
#include "core/Places.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/LegacyImport.h"
#include "store/Settings.h"
#include "store/Statistics.h"
#include "wordlist/Export.h"
#include "wordlist/Import.h"
#include "wordlist/Layout.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace Headless {

namespace {

QString quoted(const QString &text)
{
    return QStringLiteral("„") + text + QStringLiteral("“");
}

// A message for the console: one line break as the console has them.
QString consoleText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

CommandLine::Reply failed(const QString &message)
{
    CommandLine::Reply r;
    r.status = CommandLine::kExitFailed;
    r.err = QStringLiteral("vokamia: ") + consoleText(message) + QLatin1Char('\n');
    return r;
}

// A file named on the command line is meant from where the command was
// given, not from the data folder the command then works in.
QString fromHere(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Runs a command's work; a failure of the file or the database is reported
// on standard error with exit status 1.
template <typename F>
CommandLine::Reply guarded(F &&work)
{
    try {
        return work();
    } catch (const store::Error &e) {
        return failed(e.description());
    } catch (const WordList::FileError &e) {
        return failed(e.message());
    }
}

// The backup folder for the database at `path`: the one chosen in the
// settings, or the folder beside the database.
QString backupFolder(const QString &path)
{
    QString chosen;
    try {
        chosen = Settings::BackupFolder();
    } catch (const std::exception &) {
        // An unreadable setting: the folder beside the database.
    }
    return Backups::folderFor(path, chosen);
}

// A copy of the cards before an import changes them; the German reason
// when it could not be made (and the import must not go on), else empty.
QString backupFirst(const QString &path)
{
    const Backups::Result result = Backups::run({path, backupFolder(path), false});
    return result.ok ? QString() : result.error;
}

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

void openDatabase(bool create)
{
    const QString path = Places::databaseLocation();
    if (LegacyImport::isAccessDatabase(path))
        throw store::Error(QStringLiteral("Die Datenbank %1 ist eine Access-Datenbank des früheren Vokabeltrainers und "
                                          "wartet darauf, übernommen zu werden. Starten Sie Vokamia einmal mit "
                                          "Fenster und stimmen Sie der Übernahme zu. Es wurde nichts verändert.")
                               .arg(path));
    if (!create) {
        const ExistingDatabase existing = existingDatabase();
        if (!existing.error.isEmpty())
            throw store::Error(existing.error);
    }
    // As at the program's start: the sound folders and an earlier database
    // are found relative to the data folder.
    QDir::setCurrent(Places::dataFolder());
    AppState &a = AppState::instance();
    try {
        Settings::LoadSprachNr();
    } catch (const store::Error &) {
        a.SprachNr = 0; // named below, if the command needs it
    }
    Catalogue::OpenVocabularyDatabase();
    Catalogue::loadCatalogueRows();
}

void selectPair(const QString &foreign)
{
    AppState &a = AppState::instance();
    int n = 0;
    if (foreign.isEmpty()) {
        n = a.SprachNr;
        if (n < 1 || n > a.PairCount)
            throw store::Error(QStringLiteral("Das in den Einstellungen gespeicherte Sprachpaar Nummer %1 gibt es "
                                              "nicht. Nennen Sie das Sprachpaar mit --pair.")
                                   .arg(a.SprachNr));
    } else {
        QStringList known;
        for (int i = 1; i <= a.PairCount; ++i) {
            known << a.LanguageCatalogue[i].FremdSprache;
            if (n == 0 && a.LanguageCatalogue[i].FremdSprache.compare(foreign, Qt::CaseInsensitive) == 0)
                n = i;
        }
        if (n == 0)
            throw store::Error(QStringLiteral("Das Sprachpaar %1 gibt es nicht. Vorhanden: %2.")
                                   .arg(quoted(foreign), known.join(QStringLiteral(", "))));
    }
    const LanguagePair &p = a.LanguageCatalogue[n];
    a.SprachNr = std::int16_t(n);
    a.CurrentTable = p.Tabelle;
    a.ForeignLanguage = p.FremdSprache;
    a.NativeLanguage = p.MutterSprache;
    if (!a.Database->tableNames().contains(a.CurrentTable))
        throw store::Error(QStringLiteral("Die Lerntabelle %1 ist nicht vorhanden; %2 ist fehlerhaft.")
                               .arg(a.ForeignLanguage, a.DatabasePath));
    a.TableValid = true;
}

CommandLine::Reply importList(const CommandLine::Request &request)
{
    const QString path = fromHere(request.values.value(QStringLiteral("import")));
    return guarded([&] {
        // The file first: a list that is no word list changes nothing, not
        // even on a fresh machine.
        WordList::inspect(path, {});
        const bool existed = QFileInfo::exists(Places::databaseLocation());
        openDatabase(true);
        selectPair(request.values.value(QStringLiteral("pair")));
        const AppState &a = AppState::instance();
        const WordList::Inspection in = WordList::inspect(path, {a.ForeignLanguage, a.NativeLanguage});

        WordList::Choices choices;
        const QString duplicates = request.values.value(QStringLiteral("duplicates"));
        if (duplicates == QLatin1String("update"))
            choices.duplicates = WordList::Duplicates::Update;
        else if (duplicates == QLatin1String("add"))
            choices.duplicates = WordList::Duplicates::Add;
        if (request.values.contains(QStringLiteral("compartment")))
            choices.compartment = request.values.value(QStringLiteral("compartment")).toInt();

        // A script cannot be asked whether to go on without a backup, so it
        // gets the careful answer. A database made just now holds nothing
        // worth keeping yet.
        if (existed) {
            const QString why = backupFirst(a.DatabasePath);
            if (!why.isEmpty())
                return failed(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1\r\nDer Import wurde nicht "
                                             "begonnen; es wurde nichts verändert.")
                                  .arg(why));
        }
        // Each rejected row is told as it is found, so a long list of them
        // never waits in memory.
        const WordList::Outcome outcome =
            WordList::importFile(path, in.layout, choices, WordList::Mode::Store, [](const WordList::Rejection &r) {
                std::fputs((WordList::describe(r) + QLatin1Char('\n')).toUtf8().constData(), stderr);
            });
        // The day's row of the card box follows, as after the import window;
        // the import stands whether or not that row can be written.
        try {
            Statistics::recordBoxOf(*a.Database, a.SprachNr, a.CurrentTable);
        } catch (const store::Error &) {
        }
        CommandLine::Reply reply;
        reply.out = outcome.report() + QLatin1Char('\n');
        return reply;
    });
}

CommandLine::Reply exportList(const CommandLine::Request &request)
{
    const QString path = fromHere(request.values.value(QStringLiteral("export")));
    return guarded([&] {
        openDatabase(true);
        selectPair(request.values.value(QStringLiteral("pair")));
        const int compartment = request.values.contains(QStringLiteral("compartment"))
            ? request.values.value(QStringLiteral("compartment")).toInt()
            : -1;
        const WordList::Format format = request.values.value(QStringLiteral("format")) == QLatin1String("tsv")
            ? WordList::Format::Tsv
            : WordList::Format::Csv;
        const std::int64_t written = WordList::exportFile(path, compartment, format);
        CommandLine::Reply reply;
        reply.out = QStringLiteral("%1 Vokabeln exportiert\n").arg(written);
        return reply;
    });
}

CommandLine::Reply backup()
{
    const ExistingDatabase database = existingDatabase();
    if (!database.error.isEmpty()) {
        QString why = database.error;
        why.chop(1);
        return failed(why + QStringLiteral("; es wurde nichts gesichert."));
    }
    const Backups::Result result = Backups::run({database.path, backupFolder(database.path), false});
    if (!result.ok)
        return failed(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1").arg(result.error));
    CommandLine::Reply r;
    r.out = QDir::toNativeSeparators(result.path) + QLatin1Char('\n');
    return r;
}

} // namespace Headless
