// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/MciBackend.h"

#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

namespace Mci {

// A stand-in for the sound hardware, for tests: "recording" yields a sine
// tone of a fixed length instead of the microphone, and playing only writes
// a line to a log. Install it with Mci::setBackend.
class ToneBackend : public Backend
{
public:
    // Every recording yields this many seconds of tone, however long it ran.
    void setToneSeconds(double seconds) { toneSeconds_ = seconds; }
    void setFrequency(double hertz) { frequency_ = hertz; }
    void setInputAvailable(bool available) { input_ = available; }
    void setOutputAvailable(bool available) { output_ = available; }
    // Off: recordings started from now on wait for answerCaptures(), as
    // with a sound server that is slow or has stalled.
    void setConfirmsCaptures(bool confirms) { confirms_ = confirms; }
    // Gives every waiting recording its answer: NoError starts it, an error
    // code fails it.
    void answerCaptures(int result);

    // The sample the tone has at a frame (same on every channel).
    static qint16 toneSample(qint64 frame, int sampleRate, double frequency);

    // One line per action, e.g. "record 22050 Hz 1 ch",
    // "play /abs/path.wav 44100 Hz 2 ch 4410 frames", "stop /abs/path.wav".
    // A recording played from memory has the key "alias:" + alias in lower case.
    const QStringList &log() const { return log_; }
    void clearLog() { log_.clear(); }
    // Makes a playing key run out, as if its sound had come to its end.
    void finish(const QString &key) { playing_.remove(key); }

    bool hasOutput() override { return output_; }
    bool hasInput() override { return input_; }
    int startCapture(const WaveFormat &format, std::unique_ptr<Capture> &capture) override;
    int play(const QString &key, const Clip &clip) override;
    void stop(const QString &key) override;
    void stopAll() override;
    bool isPlaying(const QString &key) override { return playing_.contains(key); }

private:
    double toneSeconds_ = 0.5;
    double frequency_ = 440.0;
    bool input_ = true;
    bool output_ = true;
    bool confirms_ = true;
    std::vector<std::weak_ptr<int>> waiting_;
    QStringList log_;
    QSet<QString> playing_;
};

} // namespace Mci
