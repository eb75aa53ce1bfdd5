// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wordlist/Text.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

// The records of a word list: fields between separators, a record to a
// line, quoted as spreadsheets quote (a field in double quotes may hold the
// separator, line breaks and "" for a quote). Each record knows the line of
// the file it starts on, as the learner's editor counts lines. The fields
// themselves are cut by libcsv; what is ours is the lines at the top, the
// counting of lines and the limits.
namespace WordList {

// Limits that keep a broken or foreign file from filling memory: the bytes
// of a field in UTF-8, and the fields of a record.
inline constexpr qsizetype kMaxFieldBytes = 1024 * 1024;
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
    ~RecordReader();
    RecordReader(const RecordReader &) = delete;
    RecordReader &operator=(const RecordReader &) = delete;

    // Reads the directives at the top (and the empty lines among them);
    // call before the first record.
    QVector<Directive> readDirectives();
    // A character of the ASCII range; call before the first record.
    void setSeparator(QChar separator) { separator_ = separator; }

    // The next record; false at the end of the file. Empty lines are passed
    // over. Throws FileError for a quote that is never closed and for a
    // field or record beyond the limits.
    bool next(Record &record);

    // What the parser hands over; public only for its callbacks.
    struct Parser;
    void fieldRead(const char *data, size_t size);
    void recordEnded();

private:
    bool fill();
    QChar peek();
    QChar take();
    bool atEnd();
    // Brings the rest of the current line into the buffer; its length.
    qsizetype lineAhead();
    // Takes a line break if one comes next: LF, CR LF or a CR alone.
    bool takeLineBreak();
    // Hands the parser the next piece of text a line at a time, or tells it
    // the text has ended.
    void feed();
    void parseLine(const QString &text, bool endsLine);
    void parse(const QByteArray &bytes);
    void finish();
    // The line where the quote still open was opened.
    std::int64_t openQuoteLine() const;

    TextReader &text_;
    QString buffer_;
    qsizetype pos_ = 0;
    bool ended_ = false;
    QChar separator_ = QLatin1Char(';');
    std::int64_t line_ = 1; // the line the text not yet parsed is on

    std::unique_ptr<Parser> parser_;
    bool parsed_ = false;         // the parser has had the whole text
    bool atLineStart_ = true;     // the next text fed begins a line
    bool afterCr_ = false;        // the last line ended in a CR, maybe of a CR LF
    bool quotedAtLineStart_ = false;
    bool fieldEndedInLine_ = false;
    std::int64_t startLine_ = 1;  // where the record the parser is in began
    std::int64_t quoteLine_ = 1;  // where a quote open over a line break opened
    Record current_;
    bool inRecord_ = false;       // current_ has a field
    std::deque<Record> ready_;
    // A limit broken inside a callback, thrown once the parser returns.
    std::optional<FileError> failure_;
    // A fault met while records read before it still wait.
    std::optional<FileError> pending_;
};

} // namespace WordList
