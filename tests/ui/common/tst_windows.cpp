// SPDX-License-Identifier: GPL-3.0-or-later
// The window opener, as tests meet it: through its responder, without a
// modal loop.
#include "TestSupport.h"

#include "core/Random.h"
#include "ui/common/Windows.h"

#include <QDialog>
#include <QTest>

class TestWindows : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::unique_ptr<QWidget> cardBox;
    int refreshes = 0;

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
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
