// SPDX-License-Identifier: GPL-3.0-or-later
// The entry and change form against a real database in the sandbox.

#include "ListWindows.h"

#include "ui/maintain/frmNew.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

const char *const kBoxes[] = {"txtIVok", "txtISatz", "txtDVok", "txtDSatz"};

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
    LanguageTable t;

private slots:
    void init() { sb.start(); }
    void cleanup() { t.close(sb); }

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
            stored << AppState::instance().EditVNr;
            const VocabularyRecord r = t.card(stored.last());
            QCOMPARE(QStringList({texts(r), r.Artikel}),
                     QStringList({QString(c[0]).replace(QStringLiteral("äöü"), QStringLiteral("ä")), c[2]}));
            QCOMPARE(QList<int>({r.Fach, r.gewusst}), QList<int>({1, 0}));
            QCOMPARE(texts(w), QStringLiteral("|||"));
            QVERIFY(child<QRadioButton>(w, "optohne")->isChecked());
        }
        QCOMPARE(recordedFor, stored);
        QCOMPARE(QSet<std::int32_t>(stored.begin(), stored.end()).size(), 3);
        // Empty sentences are empty texts, not missing values.
        QVERIFY(!t.db->openRecordset(QStringLiteral("Select * from tFranzösisch where FVok = 'Äpfel'"))
                     ->isNull(QStringLiteral("FSatz")));
    }

    // The stored card fills the form. One save stores the texts; compartment,
    // count and sound stay. The table is left on the card.
    void changeSavesTheCard()
    {
        t.open(sb, QStringLiteral("Französisch"));
        t.add(QStringLiteral("chat"), QStringLiteral("Katze"), 2);
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."),
                               QStringLiteral("Das Haus."), QStringLiteral("f"), 2);
        Records::setSoundPath(vnr, false, QStringLiteral("s.wav"));
        AppState::instance().EditMode = true;
        AppState::instance().EditVNr = vnr;
        frmNew w;
        w.show();
        QCOMPARE(texts(w), QStringLiteral("maison|La maison.|Haus|Das Haus."));
        QVERIFY(child<QRadioButton>(w, "optf")->isChecked());
        fill(w, QStringLiteral("la maison|La maison.|Haus|"));
        child<QRadioButton>(w, "optm")->setChecked(true);
        AppState::instance().TableRecordset->setIndex(QStringLiteral("FVok"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 0);
        const VocabularyRecord r = t.card(vnr);
        QCOMPARE(QStringList({texts(r), r.Artikel, r.FVokSound}), QStringList({"la maison|La maison.|Haus|", "m", "s.wav"}));
        QCOMPARE(QList<int>({r.Fach, r.gewusst}), QList<int>({4, 2}));
        QCOMPARE(t.card(1).FVok, QStringLiteral("chat"));
        const auto &rs = AppState::instance().TableRecordset;
        QCOMPARE(rs->index(), QStringLiteral("VNr"));
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), vnr);
    }

    // Alt with a key is a command, never text: Alt and the access letter of
    // the disabled "S&peichern", or of no control at all, type nothing.
    // Characters typed with AltGr, which arrives without Alt, type as ever.
    void altCombinationsTypeNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("typed");
        QTest::newRow("Alt+P, save disabled") << int(Qt::Key_P) << "p" << int(Qt::AltModifier) << "";
        QTest::newRow("Alt+Shift+P") << int(Qt::Key_P) << "P" << int(Qt::AltModifier | Qt::ShiftModifier) << "";
        QTest::newRow("Ctrl+Alt+P") << int(Qt::Key_P) << "p" << int(Qt::AltModifier | Qt::ControlModifier) << "";
        QTest::newRow("Alt+Ä, no such letter") << int(Qt::Key_Adiaeresis) << "ä" << int(Qt::AltModifier) << "";
        QTest::newRow("Alt+1") << int(Qt::Key_1) << "1" << int(Qt::AltModifier) << "";
        QTest::newRow("AltGr+Q: @") << int(Qt::Key_At) << "@" << int(Qt::GroupSwitchModifier) << "@";
        QTest::newRow("AltGr+E: €") << 0x20AC << "€" << int(Qt::NoModifier) << "€";
        QTest::newRow("AltGr+7: {") << int(Qt::Key_BraceLeft) << "{" << int(Qt::GroupSwitchModifier | Qt::ShiftModifier) << "{";
        QTest::newRow("P") << int(Qt::Key_P) << "p" << int(Qt::NoModifier) << "p";
    }
    void altCombinationsTypeNothing()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(QString, typed);
        t.open(sb);
        frmNew w;
        w.show();
        auto *box = child<QLineEdit>(w, "txtIVok");
        typeText(box, QStringLiteral("house"));
        QVERIFY(!child<QPushButton>(w, "btnSave")->isEnabled());
        for (const auto action : {QTest::Press, QTest::Release})
            QTest::sendKeyEvent(action, box, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(box->text(), QStringLiteral("house") + typed);
        QCOMPARE(t.count(), 0);
    }

    // The store refuses the card: the learner sees why and keeps what he
    // typed. Nothing is stored, no recording window opens, EditVNr stays;
    // corrected, the same form stores it. A card that is not there (another
    // program deleted it) is told at once and never stored, so no other
    // card is written over.
    void failedSaveKeepsTheForm_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("editVnr"); // 1: the stored card
        QTest::newRow("entry") << false << 7;
        QTest::newRow("change") << true << 1;
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
        AppState::instance().EditVNr = editVnr;
        AppState::instance().EditMode = change;
        frmNew w;
        w.show();
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        fill(w, QStringLiteral("kaputt|It is broken.|entzwei|"));
        click(w, "btnSave");
        // A vanished card is told at once, at the opening.
        QCOMPARE(sb.spy->count(), vanished ? 2 : 1);
        QCOMPARE(sb.spy->shown().first().text, vanished ? QStringLiteral("Vokabel nicht gefunden!") : QStringLiteral("Der Datenträger ist voll."));
        QVERIFY(w.isVisible());
        QCOMPARE(texts(w), QStringLiteral("kaputt|It is broken.|entzwei|"));
        QCOMPARE(AppState::instance().EditVNr, editVnr);
        QCOMPARE(t.count(), 1);
        QCOMPARE(texts(t.card(vnr)), QStringLiteral("house||Haus|"));

        child<QLineEdit>(w, "txtIVok")->setText(QStringLiteral("broken"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), vanished ? 3 : 1);
        QCOMPARE(sb.windows->opened(), vanished ? QStringList() : QStringList{QStringLiteral("frmSound")});
        QCOMPARE(t.card(AppState::instance().EditVNr).FVok, vanished ? QString() : QStringLiteral("broken"));
        QCOMPARE(t.count(), change ? 1 : 2);
        QCOMPARE(t.card(vnr).FVok, change && !vanished ? QStringLiteral("broken") : QStringLiteral("house"));
    }

};

QTEST_MAIN(TestFrmNew)
#include "tst_frmnew.moc"
