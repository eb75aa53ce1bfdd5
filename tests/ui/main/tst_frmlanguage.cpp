#include "ui/main/frmLanguage.h"

#include "TestSupport.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestFrmLanguage : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageSpy> spy_;

    template <typename T = QWidget>
    static T *child(frmLanguage &dlg, const char *name)
    {
        T *w = dlg.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    static QLineEdit *mother(frmLanguage &dlg) { return child<QLineEdit>(dlg, "txtMother"); }
    static QLineEdit *foreign(frmLanguage &dlg) { return child<QLineEdit>(dlg, "txtForeign"); }
    static void click(frmLanguage &dlg, const char *button)
    {
        QTest::mouseClick(child<QPushButton>(dlg, button), Qt::LeftButton);
    }
    // Opens the dialog and fills step 1; ends in step 2 when the name is
    // accepted.
    static void openWith(frmLanguage &dlg, const QString &motherTongue)
    {
        dlg.open();
        mother(dlg)->setText(motherTongue);
        click(dlg, "cmdOK");
    }

private slots:
    void init() { spy_ = std::make_unique<MessageSpy>(); }
    void cleanup() { spy_.reset(); }

    void opensInStepOne()
    {
        frmLanguage dlg;
        QCOMPARE(dlg.step(), 1);
        QVERIFY(child(dlg, "frmStep2")->isHidden());
        QVERIFY(!child(dlg, "cmdBack")->isEnabled());
        QVERIFY(child<QPushButton>(dlg, "cmdOK")->isDefault());
        QVERIFY(dlg.result().isEmpty());
    }

    // Forward, back, change the mother tongue, forward again and save: the
    // changed text counts, and each step looks the way it should.
    void stepsForwardBackAndSave()
    {
        frmLanguage dlg;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto *ok = child<QPushButton>(dlg, "cmdOK");
        QCOMPARE(QApplication::focusWidget(), mother(dlg));

        typeText(mother(dlg), QStringLiteral("deutsch"));
        click(dlg, "cmdOK");
        QCOMPARE(dlg.step(), 2);
        QVERIFY(mother(dlg)->isReadOnly());
        QVERIFY(child(dlg, "frmStep2")->isVisible());
        QCOMPARE(QApplication::focusWidget(), foreign(dlg));
        QCOMPARE(ok->text(), QStringLiteral("&Speichern"));
        QVERIFY(child(dlg, "cmdBack")->isEnabled());
        typeText(foreign(dlg), QStringLiteral("LATEIN"));

        click(dlg, "cmdBack");
        QCOMPARE(dlg.step(), 1);
        QVERIFY(!mother(dlg)->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), mother(dlg));
        QCOMPARE(ok->text(), QStringLiteral("&Weiter"));
        // A second press in step 1 changes nothing.
        click(dlg, "cmdBack");
        QCOMPARE(dlg.step(), 1);

        mother(dlg)->clear();
        typeText(mother(dlg), QStringLiteral("österreichisch"));
        click(dlg, "cmdOK");
        QCOMPARE(foreign(dlg)->text(), QStringLiteral("LATEIN"));
        click(dlg, "cmdOK");

        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().native, QStringLiteral("Österreichisch"));
        QCOMPARE(dlg.result().foreign, QStringLiteral("Latein"));
        QCOMPARE(dlg.result().table, QStringLiteral("tLatein"));
        QCOMPARE(spy_->count(), 0);
    }

    void namesAreNormalised_data()
    {
        QTest::addColumn<QString>("typedMother");
        QTest::addColumn<QString>("typedForeign");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("normalForeign");
        QTest::newRow("lower and upper") << "deutsch" << "LATEIN" << "Deutsch" << "Latein";
        QTest::newRow("mixed") << "DeUtSch" << "eNGLISCH" << "Deutsch" << "Englisch";
        QTest::newRow("one letter") << "x" << "y" << "X" << "Y";
        QTest::newRow("umlaut first") << "ungarisch" << "ägyptisch" << "Ungarisch" << "Ägyptisch";
        QTest::newRow("blanks around") << "  deutsch " << " griechisch  " << "Deutsch" << "Griechisch";
    }
    void namesAreNormalised()
    {
        QFETCH(QString, typedMother);
        QFETCH(QString, typedForeign);
        QFETCH(QString, native);
        QFETCH(QString, normalForeign);
        frmLanguage dlg;
        openWith(dlg, typedMother);
        foreign(dlg)->setText(typedForeign);
        click(dlg, "cmdOK");
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().native, native);
        QCOMPARE(dlg.result().foreign, normalForeign);
        QCOMPARE(dlg.result().table, QStringLiteral("t") + normalForeign);
    }

    void missingNamesAreReportedAndTheStepStays_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks only") << QStringLiteral("   ");
    }
    void missingNamesAreReportedAndTheStepStays()
    {
        QFETCH(QString, typed);
        frmLanguage dlg;
        openWith(dlg, typed);
        QCOMPARE(spy_->count(), 1);
        QCOMPARE(spy_->last().text, QStringLiteral("Sie haben keine Muttersprache angegeben!"));
        QCOMPARE(spy_->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(dlg.step(), 1);
        QVERIFY(child(dlg, "frmStep2")->isHidden());

        mother(dlg)->setText(QStringLiteral("Deutsch"));
        click(dlg, "cmdOK");
        foreign(dlg)->setText(typed);
        click(dlg, "cmdOK");
        QCOMPARE(spy_->count(), 2);
        QCOMPARE(spy_->last().text, QStringLiteral("Sie haben keine Fremdsprache angegeben!"));
        QCOMPARE(dlg.step(), 2);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.result().isEmpty());
    }

    void foreignNamesThatLeaveTheFolderAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("absolute path") << QStringLiteral("/tmp/xyz");
        QTest::newRow("slash inside") << QStringLiteral("Latein/Alt");
        QTest::newRow("backslash") << QStringLiteral("..\\Latein");
        QTest::newRow("parent") << QStringLiteral("..");
        QTest::newRow("only dots") << QStringLiteral(" ... ");
    }
    // The foreign language names the folder of its recordings: a name that
    // would put it elsewhere is refused, and the learner can correct it.
    void foreignNamesThatLeaveTheFolderAreRefused()
    {
        QFETCH(QString, typed);
        frmLanguage dlg;
        openWith(dlg, QStringLiteral("Deutsch"));
        foreign(dlg)->setText(typed);
        click(dlg, "cmdOK");
        QCOMPARE(spy_->count(), 1);
        QVERIFY2(spy_->last().text.contains(QStringLiteral("weder / noch \\ enthalten")), qPrintable(spy_->last().text));
        QCOMPARE(dlg.step(), 2);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.result().isEmpty());

        foreign(dlg)->setText(QStringLiteral("Alt.griechisch"));
        click(dlg, "cmdOK");
        QCOMPARE(spy_->count(), 1);
        QCOMPARE(dlg.result().table, QStringLiteral("tAlt.griechisch"));
    }

    void everyWayOutButSavingGivesNoResult_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Abbrechen") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close button") << 2;
    }
    void everyWayOutButSavingGivesNoResult()
    {
        QFETCH(int, how);
        frmLanguage dlg;
        openWith(dlg, QStringLiteral("Deutsch"));
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        foreign(dlg)->setText(QStringLiteral("Latein"));
        if (how == 0)
            click(dlg, "cmdCancel");
        else if (how == 1)
            QTest::keyClick(foreign(dlg), Qt::Key_Escape);
        else
            dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Rejected));
        QVERIFY(dlg.result().isEmpty());
        QCOMPARE(spy_->count(), 0);
    }

    void enterPressesTheDefaultButton()
    {
        frmLanguage dlg;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(mother(dlg), Qt::Key_Return);
        QCOMPARE(spy_->count(), 1); // nothing typed yet

        typeText(mother(dlg), QStringLiteral("deutsch"));
        QTest::keyClick(mother(dlg), Qt::Key_Return);
        QCOMPARE(dlg.step(), 2);
        typeText(foreign(dlg), QStringLiteral("französisch"));
        QTest::keyClick(foreign(dlg), Qt::Key_Enter);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result().table, QStringLiteral("tFranzösisch"));
    }
};

QTEST_MAIN(TestFrmLanguage)
#include "tst_frmlanguage.moc"
