// SPDX-License-Identifier: GPL-3.0-or-later
// The test helpers themselves: a check that fails inside the driver of a
// window must end that test with the window closed, not leave it waiting;
// and a sandbox, once stopped, leaves none of the hooks a test set behind.

#include "TestSupport.h"

#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Places.h"
#include "core/Random.h"
#include "store/AccessFile.h"
#include "store/LegacyImport.h"
#include "store/Settings.h"
#include "ui/backup/frmSicherung.h"
#include "ui/common/Appearance.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QSettings>
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

namespace {

// A backend that tells when it is let go.
class WatchedBackend : public Mci::ToneBackend
{
public:
    explicit WatchedBackend(std::shared_ptr<int> token) : token_(std::move(token)) {}

private:
    std::shared_ptr<int> token_;
};

// The first draws after seeding from the clock.
QList<double> drawsFromClock()
{
    Random::seedFromClock();
    return {Random::next(), Random::next(), Random::next()};
}

} // namespace

class TestSupportSelf : public QObject
{
    Q_OBJECT

private slots:
    // Every hook a test can set, set by hand beside the spies; after stop()
    // (or when a test forgets it, the sandbox's end) each is back to what
    // the program has on its own. A hook still installed would keep the
    // function it was given, and with it the token.
    void stoppingPutsEveryHookBack_data()
    {
        QTest::addColumn<bool>("forgotten");
        QTest::newRow("stop()") << false;
        QTest::newRow("sandbox ends without stop()") << true;
    }
    void stoppingPutsEveryHookBack()
    {
        QFETCH(bool, forgotten);
        const QString folderBefore = QDir::currentPath();
        const QByteArray dataHomeBefore = qgetenv("XDG_DATA_HOME");
        // One token per hook, held only by the function given to it.
        QMap<QString, std::weak_ptr<int>> held;
        const auto token = [&held](const char *hook) {
            auto t = std::make_shared<int>(0);
            held.insert(QLatin1String(hook), t);
            return t;
        };
        auto cardBox = std::make_unique<QWidget>();
        QTemporaryDir elsewhere;
        const QString plantedSettings = elsewhere.filePath(QStringLiteral("planted.conf"));
        QSettings(plantedSettings, QSettings::IniFormat).setValue(QStringLiteral("Database/SprachNr"), 29);
        {
            auto sb = std::make_unique<Sandbox>();
            sb->start();
            Msg::setResponder([t = token("message responder")](QMessageBox &) { return QMessageBox::Ok; });
            Dialogs::setResponder([t = token("dialog responder")](const Dialogs::Request &) { return QVariant(); });
            Windows::setResponder({[t = token("window responder")](Windows::Kind) { return false; }, {}});
            Windows::setCardBox(cardBox.get(), [t = token("card box")] {});
            QObject::connect(&Windows::notifier(), &Windows::Notifier::windowRequested,
                             [t = token("opener's signal")] {});
            Mci::setBackend(std::make_unique<WatchedBackend>(token("multimedia backend")));
            Mci::setStartTimeout(1);
            store::access::setReaderForTesting(elsewhere.filePath(QStringLiteral("reader")), 1);
            store::access::setWaitHook([t = token("reader's wait hook")] {});
            LegacyImport::setProgress([t = token("import progress")](int, int) {});
            Places::setProgramFolderForTesting(elsewhere.path());
            Appearance::setFontListsForTesting({QStringLiteral("Planted Sans")}, {QStringLiteral("Planted Sans")});
            Settings::setStoreFileForTesting(plantedSettings);
            Random::pinSeed(7);
            frmSicherung::setFolderOpener([t = token("folder opener")](const QUrl &) { return true; });
            Clock::pin(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC));
            AppState::instance().CurrentTable = QStringLiteral("tPlanted");
            for (auto it = held.cbegin(); it != held.cend(); ++it)
                QVERIFY2(!it.value().expired(), qPrintable(it.key()));
            if (!forgotten)
                sb->stop();
        }
        QStringList left;
        for (auto it = held.cbegin(); it != held.cend(); ++it)
            if (!it.value().expired())
                left << it.key();
        QCOMPARE(left, QStringList());
        QVERIFY(store::access::readerProgram() != elsewhere.filePath(QStringLiteral("reader")));
        QVERIFY(Places::programFolder() != elsewhere.path());
        QVERIFY(!Appearance::screenFonts().contains(QStringLiteral("Planted Sans")));
        Settings::LoadSprachNr();
        QVERIFY(AppState::instance().SprachNr != 29);
        QVERIFY(drawsFromClock() != drawsFromClock());
        QVERIFY(Clock::now().date() != QDate(2001, 2, 3));
        QVERIFY(AppState::instance().CurrentTable.isEmpty());
        QCOMPARE(QDir::currentPath(), folderBefore);
        QCOMPARE(qgetenv("XDG_DATA_HOME"), dataHomeBefore);
        AppState::resetForTesting();
    }

    // The table of windows is the program's own: it stays for whatever opens
    // a window after a test (without it the opener would stop the program).
    void theTableOfWindowsStays()
    {
        {
            Sandbox sb;
            sb.start();
        }
        QStringList opened;
        Windows::setResponder({{}, [&](QDialog &w) {
                                   opened << w.objectName();
                                   w.accept();
                               }});
        const bool shown = Windows::open(Windows::Kind::About, nullptr).opened;
        Windows::setResponder({});
        QVERIFY(shown);
        QCOMPARE(opened, QStringList{QStringLiteral("frmAbout")});
    }

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
