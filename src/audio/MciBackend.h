// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// The pieces the multimedia command layer (Mci.h) hands the actual sound work
// to. The command layer owns every piece of bookkeeping (aliases, states,
// files); a backend only captures and plays raw samples, so a test backend can
// stand in for the sound hardware without changing what the commands do.
namespace Mci {

// Result codes of a command. 0 is success; every other value has a German
// text (Mci::errorText).
enum Error : int {
    NoError = 0,
    UnknownCommand = 1,   // verb not known
    BadParameter = 2,     // keyword missing, unknown or malformed
    MissingName = 3,      // no device, alias or file name given
    NotOpen = 4,          // alias / device / file not open
    AliasInUse = 5,       // OPEN with an alias that is already open
    UnsupportedDevice = 6,// OPEN of a device type other than wave audio
    BadValue = 7,         // a format value the device cannot do
    FormatLocked = 8,     // SET after samples were recorded
    NotRecording = 9,     // STOP of a device that is not recording
    NothingRecorded = 10, // SAVE / PLAY of a device without samples
    StillRecording = 11,  // SAVE / PLAY / SET while recording
    FileNotFound = 12,    // PLAY of a missing file
    NotWave = 13,         // PLAY of a file that is no readable WAV
    FolderNotFound = 14,  // SAVE into a folder that does not exist
    CannotWrite = 15,     // SAVE failed to write the file
    NoDevice = 16,        // no audio input / output device
    DeviceFailed = 17,    // the audio device refused to start
    NoResponse = 18,      // the audio device never confirmed a RECORD
};

// Not an error: what Capture::state() says while the device has not yet
// confirmed that it records.
constexpr int kStarting = -1;

// What SET configures on a new recording. Samples are always captured as
// 16-bit; bitsPerSample only decides how SAVE stores them.
struct WaveFormat
{
    int bitsPerSample = 16;
    int samplesPerSec = 22050;
    int channels = 1;
};

// Interleaved signed 16-bit samples in the machine's byte order.
struct Clip
{
    int sampleRate = 22050;
    int channels = 1;
    QByteArray pcm;

    qint64 frames() const { return channels > 0 ? pcm.size() / (2 * channels) : 0; }
};

// A recording never grows beyond this, so a forgotten STOP cannot eat the
// machine's memory.
constexpr int kMaxRecordSeconds = 600;
// Longer files are played only up to this length, for the same reason.
constexpr int kMaxPlaySeconds = 600;

// One capture from the input device, running from its creation until stop().
// A sound server may take its time to set the stream up, or never answer at
// all: the capture starts at once and tells later whether it runs.
class Capture
{
public:
    virtual ~Capture() = default;
    // kStarting until the device has confirmed the capture, then NoError
    // while it runs, or the error code when it could not start. Never
    // waits for the device.
    virtual int state() const { return NoError; }
    // Ends the capture; whatever was captured stays in data(). A capture
    // still starting is abandoned without waiting for the device.
    virtual void stop() = 0;
    // Interleaved 16-bit samples captured so far, in the format asked for.
    virtual QByteArray data() const = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;

    // Whether a device to play on exists (checked by "open waveaudio").
    virtual bool hasOutput() = 0;
    // Whether a device to record from exists (checked by OPEN NEW).
    virtual bool hasInput() = 0;

    // Starts capturing 16-bit samples at the given rate and channel count.
    // Returns NoError and sets capture, or an error code; returns at once,
    // even when the device has yet to confirm (see Capture::state).
    virtual int startCapture(const WaveFormat &format, std::unique_ptr<Capture> &capture) = 0;

    // Starts playing the clip under a key (a file path or an alias) and
    // returns at once. Playing the same key again restarts it. The stream
    // to the device stays open until its last sample has been played (not
    // merely handed to the device), and is closed then.
    virtual int play(const QString &key, const Clip &clip) = 0;
    // Silences the key at once; nothing happens if it is not playing.
    virtual void stop(const QString &key) = 0;
    virtual void stopAll() = 0;
    // True from play() until the last sample has been played or stop().
    virtual bool isPlaying(const QString &key) = 0;
};

} // namespace Mci
