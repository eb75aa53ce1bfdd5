// The recording window against the tone backend and a real database in a
// temporary working folder.

#include "TestSupport.h"

#include "core/AppState.h"
#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "sound/frmSound.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <sndfile.h>

#include <memory>

namespace {

struct WavInfo
{
    bool ok = false;
    int format = 0;
    int rate = 0;
    int channels = 0;
    QVector<short> samples;
};

WavInfo readBack(const QString &path)
{
    WavInfo w;
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return w;
    w.ok = true;
    w.format = info.format;
    w.rate = info.samplerate;
    w.channels = info.channels;
    w.samples.resize(info.frames * info.channels);
    sf_readf_short(f, w.samples.data(), info.frames);
    sf_close(f);
    return w;
}

// Mode of an alias as the command layer sees it; empty when it is not open.
QString aliasMode(const QString &alias)
{
    QString answer;
    if (Mci::send(QStringLiteral("status ") + alias + QStringLiteral(" mode"), &answer) != 0)
        return {};
    return answer;
}

} // namespace

class TestFrmSound : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<MessageSpy> spy;
    Mci::ToneBackend *tone = nullptr;
    std::shared_ptr<store::Database> db;

    // A language table with one card, made current as the entry form leaves
    // it before it opens the recording window.
    void useLanguage(const QString &language, int vnr, const QString &word = QStringLiteral("house"),
                     const QString &sentence = QStringLiteral("The house is big."))
    {
        const QString table = QStringLiteral("t") + language;
        Catalogue::CreateLanguageTable(*db, table);
        db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, FSatz, MVok, Fach) VALUES (?, ?, ?, 'Haus', 1)")
                        .arg(table),
                    {vnr, word, sentence});
        Catalogue::EnsureSoundFolder(language);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = language;
        a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
        a.EditVNr = vnr;
    }
    QVariant field(const QString &name, int vnr)
    {
        auto rs = db->openRecordset(QStringLiteral("SELECT %1 FROM [%2] WHERE VNr = %3")
                                        .arg(name, AppState::instance().CurrentTable)
                                        .arg(vnr));
        return rs->value(name);
    }
    static void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    static QColor base(const QLineEdit *box) { return box->palette().color(QPalette::Base); }
    // Which of Record, Stop, Play, Exit are enabled, as a word of four letters.
    static QString buttons(const frmSound &w)
    {
        QString s;
        for (const QPushButton *b : {w.cmdRecord, w.cmdStop, w.cmdPlay, w.btnExit})
            s += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    static QPushButton *defaultButton(const frmSound &w)
    {
        QPushButton *found = nullptr;
        for (QPushButton *b : {w.cmdRecord, w.cmdStop, w.cmdPlay, w.btnExit})
            if (b->isDefault()) {
                if (found)
                    return nullptr; // two defaults are as bad as none
                found = b;
            }
        return found;
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
        work = std::make_unique<TempWorkDir>();
        qputenv("XDG_DATA_HOME", work->file(QStringLiteral("data")).toUtf8());
        Settings::setStoreFileForTesting(work->file(QStringLiteral("settings.conf")));
        AppState::resetForTesting();
        auto backend = std::make_unique<Mci::ToneBackend>();
        tone = backend.get();
        Mci::setBackend(std::move(backend));
        spy = std::make_unique<MessageSpy>();
        db = store::Database::create(work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
    }
    void cleanup()
    {
        AppState::resetForTesting();
        db.reset();
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
        tone = nullptr;
        spy.reset();
        work.reset();
    }

    void loadShowsTheCardReadyForTheWord()
    {
        useLanguage(QStringLiteral("Englisch"), 17, QStringLiteral("house"), QStringLiteral("Über den Fluss."));
        frmSound w;
        QCOMPARE(spy->count(), 0);
        QCOMPARE(w.objectName(), QStringLiteral("frmSound"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Achtung Aufnahme"));
        QVERIFY(w.isModal());
        QCOMPARE(w.lblHelp->text(),
                 QStringLiteral("Wählen Sie zuerst aus, ob Sie für das Fremdwort, oder den Beispielsatz einen Ton "
                                "aufnehmen möchten.\n\nBeachten Sie die Reihenfolge: 1. Aufnahme, 2. Anhalten, 3. "
                                "Hören der Aufnahme.\n\nSie können die Vertonung so lange wiederholen, bis Sie mit "
                                "dem Ergebnis zufrieden sind."));
        QVERIFY(frmSound::helpText().contains(QStringLiteral("aufnehmen möchten.\r\n\r\nBeachten")));
        QCOMPARE(w.txtVokabel->text(), QStringLiteral("house"));
        QCOMPARE(w.txtSatz->text(), QStringLiteral("Über den Fluss."));

        QVERIFY(w.optSound[0]->isChecked());
        QVERIFY(w.txtVokabel->isEnabled());
        QCOMPARE(base(w.txtVokabel), QColor(0, 255, 255));
        QVERIFY(!w.txtSatz->isEnabled());
        QCOMPARE(base(w.txtSatz), QColor(192, 255, 255));
        QCOMPARE(buttons(w), QStringLiteral("1001"));
        QCOMPARE(defaultButton(w), w.cmdRecord);

        // The choice swaps the boxes, and back.
        click(w.optSound[1]);
        QVERIFY(!w.txtVokabel->isEnabled());
        QCOMPARE(base(w.txtVokabel), QColor(192, 255, 255));
        QVERIFY(w.txtSatz->isEnabled());
        QCOMPARE(base(w.txtSatz), QColor(0, 255, 255));
        click(w.optSound[0]);
        QCOMPARE(base(w.txtVokabel), QColor(0, 255, 255));
        QCOMPARE(base(w.txtSatz), QColor(192, 255, 255));

        // Every control is found under its name.
        for (const char *name : {"lblHelp", "txtVokabel", "txtSatz", "optSound(0)", "optSound(1)", "cmdRecord",
                                 "cmdStop", "cmdPlay", "btnExit"})
            QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(name)), name);
    }

    void missingCardIsReportedAndNothingCanBeRecorded()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        AppState::instance().EditVNr = 99;
        frmSound w;
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->last().text, QStringLiteral("Vokabel nicht gefunden!"));
        QCOMPARE(spy->last().title, QStringLiteral("Vokamia"));
        QCOMPARE(spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(spy->last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(w.txtVokabel->text().isEmpty());
        QCOMPARE(buttons(w), QStringLiteral("0001"));
        click(w.cmdRecord);
        QVERIFY(!w.isRecording());
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound"), 17).isNull());
    }

    void recordingTheWordWritesTheWaveAndStoresItsPath()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        click(w.cmdRecord);
        QCOMPARE(aliasMode(QStringLiteral("NeuWort")), QStringLiteral("recording"));
        QVERIFY(aliasMode(QStringLiteral("NeuSatz")).isEmpty());
        QCOMPARE(buttons(w), QStringLiteral("0100"));
        QCOMPARE(defaultButton(w), w.cmdStop);
        QVERIFY(tone->log().contains(QStringLiteral("record 22050 Hz 1 ch")));

        click(w.cmdStop);
        QCOMPARE(spy->count(), 0);
        QCOMPARE(buttons(w), QStringLiteral("1011"));
        QCOMPARE(defaultButton(w), w.cmdPlay);
        QVERIFY2(aliasMode(QStringLiteral("NeuWort")).isEmpty(), "the recording must be closed after saving");

        const QString stored = QStringLiteral(".\\Englisch\\EnV17.wav");
        QCOMPARE(w.currentPath(), stored);
        QCOMPARE(field(QStringLiteral("FVokSound"), 17).toString(), stored);
        QVERIFY(field(QStringLiteral("FSatzSound"), 17).isNull());

        const WavInfo wav = readBack(work->file(QStringLiteral("Englisch/EnV17.wav")));
        QVERIFY(wav.ok);
        QCOMPARE(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(wav.rate, 22050);
        QCOMPARE(wav.channels, 1);
        QCOMPARE(wav.samples.size(), qsizetype(11025)); // the tone lasts half a second
        QCOMPARE(wav.samples[100], Mci::ToneBackend::toneSample(100, 22050, 440.0));

        tone->clearLog();
        click(w.cmdPlay);
        QCOMPARE(spy->count(), 0);
        QCOMPARE(defaultButton(w), w.cmdRecord);
        QCOMPARE(tone->log().size(), 1);
        QVERIFY(tone->log().first().startsWith(QStringLiteral("play ") + work->file(QStringLiteral("Englisch/EnV17.wav"))));
    }

    void sentencePathsFollowTheLanguageName_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("vnr");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("file");
        QTest::newRow("umlaut") << QStringLiteral("Französisch") << 5 << QStringLiteral(".\\Französisch\\FrS5.wav")
                                << QStringLiteral("Französisch/FrS5.wav");
        QTest::newRow("two letters") << QStringLiteral("Li") << 123 << QStringLiteral(".\\Li\\LiS123.wav")
                                     << QStringLiteral("Li/LiS123.wav");
        QTest::newRow("one letter") << QStringLiteral("X") << 7 << QStringLiteral(".\\X\\XS7.wav")
                                    << QStringLiteral("X/XS7.wav");
    }
    void sentencePathsFollowTheLanguageName()
    {
        QFETCH(QString, language);
        QFETCH(int, vnr);
        QFETCH(QString, stored);
        QFETCH(QString, file);
        useLanguage(language, vnr);
        frmSound w;
        click(w.optSound[1]);
        click(w.cmdRecord);
        QCOMPARE(aliasMode(QStringLiteral("NeuSatz")), QStringLiteral("recording"));
        click(w.cmdStop);
        QCOMPARE(spy->count(), 0);
        QCOMPARE(field(QStringLiteral("FSatzSound"), vnr).toString(), stored);
        QVERIFY(field(QStringLiteral("FVokSound"), vnr).isNull());
        QVERIFY(readBack(work->file(file)).ok);
    }

    void playBeforeRecordingReportsTheError()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        QVERIFY(!w.cmdPlay->isEnabled());
        // The slot itself, as Enter or a script might reach it.
        QVERIFY(QMetaObject::invokeMethod(&w, "cmdPlay_Click"));
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->last().text, QStringLiteral("play ERROR:  ") + Mci::errorText(Mci::MissingName));
        QCOMPARE(spy->last().icon, QMessageBox::NoIcon);
        QCOMPARE(spy->last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(defaultButton(w), w.cmdRecord);
    }

    void choiceIsLockedWhileRecording()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        click(w.cmdRecord);
        QVERIFY(!w.optSound[0]->isEnabled());
        QVERIFY(!w.optSound[1]->isEnabled());
        click(w.optSound[1]);
        QVERIFY(w.optSound[0]->isChecked());
        click(w.cmdStop);
        QVERIFY(w.optSound[0]->isEnabled());
        QVERIFY(w.optSound[1]->isEnabled());
        QCOMPARE(field(QStringLiteral("FVokSound"), 17).toString(), QStringLiteral(".\\Englisch\\EnV17.wav"));
        QVERIFY(field(QStringLiteral("FSatzSound"), 17).isNull());
    }

    void vanishedSoundFolderIsMadeAgain()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        click(w.cmdRecord);
        QVERIFY(QDir(work->file(QStringLiteral("Englisch"))).removeRecursively());
        click(w.cmdStop);
        QCOMPARE(spy->count(), 0);
        QVERIFY(readBack(work->file(QStringLiteral("Englisch/EnV17.wav"))).ok);
        QCOMPARE(field(QStringLiteral("FVokSound"), 17).toString(), QStringLiteral(".\\Englisch\\EnV17.wav"));
    }

    void recordingAgainReplacesTheFileUnderTheSamePath()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        recordAndStop(w);
        tone->setFrequency(1000.0);
        recordAndStop(w);
        QCOMPARE(spy->count(), 0);
        QCOMPARE(field(QStringLiteral("FVokSound"), 17).toString(), QStringLiteral(".\\Englisch\\EnV17.wav"));
        const WavInfo wav = readBack(work->file(QStringLiteral("Englisch/EnV17.wav")));
        QVERIFY(wav.ok);
        QCOMPARE(wav.samples[3], Mci::ToneBackend::toneSample(3, 22050, 1000.0));
        QCOMPARE(QDir(work->file(QStringLiteral("Englisch"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("EnV17.wav")});
    }

    void noInputDeviceReportsOpenAndLeavesTheWindowIdle()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        tone->setInputAvailable(false);
        frmSound w;
        click(w.cmdRecord);
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->last().text, QStringLiteral("open ERROR:  ") + Mci::errorText(Mci::NoDevice));
        QCOMPARE(spy->last().icon, QMessageBox::NoIcon);
        QVERIFY(!w.isRecording());
        QCOMPARE(buttons(w), QStringLiteral("1001"));
        QCOMPARE(defaultButton(w), w.cmdRecord);
        QVERIFY(w.optSound[0]->isEnabled() && w.optSound[1]->isEnabled());
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        QVERIFY(field(QStringLiteral("FVokSound"), 17).isNull());

        // Once a device is there, the next try works.
        tone->setInputAvailable(true);
        recordAndStop(w);
        QCOMPARE(spy->count(), 1);
        QCOMPARE(field(QStringLiteral("FVokSound"), 17).toString(), QStringLiteral(".\\Englisch\\EnV17.wav"));
    }

    void failedSaveStoresNoPath()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        frmSound w;
        click(w.cmdRecord);
        // A file where the folder should be: the folder cannot be made again.
        QVERIFY(QDir(work->file(QStringLiteral("Englisch"))).removeRecursively());
        QFile blocker(work->file(QStringLiteral("Englisch")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        click(w.cmdStop);
        QCOMPARE(spy->count(), 1);
        QVERIFY2(spy->last().text.startsWith(QStringLiteral("save ERROR:  ")), qPrintable(spy->last().text));
        QVERIFY(spy->last().text.size() > 13);
        QCOMPARE(spy->last().icon, QMessageBox::NoIcon);
        QVERIFY(field(QStringLiteral("FVokSound"), 17).isNull());
        QCOMPARE(buttons(w), QStringLiteral("1011"));
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
    }

    void failingUpdateIsReportedAndLeavesTheCardAsItWas()
    {
        // The path outgrows the 50 characters of the field.
        const QString longName = QStringLiteral("Sprache") + QString(40, QLatin1Char('x'));
        useLanguage(longName, 3);
        frmSound w;
        recordAndStop(w);
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->last().icon, QMessageBox::Critical);
        QVERIFY2(spy->last().text.contains(QStringLiteral("FVokSound")), qPrintable(spy->last().text));
        QVERIFY(field(QStringLiteral("FVokSound"), 3).isNull());
        QCOMPARE(AppState::instance().TableRecordset->editMode(), store::EditMode::None);
        QCOMPARE(buttons(w), QStringLiteral("1011"));
        QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
    }

    void leavingWhileRecordingClosesTheRecording()
    {
        useLanguage(QStringLiteral("Englisch"), 17);
        {
            frmSound w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            click(w.cmdRecord);
            QVERIFY(!w.btnExit->isEnabled());
            QTest::keyClick(&w, Qt::Key_Escape);
            QVERIFY(!w.isVisible());
            QVERIFY(!w.isRecording());
            QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        }
        {
            frmSound w;
            w.show();
            click(w.optSound[1]);
            click(w.cmdRecord);
            QVERIFY(w.close());
            QVERIFY(aliasMode(QStringLiteral("NeuSatz")).isEmpty());
        }
        {
            // A window that goes away without being closed cleans up as well.
            auto w = std::make_unique<frmSound>();
            click(w->cmdRecord);
            w.reset();
            QVERIFY(aliasMode(QStringLiteral("NeuWort")).isEmpty());
        }
        QCOMPARE(spy->count(), 0);
        QVERIFY(field(QStringLiteral("FVokSound"), 17).isNull());
        QVERIFY(field(QStringLiteral("FSatzSound"), 17).isNull());
        QVERIFY(!QFile::exists(work->file(QStringLiteral("Englisch/EnV17.wav"))));
    }
};

QTEST_MAIN(TestFrmSound)
#include "tst_frmsound.moc"
