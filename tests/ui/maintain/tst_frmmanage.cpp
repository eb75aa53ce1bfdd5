// The compartment manager against a real database in the sandbox.

#include "CardTable.h"

#include "ui/maintain/frmManage.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QtTest>

namespace {

QListView *list(QWidget &w, const char *name)
{
    return child<QListView>(w, name);
}

// Both labels, joined by " | ".
QString labels(QWidget &w)
{
    return child<QLabel>(w, "lblSource")->text() + QStringLiteral(" | ") + child<QLabel>(w, "lblDest")->text();
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
    void cleanup() { t.close(sb); }

    // Lines in German dictionary order, letter case ignored, each with its
    // card; the labels name the compartments at first. From the pool picture
    // there are no choices.
    void loadShowsPoolAndStart()
    {
        for (const char *w : {"Zebra", "über", "Öl", "Haus", "ende", "Äpfel", "apfel"})
            t.add(QString::fromUtf8(w), QStringLiteral("x"), 0);
        const auto house = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        AppState::instance().ManagerFromPool = true;
        frmManage w;
        w.show();
        QVERIFY(!child(w, "cboSource")->isVisible());
        QCOMPARE(linesOf(list(w, "lstSource")),
                 QStringList({"apfel - x", "Äpfel - x", "ende - x", "Haus - x", "Öl - x", "über - x", "Zebra - x"}));
        QCOMPARE(list(w, "lstDest")->model()->index(0, 0).data(RecordsetModel::KeyRole).toInt(), house);
        QCOMPARE(labels(w), QStringLiteral("Fach 0 (ungelernt): 7 | Fach 1 (Startfach): 1"));
    }

    // The source never offers compartment 7; the destination lies above it.
    void compartmentChoices()
    {
        t.add(QStringLiteral("six"), QStringLiteral("sechs"), 6);
        t.add(QStringLiteral("five"), QStringLiteral("fünf"), 5);
        frmManage w;
        w.show();
        auto *src = child<QComboBox>(w, "cboSource");
        auto *dst = child<QComboBox>(w, "cboDest");
        QCOMPARE(src->count(), 7);
        src->setCurrentIndex(6);
        QCOMPARE(dst->count(), 1);
        QCOMPARE(dst->itemText(0), QStringLiteral("Fach 7"));
        QCOMPARE(labels(w), QStringLiteral("Vokabeln im Fach 6: 1 | Vokabeln im Fach 7: 0"));
        src->setCurrentIndex(3);
        dst->setCurrentIndex(1);
        QCOMPARE(linesOf(list(w, "lstDest")), QStringList{"five - fünf"});
        QCOMPARE(labels(w), QStringLiteral("Vokabeln im Fach 3: 0 | Vokabeln im Fach 5: 1"));
    }

    // Every move writes Fach and gewusst = 0, up or down; the side the cards
    // left shows its new count, the other side is filled anew, the search
    // starts over. An emptied side keeps its "all" button.
    void moves_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("after"); // source lines | dest lines, by first letter
        QTest::newRow(">") << "btnAdd" << "c|ade";
        QTest::newRow("double click source") << "lstSource" << "c|ade";
        QTest::newRow(">>") << "btnAddAll" << "|acde";
        QTest::newRow("<") << "btnRemove" << "acd|e";
        QTest::newRow("<<") << "btnRemoveAll" << "acde|";
    }
    void moves()
    {
        QFETCH(QString, how);
        QFETCH(QString, after);
        const char *words[] = {"cherry", "apple", "eel", "dog"};
        for (int n = 0; n < 4; ++n)
            t.add(QString::fromLatin1(words[n]), QStringLiteral("x"), n / 2, {}, {}, {}, n + 1);
        frmManage w;
        w.show();
        const bool up = how.contains(QLatin1String("Add")) || how == QLatin1String("lstSource");
        QListView *from = list(w, up ? "lstSource" : "lstDest");
        clickRow(from, 0, how.startsWith(QLatin1String("lst")));
        if (!how.startsWith(QLatin1String("lst")))
            click(w, qPrintable(how));
        QCOMPARE(sb.spy->count(), 0);
        QString shown;
        for (const char *name : {"lstSource", "lstDest"}) {
            for (const QString &line : linesOf(list(w, name)))
                shown += line.at(0);
            shown += QLatin1Char('|');
        }
        QCOMPARE(shown, after + QLatin1Char('|'));
        const auto sides = after.split(QLatin1Char('|'));
        QCOMPARE(labels(w), QStringLiteral("Vokabeln im Fach 0: %1 | Vokabeln im Fach 1: %2")
                                .arg(sides[0].size())
                                .arg(sides[1].size()));
        QCOMPARE(t.count(0), int(sides[0].size()));
        for (std::int32_t vnr = 1; vnr <= 4; ++vnr) {
            const VocabularyRecord r = t.card(vnr);
            QCOMPARE(r.gewusst, r.Fach == (vnr <= 2 ? 0 : 1) ? int(vnr) : 0);
        }
        QCOMPARE(selectedRow(list(w, "lstSource")) + selectedRow(list(w, "lstDest")), -2);
        QCOMPARE(buttons(w, {"btnAdd", "btnAddAll", "btnRemove", "btnRemoveAll"}), QStringLiteral("0101"));
    }

    // A card that another program deleted stops the move with its own text;
    // the cards moved before it stay moved.
    void cardDeletedUnderneath_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow(">") << "btnAdd" << "Eintrag nicht gefunden!\nVokabel nicht in Fach 1 aufgenommen!";
        QTest::newRow(">>") << "btnAddAll" << "Eintrag nicht gefunden!\nVokabel nicht in Fach 1 aufgenommen!";
        QTest::newRow("<<") << "btnRemoveAll" << "Vokabel nicht gefunden!\nVokabel nicht aus Fach 1 entfernt!";
    }
    void cardDeletedUnderneath()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        const bool up = button.startsWith(QLatin1String("btnAdd"));
        const int from = up ? 0 : 1;
        const bool all = button.endsWith(QLatin1String("All"));
        // In list order a, b, c; in the table c comes first.
        const auto c = t.add(QStringLiteral("c"), QStringLiteral("x"), from);
        const auto a = t.add(QStringLiteral("a"), QStringLiteral("x"), from);
        const auto b = t.add(QStringLiteral("b"), QStringLiteral("x"), from);
        frmManage w;
        w.show();
        clickRow(list(w, up ? "lstSource" : "lstDest"), 1);
        t.deleteElsewhere(b);
        click(w, qPrintable(button));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, text);
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(t.card(a).Fach, all ? 1 - from : from);
        QCOMPARE(t.card(c).Fach, from);
    }

    // Lines that begin with the text, letter case ignored, from the search
    // position on; then the offer to start again. Started on the last line
    // that matches, the search stays there without asking.
    void prefixSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("rows"); // selected row after each search; -1: none
        QTest::addColumn<QStringList>("messages");
        const QString again = QStringLiteral("Kein weiterer Eintrag gefunden\nSoll noch einmal von Anfang gesucht werden?");
        // Lines: Äpfel - x, apple - Apfel, Apricot - x, banana - x,
        // it's; x - x, kiwi - x, kiwis - x
        QTest::newRow("two hits, then again") << "AP" << QList<int>{1, 2, 1} << QStringList{again};
        QTest::newRow("umlaut is its own letter") << "äP" << QList<int>{0} << QStringList{};
        QTest::newRow("native word only") << "Apfel" << QList<int>{-1} << QStringList{"'Apfel' nicht gefunden."};
        QTest::newRow("into the native word") << "APPLE - ap" << QList<int>{1} << QStringList{};
        QTest::newRow("quote and semicolon") << "it's;" << QList<int>{4} << QStringList{};
        QTest::newRow("regex characters") << ".*[" << QList<int>{-1} << QStringList{"'.*[' nicht gefunden."};
        QTest::newRow("last two lines") << "KIWI" << QList<int>{5, 6, 6, 6} << QStringList{};
    }
    void prefixSearch()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, messages);
        for (const char *w : {"banana", "Apricot", "apple", "Äpfel", "it's; x", "kiwi", "kiwis"})
            t.add(QString::fromUtf8(w), QStringLiteral("x"));
        t.db->execute(QStringLiteral("UPDATE tEnglisch SET MVok = 'Apfel' WHERE FVok = 'apple'"));
        t.add(QStringLiteral("apricot"), QStringLiteral("Aprikose"), 3);
        frmManage w;
        w.show();
        for (int expected : rows) {
            search(w, text);
            QCOMPARE(selectedRow(list(w, "lstSource")), expected);
        }
        QStringList shown;
        for (const auto &m : sb.spy->shown()) {
            shown << m.text;
            QCOMPARE(m.icon, QMessageBox::Information);
        }
        QCOMPARE(shown, messages);
    }

    // Positions beyond 32,767 lines: a search finds the line and the whole
    // list moves in one go.
    void compartmentOfManyCards()
    {
        t.addMany(33000, 0);
        frmManage w;
        w.show();
        search(w, QStringLiteral("w32999"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 32999);
        search(w, QStringLiteral("w3"));
        QCOMPARE(selectedRow(list(w, "lstSource")), 30000);
        click(w, "btnAddAll");
        QCOMPARE(t.count(1), 33000);
        QCOMPARE(labels(w), QStringLiteral("Vokabeln im Fach 0: 0 | Vokabeln im Fach 1: 33000"));
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmManage)
#include "tst_frmmanage.moc"
