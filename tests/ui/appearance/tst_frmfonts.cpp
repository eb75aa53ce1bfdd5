// The fonts and colours window: the font list, taking a font with and
// without a printer font, choosing colours, and what the other windows get.

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

class TestFrmFonts : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    static void click(QWidget &w, const char *name)
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    static void select(QWidget &w, const QString &font)
    {
        auto *list = w.findChild<QListWidget *>(QStringLiteral("lstSFonts"));
        list->setCurrentItem(list->findItems(font, Qt::MatchExactly).value(0));
    }
    static QString frameTitle(QWidget &w, const char *name)
    {
        return w.findChild<QGroupBox *>(QString::fromLatin1(name))->title();
    }

private slots:
    void init()
    {
        sb.start();
        Settings::LoadSettings();
        // The system's order, not sorted; "Fixed Bitmap" cannot be printed.
        Appearance::setFontListsForTesting({QStringLiteral("DejaVu Serif"), QStringLiteral("Fixed Bitmap"),
                                            QStringLiteral("DejaVu Sans")},
                                           {QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans")});
    }
    void cleanup()
    {
        Appearance::setFontListsForTesting({}, {});
        sb.stop();
    }

    void loadShowsTheFontsInForce()
    {
        frmFonts w;
        auto *list = w.findChild<QListWidget *>(QStringLiteral("lstSFonts"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Fixed Bitmap"));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblAktuell"))->text(), QStringLiteral("aktueller Font: DejaVu Serif"));
        QCOMPARE(frameTitle(w, "MFrame"), QStringLiteral("Muttersprachen-Font: ms sans serif"));
        QCOMPARE(frameTitle(w, "FFrame"), QStringLiteral("Fremdsprachen-Font: ms sans serif"));
        select(w, QStringLiteral("DejaVu Sans"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblAktuell"))->text(), QStringLiteral("aktueller Font: DejaVu Sans"));
        QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("txtAktuell"))->font().families().value(0),
                 QStringLiteral("DejaVu Sans"));
        QVERIFY(sb.setting(QStringLiteral("Fonts/Fremdsprachen-Font")).isEmpty()); // selecting stores nothing
    }

    void takingAFont_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QMessageBox::StandardButton>("answer"); // NoButton: not asked
        QTest::addColumn<QString>("taken");
        const QString bitmap = QStringLiteral("Fixed Bitmap");
        const QString fallback = QStringLiteral("MS Sans Serif");
        QTest::newRow("mother tongue, printable") << QByteArray("btnMWahl") << QStringLiteral("DejaVu Sans") << QMessageBox::NoButton << QStringLiteral("DejaVu Sans");
        QTest::newRow("foreign, printable") << QByteArray("btnFWahl") << QStringLiteral("DejaVu Serif") << QMessageBox::NoButton << QStringLiteral("DejaVu Serif");
        QTest::newRow("screen only, Yes") << QByteArray("btnFWahl") << bitmap << QMessageBox::Yes << bitmap;
        QTest::newRow("screen only, No") << QByteArray("btnMWahl") << bitmap << QMessageBox::No << fallback;
        QTest::newRow("screen only, Cancel") << QByteArray("btnFWahl") << bitmap << QMessageBox::Cancel << fallback;
    }
    void takingAFont()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, selected);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, taken);
        const bool mother = button == "btnMWahl";
        frmFonts w;
        select(w, selected);
        if (answer != QMessageBox::NoButton)
            sb.spy->answer(answer);
        click(w, button.constData());

        if (answer == QMessageBox::NoButton) {
            QCOMPARE(sb.spy->count(), 0);
        } else {
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().text, QStringLiteral("Kein zugehöriger Printer Font vorhanden. Soll der Font "
                                                         "dennoch übernommen werden?"));
            QCOMPARE(sb.spy->last().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        }
        const AppState &a = AppState::instance();
        QCOMPARE(mother ? a.MutterFont : a.FremdFont, taken);
        QCOMPARE(mother ? a.FremdFont : a.MutterFont, QStringLiteral("ms sans serif"));
        QCOMPARE(sb.setting(mother ? QStringLiteral("Fonts/Muttersprachen-Font") : QStringLiteral("Fonts/Fremdsprachen-Font")), taken);
        QCOMPARE(frameTitle(w, mother ? "MFrame" : "FFrame"),
                 (mother ? QStringLiteral("Muttersprachen-Font: ") : QStringLiteral("Fremdsprachen-Font: ")) + taken);
        QCOMPARE(w.findChild<QLabel *>(mother ? QStringLiteral("lblMFont") : QStringLiteral("lblFFont"))->font().families().value(0),
                 taken);
    }

    void choosingAColour_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<int>("stored"); // -1: nothing stored
        QTest::newRow("mother tongue") << QByteArray("btnMColor") << QVariant(QColor(10, 20, 30)) << 10 + 256 * 20 + 65536 * 30;
        QTest::newRow("foreign") << QByteArray("btnFColor") << QVariant(QColor(255, 0, 128)) << 255 + 65536 * 128;
        QTest::newRow("cancel keeps the colour") << QByteArray("btnFColor") << QVariant() << -1;
    }
    void choosingAColour()
    {
        QFETCH(QByteArray, button);
        QFETCH(QVariant, answer);
        QFETCH(int, stored);
        const bool mother = button == "btnMColor";
        AppState &a = AppState::instance();
        a.MutterColor = a.FremdColor = 0x102030;
        frmFonts w;
        sb.dialogs->answer(answer);
        click(w, button.constData());
        QCOMPARE(sb.dialogs->asked().size(), 1);
        QCOMPARE(sb.dialogs->asked().first().colour, QColor(0x30, 0x20, 0x10)); // starts from the colour in force
        const int expected = stored < 0 ? 0x102030 : stored;
        QCOMPARE(mother ? a.MutterColor : a.FremdColor, expected);
        QCOMPARE(mother ? a.FremdColor : a.MutterColor, 0x102030);
        const QString key = mother ? QStringLiteral("Colors/Muttersprachen-Color") : QStringLiteral("Colors/Fremdsprachen-Color");
        QCOMPARE(sb.setting(key), stored < 0 ? QString() : QString::number(stored));
        auto *sample = w.findChild<QLabel *>(mother ? QStringLiteral("lblMFont") : QStringLiteral("lblFFont"));
        QCOMPARE(sample->palette().color(QPalette::WindowText), Colour::decode(expected));
    }

    // Every window that shows vocabulary takes the fonts this way; a family
    // the system lacks falls back to the platform's substitute.
    void windowsTakeTheFontsWhenTheyLoad()
    {
        AppState &a = AppState::instance();
        a.FremdFont = QStringLiteral("DejaVu Serif");
        a.FremdColor = 255;
        a.MutterFont = QStringLiteral("ms sans serif");
        QLineEdit foreign, native;
        QFont big = native.font();
        big.setPointSize(17);
        native.setFont(big);
        Appearance::apply(&foreign, Appearance::Language::Foreign);
        Appearance::apply(&native, Appearance::Language::Native, false);
        QCOMPARE(QFontInfo(foreign.font()).family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(foreign.palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(native.font().pointSize(), 17);
        QVERIFY(!QFontInfo(native.font()).family().isEmpty());
        QCOMPARE(native.palette().color(QPalette::Text), QLineEdit().palette().color(QPalette::Text));
    }
};

QTEST_MAIN(TestFrmFonts)
#include "tst_frmfonts.moc"
