// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Records.h"

#include <QRegularExpression>

#include <csv.h>

#include <algorithm>

namespace WordList {

namespace {

const QChar kCr = QLatin1Char('\r');
const QChar kLf = QLatin1Char('\n');

} // namespace

RecordReader::RecordReader(TextReader &text) : text_(text)
{
}

bool RecordReader::fill()
{
    if (pos_ < buffer_.size())
        return true;
    if (ended_)
        return false;
    buffer_ = text_.read();
    pos_ = 0;
    ended_ = buffer_.isEmpty();
    return !ended_;
}

bool RecordReader::atEnd()
{
    return !fill();
}

QChar RecordReader::peek()
{
    return fill() ? buffer_[pos_] : QChar();
}

QChar RecordReader::take()
{
    return fill() ? buffer_[pos_++] : QChar();
}

bool RecordReader::takeLineBreak()
{
    if (atEnd())
        return false;
    const QChar c = peek();
    if (c == kLf) {
        take();
    } else if (c == kCr) {
        take();
        if (!atEnd() && peek() == kLf)
            take();
    } else {
        return false;
    }
    ++line_;
    return true;
}

qsizetype RecordReader::lineAhead()
{
    qsizetype i = pos_;
    for (;;) {
        for (; i < buffer_.size(); ++i) {
            const QChar c = buffer_[i];
            if (c == kCr || c == kLf || i - pos_ > kMaxFieldBytes)
                return i - pos_;
        }
        if (ended_)
            return i - pos_;
        const QString more = text_.read();
        if (more.isEmpty()) {
            ended_ = true;
            return i - pos_;
        }
        buffer_ = buffer_.mid(pos_) + more;
        i -= pos_;
        pos_ = 0;
    }
}

QVector<Directive> RecordReader::readDirectives()
{
    // "#separator:tab", "#columns:…", "#html:false": a word and a colon.
    static const QRegularExpression pattern(QStringLiteral("^#([A-Za-z][A-Za-z0-9_ ]*):(.*)$"));
    QVector<Directive> found;
    for (;;) {
        while (takeLineBreak()) {
        }
        if (atEnd() || peek() != QLatin1Char('#'))
            return found;
        // Look at the line without taking it: a line that is no directive
        // is the first record.
        const QString line = buffer_.mid(pos_, lineAhead());
        const QRegularExpressionMatch m = pattern.match(line);
        if (!m.hasMatch())
            return found;
        found.push_back({m.captured(1).trimmed().toLower(), m.captured(2).trimmed()});
        pos_ += line.size();
        if (!takeLineBreak())
            return found;
    }
}

struct RecordReader::Parser
{
    csv_parser csv{};
};

namespace {

// A slice small enough that a field cannot grow far beyond the limit
// before the parser returns and its size is looked at.
constexpr qsizetype kSlice = 16 * 1024;

void onField(void *data, size_t size, void *reader)
{
    static_cast<RecordReader *>(reader)->fieldRead(static_cast<const char *>(data), size);
}

void onRecordEnd(int, void *reader)
{
    static_cast<RecordReader *>(reader)->recordEnded();
}

FileError tooLong(std::int64_t line, bool quoted)
{
    if (quoted)
        return FileError(QStringLiteral("Zeile %1: Das Feld, das hier mit einem Anführungszeichen beginnt, ist länger "
                                        "als 1 MB – vermutlich fehlt das schließende Anführungszeichen.")
                             .arg(line),
                         line);
    return FileError(QStringLiteral("Zeile %1: Ein Feld ist länger als 1 MB. So lange Felder enthält keine Wortliste.")
                         .arg(line),
                     line);
}

} // namespace

RecordReader::~RecordReader()
{
    if (parser_)
        csv_free(&parser_->csv);
}

void RecordReader::fieldRead(const char *data, size_t size)
{
    fieldEndedInLine_ = true;
    if (failure_)
        return;
    // The parser still knows whether the field was quoted.
    if (qsizetype(size) > kMaxFieldBytes) {
        failure_ = tooLong(parser_->csv.quoted ? openQuoteLine() : (inRecord_ ? current_.line : startLine_),
                           parser_->csv.quoted);
        return;
    }
    if (!inRecord_) {
        inRecord_ = true;
        current_.line = startLine_;
        current_.fields.clear();
    }
    if (current_.fields.size() >= kMaxRecordFields) {
        failure_ = FileError(QStringLiteral("Zeile %1: Die Zeile hat mehr als %2 Spalten. So viele Spalten enthält "
                                            "keine Wortliste.")
                                 .arg(current_.line)
                                 .arg(kMaxRecordFields),
                             current_.line);
        return;
    }
    current_.fields << QString::fromUtf8(data, qsizetype(size));
}

void RecordReader::recordEnded()
{
    fieldEndedInLine_ = true;
    if (inRecord_ && !failure_)
        ready_.push_back(std::move(current_));
    current_ = Record();
    inRecord_ = false;
}

std::int64_t RecordReader::openQuoteLine() const
{
    // Open since an earlier line, unless a field ended in this one: then the
    // quote was opened after it, on this line.
    if (atLineStart_)
        return quoteLine_;
    return quotedAtLineStart_ && !fieldEndedInLine_ ? quoteLine_ : line_;
}

void RecordReader::parse(const QByteArray &bytes)
{
    csv_parser &p = parser_->csv;
    for (qsizetype at = 0; at < bytes.size(); at += kSlice) {
        const size_t n = size_t(std::min(kSlice, bytes.size() - at));
        const size_t done = csv_parse(&p, bytes.constData() + at, n, onField, onRecordEnd, this);
        if (failure_)
            throw *failure_;
        if (done < n) {
            if (csv_error(&p) != CSV_EPARSE)
                throw tooLong(p.quoted ? openQuoteLine() : (inRecord_ ? current_.line : startLine_), p.quoted);
            // Quotes as RFC 4180 has them, nothing guessed: a quote is
            // either around the whole field or doubled inside one.
            if (p.quoted)
                throw FileError(QStringLiteral("Zeile %1: Nach einem schließenden Anführungszeichen folgt noch Text. "
                                               "Ein Anführungszeichen in einem Feld wird verdoppelt (\"\").")
                                    .arg(line_),
                                line_);
            throw FileError(QStringLiteral("Zeile %1: Ein Anführungszeichen steht mitten in einem Feld. Setzen Sie das "
                                           "ganze Feld in Anführungszeichen und verdoppeln Sie das Zeichen darin (\"\").")
                                .arg(line_),
                            line_);
        }
        if (qsizetype(p.entry_pos) > kMaxFieldBytes)
            throw tooLong(p.quoted ? openQuoteLine() : (inRecord_ ? current_.line : startLine_), p.quoted);
    }
}

void RecordReader::parseLine(const QString &text, bool endsLine)
{
    csv_parser &p = parser_->csv;
    if (atLineStart_) {
        atLineStart_ = false;
        quotedAtLineStart_ = p.quoted;
        fieldEndedInLine_ = false;
        // Outside a record, one that begins now begins on this line.
        if (!inRecord_ && !p.quoted)
            startLine_ = line_;
    }
    parse(text.toUtf8());
    if (!endsLine)
        return;
    if (p.quoted)
        quoteLine_ = openQuoteLine();
    ++line_;
    atLineStart_ = true;
}

void RecordReader::feed()
{
    if (!parser_) {
        parser_ = std::make_unique<Parser>();
        // Strict: a stray quote is reported with its line rather than
        // guessed at, and so is a quote still open at the end.
        csv_init(&parser_->csv, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_delim(&parser_->csv, static_cast<unsigned char>(separator_.toLatin1()));
    }
    if (!fill()) {
        finish();
        return;
    }
    const QString piece = buffer_.mid(pos_);
    pos_ = buffer_.size();
    qsizetype at = 0;
    // The LF of a CR LF that a piece's end cut in two ends no new line.
    if (afterCr_ && piece.startsWith(QLatin1Char('\n'))) {
        parse(QByteArrayLiteral("\n"));
        at = 1;
    }
    afterCr_ = false;
    while (at < piece.size()) {
        qsizetype end = at;
        while (end < piece.size() && piece[end] != kCr && piece[end] != kLf)
            ++end;
        if (end == piece.size()) {
            parseLine(piece.mid(at), false);
            break;
        }
        if (piece[end] == kCr && end + 1 < piece.size() && piece[end + 1] == kLf)
            ++end;
        afterCr_ = piece[end] == kCr;
        parseLine(piece.mid(at, end + 1 - at), true);
        at = end + 1;
    }
}

void RecordReader::finish()
{
    parsed_ = true;
    csv_parser &p = parser_->csv;
    const bool open = p.quoted;
    const std::int64_t opened = openQuoteLine();
    if (csv_fini(&p, onField, onRecordEnd, this) != 0 && open)
        throw FileError(QStringLiteral("Zeile %1: Ein Anführungszeichen wird bis zum Ende der Datei nicht geschlossen.")
                            .arg(opened),
                        opened);
    if (failure_)
        throw *failure_;
}

bool RecordReader::next(Record &record)
{
    while (ready_.empty()) {
        if (pending_)
            throw *pending_;
        if (parsed_)
            return false;
        // A piece holds many records: those before a fault in it are still
        // handed out, in order, before the fault is told.
        try {
            feed();
        } catch (const FileError &e) {
            pending_ = e;
            parsed_ = true;
        }
    }
    record = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

} // namespace WordList
