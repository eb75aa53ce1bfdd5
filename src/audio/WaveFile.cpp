// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/WaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Mci {

namespace {

struct SndFileCloser
{
    void operator()(SNDFILE *f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

} // namespace

int readWaveFile(const QString &path, Clip &clip)
{
    const QFileInfo fi(path);
    if (!fi.exists() || fi.isDir())
        return FileNotFound;

    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SndFilePtr f(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!f)
        return NotWave;
    // libsndfile reads AIFF, FLAC, Ogg and more; only WAV counts here.
    const int type = info.format & SF_FORMAT_TYPEMASK;
    if ((type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) || info.channels < 1 || info.channels > 8
        || info.samplerate < 1000 || info.samplerate > 192000)
        return NotWave;
    // Float files hold -1..1; without this they would come out as near-silence.
    sf_command(f.get(), SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);

    const sf_count_t maxFrames = sf_count_t(info.samplerate) * kMaxPlaySeconds;
    const sf_count_t chunk = 4096;
    QByteArray pcm;
    sf_count_t total = 0;
    while (total < maxFrames) {
        const sf_count_t want = std::min(chunk, maxFrames - total);
        const qsizetype old = pcm.size();
        pcm.resize(old + qsizetype(want) * info.channels * 2);
        const sf_count_t got = sf_readf_short(f.get(), reinterpret_cast<short *>(pcm.data() + old), want);
        pcm.resize(old + qsizetype(std::max<sf_count_t>(got, 0)) * info.channels * 2);
        if (got <= 0)
            break;
        total += got;
    }
    clip.sampleRate = info.samplerate;
    clip.channels = info.channels;
    clip.pcm = pcm;
    return NoError;
}

int writeWaveFile(const QString &path, const Clip &clip, int bitsPerSample)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return FolderNotFound;
    if (!folder.isDir() || target.isDir())
        return CannotWrite;

    // Written beside the target and renamed over it at the end, so a failure
    // half-way leaves neither a broken file nor a lost earlier recording.
    QTemporaryFile tmp(target.absolutePath() + QStringLiteral("/.vokamia-XXXXXX.part"));
    if (!tmp.open())
        return CannotWrite;

    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = clip.sampleRate;
    info.channels = clip.channels;
    info.format = SF_FORMAT_WAV | (bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    const sf_count_t frames = clip.frames();
    {
        SndFilePtr f(sf_open_fd(tmp.handle(), SFM_WRITE, &info, SF_FALSE));
        if (!f)
            return CannotWrite;
        const sf_count_t written = sf_writef_short(f.get(), reinterpret_cast<const short *>(clip.pcm.constData()), frames);
        if (written != frames)
            return CannotWrite;
        if (sf_close(f.release()) != 0)
            return CannotWrite;
    }
    tmp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(tmp.fileName()).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return CannotWrite;
    tmp.setAutoRemove(false);
    return NoError;
}

QByteArray convertClip(const Clip &clip, const QAudioFormat &target)
{
    const int inCh = clip.channels;
    const int outCh = target.channelCount();
    const int inRate = clip.sampleRate;
    const int outRate = target.sampleRate();
    const qint64 inFrames = clip.frames();
    const int bytes = target.bytesPerSample();
    if (inFrames <= 0 || inCh < 1 || outCh < 1 || inRate < 1 || outRate < 1 || bytes < 1)
        return {};

    const qint64 outFrames = inRate == outRate ? inFrames : std::max<qint64>(1, inFrames * outRate / inRate);
    const auto *in = reinterpret_cast<const qint16 *>(clip.pcm.constData());
    QByteArray out(outFrames * outCh * bytes, Qt::Uninitialized);
    char *o = out.data();

    auto sampleAt = [&](qint64 frame, int ch) -> double {
        const qint16 *f = in + frame * inCh;
        if (outCh == inCh)
            return f[ch] / 32768.0;
        if (outCh == 1) {
            double sum = 0;
            for (int c = 0; c < inCh; ++c)
                sum += f[c];
            return sum / inCh / 32768.0;
        }
        return f[ch % inCh] / 32768.0;
    };

    for (qint64 i = 0; i < outFrames; ++i) {
        const double pos = inRate == outRate ? double(i) : double(i) * inRate / outRate;
        const qint64 i0 = std::min<qint64>(qint64(pos), inFrames - 1);
        const qint64 i1 = std::min<qint64>(i0 + 1, inFrames - 1);
        const double t = pos - double(i0);
        for (int ch = 0; ch < outCh; ++ch) {
            double v = sampleAt(i0, ch);
            if (t > 0)
                v = v * (1 - t) + sampleAt(i1, ch) * t;
            v = std::clamp(v, -1.0, 1.0);
            switch (target.sampleFormat()) {
            case QAudioFormat::UInt8: {
                const auto s = quint8(std::clamp(std::lround(v * 128.0 + 128.0), 0L, 255L));
                std::memcpy(o, &s, 1);
                break;
            }
            case QAudioFormat::Int32: {
                const auto s = qint32(std::clamp(std::llround(v * 2147483648.0), -2147483648LL, 2147483647LL));
                std::memcpy(o, &s, 4);
                break;
            }
            case QAudioFormat::Float: {
                const auto s = float(v);
                std::memcpy(o, &s, 4);
                break;
            }
            default: {
                const auto s = qint16(std::clamp(std::lround(v * 32768.0), -32768L, 32767L));
                std::memcpy(o, &s, 2);
                break;
            }
            }
            o += bytes;
        }
    }
    return out;
}

} // namespace Mci
