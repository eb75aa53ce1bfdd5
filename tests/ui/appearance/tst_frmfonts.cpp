// SPDX-License-Identifier: GPL-3.0-or-later
// The fonts and colours window, opened as the main window opens it: taking a
// font with and without a printer font, and choosing colours, as stored.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Settings.h"
#include "ui/appearance/frmFonts.h"
#include "ui/common/Appearance.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>

class TestFrmFonts : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    // Opens the window through the window opener and clicks `button` in it,
    // after selecting `font` when one is given.
    void openAndClick(const QString &button, const QString &font = QString())
    {
        sb.windows->onOpen(QStringLiteral("frmFonts"), [&](QDialog &w) {
            if (!font.isEmpty()) {
                auto *list = w.findChild<QListWidget *>(QStringLiteral("lstSFonts"));
                list->setCurrentItem(list->findItems(font, Qt::MatchExactly).value(0));
            }
            QTest::mouseClick(w.findChild<QPushButton *>(button), Qt::LeftButton);
            w.reject();
        });
        QVERIFY(Windows::open(Windows::Kind::Fonts, nullptr).opened);
    }

private slots:
    void init()
    {
        sb.start();
        Settings::LoadSettings();
        // "Fixed Bitmap" cannot be printed.
        Appearance::setFontListsForTesting({"DejaVu Serif", "Fixed Bitmap", "DejaVu Sans"}, {"DejaVu Serif", "DejaVu Sans"});
    }
    void cleanup()
    {
        Appearance::setFontListsForTesting({}, {});
        sb.stop();
    }

    void takingAFont_data()
    {
        QTest::addColumn<bool>("mother");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QMessageBox::StandardButton>("answer"); // NoButton: not asked
        QTest::addColumn<QString>("taken");
        const QString bitmap = QStringLiteral("Fixed Bitmap");
        const QString fallback = QStringLiteral("MS Sans Serif");
        QTest::newRow("mother tongue, printable") << true << QStringLiteral("DejaVu Sans") << QMessageBox::NoButton << QStringLiteral("DejaVu Sans");
        QTest::newRow("screen only, Yes") << false << bitmap << QMessageBox::Yes << bitmap;
        QTest::newRow("screen only, Cancel") << true << bitmap << QMessageBox::Cancel << fallback;
    }
    void takingAFont()
    {
        QFETCH(bool, mother);
        QFETCH(QString, selected);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, taken);
        if (answer != QMessageBox::NoButton)
            sb.spy->answer(answer);
        openAndClick(mother ? QStringLiteral("btnMWahl") : QStringLiteral("btnFWahl"), selected);
        QCOMPARE(sb.spy->count(), answer == QMessageBox::NoButton ? 0 : 1);
        const AppState &a = AppState::instance();
        QCOMPARE(mother ? a.MutterFont : a.FremdFont, taken);
        QCOMPARE(mother ? a.FremdFont : a.MutterFont, QStringLiteral("ms sans serif"));
        QCOMPARE(sb.setting(mother ? QStringLiteral("Fonts/Muttersprachen-Font") : QStringLiteral("Fonts/Fremdsprachen-Font")), taken);
    }

    // The system names a family once per foundry that makes it ("Nimbus
    // Sans [urw]", "Nimbus Sans [URW ]"): the list offers each family once,
    // in the system's order, and stores its plain name. A tagged name stored
    // before shows and applies as its family.
    void oneLinePerFamily()
    {
        Appearance::setFontListsForTesting({"Nimbus Sans [urw]", "C059 [UKWN]", "Nimbus Sans [URW ]", "DejaVu Sans", "C059 [urw]"},
                                           {"Nimbus Sans [URW ]", "C059 [UKWN]", "DejaVu Sans"});
        sb.putSetting(QStringLiteral("Fonts/Fremdsprachen-Font"), QStringLiteral("Nimbus Sans [urw]"));
        Settings::LoadSettings();
        sb.windows->onOpen(QStringLiteral("frmFonts"), [&](QDialog &w) {
            auto *list = w.findChild<QListWidget *>(QStringLiteral("lstSFonts"));
            QStringList shown;
            for (int i = 0; i < list->count(); ++i)
                shown << list->item(i)->text();
            QCOMPARE(shown, (QStringList{"Nimbus Sans", "C059", "DejaVu Sans"}));
            QCOMPARE(w.findChild<QGroupBox *>(QStringLiteral("FFrame"))->title(), QStringLiteral("Fremdsprachen-Font: Nimbus Sans"));
            QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblFFont"))->font().families().value(0), QStringLiteral("Nimbus Sans"));
            list->setCurrentRow(1);
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("btnMWahl")), Qt::LeftButton);
            w.reject();
        });
        QVERIFY(Windows::open(Windows::Kind::Fonts, nullptr).opened);
        QCOMPARE(sb.spy->count(), 0); // the plain name counts as printable
        QCOMPARE(sb.setting(QStringLiteral("Fonts/Muttersprachen-Font")), QStringLiteral("C059"));
        QLineEdit box;
        Appearance::apply(&box, Appearance::Language::Foreign);
        QCOMPARE(box.font().families().value(0), QStringLiteral("Nimbus Sans"));
        QCOMPARE(Appearance::font(AppState::instance().FremdFont).families().value(0), QStringLiteral("Nimbus Sans"));

        // So with the system's own list.
        Appearance::setFontListsForTesting({}, {});
        const QStringList system = Appearance::screenFonts();
        QVERIFY(!system.isEmpty());
        QCOMPARE(QSet<QString>(system.begin(), system.end()).size(), system.size());
        for (const QString &family : system + Appearance::printerFonts())
            QVERIFY2(!family.contains(QLatin1Char('[')), qPrintable(family));
    }

    void choosingAColour_data()
    {
        QTest::addColumn<bool>("mother");
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<int>("stored"); // -1: nothing stored
        QTest::newRow("mother tongue") << true << QVariant(QColor(10, 20, 30)) << 10 + 256 * 20 + 65536 * 30;
        QTest::newRow("cancel keeps the colour") << false << QVariant() << -1;
    }
    void choosingAColour()
    {
        QFETCH(bool, mother);
        QFETCH(QVariant, answer);
        QFETCH(int, stored);
        AppState &a = AppState::instance();
        a.MutterColor = a.FremdColor = 0x102030;
        sb.dialogs->answer(answer);
        openAndClick(mother ? QStringLiteral("btnMColor") : QStringLiteral("btnFColor"));
        QCOMPARE(sb.dialogs->asked().value(0).colour, QColor(0x30, 0x20, 0x10)); // starts from the colour in force
        QCOMPARE(mother ? a.MutterColor : a.FremdColor, stored < 0 ? 0x102030 : stored);
        QCOMPARE(mother ? a.FremdColor : a.MutterColor, 0x102030);
        QCOMPARE(sb.setting(mother ? QStringLiteral("Colors/Muttersprachen-Color") : QStringLiteral("Colors/Fremdsprachen-Color")),
                 stored < 0 ? QString() : QString::number(stored));
    }
};

QTEST_MAIN(TestFrmFonts)
#include "tst_frmfonts.moc"
