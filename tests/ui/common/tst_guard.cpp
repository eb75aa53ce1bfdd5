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
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// A window whose one button fails in the store and whose other button
// simply counts.
class FailingWindow : public QDialog
{
public:
    int counted = 0;
    int failures = 0;

    explicit FailingWindow(QWidget *parent = nullptr) : QDialog(parent)
    {
        auto *fail = new QPushButton(QStringLiteral("Fehler"), this);
        fail->setObjectName(QStringLiteral("btnFail"));
        auto *count = new QPushButton(QStringLiteral("Zählen"), this);
        count->setObjectName(QStringLiteral("btnCount"));
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(fail);
        layout->addWidget(count);
        connect(fail, &QPushButton::clicked, this, &FailingWindow::fail);
        connect(count, &QPushButton::clicked, this, [this] { ++counted; });
    }

    void click(const char *name) { QTest::mouseClick(findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton); }

    // The failing button's handler, run as the event loop runs it. Qt's
    // widget code between a mouse click and a slot is built without
    // exception cleanup: an exception thrown through it is caught by the
    // net, but leaks what those frames held. A queued call reaches the
    // handler through Qt's core alone.
    void failFromTheEventLoop()
    {
        QMetaObject::invokeMethod(this, &FailingWindow::fail, Qt::QueuedConnection);
        QCoreApplication::processEvents();
    }

    void fail()
    {
        ++failures;
        throw store::Error(QStringLiteral("Die Datenbank ist gesperrt."));
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
        QTest::newRow("store error") << 1 << QString() << QStringLiteral("Tabelle 'tLatein' ist gesperrt.");
        QTest::newRow("store error, own title") << 1 << QStringLiteral("Initialisierung")
                                                << QStringLiteral("Tabelle 'tLatein' ist gesperrt.");
        QTest::newRow("other error") << 2 << QStringLiteral("Problem") << QStringLiteral("vector::at");
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
        const bool first = Msg::guard([&] { ran << QStringLiteral("1"); });
        const bool second = title.isNull() ? Msg::guard(middle) : Msg::guard(title, middle);
        const bool third = Msg::guard([&] { ran << QStringLiteral("3"); });

        QVERIFY(first && third);
        QCOMPARE(second, failure == 0);
        QCOMPARE(ran, failure ? (QStringList{"1", "3"}) : (QStringList{"1", "2", "3"}));
        QCOMPARE(sb.spy->count(), failure ? 1 : 0);
        if (failure) {
            QCOMPARE(sb.spy->last().text, shown);
            QCOMPARE(sb.spy->last().title, title.isNull() ? QStringLiteral("Vokamia") : title);
            QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        }
    }

    // What a handler lets escape is shown by the application object; the
    // window stays open and keeps working, its failing button included.
    void theLastNetKeepsTheWindowUsable()
    {
        FailingWindow w;
        w.show();
        w.failFromTheEventLoop();
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Datenbank ist gesperrt."));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY(w.isVisible());

        w.click("btnCount");
        QCOMPARE(w.counted, 1);
        w.failFromTheEventLoop();
        QCOMPARE(w.failures, 2);
        QCOMPARE(sb.spy->count(), 2);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // The same inside a modal window opened by another window's handler,
    // and for failures of queued calls and of things that are no errors.
    void theLastNetCatchesNestedAndQueuedFailures()
    {
        QDialog outer;
        outer.show();
        int afterFailure = 0;
        sb.windows->onOpen(QStringLiteral("frmAbout"), [&](QDialog &about) {
            FailingWindow inner(&about);
            inner.show();
            inner.failFromTheEventLoop();
            inner.click("btnCount");
            QCOMPARE(inner.counted, 1);
            QVERIFY(about.isVisible());
            about.accept();
        });
        Windows::open(Windows::Kind::About, &outer);
        QCOMPARE(sb.spy->count(), 1);

        QTimer::singleShot(0, &outer, [] { throw store::Error(QStringLiteral("später gescheitert")); });
        QTimer::singleShot(0, &outer, [] { throw 42; });
        QTimer::singleShot(0, &outer, [&] { ++afterFailure; });
        QCoreApplication::processEvents();
        QCOMPARE(afterFailure, 1);
        QCOMPARE(sb.spy->count(), 3);
        QCOMPARE(sb.spy->shown()[1].text, QStringLiteral("später gescheitert"));
        QCOMPARE(sb.spy->shown()[2].text, QStringLiteral("Unbekannter Fehler."));
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
