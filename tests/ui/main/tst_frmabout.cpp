#include "ui/main/frmAbout.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestFrmAbout : public QObject
{
    Q_OBJECT

    static QImage shown(frmAbout &dlg) { return dlg.findChild<QLabel *>(QStringLiteral("imgPicture"))->pixmap().toImage(); }

private slots:
    // The two pictures alternate on the timer, only while the box is shown;
    // Enter closes it.
    void picturesAlternateOnlyWhileShown()
    {
        frmAbout dlg;
        auto *timer = dlg.findChild<QTimer *>(QStringLiteral("tmrPictures"));
        QVERIFY(timer && !timer->isActive());
        const QImage first = shown(dlg);
        QVERIFY2(!first.isNull(), "about1.png was not found beside the program");
        dlg.open();
        QVERIFY(timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        QVERIFY2(!shown(dlg).isNull() && shown(dlg) != first, "about2.png was not found beside the program");
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        QCOMPARE(shown(dlg), first);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
