// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/ToneBackend.h"

#include <cmath>
#include <utility>
#include <numbers>

namespace Mci {

namespace {

class ToneCapture : public Capture
{
public:
    ToneCapture(const WaveFormat &format, double seconds, double frequency, QStringList &log,
                 std::shared_ptr<int> state)
        : format_(format), seconds_(seconds), frequency_(frequency), log_(log), state_(std::move(state))
    {
    }

    int state() const override { return *state_; }

    void stop() override
    {
        if (stopped_)
            return;
        stopped_ = true;
        log_.append(QStringLiteral("record stop"));
        // What never ran has recorded nothing.
        if (*state_ != NoError)
            return;
        const qint64 frames = std::llround(seconds_ * format_.samplesPerSec);
        data_.resize(frames * format_.channels * 2);
        auto *out = reinterpret_cast<qint16 *>(data_.data());
        for (qint64 i = 0; i < frames; ++i) {
            const qint16 s = ToneBackend::toneSample(i, format_.samplesPerSec, frequency_);
            for (int c = 0; c < format_.channels; ++c)
                *out++ = s;
        }
    }

    QByteArray data() const override { return data_; }

private:
    WaveFormat format_;
    double seconds_;
    double frequency_;
    QStringList &log_;
    std::shared_ptr<int> state_;
    bool stopped_ = false;
    QByteArray data_;
};

} // namespace

qint16 ToneBackend::toneSample(qint64 frame, int sampleRate, double frequency)
{
    return qint16(std::lround(16000.0 * std::sin(2 * std::numbers::pi * frequency * double(frame) / sampleRate)));
}

int ToneBackend::startCapture(const WaveFormat &format, std::unique_ptr<Capture> &capture)
{
    if (!input_)
        return NoDevice;
    log_.append(QStringLiteral("record %1 Hz %2 ch").arg(format.samplesPerSec).arg(format.channels));
    auto state = std::make_shared<int>(confirms_ ? int(NoError) : kStarting);
    if (!confirms_)
        waiting_.push_back(state);
    capture = std::make_unique<ToneCapture>(format, toneSeconds_, frequency_, log_, std::move(state));
    return NoError;
}

void ToneBackend::answerCaptures(int result)
{
    for (const auto &w : waiting_) {
        if (auto state = w.lock())
            *state = result;
    }
    waiting_.clear();
}

int ToneBackend::play(const QString &key, const Clip &clip)
{
    if (!output_)
        return NoDevice;
    log_.append(QStringLiteral("play %1 %2 Hz %3 ch %4 frames")
                    .arg(key)
                    .arg(clip.sampleRate)
                    .arg(clip.channels)
                    .arg(clip.frames()));
    playing_.insert(key);
    return NoError;
}

void ToneBackend::stop(const QString &key)
{
    if (playing_.remove(key))
        log_.append(QStringLiteral("stop %1").arg(key));
}

void ToneBackend::stopAll()
{
    for (const QString &key : std::as_const(playing_))
        log_.append(QStringLiteral("stop %1").arg(key));
    playing_.clear();
}

} // namespace Mci
