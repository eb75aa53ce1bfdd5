#include "ui/main/frmLanguage.h"

#include "core/Messages.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

struct Shown
{
    QString text, title;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// QTest::keyClicks only copes with ASCII; umlauts go in as single events.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(w, c.toLatin1());
        } else {
            const auto key = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, w, key, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, key, QString(c), Qt::NoModifier);
        }
    }
}

int px(int twips, int dpi)
{
    return qRound(twips * dpi / 1440.0);
}

} // namespace

class TestFrmLanguage : public QObject
{
    Q_OBJECT

    QList<Shown> shown_;

    template <typename T>
    static T *child(frmLanguage &dlg, const char *name)
    {
        T *w = dlg.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    static void click(frmLanguage &dlg, const char *button)
    {
        QTest::mouseClick(child<QPushButton>(dlg, button), Qt::LeftButton);
    }

private slots:
    void init()
    {
        shown_.clear();
        Msg::setResponder([this](QMessageBox &box) {
            shown_.append({box.text(), box.windowTitle(), box.icon(), box.standardButtons()});
            return QMessageBox::Ok;
        });
    }
    void cleanup() { Msg::setResponder({}); }

    void opensInStepOneWithItsLayoutAndTexts()
    {
        frmLanguage dlg;
        QCOMPARE(dlg.objectName(), QStringLiteral("frmLanguage"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Muttersprache - Fremdsprache"));
        QCOMPARE(dlg.step(), 1);

        const int dx = dlg.logicalDpiX(), dy = dlg.logicalDpiY();
        auto rect = [&](int l, int t, int w, int h) { return QRect(px(l, dx), px(t, dy), px(w, dx), px(h, dy)); };
        QCOMPARE(dlg.size(), QSize(px(8205, dx), px(4635, dy)));

        auto *step1 = child<QGroupBox>(dlg, "frmStep1");
        auto *step2 = child<QGroupBox>(dlg, "frmStep2");
        auto *mother = child<QLineEdit>(dlg, "txtMother");
        auto *foreign = child<QLineEdit>(dlg, "txtForeign");
        auto *help1 = child<QLabel>(dlg, "lblHelp1");
        auto *help2 = child<QLabel>(dlg, "lblHelp2");
        auto *cancel = child<QPushButton>(dlg, "cmdCancel");
        auto *back = child<QPushButton>(dlg, "cmdBack");
        auto *ok = child<QPushButton>(dlg, "cmdOK");

        QCOMPARE(step1->geometry(), rect(240, 240, 7695, 1335));
        QCOMPARE(help1->geometry(), rect(240, 360, 4455, 735));
        QCOMPARE(mother->geometry(), rect(4920, 360, 2295, 375));
        QCOMPARE(step2->geometry(), rect(240, 1800, 7695, 1455));
        QCOMPARE(help2->geometry(), rect(240, 360, 4455, 855));
        QCOMPARE(foreign->geometry(), rect(4920, 360, 2295, 375));
        QCOMPARE(cancel->geometry(), rect(2520, 3840, 1695, 495));
        QCOMPARE(back->geometry(), rect(4320, 3840, 1695, 495));
        QCOMPARE(ok->geometry(), rect(6120, 3840, 1815, 495));
        QCOMPARE(help1->parentWidget(), step1);
        QCOMPARE(mother->parentWidget(), step1);
        QCOMPARE(help2->parentWidget(), step2);
        QCOMPARE(foreign->parentWidget(), step2);

        QCOMPARE(step1->title(), QStringLiteral(" Schritt 1  -  Muttersprache"));
        QCOMPARE(step2->title(), QStringLiteral(" Schritt 2  -  Fremdsprache"));
        QCOMPARE(help1->text(), QStringLiteral("Geben Sie bitte zuerst Ihre Muttersprache ein.\n"
                                               "Wenn Sie z. B. Deutscher sind, so wählen Sie jetzt: Deutsch."));
        QCOMPARE(help2->text(), QStringLiteral("Geben Sie jetzt die Fremdsprache, die Sie erlernen möchten, ein.\n"
                                               "Beispiel: Englisch oder Griechisch oder Latein."));
        QCOMPARE(mother->toolTip(), QStringLiteral("Geben Sie hier Ihre Muttersprache ein."));
        QCOMPARE(foreign->toolTip(), QStringLiteral("Wählen Sie hier die Fremdsprache."));
        QCOMPARE(cancel->text(), QStringLiteral("&Abbrechen"));
        QCOMPARE(cancel->toolTip(), QStringLiteral("Abbruch, keine Änderung der Sprachkarteien"));
        QCOMPARE(back->text(), QStringLiteral("&Zurück"));
        QCOMPARE(back->toolTip(), QStringLiteral("Zurückspringen zum Schritt 1"));
        QCOMPARE(ok->text(), QStringLiteral("&Weiter"));
        QCOMPARE(ok->toolTip(), QStringLiteral("Weiter zum Schritt 2, oder Beenden der Sprachwahl"));

        QVERIFY(mother->text().isEmpty());
        QVERIFY(foreign->text().isEmpty());
        QVERIFY(!mother->isReadOnly());
        QVERIFY(step2->isHidden());
        QVERIFY(!back->isEnabled());
        QVERIFY(ok->isDefault());
        QVERIFY(!cancel->isDefault());
        QVERIFY(dlg.result().isEmpty());
    }

    // Forward, back, change the mother tongue, forward again and save: the
    // changed text counts, and each step looks the way it should.
    void stepsForwardBackAndSave()
    {
        frmLanguage dlg;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto *mother = child<QLineEdit>(dlg, "txtMother");
        auto *foreign = child<QLineEdit>(dlg, "txtForeign");
        auto *step2 = child<QGroupBox>(dlg, "frmStep2");
        auto *back = child<QPushButton>(dlg, "cmdBack");
        auto *ok = child<QPushButton>(dlg, "cmdOK");
        QCOMPARE(QApplication::focusWidget(), mother);

        typeText(mother, QStringLiteral("deutsch"));
        click(dlg, "cmdOK");
        QCOMPARE(dlg.step(), 2);
        QVERIFY(mother->isReadOnly());
        QCOMPARE(mother->palette().color(QPalette::Base), QColor(224, 224, 224));
        QVERIFY(step2->isVisible());
        QCOMPARE(QApplication::focusWidget(), foreign);
        QCOMPARE(ok->text(), QStringLiteral("&Speichern"));
        QVERIFY(back->isEnabled());
        typeText(foreign, QStringLiteral("LATEIN"));

        click(dlg, "cmdBack");
        QCOMPARE(dlg.step(), 1);
        QVERIFY(!mother->isReadOnly());
        QCOMPARE(QApplication::focusWidget(), mother);
        QCOMPARE(ok->text(), QStringLiteral("&Weiter"));
        // What stays as it was when going back.
        QVERIFY(step2->isVisible());
        QVERIFY(back->isEnabled());
        QCOMPARE(mother->palette().color(QPalette::Base), QColor(224, 224, 224));
        // A second press in step 1 changes nothing.
        click(dlg, "cmdBack");
        QCOMPARE(dlg.step(), 1);
        QVERIFY(!mother->isReadOnly());

        mother->clear();
        typeText(mother, QStringLiteral("österreichisch"));
        click(dlg, "cmdOK");
        QCOMPARE(dlg.step(), 2);
        QVERIFY(dlg.isVisible());
        QCOMPARE(foreign->text(), QStringLiteral("LATEIN"));
        click(dlg, "cmdOK");

        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().native, QStringLiteral("Österreichisch"));
        QCOMPARE(dlg.result().foreign, QStringLiteral("Latein"));
        QCOMPARE(dlg.result().table, QStringLiteral("tLatein"));
        QVERIFY(shown_.isEmpty());
    }

    void namesAreNormalised_data()
    {
        QTest::addColumn<QString>("mother");
        QTest::addColumn<QString>("foreign");
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
        QFETCH(QString, mother);
        QFETCH(QString, foreign);
        QFETCH(QString, native);
        QFETCH(QString, normalForeign);

        frmLanguage dlg;
        dlg.open();
        child<QLineEdit>(dlg, "txtMother")->setText(mother);
        click(dlg, "cmdOK");
        child<QLineEdit>(dlg, "txtForeign")->setText(foreign);
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
        dlg.open();

        child<QLineEdit>(dlg, "txtMother")->setText(typed);
        click(dlg, "cmdOK");
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(shown_[0].text, QStringLiteral("Sie haben keine Muttersprache angegeben!"));
        QCOMPARE(shown_[0].title, QStringLiteral("Vokamia"));
        QCOMPARE(shown_[0].icon, QMessageBox::NoIcon);
        QCOMPARE(shown_[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(dlg.step(), 1);
        QVERIFY(dlg.isVisible());
        QVERIFY(child<QGroupBox>(dlg, "frmStep2")->isHidden());
        QVERIFY(!child<QPushButton>(dlg, "cmdBack")->isEnabled());
        QCOMPARE(child<QPushButton>(dlg, "cmdOK")->text(), QStringLiteral("&Weiter"));

        child<QLineEdit>(dlg, "txtMother")->setText(QStringLiteral("Deutsch"));
        click(dlg, "cmdOK");
        child<QLineEdit>(dlg, "txtForeign")->setText(typed);
        click(dlg, "cmdOK");
        QCOMPARE(shown_.size(), 2);
        QCOMPARE(shown_[1].text, QStringLiteral("Sie haben keine Fremdsprache angegeben!"));
        QCOMPARE(shown_[1].title, QStringLiteral("Vokamia"));
        QCOMPARE(shown_[1].icon, QMessageBox::NoIcon);
        QCOMPARE(dlg.step(), 2);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.result().isEmpty());
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
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        child<QLineEdit>(dlg, "txtMother")->setText(QStringLiteral("Deutsch"));
        click(dlg, "cmdOK");
        child<QLineEdit>(dlg, "txtForeign")->setText(QStringLiteral("Latein"));
        QCOMPARE(dlg.step(), 2);

        if (how == 0)
            click(dlg, "cmdCancel");
        else if (how == 1)
            QTest::keyClick(child<QLineEdit>(dlg, "txtForeign"), Qt::Key_Escape);
        else
            dlg.close();

        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Rejected));
        QVERIFY(dlg.result().isEmpty());
        QVERIFY(dlg.result().native.isEmpty());
        QVERIFY(shown_.isEmpty());
    }

    void enterPressesTheDefaultButton()
    {
        frmLanguage dlg;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto *mother = child<QLineEdit>(dlg, "txtMother");
        auto *foreign = child<QLineEdit>(dlg, "txtForeign");

        QTest::keyClick(mother, Qt::Key_Return);
        QCOMPARE(shown_.size(), 1); // nothing typed yet

        typeText(mother, QStringLiteral("deutsch"));
        QTest::keyClick(mother, Qt::Key_Return);
        QCOMPARE(dlg.step(), 2);
        typeText(foreign, QStringLiteral("französisch"));
        QTest::keyClick(foreign, Qt::Key_Enter);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.QDialog::result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result().foreign, QStringLiteral("Französisch"));
        QCOMPARE(dlg.result().table, QStringLiteral("tFranzösisch"));
    }
};

QTEST_MAIN(TestFrmLanguage)
#include "tst_frmlanguage.moc"
