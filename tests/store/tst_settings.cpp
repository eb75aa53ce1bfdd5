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

    void put(const QString &key, const QString &value)
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue(key, value);
    }
    QString stored(const QString &key)
    {
        QSettings s(file, QSettings::IniFormat);
        return s.value(key).toString();
    }

private slots:
    void init()
    {
        file = dir.filePath(QStringLiteral("Vokamia.conf"));
        QFile::remove(file);
        Settings::setStoreFileForTesting(file);
        AppState::resetForTesting();
    }
    void cleanupTestCase() { Settings::setStoreFileForTesting(QString()); }

    void emptyStoreGivesDefaults()
    {
        Settings::LoadAllSettings();
        const AppState &a = AppState::instance();
        QCOMPARE(a.SoundPath, QStringLiteral("d:"));
        QCOMPARE(a.MutterColor, 0);
        QCOMPARE(a.FremdColor, 0);
        QCOMPARE(a.MutterFont, QStringLiteral("ms sans serif"));
        QCOMPARE(a.FremdFont, QStringLiteral("ms sans serif"));
        QCOMPARE(int(a.PairCount), 1);
        QCOMPARE(int(a.Abfrage), 1);
        QCOMPARE(int(a.Repeats), 1);
        QCOMPARE(int(a.Versuche), 3);
        QCOMPARE(int(a.SprachNr), 1);
        QCOMPARE((QList<int>{a.xRand, a.yRand, a.xCard, a.yCard, a.xGap, a.yGap}), (QList<int>{10, 10, 74, 52, 0, 0}));
        QVERIFY(!QFile::exists(file)); // reading writes nothing
    }

    void numberKeysTakeTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "4" << 4;
        QTest::newRow("half down to even") << "2.5" << 2;
        QTest::newRow("half up to even") << "3.5" << 4;
        QTest::newRow("trailing junk") << "3 mal" << 3;
        QTest::newRow("blanks inside") << " 1 2 " << 12;
        QTest::newRow("no number") << "drei" << 0;
        QTest::newRow("empty") << "" << 0;
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
        Settings::LoadAllSettings();
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
    // One bad value is reported and replaced by its default; every other key
    // is read, so the next save keeps what the learner set.
    void garbageInAStrictKeyTakesItsDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QString, fallback);
        const QList<QPair<QString, QString>> learner = {
            {QStringLiteral("Druck/xRand"), QStringLiteral("12")},
            {QStringLiteral("Druck/yGap"), QStringLiteral("3")},
            {QStringLiteral("Colors/Fremdsprachen-Color"), QStringLiteral("255")},
            {QStringLiteral("Colors/Muttersprachen-Color"), QStringLiteral("65280")},
            {QStringLiteral("Fonts/Muttersprachen-Font"), QStringLiteral("DejaVu Serif")},
            {QStringLiteral("Sound/SoundPath"), QStringLiteral("/home/lerner/Töne")},
            {QStringLiteral("Options/Repeats"), QStringLiteral("4")},
            {QStringLiteral("Options/Versuche"), QStringLiteral("2")},
            {QStringLiteral("Database/SprachNr"), QStringLiteral("3")},
        };
        for (const auto &[k, v] : learner)
            put(k, k == key ? text : v);
        QString message;
        try {
            Settings::LoadAllSettings();
        } catch (const store::Error &e) {
            message = e.description();
        }
        QVERIFY2(message.contains(key), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("„") + text + QStringLiteral("“")));

        Settings::SaveSettings();
        Settings::SavePrintLayout();
        Settings::SaveSprachNr();
        for (const auto &[k, v] : learner)
            QCOMPARE(stored(k), k == key ? fallback : v);
    }

    void everyBadKeyIsNamedInOneMessage()
    {
        put(QStringLiteral("Druck/xCard"), QStringLiteral("breit"));
        put(QStringLiteral("Colors/Fremdsprachen-Color"), QStringLiteral("blau"));
        put(QStringLiteral("Fonts/Fremdsprachen-Font"), QStringLiteral("DejaVu Sans"));
        QString message;
        try {
            Settings::LoadAllSettings();
        } catch (const store::Error &e) {
            message = e.description();
        }
        QCOMPARE(message.count(QStringLiteral("\r\n")), 1);
        QVERIFY(message.contains(QStringLiteral("Druck/xCard")) && message.contains(QStringLiteral("breit")));
        QVERIFY(message.contains(QStringLiteral("Colors/Fremdsprachen-Color")) && message.contains(QStringLiteral("blau")));
        QCOMPARE(int(AppState::instance().xCard), 74);
        QCOMPARE(AppState::instance().FremdFont, QStringLiteral("DejaVu Sans"));
    }

    void handWrittenValuesWithACommaReadAsWritten_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("font") << "Arial, Bold" << "Arial, Bold";
        QTest::newRow("folder") << "/home/lerner/Töne, alt" << "/home/lerner/Töne, alt";
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
        Settings::LoadAllSettings();
        const AppState &a = AppState::instance();
        QCOMPARE(a.MutterFont, value);
        QCOMPARE(a.SoundPath, value);
        QCOMPARE(int(a.Repeats), 2);
        // What is read is saved and read back unchanged.
        Settings::SaveSettings();
        AppState::resetForTesting();
        Settings::LoadAllSettings();
        QCOMPARE(AppState::instance().MutterFont, value);
        QCOMPARE(AppState::instance().SoundPath, value);
    }

    void strictKeysAcceptNumbersWithBlanksAndFractions()
    {
        put(QStringLiteral("Druck/xCard"), QStringLiteral(" 80 "));
        put(QStringLiteral("Druck/yCard"), QStringLiteral("60.5"));
        put(QStringLiteral("Colors/Fremdsprachen-Color"), QStringLiteral("16711680"));
        Settings::LoadAllSettings();
        QCOMPARE(int(AppState::instance().xCard), 80);
        QCOMPARE(int(AppState::instance().yCard), 60);
        QCOMPARE(AppState::instance().FremdColor, 16711680);
    }

    void savingWritesTheWholeGroup()
    {
        Settings::LoadAllSettings();
        AppState &a = AppState::instance();
        a.Abfrage = 2;
        a.FremdColor = 255;
        a.MutterFont = QStringLiteral("DejaVu Sans");
        a.SoundPath = QStringLiteral("/home/lerner/Töne");
        Settings::SaveSettings();
        QCOMPARE(stored(QStringLiteral("Options/Abfrage")), QStringLiteral("2"));
        QCOMPARE(stored(QStringLiteral("Options/Versuche")), QStringLiteral("3"));
        QCOMPARE(stored(QStringLiteral("Options/Sprache")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("Colors/Fremdsprachen-Color")), QStringLiteral("255"));
        QCOMPARE(stored(QStringLiteral("Colors/Muttersprachen-Color")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Fonts/Fremdsprachen-Font")), QStringLiteral("ms sans serif"));
        QCOMPARE(stored(QStringLiteral("Sound/SoundPath")), QStringLiteral("/home/lerner/Töne"));
        QVERIFY(stored(QStringLiteral("Database/SprachNr")).isEmpty()); // not part of this group
        QVERIFY(stored(QStringLiteral("Druck/xRand")).isEmpty());

        a.SprachNr = 3;
        Settings::SaveSprachNr();
        a.xGap = 5;
        Settings::SavePrintLayout();
        AppState::resetForTesting();
        Settings::LoadAllSettings();
        QCOMPARE(int(AppState::instance().SprachNr), 3);
        QCOMPARE(int(AppState::instance().xGap), 5);
        QCOMPARE(int(AppState::instance().Abfrage), 2);
        QCOMPARE(AppState::instance().MutterFont, QStringLiteral("DejaVu Sans"));
    }

    void aFailedWriteIsReported()
    {
        // A folder that is really a file cannot hold the store, not even for root.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Settings::setStoreFileForTesting(blocker + QStringLiteral("/Vokamia.conf"));
        QString message;
        try {
            Settings::SaveSettings();
        } catch (const store::Error &e) {
            message = e.description();
        }
        QVERIFY2(message.contains(QStringLiteral("nicht")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
