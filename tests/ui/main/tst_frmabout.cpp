// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmAbout.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

class TestFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    // Both pictures are found beside the program and alternate on the timer,
    // which runs only while the box is shown.
    void picturesAlternateOnlyWhileShown()
    {
        frmAbout dlg;
        auto *timer = dlg.findChild<QTimer *>(QStringLiteral("tmrPictures"));
        auto shown = [&] { return dlg.findChild<QLabel *>(QStringLiteral("imgPicture"))->pixmap().toImage(); };
        QVERIFY(timer && !timer->isActive());
        const QImage first = shown();
        dlg.open();
        QVERIFY(timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        QVERIFY2(!first.isNull() && !shown().isNull() && shown() != first, "a picture was not found beside the program");
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
        QCOMPARE(shown(), first);
        dlg.accept();
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
