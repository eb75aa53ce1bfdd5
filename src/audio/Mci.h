// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/MciBackend.h"

#include <QString>

#include <memory>

// The textual multimedia command layer. The windows talk to the sound
// hardware only through command texts, exactly as they write them:
//
//   open waveaudio / close waveaudio           the wave device for playing
//   open new type waveaudio alias A            a new, empty recording A
//   set A bitspersample 16 | samplespersec 22050 | channels 1
//   record A / stop A / save A <path> / close A
//   play <path> / stop <path> / close <path>   a WAV file names its device
//   status <name> mode | length                "recording", "playing",
//                                              "stopped"; length in ms
//   close all
//
// SET takes 8 or 16 bits, 8000..48000 samples per second and 1 or 2
// channels; the format can change only until the first RECORD.
// RECORD after STOP carries on after what was recorded. STOP (or CLOSE) of
// a file forgets it; a file that played to its end can still be stopped
// without an error.
//
// RECORD returns before the device has confirmed the recording. Should it
// not confirm within the start timeout, or end the recording by itself, the
// recording stops and the next STATUS <alias> MODE or STOP <alias> answers
// with the error (NoResponse, DeviceFailed) instead; a window that records
// asks STATUS now and then to learn of it.
//
// Verbs and keywords are case-blind, and so are aliases. Paths are stored
// paths (".\Englisch\EnV17.wav") and map onto the file system with
// Places::mapStoredPath. Every command returns at once: recording and
// playing run on in the background, driven by the Qt event loop.
namespace Mci {

// Sends one command; returns 0 or an error code. A command that answers
// (status) puts its answer into returnText, else returnText is emptied.
int send(const QString &command, QString *returnText = nullptr);

// German text for a result code; 0 has a text too.
QString errorText(int code);

// The shared procedure: sends one command and ignores the outcome.
void MciCommand(const QString &command);

// Replaces the backend; everything open is closed first. nullptr brings
// back the default backend (the sound hardware through Qt Multimedia).
void setBackend(std::unique_ptr<Backend> backend);

// How long RECORD waits for the device to confirm, in the background.
constexpr int kDefaultStartTimeoutMs = 5000;
void setStartTimeout(int milliseconds);

// Recordings of the default backend that were given up while the sound
// server did not answer and that still wait for it. While one waits, the
// process must end without running the sound library's exit code, which
// would abort on it.
int abandonedCaptures();

// The default backend, for whoever wants to install it explicitly.
std::unique_ptr<Backend> makeDefaultBackend();

} // namespace Mci
