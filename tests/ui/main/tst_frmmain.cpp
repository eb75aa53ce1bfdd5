// SPDX-License-Identifier: GPL-3.0-or-later
#include "History.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

class TestFrmMain : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::unique_ptr<frmMain> w;
    QList<bool> fromPool; // whether each request came from the pool picture

    QString dbPath() const { return Places::databasePath(); }
    // A database as the program makes it, with cards (word, compartment) in
    // the first pair and further pairs.
    std::shared_ptr<store::Database> makeDatabase(const QList<QPair<QString, int>> &cards,
                                                  const QStringList &extraPairs = {})
    {
        auto db = store::Database::create(dbPath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateCatalogueTable(*db);
        for (const QString &p : QStringList{QStringLiteral("Englisch")} + extraPairs) {
            Catalogue::CreateLanguageTable(*db, QStringLiteral("t") + p);
            db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES (?, 'Deutsch', ?)"),
                        {QStringLiteral("t") + p, p});
        }
        for (const auto &[word, fach] : cards)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES (?, ?, ?)"), {word, word.toUpper(), fach});
        return db;
    }

    void start()
    {
        sb.windows->onRequest([this](Windows::Kind) { fromPool << AppState::instance().ManagerFromPool; });
        w = std::make_unique<frmMain>();
        w->show();
        w->Form_Activate();
    }
    template <typename T = QAction>
    T *item(const QString &name)
    {
        T *found = w->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    // Adds a pair through the new-pair window, as the learner types it.
    void addPair(const QString &native, const QString &foreign)
    {
        sb.windows->onOpen(QStringLiteral("frmLanguage"), [=](QDialog &dlg) {
            dlg.findChild<QLineEdit *>(QStringLiteral("txtMother"))->setText(native);
            dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            dlg.findChild<QLineEdit *>(QStringLiteral("txtForeign"))->setText(foreign);
            dlg.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        });
        item(QStringLiteral("mAdd"))->trigger();
    }
    // The rows of the card box per day: "day Fach0 ... Fach7".
    static QStringList boxDays()
    {
        QStringList rows;
        AppState::instance().Database->forEachRow(
            QStringLiteral("SELECT Tag, Fach0, Fach1, Fach2, Fach3, Fach4, Fach5, Fach6, Fach7 FROM VkSysKastenTage "
                           "ORDER BY Tag"),
            {}, [&](const QVariantList &r) {
                QStringList parts;
                for (const QVariant &v : r)
                    parts << v.toString();
                rows << parts.join(QLatin1Char(' '));
            });
        return rows;
    }
    QString count(int i) { return item<QLabel>(QStringLiteral("lblCount(%1)").arg(i))->text(); }

private slots:
    void init()
    {
        sb.start();
        fromPool.clear();
    }
    void cleanup()
    {
        w.reset();
        sb.stop();
    }

    // A click opens the chosen window on the clicked compartment; the pool
    // always opens the manager, and only it is told it came from the pool.
    void cardBoxClicksFollowTheClickAction()
    {
        makeDatabase({{QStringLiteral("zebra"), 3}, {QStringLiteral("Apfel"), 3}, {QStringLiteral("pool"), 0}});
        start();
        QTest::mouseClick(item<QRadioButton>(QStringLiteral("optMode(4)")), Qt::LeftButton);
        QTest::mouseClick(item<QLabel>(QStringLiteral("lblCount(2)")), Qt::LeftButton);
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(7)")), Qt::LeftButton);
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::Print, Windows::Kind::Manager}));
        QCOMPARE(fromPool, (QList<bool>{false, true}));
        QVERIFY(!AppState::instance().ManagerFromPool);
        // The print command prepared compartment 3 in alphabetical order.
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        const AppState &a = AppState::instance();
        QCOMPARE(a.SqlText, QStringLiteral("Select * from tEnglisch where [Fach] = 3 order by FVok"));
        QCOMPARE(a.CompartmentRecordset->text(QStringLiteral("FVok")), QStringLiteral("Apfel"));
        item(QStringLiteral("mWork(3)"))->trigger();
        QCOMPARE(a.SqlText, QStringLiteral("Select * from tEnglisch where [Fach] = 3"));
    }

    // Values out of range take the defaults; a choice is saved at once.
    void optionsAreClampedAndSavedAtOnce()
    {
        sb.putSetting(QStringLiteral("Options/Repeats"), QStringLiteral("9"));
        sb.putSetting(QStringLiteral("Options/Versuche"), QStringLiteral("0"));
        sb.putSetting(QStringLiteral("Options/Abfrage"), QStringLiteral("drei"));
        start();
        for (const char *name : {"mRepeat(1)", "mTrial(3)", "mMode(1)"})
            QVERIFY2(item(QLatin1String(name))->isChecked(), name);
        item(QStringLiteral("mRepeat(4)"))->trigger();
        item(QStringLiteral("mRepeat(4)"))->trigger(); // choosing it again keeps it checked
        QCOMPARE(sb.setting(QStringLiteral("Options/Repeats")), QStringLiteral("4"));
        QVERIFY(item(QStringLiteral("mRepeat(4)"))->isChecked());
    }

    // Each option group has exactly one check mark: the item chosen last,
    // also when it is chosen twice; the other groups keep theirs.
    void eachOptionGroupChecksOneItem_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("key");
        QTest::newRow("mode") << "mMode" << 3 << "Abfrage";
        QTest::newRow("repeats") << "mRepeat" << 5 << "Repeats";
        QTest::newRow("trials") << "mTrial" << 3 << "Versuche";
    }
    void eachOptionGroupChecksOneItem()
    {
        QFETCH(QString, group);
        QFETCH(int, size);
        QFETCH(QString, key);
        start();
        const auto checked = [&](const QString &name, int n) {
            QList<int> on;
            for (int k = 1; k <= n; ++k)
                if (item(QStringLiteral("%1(%2)").arg(name).arg(k))->isChecked())
                    on << k;
            return on;
        };
        for (const int k : {size, 2, 2, 1}) {
            item(QStringLiteral("%1(%2)").arg(group).arg(k))->trigger();
            QCOMPARE(checked(group, size), QList<int>{k});
            QCOMPARE(sb.setting(QStringLiteral("Options/") + key), QString::number(k));
        }
        QCOMPARE(checked(QStringLiteral("mMode"), 3).size() + checked(QStringLiteral("mRepeat"), 5).size()
                     + checked(QStringLiteral("mTrial"), 3).size(),
                 3);
    }

    void aMissingTableKeepsThePreviousCardBox()
    {
        {
            auto db = makeDatabase({{QStringLiteral("x"), 3}}, {QStringLiteral("Latein")});
            db->deleteTableDef(QStringLiteral("tLatein"));
        }
        start();
        QCOMPARE(count(2), QStringLiteral("1"));
        item(QStringLiteral("mLanguage(2)"))->trigger();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Lerntabelle Latein ist nicht vorhanden!\n") + dbPath()
                                       + QStringLiteral(" ist fehlerhaft!"));
        QCOMPARE(count(2), QStringLiteral("1"));
        // Clicks and the commands on the table wait while it is unusable.
        sb.windows->clear();
        QTest::mouseClick(item<QLabel>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        item(QStringLiteral("mWork(3)"))->trigger();
        item(QStringLiteral("mVAdd"))->trigger();
        QVERIFY(sb.windows->requested().isEmpty());
    }

    // A start-up problem is reported once and start-up goes on: a broken
    // stored pair leaves the other pairs and the way out usable, no pair at
    // all still lets the learner add one. The pair then chosen is stored.
    void startupProblems_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<int>("choose"); // the pair to choose then; 0 adds one
        QTest::newRow("catalogue dropped") << "tSprache" << false << 0;
        QTest::newRow("catalogue empty") << "kein Sprachpaar" << false << 0;
        QTest::newRow("pair number beyond") << "7" << true << 2;
        QTest::newRow("names with blanks") << "" << true << 1;
        QTest::newRow("stored table dropped") << "Ungültige Datei!" << false << 1;
        QTest::newRow("stored table without VNr") << "Ungültige Tabelle!" << false << 1;
    }
    void startupProblems()
    {
        QFETCH(QString, message);
        QFETCH(bool, usable);
        QFETCH(int, choose);
        const QByteArray setup = QTest::currentDataTag();
        {
            auto db = makeDatabase({{QStringLiteral("x"), 3}}, {QStringLiteral("Französisch")});
            if (setup.startsWith("catalogue")) {
                db->deleteTableDef(QStringLiteral("tSprache"));
                if (setup == "catalogue empty")
                    Catalogue::CreateCatalogueTable(*db);
                sb.putSetting(QStringLiteral("Options/Sprache"), QStringLiteral("3"));
            } else if (setup == "pair number beyond") {
                sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("7"));
            } else if (setup == "names with blanks") {
                db->execute(QStringLiteral("UPDATE tSprache SET Tabelle = 'tEnglisch   ', FremdSprache = ' Englisch ' "
                                           "WHERE Tabelle = 'tEnglisch'"));
            } else {
                db->deleteTableDef(QStringLiteral("tFranzösisch"));
                if (setup == "stored table without VNr") {
                    store::TableDef t(QStringLiteral("tFranzösisch"));
                    t.appendField(QStringLiteral("FVok"), store::FieldType::Text, 50);
                    db->appendTableDef(t);
                }
                sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("2"));
            }
        }
        start();
        const int reported = message.isEmpty() ? 0 : 1;
        QCOMPARE(sb.spy->count(), reported);
        if (reported)
            QVERIFY2((sb.spy->last().title + sb.spy->last().text).contains(message), qPrintable(sb.spy->last().text));
        QCOMPARE(AppState::instance().TableValid, usable);
        for (const char *m : {"mVAdd", "mImport", "mExport"})
            QVERIFY2(item(QLatin1String(m))->isEnabled() == usable, m);

        if (choose == 0) {
            QVERIFY(w->findChild<QAction *>(QStringLiteral("mLanguage(1)")) == nullptr);
            addPair(QStringLiteral("Deutsch"), QStringLiteral("Latein"));
        } else {
            item(QStringLiteral("mLanguage(%1)").arg(choose))->trigger();
            QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QString::number(choose));
        }
        QCOMPARE(sb.spy->count(), reported);
        QVERIFY(AppState::instance().TableValid);
        for (const char *m : {"mWork(3)", "mTable(3)", "mPage(3)", "mPrint(3)"})
            QVERIFY2(item(QLatin1String(m))->isEnabled() == (choose == 1), m);
    }

    // "Statistik …" opens the statistics; each recount writes the day's
    // row of the card box: a new row after midnight, the same row updated
    // within a day.
    void statisticsCommandAndTheDaysCardBox()
    {
        History::useBerlinTime();
        History::pinNow(QStringLiteral("2025-06-10 23:58"));
        makeDatabase({{QStringLiteral("a"), 3}, {QStringLiteral("b"), 3}, {QStringLiteral("c"), 0}});
        start();
        QAction *statistics = item(QStringLiteral("mStatistik"));
        QCOMPARE(statistics->text(), QStringLiteral("&Statistik …"));
        QVERIFY(item<QMenu>(QStringLiteral("mExtra"))->actions().contains(statistics));
        QVERIFY(statistics->isEnabled());
        statistics->trigger();
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::Statistics}));
        QCOMPARE(boxDays(), (QStringList{"2025-06-10 1 0 0 2 0 0 0 0"}));

        History::pinNow(QStringLiteral("2025-06-11 00:01"));
        AppState::instance().Database->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES ('d', 'D', 1)"));
        w->Form_Activate();
        QCOMPARE(boxDays(), (QStringList{"2025-06-10 1 0 0 2 0 0 0 0", "2025-06-11 1 1 0 2 0 0 0 0"}));
        // Entering cards counts the start compartment alone on screen; the
        // day's row still has all eight.
        QTest::mouseClick(item<QRadioButton>(QStringLiteral("optMode(0)")), Qt::LeftButton);
        AppState::instance().Database->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 7 WHERE FVok = 'a'"));
        w->Form_Activate();
        QCOMPARE(boxDays(), (QStringList{"2025-06-10 1 0 0 2 0 0 0 0", "2025-06-11 1 1 0 1 0 0 0 1"}));
        QCOMPARE(sb.spy->count(), 0);
    }

    // A file that cannot take the statistics' tables opens as it is: one
    // message, the card box as ever, no statistics command, nothing written.
    void aFileWithoutStatistics()
    {
        {
            auto db = makeDatabase({{QStringLiteral("a"), 3}});
            db->execute(QStringLiteral("DROP TABLE VkSysAntworten"));
            db->execute(QStringLiteral("CREATE TABLE VkSysAntworten (Notiz TEXT)"));
        }
        start();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Lernstatistik"));
        QVERIFY(sb.spy->last().text.contains(dbPath()));
        QVERIFY(sb.spy->last().text.contains(QLatin1String("ohne Lernstatistik")));
        QCOMPARE(count(2), QStringLiteral("1"));
        QVERIFY(!item(QStringLiteral("mStatistik"))->isEnabled());
        QVERIFY(boxDays().isEmpty());
        w->Form_Activate();
        QCOMPARE(sb.spy->count(), 1);
    }

    void aFileThatIsNoDatabase()
    {
        QDir().mkpath(QFileInfo(dbPath()).path());
        QFile f(dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("Einkaufsliste: Brot, Milch\n") > 0);
        f.close();
        start();
        QVERIFY(sb.spy->count() >= 1);
        QVERIFY(sb.spy->shown().first().text.contains(dbPath()));
        QVERIFY(!item(QStringLiteral("mVAdd"))->isEnabled());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Einkaufsliste: Brot, Milch\n"));
    }

    // The heading under the program's name names the pair just chosen, at
    // once, as the caption does.
    void headingFollowsTheChosenPair()
    {
        makeDatabase({}, {QStringLiteral("Latein"), QStringLiteral("Spanisch")});
        start();
        const auto heading = [this] { return item<QLabel>(QStringLiteral("lblHeading"))->text(); };
        QVERIFY(heading().contains(QStringLiteral("Deutsch – Englisch")));
        for (int k : {3, 2, 1}) {
            item(QStringLiteral("mLanguage(%1)").arg(k))->trigger();
            const QString pair = AppState::instance().ForeignLanguage;
            QVERIFY(w->windowTitle().endsWith(pair));
            QVERIFY2(heading().contains(QStringLiteral("Deutsch – ") + pair), qPrintable(heading()));
        }
    }

    // At its smallest the window still shows the heading and the card box
    // apart, each whole; so it does when larger.
    void nothingOverlapsAtTheSmallestSize_data()
    {
        QTest::addColumn<QString>("language"); // both of the pair
        QTest::newRow("usual pair") << QString();
        QTest::newRow("longest names") << QString(30, QLatin1Char('W'));
    }
    void nothingOverlapsAtTheSmallestSize()
    {
        QFETCH(QString, language);
        auto db = makeDatabase({{QStringLiteral("dog"), 1}});
        if (!language.isEmpty())
            db->execute(QStringLiteral("UPDATE tSprache SET Muttersprache = ?, Fremdsprache = ?"), {language, language});
        db.reset();
        start();
        const auto *heading = item<QLabel>(QStringLiteral("lblHeading"));
        const auto *box = item<QWidget>(QStringLiteral("picKasten"));
        const QWidget *inner = box->parentWidget();
        for (const QSize size : {QSize(1, 1), QSize(1600, 1000)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            const QRect area = inner->rect();
            QVERIFY2(!heading->geometry().intersects(box->geometry()), qPrintable(QStringLiteral("%1x%2").arg(w->width()).arg(w->height())));
            QVERIFY(area.contains(heading->geometry()));
            QVERIFY(area.contains(box->geometry()));
        }
    }

    // The first start creates the database with one pair; pairs added later
    // get their table, catalogue row and recordings folder.
    void firstStartAndAddingLanguagePairs()
    {
        start();
        const AppState &a = AppState::instance();
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).exists());
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("1"));
        auto rows = a.Database->openRecordset(QStringLiteral("Select * from tSprache"));
        QCOMPARE(rows->recordCount(), 1);
        QCOMPARE(rows->text(QStringLiteral("Tabelle")), QStringLiteral("tEnglisch"));
        rows.reset();
        a.Database->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES ('dog', 'DOG', 2)"));

        addPair(QStringLiteral("deutsch"), QStringLiteral("LATEIN"));
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));
        QVERIFY(QDir(sb.work->file(QStringLiteral("Latein"))).exists());
        QCOMPARE(sb.setting(QStringLiteral("Database/SprachNr")), QStringLiteral("2"));
        auto row = a.Database->openRecordset(QStringLiteral("Select * from tSprache Where SprachId = 2"));
        QCOMPARE(row->text(QStringLiteral("Tabelle")), QStringLiteral("tLatein"));
        QCOMPARE(row->text(QStringLiteral("FremdSprache")), QStringLiteral("Latein"));

        // A name with a quote and a semicolon is stored as it is; one that
        // makes the table an SQL keyword (tHen) counts like any.
        addPair(QStringLiteral("Deutsch"), QStringLiteral("o'ahu; drop"));
        QCOMPARE(a.CurrentTable, QStringLiteral("tO'ahu; drop"));
        QVERIFY(a.Database->hasTable(QStringLiteral("tO'ahu; drop")));
        addPair(QStringLiteral("Deutsch"), QStringLiteral("hen"));
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(a.CurrentTable, QStringLiteral("tHen"));
        item(QStringLiteral("mLanguage(2)"))->trigger();

        // Refused pairs change nothing at all.
        for (const QString &foreign : {QStringLiteral("englisch"), QString(200, QLatin1Char('x'))}) {
            sb.spy->clear();
            addPair(QStringLiteral("Deutsch"), foreign);
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(int(a.PairCount), 4);
            QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));
            QCOMPARE(a.Database->openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 4);
            QCOMPARE(a.Database->tableNames().size(), 5);
        }
        item(QStringLiteral("mLanguage(1)"))->trigger();
        QCOMPARE(count(1), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
