// SPDX-License-Identifier: GPL-3.0-or-later
// The table view of a compartment: the cells as the learner reads them and
// the current row left alone.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmTable.h"

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
    LanguageTable t;

    // Compartment 3 of a table, prepared as the table command prepares it.
    // Each card: VNr, FVok, MVok, FSatz, MSatz; a null QVariant is a
    // missing value.
    void prepare(const QList<QVariantList> &cards)
    {
        t.open(sb);
        for (const QVariantList &c : cards)
            t.insert(QStringLiteral("VNr, FVok, MVok, FSatz, MSatz, Fach"), c + QVariantList{3});
        t.openCompartment(3);
    }

private slots:
    void init()
    {
        sb.start();
    }
    void cleanup() { t.close(sb); }

    // Sorted by the foreign word, numbers beyond 16 bits, missing values
    // empty.
    void listsTheCompartmentByForeignWord()
    {
        prepare({{17, QStringLiteral("zebra"), QStringLiteral("Zebra"), QStringLiteral("The zebra runs."),
                  QStringLiteral("Das Zebra läuft.")},
                 {125000, QStringLiteral("Äpfel"), QStringLiteral("apples"), QVariant(), QVariant()},
                 {3, QStringLiteral("house"), QVariant(), QString(), QString()}});
        frmTable w;
        w.show();
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(list(w)->model()->rowCount(), 3);
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

    void emptyCompartment()
    {
        prepare({});
        frmTable w;
        w.show();
        QCOMPARE(list(w)->model()->rowCount(), 0);
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmTable)
#include "tst_frmtable.moc"
