// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wordlist/Text.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

// The records of a word list: fields between separators, a record to a
// line, quoted as spreadsheets quote (a field in double quotes may hold the
// separator, line breaks and "" for a quote). Each record knows the line of
// the file it starts on, as the learner's editor counts lines.
namespace WordList {

// Limits that keep a broken or foreign file from filling memory.
inline constexpr qsizetype kMaxFieldChars = 1024 * 1024;
inline constexpr qsizetype kMaxRecordFields = 1000;

struct Record
{
    std::int64_t line = 0; // the physical line it starts on, from 1
    QStringList fields;    // as they stand in the file, quotes taken off
};

// A line "#word:value" at the top of a file, before the first record.
struct Directive
{
    QString name; // lower case
    QString value;
};

class RecordReader
{
public:
    explicit RecordReader(TextReader &text);
    RecordReader(const RecordReader &) = delete;
    RecordReader &operator=(const RecordReader &) = delete;

    // Reads the directives at the top (and the empty lines among them);
    // call before the first record.
    QVector<Directive> readDirectives();
    void setSeparator(QChar separator) { separator_ = separator; }

    // The next record; false at the end of the file. Empty lines are passed
    // over. Throws FileError for a quote that is never closed and for a
    // field or record beyond the limits.
    bool next(Record &record);

private:
    bool fill();
    QChar peek();
    QChar take();
    bool atEnd();
    // Brings the rest of the current line into the buffer; its length.
    qsizetype lineAhead();
    // Takes a line break if one comes next: LF, CR LF or a CR alone.
    bool takeLineBreak();
    void checkSize(const QString &field, std::int64_t line, bool quoted) const;

    TextReader &text_;
    QString buffer_;
    qsizetype pos_ = 0;
    bool ended_ = false;
    QChar separator_ = QLatin1Char(';');
    std::int64_t line_ = 1;
};

} // namespace WordList
