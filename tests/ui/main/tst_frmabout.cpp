#include "ui/main/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestFrmAbout : public QObject
{
    Q_OBJECT

private:
    static QImage shownImage(frmAbout &dlg)
    {
        return dlg.findChild<QLabel *>(QStringLiteral("imgPicture"))->pixmap().toImage();
    }

    static void fireTimer(QTimer *timer)
    {
        // Drives the alternation without waiting for real time to pass.
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
    }

private slots:
    void picturesAlternateOnlyWhileShown()
    {
        frmAbout dlg;
        auto *timer = dlg.findChild<QTimer *>(QStringLiteral("tmrPictures"));
        QVERIFY(timer && !timer->isActive());

        const QImage first = shownImage(dlg);
        QVERIFY2(!first.isNull(), "about1.png was not found beside the program");

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(timer->isActive());

        QCOMPARE(dlg.currentPicture(), 0);
        fireTimer(timer);
        QCOMPARE(dlg.currentPicture(), 1);
        const QImage second = shownImage(dlg);
        QVERIFY2(!second.isNull(), "about2.png was not found beside the program");
        QVERIFY(second != first);

        fireTimer(timer);
        QCOMPARE(dlg.currentPicture(), 0);
        QCOMPARE(shownImage(dlg), first);

        dlg.hide();
        QVERIFY(!timer->isActive());
    }

    void okClosesTheBox()
    {
        frmAbout dlg;
        dlg.open();
        QSignalSpy accepted(&dlg, &QDialog::accepted);
        QTest::mouseClick(dlg.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!dlg.isVisible());

        // Enter as well, the usual way out of a box with one button.
        dlg.open();
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
