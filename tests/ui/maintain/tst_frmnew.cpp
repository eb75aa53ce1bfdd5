// The entry and change form against a real database in the sandbox.

#include "CardTable.h"

#include "ui/maintain/frmNew.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

QLineEdit *box(QWidget &w, const char *name)
{
    return child<QLineEdit>(w, name);
}

// Search, Save: 0 disabled, 1 enabled, D the default, d the default while
// disabled (Enter then does nothing).
QString buttons(QWidget &w)
{
    QString s;
    for (const char *name : {"cmdSearch", "btnSave"}) {
        const auto *b = child<QPushButton>(w, name);
        s += QLatin1Char(b->isDefault() ? (b->isEnabled() ? 'D' : 'd') : (b->isEnabled() ? '1' : '0'));
    }
    return s;
}

QString checkedArticle(QWidget &w)
{
    for (const char *name : {"optm", "optf", "optmf", "optohne"})
        if (child<QRadioButton>(w, name)->isChecked())
            return QString::fromLatin1(name);
    return {};
}

// The four texts as one line: foreign word | sentence | native word | sentence.
QString texts(QWidget &w)
{
    QStringList l;
    for (const char *name : {"txtIVok", "txtISatz", "txtDVok", "txtDSatz"})
        l << box(w, name)->text();
    return l.join(QLatin1Char('|'));
}

QString texts(const VocabularyRecord &r)
{
    return QStringList{r.FVok, r.FSatz, r.MVok, r.MSatz}.join(QLatin1Char('|'));
}

} // namespace

class TestFrmNew : public QObject
{
    Q_OBJECT

    Sandbox sb;
    CardTable t;

    void changeMode(std::int32_t vnr)
    {
        AppState::instance().EditMode = true;
        AppState::instance().EditVNr = vnr;
    }

private slots:
    void init() { sb.start(); }
    void cleanup()
    {
        AppState::resetForTesting();
        t.close();
        sb.stop();
    }

    void loadFillsTheForm_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("stored");  // article of the card
        QTest::addColumn<QString>("article"); // option selected
        QTest::addColumn<bool>("articles");   // article choice shown
        QTest::newRow("entry, Englisch") << "Englisch" << false << "" << "optohne" << false;
        QTest::newRow("entry, englisch") << "englisch" << false << "" << "optohne" << true;
        QTest::newRow("change, f") << "Französisch" << true << "f" << "optf" << true;
        QTest::newRow("change, m/f") << "Französisch" << true << "m/f" << "optmf" << true;
        QTest::newRow("change, other text") << "Französisch" << true << "n" << "optohne" << true;
        QTest::newRow("change, Englisch with m") << "Englisch" << true << "m" << "optm" << false;
    }
    void loadFillsTheForm()
    {
        QFETCH(QString, language);
        QFETCH(bool, change);
        QFETCH(QString, stored);
        QFETCH(QString, article);
        QFETCH(bool, articles);
        t.open(sb, language);
        AppState &a = AppState::instance();
        a.FremdFont = QStringLiteral("DejaVu Serif");
        a.FremdColor = 255;
        a.MutterColor = 65536 * 128;
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."), {}, stored);
        if (change)
            changeMode(vnr);
        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(child(w, "frmArtikel")->isVisible(), articles);
        QCOMPARE(checkedArticle(w), article);
        QCOMPARE(child(w, "cmdSearch")->isVisible(), !change);
        QCOMPARE(texts(w), change ? QStringLiteral("maison|La maison.|Haus|") : QStringLiteral("|||"));
        // A loaded card with both words can be saved at once.
        QCOMPARE(buttons(w), change ? QStringLiteral("1D") : QStringLiteral("00"));
        QCOMPARE(box(w, "txtISatz")->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(box(w, "txtIVok")->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(box(w, "txtDSatz")->palette().color(QPalette::Text), QColor(0, 0, 128));
        QCOMPARE(box(w, "txtISatz")->nextInFocusChain(), box(w, "txtDVok"));
    }

    // Blank means nothing but spaces. Search follows the foreign word, Save
    // needs both words; the last rule to fire decides the default button.
    void buttonsFollowTheWords_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("expected");
        QTest::newRow("foreign only") << "house" << "" << "D0";
        QTest::newRow("blank foreign") << "   " << "Haus" << "d0";
        QTest::newRow("blank native") << "house" << "  " << "D0";
        QTest::newRow("both with blanks") << " house " << " Haus" << "1D";
    }
    void buttonsFollowTheWords()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, native);
        QFETCH(QString, expected);
        t.open(sb);
        frmNew w;
        w.show();
        typeText(box(w, "txtIVok"), foreign);
        typeText(box(w, "txtDVok"), native);
        QCOMPARE(buttons(w), expected);
        box(w, "txtIVok")->clear();
        QCOMPARE(buttons(w).at(1), expected == QLatin1String("1D") ? QLatin1Char('d') : QLatin1Char('0'));
    }

    // Texts are stored as typed: blanks, quotes and semicolons included.
    // Every new card goes into the start compartment with no right answers
    // and is recorded for when chkSound is ticked; the form is then ready
    // for the next one.
    void entrySavesCardAfterCard()
    {
        t.open(sb, QStringLiteral("Französisch"));
        AppState::instance().CurrentFach = 5;
        QList<std::int32_t> recordedFor, stored;
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind == Windows::Kind::Recording)
                recordedFor << AppState::instance().EditVNr;
        });
        frmNew w;
        w.show();
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        const QStringList cards[] = {{" l'eau; ", "O'Brien\"; DROP TABLE x", "das \"Wasser\"", "';--", "optf", "f"},
                                     {"Äpfel", "", "apples", "", "optmf", "m/f"}};
        std::int32_t previous = 0;
        for (const QStringList &c : cards) {
            typeText(box(w, "txtIVok"), c[0]);
            typeText(box(w, "txtISatz"), c[1]);
            typeText(box(w, "txtDVok"), c[2]);
            typeText(box(w, "txtDSatz"), c[3]);
            child<QRadioButton>(w, qPrintable(c[4]))->setChecked(true);
            click(w, "btnSave");
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(w.isVisible());
            const std::int32_t vnr = AppState::instance().EditVNr;
            stored << vnr;
            QVERIFY(vnr > previous);
            previous = vnr;
            const VocabularyRecord r = t.card(vnr);
            QCOMPARE(texts(r), c.mid(0, 4).join(QLatin1Char('|')));
            QCOMPARE(r.Artikel, c[5]);
            QCOMPARE(r.Fach, 1);
            QCOMPARE(r.gewusst, 0);
            QCOMPARE(texts(w), QStringLiteral("|||"));
            QCOMPARE(checkedArticle(w), QStringLiteral("optohne"));
        }
        QCOMPARE(recordedFor, stored);
        // Empty sentences are empty texts, not missing values.
        QVERIFY(!t.db->openRecordset(QStringLiteral("Select * from tFranzösisch where FVok = 'Äpfel'"))
                     ->isNull(QStringLiteral("FSatz")));
    }

    // One save stores the texts and closes; compartment, count and sound
    // stay. The table is left on the card, saved or not.
    void changeSavesTheCardAndCloses_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saved") << true;
        QTest::newRow("abandoned") << false;
    }
    void changeSavesTheCardAndCloses()
    {
        QFETCH(bool, save);
        t.open(sb, QStringLiteral("Französisch"));
        t.add(QStringLiteral("chat"), QStringLiteral("Katze"), 2);
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."),
                               QStringLiteral("Das Haus."), QStringLiteral("f"), 2);
        Records::setSoundPath(vnr, false, QStringLiteral("s.wav"));
        changeMode(vnr);
        frmNew w;
        w.show();
        box(w, "txtIVok")->setText(QStringLiteral("la maison"));
        box(w, "txtDSatz")->clear();
        child<QRadioButton>(w, "optm")->setChecked(true);
        AppState::instance().TableRecordset->setIndex(QStringLiteral("FVok"));
        click(w, save ? "btnSave" : "btnExit");
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(!w.isVisible());
        const VocabularyRecord r = t.card(vnr);
        QCOMPARE(texts(r), save ? QStringLiteral("la maison|La maison.|Haus|") : QStringLiteral("maison|La maison.|Haus|Das Haus."));
        QCOMPARE(r.Artikel, save ? QStringLiteral("m") : QStringLiteral("f"));
        QCOMPARE(QList<int>({r.Fach, r.gewusst}), QList<int>({4, 2}));
        QCOMPARE(r.FVokSound, QStringLiteral("s.wav"));
        QCOMPARE(t.card(1).FVok, QStringLiteral("chat"));
        const auto &rs = AppState::instance().TableRecordset;
        QCOMPARE(rs->index(), QStringLiteral("VNr"));
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), vnr);
    }

    // A card that is not there opens an empty form. Saving it must not
    // write over another card; the form stays open for Abbrechen.
    void missingCardChangesNothing()
    {
        t.open(sb);
        const auto first = t.add(QStringLiteral("cat"), QStringLiteral("Katze"));
        changeMode(999);
        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(texts(w), QStringLiteral("|||"));
        typeText(box(w, "txtIVok"), QStringLiteral("dog"));
        typeText(box(w, "txtDVok"), QStringLiteral("Hund"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());
        QCOMPARE(t.card(first).FVok, QStringLiteral("cat"));
        QCOMPARE(t.count(), 1);
        QCOMPARE(AppState::instance().EditVNr, 999);
    }

    // The store refuses the card: the learner sees why and keeps what he
    // typed. Nothing is stored, no recording window opens, EditVNr stays;
    // corrected, the same form stores it.
    void refusedSaveKeepsTheForm_data()
    {
        QTest::addColumn<bool>("change");
        QTest::newRow("entry") << false;
        QTest::newRow("change") << true;
    }
    void refusedSaveKeepsTheForm()
    {
        QFETCH(bool, change);
        t.open(sb);
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 2);
        for (const char *when : {"INSERT", "UPDATE"})
            t.db->execute(QStringLiteral("CREATE TRIGGER refuse%1 BEFORE %1 ON tEnglisch WHEN NEW.FVok = 'kaputt' "
                                         "BEGIN SELECT RAISE(ABORT, 'Der Datenträger ist voll.'); END")
                              .arg(QLatin1String(when)));
        AppState::instance().EditVNr = change ? vnr : 7;
        AppState::instance().EditMode = change;
        frmNew w;
        w.show();
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        box(w, "txtIVok")->setText(QStringLiteral("kaputt"));
        box(w, "txtISatz")->setText(QStringLiteral("It is broken."));
        box(w, "txtDVok")->setText(QStringLiteral("entzwei"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der Datenträger ist voll."));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());
        QCOMPARE(texts(w), QStringLiteral("kaputt|It is broken.|entzwei|"));
        QVERIFY(sb.windows->opened().isEmpty());
        QCOMPARE(AppState::instance().EditVNr, change ? vnr : 7);
        QCOMPARE(t.count(), 1);
        QCOMPARE(texts(t.card(vnr)), QStringLiteral("house||Haus|"));

        box(w, "txtIVok")->setText(QStringLiteral("broken"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.windows->opened(), QStringList{QStringLiteral("frmSound")});
        QCOMPARE(t.card(AppState::instance().EditVNr).FVok, QStringLiteral("broken"));
        QCOMPARE(t.count(), change ? 1 : 2);
    }

    // Typing stops at the size of the field, so a save cannot fail on it.
    void textsStopAtTheirFieldSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("size");
        QTest::newRow("foreign word") << "txtIVok" << "FVok" << 50;
        QTest::newRow("native sentence") << "txtDSatz" << "MSatz" << 200;
    }
    void textsStopAtTheirFieldSize()
    {
        QFETCH(QString, name);
        QFETCH(QString, field);
        QFETCH(int, size);
        t.open(sb);
        frmNew w;
        w.show();
        box(w, "txtIVok")->setText(QStringLiteral("w"));
        box(w, "txtDVok")->setText(QStringLiteral("n"));
        QLineEdit *b = box(w, qPrintable(name));
        b->clear();
        typeText(b, QString(size - 1, QLatin1Char('x')) + QStringLiteral("äöü"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(t.db->openRecordset(QStringLiteral("Select * from tEnglisch"))->text(field),
                 QString(size - 1, QLatin1Char('x')) + QStringLiteral("ä"));
    }

    // Compartment 0 has its own words; the first card by the index is told.
    // The search only informs: the same word may be saved again.
    void searchTellsWhereTheWordIs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("pool, other case") << "HOUSE" << "HOUSE - Haus\nist bereits im Fach 0 (ungelernte Vokabeln)"
                                          << "Vokabel vorhanden";
        QTest::newRow("first of two") << "dog" << "dog - Hund\nist bereits im Fach 7" << "Vokabel vorhanden";
        QTest::newRow("only a prefix") << "ho" << "'ho' ist nicht vorhanden!" << "Vokamia";
        QTest::newRow("quotes") << "it's \"x\"" << "'it's \"x\"' ist nicht vorhanden!" << "Vokamia";
    }
    void searchTellsWhereTheWordIs()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, title);
        t.open(sb);
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 0);
        t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 7);
        t.add(QStringLiteral("dog"), QStringLiteral("Köter"), 2);
        frmNew w;
        w.show();
        typeText(box(w, "txtIVok"), typed);
        click(w, "cmdSearch");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, text);
        QCOMPARE(sb.spy->last().title, title);
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        typeText(box(w, "txtDVok"), QStringLiteral("Haus"));
        click(w, "btnSave");
        QCOMPARE(t.count(), 4);
    }
};

QTEST_MAIN(TestFrmNew)
#include "tst_frmnew.moc"
