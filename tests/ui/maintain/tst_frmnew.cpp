// The entry and change form against a real database in the sandbox.

#include "CardTable.h"

#include "ui/maintain/frmNew.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

const char *const kBoxes[] = {"txtIVok", "txtISatz", "txtDVok", "txtDSatz"};

// Search, Save.
QString buttons(QWidget &w)
{
    return ::buttons(w, {"cmdSearch", "btnSave"});
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
    for (const char *name : kBoxes)
        l << child<QLineEdit>(w, name)->text();
    return l.join(QLatin1Char('|'));
}

QString texts(const VocabularyRecord &r)
{
    return QStringList{r.FVok, r.FSatz, r.MVok, r.MSatz}.join(QLatin1Char('|'));
}

// Sets the four boxes from "foreign|sentence|native|sentence".
void fill(QWidget &w, const QString &line)
{
    const QStringList parts = line.split(QLatin1Char('|'));
    for (int i = 0; i < 4; ++i) {
        child<QLineEdit>(w, kBoxes[i])->clear();
        typeText(child<QLineEdit>(w, kBoxes[i]), parts.value(i));
    }
}

} // namespace

class TestFrmNew : public QObject
{
    Q_OBJECT

    Sandbox sb;
    CardTable t;

private slots:
    void init() { sb.start(); }
    void cleanup() { t.close(sb); }

    // The article choice shows for every language but "Englisch" (exactly so
    // spelt); a stored article other than the three is shown as none.
    void loadFillsTheForm_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("stored"); // article of the card; null: entry mode
        QTest::addColumn<QString>("article");
        QTest::addColumn<bool>("articles");
        QTest::newRow("entry, Englisch") << "Englisch" << QString() << "optohne" << false;
        QTest::newRow("entry, englisch") << "englisch" << QString() << "optohne" << true;
        QTest::newRow("change, other text") << "Französisch" << "n" << "optohne" << true;
        QTest::newRow("change, Englisch with m") << "Englisch" << "m" << "optm" << false;
    }
    void loadFillsTheForm()
    {
        QFETCH(QString, language);
        QFETCH(QString, stored);
        QFETCH(QString, article);
        QFETCH(bool, articles);
        t.open(sb, language);
        const bool change = !stored.isNull();
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."), {}, stored);
        AppState::instance().EditMode = change;
        AppState::instance().EditVNr = vnr;
        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(child(w, "frmArtikel")->isVisible(), articles);
        QCOMPARE(checkedArticle(w), article);
        QCOMPARE(texts(w), change ? QStringLiteral("maison|La maison.|Haus|") : QStringLiteral("|||"));
        // A loaded card with both words can be saved at once.
        QCOMPARE(buttons(w), change ? QStringLiteral("1D") : QStringLiteral("00"));
    }

    // Texts are stored as typed: blanks, quotes and semicolons included.
    // Every new card goes into the start compartment with no right answers
    // and is recorded for when chkSound is ticked; the form is then ready
    // for the next one. Typing stops at the size of the field.
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
        // Blank means nothing but spaces: Search follows the foreign word,
        // Save needs both words; the last rule to fire is the default.
        for (const auto &[line, expected] : {std::pair{"   ||Haus|", "d0"}, {"house||  |", "D0"}, {" house || Haus|", "1D"}}) {
            fill(w, QString::fromLatin1(line));
            QCOMPARE(buttons(w), QLatin1String(expected));
        }
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        const QString longWord = QString(49, QLatin1Char('x'));
        const QStringList cards[] = {{" l'eau; |O'Brien\"; DROP TABLE x|das \"Wasser\"|';--", "optf", "f"},
                                     {"Äpfel||apples|", "optmf", "m/f"},
                                     {longWord + QStringLiteral("äöü||n|"), "optohne", ""}};
        for (const QStringList &c : cards) {
            fill(w, c[0]);
            child<QRadioButton>(w, qPrintable(c[1]))->setChecked(true);
            click(w, "btnSave");
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(w.isVisible());
            stored << AppState::instance().EditVNr;
            const VocabularyRecord r = t.card(stored.last());
            QCOMPARE(texts(r), QString(c[0]).replace(QStringLiteral("äöü"), QStringLiteral("ä")));
            QCOMPARE(r.Artikel, c[2]);
            QCOMPARE(QList<int>({r.Fach, r.gewusst}), QList<int>({1, 0}));
            QCOMPARE(texts(w), QStringLiteral("|||"));
            QCOMPARE(checkedArticle(w), QStringLiteral("optohne"));
        }
        QCOMPARE(recordedFor, stored);
        QCOMPARE(QSet<std::int32_t>(stored.begin(), stored.end()).size(), 3);
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
        AppState::instance().EditMode = true;
        AppState::instance().EditVNr = vnr;
        frmNew w;
        w.show();
        fill(w, QStringLiteral("la maison|La maison.|Haus|"));
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

    // The store refuses the card: the learner sees why and keeps what he
    // typed. Nothing is stored, no recording window opens, EditVNr stays;
    // corrected, the same form stores it. A card that is not there (another
    // program deleted it) is told at once and never stored, so no other
    // card is written over; the form stays open for Abbrechen.
    void failedSaveKeepsTheForm_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("editVnr"); // 0: the stored card
        QTest::newRow("entry") << false << 7;
        QTest::newRow("change") << true << 0;
        QTest::newRow("vanished card") << true << 999;
    }
    void failedSaveKeepsTheForm()
    {
        QFETCH(bool, change);
        QFETCH(int, editVnr);
        t.open(sb);
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"), 2);
        for (const char *when : {"INSERT", "UPDATE"})
            t.db->execute(QStringLiteral("CREATE TRIGGER refuse%1 BEFORE %1 ON tEnglisch WHEN NEW.FVok = 'kaputt' "
                                         "BEGIN SELECT RAISE(ABORT, 'Der Datenträger ist voll.'); END")
                              .arg(QLatin1String(when)));
        const bool vanished = editVnr == 999;
        const std::int32_t edit = editVnr ? editVnr : vnr;
        AppState::instance().EditVNr = edit;
        AppState::instance().EditMode = change;
        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), vanished ? 1 : 0);
        if (vanished)
            QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        sb.spy->clear();
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        fill(w, QStringLiteral("kaputt|It is broken.|entzwei|"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 1);
        if (!vanished)
            QCOMPARE(sb.spy->last().text, QStringLiteral("Der Datenträger ist voll."));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());
        QCOMPARE(texts(w), QStringLiteral("kaputt|It is broken.|entzwei|"));
        QVERIFY(sb.windows->opened().isEmpty());
        QCOMPARE(AppState::instance().EditVNr, edit);
        QCOMPARE(t.count(), 1);
        QCOMPARE(texts(t.card(vnr)), QStringLiteral("house||Haus|"));

        child<QLineEdit>(w, "txtIVok")->setText(QStringLiteral("broken"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), vanished ? 2 : 1);
        QCOMPARE(sb.windows->opened(), vanished ? QStringList() : QStringList{QStringLiteral("frmSound")});
        QCOMPARE(t.card(AppState::instance().EditVNr).FVok, vanished ? QString() : QStringLiteral("broken"));
        QCOMPARE(t.count(), change ? 1 : 2);
        QCOMPARE(t.card(vnr).FVok, change && !vanished ? QStringLiteral("broken") : QStringLiteral("house"));
    }

    // Compartment 0 has its own words; the first card by the index is told.
    // The search only informs: the same word may be saved again.
    void searchTellsWhereTheWordIs()
    {
        t.open(sb);
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 0);
        t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 7);
        t.add(QStringLiteral("dog"), QStringLiteral("Köter"), 2);
        t.add(QStringLiteral("it's \"x\""), QStringLiteral("y"), 2);
        frmNew w;
        w.show();
        for (const auto &[typed, text] : {std::pair{"HOUSE", "HOUSE - Haus\nist bereits im Fach 0 (ungelernte Vokabeln)"},
                                          {"dog", "dog - Hund\nist bereits im Fach 7"},
                                          {"it's \"x", "'it's \"x' ist nicht vorhanden!"}}) {
            fill(w, QString::fromLatin1(typed) + QStringLiteral("||Haus|"));
            click(w, "cmdSearch");
            QCOMPARE(sb.spy->last().text, QString::fromLatin1(text));
            click(w, "btnSave");
        }
        QCOMPARE(sb.spy->count(), 3);
        QCOMPARE(t.count(), 7);
    }
};

QTEST_MAIN(TestFrmNew)
#include "tst_frmnew.moc"
