// The fonts and colours window: the font list, taking a font with and
// without a printer font, choosing colours, and what the other windows get.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Settings.h"
#include "ui/appearance/frmFonts.h"
#include "ui/common/Appearance.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class TestFrmFonts : public QObject
{
    Q_OBJECT

private:
    Sandbox sb;

    template <typename T>
    static T *child(QWidget &w, const QString &name) { return w.findChild<T *>(name); }
    static void select(QWidget &w, const QString &font)
    {
        auto *list = child<QListWidget>(w, QStringLiteral("lstSFonts"));
        list->setCurrentItem(list->findItems(font, Qt::MatchExactly).value(0));
    }

private slots:
    void init()
    {
        sb.start();
        Settings::LoadSettings();
        // The system's order, not sorted; "Fixed Bitmap" cannot be printed.
        Appearance::setFontListsForTesting({"DejaVu Serif", "Fixed Bitmap", "DejaVu Sans"}, {"DejaVu Serif", "DejaVu Sans"});
    }
    void cleanup()
    {
        Appearance::setFontListsForTesting({}, {});
        sb.stop();
    }

    void loadAndSelect()
    {
        QVERIFY(Windows::open(Windows::Kind::Fonts, nullptr).opened);
        QCOMPARE(sb.windows->opened(), QStringList{"frmFonts"});
        frmFonts w;
        // Every screen font, in the system's order; the sample takes the selection.
        QCOMPARE(child<QListWidget>(w, QStringLiteral("lstSFonts"))->item(1)->text(), QStringLiteral("Fixed Bitmap"));
        select(w, QStringLiteral("DejaVu Sans"));
        QCOMPARE(QFontInfo(child<QLineEdit>(w, QStringLiteral("txtAktuell"))->font()).family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(sb.setting(QStringLiteral("Fonts/Fremdsprachen-Font")).isEmpty()); // selecting stores nothing
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
        QTest::newRow("screen only, No") << true << bitmap << QMessageBox::No << fallback;
        QTest::newRow("screen only, Cancel") << false << bitmap << QMessageBox::Cancel << fallback;
    }
    void takingAFont()
    {
        QFETCH(bool, mother);
        QFETCH(QString, selected);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, taken);
        frmFonts w;
        select(w, selected);
        if (answer != QMessageBox::NoButton)
            sb.spy->answer(answer);
        QTest::mouseClick(child<QPushButton>(w, mother ? QStringLiteral("btnMWahl") : QStringLiteral("btnFWahl")), Qt::LeftButton);

        QCOMPARE(sb.spy->count(), answer == QMessageBox::NoButton ? 0 : 1);
        if (sb.spy->count())
            QCOMPARE(sb.spy->last().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        const AppState &a = AppState::instance();
        QCOMPARE(mother ? a.MutterFont : a.FremdFont, taken);
        QCOMPARE(mother ? a.FremdFont : a.MutterFont, QStringLiteral("ms sans serif"));
        QCOMPARE(sb.setting(mother ? QStringLiteral("Fonts/Muttersprachen-Font") : QStringLiteral("Fonts/Fremdsprachen-Font")), taken);
        QCOMPARE(child<QLabel>(w, mother ? QStringLiteral("lblMFont") : QStringLiteral("lblFFont"))->font().families().value(0), taken);
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
        frmFonts w;
        sb.dialogs->answer(answer);
        QTest::mouseClick(child<QPushButton>(w, mother ? QStringLiteral("btnMColor") : QStringLiteral("btnFColor")), Qt::LeftButton);
        QCOMPARE(sb.dialogs->asked().value(0).colour, QColor(0x30, 0x20, 0x10)); // starts from the colour in force
        const int expected = stored < 0 ? 0x102030 : stored;
        QCOMPARE(mother ? a.MutterColor : a.FremdColor, expected);
        QCOMPARE(mother ? a.FremdColor : a.MutterColor, 0x102030);
        QCOMPARE(sb.setting(mother ? QStringLiteral("Colors/Muttersprachen-Color") : QStringLiteral("Colors/Fremdsprachen-Color")),
                 stored < 0 ? QString() : QString::number(stored));
        QCOMPARE(child<QLabel>(w, mother ? QStringLiteral("lblMFont") : QStringLiteral("lblFFont"))->palette().color(QPalette::WindowText),
                 Colour::decode(expected));
    }

    // How every window that shows vocabulary takes the fonts when it loads;
    // a family the system lacks gives the platform's substitute.
    void windowsTakeTheFonts()
    {
        AppState &a = AppState::instance();
        a.FremdFont = QStringLiteral("DejaVu Serif");
        a.FremdColor = 255;
        a.MutterFont = QStringLiteral("ms sans serif");
        QLineEdit foreign, native;
        native.setFont(QFont(native.font().family(), 17));
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
