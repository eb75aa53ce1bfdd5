// SPDX-License-Identifier: GPL-3.0-or-later
// The sound-folder dialog: what Ok stores and what Cancel leaves, also when
// the main window opens it.

#include "TestSupport.h"

#include "core/AppState.h"
#include "ui/sound/frmSPfad.h"
#include "store/Settings.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

class TestFrmSPfad : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    QVariant storedSetting(const QString &key = QStringLiteral("Sound/SoundPath"))
    {
        return QSettings(sb.work->file(QStringLiteral("settings.conf")), QSettings::IniFormat).value(key);
    }
    static void retype(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        typeText(box, text);
    }
    static void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    void okStoresTheTypedFolder_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed"); // null: left as shown
        QTest::addColumn<QString>("stored");
        const QString old = QStringLiteral("/vorher");
        QTest::newRow("trailing slash") << old << QStringLiteral("/home/lerner/Töne/") << QStringLiteral("/home/lerner/Töne");
        QTest::newRow("trailing backslash") << old << QStringLiteral("D:\\") << QStringLiteral("D:");
        QTest::newRow("only one stripped") << old << QStringLiteral("/srv//") << QStringLiteral("/srv/");
        QTest::newRow("root") << old << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("empty") << old << QStringLiteral("") << QString();
        QTest::newRow("untouched, no folder here") << QStringLiteral("dir:x") << QString() << QStringLiteral("dir:x");
    }
    void okStoresTheTypedFolder()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        AppState::instance().SoundPath = before;
        AppState::instance().Abfrage = 2;
        frmSPfad w;
        w.show();
        if (!typed.isNull())
            retype(w.txtSPfad, typed);
        click(w.btnOk);

        QCOMPARE(AppState::instance().SoundPath, stored);
        QVERIFY(storedSetting().isValid());
        QCOMPARE(storedSetting().toString(), stored);
        // The other options are written with it, not lost.
        QCOMPARE(storedSetting(QStringLiteral("Options/Abfrage")).toString(), QStringLiteral("2"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der neue Sound-Pfad ist \n") + stored);
    }

    void cancelKeepsTheOldFolder()
    {
        const QString old = QStringLiteral("/alt");
        AppState::instance().SoundPath = old;
        frmSPfad w;
        w.show();
        retype(w.txtSPfad, QStringLiteral("/anderswo"));
        click(w.btnCancel);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der bisherige Soundpfad\n") + old + QStringLiteral("\nbleibt eingestellt."));
        QCOMPARE(AppState::instance().SoundPath, old);
        QVERIFY(!storedSetting().isValid());
    }

    void mainWindowMenuStoresTheFolder()
    {
        frmMain main;
        main.show();
        main.Form_Activate();
        sb.spy->clear();
        const QString target = QDir(sb.work->path()).absoluteFilePath(QStringLiteral("Töne"));
        sb.windows->onOpen(QStringLiteral("frmSPfad"), [&](QDialog &w) {
            retype(w.findChild<QLineEdit *>(QStringLiteral("txtSPfad")), target);
            click(w.findChild<QPushButton *>(QStringLiteral("btnOk")));
        });
        main.findChild<QAction *>(QStringLiteral("mSoundPath"))->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{QStringLiteral("frmSPfad")});
        QCOMPARE(storedSetting().toString(), target);
        QCOMPARE(AppState::instance().SoundPath, target);
    }
};

QTEST_MAIN(TestFrmSPfad)
#include "tst_frmspfad.moc"
