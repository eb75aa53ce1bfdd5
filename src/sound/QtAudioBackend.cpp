#include "sound/QtAudioBackend.h"

#include "sound/WaveFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QIODevice>
#include <QMediaDevices>

namespace Mci {

namespace {

// Collects what the input device delivers, up to a fixed size; beyond it the
// samples are dropped rather than the memory exhausted.
class CaptureBuffer : public QIODevice
{
public:
    explicit CaptureBuffer(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }

    const QByteArray &bytes() const { return data_; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 room = std::max<qint64>(0, limit_ - data_.size());
        data_.append(data, std::min(len, room));
        return len;
    }

private:
    qint64 limit_;
    QByteArray data_;
};

class QtCapture : public Capture
{
public:
    QtCapture(const QAudioDevice &device, const QAudioFormat &format, qint64 limit)
        : buffer_(limit), source_(device, format)
    {
    }

    bool start()
    {
        source_.start(&buffer_);
        return source_.error() == QAudio::NoError && source_.state() != QAudio::StoppedState;
    }

    void stop() override
    {
        if (source_.state() != QAudio::StoppedState)
            source_.stop();
    }

    QByteArray data() const override
    {
        // The device writes whole frames, but the size limit may cut one.
        const QByteArray &b = buffer_.bytes();
        const qsizetype frameBytes = qsizetype(source_.format().bytesPerFrame());
        return frameBytes > 0 ? b.left(b.size() - b.size() % frameBytes) : b;
    }

private:
    CaptureBuffer buffer_;
    QAudioSource source_;
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

QtAudioBackend::~QtAudioBackend()
{
    stopAll();
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
    const qint64 limit = qint64(kMaxRecordSeconds) * f.bytesForDuration(1000000);
    auto c = std::make_unique<QtCapture>(device, f, limit);
    if (!c->start())
        return DeviceFailed;
    capture = std::move(c);
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
    p->sink->start(&p->buffer);
    if (p->sink->error() != QAudio::NoError && p->sink->error() != QAudio::UnderrunError)
        return DeviceFailed;
    playing_[key] = std::move(p);
    return NoError;
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
