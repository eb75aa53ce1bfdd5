// The multimedia command layer against the tone backend (no sound hardware),
// and the real backend where no sound server can be reached.

#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "sound/WaveFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

using namespace Mci;

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

QString dataFile(const QString &name)
{
    return QStringLiteral(VOKAMIA_TEST_DATA "/sound/") + name;
}

} // namespace

class TestMci : public QObject
{
    Q_OBJECT

private:
    ToneBackend *tone_ = nullptr;
    std::unique_ptr<QTemporaryDir> dir_;
    QString oldCwd_;

    QString here(const QString &rel) const { return dir_->path() + QLatin1Char('/') + rel; }
    void openRecorder(const QString &alias = QStringLiteral("NeuWort"))
    {
        QCOMPARE(send(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS ") + alias), 0);
    }

private slots:
    void initTestCase()
    {
        // Only the last test uses the real backend: it must find no server.
        qputenv("PULSE_SERVER", "unix:/nonexistent/vokamia-no-server");
        oldCwd_ = QDir::currentPath();
    }

    void init()
    {
        auto tone = std::make_unique<ToneBackend>();
        tone_ = tone.get();
        setBackend(std::move(tone));
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("Englisch")));
        for (const char *name : {"stereo8_44100.wav", "float16k.wav", "text.wav", "tone.aiff"})
            QVERIFY(QFile::copy(dataFile(QLatin1String(name)), here(QLatin1String(name))));
        QVERIFY(QDir::setCurrent(dir_->path()));
    }

    void cleanup()
    {
        send(QStringLiteral("close all"));
        QDir::setCurrent(oldCwd_);
        dir_.reset();
    }

    void recordingSequenceSavesTheTone()
    {
        // The sequence of the recording window, word for word.
        const QStringList sequence = {
            QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort"),
            QStringLiteral("Set NeuWort bitspersample 16"),
            QStringLiteral("Set NeuWort samplespersec 22050"),
            QStringLiteral("Set NeuWort channels 1"),
            QStringLiteral("RECORD NeuWort"),
            QStringLiteral("STOP NeuWort"),
            QStringLiteral("SAVE NeuWort .\\Englisch\\EnV17.wav"),
            QStringLiteral("CLOSE NeuWort"),
        };
        for (const QString &c : sequence)
            QVERIFY2(send(c) == 0, qPrintable(c));
        QCOMPARE(tone_->log(), QStringList({QStringLiteral("record 22050 Hz 1 ch"), QStringLiteral("record stop")}));

        const WavInfo w = readBack(here(QStringLiteral("Englisch/EnV17.wav")));
        QVERIFY(w.ok);
        QCOMPARE(w.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(w.rate, 22050);
        QCOMPARE(w.channels, 1);
        QCOMPARE(w.samples.size(), 11025); // 0.5 s of tone
        for (int i = 0; i < w.samples.size(); ++i) {
            if (w.samples[i] != ToneBackend::toneSample(i, 22050, 440.0))
                QFAIL(qPrintable(QStringLiteral("sample %1 differs").arg(i)));
        }
        // Nothing but the recording is left in the folder.
        QCOMPARE(QDir(here(QStringLiteral("Englisch"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("EnV17.wav")});

        // Closed means gone: the alias is free again.
        QCOMPARE(send(QStringLiteral("STOP NeuWort")), int(NotOpen));
        openRecorder();
    }

    void recordingHonoursTheFormatAndOverwrites()
    {
        openRecorder(QStringLiteral("NeuSatz"));
        QCOMPARE(send(QStringLiteral("set NeuSatz bitspersample 8 samplespersec 44100 channels 2")), 0);
        QCOMPARE(send(QStringLiteral("record NeuSatz")), 0);
        QCOMPARE(send(QStringLiteral("stop NeuSatz")), 0);
        QCOMPARE(send(QStringLiteral("save NeuSatz .\\Englisch\\EnS5.wav")), 0);
        WavInfo w = readBack(here(QStringLiteral("Englisch/EnS5.wav")));
        QCOMPARE(w.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
        QCOMPARE(w.rate, 44100);
        QCOMPARE(w.channels, 2);
        QCOMPARE(w.samples.size(), 2 * 22050);
        QCOMPARE(send(QStringLiteral("close NeuSatz")), 0);

        // A second recording replaces the file at the same path.
        tone_->setToneSeconds(0.25);
        openRecorder(QStringLiteral("NeuSatz"));
        QCOMPARE(send(QStringLiteral("record NeuSatz")), 0);
        QCOMPARE(send(QStringLiteral("stop NeuSatz")), 0);
        QCOMPARE(send(QStringLiteral("save NeuSatz .\\Englisch\\EnS5.wav")), 0);
        w = readBack(here(QStringLiteral("Englisch/EnS5.wav")));
        QCOMPARE(w.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(w.samples.size(), qsizetype(std::lround(0.25 * 22050)));

        // A folder name with an umlaut (the language Französisch).
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("Französisch")));
        QCOMPARE(send(QStringLiteral("SAVE NeuSatz .\\Französisch\\FrS5.wav")), 0);
        QVERIFY(QFile::exists(here(QStringLiteral("Französisch/FrS5.wav"))));

        // RECORD again carries on after what is there.
        QCOMPARE(send(QStringLiteral("RECORD NeuSatz")), 0);
        QCOMPARE(send(QStringLiteral("RECORD NeuSatz")), 0); // already recording: no harm
        QCOMPARE(send(QStringLiteral("STOP NeuSatz")), 0);
        QString length;
        QCOMPARE(send(QStringLiteral("status NeuSatz length"), &length), 0);
        QCOMPARE(length, QStringLiteral("500"));
    }

    void lettersAndBlanksDoNotMatter()
    {
        const QStringList sequence = {
            QStringLiteral("open new type waveaudio alias neuwort"),
            QStringLiteral("SET NEUWORT BITSPERSAMPLE 16"),
            QStringLiteral("  set   NeuWort   Channels   1  "),
            QStringLiteral("Record NEUWORT"),
            QStringLiteral("stop neuWort"),
            QStringLiteral("Save NeuWort \".\\Englisch\\Mit Blank.wav\""),
            QStringLiteral("close NEUWORT"),
            QStringLiteral("OPEN WAVEAUDIO"),
            QStringLiteral("Close WaveAudio"),
        };
        for (const QString &c : sequence)
            QVERIFY2(send(c) == 0, qPrintable(c));
        QVERIFY(QFile::exists(here(QStringLiteral("Englisch/Mit Blank.wav"))));
        // File names keep their case: this one does not exist.
        QCOMPARE(send(QStringLiteral("PLAY .\\englisch\\mit blank.wav")), int(FileNotFound));
        QCOMPARE(send(QStringLiteral("Play .\\Englisch\\Mit Blank.wav")), 0);
    }

    void refusedCommands_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("expected");
        const QString open = QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort");
        const QString rec = QStringLiteral("RECORD NeuWort");
        const QString stop = QStringLiteral("STOP NeuWort");
        auto row = [](const char *name, QStringList commands, Error expected) {
            QTest::newRow(name) << commands << int(expected);
        };
        row("empty", {QString()}, UnknownCommand);
        row("unknown verb", {QStringLiteral("ERASE NeuWort")}, UnknownCommand);
        row("verb as prefix", {QStringLiteral("PLAYX wah.wav")}, UnknownCommand);
        row("record unknown alias", {QStringLiteral("RECORD Nirgends")}, NotOpen);
        row("set unknown alias", {QStringLiteral("Set Nirgends channels 1")}, NotOpen);
        row("save unknown alias", {QStringLiteral("SAVE Nirgends x.wav")}, NotOpen);
        row("close unknown alias", {QStringLiteral("CLOSE Nirgends")}, NotOpen);
        row("stop without record", {open, stop}, NotRecording);
        row("stop twice", {open, rec, stop, stop}, NotRecording);
        row("save without record", {open, QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav")}, NothingRecorded);
        row("save while recording", {open, rec, QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav")}, StillRecording);
        row("save without path", {open, rec, stop, QStringLiteral("SAVE NeuWort ")}, MissingName);
        row("save into missing folder", {open, rec, stop, QStringLiteral("SAVE NeuWort .\\Spanisch\\EsV1.wav")}, FolderNotFound);
        // A regular file as folder fails even for root.
        row("save under a file", {open, rec, stop, QStringLiteral("SAVE NeuWort .\\text.wav\\EnV1.wav")}, CannotWrite);
        row("save onto a folder", {open, rec, stop, QStringLiteral("SAVE NeuWort .\\Englisch")}, CannotWrite);
        row("open alias twice", {open, QStringLiteral("open new type waveaudio alias NEUWORT")}, AliasInUse);
        row("open other type", {QStringLiteral("OPEN NEW TYPE sequencer ALIAS Midi")}, UnsupportedDevice);
        row("open without alias", {QStringLiteral("OPEN NEW TYPE WAVEAUDIO")}, BadParameter);
        row("open alias without name", {QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS")}, BadParameter);
        row("set 24 bits", {open, QStringLiteral("Set NeuWort bitspersample 24")}, BadValue);
        row("set 6 channels", {open, QStringLiteral("Set NeuWort channels 6")}, BadValue);
        row("set rate too high", {open, QStringLiteral("Set NeuWort samplespersec 192000")}, BadValue);
        row("set rate not a number", {open, QStringLiteral("Set NeuWort samplespersec schnell")}, BadParameter);
        row("set unknown item", {open, QStringLiteral("Set NeuWort lautstaerke 3")}, BadParameter);
        row("set nothing", {open, QStringLiteral("Set NeuWort")}, BadParameter);
        row("set while recording", {open, rec, QStringLiteral("Set NeuWort channels 1")}, StillRecording);
        row("set after recording", {open, rec, stop, QStringLiteral("Set NeuWort channels 2")}, FormatLocked);
        row("play empty path", {QStringLiteral("PLAY ")}, MissingName);
        row("stop empty path", {QStringLiteral("STOP ")}, MissingName);
        row("play missing file", {QStringLiteral("Play .\\Englisch\\EnV99.wav")}, FileNotFound);
        row("play a folder", {QStringLiteral("PLAY .\\Englisch")}, FileNotFound);
        row("play text file", {QStringLiteral("PLAY text.wav")}, NotWave);
        row("play other sound format", {QStringLiteral("PLAY tone.aiff")}, NotWave);
        row("play recorder while recording", {open, rec, QStringLiteral("PLAY NeuWort")}, StillRecording);
        row("play empty recorder", {open, QStringLiteral("PLAY NeuWort")}, NothingRecorded);
        row("stop file never played", {QStringLiteral("STOP .\\Englisch\\EnV17.wav")}, NotOpen);
        row("close wave device not open", {QStringLiteral("CLOSE waveaudio")}, NotOpen);
        row("open unknown device", {QStringLiteral("open cdaudio")}, UnsupportedDevice);
        row("status unknown item", {open, QStringLiteral("status NeuWort farbe")}, BadParameter);
    }

    void refusedCommands()
    {
        QFETCH(QStringList, commands);
        QFETCH(int, expected);
        const QString last = commands.takeLast();
        for (const QString &c : std::as_const(commands))
            QVERIFY2(send(c) == 0, qPrintable(c));
        const QStringList before = QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QStringList beforeSub = QDir(here(QStringLiteral("Englisch"))).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(send(last), expected);
        // A refused command creates nothing, not even a half-written file.
        QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(QDir(here(QStringLiteral("Englisch"))).entryList(QDir::Files | QDir::Hidden), beforeSub);
    }

    void everyCodeHasItsOwnText()
    {
        QSet<QString> texts;
        for (int code = NoError; code <= DeviceFailed; ++code) {
            const QString t = errorText(code);
            QVERIFY(!t.isEmpty());
            QVERIFY2(!t.startsWith(QStringLiteral("Unbekannter Fehler")), qPrintable(t));
            texts.insert(t);
        }
        QCOMPARE(texts.size(), DeviceFailed + 1);
        QVERIFY(errorText(4711).contains(QStringLiteral("4711")));
    }

    void playingFilesOfAnyWaveLayout()
    {
        const QString stereo = here(QStringLiteral("stereo8_44100.wav"));
        QCOMPARE(send(QStringLiteral("open waveaudio")), 0);
        QCOMPARE(send(QStringLiteral("Play stereo8_44100.wav")), 0);
        QCOMPARE(send(QStringLiteral("PLAY .\\float16k.wav")), 0);
        QCOMPARE(tone_->log(), QStringList({
                                   QStringLiteral("play %1 44100 Hz 2 ch 4410 frames").arg(stereo),
                                   QStringLiteral("play %1 16000 Hz 1 ch 1600 frames").arg(here(QStringLiteral("float16k.wav"))),
                               }));
        QString mode;
        QCOMPARE(send(QStringLiteral("status .\\stereo8_44100.wav mode"), &mode), 0);
        QCOMPARE(mode, QStringLiteral("playing"));

        tone_->clearLog();
        QCOMPARE(send(QStringLiteral("STOP .\\stereo8_44100.wav")), 0);
        QCOMPARE(tone_->log(), QStringList{QStringLiteral("stop %1").arg(stereo)});
        QCOMPARE(send(QStringLiteral("STOP stereo8_44100.wav")), int(NotOpen));

        // A sound that ran out can still be stopped without complaint.
        tone_->finish(here(QStringLiteral("float16k.wav")));
        QCOMPARE(send(QStringLiteral("status float16k.wav mode"), &mode), 0);
        QCOMPARE(mode, QStringLiteral("stopped"));
        QCOMPARE(send(QStringLiteral("STOP float16k.wav")), 0);

        QCOMPARE(send(QStringLiteral("CLOSE waveaudio")), 0);
        QCOMPARE(send(QStringLiteral("CLOSE waveaudio")), int(NotOpen));

        // The 8-bit samples arrive as 16-bit ones of the same shape.
        Clip clip;
        QCOMPARE(readWaveFile(stereo, clip), 0);
        const WavInfo w = readBack(stereo);
        QCOMPARE(clip.pcm.size(), w.samples.size() * 2);
        QCOMPARE(std::memcmp(clip.pcm.constData(), w.samples.constData(), clip.pcm.size()), 0);
    }

    void playingTheRecordingInMemory()
    {
        openRecorder();
        QCOMPARE(send(QStringLiteral("RECORD NeuWort")), 0);
        QCOMPARE(send(QStringLiteral("STOP NeuWort")), 0);
        QCOMPARE(send(QStringLiteral("PLAY NeuWort")), 0);
        QCOMPARE(tone_->log().last(), QStringLiteral("play alias:neuwort 22050 Hz 1 ch 11025 frames"));
        QCOMPARE(send(QStringLiteral("STOP NeuWort")), 0);
        QCOMPARE(tone_->log().last(), QStringLiteral("stop alias:neuwort"));
    }

    void closeAllEndsEverything()
    {
        openRecorder();
        QCOMPARE(send(QStringLiteral("RECORD NeuWort")), 0);
        QCOMPARE(send(QStringLiteral("open waveaudio")), 0);
        QCOMPARE(send(QStringLiteral("PLAY float16k.wav")), 0);
        QCOMPARE(send(QStringLiteral("close all")), 0);
        QVERIFY(tone_->log().contains(QStringLiteral("record stop")));
        QVERIFY(tone_->log().contains(QStringLiteral("stop %1").arg(here(QStringLiteral("float16k.wav")))));
        QCOMPARE(send(QStringLiteral("STOP NeuWort")), int(NotOpen));
        QCOMPARE(send(QStringLiteral("CLOSE waveaudio")), int(NotOpen));
    }

    void withoutDevicesEveryCommandFails()
    {
        tone_->setInputAvailable(false);
        tone_->setOutputAvailable(false);
        QCOMPARE(send(QStringLiteral("open waveaudio")), int(NoDevice));
        QCOMPARE(send(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort")), int(NoDevice));
        QCOMPARE(send(QStringLiteral("PLAY float16k.wav")), int(NoDevice));
        QCOMPARE(send(QStringLiteral("STOP float16k.wav")), int(NotOpen));
    }

    void sharedProcedureKeepsTheLastTexts()
    {
        MciCommand(QStringLiteral("PLAY "));
        QCOMPARE(lastErrorText(), errorText(MissingName));
        QCOMPARE(lastReturnText(), QString());
        MciCommand(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort"));
        MciCommand(QStringLiteral("RECORD NeuWort"));
        MciCommand(QStringLiteral("status NeuWort mode"));
        QCOMPARE(lastReturnText(), QStringLiteral("recording"));
        QCOMPARE(lastErrorText(), errorText(NoError));
    }

    void convertingForTheDevice()
    {
        // Two stereo frames at 44100 Hz: (100, 300), (-200, -400), ...
        Clip clip;
        clip.sampleRate = 44100;
        clip.channels = 2;
        const QVector<qint16> in = {100, 300, -200, -400, 1000, 3000, 32767, 32767};
        clip.pcm = QByteArray(reinterpret_cast<const char *>(in.constData()), in.size() * 2);

        QAudioFormat same;
        same.setSampleFormat(QAudioFormat::Int16);
        same.setSampleRate(44100);
        same.setChannelCount(2);
        QCOMPARE(convertClip(clip, same), clip.pcm);

        QAudioFormat monoHalf = same;
        monoHalf.setChannelCount(1);
        monoHalf.setSampleRate(22050);
        const QByteArray m = convertClip(clip, monoHalf);
        QCOMPARE(m.size(), 2 * 2);
        const auto *ms = reinterpret_cast<const qint16 *>(m.constData());
        QCOMPARE(ms[0], qint16(200));
        QCOMPARE(ms[1], qint16(2000));

        QAudioFormat floatStereo = same;
        floatStereo.setSampleFormat(QAudioFormat::Float);
        floatStereo.setSampleRate(48000);
        const QByteArray f = convertClip(clip, floatStereo);
        QCOMPARE(f.size(), qsizetype(4 * 48000 / 44100 * 2 * 4));
        const auto *fs = reinterpret_cast<const float *>(f.constData());
        QCOMPARE(fs[0], 100.0f / 32768.0f);
        QCOMPARE(fs[1], 300.0f / 32768.0f);
        for (int i = 0; i < f.size() / 4; ++i)
            QVERIFY(fs[i] >= -1.0f && fs[i] <= 1.0f);

        QAudioFormat bytes = same;
        bytes.setSampleFormat(QAudioFormat::UInt8);
        const QByteArray b = convertClip(clip, bytes);
        QCOMPARE(quint8(b[0]), quint8(128));
        QCOMPARE(quint8(b[6]), quint8(255));
    }

    void realBackendWithoutSoundServer()
    {
        setBackend(makeDefaultBackend());
        const QString ok = QStringLiteral("PLAY float16k.wav");
        const QStringList commands = {
            QStringLiteral("open waveaudio"),
            QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort"),
            QStringLiteral("Set NeuWort bitspersample 16"),
            QStringLiteral("Set NeuWort channels 1"),
            QStringLiteral("RECORD NeuWort"),
            QStringLiteral("STOP NeuWort"),
            QStringLiteral("SAVE NeuWort .\\Englisch\\EnV17.wav"),
            QStringLiteral("CLOSE NeuWort"),
            ok,
            QStringLiteral("STOP float16k.wav"),
            QStringLiteral("CLOSE waveaudio"),
        };
        for (const QString &c : commands) {
            const int rc = send(c);
            QVERIFY2(rc != 0, qPrintable(c));
            QVERIFY(!errorText(rc).isEmpty());
        }
        QCOMPARE(send(ok), int(NoDevice));
        QCOMPARE(send(QStringLiteral("open waveaudio")), int(NoDevice));
        QCOMPARE(send(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort")), int(NoDevice));
        QVERIFY(!QFile::exists(here(QStringLiteral("Englisch/EnV17.wav"))));
    }
};

QTEST_GUILESS_MAIN(TestMci)
#include "tst_mci.moc"
