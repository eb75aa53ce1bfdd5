// The table view of a compartment: the cells as the learner reads them,
// the current row left alone, and the layout after a resize.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmTable.h"

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

} // namespace

class TestFrmTable : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::shared_ptr<store::Database> db;

    // Compartment 3 of a table for this pair, prepared as the table
    // command prepares it. Each card: VNr, FVok, MVok, FSatz, MSatz; a null
    // QVariant is a missing value.
    void prepare(const QList<QVariantList> &cards, const QString &foreign = QStringLiteral("Englisch"),
                 const QString &native = QStringLiteral("Deutsch"))
    {
        const QString table = QStringLiteral("t") + foreign;
        Catalogue::CreateLanguageTable(*db, table);
        for (const QVariantList &c : cards)
            db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, MVok, FSatz, MSatz, Fach) VALUES (?, ?, ?, ?, ?, ?)")
                            .arg(table),
                        c + QVariantList{3});
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = foreign;
        a.NativeLanguage = native;
        a.CurrentFach = 3;
        a.CompartmentRecordset = Records::openCompartment(3, true);
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

    // Sorted by the foreign word, numbers beyond 16 bits, missing values
    // empty, headings from the pair.
    void listsTheCompartmentByForeignWord()
    {
        prepare({{17, QStringLiteral("zebra"), QStringLiteral("Zebra"), QStringLiteral("The zebra runs."),
                  QStringLiteral("Das Zebra läuft.")},
                 {125000, QStringLiteral("Äpfel"), QStringLiteral("apples"), QVariant(), QVariant()},
                 {3, QStringLiteral("house"), QVariant(), QString(), QString()}},
                QStringLiteral("Französisch"), QStringLiteral("Schwyzerdütsch"));
        frmTable w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Übersicht Fach 3: 3 Vokabeln"));
        const QAbstractItemModel *m = list(w)->model();
        QCOMPARE(m->rowCount(), 3);
        QStringList heads;
        for (int c = 0; c < m->columnCount(); ++c)
            heads << m->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(heads, (QStringList{"Nr", "Französisch", "Schwyzerdütsch", "Satz Französisch", "Satz Schwyzerdütsch"}));
        QCOMPARE(row(w, 0), (QStringList{" 125000", "Äpfel", "apples", "", ""}));
        QCOMPARE(row(w, 1), (QStringList{" 3", "house", "", "", ""}));
        QCOMPARE(row(w, 2), (QStringList{" 17", "zebra", "Zebra", "The zebra runs.", "Das Zebra läuft."}));

        // Looking through the list leaves the compartment's current row where it is.
        AppState &a = AppState::instance();
        a.CompartmentRecordset->moveFirst();
        a.CompartmentRecordset->moveNext();
        list(w)->scrollToBottom();
        w.grab();
        QCOMPARE(a.CompartmentRecordset->text(QStringLiteral("FVok")), QStringLiteral("house"));
    }

    // An empty compartment; the list and the buttons stay inside the window
    // at any size.
    void emptyCompartmentAtAnySize()
    {
        prepare({});
        frmTable w;
        w.show();
        QCOMPARE(list(w)->model()->rowCount(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Übersicht Fach 3: 0 Vokabeln"));
        for (const QSize size : {QSize(420, 260), QSize(1210, 700)}) {
            w.resize(size);
            QCoreApplication::processEvents();
            const QRect view = list(w)->geometry();
            const QRect exit = w.findChild<QPushButton *>(QStringLiteral("btnExit"))->geometry();
            QCOMPARE(view.width(), size.width());
            QVERIFY(view.bottom() < exit.top());
            QVERIFY(w.rect().contains(exit));
        }
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmTable)
#include "tst_frmtable.moc"
