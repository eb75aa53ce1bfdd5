// SPDX-License-Identifier: GPL-3.0-or-later
// The message boxes as the learner sees them.
#include "TestSupport.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QTest>

class TestMessages : public QObject
{
    Q_OBJECT

    Sandbox sb;

private slots:
    void init() { sb.start(); }
    void cleanup() { sb.stop(); }

    // The frame a window manager draws round a box writes the title beside
    // its own buttons (an icon and three at least, each about a line high);
    // a box with a short text is still wide enough for its whole title.
    void theWholeTitleFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("end of a practice") << QStringLiteral("Geschafft!\r\n\r\nrichtig: 12\r\nfalsch: 2") << Msg::kAppTitle;
        QTest::newRow("search answer") << QStringLiteral("cat - Katze\r\nist bereits im Fach 1") << QStringLiteral("Vokabel vorhanden");
        QTest::newRow("long title") << QStringLiteral("OK") << QStringLiteral("Die Lerntabelle ist nicht vorhanden und muss neu angelegt werden");
        QTest::newRow("long text") << QString(400, QLatin1Char('x')) << QStringLiteral("Löschen");
    }
    void theWholeTitleFits()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        int width = 0;
        sb.spy->look([&](QMessageBox &box) {
            box.show();
            width = box.width();
            box.hide();
        });
        Msg::show(text, title);
        QFont titleFont = QApplication::font();
        titleFont.setBold(true);
        const QFontMetrics fm(titleFont);
        const int screen = QApplication::primaryScreen()->availableGeometry().width();
        QVERIFY2(width >= std::min(fm.horizontalAdvance(title) + 4 * fm.height(), screen),
                 qPrintable(QStringLiteral("%1 px for a title of %2 px").arg(width).arg(fm.horizontalAdvance(title))));
        QVERIFY(width <= screen);
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
