// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/MciBackend.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QString>

// Reading and writing WAV files (through libsndfile) and shaping samples for
// an output device.
namespace Mci {

// Reads a WAV file of any PCM or float layout into 16-bit samples, at most
// kMaxPlaySeconds of it. Returns NoError, FileNotFound or NotWave.
int readWaveFile(const QString &path, Clip &clip);

// Writes the clip as a PCM WAV with 8 or 16 bits per sample. The file
// appears complete or not at all: an existing file is replaced only once the
// new one is fully written. Returns NoError, FolderNotFound or CannotWrite.
int writeWaveFile(const QString &path, const Clip &clip, int bitsPerSample);

// Converts the clip to the sample format, rate and channel count of target
// (linear resampling; channels are averaged down or repeated up).
QByteArray convertClip(const Clip &clip, const QAudioFormat &target);

} // namespace Mci
