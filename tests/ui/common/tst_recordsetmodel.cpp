// SPDX-License-Identifier: GPL-3.0-or-later
// The list model against a plain reading of the same statement, before and
// after the card operations change the table.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/RecordsetModel.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

class TestRecordsetModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work;
    LanguageTable t;
    std::shared_ptr<store::Database> db;

private slots:
    void init()
    {
        work = std::make_unique<TempWorkDir>();
        t.create(work->file(QStringLiteral("Vokabeln.mdb")));
        db = t.db;
        const QStringList words = QStringLiteral("Haus haus Häuser Öl Zebra apfel Äpfel Ende ende Über").split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i)
            t.insert(QStringLiteral("FVok, MVok, Fach"), {words[i], i, i % 3});
    }
    void cleanup()
    {
        AppState::resetForTesting();
        db.reset();
        t.db.reset();
        work.reset();
    }

    // Both kinds of list, checked against a plain reading and against the
    // sorted lines, after each kind of change through the store.
    void listsFollowTheTable_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("dictionary");
        QTest::newRow("dictionary") << "Select VNr, FVok, MVok, Fach from tEnglisch order by FVok, MVok, Fach" << true;
        QTest::newRow("compartment") << "Select VNr, FVok, MVok from tEnglisch where [Fach] = 1 order by FVok, MVok" << false;
    }
    void listsFollowTheTable()
    {
        QFETCH(QString, sql);
        QFETCH(bool, dictionary);
        const auto format = dictionary ? RecordsetModel::joined({1, 2, 3}, QStringLiteral(" ")) : RecordsetModel::joined({1, 2});
        RecordsetModel model(*db, sql, {{QStringLiteral("Vokabel"), format}});
        QListView view;
        view.setModel(&model);
        view.show();

        // Line by line as a plain walk through a fresh recordset builds it.
        const auto check = [&](const char *step) {
            QCoreApplication::processEvents();
            auto rs = db->openRecordset(sql);
            int r = 0;
            for (QString previous; !rs->eof(); rs->moveNext(), ++r) {
                QVariantList values;
                for (int f = 0; f < rs->fieldCount(); ++f)
                    values << rs->value(f);
                const QString line = format(values);
                const qint64 key = rs->value(0).toLongLong();
                QVERIFY2(r < model.rowCount() && model.data(model.index(r, 0)).toString() == line, step);
                QVERIFY2(model.data(model.index(r, 0), RecordsetModel::KeyRole).toLongLong() == key, step);
                QVERIFY2(model.rowOfKey(key) == r, step);
                QVERIFY2(store::germanCompare(previous, line) <= 0, step);
                previous = line;
            }
            QVERIFY2(model.rowCount() == r, step);
        };
        check("opened");

        VocabularyRecord card;
        card.FVok = QStringLiteral("Baum");
        card.MVok = QStringLiteral("tree");
        card.Fach = 1;
        card.VNr = Records::addCard(card);
        check("added");
        card.FVok = QStringLiteral("Zypresse");
        Records::saveCard(card);
        check("changed words");

        Records::moveCard(2, 1);
        Records::moveCard(4, 2);
        check("moved");

        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        Records::deleteCard(card.VNr);
        QCOMPARE(removed.count(), 1); // at once, without a reading of the whole list
        check("deleted");

        Records::moveCompartment(1, 0);
        check("compartment moved");
    }

    // Qt's model checker watches the list through every kind of change: its
    // own dynaset and one that a window moves and writes through.
    void keepsTheModelContract_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("own dynaset") << false;
        QTest::newRow("a window's recordset") << true;
    }
    void keepsTheModelContract()
    {
        QFETCH(bool, shared);
        const QString sql = QStringLiteral("Select VNr, FVok, MVok, Fach from tEnglisch where [Fach] = 1 order by FVok, MVok");
        auto rs = db->openRecordset(sql);
        std::unique_ptr<RecordsetModel> model = shared
            ? std::make_unique<RecordsetModel>(rs, QList<RecordsetModel::Column>{{QString(), RecordsetModel::joined({1, 2})}})
            : std::make_unique<RecordsetModel>(*db, sql, QList<RecordsetModel::Column>{{QString(), RecordsetModel::joined({1, 2})}});
        QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QListView view;
        view.setModel(model.get());
        view.show();
        const auto lines = [&] {
            QStringList l;
            for (int r = 0; r < model->rowCount(); ++r)
                l << model->data(model->index(r, 0)).toString();
            return l.join(QLatin1Char('|'));
        };
        const auto settle = [&] {
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        };
        QCOMPARE(lines(), QStringLiteral("Ende - 7|haus - 1|Zebra - 4"));

        // Through the store: a new card, a changed one, a deleted one.
        VocabularyRecord card;
        card.FVok = QStringLiteral("Baum");
        card.MVok = QStringLiteral("tree");
        card.Fach = 1;
        card.VNr = Records::addCard(card);
        settle();
        card.FVok = QStringLiteral("Zypresse");
        Records::saveCard(card);
        settle();
        Records::deleteCard(5); // Zebra
        QCOMPARE(lines(), QStringLiteral("Ende - 7|haus - 1|Zypresse - tree"));

        // Through the recordset a window holds: a card added at its end, the
        // current card deleted, the rows read again.
        if (shared) {
            rs->addNew();
            rs->setValue(QStringLiteral("FVok"), QStringLiteral("Ahorn"));
            rs->setValue(QStringLiteral("Fach"), 1);
            rs->update();
            QCOMPARE(model->rowCount(), 4);
            rs->moveFirst();
            rs->deleteCurrent(); // Ende
            rs->moveNext();
            QCOMPARE(model->rowCount(), 3);
            rs->requery();
        }
        settle();

        // Another connection's commit: noticed, and the list read again.
        auto other = store::Database::open(db->path());
        other->execute(QStringLiteral("DELETE FROM tEnglisch WHERE FVok = 'Zypresse'"));
        other->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 1 WHERE FVok = 'Öl'"));
        other.reset();
        lines();
        if (shared)
            rs->moveFirst(); // the window's move drops the card at once
        settle();
        const QString now = shared ? QStringLiteral("Ahorn - |haus - 1|Öl - 3") : QStringLiteral("Ende - 7|haus - 1|Öl - 3");
        QCOMPARE(lines(), now);

        // Read again as a whole.
        model->refresh();
        QCOMPARE(lines(), now);
    }

    // Reading every line of a list leaves the windows' own recordsets where
    // they were.
    void readingNeverMovesACurrentRow()
    {
        AppState &a = AppState::instance();
        a.CompartmentRecordset = Records::openCompartment(0, true);
        a.CompartmentRecordset->moveNext();
        const int current = a.CompartmentRecordset->value(QStringLiteral("VNr")).toInt();
        RecordsetModel model(*db, QStringLiteral("Select VNr, FVok, MVok from tEnglisch where [Fach] = 0 order by FVok"), {{QString(), RecordsetModel::joined({1, 2})}});
        for (int r = 0; r < model.rowCount(); ++r)
            QVERIFY(!model.text(r).isEmpty());
        QCOMPARE(a.CompartmentRecordset->value(QStringLiteral("VNr")).toInt(), current);
        a.CompartmentRecordset->edit();
        a.CompartmentRecordset->setValue(QStringLiteral("gewusst"), 2);
        a.CompartmentRecordset->update();
        QCoreApplication::processEvents();
        const QString sum = QStringLiteral("Select sum(gewusst) from tEnglisch where VNr %1 %2");
        QCOMPARE(db->openRecordset(sum.arg(QLatin1Char('=')).arg(current))->value(0).toInt(), 2);
        QCOMPARE(db->openRecordset(sum.arg(QStringLiteral("<>")).arg(current))->value(0).toInt(), 0);
    }
};

QTEST_MAIN(TestRecordsetModel)
#include "tst_recordsetmodel.moc"
