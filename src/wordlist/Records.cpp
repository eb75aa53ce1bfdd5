// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Records.h"

#include <QRegularExpression>

namespace WordList {

namespace {

const QChar kQuote = QLatin1Char('"');
const QChar kCr = QLatin1Char('\r');
const QChar kLf = QLatin1Char('\n');

bool isBlank(QChar c, QChar separator)
{
    return (c == QLatin1Char(' ') || c == QLatin1Char('\t')) && c != separator;
}

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
            if (c == kCr || c == kLf || i - pos_ > kMaxFieldChars)
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

void RecordReader::checkSize(const QString &field, std::int64_t line, bool quoted) const
{
    if (field.size() <= kMaxFieldChars)
        return;
    if (quoted)
        throw FileError(QStringLiteral("Zeile %1: Das Feld, das hier mit einem Anführungszeichen beginnt, ist länger "
                                       "als 1 MB – vermutlich fehlt das schließende Anführungszeichen.")
                            .arg(line),
                        line);
    throw FileError(QStringLiteral("Zeile %1: Ein Feld ist länger als 1 MB. So lange Felder enthält keine Wortliste.")
                        .arg(line),
                    line);
}

bool RecordReader::next(Record &record)
{
    while (takeLineBreak()) {
    }
    if (atEnd())
        return false;
    record.line = line_;
    record.fields.clear();
    QString field;
    for (;;) {
        // Blanks before an opening quote belong to no field.
        field.clear();
        while (!atEnd() && isBlank(peek(), separator_))
            field += take();
        if (!atEnd() && peek() == kQuote) {
            const std::int64_t opened = line_;
            take();
            field.clear();
            for (;;) {
                if (atEnd())
                    throw FileError(QStringLiteral("Zeile %1: Ein Anführungszeichen wird bis zum Ende der Datei nicht "
                                                   "geschlossen.")
                                        .arg(opened),
                                    opened);
                const QChar c = take();
                if (c == kQuote) {
                    if (!atEnd() && peek() == kQuote) {
                        field += take();
                        continue;
                    }
                    break;
                }
                field += c;
                // A line break inside the quotes is part of the field; it
                // still counts as a line of the file.
                if (c == kLf) {
                    ++line_;
                } else if (c == kCr) {
                    if (!atEnd() && peek() == kLf)
                        field += take();
                    ++line_;
                }
                if ((field.size() & 0xFFFF) == 0)
                    checkSize(field, opened, true);
            }
            checkSize(field, opened, true);
        }
        // Unquoted text, or what follows a closing quote up to the separator:
        // taken as it stands, quotes and all.
        while (!atEnd()) {
            const QChar c = peek();
            if (c == separator_ || c == kCr || c == kLf)
                break;
            field += take();
            if ((field.size() & 0xFFFF) == 0)
                checkSize(field, record.line, false);
        }
        checkSize(field, record.line, false);
        record.fields << field;
        if (record.fields.size() > kMaxRecordFields)
            throw FileError(QStringLiteral("Zeile %1: Die Zeile hat mehr als %2 Spalten. So viele Spalten enthält "
                                           "keine Wortliste.")
                                .arg(record.line)
                                .arg(kMaxRecordFields),
                            record.line);
        if (!atEnd() && peek() == separator_) {
            take();
            continue;
        }
        takeLineBreak();
        return true;
    }
}

} // namespace WordList
