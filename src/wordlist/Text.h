// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <stdexcept>

// Reading a word list's bytes as text. Only what a byte-order mark or the
// bytes themselves say for certain is believed: UTF-8 with or without its
// mark, UTF-16 with its mark, and Windows-1252 for text that is not valid
// UTF-8. Nothing else is guessed, so the same file always reads the same.
namespace WordList {

enum class Encoding {
    Utf8,
    Utf16,       // the byte order from the mark; little endian without one
    Windows1252,
};

// A file that cannot be read as a word list at all, or a record that makes
// the rest unreadable. The text is German and names the line where there is
// one.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString &message, std::int64_t line = 0);
    const QString &message() const { return message_; }
    std::int64_t line() const { return line_; }

private:
    QString message_;
    std::int64_t line_;
};

// What the start of a file says about it.
struct Sniffed
{
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false;
};

// Looks at the whole file once: a mark, else whether every byte sequence is
// UTF-8. Refuses a file that cannot be opened, is empty or holds a NUL
// character in its first 4 KB (a binary file).
Sniffed sniff(const QString &path);

// The text of a file, piece by piece, so that a file of any size needs only
// one piece in memory. A mark at the start is not part of the text.
class TextReader
{
public:
    TextReader(const QString &path, Encoding encoding);
    TextReader(const TextReader &) = delete;
    TextReader &operator=(const TextReader &) = delete;

    // The next piece; empty at the end of the file.
    QString read();

private:
    QString readPiece();
    QString decode(const QByteArray &bytes, bool last);

    QFile file_;
    Encoding encoding_;
    bool bigEndian_ = false;
    bool started_ = false;
    bool ended_ = false;
    QByteArray carry_; // bytes of a character split between two pieces
};

// Windows-1252 as Windows maps it: the five undefined bytes stand for the
// control characters of the same number.
QString fromWindows1252(const QByteArray &bytes);

// True when every byte sequence is well-formed UTF-8; `state` carries an
// unfinished character from one piece to the next (0 at the start, and 0
// again after the last piece when the text is complete).
bool validUtf8(const char *data, qsizetype size, int &state);

} // namespace WordList
