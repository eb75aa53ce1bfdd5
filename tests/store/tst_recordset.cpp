// SPDX-License-Identifier: GPL-3.0-or-later
// Recordsets as the windows use them: moving, finding, editing and seeing
// what others changed, on the program's own language table.

#include "TestSupport.h"

#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Connection.h"
#include "store/Engine.h"

#include <QTest>

#include <sqlite3.h>

using namespace store;

namespace {

QString failure(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.description().isEmpty() ? QStringLiteral("(empty)") : e.description();
    }
    return QString();
}

struct Card
{
    const char *fvok;
    int fach;
};

// Five cards over three compartments, with umlauts and mixed case.
const Card kCards[] = {{"Haus", 1}, {"Baum", 1}, {"Zebra", 2}, {"Öl", 2}, {"Ende", 3}};

QStringList walk(Recordset &rs, const QString &field)
{
    QStringList seen;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        seen << rs.text(field);
    return seen;
}

QStringList walkBack(Recordset &rs, const QString &field)
{
    QStringList seen;
    for (rs.moveLast(); !rs.bof(); rs.movePrevious())
        seen.prepend(rs.text(field));
    return seen;
}

} // namespace

class TestRecordset : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work;
    std::shared_ptr<Database> db;

    QString path() const { return work->file(QStringLiteral("Vokabeln.mdb")); }

    void addCards()
    {
        for (const Card &c : kCards)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES (?, ?)"),
                        {QString::fromUtf8(c.fvok), c.fach});
    }

    // The same file opened a second time, as a second program would.
    std::shared_ptr<Database> otherProgram() { return Database::open(path()); }

    void linkTable(const QString &name)
    {
        auto old = Database::create(work->file(QStringLiteral("alt.mdb")), QString(), 32);
        Catalogue::CreateLanguageTable(*old, QStringLiteral("tAlt"));
        old->execute(QStringLiteral("INSERT INTO tAlt (FVok, Fach) VALUES ('dog', 1)"));
        old->execute(QStringLiteral("INSERT INTO tAlt (FVok, Fach) VALUES ('cat', 2)"));
        old.reset();
        TableDef link(name);
        link.connect = QStringLiteral(";DATABASE=alt.mdb");
        link.sourceTableName = QStringLiteral("tAlt");
        db->appendTableDef(link);
    }

private slots:
    void init()
    {
        work = std::make_unique<TempWorkDir>();
        db = Database::create(path(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateLanguageTable(*db, QStringLiteral("tEnglisch"));
        addCards();
    }
    void cleanup()
    {
        db.reset();
        work.reset();
    }

    // Counts, groups, aliases and attached tables are computed rows: they
    // cannot be edited, but they move, count and find like any other.
    void readOnlyRecordsetsMoveCountAndFind_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("table");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<QString>("found"); // field 0 of the match
        QTest::addColumn<bool>("updatable");
        QTest::newRow("count") << "Select count(*) as n from tEnglisch" << false << 1 << "n = 5" << "5" << false;
        QTest::newRow("group by") << "Select Fach, count(*) as n from tEnglisch group by Fach" << false << 3
                                  << "n = 1" << "3" << false;
        QTest::newRow("alias") << "Select x.* from tEnglisch x where x.Fach = 2" << false << 2 << "FVok = 'öl'"
                               << "4" << false;
        QTest::newRow("other letter case") << "Select * from tenglisch where Fach = 1" << false << 2
                                           << "FVok like 'b*'" << "2" << true;
        QTest::newRow("attached") << "Select * from TLink" << false << 2 << "FVok = 'CAT'" << "2" << false;
        QTest::newRow("attached table") << "TLink" << true << 2 << "Fach > 1" << "2" << false;
        QTest::newRow("table other case") << "TENGLISCH" << true << 5 << "Fach = 3" << "5" << true;
    }
    void readOnlyRecordsetsMoveCountAndFind()
    {
        QFETCH(QString, source);
        QFETCH(bool, table);
        QFETCH(int, rows);
        QFETCH(QString, criteria);
        QFETCH(QString, found);
        QFETCH(bool, updatable);
        linkTable(QStringLiteral("TLink"));
        // A fresh connection knows nothing of the tables yet.
        db.reset();
        db = Database::open(path());
        auto rs = db->openRecordset(source, table ? RecordsetType::Table : RecordsetType::Dynaset);
        rs->moveLast();
        QCOMPARE(rs->recordCount(), rows);
        int walked = 0;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            ++walked;
        QCOMPARE(walked, rows);
        rs->movePrevious();
        QVERIFY(!rs->eof() && !rs->bof());
        rs->findFirst(criteria);
        QVERIFY(!rs->noMatch());
        QCOMPARE(rs->value(0).toString(), found);
        rs->findNext(criteria);
        QVERIFY(rs->noMatch());
        rs->findLast(criteria);
        QCOMPARE(rs->value(0).toString(), found);
        rs->findPrevious(criteria);
        QVERIFY(rs->noMatch());
        QCOMPARE(rs->updatable(), updatable);
        QCOMPARE(failure([&] { rs->edit(); }).isEmpty(), updatable);
    }

    // "Until EOF: delete the current row, move next" empties a recordset
    // and ends at EOF.
    void deletingEveryRowInTheUsualLoop_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("index");
        QTest::newRow("dynaset") << "Select * from tEnglisch order by FVok" << "";
        QTest::newRow("compartment") << "Select * from tEnglisch where [Fach] = 2" << "";
        QTest::newRow("table") << "tEnglisch" << "";
        QTest::newRow("table by FVok") << "tEnglisch" << "FVok";
    }
    void deletingEveryRowInTheUsualLoop()
    {
        QFETCH(QString, source);
        QFETCH(QString, index);
        const bool table = !source.contains(QLatin1Char(' '));
        auto rs = db->openRecordset(source, table ? RecordsetType::Table : RecordsetType::Dynaset);
        if (!index.isEmpty())
            rs->setIndex(index);
        const int before = rs->recordCount();
        int deleted = 0;
        while (!rs->eof()) {
            rs->deleteCurrent();
            ++deleted;
            rs->moveNext();
        }
        QCOMPARE(deleted, before);
        QVERIFY(rs->eof());
        QCOMPARE(rs->recordCount(), 0);
        QCOMPARE(db->openRecordset(QStringLiteral("Select count(*) from tEnglisch"))->value(0).toInt(), 5 - before);
    }

    // An edit or delete whose row vanished meanwhile must not pass for done.
    void aSaveThatStoresNothingIsAnError_data()
    {
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("otherProgram");
        QTest::newRow("dynaset, same program") << false << false;
        QTest::newRow("dynaset, other program") << false << true;
        QTest::newRow("table, other program") << true << true;
    }
    void aSaveThatStoresNothingIsAnError()
    {
        QFETCH(bool, table);
        QFETCH(bool, otherProgram);
        auto rs = table ? db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table)
                        : db->openRecordset(QStringLiteral("Select * from tEnglisch"));
        auto other = otherProgram ? this->otherProgram() : db;
        rs->edit();
        rs->setValue(QStringLiteral("FVok"), QStringLiteral("Hütte"));
        other->execute(QStringLiteral("DELETE FROM tEnglisch WHERE VNr = 1"));
        QVERIFY(failure([&] { rs->update(); }).contains(QStringLiteral("gelöscht")));
        QCOMPARE(db->openRecordset(QStringLiteral("Select count(*) from tEnglisch where FVok = 'Hütte'"))->value(0).toInt(),
                 0);

        rs->moveNext(); // card 2
        other->execute(QStringLiteral("DELETE FROM tEnglisch WHERE VNr = 2"));
        QVERIFY(!failure([&] { rs->deleteCurrent(); }).isEmpty());
    }

    // A rollback, or another program's commit, must not leave old values on
    // screen.
    void openRecordsetsShowCurrentData()
    {
        auto rs = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 1"));
        auto table = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        db->beginTrans();
        rs->edit();
        rs->setValue(QStringLiteral("FVok"), QStringLiteral("Hütte"));
        rs->update();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Hütte"));
        QCOMPARE(table->text(QStringLiteral("FVok")), QStringLiteral("Hütte"));
        db->rollback();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Haus"));
        QCOMPARE(table->text(QStringLiteral("FVok")), QStringLiteral("Haus"));

        auto other = otherProgram();
        other->execute(QStringLiteral("UPDATE tEnglisch SET FVok = 'Baumhaus' WHERE VNr = 2"));
        other->execute(QStringLiteral("UPDATE tEnglisch SET FVok = 'Hausboot' WHERE VNr = 1"));
        rs->moveNext();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Baumhaus"));
        rs->movePrevious();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Hausboot"));
        table->moveNext();
        QCOMPARE(table->text(QStringLiteral("FVok")), QStringLiteral("Baumhaus"));
    }

    // The number AddNew announces is the card's for good: sound files are
    // named after it before the card is saved.
    void everyAddNewGetsItsOwnNumber()
    {
        auto table = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        auto dynaset = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 1"));
        auto other = otherProgram()->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        table->addNew();
        dynaset->addNew();
        other->addNew();
        const QList<int> numbers = {table->value(QStringLiteral("VNr")).toInt(),
                                    dynaset->value(QStringLiteral("VNr")).toInt(),
                                    other->value(QStringLiteral("VNr")).toInt()};
        QCOMPARE(QSet<int>(numbers.begin(), numbers.end()).size(), 3);
        QVERIFY(numbers[0] > 5 && numbers[1] > 5 && numbers[2] > 5);
        const QList<Recordset *> order = {other.get(), dynaset.get(), table.get()};
        for (Recordset *rs : order) {
            rs->setValue(QStringLiteral("FVok"), QStringLiteral("neu%1").arg(rs->value(QStringLiteral("VNr")).toInt()));
            rs->setValue(QStringLiteral("Fach"), 1);
            rs->update();
        }
        for (int n : numbers)
            QCOMPARE(db->openRecordset(QStringLiteral("Select FVok from tEnglisch where VNr = %1").arg(n))->text(
                         QStringLiteral("FVok")),
                     QStringLiteral("neu%1").arg(n));
        // The dynaset shows its own new card at its end.
        dynaset->moveLast();
        QCOMPARE(dynaset->value(QStringLiteral("VNr")).toInt(), numbers[1]);
    }

    // The engine's own description of a table is read as untrusted data.
    void damagedBookkeepingGivesErrorsNotCrashes_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("index names a missing field")
            << "UPDATE VkSysIndexes SET fields = 'Nix' WHERE name = 'FVok'";
        QTest::newRow("column renamed by SQL") << "ALTER TABLE tEnglisch RENAME COLUMN FVok TO Wort";
        QTest::newRow("field type out of range") << "UPDATE VkSysFields SET type = 99, size = -5 WHERE name = 'FVok'";
        QTest::newRow("empty index entry") << "UPDATE VkSysIndexes SET name = '', fields = '' WHERE name = 'FVok'";
    }
    void damagedBookkeepingGivesErrorsNotCrashes()
    {
        QFETCH(QString, damage);
        db->execute(damage);
        for (int reopened = 0; reopened < 2; ++reopened) {
            auto rs = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
            const QString why = failure([&] { rs->setIndex(QStringLiteral("FVok")); });
            if (why.isEmpty()) {
                rs->seek(QStringLiteral("="), QStringLiteral("Haus"));
                QVERIFY(!rs->noMatch());
            }
            QCOMPARE(walk(*rs, QStringLiteral("VNr")).size(), 5);
            QVERIFY(failure([&] { db->tableDef(QStringLiteral("tEnglisch")); }).isEmpty());
            db.reset();
            db = Database::open(path());
        }
    }

    // A statement in use is never finalised under its user, however full the
    // cache gets; moving a statement hands over its one owner.
    void cachedStatementsHaveOneOwner()
    {
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        Connection c(raw, QStringLiteral(":memory:"));
        c.exec(QStringLiteral("CREATE TABLE t (a INTEGER)"));
        c.exec(QStringLiteral("INSERT INTO t VALUES (1), (2), (3)"));
        Statement held = c.prepare(QStringLiteral("SELECT a FROM t ORDER BY a"), true);
        QVERIFY(held.step());
        // The same text while it is held: a second, independent statement.
        Statement twin = c.prepare(QStringLiteral("SELECT a FROM t ORDER BY a"), true);
        QVERIFY(twin.get() != held.get());
        QVERIFY(twin.step() && twin.step());
        for (int i = 0; i < 200; ++i)
            QCOMPARE(c.scalar(QStringLiteral("SELECT %1 + a FROM t WHERE a = 1").arg(i)).toInt(), i + 1);
        QVERIFY(held.step());
        QCOMPARE(held.column(0).toInt(), 2);
        Statement moved;
        moved = std::move(held);
        moved = std::move(twin);
        QVERIFY(moved.step());
        QCOMPARE(moved.column(0).toInt(), 3);
    }

    // Messages that could make a learner throw a good file away.
    void messagesSayWhatIsWrong()
    {
        // A folder where the file should be.
        const QString folder = work->file(QStringLiteral("Ordner.mdb"));
        QDir().mkpath(folder);
        QVERIFY(failure([&] { Database::open(folder); }).contains(QStringLiteral("Ordner")));

        // Another program holds the file locked.
        db.reset();
        sqlite3 *locker = nullptr;
        QCOMPARE(sqlite3_open_v2(path().toUtf8().constData(), &locker, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        // A writer alone no longer keeps readers out of the file; a program
        // that takes the whole file for itself does.
        QCOMPARE(sqlite3_exec(locker, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        Error::Kind kind = Error::Kind::General;
        QString why;
        try {
            Database::open(path());
        } catch (const Error &e) {
            why = e.description();
            kind = e.kind();
        }
        sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(locker);
        QVERIFY2(why.contains(QStringLiteral("benutzt")) && !why.contains(QStringLiteral("beschädigt")), qPrintable(why));
        QCOMPARE(kind, Error::Kind::InUse);

        // An attached table whose file is gone names the file.
        db = Database::open(path());
        linkTable(QStringLiteral("TLink"));
        db.reset();
        QVERIFY(QFile::rename(work->file(QStringLiteral("alt.mdb")), work->file(QStringLiteral("weg.mdb"))));
        db = Database::open(path());
        QVERIFY(db->tableNames().contains(QStringLiteral("TLink")));
        for (const QString &source : {QStringLiteral("Select * from TLink"), QStringLiteral("Select count(*) from TLink")})
            QVERIFY2(failure([&] { db->openRecordset(source); }).contains(QStringLiteral("alt.mdb")), qPrintable(source));
        QVERIFY(failure([&] { db->openRecordset(QStringLiteral("TLink"), RecordsetType::Table); })
                    .contains(QStringLiteral("alt.mdb")));
        // Once the file is back, the table reads again.
        QVERIFY(QFile::rename(work->file(QStringLiteral("weg.mdb")), work->file(QStringLiteral("alt.mdb"))));
        QCOMPARE(db->openRecordset(QStringLiteral("Select count(*) from TLink"))->value(0).toInt(), 2);
    }

    // Literal values are bound behind the scenes; the statements must mean
    // what their text says.
    void literalValuesKeepTheirMeaning_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("compartment") << "Select count(*) from tEnglisch where [Fach] = 2" << "count(*)" << "2";
        QTest::newRow("quote in text") << "Select count(*) from tEnglisch where FVok <> 'D''Artagnan'" << "count(*)"
                                       << "5";
        QTest::newRow("column positions") << "Select Fach, count(*) from tEnglisch group by 1 order by 1 desc"
                                          << "Fach" << "3";
        QTest::newRow("select-list literal") << "Select 'x' as k, FVok from tEnglisch where Fach = 3" << "k" << "x";
        QTest::newRow("exponent") << "Select count(*) from tEnglisch where VNr < 1e1" << "count(*)" << "5";
    }
    void literalValuesKeepTheirMeaning()
    {
        QFETCH(QString, sql);
        QFETCH(QString, column);
        QFETCH(QString, value);
        for (int twice = 0; twice < 2; ++twice) {
            auto rs = db->openRecordset(sql);
            QCOMPARE(rs->fieldName(0), column);
            QCOMPARE(rs->value(0).toString(), value);
        }
        // One compiled statement serves texts that differ in their values.
        QCOMPARE(db->execute(QStringLiteral("UPDATE tEnglisch SET gewusst = 2 WHERE Fach = 1")), 2);
        QCOMPARE(db->execute(QStringLiteral("UPDATE tEnglisch SET gewusst = 3 WHERE Fach = 3")), 1);
        QCOMPARE(db->openRecordset(QStringLiteral("Select sum(gewusst) from tEnglisch"))->value(0).toInt(), 7);
    }

    // Finds search the recordset's own rows, from where they should start.
    void findsStartWhereTheyShould()
    {
        db->beginTrans();
        for (int i = 0; i < 3000; ++i)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES (?, ?)"),
                        {QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0')), i % 2 ? 5 : 6});
        db->commitTrans();
        auto rs = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 5 order by FVok"));
        QCOMPARE(rs->recordCount(), 1500);
        rs->findFirst(QStringLiteral("FVok like 'w2*'"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("w2001"));
        rs->findNext(QStringLiteral("FVok like 'w2*'"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("w2003"));
        rs->findPrevious(QStringLiteral("FVok like 'w0*'"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("w0999"));
        rs->findFirst(QStringLiteral("FVok = 'w0002'")); // compartment 6: not here
        QVERIFY(rs->noMatch());
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("w0999")); // position kept
        rs->moveLast();

        // The key field: a keyed look-up that still respects the direction.
        const int far = db->openRecordset(QStringLiteral("Select VNr from tEnglisch where FVok = 'w0011'"))->value(0).toInt();
        rs->findNext(QStringLiteral("VNr = %1").arg(far));
        QVERIFY(rs->noMatch()); // behind the current row
        rs->findPrevious(QStringLiteral("VNr = %1").arg(far));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("w0011"));
        rs->findFirst(QStringLiteral("VNr=%1").arg(far + 1)); // compartment 6
        QVERIFY(rs->noMatch());

        // A word an index finds at once, several times in the rows.
        db->execute(QStringLiteral("UPDATE tEnglisch SET FVok = 'Doppel' WHERE FVok IN ('w0011', 'w1501', 'w2999', 'w0100')"));
        auto byNumber = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 5"));
        const auto vnrOf = [&] { return byNumber->value(QStringLiteral("VNr")).toInt(); };
        byNumber->findFirst(QStringLiteral("FVok = 'doppel'"));
        const int first = vnrOf();
        byNumber->findNext(QStringLiteral("FVok = 'doppel'"));
        const int second = vnrOf();
        byNumber->findLast(QStringLiteral("FVok = 'doppel'"));
        const int third = vnrOf();
        byNumber->findPrevious(QStringLiteral("FVok = 'doppel'"));
        QCOMPARE(vnrOf(), second);
        QVERIFY(first < second && second < third);
        byNumber->findNext(QStringLiteral("FVok = 'doppel'"));
        byNumber->findNext(QStringLiteral("FVok = 'doppel'"));
        QVERIFY(byNumber->noMatch());
        QCOMPARE(vnrOf(), third);
    }

    // A table recordset walks its index (letter case ignored, duplicates by
    // number, empty values first) and moves on from a seek.
    void tableRecordsetWalksItsIndex()
    {
        for (const char *w : {"haus", "HAUS", "apfel", "Äpfel", "zebra"})
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES (?, 0)"), {QString::fromUtf8(w)});
        db->execute(QStringLiteral("INSERT INTO tEnglisch (MVok, Fach) VALUES ('ohne', 0)"));
        auto ordered = db->openRecordset(QStringLiteral("Select * from tEnglisch order by FVok, VNr"));
        const QStringList expected = walk(*ordered, QStringLiteral("VNr"));
        auto rs = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        rs->setIndex(QStringLiteral("FVok"));
        QCOMPARE(walk(*rs, QStringLiteral("VNr")), expected);
        QCOMPARE(walkBack(*rs, QStringLiteral("VNr")), expected);

        rs->seek(QStringLiteral("="), QStringLiteral("Haus"));
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), 1);
        rs->moveNext();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("haus"));
        rs->moveNext();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("HAUS"));
        rs->moveNext();
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Öl"));
        rs->seek(QStringLiteral("<"), QStringLiteral("Baum"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Äpfel"));
        rs->seek(QStringLiteral("="), QStringLiteral("Nichts"));
        QVERIFY(rs->noMatch());

        rs->findFirst(QStringLiteral("Fach = 0"));
        QCOMPARE(rs->text(QStringLiteral("MVok")), QStringLiteral("ohne"));
        rs->findNext(QStringLiteral("Fach = 0 and FVok like 'h*'"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("haus"));
        rs->findLast(QStringLiteral("Fach = 0"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("zebra"));

        // Editing the index field moves the row to its new place.
        rs->seek(QStringLiteral("="), QStringLiteral("Baum"));
        rs->edit();
        rs->setValue(QStringLiteral("FVok"), QStringLiteral("Zypresse"));
        rs->update();
        rs->moveNext();
        QVERIFY(rs->eof());
    }

    // A row written through a recordset reads afterwards exactly as a fresh
    // reading of the file gives it: value and type, whatever was assigned,
    // and whatever a trigger of the file's own did besides.
    void writtenRowsReadAsStored_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("number") << "gewusst" << QVariant(2);
        QTest::newRow("yes/no") << "gewusst" << QVariant(true);
        QTest::newRow("text") << "FVok" << QVariant(QStringLiteral("Bäume"));
        QTest::newRow("null") << "FSatz" << QVariant();
        QTest::newRow("empty text") << "FSatz" << QVariant(QStringLiteral(""));
        QTest::newRow("digits into a number field") << "Fach" << QVariant(QStringLiteral("3"));
        QTest::newRow("number into a text field") << "MVok" << QVariant(42);
        QTest::newRow("date") << "Datum" << QVariant(QDateTime(QDate(2024, 2, 29), QTime(8, 30)));
        QTest::newRow("fraction into text") << "MSatz" << QVariant(2.5);
    }
    void writtenRowsReadAsStored()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        // Someone else's trigger: a changed word also marks the chapter.
        db->execute(QStringLiteral("CREATE TRIGGER mark AFTER UPDATE OF FVok ON tEnglisch BEGIN "
                                   "UPDATE tEnglisch SET Kapitel = 7 WHERE VNr = NEW.VNr; END"));
        const QStringList sources = {QStringLiteral("Select * from tEnglisch where [Fach] = 1"), QStringLiteral("tEnglisch")};
        for (const QString &source : sources) {
            auto rs = db->openRecordset(source, source.contains(QLatin1Char(' ')) ? RecordsetType::Dynaset
                                                                                   : RecordsetType::Table);
            const int vnr = rs->value(QStringLiteral("VNr")).toInt();
            rs->edit();
            rs->setValue(field, value);
            rs->update();
            auto fresh = db->openRecordset(QStringLiteral("Select * from tEnglisch where VNr = %1").arg(vnr));
            for (int f = 0; f < fresh->fieldCount(); ++f) {
                const QVariant mine = rs->value(fresh->fieldName(f));
                const QVariant stored = fresh->value(f);
                QVERIFY2(mine == stored && mine.typeId() == stored.typeId(),
                         qPrintable(QStringLiteral("%1: %2 / %3").arg(source, fresh->fieldName(f), mine.toString())));
            }
        }
    }

    // Writing every row of a walk keeps both the written and the other
    // values right.
    void writingThroughADynasetKeepsItsRows()
    {
        db->beginTrans();
        for (int i = 0; i < 500; ++i)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach) VALUES (?, ?, 4)"),
                        {QStringLiteral("f%1").arg(i), QStringLiteral("m%1").arg(i)});
        db->commitTrans();
        auto rs = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 4"));
        db->beginTrans();
        for (int i = 0; !rs->eof(); rs->moveNext(), ++i) {
            QCOMPARE(rs->text(QStringLiteral("MVok")), QStringLiteral("m%1").arg(i));
            rs->edit();
            rs->setValue(QStringLiteral("gewusst"), i % 3);
            rs->update();
            QCOMPARE(rs->value(QStringLiteral("gewusst")).toInt(), i % 3);
        }
        db->commitTrans();
        int i = 0;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext(), ++i) {
            QCOMPARE(rs->value(QStringLiteral("gewusst")).toInt(), i % 3);
            QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("f%1").arg(i));
        }
        QCOMPARE(i, 500);
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
