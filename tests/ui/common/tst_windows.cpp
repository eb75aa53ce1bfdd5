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

    void click(QDialog &w, const char *name)
    {
        auto *b = w.findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
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
            QVERIFY(w.isVisible());
            QCOMPARE(w.parentWidget(), cardBox.get());
            click(w, "btnHelp");
            QVERIFY(w.isVisible());
            click(w, "btnOk");
        });
        sb.windows->onOpen(QStringLiteral("frmHelp"), [&](QDialog &w) {
            helpShown = AppState::instance().HelpFile;
            QVERIFY(w.parentWidget() && w.parentWidget()->objectName() == QStringLiteral("frmSPfad"));
            QVERIFY(!QApplication::overrideCursor());
            refreshesWhileHelpOpen = refreshes;
            click(w, "btnExit");
        });
        QSignalSpy announced(&Windows::notifier(), &Windows::Notifier::windowRequested);
        const Windows::Outcome outcome = Windows::open(Windows::Kind::SoundFolder, cardBox.get());

        QVERIFY(outcome.opened);
        QCOMPARE(outcome.result, int(QDialog::Accepted));
        QCOMPARE(sb.windows->opened(), (QStringList{QStringLiteral("frmSPfad"), QStringLiteral("frmHelp")}));
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::SoundFolder, Windows::Kind::Help}));
        QCOMPARE(announced.count(), 2);
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
        QCOMPARE(sb.windows->requested(), QList<Windows::Kind>{k});
        QVERIFY(sb.windows->opened().isEmpty());
        QCOMPARE(announced.count(), 0);
        QVERIFY(!closedRan);
        QCOMPARE(refreshes, 0);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(cardBox->findChildren<QDialog *>().size(), 0);
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
        QVERIFY(outcome.opened);
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
        for (int i = 0; i < 2; ++i) {
            Random::next();
            Windows::open(Windows::Kind::Practice, cardBox.get());
            QCOMPARE(Random::next(), first);
        }
        Random::seed(99);
        const double unseeded = Random::next();
        Random::seed(99);
        Windows::open(Windows::Kind::About, cardBox.get());
        QCOMPARE(Random::next(), unseeded);
    }

    // Each dialog gets the request it was asked with and returns the
    // test's answer; Cancel (no answer) gives nothing.
    void standardDialogsAreAnswered()
    {
        const QFont start(QStringLiteral("DejaVu Sans"), 10);
        const QFont chosen(QStringLiteral("DejaVu Serif"), 14);
        for (const QVariant &a : {QVariant::fromValue(chosen), QVariant(), QVariant::fromValue(QColor(10, 20, 30)),
                                  QVariant(), QVariant(QStringLiteral("/tmp/a.wav")), QVariant()})
            sb.dialogs->answer(a);

        QCOMPARE(Dialogs::font(start, cardBox.get(), QStringLiteral("Schrift")), std::optional<QFont>(chosen));
        QCOMPARE(Dialogs::font(start), std::nullopt);
        QCOMPARE(Dialogs::colour(Qt::red), std::optional<QColor>(QColor(10, 20, 30)));
        QCOMPARE(Dialogs::colour(Qt::red), std::nullopt);
        QCOMPARE(Dialogs::openFile(QStringLiteral("Öffnen"), QStringLiteral("/tmp"), QStringLiteral("Wave (*.wav)")),
                 QStringLiteral("/tmp/a.wav"));
        QCOMPARE(Dialogs::directory(QStringLiteral("Ordner"), QStringLiteral("/tmp")), QString());

        const QList<Dialogs::Request> &asked = sb.dialogs->asked();
        QCOMPARE(asked.size(), 6);
        QCOMPARE(asked[0].font, start);
        QCOMPARE(asked[0].parent, cardBox.get());
        QCOMPARE(asked[2].colour, QColor(Qt::red));
        QCOMPARE(asked[4].kind, Dialogs::Kind::OpenFile);
        QCOMPARE(asked[4].filter, QStringLiteral("Wave (*.wav)"));
        QCOMPARE(asked[5].kind, Dialogs::Kind::Directory);
    }

    // The printer dialog hands the printer to the test, which may set it up
    // as the learner's choice would.
    void printerDialogSetsUpThePrinter()
    {
        const QString pdf = sb.work->file(QStringLiteral("karten.pdf"));
        sb.dialogs->answer([&](const Dialogs::Request &r) {
            r.printer->setOutputFormat(QPrinter::PdfFormat);
            r.printer->setOutputFileName(pdf);
            return QVariant(true);
        });
        QPrinter printer;
        QVERIFY(Dialogs::printer(printer));
        QCOMPARE(printer.outputFileName(), pdf);
        QVERIFY(!Dialogs::printer(printer)); // cancelled
        QCOMPARE(sb.dialogs->asked().size(), 2);
        QCOMPARE(sb.dialogs->asked().first().printer, &printer);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
