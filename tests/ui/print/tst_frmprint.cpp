// SPDX-License-Identifier: GPL-3.0-or-later
// The print window: saving and loading the layout, printer trouble, and
// printing into a real PDF file.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "ui/print/frmPrint.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Settings.h"

#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>

namespace {

const QStringList kBars{"hscLeft", "hscTop", "hscX", "hscY", "hscXGap", "hscYGap"};
struct Word
{
    int page = 0;
    QPointF topLeftMm;
};

// Every word of a PDF by its text, positions in mm from the page's corner.
QHash<QString, Word> wordsOf(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression token(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">([^<]*)</word>"));
    const qreal mm = 25.4 / 72;
    QHash<QString, Word> words;
    int page = 0;
    for (auto it = token.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page")))
            ++page;
        else if (!words.contains(m.captured(3))) // the first of words printed more than once
            words.insert(m.captured(3), Word{page, QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * mm});
    }
    return words;
}

} // namespace

class TestFrmPrint : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    LanguageTable t;

    static QScrollBar *bar(QWidget &w, const QString &name) { return w.findChild<QScrollBar *>(name); }
    static QList<int> bars(QWidget &w)
    {
        QList<int> v;
        for (const QString &name : kBars)
            v << bar(w, name)->value();
        return v;
    }
    static void click(QWidget &w, const char *name)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    static QList<int> inForce()
    {
        const AppState &a = AppState::instance();
        return {a.xRand, a.yRand, a.xCard, a.yCard, a.xGap, a.yGap};
    }

    // Compartment 2 holding cards w00, Satz 0, Wört00 and on, open as the
    // print command opens it.
    void openCompartment(int cards)
    {
        t.create(Places::databasePath());
        for (int i = 0; i < cards; ++i) {
            VocabularyRecord card;
            card.FVok = QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0'));
            card.FSatz = QStringLiteral("Satz %1").arg(i);
            card.MVok = QStringLiteral("Wört%1").arg(i, 2, 10, QLatin1Char('0'));
            card.Fach = 2;
            Records::addCard(card);
        }
        t.openCompartment(2);
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
    void cleanup() { t.close(sb); }

    void saveAndLoadPersonalLayouts()
    {
        frmPrint w;
        w.show();
        click(w, "btnLoad"); // nothing saved yet: the defaults
        QCOMPARE(bars(w), (QList<int>{10, 10, 74, 52, 0, 0}));
        bar(w, "hscLeft")->setValue(12);
        bar(w, "hscYGap")->setValue(2);
        click(w, "btnSave");
        QCOMPARE(sb.setting(QStringLiteral("Druck/xRand")), QStringLiteral("12"));
        QCOMPARE(sb.setting(QStringLiteral("Druck/yGap")), QStringLiteral("2"));
        bar(w, "hscX")->setValue(60); // not saved
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
        QCOMPARE(bars(w), (QList<int>{12, 20, 74, 52, 0, 2}));
        // The defaults are put in force, not saved.
        click(w, "btnDefault");
        QCOMPARE(inForce(), (QList<int>{10, 10, 74, 52, 0, 0}));
        QCOMPARE(sb.setting(QStringLiteral("Druck/xRand")), QStringLiteral("12"));
    }

    // The learner cancels the printer choice, or the printer cannot start:
    // the run ends at once, with a message only for the printer.
    void printerTroubleEndsTheRunAtOnce()
    {
        openCompartment(1);
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
        openCompartment(11);
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

        QCOMPARE(sb.spy->count(), 1); // the question to turn the sheets over

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
    }
};

QTEST_MAIN(TestFrmPrint)
#include "tst_frmprint.moc"
