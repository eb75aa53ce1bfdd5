// The list model against a plain reading of the same statement, before and
// after the card operations change the table.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/RecordsetModel.h"

#include <QListView>
#include <QSignalSpy>
#include <QTest>

namespace {

const char *kWords[][2] = {
    {"Haus", "house"}, {"haus", "home"},   {"Häuser", "houses"}, {"Öl", "oil"},       {"Zebra", "zebra"},
    {"apfel", "apple"}, {"Äpfel", "apples"}, {"Ende", "end"},      {"ende", "ending"}, {"Über", "over"},
};

// A line's key and text.
using Line = std::pair<qint64, QString>;

} // namespace

class TestRecordsetModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work;
    std::shared_ptr<store::Database> db;

    static QString sqlFor(int fach)
    {
        return fach < 0 ? QStringLiteral("Select VNr, FVok, MVok, Fach from tEnglisch order by FVok, MVok, Fach")
                        : QStringLiteral("Select VNr, FVok, MVok from tEnglisch where [Fach] = %1 order by FVok, MVok")
                              .arg(fach);
    }

    static VocabularyRecord word(const char *foreign, const char *native, int fach)
    {
        VocabularyRecord card;
        card.FVok = QString::fromUtf8(foreign);
        card.MVok = QString::fromUtf8(native);
        card.Fach = fach;
        return card;
    }

    // The list as a plain walk through a fresh recordset would build it.
    QList<Line> plain(const QString &sql, const RecordsetModel::Format &format)
    {
        QList<Line> lines;
        auto rs = db->openRecordset(sql);
        for (; !rs->eof(); rs->moveNext()) {
            QVariantList values;
            for (int f = 0; f < rs->fieldCount(); ++f)
                values << rs->value(f);
            lines << Line(rs->value(0).toLongLong(), format(values));
        }
        return lines;
    }

    static QList<Line> shown(const RecordsetModel &m)
    {
        QList<Line> lines;
        for (int r = 0; r < m.rowCount(); ++r)
            lines << Line(m.data(m.index(r, 0), RecordsetModel::KeyRole).toLongLong(), m.data(m.index(r, 0)).toString());
        return lines;
    }

private slots:
    void init()
    {
        work = std::make_unique<TempWorkDir>();
        AppState::resetForTesting();
        db = store::Database::create(work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = QStringLiteral("tEnglisch");
        int i = 0;
        for (const auto &w : kWords)
            Records::addCard(word(w[0], w[1], i++ % 3));
    }
    void cleanup()
    {
        AppState::resetForTesting();
        db.reset();
        work.reset();
    }

    // Both kinds of list, checked against a plain reading and against the
    // sorted lines, after each kind of change through the store.
    void listsFollowTheTable_data()
    {
        QTest::addColumn<int>("fach"); // -1: every card, as the dictionary
        QTest::newRow("dictionary") << -1;
        QTest::newRow("compartment") << 1;
    }
    void listsFollowTheTable()
    {
        QFETCH(int, fach);
        const QString sql = sqlFor(fach);
        const auto format = fach < 0 ? RecordsetModel::joined({1, 2, 3}, QStringLiteral(" "))
                                     : RecordsetModel::joined({1, 2});
        RecordsetModel model(*db, sql, {{QStringLiteral("Vokabel"), format}});
        QListView view;
        view.setModel(&model);
        view.show();

        const auto check = [&](const char *step) {
            QCoreApplication::processEvents();
            const QList<Line> expected = plain(sql, format);
            QVERIFY2(shown(model) == expected, step);
            for (int r = 0; r < expected.size(); ++r) {
                QCOMPARE(model.rowOfKey(expected[r].first), r);
                if (r > 0)
                    QVERIFY2(store::germanCompare(expected[r - 1].second, expected[r].second) <= 0, step);
            }
        };
        check("opened");

        VocabularyRecord card = word("Baum", "tree", 1);
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

    // Reading every line of a list leaves the windows' own recordsets where
    // they were.
    void readingNeverMovesACurrentRow()
    {
        AppState &a = AppState::instance();
        a.CompartmentRecordset = Records::openCompartment(0, true);
        a.CompartmentRecordset->moveNext();
        const int current = a.CompartmentRecordset->value(QStringLiteral("VNr")).toInt();
        RecordsetModel model(*db, sqlFor(0), {{QString(), RecordsetModel::joined({1, 2})}});
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
