// The print window: what it loads, the scroll bars' checks, the preview,
// the layout buttons, and printing into a real PDF file.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "print/frmPrint.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Settings.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>

#include <memory>

namespace {

struct Word
{
    int page;
    QString text;
    QPointF topLeftMm;
    qreal heightMm;
};

const char *const kBars[6] = {"hscLeft", "hscTop", "hscX", "hscY", "hscXGap", "hscYGap"};
const char *const kLabels[6] = {"lblLeft", "lblTop", "lblX", "lblY", "lblXGap", "lblYGap"};

} // namespace

class TestFrmPrint : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::shared_ptr<store::Database> db;

    static QScrollBar *bar(QWidget &w, const char *name) { return w.findChild<QScrollBar *>(QString::fromLatin1(name)); }
    static QString label(QWidget &w, const char *name) { return w.findChild<QLabel *>(QString::fromLatin1(name))->text(); }
    static void click(QWidget &w, const char *name)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    static QList<int> shownValues(QWidget &w)
    {
        QList<int> v;
        for (const char *l : kLabels)
            v << label(w, l).toInt();
        return v;
    }
    static QList<int> appStateValues()
    {
        const AppState &a = AppState::instance();
        return {a.xRand, a.yRand, a.xCard, a.yCard, a.xGap, a.yGap};
    }
    static void setAppState(const QList<int> &v)
    {
        AppState &a = AppState::instance();
        a.xRand = std::int16_t(v[0]);
        a.yRand = std::int16_t(v[1]);
        a.xCard = std::int16_t(v[2]);
        a.yCard = std::int16_t(v[3]);
        a.xGap = std::int16_t(v[4]);
        a.yGap = std::int16_t(v[5]);
    }

    // Compartment 2 of a pair Deutsch - Englisch holding these cards, open
    // as the print command opens it.
    void openCompartment(const QList<VocabularyRecord> &cards)
    {
        db = store::Database::create(Places::databasePath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = QStringLiteral("tEnglisch");
        for (VocabularyRecord card : cards) {
            card.Fach = 2;
            Records::addCard(card);
        }
        a.CurrentFach = 2;
        a.CompartmentRecordset = Records::openCompartment(2, true);
    }

    QString printIntoPdf(frmPrint &w, const QString &name)
    {
        const QString pdf = sb.work->file(name);
        sb.dialogs->answer([pdf](const Dialogs::Request &r) {
            r.printer->setOutputFileName(pdf);
            return QVariant(true);
        });
        click(w, "btnOk");
        return pdf;
    }

    static QList<Word> wordsOf(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return {};
        const QString html = QString::fromUtf8(p.readAllStandardOutput());
        QList<Word> words;
        int page = 0;
        static const QRegularExpression token(
            QStringLiteral("<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
        for (auto it = token.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(0).startsWith(QStringLiteral("<page"))) {
                ++page;
                continue;
            }
            const qreal mm = 25.4 / 72;
            words << Word{page, m.captured(4), QPointF(m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm),
                          (m.captured(3).toDouble() - m.captured(2).toDouble()) * mm};
        }
        return words;
    }
    static int pagesOf(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        p.waitForFinished(60000);
        const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(p.readAll()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
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

    void loadShowsTheLayoutInForce_data()
    {
        QTest::addColumn<QList<int>>("inForce");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("defaults") << QList<int>{10, 10, 74, 52, 0, 0} << QList<int>{10, 10, 74, 52, 0, 0};
        QTest::newRow("card width 120, row gap 60") << QList<int>{5, 6, 120, 40, 2, 60}
                                                    << QList<int>{5, 6, 74, 40, 2, 10};
        QTest::newRow("row gap 40 beyond its bar") << QList<int>{10, 10, 74, 30, 0, 40}
                                                   << QList<int>{10, 10, 74, 30, 0, 40};
    }
    void loadShowsTheLayoutInForce()
    {
        QFETCH(QList<int>, inForce);
        QFETCH(QList<int>, shown);
        setAppState(inForce);
        frmPrint w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Einstellen der Druckoptionen und Ausdrucken für Fach 3"));
        QCOMPARE(shownValues(w), shown);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(bar(w, kBars[i])->value(), shown[i]);
        QCOMPARE(appStateValues(), shown);
        // The row gap's bar keeps its usual reach.
        QCOMPARE(bar(w, "hscYGap")->minimum(), 0);
        QCOMPARE(bar(w, "hscYGap")->maximum(), qMax(30, shown[5]));
    }

    // Each row sets up the other bars, then moves one bar to a position.
    void scrollBarsStepBackOffTheSheet_data()
    {
        QTest::addColumn<QList<int>>("start");
        QTest::addColumn<QByteArray>("moved");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("kept");
        QTest::newRow("left 50 with card 80 and gap 1: 211") << QList<int>{49, 10, 80, 52, 1, 0} << QByteArray("hscLeft") << 50 << 49;
        QTest::newRow("card width to 80 makes 211") << QList<int>{50, 10, 79, 52, 1, 0} << QByteArray("hscX") << 80 << 79;
        QTest::newRow("column gap to 2 makes 211") << QList<int>{49, 10, 80, 52, 1, 0} << QByteArray("hscXGap") << 2 << 1;
        QTest::newRow("exactly 210 is taken") << QList<int>{48, 10, 80, 52, 1, 0} << QByteArray("hscLeft") << 49 << 49;
        QTest::newRow("card height 56 with top 15: 295") << QList<int>{10, 15, 74, 55, 0, 0} << QByteArray("hscY") << 56 << 55;
        QTest::newRow("top 15 with card height 56") << QList<int>{10, 14, 74, 56, 0, 0} << QByteArray("hscTop") << 15 << 14;
        QTest::newRow("row gap 1 counts five times") << QList<int>{10, 10, 74, 56, 0, 0} << QByteArray("hscYGap") << 1 << 0;
        QTest::newRow("a jump keeps the rest of it") << QList<int>{40, 10, 80, 52, 0, 0} << QByteArray("hscX") << 88 << 87;
    }
    void scrollBarsStepBackOffTheSheet()
    {
        QFETCH(QList<int>, start);
        QFETCH(QByteArray, moved);
        QFETCH(int, to);
        QFETCH(int, kept);
        setAppState(start);
        frmPrint w;
        w.show();
        bar(w, moved.constData())->setValue(to);
        QCOMPARE(bar(w, moved.constData())->value(), kept);
        const int i = int(std::find_if(std::begin(kBars), std::end(kBars), [&](const char *b) { return moved == b; })
                          - std::begin(kBars));
        QCOMPARE(label(w, kLabels[i]).toInt(), kept);
        QCOMPARE(appStateValues()[i], kept);
    }

    void previewFollowsTheLayout()
    {
        setAppState({20, 30, 90, 40, 7, 3});
        frmPrint w;
        w.show();
        click(w, "btnDefault");
        QCOMPARE(shownValues(w), (QList<int>{10, 10, 74, 52, 0, 0}));
        QCOMPARE(appStateValues(), (QList<int>{10, 10, 74, 52, 0, 0}));
        QCOMPARE(w.findChild<QFrame *>(QStringLiteral("shpPage"))->property("units").toRect(), QRect(10, 10, 148, 260));
        for (int i = 0; i < 10; ++i) {
            const QRect r = w.findChild<QFrame *>(QStringLiteral("shpCard(%1)").arg(i))->property("units").toRect();
            QCOMPARE(r, QRect(10 + (i % 2) * 74 + 1, 10 + (i / 2) * 52 + 1, 73, 51));
        }
        // A moved bar redraws at once.
        bar(w, "hscXGap")->setValue(5);
        QCOMPARE(w.findChild<QFrame *>(QStringLiteral("shpCard(1)"))->property("units").toRect().left(), 10 + 74 + 5 + 1);
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(sb.setting(QStringLiteral("Druck/xRand")).isEmpty());
    }

    void saveAndLoadPersonalLayouts()
    {
        {
            frmPrint w;
            w.show();
            click(w, "btnLoad"); // nothing saved yet: the defaults, and the message
            QCOMPARE(sb.spy->last().text, QStringLiteral("Ihre presönlichen Format-Einstellungen wurden geladen."));
            QCOMPARE(sb.spy->last().icon, QMessageBox::Information);
            QCOMPARE(shownValues(w), (QList<int>{10, 10, 74, 52, 0, 0}));

            bar(w, "hscLeft")->setValue(12);
            bar(w, "hscYGap")->setValue(2);
            click(w, "btnSave");
            QCOMPARE(sb.spy->last().text, QStringLiteral("Ihre presönlichen Format-Einstellungen wurden gespeichert."));
            QCOMPARE(sb.spy->last().icon, QMessageBox::Information);
            QCOMPARE(sb.setting(QStringLiteral("Druck/xRand")), QStringLiteral("12"));
            QCOMPARE(sb.setting(QStringLiteral("Druck/yGap")), QStringLiteral("2"));

            bar(w, "hscX")->setValue(60); // not saved
        }
        // The unsaved change holds for the run; Laden brings back the saved one.
        frmPrint w;
        w.show();
        QCOMPARE(shownValues(w), (QList<int>{12, 10, 60, 52, 0, 2}));
        click(w, "btnLoad");
        QCOMPARE(shownValues(w), (QList<int>{12, 10, 74, 52, 0, 2}));
        QCOMPARE(appStateValues(), (QList<int>{12, 10, 74, 52, 0, 2}));
    }

    void helpShowsThePrintHelp()
    {
        QString helpFile;
        sb.windows->onOpen(QStringLiteral("frmHelp"), [&helpFile](QDialog &help) {
            helpFile = AppState::instance().HelpFile;
            help.reject();
        });
        frmPrint w;
        w.show();
        click(w, "btnHelp");
        QCOMPARE(helpFile, Places::helpFile(QStringLiteral("print.rtf")));
        QVERIFY(w.isVisible());
    }

    void cancelledPrinterChoiceEndsTheRun()
    {
        VocabularyRecord card;
        card.FVok = QStringLiteral("house");
        card.MVok = QStringLiteral("Haus");
        openCompartment({card});
        frmPrint w;
        w.show();
        sb.dialogs->answer(QVariant());
        click(w, "btnOk");
        QCOMPARE(sb.dialogs->asked().size(), 1); // asked once, not again
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(w.isVisible());
    }

    void printerFailureIsReported()
    {
        VocabularyRecord card;
        card.FVok = QStringLiteral("house");
        card.MVok = QStringLiteral("Haus");
        openCompartment({card});
        frmPrint w;
        w.show();
        sb.dialogs->answer([](const Dialogs::Request &r) {
            r.printer->setOutputFileName(QStringLiteral("/no/such/folder/cards.pdf"));
            return QVariant(true);
        });
        click(w, "btnOk");
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Drucker Initialisierung"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QCOMPARE(sb.dialogs->asked().size(), 1);
        QVERIFY(w.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
    }

    void theOpenerBuildsTheWindow()
    {
        AppState::instance().CurrentFach = 5;
        QString title;
        sb.windows->onOpen(QStringLiteral("frmPrint"), [&title](QDialog &w) {
            title = w.windowTitle();
            w.reject();
        });
        QVERIFY(Windows::open(Windows::Kind::Print, nullptr).opened);
        QCOMPARE(title, QStringLiteral("Einstellen der Druckoptionen und Ausdrucken für Fach 5"));
        QVERIFY(Windows::open(Windows::Kind::Fonts, nullptr).opened);
        QCOMPARE(sb.windows->opened(), (QStringList{"frmPrint", "frmFonts"}));
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
        QList<VocabularyRecord> cards;
        for (int i = 0; i < 11; ++i) {
            VocabularyRecord c;
            c.FVok = QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0'));
            c.FSatz = QStringLiteral("Satz %1").arg(i);
            c.MVok = QStringLiteral("Wört%1").arg(i, 2, 10, QLatin1Char('0'));
            cards << c;
        }
        openCompartment(cards);
        AppState &a = AppState::instance();
        a.FremdFont = QStringLiteral("DejaVu Sans");
        a.MutterFont = QStringLiteral("DejaVu Serif");
        frmPrint w;
        w.show();
        sb.spy->answer(answer);
        const QString pdf = printIntoPdf(w, QStringLiteral("cards.pdf"));

        QCOMPARE(sb.spy->count(), 1);
        const MessageSpy::Shown &q = sb.spy->last();
        QCOMPARE(q.title, QStringLiteral("Bitte warten"));
        QCOMPARE(q.text, QStringLiteral("Die Vorderseiten werden gerade gedruckt.\nWarten Sie bitte bis die "
                                        "Vorderseiten vollständig gedruckt sind.\nNach dem Druck Blatt/Blätter "
                                        "wenden, dann Ok drücken"));
        QCOMPARE(q.icon, QMessageBox::Warning);
        QCOMPARE(q.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(w.isVisible());
        QCOMPARE(pagesOf(pdf), pages);

        const QList<Word> words = wordsOf(pdf);
        auto at = [&words](const QString &text) {
            for (const Word &word : words)
                if (word.text == text)
                    return word;
            return Word{0, {}, {}, 0};
        };
        struct Expect { QString text; int page; QPointF mm; };
        QList<Expect> expected{{QStringLiteral("w00"), 1, {15, 17}}, {QStringLiteral("w01"), 1, {89, 17}},
                               {QStringLiteral("w10"), 2, {15, 17}}, {QStringLiteral("Satz"), 1, {15, 32}}};
        if (pages == 4)
            expected << Expect{QStringLiteral("Wört00"), 3, {131, 17}} << Expect{QStringLiteral("Wört01"), 3, {57, 17}}
                     << Expect{QStringLiteral("Wört10"), 4, {131, 17}};
        for (const Expect &e : expected) {
            const Word got = at(e.text);
            QVERIFY2(got.page == e.page, qPrintable(e.text));
            // The word's box starts at the text origin.
            QVERIFY2(qAbs(got.topLeftMm.x() - e.mm.x()) < 1, qPrintable(e.text));
            QVERIFY2(qAbs(got.topLeftMm.y() - e.mm.y()) < 1, qPrintable(e.text));
        }
        QVERIFY(at(QStringLiteral("Wört00")).page == (pages == 4 ? 3 : 0));
        // Type keeps its size: 14 pt against 10 pt, not both rounded to
        // whole millimetres.
        const qreal ratio = at(QStringLiteral("w00")).heightMm / at(QStringLiteral("Satz")).heightMm;
        QVERIFY2(qAbs(ratio - 1.4) < 0.05, qPrintable(QString::number(ratio)));
    }
};

QTEST_MAIN(TestFrmPrint)
#include "tst_frmprint.moc"
