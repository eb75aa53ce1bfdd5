// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound backend against a private sound server started by this test:
// a pipe source stands in for the microphone (the test feeds it known
// samples) and a null sink for the speakers, whose monitor tells what a
// listener would have heard, sample by sample.

#include "TestSupport.h"

#include "audio/Mci.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Mci;

namespace {

constexpr int kRate = 22050;

void sendAll(const QStringList &commands)
{
    for (const QString &c : commands)
        QVERIFY2(send(c) == 0, qPrintable(c));
}

// Never zero, so the start of the pattern stands out from silence.
qint16 patternSample(int i)
{
    return qint16((1000 + (i * 7919) % 16000) * ((i / 50) % 2 ? -1 : 1));
}

// A mono 16-bit file of the pattern, so every sample that reaches the
// speaker is told apart from silence.
bool writePatternFile(const QString &path, int frames)
{
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    QVector<qint16> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] = patternSample(i);
    const bool ok = sf_writef_short(f, samples.constData(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

constexpr int framesOfMs(int ms)
{
    return ms * kRate / 1000;
}

// Listens to the speaker's monitor in a recorder process of its own and
// counts what it hears. The speaker has the files' format, so the samples
// arrive unchanged and silence is exactly zero.
class Listener
{
public:
    ~Listener()
    {
        rec_.kill();
        rec_.waitForFinished(5000);
    }

    // Starts listening and waits until the monitor delivers; whatever it
    // replays from before is dropped.
    bool start()
    {
        rec_.start(QStringLiteral("parec"),
                   {QStringLiteral("--device=speaker.monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
        if (!rec_.waitForStarted(10000))
            return false;
        if (!runUntil([this] { return received() >= framesOfMs(200); }))
            return false;
        bytes_.clear();
        return true;
    }

    // Runs the event loop (which also drives the sound output) until the
    // condition holds; the cap only keeps a fault from hanging the test.
    bool runUntil(const std::function<bool()> &done)
    {
        QDeadlineTimer cap(20000);
        for (;;) {
            take();
            if (done())
                return true;
            if (cap.hasExpired() || rec_.state() != QProcess::Running)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    void take() { bytes_ += rec_.readAllStandardOutput(); }

    // Frames received since start(), silence included: the monitor's clock.
    qint64 received() const { return bytes_.size() / 2; }
    const qint16 *samples() const { return reinterpret_cast<const qint16 *>(bytes_.constData()); }

    // Frames heard, that is not silent.
    qint64 heard() const { return std::count_if(samples(), samples() + received(), [](qint16 s) { return s != 0; }); }

    // The frame after the last one heard; 0 if nothing was.
    qint64 endOfSound() const
    {
        for (qint64 i = received(); i > 0; --i) {
            if (samples()[i - 1] != 0)
                return i;
        }
        return 0;
    }

private:
    QProcess rec_;
    QByteArray bytes_;
};

QString modeOf(const QString &name)
{
    QString mode;
    return send(QStringLiteral("status ") + name + QStringLiteral(" mode"), &mode) == 0 ? mode : QStringLiteral("(error)");
}

} // namespace

class TestMciPulse : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempWorkDir> work_;
    QProcess server_;
    QString runtime_;
    QString fifo_;

    QString here(const QString &rel) const { return work_->file(rel); }

    QString serverLog()
    {
        QFile f(here(QStringLiteral("server.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(2000)) : QString();
    }

    // Runs pactl against our server; bounded.
    bool pactl(const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (out)
            *out = p.readAllStandardOutput().trimmed();
        p.kill();
        p.waitForFinished(2000);
        return ok;
    }

    // Writes everything into the pipe source, waiting while the pipe is full.
    bool feed(const QByteArray &bytes)
    {
        const int fd = ::open(QFile::encodeName(fifo_).constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        qsizetype done = 0;
        QDeadlineTimer deadline(10000);
        while (done < bytes.size() && !deadline.hasExpired()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            else
                QTest::qWait(10);
        }
        ::close(fd);
        return done == bytes.size();
    }

private slots:
    void initTestCase()
    {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (exe.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            VOKAMIA_SKIP("pulseaudio, pactl and parec are not installed: no sound server to test against");

        work_ = std::make_unique<TempWorkDir>();
        runtime_ = here(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime_));
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        fifo_ = here(QStringLiteral("mic.fifo"));
        const QString socket = runtime_ + QStringLiteral("/native");

        // The server and every client (pactl, Qt Multimedia in this process)
        // meet at our socket and nowhere else. Qt reads these the first time
        // it looks for audio devices, which is after this point.
        qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
        qputenv("PULSE_RUNTIME_PATH", (runtime_ + QStringLiteral("/pulse")).toLocal8Bit());
        qputenv("HOME", work_->path().toLocal8Bit());
        qputenv("PULSE_SERVER", QByteArray("unix:") + socket.toLocal8Bit());

        server_.setProgram(exe);
        server_.setArguments(
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix socket=") + socket, QStringLiteral("-L"),
             QStringLiteral("module-null-sink sink_name=speaker rate=%1 channels=1 format=s16le").arg(kRate), QStringLiteral("-L"),
             QStringLiteral("module-pipe-source source_name=mic file=%1 format=s16le rate=%2 channels=1").arg(fifo_).arg(kRate)});
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.setStandardOutputFile(here(QStringLiteral("server.log")));
        // Should this test die, the server goes with it.
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        server_.start();
        if (!server_.waitForStarted(10000))
            VOKAMIA_SKIP(qPrintable(QStringLiteral("pulseaudio cannot start: %1").arg(server_.errorString())));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket) || server_.state() == QProcess::NotRunning, 15000);
        if (server_.state() == QProcess::NotRunning || !QFile::exists(socket))
            VOKAMIA_SKIP(qPrintable(QStringLiteral("pulseaudio cannot start here:\n") + serverLog()));

        QVERIFY2(pactl({QStringLiteral("set-default-source"), QStringLiteral("mic")}), qPrintable(serverLog()));
        QVERIFY2(pactl({QStringLiteral("set-default-sink"), QStringLiteral("speaker")}), qPrintable(serverLog()));

        QVERIFY(QDir(work_->path()).mkdir(QStringLiteral("Englisch")));
        setBackend(makeDefaultBackend());
    }

    void cleanupTestCase()
    {
        send(QStringLiteral("close all"));
        setBackend(nullptr);
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate(); // SIGTERM to the server's PID
            if (!server_.waitForFinished(5000)) {
                server_.kill();
                server_.waitForFinished(5000);
            }
        }
    }

    void recordsWhatTheMicrophoneHears()
    {
        sendAll({QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuWort"), QStringLiteral("Set NeuWort bitspersample 16"),
                 QStringLiteral("Set NeuWort samplespersec 22050"), QStringLiteral("Set NeuWort channels 1"),
                 QStringLiteral("RECORD NeuWort")});

        // 0.2 s silence, 0.5 s pattern, 0.3 s silence: the silences absorb
        // the start and stop latency of the stream.
        const int lead = kRate / 5, count = kRate / 2, tail = kRate * 3 / 10;
        QVector<qint16> fed(lead + count + tail, 0);
        for (int i = 0; i < count; ++i)
            fed[lead + i] = patternSample(i);
        QVERIFY(feed(QByteArray(reinterpret_cast<const char *>(fed.constData()), fed.size() * 2)));

        auto recordedMs = [] {
            QString length;
            send(QStringLiteral("status NeuWort length"), &length);
            return length.toInt();
        };
        QTRY_VERIFY_WITH_TIMEOUT(recordedMs() >= 900, 15000);

        sendAll({QStringLiteral("STOP NeuWort"), QStringLiteral("SAVE NeuWort .\\Englisch\\EnV1.wav"),
                 QStringLiteral("CLOSE NeuWort")});

        SF_INFO info{};
        SNDFILE *f = sf_open(QFile::encodeName(here(QStringLiteral("Englisch/EnV1.wav"))).constData(), SFM_READ, &info);
        QVERIFY(f);
        QVERIFY(info.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16) && info.samplerate == kRate && info.channels == 1);
        QVector<qint16> rec(info.frames);
        sf_readf_short(f, rec.data(), info.frames);
        sf_close(f);
        // The pattern arrives unchanged somewhere in the recording.
        const QVector<qint16> pattern = fed.mid(lead, count);
        QVERIFY2(std::search(rec.cbegin(), rec.cend(), pattern.cbegin(), pattern.cend()) != rec.cend(),
                 qPrintable(QStringLiteral("pattern not in %1 recorded samples").arg(rec.size())));
    }

    // A file that has played to its end gives its stream back to the server.
    void playedFileClosesItsStream()
    {
        copyTestData(QStringLiteral("sound/stereo8_44100.wav"), work_->path());
        sendAll({QStringLiteral("open waveaudio"), QStringLiteral("Play stereo8_44100.wav")});
        QString mode;
        QTRY_VERIFY_WITH_TIMEOUT(send(QStringLiteral("status stereo8_44100.wav mode"), &mode) == 0
                                     && mode == QLatin1String("stopped"),
                                 20000);
        QByteArray inputs;
        const QStringList list = {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")};
        QTRY_VERIFY2_WITH_TIMEOUT(pactl(list, &inputs) && inputs.isEmpty(), inputs.constData(), 10000);
        sendAll({QStringLiteral("CLOSE waveaudio")});
    }

    // The whole file is heard, and the file counts as playing until its last
    // sample has been played.
    void playsToTheLastSample_data()
    {
        QTest::addColumn<int>("ms");
        for (int ms : {300, 500, 800, 1000})
            QTest::addRow("%d ms", ms) << ms;
    }
    void playsToTheLastSample()
    {
        QFETCH(int, ms);
        const QString name = QStringLiteral("EnV%1.wav").arg(ms);
        const int frames = framesOfMs(ms);
        QVERIFY(writePatternFile(here(name), frames));
        Listener ear;
        QVERIFY(ear.start());

        QCOMPARE(send(QStringLiteral("Play ") + name), 0);
        QCOMPARE(modeOf(name), QStringLiteral("playing"));
        // What had been heard when the file was first reported as no longer playing.
        qint64 heardWhenStopped = -1;
        QString modeAfterPlaying;
        QVERIFY(ear.runUntil([&] {
            if (modeAfterPlaying.isEmpty()) {
                const QString mode = modeOf(name);
                if (mode != QLatin1String("playing")) {
                    modeAfterPlaying = mode;
                    heardWhenStopped = ear.heard();
                }
            }
            // Then a further half second, to hear any late samples.
            return !modeAfterPlaying.isEmpty() && ear.received() - ear.endOfSound() > framesOfMs(500);
        }));
        qInfo("%d ms file: %.1f ms heard, %.1f ms of it when reported %s", ms, ear.heard() * 1000.0 / kRate,
              heardWhenStopped * 1000.0 / kRate, qPrintable(modeAfterPlaying));

        QCOMPARE(modeAfterPlaying, QStringLiteral("stopped"));
        QVERIFY2(std::abs(ear.heard() - frames) <= framesOfMs(30),
                 qPrintable(QStringLiteral("%1 of %2 frames heard").arg(ear.heard()).arg(frames)));
        // The sound ends with the file's own last samples, not cut short.
        const qint64 end = ear.endOfSound();
        QVERIFY(end >= 100);
        for (int i = 1; i <= 100; ++i)
            QCOMPARE(ear.samples()[end - i], patternSample(frames - i));
        // "playing" lasted until the end was heard (give or take the
        // monitor's own delay).
        QVERIFY2(heardWhenStopped >= frames - framesOfMs(30),
                 qPrintable(QStringLiteral("%1 of %2 frames heard while playing").arg(heardWhenStopped).arg(frames)));
        QCOMPARE(modeOf(name), QStringLiteral("stopped"));
        QCOMPARE(send(QStringLiteral("STOP ") + name), 0);
    }

    // STOP silences at once: while the file is still being handed to the
    // server, and while the server plays out what it was given last.
    void stopSilencesAtOnce_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("stopAfterMs");
        QTest::newRow("handing over") << 1000 << 150;
        QTest::newRow("playing out") << 500 << 400;
    }
    void stopSilencesAtOnce()
    {
        QFETCH(int, ms);
        QFETCH(int, stopAfterMs);
        const QString name = QStringLiteral("EnS%1.wav").arg(ms);
        QVERIFY(writePatternFile(here(name), framesOfMs(ms)));
        Listener ear;
        QVERIFY(ear.start());
        QCOMPARE(send(QStringLiteral("Play ") + name), 0);
        QVERIFY(ear.runUntil([&] { return ear.heard() >= framesOfMs(stopAfterMs); }));
        QCOMPARE(send(QStringLiteral("STOP ") + name), 0);
        const qint64 stoppedAt = ear.received();
        QVERIFY(ear.runUntil([&] { return ear.received() - stoppedAt > framesOfMs(500); }));
        qInfo("%d ms file stopped after %d ms: %.1f ms heard", ms, stopAfterMs, ear.heard() * 1000.0 / kRate);
        // Well short of the whole file (which is heard within 30 ms).
        QVERIFY2(ear.heard() < framesOfMs(std::min(stopAfterMs + 60, ms - 40)),
                 qPrintable(QStringLiteral("%1 frames heard").arg(ear.heard())));
        QCOMPARE(send(QStringLiteral("status ") + name + QStringLiteral(" mode")), int(NotOpen));
    }

    void stalledServerDoesNotHoldUpRecord()
    {
        const qint64 pid = server_.processId();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
        auto resume = qScopeGuard([pid] { ::kill(pid_t(pid), SIGCONT); });
        setStartTimeout(300);
        auto restoreTimeout = qScopeGuard([] { setStartTimeout(kDefaultStartTimeoutMs); });

        QCOMPARE(send(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS NeuSatz")), 0);
        // Returns although the server cannot answer.
        QCOMPARE(send(QStringLiteral("RECORD NeuSatz")), 0);
        QString mode;
        // The error is told once: keep the first answer that is one.
        int rc = 0;
        QTRY_VERIFY_WITH_TIMEOUT(rc != 0 || (rc = send(QStringLiteral("status NeuSatz mode"), &mode)) != 0, 20000);
        QCOMPARE(rc, int(NoResponse));
        QCOMPARE(send(QStringLiteral("status NeuSatz mode"), &mode), 0);
        QCOMPARE(mode, QStringLiteral("stopped"));

        QVERIFY(abandonedCaptures() > 0);
        resume.dismiss();
        QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);
        QCOMPARE(send(QStringLiteral("CLOSE NeuSatz")), 0);
        // Once the server answers, the given-up recording ends by itself.
        QTRY_COMPARE_WITH_TIMEOUT(abandonedCaptures(), 0, 20000);
    }
};

QTEST_GUILESS_MAIN(TestMciPulse)
#include "tst_mci_pulse.moc"
