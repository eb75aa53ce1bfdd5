// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Text.h"

#include <QFileInfo>

namespace WordList {

namespace {

constexpr qint64 kPiece = 64 * 1024;
constexpr qint64 kBinaryWindow = 4096;

QString cannotRead(const QString &path)
{
    return QStringLiteral("Die Datei „%1“ kann nicht gelesen werden.").arg(QFileInfo(path).fileName());
}

void openOrThrow(QFile &file)
{
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::ReadOnly))
        throw FileError(cannotRead(file.fileName()));
}

QByteArray readOrThrow(QFile &file, qint64 size)
{
    QByteArray bytes = file.read(size);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        throw FileError(cannotRead(file.fileName()));
    return bytes;
}

// How many bytes a UTF-8 sequence starting with `lead` has; 0 for a byte
// that cannot start one.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Where the last complete character of `bytes` ends in UTF-8: a character
// cut off at the end waits for the next piece.
qsizetype completeUtf8(const QByteArray &bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(bytes[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for its lead
        const int len = sequenceLength(c);
        return len > back ? n - back : n;
    }
    return n;
}

const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

FileError::FileError(const QString &message, std::int64_t line)
    : std::runtime_error(message.toStdString()), message_(message), line_(line)
{
}

QString fromWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        *out++ = (c >= 0x80 && c < 0xA0) ? QChar(kHigh1252[c - 0x80]) : QChar(c);
    }
    return text;
}

bool validUtf8(const char *data, qsizetype size, int &state)
{
    // state: continuation bytes still expected (high nibble), and which range
    // the next one must lie in (low nibble), so overlong forms, surrogates
    // and code points above U+10FFFF are refused as UTF-8 refuses them.
    static const unsigned char lo[5] = {0x80, 0xA0, 0x80, 0x90, 0x80};
    static const unsigned char hi[5] = {0xBF, 0xBF, 0x9F, 0xBF, 0x8F};
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (state == 0) {
            if (c < 0x80)
                continue;
            const int len = sequenceLength(c);
            if (len == 0)
                return false;
            const int range = c == 0xE0 ? 1 : c == 0xED ? 2 : c == 0xF0 ? 3 : c == 0xF4 ? 4 : 0;
            state = (len - 1) << 4 | range;
            continue;
        }
        const int range = state & 0xF;
        if (c < lo[range] || c > hi[range])
            return false;
        state = ((state >> 4) - 1) << 4;
    }
    return true;
}

Sniffed sniff(const QString &path)
{
    QFile file(path);
    openOrThrow(file);
    const QByteArray start = readOrThrow(file, kBinaryWindow);
    if (start.isEmpty())
        throw FileError(QStringLiteral("Die Datei „%1“ ist leer.").arg(QFileInfo(path).fileName()));

    Sniffed s;
    QString head; // the start as text, to look for NUL characters
    if (start.startsWith("\xEF\xBB\xBF")) {
        s = {Encoding::Utf8, true};
    } else if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
        s = {Encoding::Utf16, true};
        const bool big = start.startsWith("\xFE\xFF");
        for (qsizetype i = 2; i + 1 < start.size(); i += 2) {
            const auto a = static_cast<unsigned char>(start[i]);
            const auto b = static_cast<unsigned char>(start[i + 1]);
            head += QChar(big ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
        }
    }
    const bool binary = s.encoding == Encoding::Utf16 ? head.contains(QChar(0)) : start.contains('\0');
    if (binary)
        throw FileError(QStringLiteral("Die Datei „%1“ ist keine Wortliste, sondern enthält binäre Daten.")
                            .arg(QFileInfo(path).fileName()));
    if (s.byteOrderMark)
        return s;

    // Without a mark the whole file decides: one byte that is not UTF-8,
    // even in the last line, and it is read as Windows-1252.
    int state = 0;
    bool valid = validUtf8(start.constData(), start.size(), state);
    while (valid) {
        const QByteArray piece = readOrThrow(file, kPiece);
        if (piece.isEmpty())
            break;
        valid = validUtf8(piece.constData(), piece.size(), state);
    }
    s.encoding = valid && state == 0 ? Encoding::Utf8 : Encoding::Windows1252;
    return s;
}

TextReader::TextReader(const QString &path, Encoding encoding) : file_(path), encoding_(encoding)
{
    openOrThrow(file_);
}

QString TextReader::read()
{
    // A piece may decode to nothing (a mark alone); only the end is empty.
    while (!ended_) {
        QString text = readPiece();
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

QString TextReader::readPiece()
{
    QByteArray bytes = readOrThrow(file_, kPiece);
    const bool last = bytes.isEmpty();
    ended_ = last;
    if (!started_) {
        started_ = true;
        // Whatever the learner chose, a mark is never text; for UTF-16 it
        // also gives the byte order.
        if (encoding_ == Encoding::Utf8 && bytes.startsWith("\xEF\xBB\xBF")) {
            bytes.remove(0, 3);
        } else if (encoding_ == Encoding::Utf16 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))) {
            bigEndian_ = bytes.startsWith("\xFE\xFF");
            bytes.remove(0, 2);
        }
    }
    if (last && carry_.isEmpty())
        return QString();
    return decode(carry_ + bytes, last);
}

QString TextReader::decode(const QByteArray &bytes, bool last)
{
    carry_.clear();
    switch (encoding_) {
    case Encoding::Windows1252:
        return fromWindows1252(bytes);
    case Encoding::Utf8: {
        // A character cut in two by the piece's end is decoded whole with
        // the next piece; one cut off by the end of the file is broken.
        const qsizetype complete = last ? bytes.size() : completeUtf8(bytes);
        carry_ = bytes.mid(complete);
        return QString::fromUtf8(bytes.constData(), complete);
    }
    case Encoding::Utf16: {
        const qsizetype complete = bytes.size() - bytes.size() % 2;
        if (!last)
            carry_ = bytes.mid(complete);
        QString text(complete / 2, Qt::Uninitialized);
        QChar *out = text.data();
        for (qsizetype i = 0; i < complete; i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            *out++ = QChar(bigEndian_ ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
        }
        if (last && bytes.size() % 2)
            text += QChar(QChar::ReplacementCharacter);
        return text;
    }
    }
    return QString();
}

} // namespace WordList
