// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/QtAudioBackend.h"

#include "audio/WaveFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace Mci {

namespace {

// Not a state a caller sees: the capture was given up while the device had
// not yet answered.
constexpr int kAbandoned = -2;

// What a capture thread and its owner share: the samples and the state.
struct CaptureShared
{
    explicit CaptureShared(qint64 limit) : limit(limit) {}

    const qint64 limit;
    mutable QMutex mutex;
    QByteArray bytes;
    std::atomic<int> state{kStarting};
};

// Collects what the input device delivers, up to a fixed size; beyond it the
// samples are dropped rather than the memory exhausted.
class CaptureBuffer : public QIODevice
{
public:
    explicit CaptureBuffer(std::shared_ptr<CaptureShared> shared) : shared_(std::move(shared))
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        QMutexLocker lock(&shared_->mutex);
        const qint64 room = std::max<qint64>(0, shared_->limit - shared_->bytes.size());
        shared_->bytes.append(data, std::min(len, room));
        return len;
    }

private:
    std::shared_ptr<CaptureShared> shared_;
};

// Runs the input device on a thread of its own. Starting a capture waits
// for the sound server to set the stream up, and a stalled server never
// does: that wait must not hold up the windows.
class CaptureThread : public QThread
{
public:
    CaptureThread(const QAudioDevice &device, const QAudioFormat &format, std::shared_ptr<CaptureShared> shared)
        : device_(device), format_(format), shared_(std::move(shared))
    {
    }

protected:
    void run() override
    {
        CaptureBuffer buffer(shared_);
        QAudioSource source(device_, format_);
        source.start(&buffer);
        const int result =
            source.error() == QAudio::NoError && source.state() != QAudio::StoppedState ? int(NoError) : int(DeviceFailed);
        int expected = kStarting;
        // Unless the owner has given up meanwhile, record until it says stop.
        if (shared_->state.compare_exchange_strong(expected, result) && result == NoError)
            exec();
        source.stop();
    }

private:
    QAudioDevice device_;
    QAudioFormat format_;
    std::shared_ptr<CaptureShared> shared_;
};

// Threads of captures given up while their device did not answer; each ends
// when (if ever) the device answers. Kept, not leaked, so they can be
// deleted then.
std::vector<QThread *> &abandonedThreads()
{
    static std::vector<QThread *> threads;
    return threads;
}

void deleteEndedThreads()
{
    auto &threads = abandonedThreads();
    for (auto it = threads.begin(); it != threads.end();) {
        if ((*it)->isFinished()) {
            (*it)->wait();
            delete *it;
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
}

class QtCapture : public Capture
{
public:
    QtCapture(const QAudioDevice &device, const QAudioFormat &format, qint64 limit)
        : shared_(std::make_shared<CaptureShared>(limit)), frameBytes_(format.bytesPerFrame())
    {
        thread_ = new CaptureThread(device, format, shared_);
        thread_->start();
    }

    ~QtCapture() override { stop(); }

    int state() const override
    {
        const int s = shared_->state;
        return s == kAbandoned ? int(DeviceFailed) : s;
    }

    void stop() override
    {
        if (!thread_)
            return;
        int expected = kStarting;
        if (shared_->state.compare_exchange_strong(expected, kAbandoned)) {
            // Still no answer: the thread ends by itself once one comes.
            abandonedThreads().push_back(thread_);
        } else {
            thread_->quit();
            thread_->wait();
            delete thread_;
        }
        thread_ = nullptr;
    }

    QByteArray data() const override
    {
        QMutexLocker lock(&shared_->mutex);
        // The device writes whole frames, but the size limit may cut one.
        const QByteArray &b = shared_->bytes;
        return frameBytes_ > 0 ? b.left(b.size() - b.size() % frameBytes_) : b;
    }

private:
    std::shared_ptr<CaptureShared> shared_;
    qsizetype frameBytes_;
    QThread *thread_ = nullptr;
};

QAudioFormat int16Format(int rate, int channels)
{
    QAudioFormat f;
    f.setSampleFormat(QAudioFormat::Int16);
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    return f;
}

// What a sink plays: the clip, then silence for as long as the stream stays
// open. The sink is closed once the server has played the clip's last
// sample; until then it must neither run dry nor reach an end, or the
// output starts a drain of its own that may answer after the sink is gone.
class ClipDevice : public QIODevice
{
public:
    ClipDevice(QByteArray clip, char silence) : clip_(std::move(clip)), silence_(silence)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    // Never at an end: there is always more silence.
    qint64 bytesAvailable() const override { return std::numeric_limits<qint32>::max(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 fromClip = std::clamp<qint64>(clip_.size() - pos_, 0, maxSize);
        std::memcpy(data, clip_.constData() + pos_, size_t(fromClip));
        std::memset(data + fromClip, silence_, size_t(maxSize - fromClip));
        pos_ += fromClip;
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray clip_;
    const char silence_;
    qint64 pos_ = 0;
};

} // namespace

struct QtAudioBackend::Playback
{
    std::unique_ptr<ClipDevice> clip;
    std::unique_ptr<QAudioSink> sink;
    qint64 durationUs = 0; // of the clip, in the sink's format
    QElapsedTimer started;

    // Microseconds of the clip the server has still to play.
    qint64 remainingUs() const
    {
        const qint64 played = sink ? sink->processedUSecs() : 0;
        return std::max<qint64>(0, durationUs - played - kFrameSlackUs);
    }

    bool finished() const
    {
        if (!sink || sink->state() == QAudio::StoppedState)
            return true;
        // A server that stops playing, or reporting how far it got, must not
        // keep a sound "playing" for ever.
        return remainingUs() == 0 || started.elapsed() > durationUs / 1000 + kAllowanceMs;
    }

    // Closes the stream at once, dropping what the server has not played.
    void close()
    {
        if (sink)
            sink->stop();
    }

    // The server's clock and ours round to whole frames differently.
    static constexpr qint64 kFrameSlackUs = 100;
    static constexpr qint64 kAllowanceMs = 3000;
};

QtAudioBackend::QtAudioBackend()
{
    drainTimer_ = new QTimer(&context_);
    drainTimer_->setSingleShot(true);
    drainTimer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(drainTimer_, &QTimer::timeout, &context_, [this] { closeDrained(); });
}

int QtAudioBackend::abandonedCaptures()
{
    deleteEndedThreads();
    return int(abandonedThreads().size());
}

QtAudioBackend::~QtAudioBackend()
{
    stopAll();
    deleteEndedThreads();
}

bool QtAudioBackend::hasOutput()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

bool QtAudioBackend::hasInput()
{
    return !QMediaDevices::defaultAudioInput().isNull();
}

int QtAudioBackend::startCapture(const WaveFormat &format, std::unique_ptr<Capture> &capture)
{
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return NoDevice;
    const QAudioFormat f = int16Format(format.samplesPerSec, format.channels);
    if (!device.isFormatSupported(f))
        return BadValue;
    deleteEndedThreads();
    const qint64 limit = qint64(kMaxRecordSeconds) * f.bytesForDuration(1000000);
    capture = std::make_unique<QtCapture>(device, f, limit);
    return NoError;
}

int QtAudioBackend::play(const QString &key, const Clip &clip)
{
    stop(key);
    dropFinished();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return NoDevice;

    QAudioFormat f = int16Format(clip.sampleRate, clip.channels);
    QByteArray bytes = clip.pcm;
    if (!device.isFormatSupported(f)) {
        f = device.preferredFormat();
        bytes = convertClip(clip, f);
    }

    auto p = std::make_unique<Playback>();
    if (f.bytesPerFrame() <= 0 || f.sampleRate() <= 0)
        return DeviceFailed;
    p->durationUs = qint64(bytes.size() / f.bytesPerFrame()) * 1000000 / f.sampleRate();
    p->clip = std::make_unique<ClipDevice>(std::move(bytes), f.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : 0);
    p->sink = std::make_unique<QAudioSink>(device, f);
    p->sink->start(p->clip.get());
    if (p->sink->error() != QAudio::NoError && p->sink->error() != QAudio::UnderrunError)
        return DeviceFailed;
    p->started.start();
    playing_[key] = std::move(p);
    drainTimer_->start(0);
    return NoError;
}

void QtAudioBackend::closeDrained()
{
    dropFinished();
    // Look again when the next sound should end, and now and then before,
    // to notice a stream that failed.
    qint64 nextMs = -1;
    for (const auto &[key, p] : playing_) {
        const qint64 ms = std::clamp<qint64>(p->remainingUs() / 1000, 2, 250);
        nextMs = nextMs < 0 ? ms : std::min(nextMs, ms);
    }
    if (nextMs >= 0)
        drainTimer_->start(int(nextMs));
}

void QtAudioBackend::stop(const QString &key)
{
    // A sink runs the event loop while it is destroyed: the map must be
    // in order by then.
    auto node = playing_.extract(key);
    if (node)
        node.mapped()->close();
}

void QtAudioBackend::stopAll()
{
    auto all = std::exchange(playing_, {});
    for (auto &[key, p] : all)
        p->close();
}

bool QtAudioBackend::isPlaying(const QString &key)
{
    auto it = playing_.find(key);
    return it != playing_.end() && !it->second->finished();
}

void QtAudioBackend::dropFinished()
{
    std::vector<std::unique_ptr<Playback>> done;
    for (auto it = playing_.begin(); it != playing_.end();) {
        if (it->second->finished()) {
            it->second->close();
            done.push_back(std::move(it->second));
            it = playing_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace Mci
