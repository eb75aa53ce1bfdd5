#pragma once

#include "sound/MciBackend.h"

#include <map>

class QAudioSink;
class QBuffer;

namespace Mci {

// The sound hardware through Qt Multimedia: QAudioSource records from the
// default input, QAudioSink plays on the default output. Both run on Qt's
// event loop; nothing here waits for the device.
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

private:
    struct Playback;
    void dropFinished();

    std::map<QString, std::unique_ptr<Playback>> playing_;
};

} // namespace Mci
