// SPDX-License-Identifier: GPL-3.0-or-later
#include "LegacyFiles.h"
#include "TestSupport.h"

#include "store/AccessFile.h"
#include "store/Engine.h"

#include <QRandomGenerator>

using store::Database;
using store::TableDef;

namespace {

// Table definition pages of vok1.mdb, one per earlier table.
const int kDefinitionPage[] = {24, 28, 32, 36};
const char *const kTables[] = {"TEnglish", "TFrench", "TSpain", "TItalian"};
const int kRows[] = {6, 4, 3, 3};

} // namespace

class TestAccessFile : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::shared_ptr<Database> db;

    void attach(const QString &name)
    {
        TableDef link(name);
        link.connect = QStringLiteral(";DATABASE=vok1.mdb");
        link.sourceTableName = name;
        db->appendTableDef(link);
    }

private slots:
    // Copies of Access tables go to a temporary folder of this test's own,
    // so tests running side by side cannot see each other's.
    void init()
    {
        sb.start();
        qputenv("TMPDIR", sb.work->path().toUtf8());
        db = Database::create(sb.work->file(QStringLiteral("test.mdb")), QString(), 32);
        copyTestData(QStringLiteral("legacy/vok1.mdb"), sb.work->path());
    }
    void cleanup()
    {
        store::access::setReaderForTesting(QString());
        db.reset();
        qunsetenv("TMPDIR");
        sb.stop();
    }

    // Unicode text as the file holds it (nulls and empty texts are checked
    // through the import). The copy the link reads lives as long as the link.
    void attachedAccessTableReadsTheFile()
    {
        const QStringList before = linkCopies();
        attach(QStringLiteral("TFrench"));
        QCOMPARE(linkCopies().size(), before.size() + 1);
        QCOMPARE(db->openRecordset(QStringLiteral("Select * from TFrench where VNr = 2"))->text(QStringLiteral("ISatz")),
                 QStringLiteral("Ma sœur préfère le thé."));
        db->deleteTableDef(QStringLiteral("TFrench"));
        QCOMPARE(linkCopies(), before);
    }

    // A reader that hangs is stopped, one that is missing is reported; the
    // link is not made.
    void aFailingReaderIsReported()
    {
        const QList<QPair<QString, QString>> readers = {{VOKAMIA_BUILD_DIR "/tests/helpers/stuck_reader", "abgebrochen"},
                                                        {"no-such-reader", ""}};
        for (const auto &[reader, message] : readers) {
            store::access::setReaderForTesting(QDir(sb.work->path()).filePath(reader), 300);
            try {
                attach(QStringLiteral("TEnglish"));
                QFAIL("attached without reading");
            } catch (const store::Error &e) {
                QVERIFY2(e.description().contains(message), qPrintable(e.description()));
            }
            QVERIFY(!db->hasTable(QStringLiteral("TEnglish")));
        }
    }

    // Bytes changed at random in the table definitions and elsewhere: the
    // engine survives every file, and a table it does attach has every row.
    void changedBytesNeverLoseRowsSilently()
    {
        const QByteArray good = legacyFile(QStringLiteral("vok1.mdb"));
        QRandomGenerator random(20261206);
        int refused = 0;
        for (int round = 0; round < 30; ++round) {
            QByteArray bytes = good;
            const int page = round % 2 ? kDefinitionPage[random.bounded(4)] : random.bounded(int(good.size() / 4096));
            bytes[page * 4096 + random.bounded(600)] = char(random.bounded(256));
            writeFile(sb.work->file(QStringLiteral("vok1.mdb")), bytes);
            for (int t = 0; t < 4; ++t) {
                const QString table = QLatin1String(kTables[t]);
                try {
                    attach(table);
                } catch (const store::Error &) {
                    ++refused;
                    continue;
                }
                const int rows = db->openRecordset(QStringLiteral("Select count(*) from ") + table)->value(0).toInt();
                QVERIFY2(rows >= kRows[t], qPrintable(QStringLiteral("round %1: %2 has %3 rows").arg(round).arg(table).arg(rows)));
                db->deleteTableDef(table);
            }
        }
        qInfo("%d of 120 tables refused", refused);
    }
};

QTEST_MAIN(TestAccessFile)
#include "tst_accessfile.moc"
