// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

// The new-pair wizard hands its pair to the main window through AppState,
// so the pair of an earlier run is still there when the wizard opens again:
// only a wizard that ends with a pair may add one.
class TestNewPair : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;
    std::unique_ptr<frmMain> w;

    static void type(QDialog &dlg, const char *box, const QString &text)
    {
        dlg.findChild<QLineEdit *>(QLatin1String(box))->setText(text);
    }
    static void click(QDialog &dlg, const char *button)
    {
        dlg.findChild<QPushButton *>(QLatin1String(button))->click();
    }
    void addThroughWizard(const std::function<void(QDialog &)> &driver)
    {
        sb.windows->onOpen(QStringLiteral("frmLanguage"), driver);
        w->findChild<QAction *>(QStringLiteral("mAdd"))->trigger();
    }

private slots:
    void init() { sb.start(); }
    void cleanup()
    {
        w.reset();
        sb.stop();
    }

    void onlyAWizardEndingWithAPairAddsOne_data()
    {
        QTest::addColumn<std::function<void(QDialog &)>>("driver");
        QTest::newRow("cancelled at once") << std::function<void(QDialog &)>([](QDialog &dlg) { click(dlg, "cmdCancel"); });
        QTest::newRow("cancelled with both names typed") << std::function<void(QDialog &)>([](QDialog &dlg) {
            type(dlg, "txtMother", QStringLiteral("Deutsch"));
            click(dlg, "cmdOK");
            type(dlg, "txtForeign", QStringLiteral("Griechisch"));
            click(dlg, "cmdCancel");
        });
        QTest::newRow("closed by its frame") << std::function<void(QDialog &)>([](QDialog &dlg) { dlg.close(); });
        // The opener closes a window nobody answered without a word to it.
        QTest::newRow("left unanswered") << std::function<void(QDialog &)>();
    }
    void onlyAWizardEndingWithAPairAddsOne()
    {
        QFETCH(std::function<void(QDialog &)>, driver);
        w = std::make_unique<frmMain>();
        w->show();
        const AppState &a = AppState::instance();
        addThroughWizard([](QDialog &dlg) {
            type(dlg, "txtMother", QStringLiteral("Deutsch"));
            click(dlg, "cmdOK");
            type(dlg, "txtForeign", QStringLiteral("Latein"));
            click(dlg, "cmdOK");
        });
        QCOMPARE(int(a.PairCount), 2);
        QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));

        addThroughWizard(driver);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(int(a.PairCount), 2);
        QCOMPARE(a.CurrentTable, QStringLiteral("tLatein"));
        QCOMPARE(a.Database->openRecordset(QStringLiteral("Select count(*) from tSprache"))->value(0).toInt(), 2);
        QVERIFY(!a.Database->hasTable(QStringLiteral("tGriechisch")));
    }
};

QTEST_MAIN(TestNewPair)
#include "tst_newpair.moc"
