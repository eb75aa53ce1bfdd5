// The window opener and the standard dialogs, as tests meet them: through
// their responders, without a modal loop.
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "core/Random.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestWindows : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::unique_ptr<QWidget> cardBox;
    int refreshes = 0;

    static void click(QDialog &w, const char *name)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }

private slots:
    void init()
    {
        sb.start();
        refreshes = 0;
        cardBox = std::make_unique<QWidget>();
        cardBox->show();
        Windows::setCardBox(cardBox.get(), [this] { ++refreshes; });
    }
    void cleanup()
    {
        Windows::setCardBox(nullptr, {});
        cardBox.reset();
        Random::pinSeed(std::nullopt);
        sb.stop();
    }

    // The sound-folder window opens the help viewer from its help button:
    // both come to the test in turn, nested, and only the outer one, opened
    // from the card box window, has the card box recounted.
    void aWindowOpensANestedWindow()
    {
        QString helpShown;
        int refreshesWhileHelpOpen = -1;
        sb.windows->onOpen(QStringLiteral("frmSPfad"), [&](QDialog &w) {
            QCOMPARE(w.parentWidget(), cardBox.get());
            click(w, "btnHelp");
            QVERIFY(w.isVisible());
            click(w, "btnOk");
        });
        sb.windows->onOpen(QStringLiteral("frmHelp"), [&](QDialog &w) {
            helpShown = AppState::instance().HelpFile;
            QVERIFY(w.parentWidget() && w.parentWidget()->objectName() == QStringLiteral("frmSPfad"));
            refreshesWhileHelpOpen = refreshes;
            click(w, "btnExit");
        });
        const Windows::Outcome outcome = Windows::open(Windows::Kind::SoundFolder, cardBox.get());

        QCOMPARE(outcome.result, int(QDialog::Accepted));
        QCOMPARE(sb.windows->opened(), (QStringList{QStringLiteral("frmSPfad"), QStringLiteral("frmHelp")}));
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::SoundFolder, Windows::Kind::Help}));
        QCOMPARE(helpShown, Places::helpFile(QStringLiteral("Spfad.rtf")));
        QCOMPARE(refreshesWhileHelpOpen, 0);
        QCOMPARE(refreshes, 1);
        QVERIFY(!QApplication::overrideCursor());
        // Ok confirmed the folder; its message came with the window still up.
        QCOMPARE(sb.spy->last().title, QStringLiteral("Neuer Sound-Pfad"));
    }

    void aRefusedWindowOpensNothing()
    {
        const auto k = Windows::Kind::Help;
        sb.windows->refuse(k);
        QSignalSpy announced(&Windows::notifier(), &Windows::Notifier::windowRequested);
        bool closedRan = false;
        const Windows::Outcome outcome =
            Windows::open(k, cardBox.get(), [&](QDialog &) { closedRan = true; });
        QVERIFY(!outcome.opened);
        QCOMPARE(announced.count(), 0);
        QVERIFY(!closedRan);
        QCOMPARE(refreshes, 0);
    }

    // What the learner chose is read while the window still exists, before
    // the card box is recounted; a window the test leaves open is closed.
    void closedRunsBeforeTheRecountAndOpenWindowsAreClosed()
    {
        sb.windows->onOpen(QStringLiteral("frmAbout"), [](QDialog &) {});
        QString closedWith;
        int refreshesAtClose = -1;
        const Windows::Outcome outcome = Windows::open(Windows::Kind::About, cardBox.get(), [&](QDialog &w) {
            closedWith = w.objectName();
            QVERIFY(!w.isVisible());
            refreshesAtClose = refreshes;
        });
        QCOMPARE(outcome.result, int(QDialog::Rejected));
        QCOMPARE(closedWith, QStringLiteral("frmAbout"));
        QCOMPARE(refreshesAtClose, 0);
        QCOMPARE(refreshes, 1);
        QCOMPARE(cardBox->findChildren<QDialog *>().size(), 0);

        // A window with another parent leaves the card box alone.
        QWidget elsewhere;
        Windows::open(Windows::Kind::About, &elsewhere);
        QCOMPARE(refreshes, 1);
    }

    // Each practice is seeded anew as it is asked for, so a pinned seed
    // gives every practice the same order and the clock gives each its own.
    void practiceIsSeededEachTime()
    {
        Random::pinSeed(1234);
        Random::seedFromClock();
        const double first = Random::next();
        Windows::open(Windows::Kind::Practice, cardBox.get());
        QCOMPARE(Random::next(), first);
        Random::seed(99);
        const double unseeded = Random::next();
        Random::seed(99);
        Windows::open(Windows::Kind::About, cardBox.get());
        QCOMPARE(Random::next(), unseeded);
    }

    // Each standard dialog and the printer dialog get the request they were
    // asked with and return the test's answer; Cancel (no answer) gives
    // nothing.
    void standardDialogsAreAnswered()
    {
        const QFont start(QStringLiteral("DejaVu Sans"), 10);
        const QFont chosen(QStringLiteral("DejaVu Serif"), 14);
        const QString pdf = sb.work->file(QStringLiteral("karten.pdf"));
        sb.dialogs->answer(QVariant::fromValue(chosen));
        sb.dialogs->answer(QVariant());
        sb.dialogs->answer([&](const Dialogs::Request &r) {
            r.printer->setOutputFileName(pdf);
            return QVariant(true);
        });
        QCOMPARE(Dialogs::font(start, cardBox.get(), QStringLiteral("Schrift")), std::optional<QFont>(chosen));
        QCOMPARE(Dialogs::openFile(QStringLiteral("Öffnen"), QStringLiteral("/tmp"), QStringLiteral("Wave (*.wav)")),
                 QString());
        QPrinter printer;
        QVERIFY(Dialogs::printer(printer));
        QCOMPARE(printer.outputFileName(), pdf);
        QVERIFY(!Dialogs::printer(printer));

        const QList<Dialogs::Request> &asked = sb.dialogs->asked();
        QCOMPARE(asked.size(), 4);
        QCOMPARE(asked[0].font, start);
        QCOMPARE(asked[0].parent, cardBox.get());
        QCOMPARE(asked[1].filter, QStringLiteral("Wave (*.wav)"));
        QCOMPARE(asked[2].printer, &printer);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
