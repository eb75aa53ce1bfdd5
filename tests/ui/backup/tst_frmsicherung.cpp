// SPDX-License-Identifier: GPL-3.0-or-later
// The backup window, on its own and from the main window, against a real
// database in the sandbox.
#include "TestSupport.h"

#include "backup/BackupService.h"
#include "core/AppState.h"
#include "core/Places.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "ui/backup/frmSicherung.h"
#include "ui/common/Safeguard.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

const QDateTime kYesterday(QDate(2026, 3, 13), QTime(18, 5, 9));

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

QStringList lines(QWidget &w)
{
    QStringList out;
    auto *list = child<QListWidget>(w, "lstSicherungen");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestFrmSicherung : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::unique_ptr<frmMain> main_;

    AppState &app() { return AppState::instance(); }
    QString defaultFolder() const { return QDir(QFileInfo(Places::databasePath()).absolutePath()).filePath(QStringLiteral("Sicherungen")); }

    // The program's first start: the database with its first pair.
    void firstStart(int englishCards)
    {
        Catalogue::OpenVocabularyDatabase();
        addCards(QStringLiteral("tEnglisch"), englishCards);
    }
    void addCards(const QString &table, int n, int first = 0)
    {
        for (int i = first; i < first + n; ++i)
            app().Database->execute(QStringLiteral("INSERT INTO [%1] (FVok, MVok, Fach) VALUES (?, ?, 1)").arg(table),
                                    {QStringLiteral("w%1").arg(i), QStringLiteral("W%1").arg(i)});
    }
    int count(const QString &table)
    {
        return app().Database->openRecordset(QStringLiteral("Select count(*) from [%1]").arg(table))->value(0).toInt();
    }
    // The window as the main window's menu opens it, driven by `drive`.
    void startMain()
    {
        main_ = std::make_unique<frmMain>();
        main_->show();
    }
    void openFromMenu(std::function<void(QDialog &)> drive)
    {
        sb.windows->onOpen(QStringLiteral("frmSicherung"), std::move(drive));
        QAction *a = main_->findChild<QAction *>(QStringLiteral("mSicherung"));
        QVERIFY(a);
        QVERIFY(a->isEnabled());
        a->trigger();
    }
    // What a finished background backup has to say reaches the window.
    void settle()
    {
        Backups::Service::instance().waitForIdle();
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        sb.start();
        Safeguard::setProgressDelayForTesting(0);
    }
    void cleanup()
    {
        main_.reset();
        frmSicherung::setFolderOpener({});
        sb.stop();
    }

    // The list names each backup by its time, its cards and its size,
    // newest first; a backup that lost its text file is read instead, and
    // one that cannot be read says so. Restoring needs a chosen line.
    void listsBackupsNewestFirst()
    {
        firstStart(3);
        const QString folder = defaultFolder();
        BackupCopy::make(app().DatabasePath, folder, kYesterday);
        addCards(QStringLiteral("tEnglisch"), 1200, 100);
        const QString lost = BackupCopy::make(app().DatabasePath, folder, kYesterday.addSecs(60)).path;
        QFile::remove(BackupCopy::summaryPath(lost));
        BackupCopy::make(app().DatabasePath, folder, kYesterday.addDays(1));
        QFile broken(QDir(folder).filePath(QStringLiteral("Vokabeln-20260101-000000.mdb")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("kaputt");
        broken.close();
        QFile other(QDir(folder).filePath(QStringLiteral("Vokabeln-alt.mdb")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();

        frmSicherung w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Sicherungen"));
        QCOMPARE(child<QLabel>(w, "lblOrdner")->text(), folder);
        QCOMPARE(lines(w), (QStringList{QStringLiteral("14.03.2026 18:05 - 1203 Vokabeln - 1 MB"),
                                        QStringLiteral("13.03.2026 18:06 - 1203 Vokabeln - 1 MB"),
                                        QStringLiteral("13.03.2026 18:05 - 3 Vokabeln - 1 MB"),
                                        QStringLiteral("01.01.2026 00:00 - nicht lesbar - 1 MB")}));
        QVERIFY(QFile::exists(BackupCopy::summaryPath(lost)));
        QVERIFY(child<QLabel>(w, "lblAufnahmen")->text().contains(QStringLiteral("Tonaufnahmen")));
        const struct
        {
            const char *name;
            const char *caption;
        } buttons[] = {{"btnJetzt", "&Jetzt sichern"},      {"btnWiederherstellen", "&Wiederherstellen"},
                       {"btnOrdnerWaehlen", "&Ordner wählen …"}, {"btnOrdner", "Ordner ö&ffnen"},
                       {"btnHelp", "&Hilfe"},                 {"btnExit", "&Beenden"}};
        for (const auto &b : buttons)
            QCOMPARE(child<QPushButton>(w, b.name)->text(), QString::fromUtf8(b.caption));
        auto *restore = child<QPushButton>(w, "btnWiederherstellen");
        QVERIFY(!restore->isEnabled());
        child<QListWidget>(w, "lstSicherungen")->setCurrentRow(2);
        QVERIFY(restore->isEnabled());
    }

    // At its smallest the window still shows every button at its full
    // height, apart from the others, and a whole line of the list.
    void smallestSizeKeepsControlsWhole()
    {
        firstStart(1);
        BackupCopy::make(app().DatabasePath, defaultFolder(), kYesterday);
        frmSicherung w;
        w.show();
        w.resize(1, 1);
        w.layout()->activate();
        QCOMPARE(w.size(), w.minimumSize());
        QList<QWidget *> controls;
        for (const char *name : {"btnJetzt", "btnWiederherstellen", "btnOrdnerWaehlen", "btnOrdner", "btnHelp", "btnExit"}) {
            auto *b = child<QPushButton>(w, name);
            QVERIFY2(b->height() >= b->sizeHint().height(), name);
            QVERIFY2(b->width() >= b->sizeHint().width(), name);
            controls << b;
        }
        auto *list = child<QListWidget>(w, "lstSicherungen");
        controls << list << child<QLabel>(w, "lblAufnahmen") << child<QLabel>(w, "lblOrdner");
        for (int i = 0; i < controls.size(); ++i)
            for (int j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + QStringLiteral(" / ") + controls[j]->objectName()));
        QVERIFY(list->visualItemRect(list->item(0)).width() <= list->viewport()->width());
        QVERIFY(list->fontMetrics().horizontalAdvance(list->item(0)->text()) <= list->viewport()->width());
        QVERIFY(list->viewport()->height() >= 3 * list->fontMetrics().lineSpacing());
    }

    // Work handed to a thread of its own: the window's events go on
    // meanwhile (the work waits for a timer of the window's thread), the
    // progress shows, and what the work threw reaches the caller.
    void workInTheBackground()
    {
        QWidget window;
        window.show();
        std::atomic<bool> ticked = false;
        bool progressShown = false;
        // The second timer starts after the wait's own, so it sees the
        // progress dialog.
        QTimer::singleShot(0, &window, [&] {
            QTimer::singleShot(0, &window, [&] {
                progressShown = window.findChild<QProgressDialog *>(QStringLiteral("dlgSicherung")) != nullptr;
                ticked = true;
            });
        });
        Safeguard::inBackground(&window, QStringLiteral("Bitte warten ..."), [&] {
            while (!ticked)
                std::this_thread::yield();
        });
        QVERIFY(progressShown);
        QString caught;
        try {
            Safeguard::inBackground(&window, QStringLiteral("Bitte warten ..."),
                                    [] { throw store::Error(QStringLiteral("Die Sicherung „x“ ist beschädigt.")); });
        } catch (const store::Error &e) {
            caught = e.description();
        }
        QCOMPARE(caught, QStringLiteral("Die Sicherung „x“ ist beschädigt."));
    }

    // "Jetzt sichern" makes a backup even when nothing changed, and the
    // list shows it at once.
    void backupNow()
    {
        firstStart(4);
        frmSicherung w;
        w.show();
        QCOMPARE(lines(w), QStringList());
        QTest::mouseClick(child<QPushButton>(w, "btnJetzt"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(w, "btnJetzt"), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(BackupCopy::list(defaultFolder()).size(), 2);
        QCOMPARE(lines(w).size(), 2);
        QVERIFY(lines(w).first().contains(QStringLiteral(" - 4 Vokabeln - 1 MB")));
    }

    // The folder dialog starts at the folder in use; a chosen folder is
    // kept in the settings and takes the next backup; Cancel changes
    // nothing.
    void chooseAnotherFolder()
    {
        firstStart(2);
        const QString chosen = sb.work->file(QStringLiteral("USB-Stick/Vokabeln"));
        QDir().mkpath(chosen);
        sb.dialogs->answer(QVariant());
        sb.dialogs->answer(chosen);
        frmSicherung w;
        w.show();
        QTest::mouseClick(child<QPushButton>(w, "btnOrdnerWaehlen"), Qt::LeftButton);
        QCOMPARE(sb.setting(QStringLiteral("Sicherung/Ordner")), QString());
        QTest::mouseClick(child<QPushButton>(w, "btnOrdnerWaehlen"), Qt::LeftButton);
        QCOMPARE(sb.dialogs->asked().size(), 2);
        QCOMPARE(sb.dialogs->asked().first().kind, Dialogs::Kind::Directory);
        QCOMPARE(sb.dialogs->asked().first().path, defaultFolder());
        QCOMPARE(sb.setting(QStringLiteral("Sicherung/Ordner")), chosen);
        QCOMPARE(child<QLabel>(w, "lblOrdner")->text(), chosen);
        QTest::mouseClick(child<QPushButton>(w, "btnJetzt"), Qt::LeftButton);
        QCOMPARE(BackupCopy::list(chosen).size(), 1);
        QVERIFY(!QDir(defaultFolder()).exists());
    }

    // "Ordner öffnen" hands the folder to the desktop (made first if no
    // backup is there yet); a desktop that cannot is named in a message.
    void openFolder()
    {
        firstStart(1);
        QList<QUrl> asked;
        bool works = true;
        frmSicherung::setFolderOpener([&](const QUrl &url) {
            asked << url;
            return works;
        });
        frmSicherung w;
        w.show();
        QTest::mouseClick(child<QPushButton>(w, "btnOrdner"), Qt::LeftButton);
        QCOMPARE(asked, QList<QUrl>{QUrl::fromLocalFile(defaultFolder())});
        QVERIFY(QDir(defaultFolder()).exists());
        QCOMPARE(sb.spy->count(), 0);
        works = false;
        QTest::mouseClick(child<QPushButton>(w, "btnOrdner"), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der Ordner „%1“ lässt sich nicht öffnen.").arg(defaultFolder()));
    }

    // The help button opens the window's own help text.
    void help()
    {
        firstStart(0);
        frmSicherung w;
        w.show();
        QTest::mouseClick(child<QPushButton>(w, "btnHelp"), Qt::LeftButton);
        QCOMPARE(sb.windows->requested(), QList<Windows::Kind>{Windows::Kind::Help});
        QCOMPARE(app().HelpFile, Places::helpFile(QStringLiteral("Sicherung.rtf")));
        QVERIFY(QFile::exists(app().HelpFile));
    }

    // Yesterday's state comes back through the menu: the question names the
    // backup's time and both counts; the cards, the language menu and the
    // caption show the restored file; the state before is a backup of its
    // own, which undoes the restore the same way.
    void restoreFromTheMenuAndUndo()
    {
        firstStart(30);
        BackupCopy::make(app().DatabasePath, defaultFolder(), kYesterday);
        app().Database->execute(QStringLiteral("DELETE FROM tEnglisch WHERE VNr > 10"));
        Catalogue::addLanguagePair(*app().Database, QStringLiteral("Deutsch"), QStringLiteral("Französisch"));
        addCards(QStringLiteral("tFranzösisch"), 2);
        sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("2"));
        app().Database.reset();
        startMain();
        QCOMPARE(main_->windowTitle(), QStringLiteral("Vokamia - Französisch"));

        sb.spy->answer(QMessageBox::Yes);
        openFromMenu([&](QDialog &w) {
            QCOMPARE(lines(w).size(), 1);
            child<QListWidget>(w, "lstSicherungen")->setCurrentRow(0);
            QTest::mouseClick(child<QPushButton>(w, "btnWiederherstellen"), Qt::LeftButton);
        });
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->shown()[0].text,
                 QStringLiteral("Sollen die Vokabeln auf den Stand vom 13.03.2026 18:05 zurückgesetzt werden?\n\n"
                                "In der Sicherung: Englisch: 30 (zusammen 30 Vokabeln)\n"
                                "Heute: Englisch: 10, Französisch: 2 (zusammen 12 Vokabeln)\n\n"
                                "Der heutige Stand wird vorher gesichert; so lässt sich das Wiederherstellen "
                                "rückgängig machen. Die Einstellungen bleiben, wie sie sind."));
        QCOMPARE(sb.spy->shown()[1].text, QStringLiteral("Der Stand vom 13.03.2026 18:05 ist wiederhergestellt."));
        QCOMPARE(count(QStringLiteral("tEnglisch")), 30);
        QVERIFY(!app().Database->hasTable(QStringLiteral("tFranzösisch")));
        // The pair that is gone gives way to the first.
        QCOMPARE(app().SprachNr, 1);
        QCOMPARE(app().PairCount, 1);
        QCOMPARE(main_->windowTitle(), QStringLiteral("Vokamia - Englisch"));
        QVERIFY(!main_->findChild<QAction *>(QStringLiteral("mLanguage(2)")));
        QCOMPARE(main_->findChild<QLabel *>(QStringLiteral("lblCount(0)"))->text(), QStringLiteral("30"));

        // Undo: the backup made just before the restore is the newest.
        const QStringList made = BackupCopy::list(defaultFolder());
        QCOMPARE(made.size(), 2);
        QCOMPARE(BackupCopy::readSummary(made.first())->cards(), 12);
        sb.spy->clear();
        sb.spy->answer(QMessageBox::Yes);
        openFromMenu([&](QDialog &w) {
            child<QListWidget>(w, "lstSicherungen")->setCurrentRow(0);
            QTest::mouseClick(child<QPushButton>(w, "btnWiederherstellen"), Qt::LeftButton);
        });
        QCOMPARE(count(QStringLiteral("tEnglisch")), 10);
        QCOMPARE(count(QStringLiteral("tFranzösisch")), 2);
        QCOMPARE(app().PairCount, 2);
        QVERIFY(main_->findChild<QAction *>(QStringLiteral("mLanguage(2)")));
    }

    void restoreDeclinedOrRefused_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("messages");
        QTest::newRow("No is the default") << "default" << 1;
        QTest::newRow("damaged backup") << "damaged" << 2;
        QTest::newRow("no backup of today's state, then No") << "unwritable" << 2;
    }
    // Without a Yes, with a damaged backup, or when today's state cannot be
    // backed up first and the learner does not go on, nothing changes.
    void restoreDeclinedOrRefused()
    {
        QFETCH(QString, how);
        QFETCH(int, messages);
        firstStart(8);
        const QString path = BackupCopy::make(app().DatabasePath, defaultFolder(), kYesterday).path;
        addCards(QStringLiteral("tEnglisch"), 5, 100);
        const QString before = BackupCopy::fingerprintOf(app().DatabasePath);
        if (how == QLatin1String("damaged")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(4096);
            f.write(QByteArray(4096, '\x07'));
        }
        if (how != QLatin1String("default"))
            sb.spy->answer(QMessageBox::Yes);
        frmSicherung w;
        w.show();
        if (how == QLatin1String("unwritable")) {
            // Backups go where none can be written from now on.
            QFile blocker(sb.work->file(QStringLiteral("kein Ordner")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            sb.putSetting(QStringLiteral("Sicherung/Ordner"), blocker.fileName());
        }
        child<QListWidget>(w, "lstSicherungen")->setCurrentRow(0);
        QTest::mouseClick(child<QPushButton>(w, "btnWiederherstellen"), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), messages);
        if (how == QLatin1String("damaged"))
            QVERIFY2(sb.spy->last().text.startsWith(QStringLiteral("Die Sicherung „Vokabeln-20260313-180509.mdb“ ist "
                                                                   "beschädigt und kann nicht wiederhergestellt werden: ")),
                     qPrintable(sb.spy->last().text));
        if (how == QLatin1String("unwritable"))
            QVERIFY(sb.spy->last().text.startsWith(QStringLiteral("Die Sicherung ist fehlgeschlagen: ")));
        QCOMPARE(BackupCopy::fingerprintOf(app().DatabasePath), before);
        QCOMPARE(count(QStringLiteral("tEnglisch")), 13);
        QVERIFY(w.isVisible());
    }

    // At start-up a backup is made in the background when the database
    // differs from its newest backup, and only then.
    void automaticBackupAtStartUp()
    {
        firstStart(5);
        app().Database.reset();
        Safeguard::setAutomatic(true);
        startMain();
        settle();
        QCOMPARE(BackupCopy::list(defaultFolder()).size(), 1);

        main_.reset();
        startMain();
        settle();
        QCOMPARE(BackupCopy::list(defaultFolder()).size(), 1);

        addCards(QStringLiteral("tEnglisch"), 1, 50);
        main_.reset();
        startMain();
        settle();
        const QStringList made = BackupCopy::list(defaultFolder());
        QCOMPARE(made.size(), 2);
        QCOMPARE(BackupCopy::readSummary(made.first())->cards(), 6);
        QCOMPARE(sb.spy->count(), 0);
    }

    // A backup folder that cannot be written is reported once per run, and
    // the program goes on with its data untouched.
    void unwritableFolderReportedOncePerRun()
    {
        firstStart(5);
        QFile blocker(sb.work->file(QStringLiteral("kein Ordner")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        sb.putSetting(QStringLiteral("Sicherung/Ordner"), blocker.fileName() + QStringLiteral("/Sicherungen"));
        Safeguard::setAutomatic(true);
        for (int run = 0; run < 2; ++run) {
            addCards(QStringLiteral("tEnglisch"), 1, 100 + run);
            main_.reset();
            startMain();
            settle();
        }
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text,
                 QStringLiteral("Die automatische Sicherung ist fehlgeschlagen: Der Sicherungsordner „%1“ kann nicht "
                                "beschrieben werden. Der Pfad führt nicht zu einem Ordner.\nVokamia arbeitet ohne "
                                "Sicherung weiter.")
                     .arg(blocker.fileName() + QStringLiteral("/Sicherungen")));
        QCOMPARE(count(QStringLiteral("tEnglisch")), 7);
    }
};

QTEST_MAIN(TestFrmSicherung)
#include "tst_frmsicherung.moc"
