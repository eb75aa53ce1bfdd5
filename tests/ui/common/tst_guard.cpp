// SPDX-License-Identifier: GPL-3.0-or-later
// The guard around handler steps and the application's last net. This test
// runs on the program's own application object.
#include "TestSupport.h"

#include "store/Engine.h"
#include "ui/common/Application.h"
#include "ui/common/Guard.h"
#include "ui/common/Windows.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <stdexcept>

class TestGuard : public QObject
{
    Q_OBJECT

    Sandbox sb;

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    // The application object keeps Alt combinations out of every text
    // field, also of one in no window of the program's. First of the cases
    // here: no window of the program's has been built yet.
    void altCombinationsTypeNothing()
    {
        QDialog dialog;
        auto *box = new QLineEdit(&dialog);
        dialog.show();
        QTest::keyClick(box, 'p', Qt::AltModifier);
        QTest::keyClick(box, 'q');
        QCOMPARE(box->text(), QStringLiteral("q"));
    }

    // A handler of three steps whose middle step may fail: the failure is
    // shown with its own text, and the third step still runs.
    void aFailedStepIsShownAndTheHandlerGoesOn()
    {
        // What each failure shows: none, a store error, another error.
        const QStringList shown = {QString(), "Tabelle 'tLatein' ist gesperrt.", "vector::at"};
        for (int failure = 0; failure < 3; ++failure) {
            sb.spy->clear();
            QStringList ran;
            auto middle = [&] {
                if (failure == 1)
                    throw store::Error(shown[1]);
                if (failure == 2)
                    throw std::out_of_range("vector::at");
                ran << QStringLiteral("2");
            };
            QVERIFY(Msg::guard([&] { ran << QStringLiteral("1"); }));
            QCOMPARE(Msg::guard(middle), failure == 0);
            QVERIFY(Msg::guard([&] { ran << QStringLiteral("3"); }));
            QCOMPARE(ran, failure ? (QStringList{"1", "3"}) : (QStringList{"1", "2", "3"}));
            QCOMPARE(sb.spy->count(), failure ? 1 : 0);
            if (failure)
                QCOMPARE(sb.spy->last().text, shown[failure]);
        }
    }

    // What a handler lets escape is shown by the application object, also
    // inside a modal window opened by another window's handler; the windows
    // stay open and the event loop goes on. Failures come as queued calls, as the event
    // loop runs handlers: Qt's widget code between a mouse click and a slot
    // is built without exception cleanup. Things that are no errors are
    // caught too.
    void theLastNetKeepsTheWindowsUsable()
    {
        QDialog outer;
        outer.show();
        sb.windows->onOpen(QStringLiteral("frmAbout"), [&](QDialog &about) {
            QDialog inner(&about);
            inner.show();
            QTimer::singleShot(0, &inner, [] { throw store::Error(QStringLiteral("Die Datenbank ist gesperrt.")); });
            QCoreApplication::processEvents();
            QVERIFY(inner.isVisible() && about.isVisible());
            about.accept();
        });
        Windows::open(Windows::Kind::About, &outer);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Datenbank ist gesperrt."));

        int afterFailure = 0;
        QTimer::singleShot(0, &outer, [] { throw 42; });
        QTimer::singleShot(0, &outer, [&] { ++afterFailure; });
        QCoreApplication::processEvents();
        QCOMPARE(afterFailure, 1);
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Unbekannter Fehler."));
        QVERIFY(outer.isVisible());
    }
};

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    TestGuard test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guard.moc"
