// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>

// Writing the cards of the current pair as a word list that the import
// reads back unchanged and a German spreadsheet opens as it is.
namespace WordList {

enum class Format {
    Csv, // UTF-8 with mark, ";", CR LF: what a German spreadsheet opens
    Tsv, // UTF-8 without mark, tabs, LF
};

// The header row the export writes and the import recognises.
QString headerLine(Format format);

// One field as the format writes it: in quotes (a quote doubled) when it
// holds the separator, a quote or a line break.
QString quotedField(const QString &field, Format format);

// Writes every card of compartment `compartment` (all cards when it is
// below 0) to `path`, in dictionary order, and returns how many. The file
// is written beside the target and renamed over it only when complete, so
// an export that fails leaves the target as it was. Throws WordList::
// FileError (with a German text) when the file cannot be written,
// store::Error when the cards cannot be read.
std::int64_t exportFile(const QString &path, int compartment, Format format);

} // namespace WordList
