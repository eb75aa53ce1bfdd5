// SPDX-License-Identifier: GPL-3.0-or-later
#include "LegacyFiles.h"
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

    // Halves round to even, hex counts, huge numbers stop at 32767, a comma
    // is no decimal point.
    void numberKeysTakeTheLeadingNumber()
    {
        const QList<QPair<QString, int>> cases = {{"2.5", 2}, {"3 mal", 3},           {"drei", 0},
                                                  {"&H10", 16}, {"99999999999", 32767}, {"2,7", 2}};
        for (const auto &[text, value] : cases) {
            put(QStringLiteral("Options/Repeats"), text);
            put(QStringLiteral("Database/SprachNr"), text);
            QCOMPARE(load(), QString());
            const AppState &a = AppState::instance();
            QVERIFY2(a.Repeats == value && a.SprachNr == value, qPrintable(text));
        }
    }

    // Bad values are reported and replaced by their defaults; every other key
    // is read, blanks and fractions allowed, so the next save keeps what the
    // learner set.
    void garbageInAStrictKeyTakesItsDefault()
    {
        // key, as written, as saved
        const QList<QStringList> learner = {{"Druck/xRand", " 12 ", "12"},
                                            {"Druck/yGap", "3.4", "3"},
                                            {"Druck/xCard", "breit", "74"},
                                            {"Colors/Fremdsprachen-Color", "16711680", "16711680"},
                                            {"Fonts/Muttersprachen-Font", "DejaVu Serif", "DejaVu Serif"},
                                            {"Sound/SoundPath", "/home/lerner/Töne", "/home/lerner/Töne"},
                                            {"Database/SprachNr", "3", "3"}};
        // A print gap beyond 16 bits and a colour that is no number fall back to 0.
        for (const auto &[key, text] :
             QList<QPair<QString, QString>>{{"Druck/yGap", "70000"}, {"Colors/Fremdsprachen-Color", "rot"}}) {
            for (const QStringList &v : learner)
                put(v[0], v[0] == key ? text : v[1]);
            const QString message = load();
            QVERIFY2(message.contains(key), qPrintable(message));
            QVERIFY(message.contains(QStringLiteral("„") + text + QStringLiteral("“")));
            // Every bad key is named in the one message.
            QCOMPARE(message.count(QStringLiteral("\r\n")), 1);
            QVERIFY(message.contains(QStringLiteral("Druck/xCard enthält „breit“")));
            Settings::SaveSettings();
            Settings::SavePrintLayout();
            Settings::SaveSprachNr();
            for (const QStringList &v : learner)
                QCOMPARE(stored(v[0]), v[0] == key ? QStringLiteral("0") : v[2]);
        }
    }

    // A value with a comma, plain or quoted, is read as written; what is read
    // is saved and read back unchanged.
    void handWrittenValuesWithACommaReadAsWritten()
    {
        for (const auto &[line, value] : QList<QPair<QString, QString>>{{"Arial, Bold", "Arial, Bold"},
                                                                         {"\"Times, Italic\"", "Times, Italic"}}) {
            writeFile(file, QStringLiteral("[Fonts]\nMuttersprachen-Font=%1\n\n[Options]\nRepeats=2,7\n[Sound]\nSoundPath = %1\n"
                                           "[Colors]\nMuttersprachen-Font=Falsch, Falsch\n")
                                .arg(line)
                                .toUtf8());
            for (int round = 0; round < 2; ++round) {
                QCOMPARE(load(), QString());
                QCOMPARE(AppState::instance().MutterFont, value);
                QCOMPARE(AppState::instance().SoundPath, value);
                QCOMPARE(int(AppState::instance().Repeats), 2);
                Settings::SaveSettings();
                AppState::resetForTesting();
            }
        }
    }

    // Each save writes its own group and no other.
    void eachSaveWritesItsOwnGroup()
    {
        QCOMPARE(load(), QString());
        Settings::SaveSettings();
        QVERIFY(stored(QStringLiteral("Druck/xRand")).isEmpty());
        Settings::SavePrintLayout();
        QCOMPARE(stored(QStringLiteral("Druck/xRand")), QStringLiteral("10"));
        QVERIFY(stored(QStringLiteral("Database/SprachNr")).isEmpty());
    }

    void aFailedWriteIsReported()
    {
        // A folder that is really a file cannot hold the store, not even for root.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        writeFile(blocker, "");
        Settings::setStoreFileForTesting(blocker + QStringLiteral("/Vokamia.conf"));
        const QString message = failure(Settings::SaveSettings);
        QVERIFY2(message.contains(QStringLiteral("nicht")), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
