// The compartment manager against a real database in the sandbox.

#include "CardTable.h"

#include "ui/maintain/frmManage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

namespace {

template <typename T = QWidget>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

QListView *list(QWidget &w, const char *name)
{
    return child<QListView>(w, name);
}

QString label(QWidget &w, const char *name)
{
    return child<QLabel>(w, name)->text();
}

void click(QWidget &w, const char *name)
{
    QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
}

// >, >>, <, << and Suchen as one letter each: 0 disabled, 1 enabled, D the
// default button.
QString buttons(QWidget &w)
{
    QString s;
    for (const char *name : {"btnAdd", "btnAddAll", "btnRemove", "btnRemoveAll", "btnSearch"}) {
        const auto *b = child<QPushButton>(w, name);
        s += b->isDefault() ? QLatin1Char('D') : b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    }
    return s;
}

QStringList items(QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

void search(QWidget &w, const QString &text)
{
    auto *box = child<QLineEdit>(w, "txtSearch");
    if (box->text() != text)
        box->setText(text);
    click(w, "btnSearch");
}

} // namespace

class TestFrmManage : public QObject
{
    Q_OBJECT

    Sandbox sb;
    CardTable t;

private slots:
    void init()
    {
        sb.start();
        t.open(sb);
    }
    void cleanup()
    {
        AppState::resetForTesting();
        t.close();
        sb.stop();
    }

    // Lines in German dictionary order, letter case ignored; the labels name
    // the compartments at first.
    void loadShowsPoolAndStart_data()
    {
        QTest::addColumn<bool>("fromPool");
        QTest::newRow("menu") << false;
        QTest::newRow("pool picture") << true;
    }
    void loadShowsPoolAndStart()
    {
        QFETCH(bool, fromPool);
        for (const char *w : {"Zebra", "über", "Öl", "Haus", "ende", "Äpfel", "apfel"})
            t.add(QString::fromUtf8(w), QStringLiteral("x"), 0);
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"), 2);
        AppState::instance().ManagerFromPool = fromPool;
        frmManage w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Verwalten von Vokabeln - Englisch"));
        QCOMPARE(child(w, "cboSource")->isVisible(), !fromPool);
        QCOMPARE(child(w, "cboDest")->isVisible(), !fromPool);
        QCOMPARE(linesOf(list(w, "lstSource")),
                 QStringList({"apfel - x", "Äpfel - x", "ende - x", "Haus - x", "Öl - x", "über - x", "Zebra - x"}));
        QCOMPARE(linesOf(list(w, "lstDest")), QStringList{"house - Haus"});
        QCOMPARE(label(w, "lblSource"), QStringLiteral("Fach 0 (ungelernt): 7"));
        QCOMPARE(label(w, "lblDest"), QStringLiteral("Fach 1 (Startfach): 1"));
        QCOMPARE(buttons(w), QStringLiteral("0101D"));
        // Each line carries its card.
        auto *m = list(w, "lstDest")->model();
        QCOMPARE(m->index(0, 0).data(RecordsetModel::KeyRole).toInt(), 8);
    }

    // The source never offers compartment 7, the destination never 0 and
    // always lies above the source.
    void compartmentChoices()
    {
        t.add(QStringLiteral("six"), QStringLiteral("sechs"), 6);
        t.add(QStringLiteral("seven"), QStringLiteral("sieben"), 7);
        t.add(QStringLiteral("five"), QStringLiteral("fünf"), 5);
        frmManage w;
        w.show();
        auto *src = child<QComboBox>(w, "cboSource");
        auto *dst = child<QComboBox>(w, "cboDest");
        QCOMPARE(items(src), QStringList({"Fach 0 (ungelernt)", "Fach 1 (Startfach)", "Fach 2", "Fach 3", "Fach 4",
                                          "Fach 5", "Fach 6"}));
        QCOMPARE(items(dst).first(), QStringLiteral("Fach 1 (Startfach)"));
        QCOMPARE(items(dst).last(), QStringLiteral("Fach 7"));

        src->setCurrentIndex(6);
        QCOMPARE(items(dst), QStringList{"Fach 7"});
        QCOMPARE(linesOf(list(w, "lstSource")), QStringList{"six - sechs"});
        QCOMPARE(linesOf(list(w, "lstDest")), QStringList{"seven - sieben"});
        QCOMPARE(label(w, "lblSource"), QStringLiteral("Vokabeln im Fach 6: 1"));
        QCOMPARE(label(w, "lblDest"), QStringLiteral("Vokabeln im Fach 7: 1"));

        src->setCurrentIndex(3);
        QCOMPARE(items(dst), QStringList({"Fach 4", "Fach 5", "Fach 6", "Fach 7"}));
        QCOMPARE(label(w, "lblDest"), QStringLiteral("Vokabeln im Fach 4: 0"));
        QCOMPARE(buttons(w), QStringLiteral("0000D"));
        dst->setCurrentIndex(1);
        QCOMPARE(linesOf(list(w, "lstDest")), QStringList{"five - fünf"});
        QCOMPARE(label(w, "lblDest"), QStringLiteral("Vokabeln im Fach 5: 1"));
        QCOMPARE(buttons(w), QStringLiteral("0001D"));

        // Moving up from 3 to 5 and back.
        t.add(QStringLiteral("three"), QStringLiteral("drei"), 3);
        src->setCurrentIndex(2);
        src->setCurrentIndex(3);
        dst->setCurrentIndex(1);
        click(w, "btnAddAll");
        QCOMPARE(t.card(4).Fach, 5);
    }

    // Selecting a line on one side readies its button and clears the other.
    void selectionRules()
    {
        t.add(QStringLiteral("apple"), QStringLiteral("Apfel"), 0);
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        frmManage w;
        w.show();
        clickRow(list(w, "lstSource"), 0);
        QCOMPARE(buttons(w), QStringLiteral("D1010"));
        clickRow(list(w, "lstDest"), 0);
        QCOMPARE(buttons(w), QStringLiteral("01D10"));
        QCOMPARE(selectedRow(list(w, "lstSource")), -1);
        clickRow(list(w, "lstSource"), 0);
        QCOMPARE(selectedRow(list(w, "lstDest")), -1);
        // A click into the search text starts over.
        QTest::mouseClick(child(w, "txtSearch"), Qt::LeftButton);
        QCOMPARE(selectedRow(list(w, "lstSource")), -1);
        QCOMPARE(buttons(w), QStringLiteral("0101D"));
    }

    // Every move writes Fach and gewusst = 0, up or down; the side the cards
    // left shows its new count, the other side is filled anew.
    void moves_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QStringList>("dest");
        QTest::addColumn<QString>("lblSource");
        QTest::addColumn<QString>("lblDest");
        QTest::addColumn<QString>("after");
        const QStringList pool{"apple - Apfel", "cherry - Kirsche"};
        const QStringList start{"dog - Hund", "eel - Aal"};
        QTest::newRow(">") << "btnAdd" << false << QStringList{"cherry - Kirsche"}
                           << QStringList{"apple - Apfel", "dog - Hund", "eel - Aal"} << "Vokabeln im Fach 0: 1"
                           << "Vokabeln im Fach 1: 3" << "0101D";
        QTest::newRow("double click source") << "lstSource" << true << QStringList{"cherry - Kirsche"}
                                             << QStringList{"apple - Apfel", "dog - Hund", "eel - Aal"}
                                             << "Vokabeln im Fach 0: 1" << "Vokabeln im Fach 1: 3" << "0101D";
        QTest::newRow(">>") << "btnAddAll" << false << QStringList{}
                            << QStringList{"apple - Apfel", "cherry - Kirsche", "dog - Hund", "eel - Aal"}
                            << "Vokabeln im Fach 0: 0" << "Vokabeln im Fach 1: 4" << "0101D";
        QTest::newRow("<") << "btnRemove" << false << QStringList{"apple - Apfel", "cherry - Kirsche", "dog - Hund"}
                           << QStringList{"eel - Aal"} << "Vokabeln im Fach 0: 3" << "Vokabeln im Fach 1: 1" << "0101D";
        QTest::newRow("double click dest") << "lstDest" << true
                                           << QStringList{"apple - Apfel", "cherry - Kirsche", "dog - Hund"}
                                           << QStringList{"eel - Aal"} << "Vokabeln im Fach 0: 3"
                                           << "Vokabeln im Fach 1: 1" << "0101D";
        QTest::newRow("<<") << "btnRemoveAll" << false
                            << QStringList{"apple - Apfel", "cherry - Kirsche", "dog - Hund", "eel - Aal"}
                            << QStringList{} << "Vokabeln im Fach 0: 4" << "Vokabeln im Fach 1: 0" << "0101D";
    }
    void moves()
    {
        QFETCH(QString, button);
        QFETCH(bool, doubleClick);
        QFETCH(QStringList, source);
        QFETCH(QStringList, dest);
        QFETCH(QString, lblSource);
        QFETCH(QString, lblDest);
        QFETCH(QString, after);
        t.add(QStringLiteral("cherry"), QStringLiteral("Kirsche"), 0, {}, {}, {}, 1);
        t.add(QStringLiteral("apple"), QStringLiteral("Apfel"), 0, {}, {}, {}, 2);
        t.add(QStringLiteral("eel"), QStringLiteral("Aal"), 1, {}, {}, {}, 3);
        t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 1, {}, {}, {}, 4);
        frmManage w;
        w.show();
        const bool up = button.contains(QLatin1String("Add")) || button == QLatin1String("lstSource");
        QListView *from = list(w, up ? "lstSource" : "lstDest");
        if (doubleClick)
            doubleClickRow(from, 0);
        else {
            clickRow(from, 0);
            click(w, qPrintable(button));
        }
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(linesOf(list(w, "lstSource")), source);
        QCOMPARE(linesOf(list(w, "lstDest")), dest);
        QCOMPARE(label(w, "lblSource"), lblSource);
        QCOMPARE(label(w, "lblDest"), lblDest);
        QCOMPARE(t.count(0), int(source.size()));
        QCOMPARE(t.count(1), int(dest.size()));
        for (std::int32_t vnr = 1; vnr <= 4; ++vnr) {
            const VocabularyRecord r = t.card(vnr);
            const bool moved = (up && r.Fach == 1 && (vnr <= 2)) || (!up && r.Fach == 0 && vnr >= 3);
            QCOMPARE(r.gewusst, moved ? 0 : int(vnr));
        }
        // The search starts over; an emptied side keeps its "all" button
        // until it is filled again.
        QCOMPARE(selectedRow(list(w, "lstSource")), -1);
        QCOMPARE(selectedRow(list(w, "lstDest")), -1);
        QCOMPARE(w.focusWidget(), child(w, "txtSearch"));
        QCOMPARE(buttons(w), after);
    }

    // A card that another program deleted stops the move with its own text;
    // the cards moved before it stay moved.
    void cardDeletedUnderneath_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("movedBefore");
        QTest::newRow(">") << "btnAdd" << "Eintrag nicht gefunden!\nVokabel nicht in Fach 1 aufgenommen!" << 0;
        QTest::newRow(">>") << "btnAddAll" << "Eintrag nicht gefunden!\nVokabel nicht in Fach 1 aufgenommen!" << 1;
        QTest::newRow("<") << "btnRemove" << "Vokabel nicht gefunden!\nVokabel nicht aus Fach 1 entfernt!" << 0;
        QTest::newRow("<<") << "btnRemoveAll" << "Vokabel nicht gefunden!\nVokabel nicht aus Fach 1 entfernt!" << 1;
    }
    void cardDeletedUnderneath()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(int, movedBefore);
        const bool up = button.startsWith(QLatin1String("btnAdd"));
        const int from = up ? 0 : 1;
        const auto a = t.add(QStringLiteral("a"), QStringLiteral("x"), from);
        const auto b = t.add(QStringLiteral("b"), QStringLiteral("x"), from);
        const auto c = t.add(QStringLiteral("c"), QStringLiteral("x"), from);
        frmManage w;
        w.show();
        QListView *l = list(w, up ? "lstSource" : "lstDest");
        clickRow(l, 1);
        t.deleteElsewhere(b);
        if (movedBefore == 0)
            clickRow(l, 1);
        click(w, qPrintable(button));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, text);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(t.card(a).Fach, movedBefore ? 1 - from : from);
        QCOMPARE(t.card(c).Fach, from);
        QCOMPARE(t.count(), 2);
    }

    // Lines that begin with the text, letter case ignored, from the search
    // position on; then the offer to start again.
    void prefixSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("rows"); // selected row after each search; -1: none
        QTest::addColumn<QStringList>("messages");
        // Lines: Äpfel - apples, apple - Apfel, Apricot - Aprikose,
        // banana - Banane, it's; x - y, kiwi - Kiwi
        QTest::newRow("two hits, then again") << "AP" << QList<int>{1, 2, 1}
                                              << QStringList{"Kein weiterer Eintrag gefunden\nSoll noch einmal von Anfang gesucht werden?"};
        QTest::newRow("umlaut is its own letter") << "äP" << QList<int>{0} << QStringList{};
        QTest::newRow("native word only") << "Apfel" << QList<int>{-1}
                                          << QStringList{"'Apfel' nicht gefunden."};
        QTest::newRow("into the native word") << "APPLE - ap" << QList<int>{1} << QStringList{};
        QTest::newRow("quote and semicolon") << "it's;" << QList<int>{4} << QStringList{};
        QTest::newRow("regex characters") << ".*[" << QList<int>{-1} << QStringList{"'.*[' nicht gefunden."};
        QTest::newRow("last line") << "kiwi" << QList<int>{5, 5}
                                   << QStringList{"Kein weiterer Eintrag gefunden\nSoll noch einmal von Anfang gesucht werden?"};
    }
    void prefixSearch()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, messages);
        t.add(QStringLiteral("banana"), QStringLiteral("Banane"));
        t.add(QStringLiteral("Apricot"), QStringLiteral("Aprikose"));
        t.add(QStringLiteral("apple"), QStringLiteral("Apfel"));
        t.add(QStringLiteral("Äpfel"), QStringLiteral("apples"));
        t.add(QStringLiteral("it's; x"), QStringLiteral("y"));
        t.add(QStringLiteral("kiwi"), QStringLiteral("Kiwi"));
        t.add(QStringLiteral("apricot"), QStringLiteral("Aprikose"), 3);
        frmManage w;
        w.show();
        QCOMPARE(linesOf(list(w, "lstSource")), QStringList({"Äpfel - apples", "apple - Apfel", "Apricot - Aprikose",
                                                             "banana - Banane", "it's; x - y", "kiwi - Kiwi"}));
        for (int expected : rows) {
            search(w, text);
            QCOMPARE(selectedRow(list(w, "lstSource")), expected);
            if (expected >= 0)
                QCOMPARE(buttons(w), QStringLiteral("D1001"));
        }
        QStringList shown;
        for (const auto &m : sb.spy->shown())
            shown << m.text;
        QCOMPARE(shown, messages);
        for (const auto &m : sb.spy->shown())
            QCOMPARE(m.icon, QMessageBox::Information);
    }

    // Answered No, the search stops where it is; the last two lines both
    // matching keep selecting the last one.
    void searchPositionQuirks()
    {
        for (const char *w : {"apple", "berry", "blue"})
            t.add(QString::fromLatin1(w), QStringLiteral("x"));
        frmManage w;
        w.show();
        search(w, QStringLiteral("b"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 1);
        search(w, QStringLiteral("b"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 2);
        search(w, QStringLiteral("b"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 2);
        QCOMPARE(sb.spy->count(), 0);

        search(w, QStringLiteral("a"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 0);
        sb.spy->answer(QMessageBox::No);
        search(w, QStringLiteral("a"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(selectedRow(list(w, "lstSource")), 0);

        // A one-line list whose line matches never asks.
        t.add(QStringLiteral("solo"), QStringLiteral("x"), 4);
        child<QComboBox>(w, "cboSource")->setCurrentIndex(4);
        sb.spy->clear();
        for (int i = 0; i < 3; ++i) {
            search(w, QStringLiteral("SO"));
            QCOMPARE(selectedRow(list(w, "lstSource")), 0);
        }
        QCOMPARE(sb.spy->count(), 0);
    }

    void emptyCompartments()
    {
        frmManage w;
        w.show();
        QCOMPARE(linesOf(list(w, "lstSource")), QStringList());
        QCOMPARE(buttons(w), QStringLiteral("0000D"));
        QCOMPARE(label(w, "lblSource"), QStringLiteral("Fach 0 (ungelernt): 0"));
        child<QLineEdit>(w, "txtSearch")->setText(QStringLiteral("  "));
        QVERIFY(!child<QPushButton>(w, "btnSearch")->isEnabled());
        search(w, QStringLiteral("x"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("'x' nicht gefunden."));
        click(w, "btnAddAll");
        click(w, "btnRemove");
        QCOMPARE(sb.spy->count(), 1);
    }

    // Positions beyond 32,767 lines: a search finds the line and the whole
    // list moves in one go.
    void compartmentOfManyCards()
    {
        const int n = 33000;
        t.addMany(n, 0);
        frmManage w;
        w.show();
        QCOMPARE(label(w, "lblSource"), QStringLiteral("Fach 0 (ungelernt): 33000"));
        search(w, QStringLiteral("w32999"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 32999);
        search(w, QStringLiteral("w3"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 30000);
        click(w, "btnAddAll");
        QCOMPARE(t.count(1), n);
        QCOMPARE(label(w, "lblDest"), QStringLiteral("Vokabeln im Fach 1: 33000"));
        QCOMPARE(list(w, "lstDest")->model()->rowCount(), n);
        QCOMPARE(sb.spy->count(), 0);
    }

    void helpShowsBasis()
    {
        QString help;
        sb.windows->onRequest([&](Windows::Kind) { help = AppState::instance().HelpFile; });
        frmManage w;
        w.show();
        click(w, "btnHelp");
        QCOMPARE(QFileInfo(help).fileName(), QStringLiteral("basis.rtf"));
    }
};

QTEST_MAIN(TestFrmManage)
#include "tst_frmmanage.moc"
