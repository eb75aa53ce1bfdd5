// SPDX-License-Identifier: GPL-3.0-or-later
// The browsing windows opened from the card box against a real compartment:
// the paging ring in both directions with its running number, and the table.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmPage.h"
#include "ui/main/frmMain.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

// What the learner sees of the card on show: "number foreign/native".
QString screen(const QWidget &w)
{
    const auto text = [&w](const char *name) { return w.findChild<QLineEdit *>(QLatin1String(name))->text(); };
    return w.findChild<QLabel *>(QStringLiteral("lblNr"))->text() + u' ' + text("txtIVok") + u'/' + text("txtDVok");
}

} // namespace

class TestFrmPage : public QObject
{
    Q_OBJECT

    Sandbox sb;
    LanguageTable t;

    // Compartment 3 of the English table with these cards (VNr, FVok, MVok;
    // a null MVok is no native word), prepared as the paging command does.
    void prepare(const QList<QVariantList> &cards, const QString &file = {})
    {
        t.create(file.isEmpty() ? sb.work->file(QStringLiteral("Vokabeln.mdb")) : file);
        for (const QVariantList &c : cards)
            t.insert(QStringLiteral("VNr, FVok, MVok, Fach"), c + QVariantList{3});
        t.openCompartment(3);
    }

private slots:
    void init()
    {
        sb.start();
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
    }
    void cleanup() { t.close(sb); }

    void emptyCompartmentPagesOnNothing()
    {
        prepare({});
        frmPage w;
        QStringList got{screen(w)};
        for (const char *button : {"btnNext", "btnBack"}) {
            QTest::mouseClick(w.findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
            got << screen(w);
        }
        QCOMPARE(got, QStringList(3, QStringLiteral("0 /")));
        QCOMPARE(sb.spy->count(), 0);
    }

    // The card box opens both browsing windows on the compartment clicked,
    // in the order of the foreign word. A card without a native word is a
    // card like any other: the number keeps telling its place, both ways.
    void openedFromTheCardBox_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("seen"); // pages: after n n n n b b
        QTest::newRow("paging") << 2 << "frmPage"
                                << QStringList{"1 Apple/Apfel", "2 banana/", "3 cherry/Kirsche", "4 date/Dattel",
                                               "1 Apple/Apfel", "4 date/Dattel", "3 cherry/Kirsche"};
        QTest::newRow("table") << 3 << "frmTable" << QStringList{"Apple", "banana", "cherry", "date"};
    }
    void openedFromTheCardBox()
    {
        QFETCH(int, mode);
        QFETCH(QString, window);
        QFETCH(QStringList, seen);
        // Entered out of order.
        prepare({{2, "cherry", "Kirsche"}, {1, "Apple", "Apfel"}, {3, "banana", QVariant()}, {4, "date", "Dattel"}},
                Places::databasePath());
        Catalogue::CreateCatalogueTable(*t.db);
        t.db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES "
                                     "('tEnglisch', 'Deutsch', 'Englisch')"));
        t.db.reset();
        AppState::resetForTesting();

        QStringList got;
        sb.windows->onOpen(window, [&](QDialog &w) {
            if (const auto *list = w.findChild<QAbstractItemView *>(QStringLiteral("lstView"))) {
                for (int r = 0; r < list->model()->rowCount(); ++r)
                    got << list->model()->index(r, 1).data().toString();
            } else {
                got << screen(w);
                for (const char *button : {"btnNext", "btnNext", "btnNext", "btnNext", "btnBack", "btnBack"}) {
                    QTest::mouseClick(w.findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
                    got << screen(w);
                }
            }
            w.close();
        });
        frmMain main;
        main.show();
        QTest::mouseClick(main.findChild<QRadioButton *>(QStringLiteral("optMode(%1)").arg(mode)), Qt::LeftButton);
        QTest::mouseClick(main.findChild<QLabel *>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        QCOMPARE(sb.windows->opened(), QStringList{window});
        QCOMPARE(got, seen);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmPage)
#include "tst_frmpage.moc"
