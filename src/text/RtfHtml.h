// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the RTF reader hands to the HTML it writes: the formatting of each
// run of text and paragraph, and the document's font and colour tables.

#include "text/RtfToHtml.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace Rtf {

struct CharFmt
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int vAlign = 0;       // 0 normal, 1 superscript, 2 subscript
    int halfPoints = 24;  // \fs, 12 pt by default
    int font = -1;        // -1: the default font (\deff)
    int colour = 0;       // index in the colour table, 0 = automatic
    int highlight = 0;    // index in the colour table, 0 = none

    bool operator==(const CharFmt &) const = default;
};

struct ParaFmt
{
    int align = 0;        // 0 left, 1 centre, 2 right, 3 justified
    int spaceBefore = 0;  // twips
    int spaceAfter = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int lineSpacing = 0;  // \sl: twips, negative exact, 0 = single
    bool lineMultiple = false; // \slmult1: \sl counts in 240ths of a line
};

struct FontInfo
{
    QString name;
    int codePage = 0;     // 0: the document's
};

struct Run
{
    CharFmt fmt;
    QString text;         // U+2028 marks a \line break
};

// The document's font and colour tables, as far as they have been read.
struct DocumentTables
{
    int defaultFont = -1;
    std::unordered_map<int, FontInfo> fonts;
    std::vector<std::int64_t> colours; // -1: automatic
};

// Writes the document's paragraphs as HTML, one at a time.
class HtmlWriter
{
public:
    explicit HtmlWriter(const DocumentTables &tables);

    // A paragraph of these runs; an empty one keeps the height of the text
    // size in force (halfPoints).
    void paragraph(const ParaFmt &para, const std::vector<Run> &runs, int halfPoints);
    bool full() const { return html_.size() >= kMaxOutput; }
    QString finish();

private:
    QString styleOf(const CharFmt &fmt) const;

    const DocumentTables &tables_;
    QString html_;
};

// A font name made safe for a CSS string in a style attribute.
QString cssFontName(const QString &name);

// Appends text with the characters HTML gives a meaning escaped; U+2028
// becomes a line break.
void appendEscaped(QString &out, const QString &text);

// A byte of a single-byte code page: below 0x80 ASCII, above it from the
// code page's upper half.
inline QChar decodeByte(unsigned char b, const char16_t *upper)
{
    if (b < 0x80)
        return QChar(char16_t(b));
    return QChar(upper[b - 0x80]);
}

// The whole RTF document as HTML.
QString readRtf(const QByteArray &data);

} // namespace Rtf
