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

    void garbageInAStrictKeyEndsTheLoadThere_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fontsRead");
        QTest::newRow("print margin") << "Druck/xRand" << "zehn" << false;
        QTest::newRow("print gap overflow") << "Druck/yGap" << "70000" << false;
        QTest::newRow("colour") << "Colors/Fremdsprachen-Color" << "rot" << false;
        QTest::newRow("empty colour") << "Colors/Muttersprachen-Color" << "" << false;
    }
    void garbageInAStrictKeyEndsTheLoadThere()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        put(key, text);
        put(QStringLiteral("Options/Repeats"), QStringLiteral("4"));
        QString message;
        try {
            Settings::LoadAllSettings();
        } catch (const store::Error &e) {
            message = e.description();
        }
        QVERIFY2(message.contains(key), qPrintable(message));
        QVERIFY(message.contains(text));
        // Everything after the failing key keeps its initial value.
        const AppState &a = AppState::instance();
        QCOMPARE(a.MutterFont, QString());
        QCOMPARE(int(a.Repeats), 0);
        QCOMPARE(int(a.SprachNr), 0);
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
