// The entry and change form against a real database in the sandbox.

#include "CardTable.h"

#include "ui/maintain/frmNew.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

QLineEdit *box(QWidget &w, const char *name)
{
    return child<QLineEdit>(w, name);
}

void click(QWidget &w, const char *name)
{
    QTest::mouseClick(child<QPushButton>(w, name), Qt::LeftButton);
}

// Search, Save as one letter each: 0 disabled, 1 enabled, D the default,
// d the default while disabled (Enter then does nothing).
QString buttons(QWidget &w)
{
    QString s;
    for (const char *name : {"cmdSearch", "btnSave"}) {
        const auto *b = child<QPushButton>(w, name);
        if (b->isDefault())
            s += b->isEnabled() ? QLatin1Char('D') : QLatin1Char('d');
        else
            s += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
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

    void loadFillsTheFormByMode_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("stored");  // article of the card
        QTest::addColumn<QString>("article"); // option selected
        QTest::addColumn<bool>("articles");   // article choice shown
        QTest::newRow("entry, Englisch") << "Englisch" << false << "" << "optohne" << false;
        QTest::newRow("entry, Französisch") << "Französisch" << false << "" << "optohne" << true;
        QTest::newRow("entry, lower-case englisch") << "englisch" << false << "" << "optohne" << true;
        QTest::newRow("change, m") << "Französisch" << true << "m" << "optm" << true;
        QTest::newRow("change, f") << "Französisch" << true << "f" << "optf" << true;
        QTest::newRow("change, m/f") << "Französisch" << true << "m/f" << "optmf" << true;
        QTest::newRow("change, other text") << "Französisch" << true << "n" << "optohne" << true;
        QTest::newRow("change, Englisch with m") << "Englisch" << true << "m" << "optm" << false;
    }
    void loadFillsTheFormByMode()
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
        a.MutterFont = QStringLiteral("DejaVu Sans Mono");
        a.MutterColor = 65536 * 128;
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."),
                               QString(), stored);
        if (change)
            changeMode(vnr);

        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), change ? QStringLiteral("Ändern von Vokabeln") : QStringLiteral("Neue Vokabeln eingeben"));
        QCOMPARE(child<QGroupBox>(w, "frmFremd")->title(), language);
        QCOMPARE(child<QGroupBox>(w, "frmMutter")->title(), QStringLiteral("Deutsch"));
        QCOMPARE(child(w, "frmArtikel")->isVisible(), articles);
        QCOMPARE(checkedArticle(w), article);
        QCOMPARE(child(w, "cmdSearch")->isVisible(), !change);
        QCOMPARE(child<QPushButton>(w, "btnExit")->text(), change ? QStringLiteral("&Abbrechen") : QStringLiteral("&Beenden"));
        QCOMPARE(child<QCheckBox>(w, "chkSound")->text(),
                 change ? QStringLiteral("Nachvertonung bzw. Sound ändern") : QStringLiteral("Vertonung bzw. Sound aufnehmen"));
        QCOMPARE(box(w, "txtIVok")->text(), change ? QStringLiteral("maison") : QString());
        QCOMPARE(box(w, "txtISatz")->text(), change ? QStringLiteral("La maison.") : QString());
        QCOMPARE(box(w, "txtDVok")->text(), change ? QStringLiteral("Haus") : QString());
        QCOMPARE(box(w, "txtDSatz")->text(), QString());
        // A loaded card with both words can be saved at once.
        QCOMPARE(buttons(w), change ? QStringLiteral("1D") : QStringLiteral("00"));

        // Each language in its own font and colour; the size stays.
        for (const char *name : {"txtIVok", "txtISatz"}) {
            QCOMPARE(box(w, name)->font().family(), QStringLiteral("DejaVu Serif"));
            QCOMPARE(box(w, name)->palette().color(QPalette::Text), QColor(255, 0, 0));
        }
        for (const char *name : {"txtDVok", "txtDSatz"}) {
            QCOMPARE(box(w, name)->font().family(), QStringLiteral("DejaVu Sans Mono"));
            QCOMPARE(box(w, name)->palette().color(QPalette::Text), QColor(0, 0, 128));
        }
        QCOMPARE(box(w, "txtIVok")->font().pointSizeF(), box(w, "txtISatz")->font().pointSizeF());
        // Foreign word, foreign sentence, native word, native sentence.
        QCOMPARE(box(w, "txtIVok")->nextInFocusChain(), box(w, "txtISatz"));
        QCOMPARE(box(w, "txtISatz")->nextInFocusChain(), box(w, "txtDVok"));
        QCOMPARE(box(w, "txtDVok")->nextInFocusChain(), box(w, "txtDSatz"));
    }

    // Blank means nothing but spaces. Search follows the foreign word, Save
    // needs both words; the last rule to fire decides the default button.
    void buttonsFollowTheWords_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing") << "" << "" << "00";
        QTest::newRow("foreign only") << "house" << "" << "D0";
        QTest::newRow("blank foreign") << "   " << "Haus" << "d0";
        QTest::newRow("blank native") << "house" << "  " << "D0";
        QTest::newRow("both") << "house" << "Haus" << "1D";
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
    }

    void clearingAWordDisablesSave()
    {
        t.open(sb);
        changeMode(t.add(QStringLiteral("house"), QStringLiteral("Haus"), 3));
        frmNew w;
        w.show();
        box(w, "txtDVok")->clear();
        QCOMPARE(buttons(w), QStringLiteral("D0"));
        box(w, "txtDVok")->setText(QStringLiteral("Haus"));
        box(w, "txtIVok")->clear();
        QCOMPARE(buttons(w), QStringLiteral("0d"));
    }

    // Texts are stored as typed: blanks, quotes and semicolons included.
    // Every new card goes into the start compartment with no right answers,
    // whatever compartment the main window shows; the form is then ready
    // for the next one.
    void entrySavesCardAfterCard()
    {
        t.open(sb, QStringLiteral("Französisch"));
        AppState::instance().CurrentFach = 5;
        frmNew w;
        w.show();
        const QStringList cards[] = {
            {QStringLiteral(" l'eau; "), QStringLiteral("O'Brien\"; DROP TABLE x"), QStringLiteral("das \"Wasser\""),
             QStringLiteral("';--"), QStringLiteral("optf"), QStringLiteral("f")},
            {QStringLiteral("Äpfel"), QStringLiteral(""), QStringLiteral("apples"), QStringLiteral(""), QStringLiteral("optmf"),
             QStringLiteral("m/f")},
        };
        QVector<std::int32_t> saved;
        for (const QStringList &c : cards) {
            typeText(box(w, "txtIVok"), c[0]);
            typeText(box(w, "txtISatz"), c[1]);
            typeText(box(w, "txtDVok"), c[2]);
            typeText(box(w, "txtDSatz"), c[3]);
            child<QRadioButton>(w, qPrintable(c[4]))->setChecked(true);
            click(w, "btnSave");
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(w.isVisible());
            saved << AppState::instance().EditVNr;
            const VocabularyRecord r = t.card(saved.last());
            QCOMPARE(r.FVok, c[0]);
            QCOMPARE(r.FSatz, c[1]);
            QCOMPARE(r.MVok, c[2]);
            QCOMPARE(r.MSatz, c[3]);
            QCOMPARE(r.Artikel, c[5]);
            QCOMPARE(r.Fach, 1);
            QCOMPARE(r.gewusst, 0);
            for (const char *name : {"txtIVok", "txtISatz", "txtDVok", "txtDSatz"})
                QVERIFY(box(w, name)->text().isEmpty());
            QCOMPARE(checkedArticle(w), QStringLiteral("optohne"));
            QCOMPARE(buttons(w), QStringLiteral("d0"));
        }
        QVERIFY(saved[1] > saved[0]);
        QCOMPARE(t.count(), 2);
        // Empty sentences are empty texts, not missing values.
        QVERIFY(!t.db->openRecordset(QStringLiteral("Select * from tFranzösisch where VNr = %1").arg(saved[1]))
                     ->isNull(QStringLiteral("FSatz")));
    }

    void changeSavesTheCardAndCloses()
    {
        t.open(sb, QStringLiteral("Französisch"));
        const auto first = t.add(QStringLiteral("chat"), QStringLiteral("Katze"), 2);
        const auto vnr = t.add(QStringLiteral("maison"), QStringLiteral("Haus"), 4, QStringLiteral("La maison."),
                               QStringLiteral("Das Haus."), QStringLiteral("f"), 2);
        Records::setSoundPath(vnr, false, QStringLiteral(".\\Französisch\\FrV2.wav"));
        changeMode(vnr);
        frmNew w;
        w.show();
        box(w, "txtIVok")->setText(QStringLiteral("la maison"));
        box(w, "txtDSatz")->clear();
        child<QRadioButton>(w, "optm")->setChecked(true);
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(AppState::instance().EditVNr, vnr);

        const VocabularyRecord r = t.card(vnr);
        QCOMPARE(r.FVok, QStringLiteral("la maison"));
        QCOMPARE(r.MVok, QStringLiteral("Haus"));
        QCOMPARE(r.FSatz, QStringLiteral("La maison."));
        QCOMPARE(r.MSatz, QString());
        QCOMPARE(r.Artikel, QStringLiteral("m"));
        QCOMPARE(r.Fach, 4);
        QCOMPARE(r.gewusst, 2);
        QCOMPARE(r.FVokSound, QStringLiteral(".\\Französisch\\FrV2.wav"));
        QCOMPARE(t.card(first).FVok, QStringLiteral("chat"));
        // The practice window reads the card from the shared table next.
        const auto &rs = AppState::instance().TableRecordset;
        QCOMPARE(rs->index(), QStringLiteral("VNr"));
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), vnr);
    }

    // The table stands on the card when the form closes, saved or not.
    void closingLeavesTheTableOnTheCard()
    {
        t.open(sb);
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"));
        const auto vnr = t.add(QStringLiteral("house"), QStringLiteral("Haus"));
        changeMode(vnr);
        frmNew w;
        w.show();
        auto &rs = AppState::instance().TableRecordset;
        rs->setIndex(QStringLiteral("FVok"));
        click(w, "btnExit");
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(rs->index(), QStringLiteral("VNr"));
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), vnr);
    }

    // A card that is not there opens an empty form. Saving it must not
    // write over any other card; the form stays open for Abbrechen.
    void missingCardChangesNothing()
    {
        t.open(sb);
        const auto first = t.add(QStringLiteral("cat"), QStringLiteral("Katze"));
        changeMode(999);
        frmNew w;
        w.show();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QVERIFY(box(w, "txtIVok")->text().isEmpty());
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

    // The store refuses the card: the learner sees why, and keeps what he
    // typed to correct it. Nothing is stored, no recording window opens,
    // EditVNr keeps its value.
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
        box(w, "txtDVok")->setText(QStringLiteral("entzwei"));
        box(w, "txtISatz")->setText(QStringLiteral("It is broken."));
        click(w, "btnSave");

        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der Datenträger ist voll."));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());
        QCOMPARE(box(w, "txtIVok")->text(), QStringLiteral("kaputt"));
        QCOMPARE(box(w, "txtISatz")->text(), QStringLiteral("It is broken."));
        QVERIFY(sb.windows->opened().isEmpty());
        QCOMPARE(AppState::instance().EditVNr, change ? vnr : 7);
        QCOMPARE(t.count(), 1);
        QCOMPARE(t.card(vnr).FVok, QStringLiteral("house"));
        QCOMPARE(t.card(vnr).FSatz, QString());

        // Corrected, the same form stores it.
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
        QTest::newRow("foreign sentence") << "txtISatz" << "FSatz" << 200;
        QTest::newRow("native word") << "txtDVok" << "MVok" << 50;
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
        QCOMPARE(b->text().size(), size);
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 0);
        const auto card = t.db->openRecordset(QStringLiteral("Select * from tEnglisch"));
        QCOMPARE(card->text(field), QString(size - 1, QLatin1Char('x')) + QStringLiteral("ä"));
    }

    void searchTellsWhereTheWordIs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("pool, other case") << "HOUSE"
                                          << "HOUSE - Haus\nist bereits im Fach 0 (ungelernte Vokabeln)"
                                          << "Vokabel vorhanden";
        QTest::newRow("compartment 3") << "cat" << "cat - Katze\nist bereits im Fach 3" << "Vokabel vorhanden";
        QTest::newRow("first card of two") << "dog" << "dog - Hund\nist bereits im Fach 7" << "Vokabel vorhanden";
        QTest::newRow("not there") << "mouse" << "'mouse' ist nicht vorhanden!" << "Vokamia";
        QTest::newRow("only a prefix") << "ca" << "'ca' ist nicht vorhanden!" << "Vokamia";
        QTest::newRow("quotes") << "it's \"x\"" << "'it's \"x\"' ist nicht vorhanden!" << "Vokamia";
    }
    void searchTellsWhereTheWordIs()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, title);
        t.open(sb);
        t.add(QStringLiteral("house"), QStringLiteral("Haus"), 0);
        t.add(QStringLiteral("cat"), QStringLiteral("Katze"), 3);
        t.add(QStringLiteral("dog"), QStringLiteral("Hund"), 7);
        t.add(QStringLiteral("dog"), QStringLiteral("Köter"), 2);
        frmNew w;
        w.show();
        typeText(box(w, "txtIVok"), typed);
        QVERIFY(child<QPushButton>(w, "cmdSearch")->isDefault());
        click(w, "cmdSearch");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, text);
        QCOMPARE(sb.spy->last().title, title);
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(sb.spy->last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // Informing only: saving the same word again is allowed.
        typeText(box(w, "txtDVok"), QStringLiteral("Haus"));
        click(w, "btnSave");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(t.count(), 5);
    }

    // Every save with chkSound ticked records for the card just stored; the
    // tick stays from card to card.
    void soundWindowFollowsEachSave()
    {
        t.open(sb);
        QList<std::int32_t> recordedFor;
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind == Windows::Kind::Recording)
                recordedFor << AppState::instance().EditVNr;
        });
        frmNew w;
        w.show();
        child<QCheckBox>(w, "chkSound")->setChecked(true);
        QList<std::int32_t> stored;
        for (const QString &word : {QStringLiteral("one"), QStringLiteral("two")}) {
            typeText(box(w, "txtIVok"), word);
            typeText(box(w, "txtDVok"), QStringLiteral("x"));
            click(w, "btnSave");
            stored << AppState::instance().EditVNr;
            QVERIFY(child<QCheckBox>(w, "chkSound")->isChecked());
        }
        QCOMPARE(recordedFor, stored);
        QCOMPARE(t.card(stored[1]).FVok, QStringLiteral("two"));
    }

    void helpByMode_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<QString>("file");
        QTest::newRow("entry") << false << "Neuwort.rtf";
        QTest::newRow("change") << true << "Change.rtf";
    }
    void helpByMode()
    {
        QFETCH(bool, change);
        QFETCH(QString, file);
        t.open(sb);
        if (change)
            changeMode(t.add(QStringLiteral("house"), QStringLiteral("Haus")));
        QString help;
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind == Windows::Kind::Help)
                help = AppState::instance().HelpFile;
        });
        frmNew w;
        w.show();
        click(w, "btnHelp");
        QCOMPARE(QFileInfo(help).fileName(), file);
        QVERIFY(QFileInfo::exists(help));
    }
};

QTEST_MAIN(TestFrmNew)
#include "tst_frmnew.moc"
