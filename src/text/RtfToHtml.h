// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// An in-process reader of Rich Text Format that turns a file into the HTML
// subset Qt's rich-text widgets understand (QTextDocument::setHtml).
//
// Kept: text; paragraphs (\par, \sect, \page, \row) and line breaks (\line);
// bold, italic, underline, strike-through, super- and subscript, hidden text
// (dropped); font sizes (\fs); fonts by name from the font table (\f, \deff);
// text and highlight colours (\colortbl with \cf, \highlight, \cb);
// paragraph alignment (\ql \qc \qr \qj), spacing (\sb \sa) and indents
// (\li \ri \fi); tabs (\tab, shown as a tab character); table cells as tabs
// and rows as paragraphs; the result text of fields (\fldrslt).
//
// Characters: \'xx escapes and raw 8-bit bytes are decoded in the code page
// of the current font (\fcharset, \cpg) or else of the document (\ansicpg,
// \ansi, \mac, \pc, \pca). Single-byte code pages 1250-1258, 874, 437, 850
// and Mac Roman are known; any other one (double-byte Asian code pages
// included) is read as Windows-1252. \uN Unicode escapes are kept, negative
// N counting from 65536, and the \ucN fallback characters after them are
// skipped; surrogate pairs written as two \u escapes are joined. \~ becomes
// a no-break space, \- a soft hyphen, \_ a no-break hyphen; \{ \} \\ are the
// characters themselves; \emdash, \endash, \bullet and the quote words are
// their Unicode characters.
//
// Skipped with all text inside them: font, colour and style sheets, \info,
// pictures, objects, headers and footers, footnotes, field instructions,
// bookmarks, index and contents entries, and every destination marked \*.
// The skipping never loses text outside the skipped group.
//
// Damaged and hostile input never crashes or hangs the reader: it is read in
// one pass without recursion; group nesting deeper than kMaxGroupDepth is
// counted but adds no state; numbers are saturated and then clamped to sane
// ranges; \bin data is skipped up to the end of the input; the reading stops
// when the document's outermost group closes or the input ends (a truncated
// file shows what was read up to there) or the output reaches kMaxOutput
// characters. Table sizes are capped (kMaxTableEntries).
//
// Input that does not start with "{\rtf" (after optional blanks or a UTF-8
// byte-order mark) is not RTF: it is shown as plain text, decoded as UTF-8
// when it is valid UTF-8 and as Windows-1252 otherwise, one paragraph per
// line, with control characters removed. Empty input gives an empty result.
namespace Rtf {

constexpr int kMaxGroupDepth = 512;
constexpr int kMaxTableEntries = 4096;
constexpr qsizetype kMaxOutput = 64 * 1024 * 1024;

// True when the data starts like an RTF document ("{\rtf").
bool looksLikeRtf(const QByteArray &data);

// The whole document as HTML for QTextDocument::setHtml / QTextEdit::setHtml.
QString toHtml(const QByteArray &data);

// Plain text shown as HTML (used for non-RTF input).
QString plainTextToHtml(const QByteArray &data);

} // namespace Rtf

// Convenience name used by the help viewer.
inline QString rtfToHtml(const QByteArray &rtf)
{
    return Rtf::toHtml(rtf);
}
