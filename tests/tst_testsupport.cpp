// SPDX-License-Identifier: GPL-3.0-or-later
// The test helpers themselves: a check that fails inside the driver of a
// window must end that test with the window closed, not leave it waiting.

#include "TestSupport.h"

#include "ui/common/Windows.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTest>

// Run as a child process: the first test fails on purpose.
class WindowMistakes : public QObject
{
    Q_OBJECT

    Sandbox sb;

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    void failedCheckInsideTheDriver()
    {
        QPointer<QDialog> seen;
        sb.windows->onOpen(QStringLiteral("frmAbout"), [&](QDialog &w) {
            seen = &w;
            QVERIFY2(false, "checked inside the driver");
        });
        Windows::open(Windows::Kind::About, nullptr);
        // The opener has closed the window the driver left open.
        QVERIFY(seen.isNull() || !seen->isVisible());
    }
    void laterTestsStillRun()
    {
        sb.windows->onOpen(QStringLiteral("frmAbout"), [](QDialog &w) { w.accept(); });
        QVERIFY(Windows::open(Windows::Kind::About, nullptr).opened);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

class TestSupportSelf : public QObject
{
    Q_OBJECT

private slots:
    void mistakesInDriversFailOnlyTheirTest()
    {
        QProcess child;
        qputenv("VOKAMIA_WINDOW_MISTAKES", "1");
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        qunsetenv("VOKAMIA_WINDOW_MISTAKES");
        QVERIFY(child.waitForFinished(-1));
        const QString out = QString::fromLocal8Bit(child.readAll());
        QCOMPARE(child.exitCode(), 1);
        for (const char *expected : {"FAIL!  : WindowMistakes::failedCheckInsideTheDriver() 'false' returned FALSE. "
                                     "(checked inside the driver)",
                                     "PASS   : WindowMistakes::laterTestsStillRun()"})
            QVERIFY2(out.contains(QLatin1String(expected)), qPrintable(out));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VOKAMIA_WINDOW_MISTAKES")) {
        WindowMistakes child;
        return QTest::qExec(&child, argc, argv);
    }
    TestSupportSelf self;
    return QTest::qExec(&self, argc, argv);
}

#include "tst_testsupport.moc"
