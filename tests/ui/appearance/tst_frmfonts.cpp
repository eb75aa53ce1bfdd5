// SPDX-License-Identifier: GPL-3.0-or-later
// The fonts and colours window, opened as the main window opens it: taking a
// font with and without a printer font, and choosing colours, as stored.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Settings.h"
#include "ui/appearance/frmFonts.h"
#include "ui/common/Appearance.h"

#include <QListWidget>
#include <QPushButton>

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
