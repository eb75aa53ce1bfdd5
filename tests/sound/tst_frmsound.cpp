// The recording window against the tone backend and a real database in a
// temporary working folder. The bytes of a saved WAV are checked in tst_mci;
// here it is enough that the window's file reads back as that recording.

#include "TestSupport.h"

#include "core/AppState.h"
#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "sound/WaveFile.h"
#include "sound/frmSound.h"
#include "store/Catalogue.h"
#include "store/Engine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

// Mode of an alias as the command layer sees it; empty when it is not open.
QString aliasMode(const QString &alias)
{
    QString answer;
    if (Mci::send(QStringLiteral("status ") + alias + QStringLiteral(" mode"), &answer) != 0)
        return {};
    return answer;
}

// Record, Stop, Play, Exit as one word: 0 disabled, 1 enabled, D the
// default button (two D's would be as wrong as none).
QString buttons(const frmSound &w)
{
    QString s;
    for (const QPushButton *b : {w.cmdRecord, w.cmdStop, w.cmdPlay, w.btnExit})
        s += b->isDefault() ? QLatin1Char('D') : b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

void click(QAbstractButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

const QString kWordPath = QStringLiteral(".\\Englisch\\EnV17.wav");

} // namespace

class TestFrmSound : public QObject
{
    Q_OBJECT

    Sandbox sb;
    Mci::ToneBackend *tone = nullptr;
    std::shared_ptr<store::Database> db;

    // A language table with one card, made current as the entry form leaves
    // it before it opens the recording window.
    void useLanguage(const QString &language = QStringLiteral("Englisch"), int vnr = 17)
    {
        const QString table = QStringLiteral("t") + language;
        Catalogue::CreateLanguageTable(*db, table);
        db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, FSatz, MVok, Fach) VALUES (?, 'house', 'It is.', 'Haus', 1)")
                        .arg(table),
                    {vnr});
        Catalogue::EnsureSoundFolder(language);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = language;
        a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
        a.EditVNr = vnr;
    }
    QVariant field(const QString &name, int vnr = 17)
    {
        return db->openRecordset(QStringLiteral("SELECT %1 FROM [%2] WHERE VNr = %3")
                                     .arg(name, AppState::instance().CurrentTable)
                                     .arg(vnr))
            ->value(name);
    }
    // The window's file, read back; empty when it cannot be read.
    Mci::Clip saved(const QString &relative)
    {
        Mci::Clip clip;
        if (const int rc = Mci::readWaveFile(sb.work->file(relative), clip))
            qWarning("cannot read %s: %d", qPrintable(relative), rc);
        return clip;
    }
    void recordAndStop(frmSound &w)
    {
        click(w.cmdRecord);
        QVERIFY(w.isRecording());
        click(w.cmdStop);
        QVERIFY(!w.isRecording());
    }
    // The card has no recording and nothing is left open.
    void checkNothingKept()
    {
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty() && aliasMode(QStringLiteral("NeuSatz")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());
        QVERIFY(field(QStringLiteral("FSatzSound")).isNull());
    }

private slots:
    void init()
    {
        sb.start();
        auto backend = std::make_unique<Mci::ToneBackend>();
        tone = backend.get();
        Mci::setBackend(std::move(backend));
        db = store::Database::create(sb.work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
    }
    void cleanup()
    {
        db.reset();
        Mci::setStartTimeout(Mci::kDefaultStartTimeoutMs);
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
        tone = nullptr;
        sb.stop();
    }

    void recordingWritesTheWaveAndStoresItsPath_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("stored");
        QTest::newRow("word") << "Englisch" << 0 << ".\\Englisch\\EnV17.wav";
        QTest::newRow("sentence, umlaut") << "Französisch" << 1 << ".\\Französisch\\FrS17.wav";
        QTest::newRow("sentence, one letter") << "X" << 1 << ".\\X\\XS17.wav";
    }
    void recordingWritesTheWaveAndStoresItsPath()
    {
        QFETCH(QString, language);
        QFETCH(int, choice);
        QFETCH(QString, stored);
        const QString alias = choice ? QStringLiteral("NeuSatz") : QStringLiteral("NeuWort");
        const QString mine = choice ? QStringLiteral("FSatzSound") : QStringLiteral("FVokSound");
        const QString other = choice ? QStringLiteral("FVokSound") : QStringLiteral("FSatzSound");
        useLanguage(language);
        frmSound w;
        click(w.optSound[choice]);
        click(w.cmdRecord);
        QCOMPARE(aliasMode(alias), QStringLiteral("recording"));
        QCOMPARE(buttons(w), QStringLiteral("0D00"));
        // The choice is locked while recording.
        QVERIFY(!w.optSound[0]->isEnabled() && !w.optSound[1]->isEnabled());
        click(w.optSound[1 - choice]);
        QVERIFY(w.optSound[choice]->isChecked());

        click(w.cmdStop);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(buttons(w), QStringLiteral("10D1"));
        QVERIFY(w.optSound[0]->isEnabled() && w.optSound[1]->isEnabled());
        QVERIFY2(aliasMode(alias).isEmpty(), "the recording must be closed after saving");
        QCOMPARE(w.currentPath(), stored);
        QCOMPARE(field(mine).toString(), stored);
        QVERIFY(field(other).isNull());
        const QString relative = stored.mid(2).replace(QLatin1Char('\\'), QLatin1Char('/'));
        QCOMPARE(saved(relative).pcm.size(), 2 * 11025); // the tone lasts half a second at 22050 Hz, mono

        tone->clearLog();
        click(w.cmdPlay);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(buttons(w), QStringLiteral("D011"));
        QCOMPARE(tone->log().size(), 1);
        QVERIFY(tone->log().first().startsWith(QStringLiteral("play ") + sb.work->file(relative)));
    }

    void messagesTheLearnerReads()
    {
        useLanguage();
        AppState::instance().EditVNr = 99;
        {
            frmSound w;
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
            QCOMPARE(buttons(w), QStringLiteral("000D"));
            click(w.cmdRecord);
            QVERIFY(!w.isRecording());
        }
        AppState::instance().EditVNr = 17;
        frmSound w;
        // The slot itself, as Enter or a script might reach it.
        QVERIFY(QMetaObject::invokeMethod(&w, "cmdPlay_Click"));
        QCOMPARE(sb.spy->count(), 2);
        QCOMPARE(sb.spy->last().text, QStringLiteral("play ERROR:  ") + Mci::errorText(Mci::MissingName));
        QCOMPARE(buttons(w), QStringLiteral("D001"));
        checkNothingKept();
    }

    // A pair from a file made before such names were refused: its recording
    // would land outside the working directory, so none is kept.
    void aLanguageThatLeavesTheFolderGetsNoRecording()
    {
        const QString outside = sb.work->file(QStringLiteral("../Weg"));
        QDir(outside).removeRecursively();
        useLanguage(QStringLiteral("Weg"));
        AppState::instance().ForeignLanguage = QStringLiteral("../Weg");
        frmSound w;
        recordAndStop(w);
        const bool leaked = QFileInfo::exists(outside);
        QDir(outside).removeRecursively();
        QVERIFY(!leaked);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        checkNothingKept();
    }

    void deviceThatFailsToStartIsReported_data()
    {
        // The window never blocks: Record returns at once and the failure
        // comes when the device answers, or when it is given up on.
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("answer"); // kStarting: no answer at all
        QTest::addColumn<QString>("message");
        QTest::newRow("no input device") << 600000 << int(Mci::NoDevice)
                                         << QStringLiteral("open ERROR:  ") + Mci::errorText(Mci::NoDevice);
        QTest::newRow("stalled server") << 0 << Mci::kStarting
                                        << QStringLiteral("record ERROR:  ") + Mci::errorText(Mci::NoResponse);
    }
    void deviceThatFailsToStartIsReported()
    {
        QFETCH(int, timeoutMs);
        QFETCH(int, answer);
        QFETCH(QString, message);
        useLanguage();
        Mci::setStartTimeout(timeoutMs);
        const bool noDevice = answer == Mci::NoDevice;
        tone->setInputAvailable(!noDevice);
        tone->setConfirmsCaptures(noDevice);
        frmSound w;
        w.show();
        click(w.cmdRecord);
        if (!noDevice) {
            QVERIFY(w.isRecording());
            if (answer != Mci::kStarting)
                tone->answerCaptures(answer);
        }
        QTRY_COMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, message);
        QVERIFY(!w.isRecording());
        QCOMPARE(buttons(w), QStringLiteral("D001"));
        QVERIFY(w.optSound[0]->isEnabled() && w.optSound[1]->isEnabled());
        checkNothingKept();

        // A device that works again records as usual.
        tone->setInputAvailable(true);
        tone->setConfirmsCaptures(true);
        recordAndStop(w);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
    }

    void soundFolderGoneWhileRecording_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("made again") << false;
        // A file where the folder should be: the folder cannot be made again.
        QTest::newRow("file in its place") << true;
    }
    void soundFolderGoneWhileRecording()
    {
        QFETCH(bool, blocked);
        useLanguage();
        frmSound w;
        click(w.cmdRecord);
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).removeRecursively());
        QFile blocker(sb.work->file(QStringLiteral("Englisch")));
        if (blocked)
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        click(w.cmdStop);
        QCOMPARE(buttons(w), QStringLiteral("10D1"));
        if (!blocked) {
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(!saved(QStringLiteral("Englisch/EnV17.wav")).pcm.isEmpty());
            QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
            return;
        }
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY2(sb.spy->last().text.startsWith(QStringLiteral("save ERROR:  ")) && sb.spy->last().text.size() > 13,
                 qPrintable(sb.spy->last().text));
        checkNothingKept();
    }

    void failingUpdateIsReportedAndLeavesTheCardAsItWas()
    {
        // The path outgrows the 50 characters of the field.
        useLanguage(QStringLiteral("Sprache") + QString(40, QLatin1Char('x')), 3);
        frmSound w;
        recordAndStop(w);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QVERIFY2(sb.spy->last().text.contains(QStringLiteral("FVokSound")), qPrintable(sb.spy->last().text));
        QVERIFY(field(QStringLiteral("FVokSound"), 3).isNull());
        QCOMPARE(AppState::instance().TableRecordset->editMode(), store::EditMode::None);
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
    }

    void leavingWhileRecordingClosesTheRecording_data()
    {
        QTest::addColumn<bool>("escape"); // else the window is destroyed unclosed
        QTest::newRow("Escape, word") << true;
        QTest::newRow("destroyed, sentence") << false;
    }
    void leavingWhileRecordingClosesTheRecording()
    {
        QFETCH(bool, escape);
        useLanguage();
        auto w = std::make_unique<frmSound>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        click(w->optSound[escape ? 0 : 1]);
        click(w->cmdRecord);
        QVERIFY(!w->btnExit->isEnabled());
        if (escape) {
            QTest::keyClick(w.get(), Qt::Key_Escape);
            QVERIFY(!w->isVisible() && !w->isRecording());
            checkNothingKept();
        }
        w.reset();
        checkNothingKept();
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestFrmSound)
#include "tst_frmsound.moc"
