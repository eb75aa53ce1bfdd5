// SPDX-License-Identifier: GPL-3.0-or-later
// The multimedia command layer against the tone backend (no sound hardware),
// and the real backend where no sound server can be reached.

#include "TestSupport.h"

#include "audio/Mci.h"
#include "audio/ToneBackend.h"
#include "audio/WaveFile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sndfile.h>

using namespace Mci;

namespace {

// Read with libsndfile, not our own reader, so a writer fault cannot hide.
struct Wav
{
    int format = 0, rate = 0, channels = 0;
    QVector<short> samples;
};

Wav readWav(const QString &path)
{
    Wav w;
    SF_INFO info{};
    if (SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info)) {
        w = {info.format, info.samplerate, info.channels, QVector<short>(info.frames * info.channels)};
        sf_readf_short(f, w.samples.data(), info.frames);
        sf_close(f);
    }
    return w;
}

void sendAll(const QStringList &commands)
{
    for (const QString &c : commands)
        QVERIFY2(send(c) == 0, qPrintable(c));
}

const QString kOpen = QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort");

} // namespace

class TestMci : public QObject
{
    Q_OBJECT

    ToneBackend *tone_ = nullptr;
    std::unique_ptr<TempWorkDir> work_;

private slots:
    void init()
    {
        auto tone = std::make_unique<ToneBackend>();
        tone_ = tone.get();
        setBackend(std::move(tone));
        work_ = std::make_unique<TempWorkDir>();
        QVERIFY(QDir(work_->path()).mkdir(QStringLiteral("Englisch")));
        for (const char *name : {"float16k.wav", "text.wav"})
            copyTestData(QStringLiteral("sound/") + QLatin1String(name), work_->path());
    }

    void cleanup()
    {
        send(QStringLiteral("close all"));
        setStartTimeout(kDefaultStartTimeoutMs);
        work_.reset();
    }

    void recordingTheDeviceDoesNotConfirm_data()
    {
        QTest::addColumn<int>("answer"); // kStarting: no answer at all, and no waiting for one
        QTest::addColumn<QString>("asking"); // the command that learns of it
        QTest::addColumn<int>("expected");
        QTest::newRow("no answer") << kStarting << QStringLiteral("status NeuWort mode") << int(NoResponse);
        QTest::newRow("refused later") << int(DeviceFailed) << QStringLiteral("status NeuWort mode") << int(DeviceFailed);
        QTest::newRow("confirmed late") << int(NoError) << QStringLiteral("STOP NeuWort") << 0;
    }
    void recordingTheDeviceDoesNotConfirm()
    {
        QFETCH(int, answer);
        QFETCH(QString, asking);
        QFETCH(int, expected);
        setStartTimeout(answer == kStarting ? 0 : 600000);
        tone_->setConfirmsCaptures(false);
        sendAll({kOpen, QStringLiteral("RECORD NeuWort")});
        if (answer != kStarting)
            tone_->answerCaptures(answer);
        // An error is told once; the recording is then simply stopped.
        QCOMPARE(send(asking), expected);
        QString mode;
        QCOMPARE(send(QStringLiteral("status NeuWort mode"), &mode), 0);
        QCOMPARE(mode, QStringLiteral("stopped"));
        const QString save = QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav");
        QCOMPARE(send(save), expected ? int(NothingRecorded) : 0);

        // The next RECORD starts afresh after a failure, and carries on
        // after a recording that was confirmed.
        tone_->setConfirmsCaptures(true);
        sendAll({QStringLiteral("RECORD NeuWort"), QStringLiteral("STOP NeuWort"), save});
        QCOMPARE(readWav(work_->file(QStringLiteral("Englisch/EnV1.wav"))).samples.size(), expected ? 11025 : 22050);
    }

    void recordingSavesTheToneAndOverwrites()
    {
        // The sequence of the recording window, word for word.
        const QString save = QStringLiteral("SAVE NeuWort .\\Englisch\\EnV17.wav");
        const QString path = work_->file(QStringLiteral("Englisch/EnV17.wav"));
        sendAll({kOpen, QStringLiteral("Set NeuWort bitspersample 16"), QStringLiteral("Set NeuWort samplespersec 22050"),
                 QStringLiteral("Set NeuWort channels 1"), QStringLiteral("RECORD NeuWort"),
                 QStringLiteral("STOP NeuWort"), save, QStringLiteral("CLOSE NeuWort")});
        Wav w = readWav(path);
        QVERIFY(w.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16) && w.rate == 22050 && w.channels == 1);
        QCOMPARE(w.samples.size(), 11025); // 0.5 s of tone
        for (int i = 0; i < w.samples.size(); ++i)
            QVERIFY2(w.samples[i] == ToneBackend::toneSample(i, 22050, 440.0), qPrintable(QString::number(i)));
        // No temporary file is left beside the recording.
        QCOMPARE(QDir(work_->file(QStringLiteral("Englisch"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("EnV17.wav")});

        // A second recording in another format replaces the file; RECORD
        // again carries on after what is there, a second RECORD while
        // recording does no harm.
        tone_->setToneSeconds(0.25);
        sendAll({kOpen, QStringLiteral("set NeuWort bitspersample 8 samplespersec 44100 channels 2"),
                 QStringLiteral("record NeuWort"), QStringLiteral("stop NeuWort"), QStringLiteral("RECORD NeuWort"),
                 QStringLiteral("RECORD NeuWort"), QStringLiteral("STOP NeuWort"), save});
        w = readWav(path);
        QVERIFY(w.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) && w.rate == 44100 && w.channels == 2);
        QCOMPARE(w.samples.size(), 2 * 22050);
    }

    void refusedCommands_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("expected");
        const QString rec = QStringLiteral("RECORD NeuWort");
        const QString stop = QStringLiteral("STOP NeuWort");
        auto row = [](const char *name, QStringList commands, Error expected) {
            QTest::newRow(name) << commands << int(expected);
        };
        row("empty", {QString()}, UnknownCommand);
        row("save without record", {kOpen, QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav")}, NothingRecorded);
        row("save while recording", {kOpen, rec, QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav")}, StillRecording);
        row("save without path", {kOpen, rec, stop, QStringLiteral("SAVE NeuWort ")}, MissingName);
        row("save into missing folder", {kOpen, rec, stop, QStringLiteral("SAVE NeuWort .\\Spanisch\\EsV1.wav")}, FolderNotFound);
        // A regular file as folder fails even for root.
        row("save under a file", {kOpen, rec, stop, QStringLiteral("SAVE NeuWort .\\text.wav\\EnV1.wav")}, CannotWrite);
        row("open alias twice", {kOpen, QStringLiteral("open new type waveaudio alias NEUWORT")}, AliasInUse);
        row("set after recording", {kOpen, rec, stop, QStringLiteral("Set NeuWort channels 2")}, FormatLocked);
        row("play text file", {QStringLiteral("PLAY text.wav")}, NotWave);
    }

    void refusedCommands()
    {
        QFETCH(QStringList, commands);
        QFETCH(int, expected);
        const QString last = commands.takeLast();
        sendAll(commands);
        auto entries = [this] {
            return QDir(work_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                + QDir(work_->file(QStringLiteral("Englisch"))).entryList(QDir::Files | QDir::Hidden);
        };
        const QStringList before = entries();
        QCOMPARE(send(last), expected);
        // A refused command creates nothing, not even a half-written file.
        QCOMPARE(entries(), before);
    }

    void convertingForTheDevice()
    {
        // Stereo frames at 44100 Hz: (100, 300), (-200, -400), (1000, 3000), (32767, 32767).
        Clip clip{44100, 2, {}};
        const QVector<qint16> in = {100, 300, -200, -400, 1000, 3000, 32767, 32767};
        clip.pcm = QByteArray(reinterpret_cast<const char *>(in.constData()), in.size() * 2);
        QAudioFormat f;
        f.setSampleFormat(QAudioFormat::Int16);
        // Channels are averaged, every other frame dropped.
        f.setChannelCount(1);
        f.setSampleRate(22050);
        const QByteArray m = convertClip(clip, f);
        QCOMPARE(m.size(), 2 * 2);
        QCOMPARE(reinterpret_cast<const qint16 *>(m.constData())[1], qint16(2000));
        // Float stays within [-1, 1] after resampling up.
        f.setSampleFormat(QAudioFormat::Float);
        f.setSampleRate(48000);
        f.setChannelCount(2);
        const QByteArray fl = convertClip(clip, f);
        QCOMPARE(fl.size(), qsizetype(4 * 48000 / 44100 * 2 * 4));
        const auto *fs = reinterpret_cast<const float *>(fl.constData());
        QCOMPARE(fs[1], 300.0f / 32768.0f);
        QVERIFY(std::all_of(fs, fs + fl.size() / 4, [](float v) { return v >= -1.0f && v <= 1.0f; }));
    }

    void realBackendWithoutSoundServer()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/vokamia-no-server");
        setBackend(makeDefaultBackend());
        for (const QString &c : {QStringLiteral("open waveaudio"), kOpen, QStringLiteral("RECORD NeuWort"),
                                 QStringLiteral("SAVE NeuWort .\\Englisch\\EnV17.wav"), QStringLiteral("PLAY float16k.wav")})
            QVERIFY2(send(c) != 0, qPrintable(c));
        QCOMPARE(send(QStringLiteral("PLAY float16k.wav")), int(NoDevice));
        QVERIFY(!QFile::exists(work_->file(QStringLiteral("Englisch/EnV17.wav"))));
    }
};

QTEST_GUILESS_MAIN(TestMci)
#include "tst_mci.moc"
