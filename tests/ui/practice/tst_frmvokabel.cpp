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
    void retype(const QString &text)
    {
        answer()->clear();
        type(text);
    }
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

    void useTable(const QString &foreign = QStringLiteral("Französisch"))
    {
        const QString table = QStringLiteral("t") + foreign;
        Catalogue::CreateLanguageTable(*db, table);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.NativeLanguage = QStringLiteral("Deutsch");
        a.ForeignLanguage = foreign;
        a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
        a.Abfrage = 1;
        a.Repeats = 1;
        a.Versuche = 1;
    }
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
        auto rs = db->openRecordset(QStringLiteral("Select Fach, gewusst from %1 where VNr = %2")
                                        .arg(Records::sqlTable())
                                        .arg(vnr));
        if (rs->eof())
            return QStringLiteral("gone");
        return rs->text(QStringLiteral("Fach")) + QLatin1Char('/') + rs->text(QStringLiteral("gewusst"));
    }
    void effectSounds()
    {
        for (const char *name : {"wah.wav", "drum.wav"})
            QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/../../resources/sounds/") + QLatin1String(name),
                        sb.work->file(QLatin1String(name)));
    }
    int played(const QString &file) const
    {
        return int(tone->log().filter(QRegularExpression(QStringLiteral("^play .*/") + QRegularExpression::escape(file)
                                                         + QStringLiteral(" ")))
                       .size());
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
            QCOMPARE(w.windowTitle(), QStringLiteral("Vokabeln üben - Fach %1 - 0 von %2")
                                          .arg(fach)
                                          .arg(a.CompartmentRecordset->rowCount()));
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
        useTable();
        effectSounds();
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

    void everyOrderIsEquallyLikely()
    {
        Random::seed(7);
        const QVector<std::int32_t> cards{1, 2, 3};
        std::map<QVector<std::int32_t>, int> seen;
        const int rounds = 6000;
        for (int i = 0; i < rounds; ++i)
            ++seen[frmVokabel::shuffled(cards)];
        QCOMPARE(int(seen.size()), 6);
        // 1000 expected each; five standard deviations are about 150.
        for (const auto &[order, count] : seen)
            QVERIFY2(count > 850 && count < 1150, qPrintable(QString::number(count)));
    }

    // More cards than a 16-bit count holds, with numbers above 32,767.
    void aLargeCompartmentIsShuffledWhole()
    {
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
            if (asked.size() == 2) {
                p.click("btnExit");
                return;
            }
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
        QCOMPARE(titles.size(), 4);
        // The mark counts as right at opening: the first card is the first.
        QCOMPARE(titles.first(), QStringLiteral("Vokabeltrainer - Fach 1 - 1 von 2"));
        QCOMPARE(titles.last(), QStringLiteral("Vokabeltrainer - Fach 1 - 2 von 2"));
        QCOMPARE(stored(haus), QStringLiteral("2/0"));
        QCOMPARE(stored(baum), QStringLiteral("2/0"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Geschafft!") + kCrLf + kCrLf + QStringLiteral("richtig: 2")
                                          + kCrLf + QStringLiteral("falsch: 2"));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(sb.spy->last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(played(QStringLiteral("drum.wav")), 1);
    }

    // Elsewhere each card is asked once; one not known falls back to 1.
    void higherCompartmentAsksEachCardOnce()
    {
        const auto one = card(QStringLiteral("chien"), QStringLiteral("Hund"), 3);
        QStringList rests;
        const QStringList titles = practise(3, [&](Practice &p) {
            p.type(QStringLiteral("chat"));
            p.click("btnKorrektur");
            rests << p.text("lblRest") + QLatin1Char('/') + p.text("lblFalsch") + QLatin1Char('/')
                    + p.text("lblRichtig");
            p.click("btnWeiter");
        });
        QCOMPARE(rests, QStringList{QStringLiteral("0/1/0")});
        QCOMPARE(titles, QStringList{QStringLiteral("Vokabeltrainer - Fach 3 - 1 von 1")});
        QCOMPARE(stored(one), QStringLiteral("1/0"));
        QCOMPARE(sb.spy->last().text, QStringLiteral("richtig: 0") + kCrLf + QStringLiteral("falsch: 1"));
        QCOMPARE(played(QStringLiteral("drum.wav")), 0);
        QCOMPARE(played(QStringLiteral("wah.wav")), 1);
    }

    void repeatsCountAcrossPractices()
    {
        AppState::instance().Repeats = 3;
        const auto vnr = card(QStringLiteral("chien"), QStringLiteral("Hund"), 2, 1);
        QStringList counts;
        const Learner right = [&](Practice &p) {
            counts << p.text("lblnOk");
            p.type(QStringLiteral("Chien"));
            p.enter();
            p.click("btnWeiter");
        };
        practise(2, right);
        QCOMPARE(stored(vnr), QStringLiteral("2/2"));
        practise(2, right);
        QCOMPARE(stored(vnr), QStringLiteral("3/0"));
        QCOMPARE(counts, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    }

    // The grading table, by self-assessment and by typed answer.
    void grading_data()
    {
        QTest::addColumn<int>("fach");
        QTest::addColumn<int>("gewusst");
        QTest::addColumn<int>("repeats");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("rest");
        QTest::newRow("below the threshold") << 4 << 0 << 3 << "richtig" << "4/1" << "1";
        QTest::newRow("at the threshold") << 4 << 2 << 3 << "typed" << "5/0" << "0";
        QTest::newRow("repeats lowered under the count") << 4 << 4 << 1 << "richtig" << "5/0" << "0";
        QTest::newRow("last compartment, richtig") << 7 << 2 << 3 << "richtig" << "7/0" << "1";
        QTest::newRow("last compartment, typed") << 7 << 2 << 3 << "typed" << "7/2" << "1";
        QTest::newRow("last compartment, falsch") << 7 << 2 << 3 << "falsch" << "1/0" << "0";
    }
    void grading()
    {
        QFETCH(int, fach);
        QFETCH(int, gewusst);
        QFETCH(int, repeats);
        QFETCH(QString, how);
        QFETCH(QString, expected);
        QFETCH(QString, rest);
        AppState::instance().Repeats = std::int16_t(repeats);
        const auto vnr = card(QStringLiteral("chien"), QStringLiteral("Hund"), fach, gewusst);
        QString restShown;
        practise(fach, [&](Practice &p) {
            if (how == QLatin1String("typed")) {
                p.type(QStringLiteral("chien"));
                p.click("btnKorrektur");
                restShown = p.text("lblRest");
                p.click("btnWeiter");
            } else {
                p.click("btnView");
                p.click(how == QLatin1String("richtig") ? "btnRichtig" : "btnFalsch");
                restShown = p.text("lblRest");
            }
        });
        QCOMPARE(stored(vnr), expected);
        QCOMPARE(restShown, rest);
    }

    // ------------------------------------------------------ typed answers

    void answerTest_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("right");
        QTest::newRow("case ignored") << "Haus" << "haus" << true;
        QTest::newRow("longer, short") << "Haus" << "Hause" << false;
        QTest::newRow("contained, 8 characters") << "dog" << "the dogs" << true;
        QTest::newRow("contained, 7 characters") << "dog" << "the dog" << false;
        QTest::newRow("leading blank") << "dog" << " dog" << false;
        QTest::newRow("shorter than stored") << "house" << "hous" << false;
        QTest::newRow("umlauts folded") << "äpfel" << "ÄPFEL" << true;
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

    // Failed tests before the last attempt leave no trace but the sound.
    void attempts_data()
    {
        QTest::addColumn<int>("versuche");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("wah");
        QTest::addColumn<QString>("counters"); // richtig/falsch
        QTest::addColumn<QString>("expected");
        QTest::newRow("1: first failure is final") << 1 << QStringList{"Hause"} << 1 << "0/1" << "1/0";
        QTest::newRow("2: one retry, then wrong") << 2 << QStringList{"Hause", "Hausen"} << 2 << "0/1" << "1/0";
        QTest::newRow("2: a retry that is right") << 2 << QStringList{"Hause", "haus"} << 1 << "1/0" << "4/0";
        QTest::newRow("3: Enter again without change") << 3 << QStringList{"Hause", "", "haus"} << 2 << "1/0"
                                                       << "4/0";
        QTest::newRow("3: three failures") << 3 << QStringList{"a", "b", "c"} << 3 << "0/1" << "1/0";
    }
    void attempts()
    {
        QFETCH(int, versuche);
        QFETCH(QStringList, answers);
        QFETCH(int, wah);
        QFETCH(QString, counters);
        QFETCH(QString, expected);
        AppState &a = AppState::instance();
        a.Versuche = std::int16_t(versuche);
        a.Abfrage = 2;
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3);
        QStringList states;
        practise(3, [&](Practice &p) {
            for (const QString &answer : answers) {
                if (!answer.isEmpty())
                    p.retype(answer);
                p.enter();
                states << p.state();
                // A failed attempt with more to come leaves it to be typed over.
                if (states.last().endsWith(QLatin1Char('K')) && states.last().startsWith(QLatin1Char('D')))
                    QCOMPARE(p.answer()->selectedText(), p.answer()->text());
            }
            QCOMPARE(p.text("lblRichtig") + QLatin1Char('/') + p.text("lblFalsch"), counters);
            QCOMPARE(p.line("txtDVok")->text(), QStringLiteral("Haus"));
            p.click("btnWeiter");
        });
        // Every attempt but the last leaves the answer selected for retyping.
        for (int i = 0; i + 1 < states.size(); ++i)
            QCOMPARE(states[i], QStringLiteral("D-0--00K"));
        QCOMPARE(states.last().left(7), QStringLiteral("-D0--00"));
        QCOMPARE(played(QStringLiteral("wah.wav")), wah);
        QCOMPARE(stored(vnr), expected);
    }

    // ------------------------------------------------------ the states

    void states_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("question") << QStringList{} << "0-D--00.";
        QTest::newRow("typing") << QStringList{"type:mai"} << "D-0--00.";
        QTest::newRow("emptied again") << QStringList{"type:m", "clear"} << "0-D--00.";
        QTest::newRow("retry") << QStringList{"type:x", "test"} << "D-0--00K";
        QTest::newRow("typing after a retry") << QStringList{"type:x", "test", "type:y"} << "D-0--00.";
        QTest::newRow("tested right") << QStringList{"type:maison", "test"} << "-D0--11O";
        QTest::newRow("tested wrong") << QStringList{"type:x", "test", "test"} << "-D0--11K";
        QTest::newRow("revealed") << QStringList{"view"} << "0--D111.";
        QTest::newRow("Enter reveals an empty answer") << QStringList{"enter"} << "0--D111.";
        QTest::newRow("Enter tests a typed one") << QStringList{"type:maison", "enter"} << "-D0--11O";
    }
    void states()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        AppState::instance().Versuche = 2;
        QDir().mkpath(sb.work->file(QStringLiteral("Französisch")));
        const QString word = QStringLiteral(".\\Französisch\\FrV1.wav");
        QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/sound/float16k.wav"),
                    sb.work->file(QStringLiteral("Französisch/FrV1.wav")));
        card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, 0, 0, word, QStringLiteral(".\\nowhere.wav"));
        QString state;
        bool readOnly = false;
        practise(3, [&](Practice &p) {
            for (const QString &step : steps) {
                if (step.startsWith(QLatin1String("type:")))
                    p.type(step.mid(5));
                else if (step == QLatin1String("clear"))
                    QTest::keyClick(p.answer(), Qt::Key_Backspace);
                else if (step == QLatin1String("test"))
                    p.click("btnKorrektur");
                else if (step == QLatin1String("view"))
                    p.click("btnView");
                else if (step == QLatin1String("enter"))
                    p.enter();
            }
            state = p.state();
            readOnly = p.line("txtDVok")->isReadOnly() && p.line("txtIVok")->isReadOnly();
            p.click("btnExit");
        });
        QCOMPARE(state, expected);
        // Once the card is shown whole, neither word can be typed over.
        QCOMPARE(readOnly, expected[0] == QLatin1Char('-') || expected[2] == QLatin1Char('-'));
        // Leaving writes nothing for the card on screen and shows no summary.
        QCOMPARE(stored(1), QStringLiteral("3/0"));
        QCOMPARE(sb.spy->count(), 0);
        // The foreign word was asked: its sound plays as the card is shown.
        QCOMPARE(played(QStringLiteral("FrV1.wav")), expected.contains(QLatin1String("11")) ? 1 : 0);
    }

    // The native word asked: the word's sound waits for "Play".
    void soundsWhenTheNativeWordIsAsked()
    {
        AppState::instance().Abfrage = 2;
        QDir().mkpath(sb.work->file(QStringLiteral("Französisch")));
        QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/sound/float16k.wav"),
                    sb.work->file(QStringLiteral("Französisch/FrV1.wav")));
        card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, 0, 0, QStringLiteral(".\\Französisch\\FrV1.wav"),
             QStringLiteral(".\\Französisch\\missing.wav"));
        practise(3, [&](Practice &p) {
            p.click("btnView");
            QCOMPARE(played(QStringLiteral("FrV1.wav")), 0);
            p.click("btnIVokSound");
            QCOMPARE(played(QStringLiteral("FrV1.wav")), 1);
            p.click("btnISatzSound"); // a file that is not there
            p.click("btnRichtig");
        });
        QVERIFY(tone->log().contains(QRegularExpression(QStringLiteral("^stop .*/FrV1.wav"))));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(stored(1), QStringLiteral("4/0"));
    }

    // ---------------------------------------------------- directions

    void queryDirection_data()
    {
        QTest::addColumn<int>("abfrage");
        QTest::addColumn<QString>("directions");
        QTest::newRow("foreign word asked") << 1 << "F";
        QTest::newRow("native word asked") << 2 << "N";
        QTest::newRow("both") << 3 << "FN";
    }
    void queryDirection()
    {
        QFETCH(int, abfrage);
        QFETCH(QString, directions);
        AppState::instance().Abfrage = std::int16_t(abfrage);
        card(QStringLiteral("maison"), QStringLiteral("Haus"), 1);
        QSet<QChar> seen;
        int rounds = 0;
        // The same card, again and again: each showing draws its own side.
        practise(1, [&](Practice &p) {
            seen << (p.askNative() ? QLatin1Char('N') : QLatin1Char('F'));
            QCOMPARE(p.answer()->text(), QString());
            QVERIFY(!p.answer()->isReadOnly());
            QCOMPARE(p.shown(), p.askNative() ? QStringLiteral("maison") : QStringLiteral("Haus"));
            p.click("btnView");
            p.click(++rounds < 30 ? "btnFalsch" : "btnRichtig");
        });
        QCOMPARE(seen.size(), directions.size());
        for (QChar c : directions)
            QVERIFY(seen.contains(c));
    }

    // --------------------------------------------------- bad cards

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

    void aCardDeletedWhileWaitingIsPassedOver()
    {
        const char *words[] = {"un", "deux", "trois", "quatre"};
        QList<std::int32_t> cards;
        for (const char *w : words)
            cards << card(QLatin1String(w), QLatin1String(w), 3);
        QStringList asked;
        practise(3, [&](Practice &p) {
            asked << p.shown();
            if (asked.size() == 1) {
                // Two of the cards still waiting go while the first is asked.
                const QString first = asked[0];
                int deleted = 0;
                for (int i = 0; i < cards.size() && deleted < 2; ++i) {
                    if (QLatin1String(words[i]) != first) {
                        Records::deleteCard(cards[i]);
                        ++deleted;
                    }
                }
            }
            p.click("btnView");
            p.click("btnRichtig");
        });
        QCOMPARE(asked.size(), 2);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Geschafft!") + kCrLf + kCrLf + QStringLiteral("richtig: 2")
                                          + kCrLf + QStringLiteral("falsch: 0"));
    }

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

    // ------------------------------------------------ storing and leaving

    // What "Weiter" stored is in the file at once, for any other reader.
    void eachResultIsCommittedAtOnce()
    {
        const auto a = card(QStringLiteral("un"), QStringLiteral("eins"), 3);
        const auto b = card(QStringLiteral("deux"), QStringLiteral("zwei"), 3);
        QStringList seenByOthers;
        practise(3, [&](Practice &p) {
            if (seenByOthers.size() == 1) {
                p.click("btnExit");
                return;
            }
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

    void changeRefreshesOnlyWhatIsShown_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answerAfter");
        QTest::newRow("nothing typed") << "" << "";
        QTest::newRow("something typed") << "mai" << "palais";
    }
    void changeRefreshesOnlyWhatIsShown()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answerAfter);
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, 1);
        bool editMode = false;
        std::int32_t editVNr = 0;
        // A stand-in for the entry form: it changes the card as it opens.
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind != Windows::Kind::Entry)
                return;
            editMode = AppState::instance().EditMode;
            editVNr = AppState::instance().EditVNr;
            VocabularyRecord c;
            c.VNr = vnr;
            c.FVok = QStringLiteral("palais");
            c.MVok = QStringLiteral("Palast");
            c.MSatz = QStringLiteral("Neuer Satz");
            c.Artikel = QStringLiteral("le");
            Records::saveCard(c);
        });
        sb.windows->refuse(Windows::Kind::Entry);
        QString state;
        practise(3, [&](Practice &p) {
            p.type(typed);
            p.click("btnChange");
            QVERIFY(!AppState::instance().EditMode);
            QCOMPARE(p.line("txtIVok")->text(), answerAfter);
            QCOMPARE(p.line("txtDVok")->text(), QStringLiteral("Palast"));
            QCOMPARE(p.window().findChild<QPlainTextEdit *>(QStringLiteral("txtDSatz"))->toPlainText(),
                     QStringLiteral("Neuer Satz"));
            QCOMPARE(p.window().findChild<QPlainTextEdit *>(QStringLiteral("txtISatz"))->toPlainText(), QString());
            state = p.state();
            if (typed.isEmpty()) {
                p.click("btnView");
            } else {
                p.click("btnKorrektur");
                QCOMPARE(p.line("txtArtikel")->text(), QStringLiteral("le"));
            }
            p.click(typed.isEmpty() ? "btnRichtig" : "btnWeiter");
        });
        QVERIFY(editMode);
        QCOMPARE(editVNr, vnr);
        QCOMPARE(state, typed.isEmpty() ? QStringLiteral("0-D--00.") : QStringLiteral("D-0--00."));
        // The change leaves the card's count as it was loaded.
        QCOMPARE(stored(vnr), QStringLiteral("4/0"));
    }

    // A revealed card stays to be graded by the learner after a change.
    void changeAfterThePreviewKeepsTheGrading()
    {
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3);
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind != Windows::Kind::Entry)
                return;
            VocabularyRecord c;
            c.VNr = vnr;
            c.FVok = QStringLiteral("palais");
            Records::saveCard(c);
        });
        sb.windows->refuse(Windows::Kind::Entry);
        practise(3, [&](Practice &p) {
            p.click("btnView");
            p.click("btnChange");
            QCOMPARE(p.line("txtIVok")->text(), QStringLiteral("palais"));
            QCOMPARE(p.state(), QStringLiteral("0--D100."));
            p.click("btnFalsch");
        });
        QCOMPARE(stored(vnr), QStringLiteral("1/0"));
    }

    // The entry form may delete the card on screen: it is then not stored,
    // and the practice goes on with the next one.
    void aCardDeletedWhileOnScreenIsNotStored()
    {
        const auto gone = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3);
        const auto kept = card(QStringLiteral("arbre"), QStringLiteral("Baum"), 3);
        sb.windows->onRequest([&](Windows::Kind kind) {
            if (kind == Windows::Kind::Entry)
                Records::deleteCard(AppState::instance().EditVNr);
        });
        sb.windows->refuse(Windows::Kind::Entry);
        practise(3, [&](Practice &p) {
            if (p.shown() == QLatin1String("Haus"))
                p.click("btnChange");
            p.click("btnView");
            p.click("btnRichtig");
        });
        QCOMPARE(stored(gone), QStringLiteral("gone"));
        QCOMPARE(stored(kept), QStringLiteral("4/0"));
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY(sb.spy->last().text.startsWith(QLatin1String("Geschafft!")));
    }

    void aNullCountIsRepairedWhenShown()
    {
        const auto vnr = card(QStringLiteral("maison"), QStringLiteral("Haus"), 3, QVariant());
        practise(3, [&](Practice &p) {
            QCOMPARE(p.text("lblnOk"), QStringLiteral("0"));
            QCOMPARE(stored(vnr), QStringLiteral("3/0"));
            p.click("btnExit");
        });
    }

    // ------------------------------------------------------- the window

    void articleFieldOnlyForOtherLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("article");
        QTest::newRow("Englisch") << "Englisch" << false;
        QTest::newRow("englisch") << "englisch" << true;
        QTest::newRow("Französisch") << "Französisch" << true;
    }
    void articleFieldOnlyForOtherLanguages()
    {
        QFETCH(QString, language);
        QFETCH(bool, article);
        AppState::instance().ForeignLanguage = language;
        frmVokabel w;
        const auto *artikel = w.findChild<QLineEdit *>(QStringLiteral("txtArtikel"));
        const auto *foreign = w.findChild<QLineEdit *>(QStringLiteral("txtIVok"));
        const auto *native = w.findChild<QLineEdit *>(QStringLiteral("txtDVok"));
        QCOMPARE(!artikel->isHidden(), article);
        QCOMPARE(foreign->width() == native->width(), !article);
        QVERIFY(foreign->geometry().right() < artikel->geometry().left() || !article);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblForeign"))->text(), language);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblMother"))->text(), QStringLiteral("Deutsch"));
    }
};

QTEST_MAIN(TestFrmVokabel)
#include "tst_frmvokabel.moc"
