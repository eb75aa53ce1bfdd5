// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"

#include "VokamiaVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using CommandLine::Option;

namespace {

// The program's commands, and one without a value that the program's table
// does not have, to exercise what its own rows do not.
CommandLine::Options commandsWithValues()
{
    CommandLine::Options o = CommandLine::programOptions();
    Option x;
    x.name = QStringLiteral("backup");
    x.role = Option::Role::Command;
    x.help = QStringLiteral("…");
    if (std::none_of(o.begin(), o.end(), [](const Option &e) { return e.name == QLatin1String("backup"); }))
        o.push_back(x);
    return o;
}

QString programPath()
{
    return QStringLiteral(VOKAMIA_BUILD_DIR "/bin/vokamia");
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<bool>("withValues");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("values"); // "name=value" pairs, by name
        QTest::addColumn<QString>("error");  // a part of the message; empty when valid

        auto row = [](const char *tag, bool withValues, QStringList args, const char *command, const char *values,
                      const char *error) {
            QTest::newRow(tag) << withValues << args << QString::fromUtf8(command) << QString::fromUtf8(values)
                               << QString::fromUtf8(error);
        };
        // The program's table.
        row("nothing", false, {}, "", "", "");
        row("toolkit options pass", false, {"-platform", "offscreen", "-style=Fusion", "--reverse", "-qmljsdebugger=port:1"}, "", "", "");
        row("toolkit value may look like ours", false, {"-qwindowtitle", "--version"}, "", "", "");
        row("help", false, {"--help"}, "help", "", "");
        row("short help", false, {"-h"}, "help", "", "");
        row("help among toolkit options", false, {"-platform", "offscreen", "--help"}, "help", "", "");
        row("the first info wins", false, {"--version", "--help"}, "version", "", "");
        row("end of options alone", false, {"--"}, "", "", "");
        row("unknown long", false, {"--hilfe"}, "", "", "Unbekannte Option „--hilfe“.");
        row("unknown value form", false, {"--hilfe=1"}, "", "", "Unbekannte Option „--hilfe“.");
        row("ours with one dash", false, {"-help"}, "", "", "Unbekannte Option „-help“.");
        row("unknown short", false, {"-x"}, "", "", "Unbekannte Option „-x“.");
        row("short with two dashes", false, {"--h"}, "", "", "Unbekannte Option „--h“.");
        row("error beats help", false, {"--help", "--bogus"}, "", "", "Unbekannte Option „--bogus“.");
        row("stray argument", false, {"Vokabeln.csv"}, "", "", "Unerwartetes Argument „Vokabeln.csv“.");
        row("stray after help", false, {"--help", "x"}, "", "", "Unerwartetes Argument „x“.");
        row("lone dash", false, {"-"}, "", "", "Unerwartetes Argument „-“.");
        row("option after end of options", false, {"--", "--help"}, "", "", "Unerwartetes Argument „--help“.");
        row("switch with a value", false, {"--version=2"}, "", "", "Die Option „--version“ nimmt keinen Wert.");

        // Commands with values.
        row("command with value", true, {"--import", "a.csv"}, "import", "import=a.csv", "");
        row("every value form", true, {"--import=a b.csv", "--pair=Englisch", "--compartment", "7", "--duplicates", "update"},
            "import", "compartment=7 duplicates=update import=a b.csv pair=Englisch", "");
        row("settings before the command", true, {"--format", "tsv", "--export", "x", "--compartment=0"}, "export",
            "compartment=0 export=x format=tsv", "");
        row("value with equals sign", true, {"--import=a=b.csv"}, "import", "import=a=b.csv", "");
        row("command without value", true, {"--backup"}, "backup", "backup=", "");
        row("help wins over a command", true, {"--import", "a.csv", "--help"}, "help", "", "");
        row("missing value at the end", true, {"--import"}, "", "", "Die Option „--import“ braucht einen Wert (DATEI).");
        row("missing value before an option", true, {"--import", "--pair", "x"}, "", "", "„--import“ braucht einen Wert");
        row("empty value", true, {"--pair=", "--import", "a"}, "", "", "„--pair“ braucht einen Wert (SPRACHE)");
        row("missing choice", true, {"--import", "a", "--duplicates"}, "", "", "„--duplicates“ braucht einen Wert (skip|update|add)");
        row("number too large", true, {"--import", "a", "--compartment", "8"}, "", "",
            "Ungültiger Wert „8“ für „--compartment“: erlaubt ist eine ganze Zahl von 0 bis 7.");
        row("negative number", true, {"--import", "a", "--compartment=-1"}, "", "", "Ungültiger Wert „-1“");
        row("number with sign", true, {"--import", "a", "--compartment=+3"}, "", "", "Ungültiger Wert „+3“");
        row("number with letters", true, {"--import", "a", "--compartment", "3x"}, "", "", "Ungültiger Wert „3x“");
        row("huge number", true, {"--import", "a", "--compartment", "99999999999"}, "", "", "Ungültiger Wert „99999999999“");
        row("unknown choice", true, {"--import", "a", "--duplicates", "maybe"}, "", "",
            "Ungültiger Wert „maybe“ für „--duplicates“: erlaubt sind skip, update, add.");
        row("choice in other case", true, {"--export", "a", "--format", "CSV"}, "", "", "Ungültiger Wert „CSV“");
        row("two commands", true, {"--import", "a", "--export", "b"}, "", "",
            "„--import“ und „--export“ lassen sich nicht zusammen angeben.");
        row("two commands, one bare", true, {"--backup", "--import", "a"}, "", "", "„--backup“ und „--import“ lassen");
        row("command twice", true, {"--import", "a", "--import", "b"}, "", "", "Die Option „--import“ ist mehrfach angegeben.");
        row("setting twice", true, {"--import", "a", "--pair", "x", "--pair", "x"}, "", "", "„--pair“ ist mehrfach angegeben.");
        row("setting without command", true, {"--pair", "Englisch"}, "", "",
            "„--pair“ gilt nur zusammen mit „--import“ oder „--export“.");
        row("setting of another command", true, {"--export", "a", "--duplicates", "add"}, "", "",
            "„--duplicates“ gilt nur zusammen mit „--import“.");
        row("setting with a switch command", true, {"--backup", "--compartment", "1"}, "", "", "„--compartment“ gilt nur zusammen");
    }

    // Every request is either valid with exactly the values given, or wrong
    // with a German message naming what is wrong and no command left over.
    void parse()
    {
        QFETCH(bool, withValues);
        QFETCH(QStringList, args);
        QFETCH(QString, command);
        QFETCH(QString, values);
        QFETCH(QString, error);

        const CommandLine::Request r =
            withValues ? CommandLine::parse(args, commandsWithValues()) : CommandLine::parse(args);
        if (error.isEmpty()) {
            QVERIFY2(r.ok(), qPrintable(r.error));
        } else {
            QVERIFY2(r.error.startsWith(QStringLiteral("vokamia: ")), qPrintable(r.error));
            QVERIFY2(r.error.contains(error), qPrintable(r.error));
        }
        QCOMPARE(r.command, command);
        QStringList got;
        for (auto it = r.values.begin(); it != r.values.end(); ++it)
            got << it.key() + QLatin1Char('=') + it.value();
        QCOMPARE(got.join(QLatin1Char(' ')), values);
    }

    // The usage grows with the table: every command shows its own line with
    // the settings that go with it.
    void usageListsEveryCommandWithItsSettings()
    {
        const QString text = CommandLine::usage(commandsWithValues());
        QVERIFY2(text.contains(QStringLiteral("\n        vokamia --import DATEI [--pair SPRACHE] [--compartment N] "
                                              "[--duplicates skip|update|add]\n")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\n        vokamia --backup\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\n      --format csv|tsv")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("qwindowtitle")));
    }

    void program_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        const QString usage = CommandLine::usage();
        QTest::newRow("help") << QStringList{"--help"} << 0 << usage << QString();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QStringLiteral("Vokamia " VOKAMIA_VERSION_FULL "\n")
                                 << QString();
        QTest::newRow("bad option") << QStringList{"--Hilfe"} << 2 << QString()
                                    << QStringLiteral("vokamia: Unbekannte Option „--Hilfe“.\n\n") + usage;
        QTest::newRow("stray argument") << QStringList{"Wörter.csv"} << 2 << QString()
                                        << QStringLiteral("vokamia: Unerwartetes Argument „Wörter.csv“.\n\n") + usage;
        QTest::newRow("backup without a database")
            << QStringList{"--backup"} << 1 << QString()
            << QStringLiteral("vokamia: Es gibt noch keine Vokabeldatenbank (%HOME%/data/Vokamia/Vokabeln.mdb); es wurde "
                              "nichts gesichert.\n");
        QTest::newRow("backup twice") << QStringList{"--backup", "--backup"} << 2 << QString()
                                      << QStringLiteral("vokamia: Die Option „--backup“ ist mehrfach angegeben.\n\n") + usage;
        QTest::newRow("backup with a value") << QStringList{"--backup=jetzt"} << 2 << QString()
                                             << QStringLiteral("vokamia: Die Option „--backup“ nimmt keinen Wert.\n\n") + usage;
    }

    // The real program, on a console without any display: it answers, ends
    // with the documented status and creates nothing of the learner's.
    void program()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));

        QProcess p;
        p.setProcessEnvironment(env);
        p.start(programPath(), args);
        QVERIFY2(p.waitForFinished(-1), qPrintable(p.errorString()));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString(err).replace(QStringLiteral("%HOME%"), home.path()));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), out);
        QCOMPARE(p.exitCode(), status);
        QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

    void backupCommand_data()
    {
        QTest::addColumn<QString>("database"); // "cards", "access", "folder"
        QTest::addColumn<QString>("chosen");   // the backup folder setting; %HOME% replaced
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("made");     // folder the backup goes to
        QTest::addColumn<QString>("err");
        QTest::newRow("beside the database") << "cards" << "" << 0 << "%HOME%/data/Vokamia/Sicherungen" << "";
        QTest::newRow("chosen folder") << "cards" << "%HOME%/Stick/Vokabeln" << 0 << "%HOME%/Stick/Vokabeln" << "";
        QTest::newRow("folder not writable")
            << "cards" << "%HOME%/eine Datei" << 1 << ""
            << "vokamia: Die Sicherung ist fehlgeschlagen: Der Sicherungsordner „%HOME%/eine Datei“ kann nicht "
               "beschrieben werden. Der Pfad führt nicht zu einem Ordner.\n";
        QTest::newRow("Access database waiting") << "access" << "" << 1 << ""
                                                 << "vokamia: Die Datenbank %HOME%/data/Vokamia/Vokabeln.mdb ist eine "
                                                    "Access-Datenbank, die Vokamia beim nächsten Start übernimmt; es "
                                                    "wurde nichts gesichert.\n";
        QTest::newRow("not a database") << "text" << "" << 1 << ""
                                        << "vokamia: Die Sicherung ist fehlgeschlagen: Die Datei ist keine "
                                           "Vokabeldatenbank.\n";
    }
    // "--backup" on a console: the path of the new backup on standard
    // output, or a German reason and status 1; never a window.
    void backupCommand()
    {
        QFETCH(QString, database);
        QFETCH(QString, chosen);
        QFETCH(int, status);
        QFETCH(QString, made);
        QFETCH(QString, err);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        auto expand = [&](QString s) { return s.replace(QStringLiteral("%HOME%"), home.path()); };
        const QString data = home.path() + QStringLiteral("/data/Vokamia");
        QVERIFY(QDir().mkpath(data));
        const QString dbPath = data + QStringLiteral("/Vokabeln.mdb");
        if (database == QLatin1String("cards")) {
            auto db = store::Database::create(dbPath, Catalogue::kLocale, Catalogue::kFormat);
            Catalogue::CreateCatalogueTable(*db);
            Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), QStringLiteral("Englisch"));
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES ('house', 'Haus', 1)"));
        } else {
            QFile f(dbPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(database == QLatin1String("access") ? QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20)
                                                        : QByteArray(4096, 'x'));
        }
        if (chosen.contains(QStringLiteral("Datei"))) {
            QFile f(expand(chosen));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        if (!chosen.isEmpty()) {
            QDir().mkpath(home.path() + QStringLiteral("/config/Vokamia"));
            QSettings s(home.path() + QStringLiteral("/config/Vokamia/Vokamia.ini"), QSettings::IniFormat);
            s.setValue(QStringLiteral("Sicherung/Ordner"), expand(chosen));
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(programPath(), {QStringLiteral("--backup")});
        QVERIFY2(p.waitForFinished(-1), qPrintable(p.errorString()));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), expand(err));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), status);
        if (status != 0) {
            QCOMPARE(out, QString());
            return;
        }
        QVERIFY2(out.endsWith(QLatin1Char('\n')), qPrintable(out));
        const QString path = out.chopped(1);
        const QFileInfo info(path);
        QCOMPARE(info.absolutePath(), expand(made));
        QVERIFY2(BackupCopy::isBackupName(info.fileName()), qPrintable(path));
        QCOMPARE(BackupCopy::countsOf(path).value(0).cards, 1);
        QCOMPARE(BackupCopy::fingerprintOf(path), BackupCopy::fingerprintOf(dbPath));
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
