// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Mci.h"

#include "core/Places.h"
#include "audio/QtAudioBackend.h"
#include "audio/WaveFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <map>
#include <utility>

namespace Mci {

namespace {

const QString kWaveAudio = QStringLiteral("waveaudio");

// A recording opened with OPEN NEW under an alias.
struct Recorder
{
    WaveFormat format;
    std::unique_ptr<Capture> capture; // set while recording
    QByteArray samples;               // everything recorded and stopped so far
    QElapsedTimer started;            // since the last RECORD
    int failure = NoError;            // why the last RECORD ended by itself

    bool recording() const { return capture != nullptr; }
};

struct State
{
    std::unique_ptr<Backend> backend;
    std::map<QString, Recorder> recorders; // key: alias in lower case
    QSet<QString> playedFiles;            // absolute paths played and not stopped
    bool waveOpen = false;
    int startTimeoutMs = kDefaultStartTimeoutMs;

    Backend &audio()
    {
        if (!backend)
            backend = makeDefaultBackend();
        return *backend;
    }

    void closeEverything()
    {
        for (auto &[alias, rec] : recorders) {
            if (rec.capture)
                rec.capture->stop();
        }
        recorders.clear();
        if (backend)
            backend->stopAll();
        playedFiles.clear();
        waveOpen = false;
    }
};

State &state()
{
    static State s;
    static const bool cleanupRegistered = [] {
        // Audio objects must go while the application (and the sound
        // server connection behind Qt Multimedia) still exists.
        qAddPostRoutine([] {
            state().closeEverything();
            state().backend.reset();
        });
        return true;
    }();
    Q_UNUSED(cleanupRegistered);
    return s;
}

// Splits a command into words; a word in double quotes may hold blanks. The
// rest of the line can be taken whole, for paths with blanks.
class Words
{
public:
    explicit Words(const QString &text) : text_(text) {}

    QString next()
    {
        skipBlanks();
        if (pos_ >= text_.size())
            return {};
        if (text_[pos_] == QLatin1Char('"')) {
            const qsizetype end = text_.indexOf(QLatin1Char('"'), pos_ + 1);
            const qsizetype stop = end < 0 ? text_.size() : end;
            QString word = text_.mid(pos_ + 1, stop - pos_ - 1);
            pos_ = end < 0 ? text_.size() : end + 1;
            return word;
        }
        const qsizetype start = pos_;
        while (pos_ < text_.size() && !text_[pos_].isSpace())
            ++pos_;
        return text_.mid(start, pos_ - start);
    }

    QString rest()
    {
        QString r = text_.mid(pos_).trimmed();
        pos_ = text_.size();
        if (r.size() >= 2 && r.startsWith(QLatin1Char('"')) && r.endsWith(QLatin1Char('"')))
            r = r.mid(1, r.size() - 2);
        return r;
    }

    bool atEnd()
    {
        skipBlanks();
        return pos_ >= text_.size();
    }

private:
    void skipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }

    QString text_;
    qsizetype pos_ = 0;
};

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void finishCapture(Recorder &rec);

// A recording whose device never confirmed it, or that the device ended,
// stops here and keeps why, for the next command that asks about it.
void settle(Recorder &rec)
{
    if (!rec.capture)
        return;
    const int st = rec.capture->state();
    if (st == NoError || (st == kStarting && rec.started.elapsed() < state().startTimeoutMs))
        return;
    rec.failure = st == kStarting ? int(NoResponse) : st;
    finishCapture(rec);
}

Recorder *findRecorder(const QString &name)
{
    auto it = state().recorders.find(name.toLower());
    if (it == state().recorders.end())
        return nullptr;
    settle(it->second);
    return &it->second;
}

QString aliasKey(const QString &alias)
{
    return QStringLiteral("alias:") + alias.toLower();
}

QString fileKey(const QString &stored)
{
    return QFileInfo(Places::mapStoredPath(stored)).absoluteFilePath();
}

void finishCapture(Recorder &rec)
{
    if (!rec.capture)
        return;
    rec.capture->stop();
    const qint64 limit = qint64(kMaxRecordSeconds) * rec.format.samplesPerSec * rec.format.channels * 2;
    rec.samples += rec.capture->data();
    if (rec.samples.size() > limit)
        rec.samples.truncate(limit);
    rec.capture.reset();
}

// The recorder the next word names, or why there is none.
int namedRecorder(Words &w, QString &name, Recorder *&rec)
{
    name = w.next();
    if (name.isEmpty())
        return MissingName;
    rec = findRecorder(name);
    return rec ? NoError : NotOpen;
}

// Ends a file PLAY started; STOP and CLOSE treat it alike.
int stopPlayedFile(const QString &name)
{
    const QString key = fileKey(name);
    if (!state().playedFiles.remove(key))
        return NotOpen;
    state().audio().stop(key);
    return NoError;
}

Clip clipOf(const Recorder &rec)
{
    Clip clip;
    clip.sampleRate = rec.format.samplesPerSec;
    clip.channels = rec.format.channels;
    clip.pcm = rec.samples;
    return clip;
}

// ---- the verbs -------------------------------------------------------------

int doOpen(Words &w)
{
    const QString first = w.next();
    if (first.isEmpty())
        return MissingName;
    if (same(first, kWaveAudio)) {
        if (!w.atEnd())
            return BadParameter;
        if (!state().audio().hasOutput())
            return NoDevice;
        state().waveOpen = true;
        return NoError;
    }
    if (!same(first, QStringLiteral("new")))
        return UnsupportedDevice;

    QString type;
    QString alias;
    while (!w.atEnd()) {
        const QString key = w.next();
        const QString value = w.next();
        if (value.isEmpty())
            return BadParameter;
        if (same(key, QStringLiteral("type")))
            type = value;
        else if (same(key, QStringLiteral("alias")))
            alias = value;
        else
            return BadParameter;
    }
    if (type.isEmpty() || alias.isEmpty())
        return BadParameter;
    if (!same(type, kWaveAudio))
        return UnsupportedDevice;
    if (same(alias, kWaveAudio) || same(alias, QStringLiteral("all")))
        return BadParameter;
    if (findRecorder(alias))
        return AliasInUse;
    if (!state().audio().hasInput())
        return NoDevice;
    state().recorders[alias.toLower()] = Recorder{};
    return NoError;
}

int doSet(Words &w)
{
    QString name;
    Recorder *rec = nullptr;
    if (const int rc = namedRecorder(w, name, rec))
        return rc;
    if (w.atEnd())
        return BadParameter;

    WaveFormat f = rec->format;
    while (!w.atEnd()) {
        const QString item = w.next();
        if (same(item, QStringLiteral("time"))) {
            // Positions are always milliseconds here.
            if (!same(w.next(), QStringLiteral("format")))
                return BadParameter;
            const QString unit = w.next();
            if (!same(unit, QStringLiteral("milliseconds")) && !same(unit, QStringLiteral("ms")))
                return BadValue;
            continue;
        }
        bool ok = false;
        const QString text = w.next();
        const int value = text.toInt(&ok);
        if (same(item, QStringLiteral("format")) && same(text, QStringLiteral("tag"))) {
            if (!same(w.next(), QStringLiteral("pcm")))
                return BadValue;
            continue;
        }
        if (!ok)
            return BadParameter;
        if (same(item, QStringLiteral("bitspersample"))) {
            if (value != 8 && value != 16)
                return BadValue;
            f.bitsPerSample = value;
        } else if (same(item, QStringLiteral("samplespersec"))) {
            if (value < 8000 || value > 48000)
                return BadValue;
            f.samplesPerSec = value;
        } else if (same(item, QStringLiteral("channels"))) {
            if (value != 1 && value != 2)
                return BadValue;
            f.channels = value;
        } else {
            return BadParameter;
        }
    }
    if (rec->recording())
        return StillRecording;
    const bool changed = f.bitsPerSample != rec->format.bitsPerSample
        || f.samplesPerSec != rec->format.samplesPerSec || f.channels != rec->format.channels;
    // Samples already taken cannot be reinterpreted in another layout.
    if (changed && !rec->samples.isEmpty())
        return FormatLocked;
    rec->format = f;
    return NoError;
}

int doRecord(Words &w)
{
    QString name;
    Recorder *rec = nullptr;
    if (const int rc = namedRecorder(w, name, rec))
        return rc;
    if (!w.atEnd())
        return BadParameter;
    if (rec->recording())
        return NoError;
    state().audio().stop(aliasKey(name));
    rec->failure = NoError;
    rec->started.start();
    // A new RECORD carries on after what was recorded before, as a tape would.
    return state().audio().startCapture(rec->format, rec->capture);
}

int doStop(Words &w)
{
    const QString name = w.rest();
    if (name.isEmpty())
        return MissingName;
    if (Recorder *rec = findRecorder(name)) {
        if (rec->recording()) {
            finishCapture(*rec);
            return NoError;
        }
        if (state().audio().isPlaying(aliasKey(name))) {
            state().audio().stop(aliasKey(name));
            return NoError;
        }
        if (rec->failure != NoError)
            return std::exchange(rec->failure, int(NoError));
        return NotRecording;
    }
    if (same(name, kWaveAudio)) {
        if (!state().waveOpen)
            return NotOpen;
        state().audio().stopAll();
        state().playedFiles.clear();
        return NoError;
    }
    return stopPlayedFile(name);
}

int doSave(Words &w)
{
    QString name;
    Recorder *rec = nullptr;
    if (const int rc = namedRecorder(w, name, rec))
        return rc;
    const QString path = w.rest();
    if (path.isEmpty())
        return MissingName;
    if (rec->recording())
        return StillRecording;
    if (rec->samples.isEmpty())
        return NothingRecorded;
    return writeWaveFile(Places::mapStoredPath(path), clipOf(*rec), rec->format.bitsPerSample);
}

int doClose(Words &w)
{
    const QString name = w.rest();
    if (name.isEmpty())
        return MissingName;
    if (Recorder *rec = findRecorder(name)) {
        if (rec->capture)
            rec->capture->stop();
        state().audio().stop(aliasKey(name));
        state().recorders.erase(name.toLower());
        return NoError;
    }
    if (same(name, QStringLiteral("all"))) {
        state().closeEverything();
        return NoError;
    }
    if (same(name, kWaveAudio)) {
        if (!state().waveOpen)
            return NotOpen;
        state().waveOpen = false;
        return NoError;
    }
    return stopPlayedFile(name);
}

int doPlay(Words &w)
{
    const QString name = w.rest();
    if (name.isEmpty())
        return MissingName;
    if (Recorder *rec = findRecorder(name)) {
        if (rec->recording())
            return StillRecording;
        if (rec->samples.isEmpty())
            return NothingRecorded;
        return state().audio().play(aliasKey(name), clipOf(*rec));
    }
    if (same(name, kWaveAudio) || same(name, QStringLiteral("all")))
        return BadParameter;

    const QString key = fileKey(name);
    Clip clip;
    if (const int rc = readWaveFile(key, clip))
        return rc;
    const int rc = state().audio().play(key, clip);
    if (rc == NoError)
        state().playedFiles.insert(key);
    return rc;
}

int doStatus(Words &w, QString &answer)
{
    const QString name = w.next();
    if (name.isEmpty())
        return MissingName;
    const QString item = w.next().toLower();
    if (item.isEmpty() || !w.atEnd())
        return BadParameter;

    if (Recorder *rec = findRecorder(name)) {
        if (item == QLatin1String("mode")) {
            // A recording that ended by itself answers with its error, once.
            if (rec->failure != NoError)
                return std::exchange(rec->failure, int(NoError));
            answer = rec->recording() ? QStringLiteral("recording")
                : state().audio().isPlaying(aliasKey(name)) ? QStringLiteral("playing")
                                                            : QStringLiteral("stopped");
            return NoError;
        }
        if (item == QLatin1String("length")) {
            const qint64 bytes = rec->samples.size() + (rec->capture ? rec->capture->data().size() : 0);
            const qint64 perSecond = qint64(rec->format.samplesPerSec) * rec->format.channels * 2;
            answer = QString::number(bytes * 1000 / perSecond);
            return NoError;
        }
        return BadParameter;
    }
    if (same(name, kWaveAudio)) {
        if (!state().waveOpen)
            return NotOpen;
        if (item != QLatin1String("mode"))
            return BadParameter;
        answer = QStringLiteral("stopped");
        return NoError;
    }
    const QString key = fileKey(name);
    if (!state().playedFiles.contains(key))
        return NotOpen;
    if (item != QLatin1String("mode"))
        return BadParameter;
    answer = state().audio().isPlaying(key) ? QStringLiteral("playing") : QStringLiteral("stopped");
    return NoError;
}

} // namespace

int send(const QString &command, QString *returnText)
{
    QString answer;
    Words w(command);
    const QString verb = w.next().toLower();
    int rc = UnknownCommand;
    if (verb == QLatin1String("open"))
        rc = doOpen(w);
    else if (verb == QLatin1String("set"))
        rc = doSet(w);
    else if (verb == QLatin1String("record"))
        rc = doRecord(w);
    else if (verb == QLatin1String("stop"))
        rc = doStop(w);
    else if (verb == QLatin1String("save"))
        rc = doSave(w);
    else if (verb == QLatin1String("close"))
        rc = doClose(w);
    else if (verb == QLatin1String("play"))
        rc = doPlay(w);
    else if (verb == QLatin1String("status"))
        rc = doStatus(w, answer);
    if (returnText)
        *returnText = rc == NoError ? answer : QString();
    return rc;
}

QString errorText(int code)
{
    switch (code) {
    case NoError:
        return QStringLiteral("Der Befehl wurde ausgeführt.");
    case UnknownCommand:
        return QStringLiteral("Unbekannter Befehl.");
    case BadParameter:
        return QStringLiteral("Der Befehl enthält einen ungültigen oder unvollständigen Parameter.");
    case MissingName:
        return QStringLiteral("Es wurde kein Gerät und keine Datei angegeben.");
    case NotOpen:
        return QStringLiteral("Das angegebene Gerät ist nicht geöffnet.");
    case AliasInUse:
        return QStringLiteral("Der Aliasname wird bereits verwendet.");
    case UnsupportedDevice:
        return QStringLiteral("Dieser Gerätetyp wird nicht unterstützt.");
    case BadValue:
        return QStringLiteral("Dieser Wert wird vom Gerät nicht unterstützt.");
    case FormatLocked:
        return QStringLiteral("Das Format kann nach Beginn der Aufnahme nicht mehr geändert werden.");
    case NotRecording:
        return QStringLiteral("Es läuft keine Aufnahme.");
    case NothingRecorded:
        return QStringLiteral("Es gibt noch keine Aufnahme.");
    case StillRecording:
        return QStringLiteral("Die Aufnahme läuft noch; halten Sie sie zuerst an.");
    case FileNotFound:
        return QStringLiteral("Die Datei wurde nicht gefunden.");
    case NotWave:
        return QStringLiteral("Die Datei ist keine WAV-Datei oder hat ein nicht unterstütztes Format.");
    case FolderNotFound:
        return QStringLiteral("Der Ordner für die Datei existiert nicht.");
    case CannotWrite:
        return QStringLiteral("Die Datei kann nicht geschrieben werden.");
    case NoDevice:
        return QStringLiteral("Es ist kein Audiogerät verfügbar.");
    case DeviceFailed:
        return QStringLiteral("Das Audiogerät konnte nicht gestartet werden.");
    case NoResponse:
        return QStringLiteral("Das Audiogerät hat die Aufnahme nicht bestätigt.");
    default:
        return QStringLiteral("Unbekannter Fehler %1.").arg(code);
    }
}

void MciCommand(const QString &command)
{
    send(command);
}

void setBackend(std::unique_ptr<Backend> backend)
{
    state().closeEverything();
    state().backend = std::move(backend);
}

void setStartTimeout(int milliseconds)
{
    state().startTimeoutMs = milliseconds;
}

int abandonedCaptures()
{
    return QtAudioBackend::abandonedCaptures();
}

std::unique_ptr<Backend> makeDefaultBackend()
{
    return std::make_unique<QtAudioBackend>();
}

} // namespace Mci
