#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/main/frmLanguage.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

struct Request
{
    Windows::Kind window;
    bool fromPool;
    int fach;
    QString sql;
};

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::unique_ptr<frmMain> w;
    QList<Request> requests;

    QString dbPath() const { return Places::databasePath(); }
    // A database as the program makes it, with extra pairs and cards.
    std::shared_ptr<store::Database> makeDatabase(const QStringList &extraPairs = {})
    {
        auto db = store::Database::create(dbPath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        Catalogue::CreateCatalogueTable(*db);
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES "
                                   "('tEnglisch', 'Deutsch', 'Englisch')"));
        for (const QString &p : extraPairs) {
            Catalogue::CreateLanguageTable(*db, QStringLiteral("t") + p);
            db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES (?, "
                                       "'Deutsch', ?)"),
                        {QStringLiteral("t") + p, p});
        }
        return db;
    }
    void addCards(store::Database &db, const QString &table, int fach, const QStringList &words)
    {
        for (const QString &word : words)
            db.execute(QStringLiteral("INSERT INTO %1 (FVok, MVok, Fach) VALUES (?, ?, ?)").arg(table),
                       {word, word.toUpper(), fach});
    }

    frmMain &start()
    {
        sb.windows->onRequest([this](Windows::Kind win) {
            const AppState &a = AppState::instance();
            requests << Request{win, a.ManagerFromPool, a.CurrentFach, a.SqlText};
        });
        w = std::make_unique<frmMain>();
        w->show();
        w->Form_Activate();
        return *w;
    }
    void restart()
    {
        w.reset();
        start();
    }
    template <typename T = QAction>
    T *item(const QString &name)
    {
        T *found = w->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    // Gives a window the focus, as a click on it on a desktop does.
    static bool activate(QWidget *window)
    {
        window->activateWindow();
        QCoreApplication::processEvents();
        return window->isActiveWindow();
    }
    QAction *menu(const QString &name) { return item<QMenu>(name)->menuAction(); }
    bool visible(const QString &name) { return !item<QWidget>(name)->isHidden(); }
    QString count(int i) { return item<QLabel>(QStringLiteral("lblCount(%1)").arg(i))->text(); }
    QStringList enabledCompartmentItems()
    {
        QStringList on;
        for (const char *m : {"mWork", "mTable", "mPage", "mPrint"})
            for (int c = 1; c <= 7; ++c)
                if (item(QStringLiteral("%1(%2)").arg(QLatin1String(m)).arg(c))->isEnabled())
                    on << QStringLiteral("%1(%2)").arg(QLatin1String(m)).arg(c);
        return on;
    }

private slots:
    void init()
    {
        sb.start();
        requests.clear();
    }
    void cleanup()
    {
        w.reset();
        sb.stop();
    }

    void firstStartCreatesAndSeedsTheDatabase()
    {
        start();
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(QFile::exists(dbPath()));
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).exists());
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia - Englisch"));
        QCOMPARE(item(QStringLiteral("mLanguage(1)"))->text(), QStringLiteral("Deutsch - Englisch"));
        QVERIFY(item(QStringLiteral("mLanguage(1)"))->isChecked());
        QVERIFY(!item(QStringLiteral("mLanguage(0)"))->isVisible());
        for (int i = 0; i < 7; ++i)
            QVERIFY(!visible(QStringLiteral("imgBox(%1)").arg(i)));
        QVERIFY(visible(QStringLiteral("imgBox(7)")));
        QCOMPARE(count(7), QStringLiteral("leer"));
        QVERIFY(!menu(QStringLiteral("mWordBook"))->isEnabled());
        QVERIFY(!item(QStringLiteral("mAdmin"))->isEnabled());
        QVERIFY(item(QStringLiteral("mVAdd"))->isEnabled());
        QVERIFY(!item(QStringLiteral("mRemove"))->isEnabled());
        QVERIFY(enabledCompartmentItems().isEmpty());
        QVERIFY(AppState::instance().TableValid);
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("1"));

        const AppState &a = AppState::instance();
        auto rows = a.Database->openRecordset(QStringLiteral("Select * from tSprache"));
        QCOMPARE(rows->recordCount(), 1);
        QCOMPARE(rows->value(QStringLiteral("SprachId")).toInt(), 1);
        QCOMPARE(rows->text(QStringLiteral("Tabelle")), QStringLiteral("tEnglisch"));
        QCOMPARE(rows->text(QStringLiteral("MutterSprache")), QStringLiteral("Deutsch"));
        QCOMPARE(a.Database->locale(), Catalogue::kLocale);
        QCOMPARE(a.Database->tableDef(QStringLiteral("tEnglisch")).fields.size(), 12);
    }

    void cardBoxShowsTheFilledCompartments()
    {
        {
            auto db = makeDatabase();
            addCards(*db, QStringLiteral("tEnglisch"), 0, {QStringLiteral("a"), QStringLiteral("b")});
            addCards(*db, QStringLiteral("tEnglisch"), 3, {QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")});
        }
        start();
        QCOMPARE(count(7), QStringLiteral("2"));
        QCOMPARE(count(2), QStringLiteral("3"));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(visible(QStringLiteral("imgBox(%1)").arg(i)), i == 2);
        QCOMPARE(enabledCompartmentItems(),
                 (QStringList{"mWork(3)", "mTable(3)", "mPage(3)", "mPrint(3)"}));
        QVERIFY(menu(QStringLiteral("mWordBook"))->isEnabled());
        QVERIFY(item(QStringLiteral("mAdmin"))->isEnabled());

        // Entry mode shows the empty start compartment only.
        QTest::mouseClick(item<QRadioButton>(QStringLiteral("optMode(0)")), Qt::LeftButton);
        QCOMPARE(int(AppState::instance().ClickAction), 1);
        QVERIFY(visible(QStringLiteral("imgBox(0)")));
        QCOMPARE(count(0), QStringLiteral("leer"));
        for (int i = 1; i < 7; ++i)
            QVERIFY(!visible(QStringLiteral("imgBox(%1)").arg(i)));
        QVERIFY(visible(QStringLiteral("imgBox(7)")));
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(0)")), Qt::LeftButton);
        QCOMPARE(requests.last().window, Windows::Kind::Entry);

        // Cards changed while a window was open show at the next activation.
        AppState::instance().Database->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 1 WHERE FVok = 'a'"));
        w->Form_Activate();
        QCOMPARE(count(0), QStringLiteral("1"));
    }

    void clicksFollowTheClickAction()
    {
        {
            auto db = makeDatabase();
            addCards(*db, QStringLiteral("tEnglisch"), 3, {QStringLiteral("zebra"), QStringLiteral("Apfel")});
            addCards(*db, QStringLiteral("tEnglisch"), 0, {QStringLiteral("pool")});
        }
        start();
        const Windows::Kind expected[5] = {Windows::Kind::Entry, Windows::Kind::Practice, Windows::Kind::Paging,
                                             Windows::Kind::Table, Windows::Kind::Print};
        for (int k = 0; k < 5; ++k) {
            QTest::mouseClick(item<QRadioButton>(QStringLiteral("optMode(%1)").arg(k)), Qt::LeftButton);
            requests.clear();
            // The count label reacts like the picture; the pool always opens the manager.
            QTest::mouseClick(item<QLabel>(k == 0 ? QStringLiteral("lblCount(0)") : QStringLiteral("lblCount(2)")), Qt::LeftButton);
            QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(7)")), Qt::LeftButton);
            QCOMPARE(requests.size(), 2);
            QCOMPARE(requests[0].window, expected[k]);
            QCOMPARE(requests[1].window, Windows::Kind::Manager);
            QVERIFY(requests[1].fromPool);
            QVERIFY(!AppState::instance().ManagerFromPool);
        }
        // The print command prepared compartment 3 in alphabetical order.
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        const AppState &a = AppState::instance();
        QCOMPARE(int(a.CurrentFach), 3);
        QCOMPARE(a.SqlText, QStringLiteral("Select * from tEnglisch where [Fach] = 3 order by FVok"));
        QCOMPARE(a.CompartmentRecordset->text(QStringLiteral("FVok")), QStringLiteral("Apfel"));

        item(QStringLiteral("mWork(3)"))->trigger();
        QCOMPARE(a.SqlText, QStringLiteral("Select * from tEnglisch where [Fach] = 3"));
        QCOMPARE(a.CompartmentRecordset->recordCount(), 2);
        QCOMPARE(requests.last().window, Windows::Kind::Practice);
    }

    void cardBoxKeepsToTheLowerRightCorner()
    {
        start();
        QWidget *panel = item<QWidget>(QStringLiteral("picKasten"));
        const QSize design = panel->size();
        // The same gap to the corner at every window size, and never none.
        QSize gap;
        for (const QSize size : {QSize(1100, 760), QSize(900, 600), QSize(1200, 700)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            const QWidget *client = w->centralWidget();
            const QSize now(client->width() - panel->geometry().right() - 1,
                            client->height() - panel->geometry().bottom() - 1);
            QVERIFY(now.width() > 0 && now.height() > 0);
            if (gap.isValid())
                QCOMPARE(now, gap);
            gap = now;
            QCOMPARE(panel->size(), design);
        }
    }

    void optionsAreClampedAndSavedAtOnce()
    {
        sb.putSetting(QStringLiteral("Options/Repeats"), QStringLiteral("9"));
        sb.putSetting(QStringLiteral("Options/Versuche"), QStringLiteral("0"));
        sb.putSetting(QStringLiteral("Options/Abfrage"), QStringLiteral("drei"));
        start();
        QVERIFY(item(QStringLiteral("mRepeat(1)"))->isChecked());
        QVERIFY(item(QStringLiteral("mTrial(3)"))->isChecked());
        QVERIFY(item(QStringLiteral("mMode(1)"))->isChecked());
        QVERIFY(!AppState::instance().AskNative);

        item(QStringLiteral("mMode(2)"))->trigger();
        QCOMPARE(sb.setting(QStringLiteral("Options/Abfrage")), QStringLiteral("2"));
        item(QStringLiteral("mRepeat(4)"))->trigger();
        item(QStringLiteral("mRepeat(4)"))->trigger(); // choosing it again keeps it checked
        item(QStringLiteral("mTrial(2)"))->trigger();
        QCOMPARE(sb.setting(QStringLiteral("Options/Repeats")), QStringLiteral("4"));
        QCOMPARE(sb.setting(QStringLiteral("Options/Versuche")), QStringLiteral("2"));
        QCOMPARE(sb.setting(QStringLiteral("Fonts/Fremdsprachen-Font")), QStringLiteral("ms sans serif"));

        restart();
        for (const char *name : {"mMode(2)", "mRepeat(4)", "mTrial(2)"})
            QVERIFY2(item(QLatin1String(name))->isChecked(), name);
        for (const char *name : {"mMode(1)", "mMode(3)", "mRepeat(1)", "mTrial(3)"})
            QVERIFY2(!item(QLatin1String(name))->isChecked(), name);
        QVERIFY(AppState::instance().AskNative);
        QCOMPARE(w->menuBar()->actions().size(), 6);
    }

    void aMissingTableKeepsThePreviousCardBox()
    {
        {
            auto db = makeDatabase({QStringLiteral("Latein")});
            addCards(*db, QStringLiteral("tEnglisch"), 3, {QStringLiteral("x")});
            db->deleteTableDef(QStringLiteral("tLatein"));
        }
        start();
        QCOMPARE(count(2), QStringLiteral("1"));
        item(QStringLiteral("mLanguage(2)"))->trigger();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Ungültige Datei!"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Lerntabelle Latein ist nicht vorhanden!\n") + dbPath()
                                       + QStringLiteral(" ist fehlerhaft!"));
        QCOMPARE(count(2), QStringLiteral("1"));
        QVERIFY(visible(QStringLiteral("imgBox(2)")));
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("1"));
        QVERIFY(!item(QStringLiteral("mLanguage(2)"))->isChecked());
        // Clicks and the commands on the table wait while it is unusable.
        requests.clear();
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        item(QStringLiteral("mWork(3)"))->trigger();
        item(QStringLiteral("mVAdd"))->trigger();
        QVERIFY(requests.isEmpty());
    }

    void aFailedTableCheckLeavesTheWayOut_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::addColumn<QString>("title");
        QTest::newRow("dropped table") << "dropped" << "Ungültige Datei!";
        QTest::newRow("table without VNr") << "noVNr" << "Ungültige Tabelle!";
    }
    // The stored pair is broken: every start reports it, but the learner can
    // switch to a working pair, which is then the one stored, or end.
    void aFailedTableCheckLeavesTheWayOut()
    {
        QFETCH(QString, broken);
        QFETCH(QString, title);
        {
            auto db = makeDatabase({QStringLiteral("Kaputt")});
            addCards(*db, QStringLiteral("tEnglisch"), 3, {QStringLiteral("x")});
            db->deleteTableDef(QStringLiteral("tKaputt"));
            if (broken == QLatin1String("noVNr")) {
                store::TableDef t(QStringLiteral("tKaputt"));
                t.appendField(QStringLiteral("FVok"), store::FieldType::Text, 50);
                db->appendTableDef(t);
            }
        }
        sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("2"));
        start();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, title);
        QVERIFY(!AppState::instance().TableValid);
        for (const char *name : {"mExit", "mLanguage(1)", "mLanguage(2)"})
            QVERIFY2(item(QLatin1String(name))->isEnabled(), name);
        QVERIFY(menu(QStringLiteral("mSprache"))->isEnabled());
        QVERIFY(!item(QStringLiteral("mVAdd"))->isEnabled());
        QVERIFY(enabledCompartmentItems().isEmpty());

        item(QStringLiteral("mLanguage(1)"))->trigger();
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY(AppState::instance().TableValid);
        QVERIFY(item(QStringLiteral("mLanguage(1)"))->isChecked());
        QVERIFY(item(QStringLiteral("mVAdd"))->isEnabled());
        QCOMPARE(enabledCompartmentItems(), (QStringList{"mWork(3)", "mTable(3)", "mPage(3)", "mPrint(3)"}));
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("1"));
        restart();
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY(AppState::instance().TableValid);
    }

    void startsWithoutACatalogue_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QString>("message");
        QTest::newRow("catalogue dropped") << true << "tSprache";
        QTest::newRow("catalogue empty") << false << "kein Sprachpaar";
    }
    // No pair to open: start-up reports it and goes on; nothing that needs a
    // pair can be chosen, but a new pair can be added.
    void startsWithoutACatalogue()
    {
        QFETCH(bool, dropped);
        QFETCH(QString, message);
        {
            auto db = makeDatabase();
            db->deleteTableDef(QStringLiteral("tSprache"));
            if (!dropped)
                Catalogue::CreateCatalogueTable(*db);
        }
        sb.putSetting(QStringLiteral("Options/Sprache"), QStringLiteral("3"));
        start();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Problem"));
        QVERIFY2(sb.spy->last().text.contains(message), qPrintable(sb.spy->last().text));
        QCOMPARE(int(AppState::instance().PairCount), 0);
        QVERIFY(!AppState::instance().TableValid);
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia"));
        QVERIFY(!item(QStringLiteral("mVAdd"))->isEnabled());
        QVERIFY(item(QStringLiteral("mExit"))->isEnabled());
        QVERIFY(w->findChild<QAction *>(QStringLiteral("mLanguage(1)")) == nullptr);

        sb.windows->onOpen(QStringLiteral("frmLanguage"), [](QDialog &dlg) {
            dlg.findChild<QLineEdit *>(QStringLiteral("txtMother"))->setText(QStringLiteral("Deutsch"));
            dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            dlg.findChild<QLineEdit *>(QStringLiteral("txtForeign"))->setText(QStringLiteral("Latein"));
            dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        });
        item(QStringLiteral("mAdd"))->trigger();
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY(AppState::instance().TableValid);
        QCOMPARE(item(QStringLiteral("mLanguage(1)"))->text(), QStringLiteral("Deutsch - Latein"));
        QVERIFY(item(QStringLiteral("mVAdd"))->isEnabled());
        restart();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia - Latein"));
    }

    void storedPairNumberBeyondTheCatalogue()
    {
        {
            auto db = makeDatabase({QStringLiteral("Französisch"), QStringLiteral("Spanisch"), QStringLiteral("Italienisch")});
        }
        sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("7"));
        start();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Problem"));
        QVERIFY(sb.spy->last().text.contains(QStringLiteral("7")));
        // The first pair is open and usable; the other pairs can be chosen.
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia - Englisch"));
        QVERIFY(AppState::instance().TableValid);
        item(QStringLiteral("mLanguage(2)"))->trigger();
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia - Französisch"));
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("2"));
        QVERIFY(item(QStringLiteral("mLanguage(2)"))->isChecked());
        QVERIFY(!item(QStringLiteral("mLanguage(1)"))->isChecked());
    }

    void catalogueNamesAreTrimmed()
    {
        {
            auto db = makeDatabase();
            db->execute(QStringLiteral("UPDATE tSprache SET Tabelle = 'tEnglisch   ', FremdSprache = ' Englisch '"));
        }
        start();
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(AppState::instance().TableValid);
        QCOMPARE(w->windowTitle(), QStringLiteral("Vokamia - Englisch"));
    }

    void aFileThatIsNoDatabase()
    {
        QDir().mkpath(QFileInfo(dbPath()).path());
        {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Einkaufsliste: Brot, Milch\n");
        }
        start();
        QVERIFY(sb.spy->count() >= 1);
        QCOMPARE(sb.spy->shown().first().title, QStringLiteral("Problem"));
        QVERIFY(sb.spy->shown().first().text.contains(dbPath()));
        QVERIFY(!AppState::instance().TableValid);
        QVERIFY(w->isVisible());
        QVERIFY(menu(QStringLiteral("mSprache"))->isEnabled());
        QVERIFY(item(QStringLiteral("mExit"))->isEnabled());
        QVERIFY(!item(QStringLiteral("mVAdd"))->isEnabled());
        item(QStringLiteral("mExit"))->trigger();
        QVERIFY(!w->isVisible());
        QFile f(dbPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Einkaufsliste: Brot, Milch\n"));
    }

    void addingLanguagePairs()
    {
        {
            auto db = makeDatabase();
            addCards(*db, QStringLiteral("tEnglisch"), 2, {QStringLiteral("dog")});
        }
        start();
        auto add = [&](const QString &native, const QString &foreign) {
            sb.windows->onOpen(QStringLiteral("frmLanguage"), [=](QDialog &dlg) {
                QVERIFY(qobject_cast<frmLanguage *>(&dlg));
                dlg.findChild<QLineEdit *>(QStringLiteral("txtMother"))->setText(native);
                dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
                dlg.findChild<QLineEdit *>(QStringLiteral("txtForeign"))->setText(foreign);
                dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            item(QStringLiteral("mAdd"))->trigger();
        };
        add(QStringLiteral("deutsch"), QStringLiteral("LATEIN"));
        QCOMPARE(sb.spy->count(), 0);
        const AppState &a = AppState::instance();
        QCOMPARE(int(a.PairCount), 2);
        QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));
        QVERIFY(a.TableValid);
        QCOMPARE(item(QStringLiteral("mLanguage(2)"))->text(), QStringLiteral("Deutsch - Latein"));
        QVERIFY(item(QStringLiteral("mLanguage(2)"))->isChecked());
        QVERIFY(!item(QStringLiteral("mLanguage(1)"))->isChecked());
        QVERIFY(QDir(sb.work->file(QStringLiteral("Latein"))).exists());
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("2"));
        auto row = a.Database->openRecordset(QStringLiteral("Select * from tSprache Where SprachId = 2"));
        QCOMPARE(row->text(QStringLiteral("Tabelle")), QStringLiteral("tLatein"));
        QCOMPARE(row->text(QStringLiteral("FremdSprache")), QStringLiteral("Latein"));
        QVERIFY(!visible(QStringLiteral("imgBox(1)"))); // the new pair's empty box

        // A name with a quote and a semicolon is stored as it is.
        add(QStringLiteral("Deutsch"), QStringLiteral("o'ahu; drop"));
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(a.CurrentTable, QStringLiteral("tO'ahu; drop"));
        QVERIFY(a.Database->hasTable(QStringLiteral("tO'ahu; drop")));
        QCOMPARE(a.Database->openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 3);

        // A name that makes the table an SQL keyword (tHen) counts like any.
        add(QStringLiteral("Deutsch"), QStringLiteral("hen"));
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(a.CurrentTable, QStringLiteral("tHen"));
        QCOMPARE(count(7), QStringLiteral("leer"));
        item(QStringLiteral("mLanguage(2)"))->trigger();

        // Refused pairs change nothing at all.
        for (const QString &foreign : {QStringLiteral("englisch"), QString(200, QLatin1Char('x')),
                                       QStringLiteral("Sehr-lange-Sprachbezeichnung-ohne-Ende")}) {
            sb.spy->clear();
            add(QStringLiteral("Deutsch"), foreign);
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
            QCOMPARE(int(a.PairCount), 4);
            QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));
            QVERIFY(!item(QStringLiteral("mLanguage(4)"))->isChecked());
            QVERIFY(item(QStringLiteral("mLanguage(2)"))->isChecked());
            QVERIFY(w->findChild<QAction *>(QStringLiteral("mLanguage(5)")) == nullptr);
            QCOMPARE(a.Database->openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 4);
            QCOMPARE(a.Database->tableNames().size(), 5);
        }

        // The older pairs can still be chosen, and all survive a restart.
        item(QStringLiteral("mLanguage(1)"))->trigger();
        QCOMPARE(count(1), QStringLiteral("1"));
        restart();
        QCOMPARE(item(QStringLiteral("mLanguage(3)"))->text(), QStringLiteral("Deutsch - O'ahu; drop"));
        QVERIFY(item(QStringLiteral("mLanguage(1)"))->isChecked());
    }

    void helpShowsTheMainHelpText()
    {
        start();
        QString shown;
        sb.windows->onOpen(QStringLiteral("frmHelp"), [&](QDialog &dlg) {
            shown = dlg.findChild<QTextBrowser *>(QStringLiteral("rtfHilfe"))->toPlainText();
            dlg.close();
        });
        item(QStringLiteral("mHelp"))->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{QStringLiteral("frmHelp")});
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(shown.contains(QStringLiteral("Fach")));
        QCOMPARE(AppState::instance().HelpFile, Places::helpFile(QStringLiteral("main.rtf")));
    }

    // The card box is recounted once after each window opened from it:
    // when the window closes, and not again when the main window gets the
    // focus back from it.
    void aClosedWindowRecountsTheCardBoxOnce_data()
    {
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("window");
        QTest::newRow("about") << QStringLiteral("mAbout") << QStringLiteral("frmAbout");
        QTest::newRow("help") << QStringLiteral("mHelp") << QStringLiteral("frmHelp");
        QTest::newRow("sound folder") << QStringLiteral("mSoundPath") << QStringLiteral("frmSPfad");
        QTest::newRow("new pair") << QStringLiteral("mAdd") << QStringLiteral("frmLanguage");
    }
    void aClosedWindowRecountsTheCardBoxOnce()
    {
        QFETCH(QString, menuItem);
        QFETCH(QString, window);
        {
            auto db = makeDatabase();
            addCards(*db, QStringLiteral("tEnglisch"), 2, {QStringLiteral("dog")});
        }
        start();
        QVERIFY(activate(w.get()));
        QSignalSpy refreshed(w.get(), &frmMain::refreshed);
        sb.windows->onOpen(window, [&](QDialog &dlg) {
            // The window takes the focus as on a desktop; meanwhile a card
            // moves, and the card box must show it afterwards.
            QVERIFY(activate(&dlg));
            QVERIFY(!w->isActiveWindow());
            AppState::instance().Database->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 4"));
            QCOMPARE(refreshed.count(), 0);
            dlg.done(QDialog::Rejected);
        });
        item(menuItem)->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{window});
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(count(3), QStringLiteral("1"));
        // The desktop gives the focus back to the main window.
        QVERIFY(activate(w.get()));
        QCOMPARE(refreshed.count(), 1);

        // Losing the focus elsewhere and getting it back still recounts.
        QWidget other;
        other.show();
        QVERIFY(activate(&other));
        QVERIFY(activate(w.get()));
        QCOMPARE(refreshed.count(), 2);
    }

    // The entry form opens for new cards, the manager from the menu with
    // its choices and from the pool picture without, the dictionary on the
    // current pair.
    void maintenanceWindowsOpen_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("choices");
        QTest::newRow("Eingeben") << "mVAdd" << "frmNew" << false;
        QTest::newRow("verwalten") << "mAdmin" << "frmManage" << true;
        QTest::newRow("pool picture") << "imgBox(7)" << "frmManage" << false;
        QTest::newRow("Wörterbuch") << "mWBook" << "frmWBook" << false;
    }
    void maintenanceWindowsOpen()
    {
        QFETCH(QString, control);
        QFETCH(QString, window);
        QFETCH(bool, choices);
        {
            auto db = makeDatabase();
            addCards(*db, QStringLiteral("tEnglisch"), 0, {QStringLiteral("dog")});
        }
        start();
        QString title;
        bool editMode = true;
        bool cboVisible = false;
        sb.windows->onOpen(window, [&](QDialog &dlg) {
            title = dlg.windowTitle();
            editMode = AppState::instance().EditMode;
            if (QWidget *cbo = dlg.findChild<QWidget *>(QStringLiteral("cboSource")))
                cboVisible = cbo->isVisible();
            dlg.done(QDialog::Rejected);
        });
        if (control.startsWith(QLatin1String("imgBox")))
            QTest::mouseClick(item<QLabel>(control), Qt::LeftButton);
        else
            item(control)->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{window});
        QVERIFY(!title.isEmpty());
        QVERIFY(!editMode);
        QCOMPARE(cboVisible, choices);
        QVERIFY(!AppState::instance().ManagerFromPool);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
