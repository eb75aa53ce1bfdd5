// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Word lists made by the tests themselves, byte by byte, in the encodings
// the learner's programs write.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace WordListFiles {

inline QByteArray utf8(const QString &text, bool mark = false)
{
    return (mark ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

inline QByteArray utf16(const QString &text, bool bigEndian)
{
    QStringEncoder enc(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
    return (bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE")) + QByteArray(enc(text));
}

// German text as a spreadsheet on Windows saves it: Latin-1 letters, the
// euro sign and typographic quotes in their Windows-1252 bytes.
inline QByteArray windows1252(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0x20AC: out += '\x80'; break;
        case 0x201E: out += '\x84'; break;
        case 0x201C: out += '\x93'; break;
        case 0x2013: out += '\x96'; break;
        default:
            Q_ASSERT(c.unicode() < 0x100);
            out += char(c.unicode());
        }
    }
    return out;
}

inline QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

} // namespace WordListFiles
