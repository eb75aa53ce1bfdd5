#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Settings.h"

#include <QSettings>
#include <QTest>

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString file;

    void put(const QString &key, const QString &value) { QSettings(file, QSettings::IniFormat).setValue(key, value); }
    QString stored(const QString &key) { return QSettings(file, QSettings::IniFormat).value(key).toString(); }
    // Runs a read or a save; returns the message of its failure.
    static QString failure(void (*f)())
    {
        try {
            f();
        } catch (const store::Error &e) {
            return e.description();
        }
        return QString();
    }
    static QString load() { return failure(Settings::LoadAllSettings); }

private slots:
    void init()
    {
        file = dir.filePath(QStringLiteral("Vokamia.conf"));
        QFile::remove(file);
        Settings::setStoreFileForTesting(file);
        AppState::resetForTesting();
    }
    void cleanupTestCase() { Settings::setStoreFileForTesting(QString()); }

    void emptyStoreGivesDefaultsAndStaysUnwritten()
    {
        QCOMPARE(load(), QString());
        const AppState &a = AppState::instance();
        QCOMPARE((QList<int>{a.Abfrage, a.Repeats, a.Versuche, a.SprachNr, a.xCard}), (QList<int>{1, 1, 3, 1, 74}));
        QVERIFY(!QFile::exists(file));
    }

    void numberKeysTakeTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("half down to even") << "2.5" << 2;
        QTest::newRow("half up to even") << "3.5" << 4;
        QTest::newRow("trailing junk") << "3 mal" << 3;
        QTest::newRow("blanks inside") << " 1 2 " << 12;
        QTest::newRow("no number") << "drei" << 0;
        QTest::newRow("negative") << "-2" << -2;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("hex") << "&H10" << 16;
        QTest::newRow("huge") << "99999999999" << 32767;
        QTest::newRow("comma is not a point") << "2,7" << 2;
    }
    void numberKeysTakeTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        put(QStringLiteral("Options/Repeats"), text);
        put(QStringLiteral("Database/SprachNr"), text);
        QCOMPARE(load(), QString());
        QCOMPARE(int(AppState::instance().Repeats), value);
        QCOMPARE(int(AppState::instance().SprachNr), value);
    }

    void garbageInAStrictKeyTakesItsDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fallback");
        QTest::newRow("print margin") << "Druck/xRand" << "zehn" << "10";
        QTest::newRow("print gap overflow") << "Druck/yGap" << "70000" << "0";
        QTest::newRow("colour") << "Colors/Fremdsprachen-Color" << "rot" << "0";
        QTest::newRow("empty colour") << "Colors/Muttersprachen-Color" << "" << "0";
    }
    // Bad values are reported and replaced by their defaults; every other key
    // is read, blanks and fractions allowed, so the next save keeps what the
    // learner set.
    void garbageInAStrictKeyTakesItsDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, fallback);
        struct Value
        {
            QString key, written, saved;
        };
        const QList<Value> learner = {
            {QStringLiteral("Druck/xRand"), QStringLiteral(" 12 "), QStringLiteral("12")},
            {QStringLiteral("Druck/yGap"), QStringLiteral("3.4"), QStringLiteral("3")},
            {QStringLiteral("Druck/xCard"), QStringLiteral("breit"), QStringLiteral("74")},
            {QStringLiteral("Colors/Fremdsprachen-Color"), QStringLiteral("16711680"), QStringLiteral("16711680")},
            {QStringLiteral("Colors/Muttersprachen-Color"), QStringLiteral("65280"), QStringLiteral("65280")},
            {QStringLiteral("Fonts/Muttersprachen-Font"), QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Serif")},
            {QStringLiteral("Sound/SoundPath"), QStringLiteral("/home/lerner/Töne"), QStringLiteral("/home/lerner/Töne")},
            {QStringLiteral("Options/Repeats"), QStringLiteral("4"), QStringLiteral("4")},
            {QStringLiteral("Database/SprachNr"), QStringLiteral("3"), QStringLiteral("3")},
        };
        for (const Value &v : learner)
            put(v.key, v.key == key ? text : v.written);
        const QString message = load();
        QVERIFY2(message.contains(key), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("„") + text + QStringLiteral("“")));
        // Every bad key is named in the one message.
        QCOMPARE(message.count(QStringLiteral("\r\n")), 1);
        QVERIFY(message.contains(QStringLiteral("Druck/xCard enthält „breit“")));

        Settings::SaveSettings();
        Settings::SavePrintLayout();
        Settings::SaveSprachNr();
        for (const Value &v : learner)
            QCOMPARE(stored(v.key), v.key == key ? fallback : v.saved);
    }

    void handWrittenValuesWithACommaReadAsWritten_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("font") << "Arial, Bold" << "Arial, Bold";
        QTest::newRow("drive and backslash") << "d:\\Töne,alt" << "d:\\Töne,alt";
        QTest::newRow("quoted") << "\"Times, Italic\"" << "Times, Italic";
    }
    void handWrittenValuesWithACommaReadAsWritten()
    {
        QFETCH(QString, line);
        QFETCH(QString, value);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Fonts]\nMuttersprachen-Font=%1\n\n[Options]\nRepeats=2,7\n[Sound]\nSoundPath = %1\n"
                               "[Colors]\nMuttersprachen-Font=Falsch, Falsch\n")
                    .arg(line)
                    .toUtf8());
        f.close();
        // What is read is saved and read back unchanged.
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(load(), QString());
            QCOMPARE(AppState::instance().MutterFont, value);
            QCOMPARE(AppState::instance().SoundPath, value);
            QCOMPARE(int(AppState::instance().Repeats), 2);
            Settings::SaveSettings();
            AppState::resetForTesting();
        }
    }

    // Each save writes its own group and no other.
    void eachSaveWritesItsOwnGroup()
    {
        QCOMPARE(load(), QString());
        Settings::SaveSettings();
        QCOMPARE(stored(QStringLiteral("Options/Versuche")), QStringLiteral("3"));
        QVERIFY(stored(QStringLiteral("Database/SprachNr")).isEmpty());
        QVERIFY(stored(QStringLiteral("Druck/xRand")).isEmpty());
        Settings::SavePrintLayout();
        QCOMPARE(stored(QStringLiteral("Druck/xRand")), QStringLiteral("10"));
        QVERIFY(stored(QStringLiteral("Database/SprachNr")).isEmpty());
    }

    void aFailedWriteIsReported()
    {
        // A folder that is really a file cannot hold the store, not even for root.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Settings::setStoreFileForTesting(blocker + QStringLiteral("/Vokamia.conf"));
        const QString message = failure(Settings::SaveSettings);
        QVERIFY2(message.contains(QStringLiteral("nicht")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
