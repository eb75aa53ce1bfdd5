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
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
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

QColor base(const QLineEdit *box)
{
    return box->palette().color(QPalette::Base);
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
    void useLanguage(const QString &language = QStringLiteral("Englisch"), int vnr = 17,
                     const QString &sentence = QStringLiteral("The house is big."))
    {
        const QString table = QStringLiteral("t") + language;
        Catalogue::CreateLanguageTable(*db, table);
        db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, FSatz, MVok, Fach) VALUES (?, ?, ?, 'Haus', 1)")
                        .arg(table),
                    {vnr, QStringLiteral("house"), sentence});
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
        const int rc = Mci::readWaveFile(sb.work->file(relative), clip);
        if (rc != 0)
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

    void loadShowsTheCardReadyForTheWord()
    {
        useLanguage(QStringLiteral("Englisch"), 17, QStringLiteral("Über den Fluss."));
        frmSound w;
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.txtVokabel->text(), QStringLiteral("house"));
        QCOMPARE(w.txtSatz->text(), QStringLiteral("Über den Fluss."));
        QVERIFY(w.optSound[0]->isChecked());
        QCOMPARE(buttons(w), QStringLiteral("D001"));

        // The chosen text is the enabled box and stands out; the choice
        // swaps them.
        const QColor on = base(w.txtVokabel), off = base(w.txtSatz);
        QVERIFY(on != off);
        QVERIFY(w.txtVokabel->isEnabled() && !w.txtSatz->isEnabled());
        click(w.optSound[1]);
        QVERIFY(!w.txtVokabel->isEnabled() && w.txtSatz->isEnabled());
        QCOMPARE(base(w.txtVokabel), off);
        QCOMPARE(base(w.txtSatz), on);
        click(w.optSound[0]);
        QCOMPARE(base(w.txtVokabel), on);
    }

    void missingCardIsReportedAndNothingCanBeRecorded()
    {
        useLanguage();
        AppState::instance().EditVNr = 99;
        frmSound w;
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Vokamia"));
        QVERIFY(w.txtVokabel->text().isEmpty());
        QCOMPARE(buttons(w), QStringLiteral("000D"));
        click(w.cmdRecord);
        QVERIFY(!w.isRecording());
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());
    }

    void recordingTheWordWritesTheWaveAndStoresItsPath()
    {
        useLanguage();
        frmSound w;
        click(w.cmdRecord);
        QCOMPARE(aliasMode(QStringLiteral("NeuWort")), QStringLiteral("recording"));
        QVERIFY(aliasMode(QStringLiteral("NeuSatz")).isEmpty());
        QCOMPARE(buttons(w), QStringLiteral("0D00"));
        QVERIFY(tone->log().contains(QStringLiteral("record 22050 Hz 1 ch")));

        click(w.cmdStop);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(buttons(w), QStringLiteral("10D1"));
        QVERIFY2(aliasMode(QStringLiteral("NeuWort")).isEmpty(), "the recording must be closed after saving");
        QCOMPARE(w.currentPath(), kWordPath);
        QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
        QVERIFY(field(QStringLiteral("FSatzSound")).isNull());
        const Mci::Clip clip = saved(QStringLiteral("Englisch/EnV17.wav"));
        QCOMPARE(clip.sampleRate, 22050);
        QCOMPARE(clip.channels, 1);
        QCOMPARE(clip.pcm.size(), 2 * 11025); // the tone lasts half a second

        tone->clearLog();
        click(w.cmdPlay);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(buttons(w), QStringLiteral("D011"));
        QCOMPARE(tone->log().size(), 1);
        QVERIFY(tone->log().first().startsWith(QStringLiteral("play ") + sb.work->file(QStringLiteral("Englisch/EnV17.wav"))));
    }

    void sentencePathsFollowTheLanguageName_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("vnr");
        QTest::addColumn<QString>("stored");
        QTest::newRow("umlaut") << QStringLiteral("Französisch") << 5 << QStringLiteral(".\\Französisch\\FrS5.wav");
        QTest::newRow("two letters") << QStringLiteral("Li") << 123 << QStringLiteral(".\\Li\\LiS123.wav");
        QTest::newRow("one letter") << QStringLiteral("X") << 7 << QStringLiteral(".\\X\\XS7.wav");
    }
    void sentencePathsFollowTheLanguageName()
    {
        QFETCH(QString, language);
        QFETCH(int, vnr);
        QFETCH(QString, stored);
        useLanguage(language, vnr);
        frmSound w;
        click(w.optSound[1]);
        click(w.cmdRecord);
        QCOMPARE(aliasMode(QStringLiteral("NeuSatz")), QStringLiteral("recording"));
        click(w.cmdStop);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(field(QStringLiteral("FSatzSound"), vnr).toString(), stored);
        QVERIFY(field(QStringLiteral("FVokSound"), vnr).isNull());
        QVERIFY(!saved(stored.mid(2).replace(QLatin1Char('\\'), QLatin1Char('/'))).pcm.isEmpty());
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
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());
    }

    void playBeforeRecordingReportsTheError()
    {
        useLanguage();
        frmSound w;
        // The slot itself, as Enter or a script might reach it.
        QVERIFY(QMetaObject::invokeMethod(&w, "cmdPlay_Click"));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("play ERROR:  ") + Mci::errorText(Mci::MissingName));
        QCOMPARE(sb.spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(buttons(w), QStringLiteral("D001"));
    }

    void choiceIsLockedWhileRecording()
    {
        useLanguage();
        frmSound w;
        click(w.cmdRecord);
        QVERIFY(!w.optSound[0]->isEnabled() && !w.optSound[1]->isEnabled());
        click(w.optSound[1]);
        QVERIFY(w.optSound[0]->isChecked());
        click(w.cmdStop);
        QVERIFY(w.optSound[0]->isEnabled() && w.optSound[1]->isEnabled());
        QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
        QVERIFY(field(QStringLiteral("FSatzSound")).isNull());
    }

    void recordingAgainReplacesTheFileUnderTheSamePath()
    {
        useLanguage();
        frmSound w;
        recordAndStop(w);
        tone->setFrequency(1000.0);
        recordAndStop(w);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
        const Mci::Clip clip = saved(QStringLiteral("Englisch/EnV17.wav"));
        QCOMPARE(reinterpret_cast<const qint16 *>(clip.pcm.constData())[3],
                 Mci::ToneBackend::toneSample(3, 22050, 1000.0));
        QCOMPARE(QDir(sb.work->file(QStringLiteral("Englisch"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("EnV17.wav")});
    }

    void noInputDeviceReportsOpenAndLeavesTheWindowIdle()
    {
        useLanguage();
        tone->setInputAvailable(false);
        frmSound w;
        click(w.cmdRecord);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("open ERROR:  ") + Mci::errorText(Mci::NoDevice));
        QVERIFY(!w.isRecording());
        QCOMPARE(buttons(w), QStringLiteral("D001"));
        QVERIFY(w.optSound[0]->isEnabled() && w.optSound[1]->isEnabled());
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());

        // Once a device is there, the next try works.
        tone->setInputAvailable(true);
        recordAndStop(w);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
    }

    void deviceThatNeverConfirmsIsReported_data()
    {
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("answer"); // kStarting: no answer at all
        QTest::newRow("stalled server") << 0 << Mci::kStarting;
        QTest::newRow("refused later") << 600000 << int(Mci::DeviceFailed);
    }
    void deviceThatNeverConfirmsIsReported()
    {
        QFETCH(int, timeoutMs);
        QFETCH(int, answer);
        useLanguage();
        Mci::setStartTimeout(timeoutMs);
        tone->setConfirmsCaptures(false);
        frmSound w;
        w.show();
        click(w.cmdRecord);
        // Record returned at once: the window records and can be stopped.
        QVERIFY(w.isRecording());
        QCOMPARE(buttons(w), QStringLiteral("0D00"));
        if (answer != Mci::kStarting)
            tone->answerCaptures(answer);
        const int code = answer == Mci::kStarting ? int(Mci::NoResponse) : answer;
        QTRY_COMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("record ERROR:  ") + Mci::errorText(code));
        QVERIFY(!w.isRecording());
        QCOMPARE(buttons(w), QStringLiteral("D001"));
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());

        // A device that answers again records as usual.
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
        if (blocked) {
            QFile blocker(sb.work->file(QStringLiteral("Englisch")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        click(w.cmdStop);
        QCOMPARE(buttons(w), QStringLiteral("10D1"));
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        if (!blocked) {
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(!saved(QStringLiteral("Englisch/EnV17.wav")).pcm.isEmpty());
            QCOMPARE(field(QStringLiteral("FVokSound")).toString(), kWordPath);
            return;
        }
        QCOMPARE(sb.spy->count(), 1);
        QVERIFY2(sb.spy->last().text.startsWith(QStringLiteral("save ERROR:  ")) && sb.spy->last().text.size() > 13,
                 qPrintable(sb.spy->last().text));
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());
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
        QCOMPARE(buttons(w), QStringLiteral("10D1"));
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
    }

    void leavingWhileRecordingClosesTheRecording_data()
    {
        QTest::addColumn<int>("sentence");
        QTest::addColumn<int>("how"); // 0 Escape, 1 close(), 2 destroyed unclosed
        QTest::newRow("Escape") << 0 << 0;
        QTest::newRow("close") << 1 << 1;
        QTest::newRow("destroyed") << 0 << 2;
    }
    void leavingWhileRecordingClosesTheRecording()
    {
        QFETCH(int, sentence);
        QFETCH(int, how);
        useLanguage();
        auto w = std::make_unique<frmSound>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        click(w->optSound[sentence]);
        click(w->cmdRecord);
        QVERIFY(!w->btnExit->isEnabled());
        if (how == 0)
            QTest::keyClick(w.get(), Qt::Key_Escape);
        else if (how == 1)
            QVERIFY(w->close());
        auto closed = [] {
            return aliasMode(QStringLiteral("NeuWort")).isEmpty() && aliasMode(QStringLiteral("NeuSatz")).isEmpty();
        };
        if (how < 2)
            QVERIFY(!w->isVisible() && !w->isRecording() && closed());
        w.reset();
        QVERIFY(closed());
        QCOMPARE(sb.spy->count(), 0);
        QVERIFY(field(QStringLiteral("FVokSound")).isNull());
        QVERIFY(field(QStringLiteral("FSatzSound")).isNull());
        QVERIFY(QDir(sb.work->file(QStringLiteral("Englisch"))).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestFrmSound)
#include "tst_frmsound.moc"
