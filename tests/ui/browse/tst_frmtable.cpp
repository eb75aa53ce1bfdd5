// The table view of a compartment: title, headings, the cells as the
// learner reads them, and the layout after every resize.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmTable.h"
#include "ui/common/Twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {

QTableView *list(const QWidget &w)
{
    return w.findChild<QTableView *>(QStringLiteral("lstView"));
}

QStringList row(const QWidget &w, int r)
{
    QStringList cells;
    const QAbstractItemModel *m = list(w)->model();
    for (int c = 0; c < m->columnCount(); ++c)
        cells << m->index(r, c).data().toString();
    return cells;
}

QStringList headings(const QWidget &w)
{
    QStringList h;
    const QAbstractItemModel *m = list(w)->model();
    for (int c = 0; c < m->columnCount(); ++c)
        h << m->headerData(c, Qt::Horizontal).toString();
    return h;
}

} // namespace

class TestFrmTable : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::shared_ptr<store::Database> db;

    // Compartment `fach` of a table for this pair, prepared as the table
    // command prepares it. Each card: VNr, FVok, MVok, FSatz, MSatz; a null
    // QVariant is a missing value.
    void prepare(const QList<QVariantList> &cards, const QString &foreign = QStringLiteral("Englisch"),
                 const QString &native = QStringLiteral("Deutsch"), int fach = 3)
    {
        const QString table = QStringLiteral("t") + foreign;
        Catalogue::CreateLanguageTable(*db, table);
        for (const QVariantList &c : cards)
            db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, MVok, FSatz, MSatz, Fach) VALUES (?, ?, ?, ?, ?, ?)")
                            .arg(table),
                        c + QVariantList{fach});
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = foreign;
        a.NativeLanguage = native;
        a.CurrentFach = std::int16_t(fach);
        a.CompartmentRecordset = Records::openCompartment(fach, true);
    }

private slots:
    void init()
    {
        sb.start();
        db = store::Database::create(sb.work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
    }
    void cleanup()
    {
        db.reset();
        sb.stop();
    }

    void listsTheCompartmentByForeignWord()
    {
        AppState &a = AppState::instance();
        // The language fonts and colours belong to other windows.
        a.FremdFont = QStringLiteral("DejaVu Serif");
        a.FremdColor = 255;
        prepare({{17, QStringLiteral("zebra"), QStringLiteral("Zebra"), QStringLiteral("The zebra runs."),
                  QStringLiteral("Das Zebra läuft.")},
                 {125000, QStringLiteral("Äpfel"), QStringLiteral("apples"), QVariant(), QVariant()},
                 {3, QStringLiteral("house"), QVariant(), QString(), QString()}});
        frmTable w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Übersicht Fach 3: 3 Vokabeln"));
        QCOMPARE(list(w)->model()->rowCount(), 3);
        QCOMPARE(row(w, 0), (QStringList{" 125000", "Äpfel", "apples", "", ""}));
        QCOMPARE(row(w, 1), (QStringList{" 3", "house", "", "", ""}));
        QCOMPARE(row(w, 2), (QStringList{" 17", "zebra", "Zebra", "The zebra runs.", "Das Zebra läuft."}));
        QVERIFY(!list(w)->model()->index(1, 1).data(Qt::FontRole).isValid());
        QVERIFY(!list(w)->model()->index(1, 1).data(Qt::ForegroundRole).isValid());
        QCOMPARE(list(w)->font(), QApplication::font(list(w)));
        QCOMPARE(w.focusWidget(), list(w));

        // Looking through the list leaves the compartment's current row where it is.
        a.CompartmentRecordset->moveFirst();
        a.CompartmentRecordset->moveNext();
        list(w)->scrollToBottom();
        w.grab();
        QCOMPARE(a.CompartmentRecordset->text(QStringLiteral("FVok")), QStringLiteral("house"));
    }

    void headingsAndTitleFollowThePair_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("native");
        QTest::addColumn<int>("cards");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("heads");
        QTest::newRow("Englisch, one card")
            << "Englisch" << "Deutsch" << 1 << "Übersicht Fach 5: 1 Vokabeln"
            << QStringList{"Nr", "Englisch", "Deutsch", "Satz Englisch", "Satz Deutsch"};
        QTest::newRow("Französisch, empty")
            << "Französisch" << "Schwyzerdütsch" << 0 << "Übersicht Fach 5: 0 Vokabeln"
            << QStringList{"Nr", "Französisch", "Schwyzerdütsch", "Satz Französisch", "Satz Schwyzerdütsch"};
    }
    void headingsAndTitleFollowThePair()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, native);
        QFETCH(int, cards);
        QFETCH(QString, title);
        QFETCH(QStringList, heads);
        QList<QVariantList> rows;
        for (int i = 1; i <= cards; ++i)
            rows << QVariantList{i, QStringLiteral("w%1").arg(i), QStringLiteral("m"), QVariant(), QVariant()};
        prepare(rows, foreign, native, 5);
        frmTable w;
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(headings(w), heads);
        QCOMPARE(list(w)->model()->rowCount(), cards);
    }

    void columnsAndButtonsFollowEveryResize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("narrow") << QSize(420, 260);
        QTest::newRow("wide") << QSize(1210, 700);
        QTest::newRow("odd") << QSize(777, 333);
    }
    void columnsAndButtonsFollowEveryResize()
    {
        QFETCH(QSize, size);
        prepare({{1, QStringLiteral("a"), QStringLiteral("b"), QVariant(), QVariant()}});
        frmTable w;
        w.show();
        w.resize(size);
        QCoreApplication::processEvents();
        QCOMPARE(w.size(), size);

        QTableView *v = list(w);
        QCOMPARE(v->geometry().left(), 0);
        QCOMPARE(v->width(), size.width());
        const int shares[5] = {5, 10, 10, 35, 35};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(v->columnWidth(c), size.width() * shares[c] / 100);

        auto *help = w.findChild<QPushButton *>(QStringLiteral("btnHelp"));
        auto *exit = w.findChild<QPushButton *>(QStringLiteral("btnExit"));
        const int gapX = Twips::x(20, &w), gapY = Twips::y(20, &w);
        QCOMPARE(size.width() - exit->geometry().right() - 1, gapX);
        QCOMPARE(size.height() - exit->geometry().bottom() - 1, gapY);
        QCOMPARE(exit->geometry().left() - help->geometry().right() - 1, gapX);
        QCOMPARE(help->geometry().bottom(), exit->geometry().bottom());
        // The list ends above the buttons.
        QVERIFY(v->geometry().bottom() < exit->geometry().top());
    }
};

QTEST_MAIN(TestFrmTable)
#include "tst_frmtable.moc"
