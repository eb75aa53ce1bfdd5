// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound backend against a private sound server started by this test:
// a pipe source stands in for the microphone (the test feeds it known
// samples) and a null sink for the speakers.

#include "TestSupport.h"

#include "sound/Mci.h"

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
        if (exe.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
            VOKAMIA_SKIP("pulseaudio and pactl are not installed: no sound server to test against");

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
             QStringLiteral("module-null-sink sink_name=speaker"), QStringLiteral("-L"),
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
