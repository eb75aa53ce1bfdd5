// Whole practices played through the window opener against a real database
// in a temporary working folder and the tone backend in place of the sound
// hardware; the database is checked afterwards.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Random.h"
#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/practice/frmVokabel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>

namespace {

// A message box shows a CR LF of the program's texts as a line break.
const QString kCrLf = QStringLiteral("\n");

// The window as the learner works it, by its controls' names.
class Practice
{
public:
    explicit Practice(QDialog &w) : w_(w) {}

    QDialog &window() { return w_; }

    QLineEdit *line(const char *name) { return w_.findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) { return w_.findChild<QPushButton *>(QLatin1String(name)); }
    QLabel *label(const char *name) { return w_.findChild<QLabel *>(QLatin1String(name)); }
    QString text(const char *name) { return label(name)->text(); }

    bool askNative() const { return AppState::instance().AskNative; }
    QLineEdit *answer() { return askNative() ? line("txtDVok") : line("txtIVok"); }
    // The word the card shows (the side not asked).
    QString shown() { return askNative() ? line("txtIVok")->text() : line("txtDVok")->text(); }

    void click(const char *name)
    {
        QPushButton *b = button(name);
        QVERIFY2(b->isVisible() && b->isEnabled(), name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void type(const QString &text) { typeText(answer(), text); }
    void enter() { QTest::keyClick(answer(), Qt::Key_Return); }

    // Korrektur, Weiter, Vorschau, richtig, falsch, Play, P&lay: "-" hidden,
    // "0" disabled, "1" enabled, "D" the default button; then the mark: "O"
    // right, "K" wrong, "." none.
    QString state()
    {
        QString s;
        for (const char *name :
             {"btnKorrektur", "btnWeiter", "btnView", "btnRichtig", "btnFalsch", "btnIVokSound", "btnISatzSound"}) {
            const QPushButton *b = button(name);
            s += b->isHidden() ? QLatin1Char('-')
                : b->isDefault() ? QLatin1Char('D')
                : b->isEnabled() ? QLatin1Char('1')
                                 : QLatin1Char('0');
        }
        s += !label("lblOk")->isHidden() ? QLatin1Char('O') : !label("lblKo")->isHidden() ? QLatin1Char('K')
                                                                                          : QLatin1Char('.');
        return s;
    }

private:
    QDialog &w_;
};

using Learner = std::function<void(Practice &)>;

} // namespace

class TestFrmVokabel : public QObject
{
    Q_OBJECT

    Sandbox sb;
    Mci::ToneBackend *tone = nullptr;
    std::shared_ptr<store::Database> db;

    // A card with bound values; a null QVariant stores null.
    std::int32_t card(const QVariant &fvok, const QVariant &mvok, int fach, const QVariant &gewusst = 0,
                      std::int32_t vnr = 0, const QVariant &wordSound = {}, const QVariant &sentenceSound = {})
    {
        db->execute(QStringLiteral("INSERT INTO %1 (VNr, FVok, FSatz, MVok, MSatz, Artikel, Fach, gewusst, "
                                   "FVokSound, FSatzSound) VALUES (?, ?, 'phrase', ?, 'Satz', 'la', ?, ?, ?, ?)")
                        .arg(Records::sqlTable()),
                    {vnr ? QVariant(vnr) : QVariant(), fvok, mvok, fach, gewusst, wordSound, sentenceSound});
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
        return (done ? QStringLiteral("Geschafft!") + kCrLf + kCrLf : QString()) + QStringLiteral("richtig: %1").arg(right)
            + kCrLf + QStringLiteral("falsch: %1").arg(wrong);
    }
    int played(const QString &file) const
    {
        return int(tone->log().filter(QRegularExpression(QStringLiteral("^play .*/") + QRegularExpression::escape(file)
                                                         + QStringLiteral(" ")))
                       .size());
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
    QStringList practise(int fach, const Learner &learner)
    {
        AppState &a = AppState::instance();
        a.CurrentFach = std::int16_t(fach);
        a.CompartmentRecordset = Records::openCompartment(fach, false);
        QStringList titles;
        sb.windows->onOpen(QStringLiteral("frmVokabel"), [&](QDialog &w) {
            QCoreApplication::processEvents();
            Practice p(w);
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
        db = store::Database::create(sb.work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
        Random::pinSeed(20261206);
        const QString table = QStringLiteral("tFranzösisch");
        Catalogue::CreateLanguageTable(*db, table);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.NativeLanguage = QStringLiteral("Deutsch");
        a.ForeignLanguage = QStringLiteral("Französisch");
        a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
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

    void shufflingIsFairAndWhole()
    {
        Random::seed(7);
        std::map<QVector<std::int32_t>, int> seen;
        for (int i = 0; i < 6000; ++i)
            ++seen[frmVokabel::shuffled({1, 2, 3})];
        QCOMPARE(int(seen.size()), 6);
        // 1000 expected each; five standard deviations are about 150.
        for (const auto &[order, count] : seen)
            QVERIFY2(count > 850 && count < 1150, qPrintable(QString::number(count)));

        // More cards than a 16-bit count holds, with numbers above 32,767.
        QVector<std::int32_t> cards;
        for (std::int32_t v = 40000; v < 40000 + 70000; ++v)
            cards << v;
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
        const QStringList titles = practise(3, [&](Practice &p) {
            if (asked.size() == 2)
                return p.click("btnExit");
            asked << p.shown().mid(1).toInt();
            p.click("btnView");
            p.click(asked.size() == 1 ? "btnRichtig" : "btnFalsch");
        });
        QCOMPARE(titles.first(), QStringLiteral("Vokabeltrainer - Fach 3 - 1 von 33000"));
        QCOMPARE(titles.last(), QStringLiteral("Vokabeltrainer - Fach 3 - 3 von 33000"));
        QVERIFY(asked[0] >= 40000 && asked[1] >= 40000 && asked[0] != asked[1]);
        QCOMPARE(stored(asked[0]), QStringLiteral("4/0"));
        QCOMPARE(stored(asked[1]), QStringLiteral("1/0"));
        QCOMPARE(sb.spy->count(), 0);
    }

    // ----------------------------------------------------- the card box rule

    // In the start compartment a card not known comes back until it is.
    void startCompartmentAsksAWrongCardAgain()
    {
        const auto haus = card(QStringLiteral("maison"), QStringLiteral("Haus"), 1);
        const auto baum = card(QStringLiteral("arbre"), QStringLiteral("Baum"), 1);
        QStringList asked;
        int hausWrong = 0;
        const QStringList titles = practise(1, [&](Practice &p) {
            asked << p.shown();
            p.click("btnView");
            p.click(p.shown() == QLatin1String("Haus") && hausWrong++ < 2 ? "btnFalsch" : "btnRichtig");
        });
        QCOMPARE(asked.count(QStringLiteral("Haus")), 3);
        QCOMPARE(asked.count(QStringLiteral("Baum")), 1);
        // The mark counts as right at opening: the first card is the first.
        QCOMPARE(titles.first(), QStringLiteral("Vokabeltrainer - Fach 1 - 1 von 2"));
        QCOMPARE(titles.last(), QStringLiteral("Vokabeltrainer - Fach 1 - 2 von 2"));
        QCOMPARE(stored(haus), QStringLiteral("2/0"));
        QCOMPARE(stored(baum), QStringLiteral("2/0"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, summary(2, 2, true));
        QCOMPARE(played(QStringLiteral("drum.wav")), 1);
    }

    // ------------------------------------------------------ typed answers

    void answerTest_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("right");
        QTest::newRow("contained, 8 characters") << "dog" << "the dogs" << true;
        QTest::newRow("contained, 7 characters") << "dog" << "the dog" << false;
        QTest::newRow("leading blank") << "dog" << " dog" << false;
        QTest::newRow("shorter than stored") << "house" << "hous" << false;
        QTest::newRow("umlaut differs") << "Bär" << "Bar" << false;
        QTest::newRow("sharp s") << "Straße" << "STRAßE" << true;
        QTest::newRow("umlaut composed differently") << "Bär" << "Ba\u0308r" << true;
        QTest::newRow("empty stored word") << "" << "anything long" << false;
    }
    void answerTest()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, right);
        QCOMPARE(frmVokabel::isRightAnswer(stored, typed), right);
    }

    // Answering one card step by step: the buttons after each step, the
    // attempts, the sounds, and how the card is graded. Steps: type:, clear,
    // enter, and test, view, weiter, richtig, falsch for the buttons; the
    // window is left by "Exit" when the steps leave it open.
    void answering_data()
    {
        QTest::addColumn<QString>("before"); // Fach/gewusst
        QTest::addColumn<int>("repeats");
        QTest::addColumn<int>("versuche");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("states"); // after each step the window stays open
        QTest::addColumn<int>("wah");
        QTest::addColumn<QString>("expected");
        // Buttons as in Practice::state(): typing D-0--00. retry D-0--00K
        // question 0-D--00. right -D0--11O wrong -D0--11K revealed 0--D111.
        QTest::newRow("emptied again") << "3/0" << 1 << 2 << "type:m clear" << "D-0--00. 0-D--00." << 0 << "3/0";
        QTest::newRow("typing after a retry") << "3/0" << 1 << 2 << "type:x test type:y"
                                              << "D-0--00. D-0--00K D-0--00." << 1 << "3/0";
        QTest::newRow("tested right, then left") << "3/0" << 1 << 2 << "type:maison test" << "D-0--00. -D0--11O" << 0
                                                 << "3/0";
        QTest::newRow("revealed") << "3/0" << 1 << 2 << "view" << "0--D111." << 0 << "3/0";
        QTest::newRow("Enter reveals an empty answer") << "3/0" << 1 << 2 << "enter" << "0--D111." << 0 << "3/0";
        QTest::newRow("1: first failure is final") << "3/0" << 1 << 1 << "type:x enter weiter" << "D-0--00. -D0--11K"
                                                   << 1 << "1/0";
        QTest::newRow("2: failed at the last attempt") << "3/0" << 1 << 2 << "type:x test test weiter"
                                                       << "D-0--00. D-0--00K -D0--11K" << 2 << "1/0";
        QTest::newRow("2: a retry that is right") << "3/0" << 1 << 2 << "type:x enter type:maison enter weiter"
                                                  << "D-0--00. D-0--00K D-0--00. -D0--11O" << 1 << "4/0";
        QTest::newRow("3: Enter again without change")
            << "3/0" << 1 << 3 << "type:x enter enter type:maison enter weiter"
            << "D-0--00. D-0--00K D-0--00K D-0--00. -D0--11O" << 2 << "4/0";
        // The card box rule: up after enough right answers in a row, down to
        // the start on a wrong one; the last compartment keeps its cards.
        QTest::newRow("below the threshold") << "4/0" << 3 << 1 << "view richtig" << "0--D111." << 0 << "4/1";
        QTest::newRow("at the threshold") << "4/2" << 3 << 1 << "type:maison test weiter" << "D-0--00. -D0--11O" << 0
                                          << "5/0";
        QTest::newRow("repeats lowered under the count") << "4/4" << 1 << 1 << "view richtig" << "0--D111." << 0
                                                         << "5/0";
        QTest::newRow("last compartment, richtig") << "7/2" << 3 << 1 << "view richtig" << "0--D111." << 0 << "7/0";
        QTest::newRow("last compartment, typed") << "7/2" << 3 << 1 << "type:maison test weiter"
                                                 << "D-0--00. -D0--11O" << 0 << "7/2";
        QTest::newRow("last compartment, falsch") << "7/2" << 3 << 1 << "view falsch" << "0--D111." << 0 << "1/0";
    }
    void answering()
    {
        QFETCH(QString, before);
        QFETCH(int, repeats);
        QFETCH(int, versuche);
        QFETCH(QString, steps);
        QFETCH(QString, states);
        QFETCH(int, wah);
        QFETCH(QString, expected);
        AppState::instance().Repeats = std::int16_t(repeats);
        AppState::instance().Versuche = std::int16_t(versuche);
        QDir().mkpath(sb.work->file(QStringLiteral("Französisch")));
        QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/sound/float16k.wav"),
                    sb.work->file(QStringLiteral("Französisch/FrV1.wav")));
        const int fach = before.section(QLatin1Char('/'), 0, 0).toInt();
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), fach,
                              before.section(QLatin1Char('/'), 1).toInt(), 0, QStringLiteral(".\\Französisch\\FrV1.wav"),
                              QStringLiteral(".\\nowhere.wav"));
        const QMap<QString, const char *> buttons{{"test", "btnKorrektur"}, {"view", "btnView"},
                                                  {"weiter", "btnWeiter"}, {"richtig", "btnRichtig"},
                                                  {"falsch", "btnFalsch"}};
        QStringList seen;
        practise(fach, [&](Practice &p) {
            QCOMPARE(p.state(), QStringLiteral("0-D--00."));
            for (const QString &step : steps.split(QLatin1Char(' '))) {
                if (step.startsWith(QLatin1String("type:")))
                    p.type(step.mid(5));
                else if (step == QLatin1String("clear"))
                    QTest::keyClick(p.answer(), Qt::Key_Backspace);
                else if (step == QLatin1String("enter"))
                    p.enter();
                else
                    p.click(buttons.value(step));
                if (!p.window().isVisible())
                    return;
                const QString s = p.state();
                seen << s;
                // Once the card is shown whole, neither word can be typed over.
                QCOMPARE(p.line("txtDVok")->isReadOnly() && p.line("txtIVok")->isReadOnly(),
                         s[0] == QLatin1Char('-') || s[2] == QLatin1Char('-'));
                // A failed attempt with more to come leaves it to be typed over.
                if (s == QLatin1String("D-0--00K"))
                    QCOMPARE(p.answer()->selectedText(), p.answer()->text());
            }
            p.click("btnExit");
        });
        QCOMPARE(seen.join(QLatin1Char(' ')), states);
        QCOMPARE(played(QStringLiteral("wah.wav")), wah);
        // The foreign word was asked: its sound plays as the card is shown whole.
        QCOMPARE(played(QStringLiteral("FrV1.wav")), seen.last().contains(QLatin1String("11")) ? 1 : 0);
        QCOMPARE(stored(vnr), expected);
        // Leaving writes nothing for the card on screen and shows no summary;
        // only a practice that ends with every card known says "Geschafft!".
        if (steps.contains(QRegularExpression(QStringLiteral("(weiter|richtig|falsch)$")))) {
            const bool failed = steps.endsWith(QLatin1String("falsch")) || seen.last() == QLatin1String("-D0--11K");
            QCOMPARE(sb.spy->last().text, summary(int(!failed), int(failed), !failed));
        } else {
            QCOMPARE(stored(vnr), before);
            QCOMPARE(sb.spy->count(), 0);
        }
    }

    // Without a sound device the practice goes on and grades as ever.
    void noSoundDeviceChangesNothing()
    {
        tone->setOutputAvailable(false);
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3);
        practise(3, [&](Practice &p) {
            p.type(QStringLiteral("x"));
            p.click("btnKorrektur");
            p.click("btnWeiter");
        });
        QCOMPARE(stored(vnr), QStringLiteral("1/0"));
        QCOMPARE(sb.spy->count(), 1);
    }

    // Asked both ways, each showing of the same card draws its own side.
    void eachShowingDrawsItsSide()
    {
        AppState::instance().Abfrage = 3;
        card(QStringLiteral("maison"), QStringLiteral("Haus"), 1);
        QSet<bool> seen;
        int rounds = 0;
        practise(1, [&](Practice &p) {
            seen << p.askNative();
            QCOMPARE(p.answer()->text(), QString());
            QCOMPARE(p.shown(), p.askNative() ? QStringLiteral("maison") : QStringLiteral("Haus"));
            p.click("btnView");
            p.click(++rounds < 30 ? "btnFalsch" : "btnRichtig");
        });
        QCOMPARE(seen.size(), 2);
    }

    // --------------------------------------------------- bad cards

    // A card without a native word shows an empty one, not the previous
    // card's, and no typed answer matches it; a null count reads as 0.
    void oddCardsArePractisedOnTheirOwn()
    {
        AppState::instance().Abfrage = 2;
        const auto noNative = card(QStringLiteral("maison"), QVariant(), 3, QVariant());
        const auto noForeign = card(QVariant(), QStringLiteral("Baum"), 3, 2);
        const auto fine = card(QStringLiteral("chien"), QStringLiteral("Hund"), 3, 1);
        QMap<QString, QString> counts;
        practise(3, [&](Practice &p) {
            const QString shown = p.line("txtIVok")->text();
            counts[shown] = p.text("lblnOk");
            if (shown == QLatin1String("maison")) {
                QCOMPARE(stored(noNative), QStringLiteral("3/0"));
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
        QCOMPARE(counts.value(QStringLiteral("chien")), QStringLiteral("1"));
        QCOMPARE(stored(noNative), QStringLiteral("1/0"));
        QCOMPARE(stored(noForeign), QStringLiteral("4/0"));
        QCOMPARE(stored(fine), QStringLiteral("4/0"));
    }

    // Cards deleted while the first is asked: two still waiting are passed
    // over; the one on screen, deleted through the entry form, is not
    // stored, and the practice goes on.
    void deletedCardsArePassedOver()
    {
        const QStringList words{"un", "deux", "trois", "quatre"};
        QList<std::int32_t> cards;
        for (const QString &w : words)
            cards << card(w, w, 3);
        onEntry([] { Records::deleteCard(AppState::instance().EditVNr); });
        QStringList asked;
        practise(3, [&](Practice &p) {
            asked << p.shown();
            for (int i = 0, deleted = 0; asked.size() == 1 && deleted < 2; ++i)
                if (words[i] != asked[0])
                    Records::deleteCard(cards[i]), ++deleted;
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

    // What "Weiter" stored is in the file at once, for any other reader.
    void eachResultIsCommittedAtOnce()
    {
        const auto a = card(QStringLiteral("un"), QStringLiteral("eins"), 3);
        const auto b = card(QStringLiteral("deux"), QStringLiteral("zwei"), 3);
        QStringList seenByOthers;
        practise(3, [&](Practice &p) {
            if (seenByOthers.size() == 1)
                return p.click("btnExit");
            p.click("btnView");
            p.click("btnRichtig");
            auto other = store::Database::open(sb.work->file(QStringLiteral("Vokabeln.mdb")));
            auto rs = other->openRecordset(QStringLiteral("Select VNr from %1 where [Fach] = 4").arg(Records::sqlTable()));
            seenByOthers << rs->text(QStringLiteral("VNr"));
        });
        QCOMPARE(seenByOthers.size(), 1);
        const std::int32_t first = seenByOthers[0].toInt();
        QVERIFY(first == a || first == b);
        QCOMPARE(stored(first == a ? b : a), QStringLiteral("3/0"));
        QCOMPARE(sb.spy->count(), 0);
    }

    // A change through the entry form refreshes the card on screen by its
    // number; what the learner has typed or revealed stays to be graded.
    void changeRefreshesOnlyWhatIsShown_data()
    {
        QTest::addColumn<QString>("typed"); // "view": revealed instead
        QTest::addColumn<QString>("answerAfter");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing typed") << "" << "" << "0-D--00." << "4/0";
        QTest::newRow("something typed") << "mai" << "palais" << "D-0--00." << "4/0";
        QTest::newRow("revealed") << "view" << "palais" << "0--D100." << "1/0";
    }
    void changeRefreshesOnlyWhatIsShown()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answerAfter);
        QFETCH(QString, state);
        QFETCH(QString, expected);
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
            c.MSatz = QStringLiteral("Neuer Satz");
            c.FSatz = QStringLiteral("nouvelle phrase");
            Records::saveCard(c);
        });
        practise(3, [&](Practice &p) {
            typed == QLatin1String("view") ? p.click("btnView") : p.type(typed);
            p.click("btnChange");
            QVERIFY(!AppState::instance().EditMode);
            QCOMPARE(p.line("txtIVok")->text(), answerAfter);
            QCOMPARE(p.line("txtDVok")->text(), QStringLiteral("Palast"));
            QCOMPARE(p.window().findChild<QPlainTextEdit *>(QStringLiteral("txtDSatz"))->toPlainText(),
                     QStringLiteral("Neuer Satz"));
            // The sentence asked about stays hidden until the card is shown whole.
            QCOMPARE(p.window().findChild<QPlainTextEdit *>(QStringLiteral("txtISatz"))->toPlainText(),
                     typed == QLatin1String("view") ? QStringLiteral("nouvelle phrase") : QString());
            QCOMPARE(p.state(), state);
            if (typed == QLatin1String("view"))
                return p.click("btnFalsch");
            p.click(typed.isEmpty() ? "btnView" : "btnKorrektur");
            p.click(typed.isEmpty() ? "btnRichtig" : "btnWeiter");
        });
        QVERIFY(editMode);
        QCOMPARE(editVNr, vnr);
        // The change leaves the card's count as it was loaded.
        QCOMPARE(stored(vnr), expected);
    }
};

QTEST_MAIN(TestFrmVokabel)
#include "tst_frmvokabel.moc"
