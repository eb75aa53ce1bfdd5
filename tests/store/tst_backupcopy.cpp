// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString helper(const char *name)
{
    return QStringLiteral(VOKAMIA_BUILD_DIR "/tests/helpers/") + QLatin1String(name);
}

// What SQLite itself says of a file, through a connection that knows
// nothing of ours but the collation's name (the check must compare).
QString integrity(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(db, "VKGERMAN", SQLITE_UTF8, nullptr,
                             [](void *, int na, const void *a, int nb, const void *b) {
                                 const int c = memcmp(a, b, size_t(std::min(na, nb)));
                                 return c != 0 ? c : na - nb;
                             });
    sqlite3_stmt *st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    else
        out = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

const QDateTime kWhen(QDate(2026, 3, 14), QTime(9, 26, 53));

} // namespace

class TestBackupCopy : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    AppState &app() { return AppState::instance(); }
    store::Database &db() { return *app().Database; }
    QString folder() const { return sb.work->file(QStringLiteral("Sicherungen")); }

    void addCards(const QString &table, int n, const QString &stem = QStringLiteral("w"))
    {
        db().beginTrans();
        for (int i = 0; i < n; ++i)
            db().execute(QStringLiteral("INSERT INTO [%1] (FVok, MVok, Fach) VALUES (?, ?, 1)").arg(table),
                         {stem + QString::number(i), stem.toUpper() + QString::number(i)});
        db().commitTrans();
    }

private slots:
    void init()
    {
        sb.start();
        Catalogue::OpenVocabularyDatabase();
        app().CurrentTable = QStringLiteral("tEnglisch");
    }
    void cleanup()
    {
        BackupCopy::setStepHook({});
        sb.stop();
    }

    void namesAndTimes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << "Vokabeln-20260314-092653.mdb" << true << 1;
        QTest::newRow("second of the second") << "Vokabeln-20260314-092653-2.mdb" << true << 2;
        QTest::newRow("twelfth") << "Vokabeln-20260314-092653-12.mdb" << true << 12;
        QTest::newRow("-1 is never written") << "Vokabeln-20260314-092653-1.mdb" << false << 0;
        QTest::newRow("-0") << "Vokabeln-20260314-092653-0.mdb" << false << 0;
        QTest::newRow("no such day") << "Vokabeln-20260230-092653.mdb" << false << 0;
        QTest::newRow("no such hour") << "Vokabeln-20260314-252653.mdb" << false << 0;
        QTest::newRow("text file") << "Vokabeln-20260314-092653.txt" << false << 0;
        QTest::newRow("the database itself") << "Vokabeln.mdb" << false << 0;
        QTest::newRow("other case") << "vokabeln-20260314-092653.mdb" << false << 0;
        QTest::newRow("something after") << "Vokabeln-20260314-092653.mdb.bak" << false << 0;
        QTest::newRow("temporary") << ".Vokabeln-abcdefghij.tmp" << false << 0;
    }
    // Only what a backup is called counts as one: rotation and the list
    // must never take the learner's other files for backups.
    void namesAndTimes()
    {
        QFETCH(QString, name);
        QFETCH(bool, backup);
        QFETCH(int, number);
        int n = 0;
        const auto when = BackupCopy::timeOf(name, &n);
        QCOMPARE(when.has_value(), backup);
        if (!backup)
            return;
        QCOMPARE(*when, kWhen);
        QCOMPARE(n, number);
        QCOMPARE(BackupCopy::fileName(*when, n), name);
    }

    // A backup is a single complete file with the cards of every pair, its
    // text file counts them, and nothing temporary is left behind.
    void makeLeavesOneCheckedCopyAndItsSummary()
    {
        Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), QStringLiteral("Französisch"));
        addCards(QStringLiteral("tEnglisch"), 120);
        addCards(QStringLiteral("tFranzösisch"), 7, QStringLiteral("mot"));

        const BackupCopy::Made made = BackupCopy::make(app().DatabasePath, folder(), kWhen);
        QCOMPARE(made.path, QDir(folder()).filePath(QStringLiteral("Vokabeln-20260314-092653.mdb")));
        QCOMPARE(entries(folder()),
                 (QStringList{QStringLiteral("Vokabeln-20260314-092653.mdb"), QStringLiteral("Vokabeln-20260314-092653.txt")}));
        QCOMPARE(integrity(made.path), QStringLiteral("ok"));
        // A single file: no log beside it once it is opened elsewhere.
        const std::optional<QByteArray> head = [&]() -> std::optional<QByteArray> {
            QFile f(made.path);
            if (!f.open(QIODevice::ReadOnly))
                return std::nullopt;
            return f.read(20);
        }();
        QVERIFY(head);
        QCOMPARE(int(head->at(18)), 1);

        const auto summary = BackupCopy::readSummary(made.path);
        QVERIFY(summary);
        QCOMPARE(summary->pairs.size(), 2);
        QCOMPARE(summary->pairs[0].language, QStringLiteral("Englisch"));
        QCOMPARE(summary->pairs[0].cards, 120);
        QCOMPARE(summary->pairs[1].language, QStringLiteral("Französisch"));
        QCOMPARE(summary->pairs[1].cards, 7);
        QCOMPARE(summary->cards(), 127);
        // Fingerprinting is left to the start-up, where it decides.
        QCOMPARE(summary->fingerprint, QString());
        QCOMPARE(BackupCopy::fingerprintOfBackup(made.path), BackupCopy::fingerprintOf(app().DatabasePath));
        QCOMPARE(BackupCopy::readSummary(made.path)->fingerprint, BackupCopy::fingerprintOf(app().DatabasePath));
        QCOMPARE(BackupCopy::readSummary(made.path)->cards(), 127);

        // A name that would break the line still gives one line per pair.
        db().execute(QStringLiteral("UPDATE tSprache SET FremdSprache = ? WHERE SprachId = 2"),
                     {QStringLiteral("Franz\tö\r\nsisch")});
        const QString odd = BackupCopy::make(app().DatabasePath, folder(), kWhen.addSecs(1)).path;
        QVERIFY(BackupCopy::readSummary(odd));
        QCOMPARE(BackupCopy::readSummary(odd)->pairs.size(), 2);
        QCOMPARE(BackupCopy::readSummary(odd)->pairs[1].language, QStringLiteral("Franz ö  sisch"));
        QCOMPARE(BackupCopy::readSummary(odd)->cards(), 127);

        // The copy opens through the engine with every card.
        auto copy = store::Database::open(made.path);
        QCOMPARE(copy->openRecordset(QStringLiteral("Select count(*) from tEnglisch"))->value(0).toInt(), 120);
    }

    // A database in write-ahead mode, with changes still in its log, gives
    // a backup of a single file that holds them.
    void copyOfALoggedDatabaseIsOneFile()
    {
        QCOMPARE(db().openRecordset(QStringLiteral("PRAGMA journal_mode = WAL"))->value(0).toString(), QStringLiteral("wal"));
        addCards(QStringLiteral("tEnglisch"), 40);
        QVERIFY(QFile::exists(app().DatabasePath + QStringLiteral("-wal")));
        const BackupCopy::Made made = BackupCopy::make(app().DatabasePath, folder(), kWhen);
        QCOMPARE(entries(folder()),
                 (QStringList{QStringLiteral("Vokabeln-20260314-092653.mdb"), QStringLiteral("Vokabeln-20260314-092653.txt")}));
        QFile f(made.path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(int(f.read(20).at(18)), 1);
        f.close();
        QCOMPARE(integrity(made.path), QStringLiteral("ok"));
        QCOMPARE(BackupCopy::countsOf(made.path).value(0).cards, 40);
        QCOMPARE(BackupCopy::fingerprintOfBackup(made.path), BackupCopy::fingerprintOf(app().DatabasePath));
        // And it goes back into the logged file.
        addCards(QStringLiteral("tEnglisch"), 5, QStringLiteral("x"));
        {
            BackupCopy::CheckedCopy checked = BackupCopy::check(made.path, folder());
            db().replaceContent(checked.path());
        }
        QCOMPARE(Records::countAll(), 40);
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), BackupCopy::fingerprintOfBackup(made.path));
        QCOMPARE(db().openRecordset(QStringLiteral("PRAGMA journal_mode"))->value(0).toString(), QStringLiteral("wal"));
    }

    // Two backups in one second never share a name, and the first is never
    // replaced.
    void backupsOfOneSecondAreNumbered()
    {
        const QString first = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        addCards(QStringLiteral("tEnglisch"), 3);
        const QString second = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        const QString third = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        QVERIFY(first.endsWith(QStringLiteral("Vokabeln-20260314-092653.mdb")));
        QVERIFY(second.endsWith(QStringLiteral("Vokabeln-20260314-092653-2.mdb")));
        QVERIFY(third.endsWith(QStringLiteral("Vokabeln-20260314-092653-3.mdb")));
        QCOMPARE(BackupCopy::readSummary(first)->cards(), 0);
        QCOMPARE(BackupCopy::readSummary(second)->cards(), 3);
        QCOMPARE(BackupCopy::list(folder()), (QStringList{third, second, first}));
    }

    void fingerprintFollowsContent_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("differs");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("a card added") << "INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES ('new', 'neu', 1)" << true;
        QTest::newRow("a card moved") << "UPDATE tEnglisch SET Fach = 2 WHERE VNr = 3" << true;
        QTest::newRow("one letter") << "UPDATE tEnglisch SET MVok = 'W2' WHERE VNr = 2" << true;
        QTest::newRow("letter case") << "UPDATE tEnglisch SET FVok = 'W1' WHERE VNr = 2" << true;
        QTest::newRow("a card deleted") << "DELETE FROM tEnglisch WHERE VNr = 5" << true;
        QTest::newRow("null to text") << "UPDATE tEnglisch SET FSatz = 'x' WHERE VNr = 1" << true;
        QTest::newRow("same value written") << "UPDATE tEnglisch SET Fach = Fach" << false;
        QTest::newRow("an index") << "CREATE INDEX extra ON tEnglisch (MVok)" << true;
        QTest::newRow("an answer logged")
            << "INSERT INTO VkSysAntworten (Zeit, SprachId, VNr, FachVorher, FachNachher, Richtig) "
               "VALUES ('2026-03-14 09:00:00', 1, 3, 1, 2, 1)"
            << true;
        QTest::newRow("a day's card box, counted from the cards")
            << "INSERT INTO VkSysKastenTage (Tag, SprachId, Fach0, Fach1) VALUES ('2026-03-14', 1, 0, 10)" << false;
    }
    // The start-up compares fingerprints instead of file times: a change of
    // one letter counts, writing the same values again does not.
    void fingerprintFollowsContent()
    {
        QFETCH(QString, change);
        QFETCH(bool, differs);
        addCards(QStringLiteral("tEnglisch"), 10);
        const QString before = BackupCopy::fingerprintOf(app().DatabasePath);
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), before);
        if (!change.isEmpty())
            db().execute(change);
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath) != before, differs);
    }

    // At start-up the fingerprint is taken with the copy, and an unchanged
    // database gets no backup at all.
    void fingerprintDecidesAtStartUp()
    {
        addCards(QStringLiteral("tEnglisch"), 8);
        const BackupCopy::Made first = BackupCopy::make(app().DatabasePath, folder(), kWhen, {true, {}});
        QVERIFY(!first.unchanged);
        QCOMPARE(first.summary.fingerprint, BackupCopy::fingerprintOf(app().DatabasePath));
        QCOMPARE(BackupCopy::readSummary(first.path)->fingerprint, first.summary.fingerprint);
        const BackupCopy::Made same = BackupCopy::make(app().DatabasePath, folder(), kWhen.addDays(1),
                                                       {true, first.summary.fingerprint});
        QVERIFY(same.unchanged);
        QCOMPARE(same.path, QString());
        QCOMPARE(BackupCopy::list(folder()).size(), 1);
        addCards(QStringLiteral("tEnglisch"), 1, QStringLiteral("y"));
        const BackupCopy::Made changed = BackupCopy::make(app().DatabasePath, folder(), kWhen.addDays(1),
                                                          {true, first.summary.fingerprint});
        QVERIFY(!changed.unchanged);
        QCOMPARE(BackupCopy::readSummary(changed.path)->cards(), 9);
        QCOMPARE(BackupCopy::fingerprintOf(changed.path), changed.summary.fingerprint);
    }

    // A copy taken while another program writes in its own transactions
    // holds one of the states between them: each transaction adds a card to
    // both pairs, so every consistent copy has as many of one as the other.
    void copyWhileAnotherProgramWrites()
    {
        Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), QStringLiteral("Spanisch"));
        addCards(QStringLiteral("tEnglisch"), 2000);
        addCards(QStringLiteral("tSpanisch"), 2000);
        QProcess writer;
        writer.start(helper("pair_writer"), {app().DatabasePath, QStringLiteral("400")});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        QVERIFY(writer.waitForReadyRead(-1));
        QCOMPARE(writer.readLine().trimmed(), QByteArray("writing"));

        QStringList made;
        for (int i = 0; i < 4 && writer.state() == QProcess::Running; ++i)
            made << BackupCopy::make(app().DatabasePath, folder(), kWhen.addSecs(i)).path;
        QVERIFY(writer.waitForFinished(-1));
        QCOMPARE(writer.exitCode(), 0);
        QVERIFY(!made.isEmpty());
        for (const QString &path : made) {
            QCOMPARE(integrity(path), QStringLiteral("ok"));
            const auto s = BackupCopy::readSummary(path);
            QVERIFY(s);
            QCOMPARE(s->pairs.size(), 2);
            QCOMPARE(s->pairs[0].cards, s->pairs[1].cards);
        }
    }

    // Leftovers of a killed run go at the next backup; a copy still being
    // written (its lock held) and everything that is not ours stay.
    void temporaryLeftoversAreCleanedUp()
    {
        QDir().mkpath(folder());
        auto touch = [&](const QString &name) {
            QFile f(QDir(folder()).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        };
        touch(QStringLiteral(".Vokabeln-aaaaaaaaaa.tmp"));
        touch(QStringLiteral(".Vokabeln-aaaaaaaaaa.tmp-journal"));
        touch(QStringLiteral(".Vokabeln-bbbbbbbbbb.tmp-wal"));
        touch(QStringLiteral(".Vokabeln-cccccccccc.tmp"));
        touch(QStringLiteral("Vokabeln-meine.mdb"));
        touch(QStringLiteral(".Vokabeln-abc.tmp"));
        touch(QStringLiteral("notizen.txt"));
        const int held = ::open(QFile::encodeName(QDir(folder()).filePath(QStringLiteral(".Vokabeln-cccccccccc.tmp"))).constData(),
                                O_RDONLY);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX), 0);

        BackupCopy::make(app().DatabasePath, folder(), kWhen);
        ::close(held);
        QCOMPARE(entries(folder()),
                 (QStringList{QStringLiteral(".Vokabeln-abc.tmp"), QStringLiteral(".Vokabeln-cccccccccc.tmp"),
                              QStringLiteral("Vokabeln-20260314-092653.mdb"), QStringLiteral("Vokabeln-20260314-092653.txt"),
                              QStringLiteral("Vokabeln-meine.mdb"), QStringLiteral("notizen.txt")}));
    }

    void failingCopyLeavesNoName_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::newRow("after creating") << "created";
        QTest::newRow("after copying") << "copied";
        QTest::newRow("after checking") << "checked";
        QTest::newRow("after flushing") << "synced";
    }
    // A copy that fails on its way (a full disk, a failed check) leaves
    // neither a backup's name nor its temporary file.
    void failingCopyLeavesNoName()
    {
        QFETCH(QString, failAt);
        addCards(QStringLiteral("tEnglisch"), 50);
        BackupCopy::setStepHook([failAt](const char *step) {
            if (failAt == QLatin1String(step))
                throw store::Error(QStringLiteral("Auf dem Datenträger ist nicht genug Platz."));
        });
        QVERIFY_THROWS_EXCEPTION(store::Error, BackupCopy::make(app().DatabasePath, folder(), kWhen));
        QCOMPARE(entries(folder()), QStringList());
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("below a file") << "datei/Sicherungen";
        QTest::newRow("a file") << "datei";
    }
    // A folder that cannot be written is named in a German message, and
    // the database is left as it was.
    void unwritableFolder()
    {
        QFETCH(QString, where);
        addCards(QStringLiteral("tEnglisch"), 5);
        QFile file(sb.work->file(QStringLiteral("datei")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString before = BackupCopy::fingerprintOf(app().DatabasePath);
        const QString target = sb.work->file(where);
        try {
            BackupCopy::make(app().DatabasePath, target, kWhen);
            QFAIL("no error");
        } catch (const store::Error &e) {
            QVERIFY2(e.description().startsWith(QStringLiteral("Der Sicherungsordner „%1“ kann nicht beschrieben werden.")
                                                    .arg(target)),
                     qPrintable(e.description()));
        }
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), before);
        QCOMPARE(Records::countAll(), 5);
    }

    // A backup whose text file went missing or was garbled is read once and
    // the file written again.
    void summaryRewrittenWhenMissingOrGarbled_data()
    {
        QTest::addColumn<QByteArray>("text"); // null: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("no fingerprint line") << QByteArray("Englisch\t12\n");
        QTest::newRow("count no number") << QByteArray("Prüfsumme\tab12\nEnglisch\tzwölf\n");
        QTest::newRow("negative count") << QByteArray("Prüfsumme\tab12\nEnglisch\t-3\n");
    }
    void summaryRewrittenWhenMissingOrGarbled()
    {
        QFETCH(QByteArray, text);
        addCards(QStringLiteral("tEnglisch"), 12);
        const BackupCopy::Made made = BackupCopy::make(app().DatabasePath, folder(), kWhen);
        const QString txt = BackupCopy::summaryPath(made.path);
        QFile::remove(txt);
        if (!text.isNull()) {
            QFile f(txt);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        QVERIFY(!BackupCopy::readSummary(made.path));
        const BackupCopy::Summary s = BackupCopy::summaryOf(made.path);
        QCOMPARE(s.cards(), 12);
        QVERIFY(BackupCopy::readSummary(made.path));
        QCOMPARE(BackupCopy::readSummary(made.path)->cards(), 12);
        QCOMPARE(BackupCopy::fingerprintOfBackup(made.path), BackupCopy::fingerprintOf(app().DatabasePath));
    }

    // Rotation deletes a backup with its text file, and never a file that
    // is not a backup.
    void removeTakesBothFilesAndNothingElse()
    {
        const QString a = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        const QString b = BackupCopy::make(app().DatabasePath, folder(), kWhen.addDays(1)).path;
        const QString other = QDir(folder()).filePath(QStringLiteral("Vokabeln-alt.mdb"));
        QVERIFY(QFile::copy(a, other));
        QCOMPARE(BackupCopy::remove({a, other}), QStringList());
        QCOMPARE(entries(folder()), (QStringList{QStringLiteral("Vokabeln-20260315-092653.mdb"),
                                                 QStringLiteral("Vokabeln-20260315-092653.txt"),
                                                 QStringLiteral("Vokabeln-alt.mdb")}));
        QVERIFY(QFile::exists(b));
    }

    void damagedBackupRefused_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("garbled page") << "garble";
        QTest::newRow("cut short") << "cut";
        QTest::newRow("no database") << "text";
        QTest::newRow("pair without table") << "DROP TABLE tFranzösisch";
        QTest::newRow("table without card number") << "ALTER TABLE tFranzösisch RENAME COLUMN VNr TO Nr";
        QTest::newRow("no catalogue") << "DROP TABLE tSprache";
        QTest::newRow("catalogue row without table name") << "UPDATE tSprache SET Tabelle = '' WHERE SprachId = 2";
    }
    // A backup that fails any check is refused with a German message
    // naming it, before anything is changed.
    void damagedBackupRefused()
    {
        QFETCH(QString, damage);
        Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), QStringLiteral("Französisch"));
        addCards(QStringLiteral("tEnglisch"), 3000);
        const QString path = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        if (damage == QLatin1String("garble") || damage == QLatin1String("cut") || damage == QLatin1String("text")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const qint64 size = f.size();
            if (damage == QLatin1String("garble")) {
                f.seek(size / 2);
                f.write(QByteArray(4096, '\x5a'));
            } else if (damage == QLatin1String("cut")) {
                f.resize(size / 3);
            } else {
                f.resize(0);
                f.write("Englisch;Deutsch\nhouse;Haus\n");
            }
        } else {
            auto copy = store::Database::open(path);
            copy->execute(damage);
        }
        try {
            BackupCopy::check(path, sb.work->path());
            QFAIL("accepted");
        } catch (const store::Error &e) {
            QVERIFY2(e.description().startsWith(
                         QStringLiteral("Die Sicherung „Vokabeln-20260314-092653.mdb“ ist beschädigt und kann nicht "
                                        "wiederhergestellt werden: ")),
                     qPrintable(e.description()));
        }
        // Nor does the check leave a file of its own.
        QCOMPARE(QDir(sb.work->path()).entryList({QStringLiteral(".Vokabeln-*")}, QDir::Files | QDir::Hidden), QStringList());
    }

    // Restoring writes the backup into the open file: recordsets opened
    // before read the restored rows, and a backup made just before brings
    // the later state back.
    void restoreAndUndo()
    {
        addCards(QStringLiteral("tEnglisch"), 20);
        const QString yesterday = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        db().execute(QStringLiteral("DELETE FROM tEnglisch WHERE VNr > 5"));
        db().execute(QStringLiteral("UPDATE tEnglisch SET FVok = 'kaputt'"));
        Catalogue::addLanguagePair(db(), QStringLiteral("Deutsch"), QStringLiteral("Italienisch"));

        auto list = db().openRecordset(QStringLiteral("Select * from tEnglisch order by VNr"));
        auto table = db().openRecordset(QStringLiteral("tEnglisch"), store::RecordsetType::Table);
        QCOMPARE(list->rowCount(), 5);
        QCOMPARE(list->text(QStringLiteral("FVok")), QStringLiteral("kaputt"));

        const QString today = BackupCopy::make(app().DatabasePath, folder(), kWhen.addDays(1)).path;
        {
            BackupCopy::CheckedCopy checked = BackupCopy::check(yesterday, folder());
            // A backup in the same folder meanwhile takes the checked copy
            // for no leftover.
            BackupCopy::make(app().DatabasePath, folder(), kWhen.addDays(2));
            db().replaceContent(checked.path());
        }
        list->requery();
        QCOMPARE(list->rowCount(), 20);
        QCOMPARE(list->text(QStringLiteral("FVok")), QStringLiteral("w0"));
        QVERIFY(!db().hasTable(QStringLiteral("tItalienisch")));
        QCOMPARE(Records::countAll(), 20);
        table->moveLast();
        QCOMPARE(table->value(QStringLiteral("VNr")).toInt(), 20);
        // The restored file is the backup's content, and a new card goes on
        // from its numbers.
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), BackupCopy::fingerprintOfBackup(yesterday));

        {
            BackupCopy::CheckedCopy checked = BackupCopy::check(today, folder());
            db().replaceContent(checked.path());
        }
        QCOMPARE(Records::countAll(), 5);
        QVERIFY(db().hasTable(QStringLiteral("tItalienisch")));
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), BackupCopy::fingerprintOfBackup(today));
        // The checked copies are gone with their objects.
        QCOMPARE(QDir(folder()).entryList({QStringLiteral(".Vokabeln-*")}, QDir::Files | QDir::Hidden), QStringList());
    }

    // A backup from before the statistics were kept goes back in with its
    // cards, and the restored file keeps statistics again at once: the
    // next answer is logged, not refused for a missing table.
    void restoreOfABackupWithoutStatistics()
    {
        addCards(QStringLiteral("tEnglisch"), 3);
        const QString old = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open(old.toUtf8().constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "DROP TABLE VkSysAntworten; DROP TABLE VkSysKastenTage", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(raw);
        {
            BackupCopy::CheckedCopy checked = BackupCopy::check(old, folder());
            db().replaceContent(checked.path());
        }
        QCOMPARE(Records::countAll(), 3);
        QVERIFY(db().keepsStatistics());
        for (const char *table : {"VkSysAntworten", "VkSysKastenTage"})
            QCOMPARE(db().openRecordset(QStringLiteral("Select count(*) from ") + QLatin1String(table))->value(0).toInt(),
                     0);
    }

    // Inside a transaction the content cannot be swapped: the learner's
    // unfinished change would be lost or half kept.
    void noRestoreInsideATransaction()
    {
        const QString path = BackupCopy::make(app().DatabasePath, folder(), kWhen).path;
        BackupCopy::CheckedCopy checked = BackupCopy::check(path, folder());
        db().beginTrans();
        addCards(QStringLiteral("tEnglisch"), 2);
        QVERIFY_THROWS_EXCEPTION(store::Error, db().replaceContent(checked.path()));
        db().commitTrans();
        QCOMPARE(Records::countAll(), 2);
    }
};

QTEST_MAIN(TestBackupCopy)
#include "tst_backupcopy.moc"
