// SPDX-License-Identifier: GPL-3.0-or-later
// The dictionary against a real database in the sandbox; the entry form it
// opens is driven through the window opener.

#include "ListWindows.h"

#include "ui/maintain/frmWBook.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

class TestFrmWBook : public QObject
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

    // The entry form opens in change mode for the card of the selected line;
    // the card is stored and its line shows it at its sorted place. A missing
    // word shows as empty text.
    void changeThroughTheEntryForm()
    {
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        t.add(QStringLiteral("big house"), QStringLiteral("großes Haus"), 3);
        t.add(QStringLiteral("mouse"), QStringLiteral("Maus"), 0);
        t.db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('alone', 2)"));
        sb.windows->onOpen(QStringLiteral("frmNew"), [&](QDialog &form) {
            QVERIFY(AppState::instance().EditMode);
            QCOMPARE(AppState::instance().EditVNr, 1);
            form.findChild<QLineEdit *>(QStringLiteral("txtIVok"))->setText(QStringLiteral("zoo house"));
            click(form, "btnSave");
        });
        frmWBook w;
        w.show();
        QCOMPARE(linesOf(child<QListView>(w, "List1")).first(), QStringLiteral(" alone -  - 2"));
        clickRow(child<QListView>(w, "List1"), 2);
        click(w, "btnChange");
        QVERIFY(!AppState::instance().EditMode);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(t.card(1).FVok, QStringLiteral("zoo house"));
        QCOMPARE(linesOf(child<QListView>(w, "List1")).last(), QStringLiteral(" zoo house - Haus - 1"));
        QCOMPARE(linesOf(child<QListView>(w, "List1")).size(), 4);
    }

    // The question names the card. No keeps the card; Yes deletes it, its
    // recordings stay on disk.
    void deleteAsksFirst()
    {
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"), 2, QStringLiteral("The cat."), QStringLiteral("Die Katze."));
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        QDir().mkpath(sb.work->file(QStringLiteral("Englisch")));
        const QString sound = sb.work->file(QStringLiteral("Englisch/EnV2.wav"));
        QFile(sound).open(QIODevice::WriteOnly);
        Records::setSoundPath(vnr, false, QStringLiteral(".\\Englisch\\EnV2.wav"));
        frmWBook w;
        w.show();
        for (const bool yes : {false, true}) {
            clickRow(child<QListView>(w, "List1"), 1);
            sb.spy->answer(yes ? QMessageBox::Yes : QMessageBox::No);
            click(w, "btnDelete");
            QCOMPARE(t.card(vnr).VNr, yes ? 0 : vnr);
            QCOMPARE(t.count(), yes ? 1 : 2);
            QCOMPARE(linesOf(child<QListView>(w, "List1")).size(), yes ? 1 : 2);
        }
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Möchten Sie den Eintrag: \n\nhouse - Haus\n\n\n\nwirklich löschen?"));
        QVERIFY(QFileInfo::exists(sound));
    }

    // After a delete, done or declined, no line looks chosen while the two
    // buttons are off; a click on a line turns them on, also on the line
    // that took the place of the deleted one.
    void buttonsFollowClicksAfterDelete_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("deleted") << true;
        QTest::newRow("kept") << false;
    }
    void buttonsFollowClicksAfterDelete()
    {
        QFETCH(bool, yes);
        for (const char *word : {"cat", "dog", "house"})
            t.add(QString::fromLatin1(word), QStringLiteral("x"));
        frmWBook w;
        w.show();
        auto *list = child<QListView>(w, "List1");
        const auto buttons = [&] {
            return QString::number(child<QPushButton>(w, "btnChange")->isEnabled())
                + QString::number(child<QPushButton>(w, "btnDelete")->isEnabled());
        };
        clickRow(list, 1);
        QCOMPARE(buttons(), QStringLiteral("11"));
        sb.spy->answer(yes ? QMessageBox::Yes : QMessageBox::No);
        click(w, "btnDelete");
        QCOMPARE(linesOf(list).size(), yes ? 2 : 3);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 0);
        QCOMPARE(buttons(), QStringLiteral("00"));
        clickRow(list, 1);
        QCOMPARE(buttons(), QStringLiteral("11"));
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 1);
    }

    // Another program deleted the card while its line was on screen.
    void vanishedCard()
    {
        for (const char *word : {"cat", "house", "mouse"})
            t.add(QString::fromLatin1(word), QStringLiteral("x"));
        frmWBook w;
        w.show();
        for (const char *button : {"btnChange", "btnDelete"}) {
            clickRow(child<QListView>(w, "List1"), 1);
            t.deleteElsewhere(child<QListView>(w, "List1")->model()->index(1, 0).data(RecordsetModel::KeyRole).toInt());
            click(w, button);
        }
        QVERIFY(sb.spy->count() >= 2);
        for (const auto &m : sb.spy->shown())
            QCOMPARE(m.text, QStringLiteral("Vokabel nicht gefunden!"));
        QCOMPARE(t.card(1).FVok, QStringLiteral("cat"));
    }

    // Positions beyond 32,767 lines.
    void dictionaryOfManyCards()
    {
        t.addMany(33000, 4);
        frmWBook w;
        w.show();
        child<QLineEdit>(w, "txtSearch")->setText(QStringLiteral("n32999"));
        click(w, "btnSearch");
        QCOMPARE(child<QListView>(w, "List1")->selectionModel()->selectedRows().value(0).row(), 32999);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmWBook)
#include "tst_frmwbook.moc"
