// The guard around handler steps and the application's last net. This test
// runs on the program's own application object.
#include "TestSupport.h"

#include "store/Engine.h"
#include "ui/common/Application.h"
#include "ui/common/Guard.h"
#include "ui/common/Windows.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace {

// A window with one counting button and a handler that fails in the store.
// Qt's widget code between a mouse click and a slot is built without
// exception cleanup, so the failing handler is reached by a queued call,
// through Qt's core alone, as the event loop runs it.
struct FailingWindow : QDialog
{
    int counted = 0;
    QPushButton *count = new QPushButton(QStringLiteral("Zählen"), this);

    explicit FailingWindow(QWidget *parent = nullptr) : QDialog(parent)
    {
        connect(count, &QPushButton::clicked, this, [this] { ++counted; });
    }
    void failFromTheEventLoop()
    {
        QMetaObject::invokeMethod(
            this, [] { throw store::Error(QStringLiteral("Die Datenbank ist gesperrt.")); }, Qt::QueuedConnection);
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestGuard : public QObject
{
    Q_OBJECT

    Sandbox sb;

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    // A handler of three steps whose middle step may fail: the failure is
    // shown with its own text, and the third step still runs.
    void aFailedStepIsShownAndTheHandlerGoesOn_data()
    {
        QTest::addColumn<int>("failure"); // 0 none, 1 store, 2 other
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no failure") << 0 << QString() << QString();
        QTest::newRow("store error") << 1 << QString() << "Tabelle 'tLatein' ist gesperrt.";
        QTest::newRow("store error, own title") << 1 << "Initialisierung" << "Tabelle 'tLatein' ist gesperrt.";
        QTest::newRow("other error") << 2 << "Problem" << "vector::at";
    }
    void aFailedStepIsShownAndTheHandlerGoesOn()
    {
        QFETCH(int, failure);
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QStringList ran;
        auto middle = [&] {
            if (failure == 1)
                throw store::Error(QStringLiteral("Tabelle 'tLatein' ist gesperrt."));
            if (failure == 2)
                throw std::out_of_range("vector::at");
            ran << QStringLiteral("2");
        };
        QVERIFY(Msg::guard([&] { ran << QStringLiteral("1"); }));
        QCOMPARE(title.isNull() ? Msg::guard(middle) : Msg::guard(title, middle), failure == 0);
        QVERIFY(Msg::guard([&] { ran << QStringLiteral("3"); }));
        QCOMPARE(ran, failure ? (QStringList{"1", "3"}) : (QStringList{"1", "2", "3"}));
        QCOMPARE(sb.spy->count(), failure ? 1 : 0);
        if (failure) {
            QCOMPARE(sb.spy->last().text, shown);
            QCOMPARE(sb.spy->last().title, title.isNull() ? QStringLiteral("Vokamia") : title);
            QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        }
    }

    // What a handler lets escape is shown by the application object, also
    // inside a modal window opened by another window's handler; the windows
    // stay open and keep working. Queued calls and things that are no
    // errors are caught too.
    void theLastNetKeepsTheWindowsUsable()
    {
        QDialog outer;
        outer.show();
        sb.windows->onOpen(QStringLiteral("frmAbout"), [&](QDialog &about) {
            FailingWindow inner(&about);
            inner.show();
            inner.failFromTheEventLoop();
            QTest::mouseClick(inner.count, Qt::LeftButton);
            QCOMPARE(inner.counted, 1);
            inner.failFromTheEventLoop();
            QVERIFY(inner.isVisible() && about.isVisible());
            about.accept();
        });
        Windows::open(Windows::Kind::About, &outer);
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Datenbank ist gesperrt."));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);

        int afterFailure = 0;
        QTimer::singleShot(0, &outer, [] { throw store::Error(QStringLiteral("später gescheitert")); });
        QTimer::singleShot(0, &outer, [] { throw 42; });
        QTimer::singleShot(0, &outer, [&] { ++afterFailure; });
        QCoreApplication::processEvents();
        QCOMPARE(afterFailure, 1);
        QCOMPARE(sb.spy->count(), 4);
        QCOMPARE(sb.spy->shown()[2].text, QStringLiteral("später gescheitert"));
        QCOMPARE(sb.spy->shown()[3].text, QStringLiteral("Unbekannter Fehler."));
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
