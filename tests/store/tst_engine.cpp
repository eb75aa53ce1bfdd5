// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "store/Catalogue.h"
#include "store/Collation.h"
#include "store/Engine.h"

#include <QCollator>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

using namespace store;

namespace {

// A language table exactly as the program makes it.
TableDef cardTable(const QString &name)
{
    auto scratch = Database::create(QStringLiteral(":memory:"), QString(), 32);
    Catalogue::CreateLanguageTable(*scratch, name);
    return scratch->tableDef(name);
}

TableDef catalogue()
{
    TableDef t(QStringLiteral("tSprache"));
    t.appendIndex(QStringLiteral("SprachId"), QStringLiteral("SprachId"), true, true);
    t.appendField(QStringLiteral("SprachId"), FieldType::Long).autoIncrement = true;
    t.appendField(QStringLiteral("Tabelle"), FieldType::Text, 50).allowZeroLength = true;
    t.appendField(QStringLiteral("MutterSprache"), FieldType::Text, 30).required = true;
    return t;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

int count(Database &db, const QString &sql)
{
    return db.openRecordset(sql)->value(0).toInt();
}

QString failure(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.description();
    }
    return QString();
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private:
    TempWorkDir *work = nullptr;
    std::shared_ptr<Database> db;

    void fillCards(const QStringList &words, int fach)
    {
        for (const QString &w : words)
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, Fach) VALUES ('%1', %2)").arg(w).arg(fach));
    }

private slots:
    void init()
    {
        work = new TempWorkDir;
        db = Database::create(work->file(QStringLiteral("Vokabeln.mdb")), QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0"), 32);
        db->appendTableDef(cardTable(QStringLiteral("tEnglisch")));
    }
    void cleanup()
    {
        db.reset();
        delete work;
    }

    void createRecordsLocaleAndListsOnlyUserTables()
    {
        db->appendTableDef(catalogue());
        const QString path = db->path();
        db.reset();
        db = Database::open(path);
        QCOMPARE(db->locale(), QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0"));
        QCOMPARE(db->formatOption(), 32);
        QCOMPARE(db->tableNames(), (QStringList{QStringLiteral("tEnglisch"), QStringLiteral("tSprache")}));
        const TableDef def = db->tableDef(QStringLiteral("tSprache"));
        QVERIFY(def.fields[0].autoIncrement && def.fields[2].required && def.indexes.first().primary);
        QCOMPARE(def.fields[2].size, 30);

        // Creating over an existing file fails and leaves it alone.
        const QByteArray before = fileHash(path);
        QVERIFY(!failure([&] { Database::create(path, QString(), 32); }).isEmpty());
        QCOMPARE(fileHash(path), before);
    }

    void badFilesAreRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("Dies ist keine Datenbank.\n") << false;
        QTest::newRow("binary junk") << QByteArray(4096, '\xA5') << false;
        QTest::newRow("header only") << QByteArray("SQLite format 3\0", 16) << false;
        QTest::newRow("read-only") << QByteArray() << true;
        QTest::newRow("truncated") << QByteArray("truncate") << false;
    }
    void badFilesAreRefusedAndLeftUntouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readOnly);
        const QString path = work->file(QStringLiteral("bad.mdb"));
        if (readOnly || content == "truncate") {
            // A real database, then spoilt.
            auto good = Database::create(path, QString(), 32);
            good->appendTableDef(cardTable(QStringLiteral("tEnglisch")));
            good->beginTrans();
            for (int i = 0; i < 3000; ++i)
                good->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, FSatz) VALUES ('w%1', '%2')")
                                  .arg(i)
                                  .arg(QString(150, QLatin1Char('x'))));
            good->commitTrans();
            good.reset();
            if (readOnly) {
                QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
            } else {
                QFile f(path);
                QVERIFY(f.resize(f.size() / 3));
            }
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = fileHash(path);
        QString message = failure([&] {
            auto d = Database::open(path);
            // A file cut short may only show when its rows are read.
            d->openRecordset(QStringLiteral("Select count(*) from tEnglisch where FSatz like 'x%'"));
        });
        QVERIFY2(!message.isEmpty(), "a bad file was accepted");
        QVERIFY2(message.contains(QStringLiteral("Datenbank")) || message.contains(QStringLiteral("Datei")),
                 qPrintable(message));
        QCOMPARE(fileHash(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void schemaIsEnforcedOnEveryPath_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expect");
        QTest::newRow("text too long") << "FVok" << QVariant(QString(51, QLatin1Char('a'))) << "zu lang";
        QTest::newRow("umlaut text too long") << "Artikel" << QVariant(QStringLiteral("ääääää")) << "höchstens 5";
        QTest::newRow("byte above 255") << "Fach" << QVariant(256) << "außerhalb";
        QTest::newRow("byte below 0") << "gewusst" << QVariant(-1) << "außerhalb";
        QTest::newRow("16 bit overflow") << "Kapitel" << QVariant(40000) << "außerhalb";
        QTest::newRow("not a number") << "Fach" << QVariant(QStringLiteral("drei")) << "keine ganze Zahl";
        QTest::newRow("fraction") << "Fach" << QVariant(2.5) << "keine ganze Zahl";
        QTest::newRow("zero length") << "FSatzSound" << QVariant(QString("")) << "leere Zeichenfolge";
    }
    void schemaIsEnforcedOnEveryPath()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QString, expect);
        fillCards({QStringLiteral("house")}, 1);

        // Through a recordset: new row and changed row.
        auto rs = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        rs->addNew();
        rs->setValue(field, value);
        QString message = failure([&] { rs->update(); });
        QVERIFY2(message.contains(expect), qPrintable(message));
        rs->cancelUpdate();
        rs->moveFirst();
        rs->edit();
        rs->setValue(field, value);
        message = failure([&] { rs->update(); });
        QVERIFY2(message.contains(expect), qPrintable(message));
        rs->cancelUpdate();

        // Through SQL.
        const QString literal = value.typeId() == QMetaType::QString ? QStringLiteral("'%1'").arg(value.toString())
                                                                     : value.toString();
        message = failure([&] {
            db->execute(QStringLiteral("INSERT INTO tEnglisch (%1) VALUES (%2)").arg(field, literal));
        });
        QVERIFY2(message.contains(expect), qPrintable(message));

        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch")), 1);
        QCOMPARE(db->openRecordset(QStringLiteral("Select * from tEnglisch"))->text(QStringLiteral("FVok")),
                 QStringLiteral("house"));
    }

    void autoNumbersContinueAboveExplicitOnes()
    {
        db->execute(QStringLiteral("INSERT INTO tEnglisch (VNr, FVok) VALUES (100, 'hundred')"));
        db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok) VALUES ('next')"));
        QCOMPARE(count(*db, QStringLiteral("Select VNr from tEnglisch where FVok = 'next'")), 101);

        auto rs = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        rs->addNew();
        QCOMPARE(rs->value(QStringLiteral("VNr")).toInt(), 102);
        QVERIFY(!failure([&] { rs->setValue(QStringLiteral("VNr"), 5); }).isEmpty());
        rs->setValue(QStringLiteral("FVok"), QStringLiteral("third"));
        rs->update();
        rs->setIndex(QStringLiteral("VNr"));
        rs->seek(QStringLiteral("="), 102);
        // Deleting the highest number never hands it out again.
        rs->deleteCurrent();
        db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok) VALUES ('fourth')"));
        QCOMPARE(count(*db, QStringLiteral("Select VNr from tEnglisch where FVok = 'fourth'")), 103);
    }

    void germanCollationForEqualityAndOrder()
    {
        fillCards({QStringLiteral("Zebra"), QStringLiteral("über"), QStringLiteral("Öl"), QStringLiteral("Haus"),
                   QStringLiteral("Ende"), QStringLiteral("Äpfel"), QStringLiteral("apfel")},
                  2);
        auto rs = db->openRecordset(QStringLiteral("Select * from tEnglisch where [Fach] = 2 order by FVok"));
        QStringList order;
        for (; !rs->eof(); rs->moveNext())
            order << rs->text(QStringLiteral("FVok"));
        QCOMPARE(order, (QStringList{"apfel", "Äpfel", "Ende", "Haus", "Öl", "über", "Zebra"}));

        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok = 'HAUS'")), 1);
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok = 'ÄPFEL'")), 1);
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok = 'Apfel'")), 1); // not Äpfel
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok = 'Oel'")), 0);
    }

    void shortcutsAgreeWithDictionaryOrder()
    {
        // The fast paths for plain words and for words of Latin letters must
        // order exactly as the full one; an index built with one and read
        // with the other would lose rows.
        QCollator full(QLocale(QLocale::German, QLocale::Germany));
        full.setCaseSensitivity(Qt::CaseInsensitive);
        // Each accented letter beside its base letter and its neighbours.
        const QString alphabet
            = QStringLiteral("aAbBcCeEmMnNoOsSuUyYzZ09 äÄöÖüÜßéÉèçÇñÑøØæåÅÿ-'.") + QChar(0x301) + QChar(0x308);
        QRandomGenerator rng(20261206);
        auto word = [&] {
            QString w;
            const int n = int(rng.bounded(7));
            for (int i = 0; i < n; ++i)
                w += alphabet[int(rng.bounded(alphabet.size()))];
            return w;
        };
        for (int i = 0; i < 200000; ++i) {
            const QString a = word();
            // Every third pair shares a beginning, where the walk goes deepest.
            const QString b = i % 3 ? word() : a.left(int(rng.bounded(a.size() + 1))) + word();
            const int expected = full.compare(a, b);
            const int got = germanCompare(a, b);
            QVERIFY2((expected < 0) == (got < 0) && (expected > 0) == (got > 0),
                     qPrintable(QStringLiteral("'%1' vs '%2'").arg(a, b)));
        }
    }

    void errorsCarryDescriptions()
    {
        const QStringList bad = {
            QStringLiteral("Selec * from tEnglisch"),
            QStringLiteral("Select * from tNirgends"),
            QStringLiteral("Select Nix from tEnglisch"),
            QStringLiteral("Select * from tEnglisch where ("),
            QStringLiteral("Select * from tEnglisch; DELETE FROM tEnglisch"),
            QStringLiteral(""),
        };
        fillCards({QStringLiteral("keep")}, 1);
        for (const QString &sql : bad) {
            QVERIFY2(!failure([&] { db->openRecordset(sql); }).isEmpty(), qPrintable(sql));
            QVERIFY2(!failure([&] { db->execute(sql); }).isEmpty(), qPrintable(sql));
        }
        auto rs = db->openRecordset(QStringLiteral("Select * from tEnglisch"));
        for (const char *criteria : {"VNr ==", "Nix = 1", "", "VNr = 1; DROP TABLE tEnglisch", "FVok = 'open"})
            QVERIFY2(!failure([&] { rs->findFirst(QLatin1String(criteria)); }).isEmpty(), criteria);
        QVERIFY(failure([&] { db->openRecordset(QStringLiteral("tNirgends"), RecordsetType::Table); })
                    .contains(QStringLiteral("tNirgends")));
        auto t = db->openRecordset(QStringLiteral("tEnglisch"), RecordsetType::Table);
        QVERIFY(!failure([&] { t->setIndex(QStringLiteral("Nix")); }).isEmpty());
        QVERIFY(!failure([&] { t->seek(QStringLiteral("="), 1); }).isEmpty()); // no index yet
        QVERIFY(!failure([&] { t->value(QStringLiteral("Nix")); }).isEmpty());
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch")), 1);
    }

    void tableDefinitionsAndTransactions()
    {
        QVERIFY(failure([&] { db->appendTableDef(cardTable(QStringLiteral("tEnglisch"))); })
                    .contains(QStringLiteral("bereits vorhanden")));
        QVERIFY(!failure([&] { db->appendTableDef(cardTable(QStringLiteral("t[x]"))); }).isEmpty());
        QVERIFY(!failure([&] { db->appendTableDef(cardTable(QString(65, QLatin1Char('t')))); }).isEmpty());
        QVERIFY(!failure([&] { db->appendTableDef(cardTable(QStringLiteral("VkSysMeta"))); }).isEmpty());
        // Quotes and semicolons are plain characters of a name.
        db->appendTableDef(cardTable(QStringLiteral("tD'Artagnan; x\"y")));
        QVERIFY(db->hasTable(QStringLiteral("tD'Artagnan; x\"y")));
        // Index names belong to their table: a second table may reuse them.
        db->appendTableDef(cardTable(QStringLiteral("tFranzösisch")));

        db->beginTrans();
        db->appendTableDef(cardTable(QStringLiteral("tLatein")));
        db->execute(QStringLiteral("INSERT INTO tLatein (FVok) VALUES ('amo')"));
        db->rollback();
        QVERIFY(!db->hasTable(QStringLiteral("tLatein")));
        db->appendTableDef(cardTable(QStringLiteral("tLatein")));
        db->deleteTableDef(QStringLiteral("tLatein"));
        QVERIFY(!db->hasTable(QStringLiteral("tLatein")));
        QVERIFY(!failure([&] { db->deleteTableDef(QStringLiteral("tLatein")); }).isEmpty());
    }

    void attachedTablesAreReadableBySql()
    {
        const QString other = work->file(QStringLiteral("alt.mdb"));
        {
            auto old = Database::create(other, QString(), 32);
            TableDef t(QStringLiteral("TEnglish"));
            t.appendField(QStringLiteral("VNr"), FieldType::Long);
            t.appendField(QStringLiteral("IVok"), FieldType::Text, 50);
            t.appendField(QStringLiteral("Fach"), FieldType::Byte);
            old->appendTableDef(t);
            old->execute(QStringLiteral("INSERT INTO TEnglish VALUES (7, 'dog', 3)"));
            old->execute(QStringLiteral("INSERT INTO TEnglish VALUES (9, 'cat', 0)"));
        }
        const QByteArray before = fileHash(other);
        TableDef link(QStringLiteral("TEnglish"));
        link.connect = QStringLiteral(";DATABASE=alt.mdb");
        link.sourceTableName = QStringLiteral("TEnglish");
        db->appendTableDef(link);
        QVERIFY(db->tableNames().contains(QStringLiteral("TEnglish")));
        db->execute(QStringLiteral("INSERT INTO tEnglisch ( VNr, FVok, Fach ) SELECT TEnglish.VNr, TEnglish.IVok, "
                                   "TEnglish.Fach FROM TEnglish;"));
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where [Fach] = 3")), 1);
        QCOMPARE(count(*db, QStringLiteral("Select max(VNr) from tEnglisch")), 9);
        db->deleteTableDef(QStringLiteral("TEnglish"));
        QVERIFY(!db->tableNames().contains(QStringLiteral("TEnglish")));
        QCOMPARE(fileHash(other), before);

        TableDef missing(QStringLiteral("TFrench"));
        missing.connect = QStringLiteral(";DATABASE=alt.mdb");
        missing.sourceTableName = QStringLiteral("TFrench");
        QVERIFY(failure([&] { db->appendTableDef(missing); }).contains(QStringLiteral("TFrench")));
        QVERIFY(!db->hasTable(QStringLiteral("TFrench")));
    }

    // Another connection commits between two moves of a recordset: a second
    // one of this very process, open or closed again, or another program.
    // Each kind of recordset sees the commit at its next move, find or
    // requery; an edit begun after a read from before the commit keeps what
    // the other connection stored.
    void otherConnectionsCommitsAreSeen_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("other"); // "open", "closed" or "program"
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("seenBy"); // "move", "find" or "requery"
        QTest::addColumn<QString>("expected"); // FVok of every row, in order
        const QString all = QStringLiteral("Select * from tEnglisch");
        const QString byWord = QStringLiteral("Select * from tEnglisch where [Fach] = 1 order by FVok");
        const QString table = QStringLiteral("tEnglisch");
        const QString snapshot = QStringLiteral("Select VNr, FVok from tEnglisch, tSprache");
        const QString kate = QStringLiteral("UPDATE tEnglisch SET FVok = 'Kate' WHERE VNr = 3");
        const QString gone = QStringLiteral("DELETE FROM tEnglisch WHERE VNr = 3");
        QTest::newRow("dynaset, changed, closed") << all << "closed" << kate << "move" << "Cat Dog Kate Owl";
        QTest::newRow("dynaset, changed, open") << all << "open" << kate << "move" << "Cat Dog Kate Owl";
        QTest::newRow("dynaset, changed, program") << all << "program" << kate << "move" << "Cat Dog Kate Owl";
        QTest::newRow("dynaset, deleted, walked") << all << "closed" << gone << "move" << "Cat Dog Owl";
        QTest::newRow("dynaset, deleted, program") << all << "program" << gone << "move" << "Cat Dog Owl";
        QTest::newRow("compartment, deleted, found") << byWord << "open" << gone << "find" << "Cat Dog Owl";
        QTest::newRow("table, changed") << table << "closed" << kate << "move" << "Cat Dog Kate Owl";
        QTest::newRow("table, deleted, program") << table << "program" << gone << "find" << "Cat Dog Owl";
        QTest::newRow("snapshot, changed") << snapshot << "closed" << kate << "requery" << "Cat Dog Kate Owl";
        QTest::newRow("snapshot, deleted") << snapshot << "program" << gone << "requery" << "Cat Dog Owl";
    }
    void otherConnectionsCommitsAreSeen()
    {
        QFETCH(QString, source);
        QFETCH(QString, other);
        QFETCH(QString, change);
        QFETCH(QString, seenBy);
        QFETCH(QString, expected);
        db->appendTableDef(catalogue());
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, MutterSprache) VALUES ('tEnglisch', 'Deutsch')"));
        fillCards({QStringLiteral("Cat"), QStringLiteral("Dog"), QStringLiteral("Kit"), QStringLiteral("Owl")}, 1);
        const bool table = !source.contains(QLatin1Char(' '));
        auto rs = db->openRecordset(source, table ? RecordsetType::Table : RecordsetType::Dynaset);
        if (table)
            rs->setIndex(QStringLiteral("VNr"));
        QCOMPARE(rs->text(QStringLiteral("FVok")), QStringLiteral("Cat")); // a row read before the commit

        std::shared_ptr<Database> second;
        if (other == QLatin1String("program")) {
            QProcess writer;
            writer.start(QStringLiteral(VOKAMIA_BUILD_DIR "/tests/helpers/store_writer"), {db->path(), change});
            QVERIFY(writer.waitForFinished(20000));
            QCOMPARE(writer.exitCode(), 0);
        } else {
            second = Database::open(db->path());
            QCOMPARE(second->execute(change), 1);
            if (other == QLatin1String("closed"))
                second.reset();
        }

        if (seenBy == QLatin1String("requery"))
            rs->requery();
        if (seenBy == QLatin1String("find")) {
            if (table)
                rs->seek(QStringLiteral("="), 3);
            else
                rs->findFirst(QStringLiteral("VNr = 3"));
            QCOMPARE(rs->noMatch(), !expected.contains(QStringLiteral("Kate")));
        }
        QStringList seen;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            seen << rs->text(QStringLiteral("FVok"));
        QCOMPARE(seen.join(QLatin1Char(' ')), expected);

        // An edit after the walk writes its own field and leaves the other
        // connection's word as it is.
        if (rs->updatable()) {
            rs->moveFirst();
            rs->moveNext();
            rs->moveNext();
            rs->edit();
            rs->setValue(QStringLiteral("Fach"), 2);
            rs->update();
            const QString third = expected.split(QLatin1Char(' ')).value(2);
            QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok = '%1' and Fach = 2").arg(third)),
                     1);
        }
    }

    // Files the program makes and older files it opens both keep their
    // changes in a log beside them; a folder where no log can be written
    // is refused with its reason and the file is left as it was.
    void filesKeepALogBesideThem()
    {
        const auto logMode = [](const QString &file) {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) && f.read(20).mid(18) == QByteArray("\x02\x02", 2);
        };
        const QString made = db->path();
        const QString folder = work->file(QStringLiteral("alt"));
        const QString older = folder + QStringLiteral("/Vokabeln.mdb");
        QVERIFY(QDir().mkpath(folder));
        {
            auto o = Database::create(older, QString(), 32);
            o->appendTableDef(cardTable(QStringLiteral("tEnglisch")));
            o->execute(QStringLiteral("INSERT INTO tEnglisch (FVok) VALUES ('old')"));
            o->openRecordset(QStringLiteral("PRAGMA journal_mode = DELETE"));
        }
        QVERIFY(!logMode(older));
        db.reset();
        QVERIFY(logMode(made));

        auto o = Database::open(older);
        o->execute(QStringLiteral("INSERT INTO tEnglisch (FVok) VALUES ('new')"));
        QVERIFY(QFile::exists(older + QStringLiteral("-wal")));
        o.reset();
        QVERIFY(logMode(older));
        QVERIFY(!QFile::exists(older + QStringLiteral("-wal")));

        const QByteArray before = fileHash(older);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
        const QString message = failure([&] { Database::open(older); });
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(message.contains(QStringLiteral("Ordner")) && message.contains(QStringLiteral("schreibgeschützt")),
                 qPrintable(message));
        QCOMPARE(fileHash(older), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Vokabeln.mdb")});
        db = Database::open(older);
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch")), 2);
    }

    // A program killed in the middle of a write, after an earlier commit:
    // the next start finds every committed card and none of the unfinished
    // transaction, the file whole.
    void killedWriterLosesNothingCommitted()
    {
        const QString helper = QStringLiteral(VOKAMIA_BUILD_DIR "/tests/helpers/store_writer");
        if (!QFile::exists(helper))
            VOKAMIA_SKIP("store_writer helper not built");
        const QString path = db->path();
        db.reset();
        QProcess writer;
        writer.start(helper, {path});
        QVERIFY(writer.waitForStarted(10000));
        QVERIFY(writer.waitForReadyRead(20000)); // prints once it is inside its second transaction
        writer.kill();
        writer.waitForFinished(10000);
        QVERIFY(QFile::exists(path + QStringLiteral("-wal"))); // the log the killed program left

        db = Database::open(path);
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch")), 1000);
        QCOMPARE(count(*db, QStringLiteral("Select count(*) from tEnglisch where FVok like 'c%'")), 1000);
        QCOMPARE(db->openRecordset(QStringLiteral("PRAGMA integrity_check"))->text(QStringLiteral("integrity_check")),
                 QStringLiteral("ok"));
        // Closed as the last connection, the file holds everything again.
        db.reset();
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
        QVERIFY(!QFile::exists(path + QStringLiteral("-shm")));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
