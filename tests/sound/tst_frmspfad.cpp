// The sound-folder dialog: what it shows, what Ok stores and what Cancel
// leaves, and how the main window opens it.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "sound/frmSPfad.h"
#include "store/Settings.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <memory>

class TestFrmSPfad : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    QVariant storedSetting()
    {
        QSettings s(sb.work->file(QStringLiteral("settings.conf")), QSettings::IniFormat);
        return s.value(QStringLiteral("Sound/SoundPath"));
    }
    QString folder(const QString &name)
    {
        QDir(sb.work->path()).mkpath(name);
        return QDir(sb.work->path()).absoluteFilePath(name);
    }
    static void retype(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        typeText(box, text);
    }
    QString keptMessage(const QString &old)
    {
        return QStringLiteral("Der bisherige Soundpfad\n") + old + QStringLiteral("\nbleibt eingestellt.");
    }
    static void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    void folderInForceIsScrolledIntoView()
    {
        // Enough folders above it to push it out of a tree that scrolled
        // before they were read.
        for (int i = 0; i < 80; ++i)
            folder(QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0')));
        const QString target = folder(QStringLiteral("zz"));
        AppState::instance().SoundPath = target;
        frmSPfad w;
        QSignalSpy loaded(w.folderModel(), &QFileSystemModel::directoryLoaded);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Wait for every folder above it to be read; each read inserts rows.
        QStringList above;
        QDir d(sb.work->path());
        do
            above << d.absolutePath();
        while (d.cdUp());
        auto allRead = [&] {
            QStringList seen;
            for (const auto &args : std::as_const(loaded))
                seen << args.at(0).toString();
            return std::all_of(above.cbegin(), above.cend(), [&](const QString &p) { return seen.contains(p); });
        };
        const QModelIndex home = w.folderModel()->index(sb.work->path());
        QTRY_VERIFY2_WITH_TIMEOUT(allRead() && w.folderModel()->rowCount(home) == 81,
                                  "the tree never read the folders above the one in force", 30000);
        const QModelIndex current = w.Dir1->currentIndex();
        QCOMPARE(w.folderModel()->filePath(current), target);
        QTRY_VERIFY2(w.Dir1->viewport()->rect().contains(w.Dir1->visualRect(current)),
                     "the folder in force is selected but out of view");
    }

    void storedValueIsShownAsItIs_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("dataFolder"); // the tree starts at the data folder
        QTest::newRow("first-start default") << QStringLiteral("d:") << true;
        QTest::newRow("confirmed drive") << QStringLiteral("D:") << true;
        QTest::newRow("drive and folder") << QStringLiteral("D:\\Sounds") << true;
        QTest::newRow("no folder here") << QStringLiteral("dir:x") << false;
    }
    void storedValueIsShownAsItIs()
    {
        QFETCH(QString, stored);
        QFETCH(bool, dataFolder);
        QDir().mkpath(Places::dataFolder());
        AppState::instance().SoundPath = stored;
        {
            frmSPfad w;
            QCOMPARE(w.txtSPfad->text(), stored);
            QCOMPARE(w.folderModel()->filePath(w.Dir1->currentIndex()),
                     dataFolder ? Places::dataFolder() : QDir::homePath());
            click(w.btnCancel);
            QCOMPARE(sb.spy->last().text, keptMessage(stored));
            QCOMPARE(AppState::instance().SoundPath, stored);
            QVERIFY(!storedSetting().isValid());
        }
        {
            // Ok without editing keeps what was stored.
            frmSPfad w;
            click(w.btnOk);
            QCOMPARE(sb.spy->last().text, QStringLiteral("Der neue Sound-Pfad ist \n") + stored);
            QCOMPARE(AppState::instance().SoundPath, stored);
            QCOMPARE(storedSetting().toString(), stored);
        }
    }

    void okStoresTheTypedFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("trailing slash") << QStringLiteral("/home/lerner/Töne/") << QStringLiteral("/home/lerner/Töne");
        QTest::newRow("trailing backslash") << QStringLiteral("D:\\") << QStringLiteral("D:");
        QTest::newRow("only one stripped") << QStringLiteral("/srv//") << QStringLiteral("/srv/");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("empty") << QString() << QString();
    }
    void okStoresTheTypedFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        AppState::instance().SoundPath = QStringLiteral("/vorher");
        AppState::instance().Abfrage = 2;
        frmSPfad w;
        w.show();
        retype(w.txtSPfad, typed);
        click(w.btnOk);

        QCOMPARE(AppState::instance().SoundPath, stored);
        QVERIFY(storedSetting().isValid());
        QCOMPARE(storedSetting().toString(), stored);
        // The other options are written with it, not lost.
        QSettings s(sb.work->file(QStringLiteral("settings.conf")), QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("Options/Abfrage")).toString(), QStringLiteral("2"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der neue Sound-Pfad ist \n") + stored);
    }

    void cancelAndEscapeKeepTheOldFolder()
    {
        const QString old = folder(QStringLiteral("alt"));
        AppState::instance().SoundPath = old;
        for (bool escape : {false, true}) {
            sb.spy->clear();
            frmSPfad w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            // A folder picked in the tree fills the text, and is dropped too.
            w.Dir1->setCurrentIndex(w.folderModel()->index(sb.work->path()));
            QCOMPARE(w.txtSPfad->text(), sb.work->path());
            retype(w.txtSPfad, QStringLiteral("/anderswo"));
            if (escape)
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                click(w.btnCancel);
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().text, keptMessage(old));
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QCOMPARE(AppState::instance().SoundPath, old);
            QVERIFY(!storedSetting().isValid());
        }
    }

    void mainWindowMenuOpensTheDialog()
    {
        frmMain main;
        main.show();
        main.Form_Activate();
        sb.spy->clear();
        bool busy = true;
        sb.windows->onOpen(QStringLiteral("frmSPfad"), [&](QDialog &w) {
            busy = QApplication::overrideCursor() != nullptr;
            click(w.findChild<QPushButton *>(QStringLiteral("btnCancel")));
        });
        main.findChild<QAction *>(QStringLiteral("mSoundPath"))->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{QStringLiteral("frmSPfad")});
        QVERIFY2(!busy, "the hourglass must end once the dialog has loaded");
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY(sb.spy->last().text.startsWith(QStringLiteral("Der bisherige Soundpfad")));
    }
};

QTEST_MAIN(TestFrmSPfad)
#include "tst_frmspfad.moc"
