// SPDX-License-Identifier: GPL-3.0-or-later
// Whole practices played through the window opener against a real database
// in a temporary working folder and the tone backend in place of the sound
// hardware; the database is checked afterwards.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Random.h"
#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/practice/frmVokabel.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>
#include <numeric>
#include <tuple>

namespace {

// The window as the learner works it, by its controls' names.
struct Practice
{
    QDialog &w;

    QLineEdit *line(const char *name) { return w.findChild<QLineEdit *>(QLatin1String(name)); }
    QLineEdit *answer() { return line(AppState::instance().AskNative ? "txtDVok" : "txtIVok"); }
    // The word the card shows (the side not asked).
    QString shown() { return line(AppState::instance().AskNative ? "txtIVok" : "txtDVok")->text(); }

    void click(const char *name)
    {
        QPushButton *b = w.findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b->isVisible() && b->isEnabled(), name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void type(const QString &text) { typeText(answer(), text); }
};

} // namespace

class TestFrmVokabel : public QObject
{
    Q_OBJECT

    Sandbox sb;
    Mci::ToneBackend *tone = nullptr;
    std::shared_ptr<store::Database> db;

    // A card with bound values; a null QVariant stores null.
    std::int32_t card(const QVariant &fvok, const QVariant &mvok, int fach, const QVariant &gewusst = 0,
                      std::int32_t vnr = 0)
    {
        db->execute(QStringLiteral("INSERT INTO %1 (VNr, FVok, FSatz, MVok, MSatz, Artikel, Fach, gewusst) "
                                   "VALUES (?, ?, 'phrase', ?, 'Satz', 'la', ?, ?)")
                        .arg(Records::sqlTable()),
                    {vnr ? QVariant(vnr) : QVariant(), fvok, mvok, fach, gewusst});
        return std::int32_t(
            db->openRecordset(QStringLiteral("Select max(VNr) from ") + Records::sqlTable())->value(0).toInt());
    }
    // Fach and gewusst of a card as "3/1" ("gone" when it is no more).
    QString stored(std::int32_t vnr)
    {
        auto rs = db->openRecordset(
            QStringLiteral("Select Fach, gewusst from %1 where VNr = %2").arg(Records::sqlTable()).arg(vnr));
        if (rs->eof())
            return QStringLiteral("gone");
        return rs->text(QStringLiteral("Fach")) + QLatin1Char('/') + rs->text(QStringLiteral("gewusst"));
    }
    QString summary(int right, int wrong, bool done)
    {
        return (done ? QStringLiteral("Geschafft!\n\n") : QString())
            + QStringLiteral("richtig: %1\nfalsch: %2").arg(right).arg(wrong);
    }
    // The entry form stand-in: `change` runs as it opens.
    void onEntry(const std::function<void()> &change)
    {
        sb.windows->onRequest([change](Windows::Kind kind) {
            if (kind == Windows::Kind::Entry)
                change();
        });
        sb.windows->refuse(Windows::Kind::Entry);
    }

    // Opens the practice of a compartment as the practise command does and
    // calls the learner once for every card shown, until the window closes.
    // Returns the titles of the cards, in order.
    QStringList practise(int fach, const std::function<void(Practice &)> &learner)
    {
        AppState &a = AppState::instance();
        a.CurrentFach = std::int16_t(fach);
        a.CompartmentRecordset = Records::openCompartment(fach, false);
        QStringList titles;
        sb.windows->onOpen(QStringLiteral("frmVokabel"), [&](QDialog &w) {
            QCoreApplication::processEvents();
            Practice p{w};
            for (int guard = 0; w.isVisible() && guard < 500; ++guard) {
                titles << w.windowTitle();
                learner(p);
                if (QTest::currentTestFailed())
                    return;
            }
            QVERIFY(!w.isVisible());
        });
        const Windows::Outcome outcome = Windows::open(Windows::Kind::Practice, nullptr);
        [&] { QVERIFY(outcome.opened); }();
        // The device is let go whichever way the window closed.
        QString mode;
        [&] { QVERIFY(Mci::send(QStringLiteral("status waveaudio mode"), &mode) != 0); }();
        return titles;
    }

private slots:
    void init()
    {
        sb.start();
        auto backend = std::make_unique<Mci::ToneBackend>();
        tone = backend.get();
        Mci::setBackend(std::move(backend));
        LanguageTable pair;
        pair.open(sb, QStringLiteral("Französisch"));
        db = pair.db;
        Random::pinSeed(20261206);
        AppState &a = AppState::instance();
        a.Abfrage = 1;
        a.Repeats = 1;
        a.Versuche = 1;
        for (const char *name : {"wah.wav", "drum.wav"})
            QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/sounds/") + QLatin1String(name),
                        sb.work->file(QLatin1String(name)));
    }
    void cleanup()
    {
        Random::pinSeed(std::nullopt);
        db.reset();
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
        tone = nullptr;
        sb.stop();
    }

    // ---------------------------------------------------------- the order

    // Fair over many draws; whole for more cards than a 16-bit count holds.
    void shufflingIsFairAndWhole()
    {
        Random::seed(7);
        std::map<QVector<std::int32_t>, int> seen;
        for (int i = 0; i < 6000; ++i)
            ++seen[frmVokabel::shuffled({1, 2, 3})];
        QCOMPARE(int(seen.size()), 6);
        for (const auto &[order, count] : seen) // 1000 each, five deviations
            QVERIFY2(count > 850 && count < 1150, qPrintable(QString::number(count)));
        QVector<std::int32_t> cards(70000);
        std::iota(cards.begin(), cards.end(), 40000);
        QVector<std::int32_t> order = frmVokabel::shuffled(cards);
        QVERIFY(order != cards);
        std::sort(order.begin(), order.end());
        QCOMPARE(order, cards);
    }

    void largeCompartmentWithHighNumbersPractises()
    {
        db->beginTrans();
        for (std::int32_t v = 40000; v < 40000 + 33000; ++v)
            card(QStringLiteral("w%1").arg(v), QStringLiteral("W%1").arg(v), 3, 0, v);
        db->commitTrans();
        QList<std::int32_t> asked;
        QString seenByOthers;
        const QStringList titles = practise(3, [&](Practice &p) {
            if (asked.size() == 2)
                return p.click("btnExit");
            asked << p.shown().mid(1).toInt();
            p.click("btnView");
            p.click(asked.size() == 1 ? "btnRichtig" : "btnFalsch");
            // What was stored is in the file at once, for any other reader.
            const QString sql = QStringLiteral("Select VNr from %1 where [Fach] = 4").arg(Records::sqlTable());
            if (asked.size() == 1)
                seenByOthers = store::Database::open(sb.work->file(QStringLiteral("Vokabeln.mdb")))
                                   ->openRecordset(sql)
                                   ->text(QStringLiteral("VNr"));
        });
        QCOMPARE(seenByOthers, QString::number(asked[0]));
        QCOMPARE(titles.first(), QStringLiteral("Vokabeltrainer - Fach 3 - 1 von 33000"));
        QCOMPARE(titles.last(), QStringLiteral("Vokabeltrainer - Fach 3 - 3 von 33000"));
        QVERIFY(asked[0] >= 40000 && asked[1] >= 40000 && asked[0] != asked[1]);
        QCOMPARE(stored(asked[0]), QStringLiteral("4/0"));
        QCOMPARE(stored(asked[1]), QStringLiteral("1/0"));
        QCOMPARE(sb.spy->count(), 0);
    }

    // ----------------------------------------------------- the card box rule

    // ------------------------------------------------------ typed answers

    void answerTest()
    {
        const std::tuple<const char *, const char *, bool> cases[] = {
            {"dog", "the dogs", true},  {"dog", "the dog", false},     {"dog", " dog", false},
            {"house", "hous", false},   {"Bär", "Bar", false},         {"Straße", "STRAßE", true},
            {"Bär", "Ba\u0308r", true}, {"", "anything long", false}};
        for (const auto &[stored, typed, right] : cases)
            QVERIFY2(frmVokabel::isRightAnswer(QString::fromUtf8(stored), QString::fromUtf8(typed)) == right, typed);
    }

    // Answering one card and how it is graded. Steps: type:, enter, and the
    // buttons Korrektur, View, Weiter, Richtig, Falsch; the window is left by
    // "Exit" when the steps leave it open. Score: right and wrong in the
    // summary, none when the window was left.
    void answering_data()
    {
        QTest::addColumn<QString>("before"); // Fach/gewusst
        QTest::addColumn<int>("repeats");
        QTest::addColumn<int>("versuche");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("score");
        QTest::newRow("tested right, then left") << "3/0" << 1 << 2 << "type:maison Korrektur" << "3/0" << "";
        QTest::newRow("1: first failure is final") << "3/0" << 1 << 1 << "type:x enter Weiter" << "1/0" << "0 1";
        QTest::newRow("2: failed at the last attempt")
            << "3/0" << 1 << 2 << "type:x Korrektur Korrektur Weiter" << "1/0" << "0 1";
        QTest::newRow("2: a retry that is right")
            << "3/0" << 1 << 2 << "type:x enter type:maison enter Weiter" << "4/0" << "1 0";
        // Up after enough right answers in a row, down to the start on a
        // wrong one; the start compartment asks a wrong card again until it
        // is known; the last compartment keeps its cards.
        QTest::newRow("below the threshold") << "4/0" << 3 << 1 << "View Richtig" << "4/1" << "1 0";
        QTest::newRow("at the threshold") << "4/2" << 3 << 1 << "type:maison Korrektur Weiter" << "5/0" << "1 0";
        QTest::newRow("repeats lowered under the count") << "4/4" << 1 << 1 << "View Richtig" << "5/0" << "1 0";
        QTest::newRow("start compartment, until known")
            << "1/0" << 1 << 1 << "View Falsch View Falsch View Richtig" << "2/0" << "1 2";
        QTest::newRow("last compartment, richtig") << "7/2" << 3 << 1 << "View Richtig" << "7/0" << "1 0";
        QTest::newRow("last compartment, typed") << "7/2" << 3 << 1 << "type:maison Korrektur Weiter" << "7/2" << "1 0";
        QTest::newRow("last compartment, falsch") << "7/2" << 3 << 1 << "View Falsch" << "1/0" << "0 1";
    }
    void answering()
    {
        QFETCH(QString, before);
        QFETCH(int, repeats);
        QFETCH(int, versuche);
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        QFETCH(QString, score);
        AppState::instance().Repeats = std::int16_t(repeats);
        AppState::instance().Versuche = std::int16_t(versuche);
        const int fach = before.section(QLatin1Char('/'), 0, 0).toInt();
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), fach, before.section(u'/', 1).toInt());
        practise(fach, [&](Practice &p) {
            for (const QString &step : steps.split(QLatin1Char(' '))) {
                if (step.startsWith(QLatin1String("type:")))
                    p.type(step.mid(5));
                else if (step == QLatin1String("enter"))
                    QTest::keyClick(p.answer(), Qt::Key_Return);
                else
                    p.click(("btn" + step).toLatin1().constData());
                if (!p.w.isVisible())
                    return;
            }
            p.click("btnExit");
        });
        QCOMPARE(stored(vnr), expected);
        // Leaving writes nothing for the card on screen and shows no summary;
        // only a practice that ends with every card known says "Geschafft!".
        if (!score.isEmpty()) {
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().text, summary(score.section(u' ', 0, 0).toInt(), score.section(u' ', 1).toInt(),
                                                  !expected.startsWith(u'1')));
        } else {
            QCOMPARE(stored(vnr), before);
            QCOMPARE(sb.spy->count(), 0);
        }
    }

    // --------------------------------------------------- bad cards

    // A card without a native word shows an empty one, not the previous
    // card's, and no typed answer matches it; a null count reads as 0.
    // Without a sound device the practice goes on and grades as ever.
    void oddCardsArePractisedOnTheirOwn()
    {
        tone->setOutputAvailable(false);
        AppState::instance().Abfrage = 2;
        const auto noNative = card(QStringLiteral("maison"), QVariant(), 3, QVariant());
        const auto noForeign = card(QVariant(), QStringLiteral("Baum"), 3, 2);
        const auto fine = card(QStringLiteral("chien"), QStringLiteral("Hund"), 3, 1);
        QMap<QString, QString> counts;
        practise(3, [&](Practice &p) {
            const QString shown = p.line("txtIVok")->text();
            counts[shown] = p.w.findChild<QLabel *>(QStringLiteral("lblnOk"))->text();
            if (shown == QLatin1String("maison")) {
                p.type(QStringLiteral("something long"));
                p.click("btnKorrektur");
                QCOMPARE(p.line("txtDVok")->text(), QString());
                p.click("btnWeiter");
            } else {
                p.click("btnView");
                p.click("btnRichtig");
            }
        });
        QCOMPARE(counts.value(QStringLiteral("maison")), QStringLiteral("0"));
        QCOMPARE(counts.value(QString()), QStringLiteral("2"));
        QCOMPARE(stored(noNative), QStringLiteral("1/0"));
        QCOMPARE(stored(noForeign), QStringLiteral("4/0"));
        QCOMPARE(stored(fine), QStringLiteral("4/0"));
        QCOMPARE(sb.spy->count(), 1);
    }

    // Cards deleted while the first is asked, by this program or through a
    // second connection (as a backup or import would hold): two still
    // waiting are passed over; the one on screen, deleted while the entry
    // form is open, is not stored, and the practice goes on.
    void deletedCardsArePassedOver_data()
    {
        QTest::addColumn<bool>("elsewhere");
        QTest::newRow("this connection") << false;
        QTest::newRow("second connection") << true;
    }
    void deletedCardsArePassedOver()
    {
        QFETCH(bool, elsewhere);
        const QStringList words{"un", "deux", "trois", "quatre"};
        QList<std::int32_t> cards;
        for (const QString &w : words)
            cards << card(w, w, 3);
        const auto remove = [&](std::int32_t vnr) {
            if (!elsewhere)
                return Records::deleteCard(vnr);
            store::Database::open(db->path())
                ->execute(QStringLiteral("DELETE FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr});
        };
        onEntry([&] { remove(AppState::instance().EditVNr); });
        QStringList asked;
        practise(3, [&](Practice &p) {
            asked << p.shown();
            for (int i = 0, deleted = 0; asked.size() == 1 && deleted < 2; ++i)
                if (words[i] != asked[0])
                    remove(cards[i]), ++deleted;
            if (asked.size() == 1)
                p.click("btnChange");
            p.click("btnView");
            p.click("btnRichtig");
        });
        QCOMPARE(asked.size(), 2);
        QCOMPARE(stored(cards[words.indexOf(asked[0])]), QStringLiteral("gone"));
        QCOMPARE(stored(cards[words.indexOf(asked[1])]), QStringLiteral("4/0"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, summary(2, 0, true));
    }

    // ------------------------------------------------ storing and leaving

    // A change through the entry form refreshes the card on screen by its
    // number; what the learner has typed stays to be graded, the asked
    // sentence stays hidden, and the count stays as it was loaded.
    void changeRefreshesOnlyWhatIsShown()
    {
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, 1);
        bool editMode = false;
        std::int32_t editVNr = 0;
        onEntry([&] {
            editMode = AppState::instance().EditMode;
            editVNr = AppState::instance().EditVNr;
            VocabularyRecord c;
            c.VNr = vnr;
            c.FVok = QStringLiteral("palais");
            c.MVok = QStringLiteral("Palast");
            c.FSatz = QStringLiteral("nouvelle phrase");
            Records::saveCard(c);
        });
        practise(3, [&](Practice &p) {
            p.type(QStringLiteral("mai"));
            p.click("btnChange");
            QVERIFY(!AppState::instance().EditMode);
            QCOMPARE(p.line("txtIVok")->text(), QStringLiteral("palais"));
            QCOMPARE(p.line("txtDVok")->text(), QStringLiteral("Palast"));
            QCOMPARE(p.w.findChild<QPlainTextEdit *>(QStringLiteral("txtISatz"))->toPlainText(), QString());
            p.click("btnKorrektur");
            p.click("btnWeiter");
        });
        QVERIFY(editMode);
        QCOMPARE(editVNr, vnr);
        QCOMPARE(stored(vnr), QStringLiteral("4/0"));
    }
};

QTEST_MAIN(TestFrmVokabel)
#include "tst_frmvokabel.moc"
