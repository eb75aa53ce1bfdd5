// The test helpers themselves: a check that fails inside a window's callback
// must end that test at once, not leave the window waiting in exec().

#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTest>

// Run as a child process: every test function but the last one fails on
// purpose.
class ModalMistakes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { failIfModalPending(); }

    void failedCheckInsideTheCallback()
    {
        whenModal([](QWidget *) { QVERIFY2(false, "checked inside the callback"); });
        QDialog d;
        d.exec();
    }
    void callbackLeavesTheWindowOpen()
    {
        whenModal([](QWidget *) {});
        QDialog d;
        d.exec();
    }
    void windowNeverOpens()
    {
        whenModal([](QWidget *w) { w->close(); });
    }
    void laterTestsStillRun()
    {
        bool seen = false;
        whenModal([&](QWidget *w) {
            seen = true;
            w->close();
        });
        QDialog d;
        d.exec();
        QVERIFY(seen);
    }
};

class TestSupportSelf : public QObject
{
    Q_OBJECT

private slots:
    void mistakesInModalCallbacksFailOnlyTheirTest()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VOKAMIA_MODAL_MISTAKES"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        // Before the fix this waited until the test command's timeout.
        QVERIFY(child.waitForFinished(-1));
        const QString out = QString::fromLocal8Bit(child.readAll());
        QCOMPARE(child.exitCode(), 3);
        for (const char *expected :
             {"FAIL!  : ModalMistakes::failedCheckInsideTheCallback() 'false' returned FALSE. (checked inside the callback)",
              "FAIL!  : ModalMistakes::callbackLeavesTheWindowOpen() the window was left open by the test",
              "FAIL!  : ModalMistakes::windowNeverOpens() the window the test waited for never opened",
              "PASS   : ModalMistakes::laterTestsStillRun()"})
            QVERIFY2(out.contains(QLatin1String(expected)), qPrintable(out));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VOKAMIA_MODAL_MISTAKES")) {
        ModalMistakes child;
        return QTest::qExec(&child, argc, argv);
    }
    TestSupportSelf self;
    return QTest::qExec(&self, argc, argv);
}

#include "tst_testsupport.moc"
