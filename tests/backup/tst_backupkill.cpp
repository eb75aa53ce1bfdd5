// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

class TestBackupKill : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    // A backup, or the removal of an old one, killed at any point never
    // leaves a file that looks like a backup and is not one: whatever
    // carries a backup's name is complete and holds every card, and the
    // next backup clears what the killed ones left.
    void killedBackupsLeaveNoHalfCopy()
    {
        Catalogue::OpenVocabularyDatabase();
        store::Database &db = *AppState::instance().Database;
        constexpr int kCards = 30000;
        db.beginTrans();
        for (int i = 0; i < kCards; ++i)
            db.execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, FSatz, Fach) VALUES (?, ?, ?, ?)"),
                       {QStringLiteral("word%1").arg(i), QStringLiteral("Wort%1").arg(i),
                        QStringLiteral("A sentence of some length for card %1.").arg(i), 1 + i % 7});
        db.commitTrans();
        const QString database = AppState::instance().DatabasePath;
        const QString folder = sb.work->file(QStringLiteral("Sicherungen"));

        const QString whole = BackupCopy::fingerprintOf(database);
        auto checkFolder = [&] {
            for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
                const QString path = QDir(folder).filePath(name);
                if (BackupCopy::isBackupName(name)) {
                    // Every row of every table, exactly as in the database.
                    QString content;
                    try {
                        content = BackupCopy::fingerprintOf(path);
                    } catch (const store::Error &e) {
                        content = e.description();
                    }
                    QCOMPARE(content, whole);
                    const auto summary = BackupCopy::summaryOf(path);
                    QCOMPARE(summary.cards(), qint64(kCards));
                } else if (name.endsWith(QStringLiteral(".txt"))) {
                    // A text file only beside its backup, and whole.
                    const QString backup = path.left(path.size() - 4) + QStringLiteral(".mdb");
                    QVERIFY2(QFile::exists(backup), qPrintable(name));
                } else {
                    QVERIFY2(BackupCopy::isTemporaryName(name), qPrintable(name));
                }
            }
        };
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rng(seed);
        int killedMidway = 0;
        int killedRemoving = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess child;
            child.start(QStringLiteral(VOKAMIA_BUILD_DIR "/tests/helpers/backup_child"), {database, folder});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Some steps of some backup, then the kill lands wherever the
            // child has got to meanwhile.
            const int steps = int(rng.bounded(30));
            QByteArray last;
            for (int seen = 0; seen < steps;) {
                if (!child.canReadLine() && !child.waitForReadyRead(-1))
                    break;
                while (seen < steps && child.canReadLine()) {
                    last = child.readLine().trimmed();
                    ++seen;
                }
            }
            if (last == "shrinking")
                ++killedRemoving;
            else if (last != "summarised" && last != "removed")
                ++killedMidway;
            child.kill();
            QVERIFY(child.waitForFinished(-1));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            checkFolder();
            if (QTest::currentTestFailed())
                qInfo("seed %u, round %d, killed after \"%s\"", seed, round, last.constData());
            QVERIFY(!QTest::currentTestFailed());
        }
        qInfo("seed %u, %d kills before a backup was whole, %d while one was removed", seed, killedMidway,
              killedRemoving);

        checkFolder();
        BackupCopy::make(database, folder, QDateTime::currentDateTime());
        checkFolder();
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!BackupCopy::isTemporaryName(name), qPrintable(name));
    }
};

QTEST_MAIN(TestBackupKill)
#include "tst_backupkill.moc"
