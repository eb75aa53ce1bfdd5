// The print window: what it loads, the scroll bars' checks, the layout
// buttons, and printing into a real PDF file.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "print/frmPrint.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Settings.h"

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>

namespace {

const QStringList kBars{"hscLeft", "hscTop", "hscX", "hscY", "hscXGap", "hscYGap"};
const QStringList kLabels{"lblLeft", "lblTop", "lblX", "lblY", "lblXGap", "lblYGap"};

struct Word
{
    int page = 0;
    QPointF topLeftMm;
    qreal heightMm = 0;
};

// Every word of a PDF by its text, positions in mm from the page's corner.
QHash<QString, Word> wordsOf(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression token(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    const qreal mm = 25.4 / 72;
    QHash<QString, Word> words;
    int page = 0;
    for (auto it = token.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page")))
            ++page;
        else if (!words.contains(m.captured(4))) // the first of words printed more than once
            words.insert(m.captured(4), Word{page, QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * mm,
                                             (m.captured(3).toDouble() - m.captured(2).toDouble()) * mm});
    }
    return words;
}

} // namespace

class TestFrmPrint : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::shared_ptr<store::Database> db;

    static QScrollBar *bar(QWidget &w, const QString &name) { return w.findChild<QScrollBar *>(name); }
    static void click(QWidget &w, const char *name)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    static QList<int> shown(QWidget &w)
    {
        QList<int> v;
        for (const QString &l : kLabels)
            v << w.findChild<QLabel *>(l)->text().toInt();
        return v;
    }
    static QList<int> inForce()
    {
        const AppState &a = AppState::instance();
        return {a.xRand, a.yRand, a.xCard, a.yCard, a.xGap, a.yGap};
    }
    static void setInForce(const QList<int> &v)
    {
        AppState &a = AppState::instance();
        for (auto [member, i] : {std::pair{&AppState::xRand, 0}, {&AppState::yRand, 1}, {&AppState::xCard, 2},
                                 {&AppState::yCard, 3}, {&AppState::xGap, 4}, {&AppState::yGap, 5}})
            a.*member = std::int16_t(v[i]);
    }

    // Compartment 2 holding these cards (foreign word, sentence, native
    // word), open as the print command opens it.
    void openCompartment(const QList<QStringList> &cards)
    {
        db = store::Database::create(Places::databasePath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = QStringLiteral("tEnglisch");
        for (const QStringList &c : cards) {
            VocabularyRecord card;
            card.FVok = c[0];
            card.FSatz = c[1];
            card.MVok = c[2];
            card.Fach = 2;
            Records::addCard(card);
        }
        a.CurrentFach = 2;
        a.CompartmentRecordset = Records::openCompartment(2, true);
    }
    void answerPrinterWithFile(const QString &file)
    {
        sb.dialogs->answer([file](const Dialogs::Request &r) {
            r.printer->setOutputFileName(file);
            return QVariant(true);
        });
    }

private slots:
    void init()
    {
        sb.start();
        Settings::LoadPrintLayout();
        AppState::instance().CurrentFach = 3;
    }
    void cleanup()
    {
        db.reset();
        sb.stop();
    }

    // The window shows the layout in force, values out of range put back;
    // a bar moved so far that the cards leave the A4 sheet steps back.
    // Bars: left, top, card width, card height, column gap, row gap; -1
    // moves none.
    void layoutOnTheBars_data()
    {
        QTest::addColumn<QList<int>>("start");
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("card width 120, row gap 60") << QList<int>{5, 6, 120, 40, 2, 60} << -1 << 0
                                                    << QList<int>{5, 6, 74, 40, 2, 10};
        QTest::newRow("every value out") << QList<int>{-1, 51, 49, 61, 51, -1} << -1 << 0
                                         << QList<int>{10, 10, 74, 52, 0, 10};
        QTest::newRow("row gap 40, beyond its bar") << QList<int>{10, 10, 74, 30, 0, 40} << -1 << 0
                                                    << QList<int>{10, 10, 74, 30, 0, 40};
        QTest::newRow("left 50 with card 80 and gap 1: 211") << QList<int>{49, 10, 80, 52, 1, 0} << 0 << 50
                                                             << QList<int>{49, 10, 80, 52, 1, 0};
        QTest::newRow("exactly 210 is taken") << QList<int>{48, 10, 80, 52, 1, 0} << 0 << 49
                                              << QList<int>{49, 10, 80, 52, 1, 0};
        QTest::newRow("card height 56 with top 15: 295") << QList<int>{10, 15, 74, 55, 0, 0} << 3 << 56
                                                         << QList<int>{10, 15, 74, 55, 0, 0};
        QTest::newRow("a row gap counts five times") << QList<int>{10, 10, 74, 56, 0, 0} << 5 << 1
                                                     << QList<int>{10, 10, 74, 56, 0, 0};
        QTest::newRow("a jump keeps the rest of it") << QList<int>{40, 10, 80, 52, 0, 0} << 2 << 88
                                                     << QList<int>{40, 10, 87, 52, 0, 0};
    }
    void layoutOnTheBars()
    {
        QFETCH(QList<int>, start);
        QFETCH(int, moved);
        QFETCH(int, to);
        QFETCH(QList<int>, after);
        setInForce(start);
        frmPrint w;
        w.show();
        if (moved >= 0)
            bar(w, kBars[moved])->setValue(to);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(bar(w, kBars[i])->value(), after[i]);
        QCOMPARE(shown(w), after);
        QCOMPARE(inForce(), after);
        QCOMPARE(bar(w, "hscYGap")->maximum(), qMax(30, after[5]));
    }

    void saveAndLoadPersonalLayouts()
    {
        {
            frmPrint w;
            w.show();
            click(w, "btnLoad"); // nothing saved yet: the defaults, and the message
            QCOMPARE(sb.spy->last().text, QStringLiteral("Ihre presönlichen Format-Einstellungen wurden geladen."));
            QCOMPARE(shown(w), (QList<int>{10, 10, 74, 52, 0, 0}));
            bar(w, "hscLeft")->setValue(12);
            bar(w, "hscYGap")->setValue(2);
            click(w, "btnSave");
            QCOMPARE(sb.spy->last().text, QStringLiteral("Ihre presönlichen Format-Einstellungen wurden gespeichert."));
            QCOMPARE(sb.setting(QStringLiteral("Druck/xRand")), QStringLiteral("12"));
            QCOMPARE(sb.setting(QStringLiteral("Druck/yGap")), QStringLiteral("2"));
            bar(w, "hscX")->setValue(60); // not saved
        }
        // The unsaved change holds for the run; Laden brings back the saved one.
        frmPrint w;
        w.show();
        QCOMPARE(shown(w), (QList<int>{12, 10, 60, 52, 0, 2}));
        click(w, "btnLoad");
        QCOMPARE(inForce(), (QList<int>{12, 10, 74, 52, 0, 2}));
        // A value that is no number is reported, takes its default, and the
        // rest is loaded and shown all the same.
        sb.putSetting(QStringLiteral("Druck/xCard"), QStringLiteral("breit"));
        sb.putSetting(QStringLiteral("Druck/yRand"), QStringLiteral("20"));
        sb.spy->clear();
        click(w, "btnLoad");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QCOMPARE(shown(w), (QList<int>{12, 20, 74, 52, 0, 2}));
        // The defaults are put in force, not saved.
        click(w, "btnDefault");
        QCOMPARE(shown(w), (QList<int>{10, 10, 74, 52, 0, 0}));
        QCOMPARE(inForce(), (QList<int>{10, 10, 74, 52, 0, 0}));
        QCOMPARE(sb.setting(QStringLiteral("Druck/xRand")), QStringLiteral("12"));
    }

    // The learner cancels the printer choice, or the printer cannot start:
    // the run ends at once, with a message only for the printer.
    void printerTroubleEndsTheRunAtOnce()
    {
        openCompartment({{QStringLiteral("house"), QString(), QStringLiteral("Haus")}});
        for (const QString &file : {QString(), QStringLiteral("/no/such/folder/cards.pdf")}) {
            frmPrint w;
            w.show();
            if (file.isEmpty())
                sb.dialogs->answer(QVariant());
            else
                answerPrinterWithFile(file);
            click(w, "btnOk");
            QCOMPARE(sb.dialogs->asked().size(), file.isEmpty() ? 1 : 2); // not asked again
            QCOMPARE(sb.spy->count(), file.isEmpty() ? 0 : 1);
            QVERIFY(w.isVisible() && w.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
        }
        QCOMPARE(sb.spy->last().title, QStringLiteral("Drucker Initialisierung"));
    }

    void printsFrontsThenBacksIntoOneFile_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<int>("pages");
        QTest::newRow("Ok: backs after the fronts") << QMessageBox::Ok << 4;
        QTest::newRow("Cancel: fronts only") << QMessageBox::Cancel << 2;
    }
    void printsFrontsThenBacksIntoOneFile()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(int, pages);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            VOKAMIA_SKIP("pdftotext (poppler-utils) is missing");
        QList<QStringList> cards;
        for (int i = 0; i < 11; ++i)
            cards << QStringList{QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("Satz %1").arg(i),
                                 QStringLiteral("Wört%1").arg(i, 2, 10, QLatin1Char('0'))};
        openCompartment(cards);
        AppState::instance().FremdFont = QStringLiteral("DejaVu Sans");
        AppState::instance().MutterFont = QStringLiteral("DejaVu Serif");
        sb.spy->answer(answer);
        const QString pdf = sb.work->file(QStringLiteral("cards.pdf"));
        answerPrinterWithFile(pdf);
        bool open = false;
        sb.windows->onOpen(QStringLiteral("frmPrint"), [&open](QDialog &w) {
            click(w, "btnOk");
            open = w.isVisible();
        });
        QVERIFY(Windows::open(Windows::Kind::Print, nullptr).opened);
        QVERIFY(open);

        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Vorderseiten werden gerade gedruckt.\nWarten Sie bitte bis die "
                                                     "Vorderseiten vollständig gedruckt sind.\nNach dem Druck "
                                                     "Blatt/Blätter wenden, dann Ok drücken"));
        QCOMPARE(sb.spy->last().buttons, QMessageBox::Ok | QMessageBox::Cancel);

        const QHash<QString, Word> words = wordsOf(pdf);
        struct Expect { const char *text; int page; QPointF mm; };
        QList<Expect> expected{{"w00", 1, {15, 17}}, {"w01", 1, {89, 17}}, {"w10", 2, {15, 17}}, {"Satz", 1, {15, 32}}};
        if (pages == 4)
            expected << Expect{"Wört00", 3, {131, 17}} << Expect{"Wört01", 3, {57, 17}} << Expect{"Wört10", 4, {131, 17}};
        else
            QVERIFY(!words.contains(QStringLiteral("Wört00")));
        for (const Expect &e : expected) {
            const Word got = words.value(QString::fromUtf8(e.text));
            QVERIFY2(got.page == e.page, e.text);
            QVERIFY2((got.topLeftMm - e.mm).manhattanLength() < 1, e.text);
        }
        // Type keeps its size: 14 pt against 10 pt, not both rounded to
        // whole millimetres.
        const qreal ratio = words.value(QStringLiteral("w00")).heightMm / words.value(QStringLiteral("Satz")).heightMm;
        QVERIFY2(qAbs(ratio - 1.4) < 0.05, qPrintable(QString::number(ratio)));
    }
};

QTEST_MAIN(TestFrmPrint)
#include "tst_frmprint.moc"
