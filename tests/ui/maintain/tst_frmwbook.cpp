// The dictionary against a real database in the sandbox; the entry form it
// opens is driven through the window opener.

#include "CardTable.h"

#include "ui/maintain/frmWBook.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

namespace {

QListView *list(QWidget &w)
{
    return child<QListView>(w, "List1");
}

// Ändern, Löschen.
QString buttons(QWidget &w)
{
    return ::buttons(w, {"btnChange", "btnDelete"});
}

} // namespace

class TestFrmWBook : public QObject
{
    Q_OBJECT

    Sandbox sb;
    CardTable t;

    void addSample()
    {
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        t.add(QStringLiteral("big house"), QStringLiteral("großes Haus"), 3);
        t.add(QStringLiteral("mouse"), QStringLiteral("Maus"), 0);
        t.add(QStringLiteral("it's; \"x\""), QStringLiteral("mein"), 5);
        t.add(QStringLiteral("Äpfel"), QStringLiteral("apples"), 7);
    }

private slots:
    void init()
    {
        sb.start();
        t.open(sb);
    }
    void cleanup() { t.close(sb); }

    // Every compartment in dictionary order, a missing word as empty text.
    void linesInDictionaryOrder()
    {
        addSample();
        t.db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('alone', 2)"));
        frmWBook w;
        w.show();
        QCOMPARE(linesOf(list(w)), QStringList({" alone -  - 2", " Äpfel - apples - 7", " big house - großes Haus - 3",
                                                " house - Haus - 1", " it's; \"x\" - mein - 5", " mouse - Maus - 0"}));
        QCOMPARE(list(w)->model()->index(3, 0).data(RecordsetModel::KeyRole).toInt(), 1);
    }

    // A blank followed by the text: word starts in both languages and the
    // compartment number, letter case ignored.
    void wordStartSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("rows"); // selection after each search, -1 none
        QTest::addColumn<QString>("message");
        const QString again = QStringLiteral("Kein weiterer Eintrag gefunden\nSoll noch einmal von Anfang gesucht werden?");
        // Lines: Äpfel - apples - 7, big house - großes Haus - 3,
        // house - Haus - 1, it's; "x" - mein - 5, mouse - Maus - 0
        QTest::newRow("native words, inner word") << "HAUS" << QList<int>{1, 2, 1} << again;
        QTest::newRow("compartment number") << "3" << QList<int>{1} << "";
        QTest::newRow("across fields") << "house - haus - 1" << QList<int>{2} << "";
        QTest::newRow("only inside a word") << "ouse" << QList<int>{-1} << "ouse nicht vorhanden!";
        QTest::newRow("pattern characters") << "%_.*[" << QList<int>{-1} << "%_.*[ nicht vorhanden!";
        // The last two lines both match: the last one stays selected.
        QTest::newRow("last two lines") << "m" << QList<int>{3, 4, 4, 4} << "";
    }
    void wordStartSearch()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, rows);
        QFETCH(QString, message);
        addSample();
        frmWBook w;
        w.show();
        for (int expected : rows) {
            search(w, text);
            QCOMPARE(selectedRow(list(w)), expected);
        }
        QCOMPARE(sb.spy->count(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(sb.spy->last().text, message);
        // Typing starts over and takes the selection away.
        child<QLineEdit>(w, "txtSearch")->setText(QStringLiteral("h"));
        QCOMPARE(selectedRow(list(w)), -1);
    }

    // The entry form opens in change mode for the selected card; afterwards
    // the line shows the card as it stands, at its sorted place.
    void changeThroughTheEntryForm_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saved") << true;
        QTest::newRow("abandoned") << false;
    }
    void changeThroughTheEntryForm()
    {
        QFETCH(bool, save);
        addSample();
        bool editMode = false;
        std::int32_t editVnr = 0;
        sb.windows->onOpen(QStringLiteral("frmNew"), [&](QDialog &form) {
            editMode = AppState::instance().EditMode;
            editVnr = AppState::instance().EditVNr;
            form.findChild<QLineEdit *>(QStringLiteral("txtIVok"))->setText(QStringLiteral("zoo house"));
            if (save)
                click(form, "btnSave");
        });
        frmWBook w;
        w.show();
        clickRow(list(w), 2);
        click(w, "btnChange");
        QVERIFY(editMode);
        QCOMPARE(editVnr, 1);
        QVERIFY(!AppState::instance().EditMode);
        QCOMPARE(sb.spy->count(), 0);
        const QStringList lines = linesOf(list(w));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(save ? lines.last() : lines[2], save ? QStringLiteral(" zoo house - Haus - 1") : QStringLiteral(" house - Haus - 1"));
    }

    // The question shows both words and both sentences, empty ones as empty
    // lines. No keeps the card; Yes deletes it, its recordings stay on disk.
    void deleteAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void deleteAsksFirst()
    {
        QFETCH(bool, yes);
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"), 2, QStringLiteral("The cat."), QStringLiteral("Die Katze."));
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 1);
        QDir().mkpath(sb.work->file(QStringLiteral("Englisch")));
        const QString sound = sb.work->file(QStringLiteral("Englisch/EnV2.wav"));
        QFile(sound).open(QIODevice::WriteOnly);
        Records::setSoundPath(vnr, false, QStringLiteral(".\\Englisch\\EnV2.wav"));
        frmWBook w;
        w.show();
        clickRow(list(w), 1);
        sb.spy->answer(yes ? QMessageBox::Yes : QMessageBox::No);
        click(w, "btnDelete");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Möchten Sie den Eintrag: \n\nhouse - Haus\n\n\n\nwirklich löschen?"));
        QCOMPARE(t.card(vnr).VNr, yes ? 0 : vnr);
        QCOMPARE(linesOf(list(w)).size(), yes ? 1 : 2);
        QCOMPARE(selectedRow(list(w)), -1);
        QCOMPARE(buttons(w), QStringLiteral("00"));
        QVERIFY(QFileInfo::exists(sound));
    }

    // Another program deleted the card while its line was on screen.
    void vanishedCard_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("change") << "btnChange";
        QTest::newRow("delete") << "btnDelete";
    }
    void vanishedCard()
    {
        QFETCH(QString, button);
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"));
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"));
        frmWBook w;
        w.show();
        clickRow(list(w), 1);
        t.deleteElsewhere(vnr);
        click(w, qPrintable(button));
        QVERIFY(sb.spy->count() >= 1);
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
        search(w, QStringLiteral("n32999"));
        QCOMPARE(selectedRow(list(w)), 32999);
        search(w, QStringLiteral("w3"));
        QCOMPARE(selectedRow(list(w)), 30000);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmWBook)
#include "tst_frmwbook.moc"
