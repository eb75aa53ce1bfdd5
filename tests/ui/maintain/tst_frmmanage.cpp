// SPDX-License-Identifier: GPL-3.0-or-later
// The compartment manager against a real database in the sandbox.

#include "ListWindows.h"

#include "ui/maintain/frmManage.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

class TestFrmManage : public QObject
{
    Q_OBJECT

    Sandbox sb;
    LanguageTable t;

private slots:
    void init()
    {
        sb.start();
        t.open(sb);
    }
    void cleanup() { t.close(sb); }

    // Every move writes Fach and gewusst = 0, up or down; both sides are
    // filled anew.
    void moves_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("after"); // source lines | dest lines, by first letter
        QTest::newRow(">") << "btnAdd" << "c|ade";
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
        clickRow(child<QListView>(w, how.contains(QLatin1String("Add")) ? "lstSource" : "lstDest"), 0);
        click(w, qPrintable(how));
        QCOMPARE(sb.spy->count(), 0);
        QString shown;
        for (const char *name : {"lstSource", "lstDest"}) {
            for (const QString &line : linesOf(child<QListView>(w, name)))
                shown += line.at(0);
            shown += QLatin1Char('|');
        }
        QCOMPARE(shown, after + QLatin1Char('|'));
        QCOMPARE(t.count(0), int(after.indexOf(QLatin1Char('|'))));
        for (std::int32_t vnr = 1; vnr <= 4; ++vnr) {
            const VocabularyRecord r = t.card(vnr);
            QCOMPARE(r.gewusst, r.Fach == (vnr <= 2 ? 0 : 1) ? int(vnr) : 0);
        }
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
        const int from = button.startsWith(QLatin1String("btnAdd")) ? 0 : 1;
        const bool all = button.endsWith(QLatin1String("All"));
        // In list order a, b, c; in the table c comes first.
        const auto c = t.add(QStringLiteral("c"), QStringLiteral("x"), from);
        const auto a = t.add(QStringLiteral("a"), QStringLiteral("x"), from);
        const auto b = t.add(QStringLiteral("b"), QStringLiteral("x"), from);
        frmManage w;
        w.show();
        QCoreApplication::processEvents(); // the lines on screen
        QListView *list = child<QListView>(w, from ? "lstDest" : "lstSource");
        clickRow(list, 1);
        t.deleteElsewhere(b);
        // The line of the card that went keeps its text until the list is
        // read again.
        QCOMPARE(linesOf(list), (QStringList{"a - x", "b - x", "c - x"}));
        click(w, qPrintable(button));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, text);
        QCOMPARE(t.card(a).Fach, all ? 1 - from : from);
        QCOMPARE(t.card(c).Fach, from);
    }

    // A line that leaves its list (its card deleted) hands its highlight to
    // no neighbour: the line the learner chose in the other list and its
    // button stay. A click on a line turns its button on.
    void aLeavingLineChoosesNoNeighbour()
    {
        const auto a = t.add(QStringLiteral("a"), QStringLiteral("x"), 0);
        t.add(QStringLiteral("b"), QStringLiteral("x"), 0);
        t.add(QStringLiteral("c"), QStringLiteral("x"), 0);
        t.add(QStringLiteral("z"), QStringLiteral("x"), 1);
        frmManage w;
        w.show();
        auto *source = child<QListView>(w, "lstSource");
        auto *dest = child<QListView>(w, "lstDest");
        const auto state = [&] {
            return QStringLiteral("%1%2 %3%4")
                .arg(source->selectionModel()->selectedRows().size())
                .arg(child<QPushButton>(w, "btnAdd")->isEnabled())
                .arg(dest->selectionModel()->selectedRows().size())
                .arg(child<QPushButton>(w, "btnRemove")->isEnabled());
        };
        clickRow(source, 0);
        QCOMPARE(state(), QStringLiteral("11 00"));
        clickRow(dest, 0);
        QCOMPARE(state(), QStringLiteral("00 11"));
        t.db->execute(QStringLiteral("DELETE FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?"), {a});
        QCOMPARE(linesOf(source), (QStringList{QStringLiteral("b - x"), QStringLiteral("c - x")}));
        QCOMPARE(state(), QStringLiteral("00 11"));
        for (int twice = 0; twice < 2; ++twice) {
            clickRow(source, 0);
            QCOMPARE(state(), QStringLiteral("11 00"));
        }
    }

    // Cards another connection deletes or moves while the window is open:
    // no line ever shows empty, and once the list has noticed, it is read
    // again without them.
    void listsFollowAnotherConnection()
    {
        const auto a = t.add(QStringLiteral("a"), QStringLiteral("x"), 0);
        const auto b = t.add(QStringLiteral("b"), QStringLiteral("y"), 0);
        const auto c = t.add(QStringLiteral("c"), QStringLiteral("z"), 1);
        frmManage w;
        w.show();
        QCoreApplication::processEvents();
        QListView *source = child<QListView>(w, "lstSource");
        QListView *dest = child<QListView>(w, "lstDest");
        t.deleteElsewhere(b);
        store::Database::open(t.path)->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 0 WHERE VNr = ?"), {c});
        for (int round = 0; round < 3; ++round) {
            for (const QString &line : linesOf(source) + linesOf(dest))
                QVERIFY2(!line.isEmpty(), "an empty line");
            QCoreApplication::processEvents();
        }
        QCOMPARE(linesOf(source), (QStringList{"a - x", "c - z"}));
        QCOMPARE(linesOf(dest), QStringList());
        QCOMPARE(t.card(a).Fach, 0);
    }

    // Positions beyond 32,767 lines: a search finds the line and the whole
    // list moves in one go.
    void compartmentOfManyCards()
    {
        t.addMany(33000, 0);
        frmManage w;
        w.show();
        child<QLineEdit>(w, "txtSearch")->setText(QStringLiteral("w32999"));
        click(w, "btnSearch");
        QCOMPARE(child<QListView>(w, "lstSource")->selectionModel()->selectedRows().value(0).row(), 32999);
        click(w, "btnAddAll");
        QCOMPARE(t.count(1), 33000);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmManage)
#include "tst_frmmanage.moc"
