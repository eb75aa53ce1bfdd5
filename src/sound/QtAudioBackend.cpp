// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/QtAudioBackend.h"

#include "sound/WaveFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QIODevice>
#include <QMediaDevices>
#include <QMutex>
#include <QThread>

#include <atomic>
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

} // namespace

struct QtAudioBackend::Playback
{
    QBuffer buffer;
    std::unique_ptr<QAudioSink> sink;

    bool finished() const
    {
        // Idle: every byte has been handed to the device.
        return !sink || sink->state() == QAudio::StoppedState || sink->state() == QAudio::IdleState;
    }
};

QtAudioBackend::QtAudioBackend() = default;

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
    p->buffer.setData(bytes);
    p->buffer.open(QIODevice::ReadOnly);
    p->sink = std::make_unique<QAudioSink>(device, f);
    QAudioSink *sink = p->sink.get();
    // Once every byte is out, the stream to the sound server goes; later,
    // not inside the sink's own signal.
    QObject::connect(sink, &QAudioSink::stateChanged, &context_, [this, key, sink](QAudio::State state) {
        if (state == QAudio::IdleState)
            QMetaObject::invokeMethod(&context_, [this, key, sink] { closeFinished(key, sink); }, Qt::QueuedConnection);
    });
    sink->start(&p->buffer);
    if (sink->error() != QAudio::NoError && sink->error() != QAudio::UnderrunError)
        return DeviceFailed;
    playing_[key] = std::move(p);
    return NoError;
}

void QtAudioBackend::closeFinished(const QString &key, const QAudioSink *sink)
{
    auto it = playing_.find(key);
    if (it == playing_.end() || it->second->sink.get() != sink || !it->second->finished())
        return;
    it->second->sink->stop();
    playing_.erase(it);
}

void QtAudioBackend::stop(const QString &key)
{
    auto it = playing_.find(key);
    if (it == playing_.end())
        return;
    if (it->second->sink)
        it->second->sink->stop();
    playing_.erase(it);
}

void QtAudioBackend::stopAll()
{
    for (auto &[key, p] : playing_) {
        if (p->sink)
            p->sink->stop();
    }
    playing_.clear();
}

bool QtAudioBackend::isPlaying(const QString &key)
{
    auto it = playing_.find(key);
    return it != playing_.end() && !it->second->finished();
}

void QtAudioBackend::dropFinished()
{
    for (auto it = playing_.begin(); it != playing_.end();) {
        if (it->second->finished()) {
            if (it->second->sink)
                it->second->sink->stop();
            it = playing_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace Mci
