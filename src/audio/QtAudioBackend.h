// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/MciBackend.h"

#include <QObject>

#include <map>

class QAudioSink;
class QTimer;

namespace Mci {

// The sound hardware through Qt Multimedia: QAudioSource records from the
// default input on a thread of its own, QAudioSink plays on the default
// output on Qt's event loop; nothing here waits for the device.
class QtAudioBackend : public Backend
{
public:
    QtAudioBackend();
    ~QtAudioBackend() override;

    bool hasOutput() override;
    bool hasInput() override;
    int startCapture(const WaveFormat &format, std::unique_ptr<Capture> &capture) override;
    int play(const QString &key, const Clip &clip) override;
    void stop(const QString &key) override;
    void stopAll() override;
    bool isPlaying(const QString &key) override;

    // Recordings given up while the sound server had not answered, whose
    // thread still waits inside the sound library. The library cannot shut
    // down while one waits.
    static int abandonedCaptures();

private:
    struct Playback;
    void dropFinished();
    // Closes the streams whose last sample has been played, and looks again
    // while others still drain.
    void closeDrained();

    std::map<QString, std::unique_ptr<Playback>> playing_;
    QTimer *drainTimer_ = nullptr; // owned by context_
    // Receives the timer's signal; declared last so it goes first, and no
    // signal reaches a backend half destroyed.
    QObject context_;
};

} // namespace Mci
