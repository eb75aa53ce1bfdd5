// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window on histories each test writes itself, on Berlin's
// local days with a pinned clock: what its labels, list and charts show,
// its commands, and its colours in a light and a dark palette.

#include "../maintain/ListWindows.h"
#include "History.h"

#include "core/Clock.h"
#include "store/Statistics.h"
#include "ui/stats/frmStatistik.h"

#include <QAreaSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTemporaryDir>
#include <QValueAxis>

using History::answer;
using History::box;
using History::pinNow;

class TestFrmStatistik : public QObject
{
    Q_OBJECT

    Sandbox sb;
    LanguageTable t;

    static store::Database &db() { return *AppState::instance().Database; }
    static QString text(QWidget &w, const char *name) { return child<QLabel>(w, name)->text(); }
    static QStringList lines(QWidget &w) { return linesOf(child<QListWidget>(w, "lstSchwierig")); }
    static QChart *chart(QWidget &w, const char *name) { return child<QChartView>(w, name)->chart(); }
    static QStackedBarSeries *bars(QWidget &w)
    {
        const auto series = chart(w, "chtTage")->series();
        return series.isEmpty() ? nullptr : qobject_cast<QStackedBarSeries *>(series.first());
    }
    // "right/wrong" of each day shown, from the first day of the period.
    static QStringList days(QWidget &w)
    {
        QStringList shown;
        QStackedBarSeries *s = bars(w);
        for (int i = 0; s && i < s->barSets().first()->count(); ++i)
            shown << QStringLiteral("%1/%2").arg(s->barSets()[0]->at(i)).arg(s->barSets()[1]->at(i));
        return shown;
    }
    // The top of the stacked areas (all cards) on day i of the period.
    static qreal boxTop(QWidget &w, int i)
    {
        // The legend names the compartments from the top of the stack down.
        const auto series = chart(w, "chtVerlauf")->series();
        QStringList names;
        for (const QAbstractSeries *s : series)
            names << s->name();
        if (names != QStringList{"Fach 7", "Fach 6", "Fach 5", "Fach 4", "Fach 3", "Fach 2", "Fach 1", "Fach 0"})
            return -2;
        const auto *top = qobject_cast<QAreaSeries *>(series.first())->upperSeries();
        for (const QPointF &p : top->points())
            if (qRound(p.x()) == i)
                return p.y();
        return -1;
    }

private slots:
    void initTestCase() { History::useBerlinTime(); }
    void init()
    {
        sb.start();
        t.open(sb);
        AppState::instance().SprachNr = 1;
        pinNow(QStringLiteral("2025-03-31 09:00"));
    }
    void cleanup() { t.close(sb); }

    // A history across midnight, across the change to summer time (the
    // night of 30 March) and across a gap: each day's bars, the series, the
    // day's figures and the hardest words in order.
    void figuresOfAHistory()
    {
        const auto house = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        const auto tree = t.add(QStringLiteral("tree"), QStringLiteral("Baum"), 2);
        const auto dog = t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 1);
        {
            History::Batch batch(db());
            answer(db(), QStringLiteral("2025-03-20 10:00"), house, false); // before the gap
            answer(db(), QStringLiteral("2025-03-20 10:01"), house, false);
            answer(db(), QStringLiteral("2025-03-28 23:59"), tree, true);
            answer(db(), QStringLiteral("2025-03-29 00:01"), tree, false);
            answer(db(), QStringLiteral("2025-03-30 01:59"), dog, false); // before 2:00 became 3:00
            answer(db(), QStringLiteral("2025-03-30 03:01"), dog, true);
            answer(db(), QStringLiteral("2025-03-30 23:30"), house, false);
            answer(db(), QStringLiteral("2025-03-31 08:00"), house, true);
            answer(db(), QStringLiteral("2025-03-31 08:01"), house, false);
            answer(db(), QStringLiteral("2025-03-31 08:02"), tree, true);
            box(db(), QStringLiteral("2025-03-29"), {1, 2, 0, 0, 0, 0, 0, 0});
            box(db(), QStringLiteral("2025-03-31"), {0, 2, 1, 0, 0, 0, 0, 3});
        }
        // A card deleted since: its answers still count, the list names it
        // no more.
        Records::deleteCard(dog);
        frmStatistik w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Lernstatistik Englisch"));
        QCOMPARE(child<QComboBox>(w, "cboZeitraum")->currentText(), QStringLiteral("30 Tage"));
        QCOMPARE(text(w, "lblSerie"), QStringLiteral("4 Tage in Folge, längste Serie: 4 Tage"));
        QCOMPARE(text(w, "lblHeute"), QStringLiteral("Heute: 2 Vokabeln geübt, 2 richtig, 1 falsch (67 %)"));
        QVERIFY(child<QLabel>(w, "lblLeer")->isHidden());
        QVERIFY(child<QLabel>(w, "lblFehler")->isHidden());
        QCOMPARE(lines(w), (QStringList{"house - Haus: 4 falsch, 1 richtig", "tree - Baum: 1 falsch, 2 richtig"}));
        const QStringList shown = days(w);
        QCOMPARE(shown.size(), 30);
        QCOMPARE(shown.mid(18), (QStringList{"0/2", "0/0", "0/0", "0/0", "0/0", "0/0", "0/0", "0/0", "1/0", "0/1",
                                             "1/2", "2/1"}));
        // The card box: nothing known before its first row, carried over
        // the day without one.
        QCOMPARE(boxTop(w, 26), -1.0);
        QCOMPARE(boxTop(w, 27), 3.0);
        QCOMPARE(boxTop(w, 28), 3.0);
        QCOMPARE(boxTop(w, 29), 6.0);
        child<QComboBox>(w, "cboZeitraum")->setCurrentIndex(0);
        QCOMPARE(days(w), (QStringList{"0/0", "0/0", "0/0", "1/0", "0/1", "1/2", "2/1"}));
        QCOMPARE(boxTop(w, 6), 6.0);
        // Before the gap, out of the week: house failed twice less.
        QCOMPARE(lines(w).first(), QStringLiteral("house - Haus: 2 falsch, 1 richtig"));
    }

    // Each period: as many days as it covers, "Alles" from the first day
    // anything was recorded; the days along the bottom named in German.
    void periods_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("firstLabel");
        QTest::newRow("7 Tage") << 0 << 7 << "25.03.";
        QTest::newRow("30 Tage") << 1 << 30 << "03.03.";
        QTest::newRow("1 Jahr") << 2 << 365 << "Apr. 2024";
        QTest::newRow("Alles") << 3 << 500 << "Jan. 2024";
    }
    void periods()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(QString, firstLabel);
        const auto card = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        // The first answer 499 days before today.
        answer(db(), QStringLiteral("2023-11-18 12:00"), card, true);
        answer(db(), QStringLiteral("2025-03-31 08:00"), card, true);
        frmStatistik w;
        w.show();
        child<QComboBox>(w, "cboZeitraum")->setCurrentIndex(index);
        QCOMPARE(int(days(w).size()), count);
        QCOMPARE(days(w).last(), QStringLiteral("1/0"));
        auto *x = qobject_cast<QCategoryAxis *>(chart(w, "chtTage")->axes(Qt::Horizontal).first());
        QVERIFY(x);
        QVERIFY(!x->categoriesLabels().isEmpty());
        QCOMPARE(x->categoriesLabels().first(), firstLabel);
    }

    // No answers yet: the line that says so, empty charts, nothing to move;
    // never a message.
    void emptyHistory()
    {
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        frmStatistik w;
        w.show();
        QVERIFY(child<QLabel>(w, "lblLeer")->isVisible());
        QCOMPARE(text(w, "lblLeer"), QStringLiteral("Die Statistik füllt sich, sobald Sie Vokabeln üben."));
        QCOMPARE(text(w, "lblSerie"), QStringLiteral("0 Tage in Folge, längste Serie: 0 Tage"));
        QCOMPARE(text(w, "lblHeute"), QStringLiteral("Heute: 0 Vokabeln geübt, 0 richtig, 0 falsch (0 %)"));
        QVERIFY(chart(w, "chtTage")->series().isEmpty());
        QVERIFY(chart(w, "chtVerlauf")->series().isEmpty());
        QVERIFY(lines(w).isEmpty());
        QVERIFY(!child<QPushButton>(w, "btnNachFach1")->isEnabled());
        QVERIFY(child<QLabel>(w, "lblFehler")->isHidden());
        QCOMPARE(sb.spy->count(), 0);
    }

    // Rows that cannot be read are left out and counted, never a message.
    void damagedRows()
    {
        const auto card = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        answer(db(), QStringLiteral("2025-03-31 08:00"), card, true);
        History::Row bad;
        bad.zeit = QStringLiteral("gestern");
        History::put(db(), bad);
        bad.zeit = History::zeit(QStringLiteral("2025-03-31 08:00"));
        bad.fachAfter = 9;
        History::put(db(), bad);
        frmStatistik w;
        w.show();
        QVERIFY(child<QLabel>(w, "lblFehler")->isVisible());
        QCOMPARE(text(w, "lblFehler"), QStringLiteral("2 Einträge konnten nicht gelesen werden"));
        QCOMPARE(days(w).last(), QStringLiteral("1/0"));
        QCOMPARE(sb.spy->count(), 0);
    }

    // Pointing at a day shows its exact figures.
    void tooltipsTellTheDay()
    {
        const auto card = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        answer(db(), QStringLiteral("2025-03-30 08:00"), card, true);
        answer(db(), QStringLiteral("2025-03-30 08:01"), card, false);
        answer(db(), QStringLiteral("2025-03-30 08:02"), card, true);
        box(db(), QStringLiteral("2025-03-30"), {4, 3, 0, 0, 0, 0, 0, 1});
        frmStatistik w;
        w.show();
        emit bars(w)->hovered(true, 28, bars(w)->barSets().first());
        QCOMPARE(child<QChartView>(w, "chtTage")->toolTip(),
                 QStringLiteral("Sonntag, 30. März 2025\n2 richtig, 1 falsch"));
        auto *area = qobject_cast<QAreaSeries *>(chart(w, "chtVerlauf")->series().first());
        emit area->hovered(QPointF(28.2, 1), true);
        QCOMPARE(child<QChartView>(w, "chtVerlauf")->toolTip(),
                 QStringLiteral("Sonntag, 30. März 2025\nFach 7: 1\nFach 6: 0\nFach 5: 0\nFach 4: 0\nFach 3: 0\n"
                                "Fach 2: 0\nFach 1: 3\nFach 0: 4\nzusammen: 8"));
    }

    // A double click opens the entry form on that card in change mode.
    void doubleClickChangesTheCard()
    {
        const auto house = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        const auto tree = t.add(QStringLiteral("tree"), QStringLiteral("Baum"), 1);
        answer(db(), QStringLiteral("2025-03-31 08:00"), house, false);
        answer(db(), QStringLiteral("2025-03-31 08:01"), tree, false);
        answer(db(), QStringLiteral("2025-03-31 08:02"), tree, false);
        QList<std::int32_t> asked;
        sb.windows->onRequest([&](Windows::Kind kind) {
            QCOMPARE(kind, Windows::Kind::Entry);
            QVERIFY(AppState::instance().EditMode);
            asked << AppState::instance().EditVNr;
        });
        frmStatistik w;
        w.show();
        auto *list = child<QListWidget>(w, "lstSchwierig");
        const QRect second = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(asked, (QList<std::int32_t>{house}));
        QVERIFY(!AppState::instance().EditMode);
    }

    // The listed cards go to compartment 1 after a question naming their
    // count, each logged as a move by hand; "Nein" moves nothing.
    void listedCardsBackToTheStart_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Ja") << true;
        QTest::newRow("Nein") << false;
    }
    void listedCardsBackToTheStart()
    {
        QFETCH(bool, yes);
        const auto house = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 5, {}, {}, {}, 2);
        const auto tree = t.add(QStringLiteral("tree"), QStringLiteral("Baum"), 7, {}, {}, {}, 1);
        const auto dog = t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 4, {}, {}, {}, 1);
        answer(db(), QStringLiteral("2025-03-31 08:00"), house, false);
        answer(db(), QStringLiteral("2025-03-31 08:01"), tree, false);
        answer(db(), QStringLiteral("2025-03-31 08:02"), dog, true);
        sb.spy->answer(yes ? QMessageBox::Yes : QMessageBox::No);
        frmStatistik w;
        w.show();
        click(w, "btnNachFach1");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Sollen die 2 aufgelisteten Vokabeln in Fach 1 gelegt werden?"));
        QCOMPARE(sb.spy->last().buttons, QMessageBox::Yes | QMessageBox::No);
        const auto where = [&](std::int32_t vnr) {
            const VocabularyRecord r = t.card(vnr);
            return QStringLiteral("%1/%2").arg(r.Fach).arg(r.gewusst);
        };
        QCOMPARE(where(house), yes ? QStringLiteral("1/0") : QStringLiteral("5/2"));
        QCOMPARE(where(tree), yes ? QStringLiteral("1/0") : QStringLiteral("7/1"));
        QCOMPARE(where(dog), QStringLiteral("4/1"));
        int moves = 0;
        db().forEachRow(QStringLiteral("SELECT count(*) FROM VkSysAntworten WHERE Richtig IS NULL AND Tests = 0 "
                                       "AND FachNachher = 1"),
                        {}, [&](const QVariantList &r) { moves = r[0].toInt(); });
        QCOMPARE(moves, yes ? 2 : 0);
        // The list stays: the cards still failed most.
        QCOMPARE(lines(w).size(), 2);
    }

    // Both charts in one PNG, the one over the other; ".png" added where
    // the name has none; Cancel writes nothing; a file that cannot be
    // written is reported.
    void chartsAsOnePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("messages");
        QTest::newRow("with suffix") << "bild.PNG" << "bild.PNG" << 0;
        QTest::newRow("without") << "bild" << "bild.png" << 0;
        QTest::newRow("cancel") << "" << "" << 0;
        QTest::newRow("no folder") << "fehlt/bild.png" << "" << 1;
    }
    void chartsAsOnePicture()
    {
        QFETCH(QString, name);
        QFETCH(QString, written);
        QFETCH(int, messages);
        QTemporaryDir dir;
        const auto card = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        answer(db(), QStringLiteral("2025-03-31 08:00"), card, true);
        sb.dialogs->answer(name.isEmpty() ? QVariant() : QVariant(dir.filePath(name)));
        frmStatistik w;
        w.resize(900, 640);
        w.show();
        click(w, "btnBild");
        QCOMPARE(sb.dialogs->asked().size(), 1);
        QCOMPARE(sb.dialogs->asked().first().kind, Dialogs::Kind::SaveFile);
        QCOMPARE(sb.dialogs->asked().first().filter, QStringLiteral("PNG-Bilder (*.png)"));
        QCOMPARE(sb.spy->count(), messages);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), written.isEmpty() ? QStringList() : QStringList{written});
        if (written.isEmpty())
            return;
        const QImage picture(dir.filePath(written), "PNG");
        const QSize upper = child<QChartView>(w, "chtVerlauf")->size();
        const QSize lower = child<QChartView>(w, "chtTage")->size();
        QCOMPARE(picture.size(), QSize(std::max(upper.width(), lower.width()), upper.height() + lower.height()));
    }

    // The help button opens the window's own help text.
    void help()
    {
        QString file;
        sb.windows->onRequest([&](Windows::Kind) { file = AppState::instance().HelpFile; });
        frmStatistik w;
        w.show();
        click(w, "btnHelp");
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::Help}));
        QVERIFY2(file.endsWith(QLatin1String("/help/Statistik.rtf")), qPrintable(file));
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    }

    // In a dark palette the charts are dark with light text, and the other
    // way round; a change of the desktop's palette redraws them.
    void lightAndDark_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(239, 239, 239) << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(45, 45, 48) << QColor(30, 30, 30) << QColor(230, 230, 230);
    }
    void lightAndDark()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        const auto card = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        answer(db(), QStringLiteral("2025-03-31 08:00"), card, true);
        box(db(), QStringLiteral("2025-03-31"), {0, 1, 0, 0, 0, 0, 0, 0});
        frmStatistik w;
        w.show();
        QPalette p = w.palette();
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::WindowText, text);
        w.setPalette(p);
        for (const char *name : {"chtVerlauf", "chtTage"}) {
            QChart *c = chart(w, name);
            QCOMPARE(c->backgroundBrush().color(), base);
            QCOMPARE(c->titleBrush().color(), text);
            QCOMPARE(c->legend()->labelColor(), text);
            for (QAbstractAxis *axis : c->axes())
                QCOMPARE(axis->labelsBrush().color(), text);
            QVERIFY(!c->series().isEmpty());
        }
    }
};

QTEST_MAIN(TestFrmStatistik)
#include "tst_frmstatistik.moc"
