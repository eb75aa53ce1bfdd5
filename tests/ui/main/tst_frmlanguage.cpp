// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmLanguage.h"

#include "TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestFrmLanguage : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageSpy> spy_;

    static QLineEdit *mother(frmLanguage &dlg) { return dlg.findChild<QLineEdit *>(QStringLiteral("txtMother")); }
    static QLineEdit *foreign(frmLanguage &dlg) { return dlg.findChild<QLineEdit *>(QStringLiteral("txtForeign")); }
    static void click(frmLanguage &dlg, const char *button)
    {
        QTest::mouseClick(dlg.findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    }

private slots:
    void init() { spy_ = std::make_unique<MessageSpy>(); }
    void cleanup() { spy_.reset(); }

    // Forward, back, change the mother tongue, forward again and save: the
    // changed text counts and the foreign name typed before is kept.
    void stepsForwardBackAndSave()
    {
        frmLanguage dlg;
        dlg.open();
        typeText(mother(dlg), QStringLiteral("deutsch"));
        QTest::keyClick(mother(dlg), Qt::Key_Return);
        typeText(foreign(dlg), QStringLiteral("LATEIN"));
        click(dlg, "cmdBack");
        mother(dlg)->clear();
        typeText(mother(dlg), QStringLiteral("österreichisch"));
        click(dlg, "cmdOK");
        QTest::keyClick(foreign(dlg), Qt::Key_Enter);
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().native, QStringLiteral("Österreichisch"));
        QCOMPARE(dlg.result().table, QStringLiteral("tLatein"));
        QCOMPARE(spy_->count(), 0);
    }

    // Names are trimmed and capitalised. A missing name, or a foreign name
    // that would put its recordings folder elsewhere, is refused in its
    // step, and the window stays open without a result.
    void namesAreCheckedAndNormalised_data()
    {
        QTest::addColumn<QString>("typedMother");
        QTest::addColumn<QString>("typedForeign");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("normal"); // the foreign name stored
        QTest::addColumn<QString>("refusal");
        QTest::newRow("lower, upper, blanks") << "  deutsch " << " LATEIN  " << "Deutsch" << "Latein" << "";
        QTest::newRow("umlaut first") << "ungarisch" << "ägyptisch" << "Ungarisch" << "Ägyptisch" << "";
        QTest::newRow("dot inside") << "Deutsch" << "Alt.griechisch" << "Deutsch" << "Alt.griechisch" << "";
        QTest::newRow("mother tongue blank") << "   " << "" << "" << "" << "Sie haben keine Muttersprache angegeben!";
        QTest::newRow("foreign blank") << "Deutsch" << "   " << "" << "" << "Sie haben keine Fremdsprache angegeben!";
        QTest::newRow("backslash") << "Deutsch" << "..\\Latein" << "" << "" << "weder / noch \\ enthalten";
        QTest::newRow("parent") << "Deutsch" << ".." << "" << "" << "weder / noch \\ enthalten";
        QTest::newRow("only dots") << "Deutsch" << " ... " << "" << "" << "weder / noch \\ enthalten";
    }
    void namesAreCheckedAndNormalised()
    {
        QFETCH(QString, typedMother);
        QFETCH(QString, typedForeign);
        QFETCH(QString, native);
        QFETCH(QString, normal);
        QFETCH(QString, refusal);
        frmLanguage dlg;
        dlg.open();
        mother(dlg)->setText(typedMother);
        click(dlg, "cmdOK");
        if (dlg.step() == 2) {
            foreign(dlg)->setText(typedForeign);
            click(dlg, "cmdOK");
        }
        if (!refusal.isEmpty()) {
            QCOMPARE(spy_->count(), 1);
            QVERIFY2(spy_->last().text.contains(refusal), qPrintable(spy_->last().text));
            QCOMPARE(dlg.step(), typedMother.trimmed().isEmpty() ? 1 : 2);
            QVERIFY(dlg.isVisible() && dlg.result().isEmpty());
            return;
        }
        QCOMPARE(spy_->count(), 0);
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().native, native);
        QCOMPARE(dlg.result().foreign, normal);
        QCOMPARE(dlg.result().table, QStringLiteral("t") + normal);
    }
};

QTEST_MAIN(TestFrmLanguage)
#include "tst_frmlanguage.moc"
