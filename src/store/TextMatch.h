// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct sqlite3;

namespace store {

// Letters compared without regard to case, one character at a time (the way
// QString compares with Qt::CaseInsensitive), on UTF-8 bytes as SQLite hands
// them over.

// True when `line` holds a blank followed by `needle`.
bool hasWordStart(const char *line, int n, const char *needle, int nn);

// Name of the SQL function wordstart(needle, a, b, c): does the line
// " " + a + " - " + b + " - " + c hold a blank followed by needle? A null
// value counts as empty text, a number as its decimal text.
inline constexpr const char *kWordStartFunction = "vk_wordstart";

// Name of the SQL function linestart(needle, a, b): does the line
// a + " - " + b begin with needle? A null value counts as empty text.
inline constexpr const char *kLineStartFunction = "vk_linestart";

// Registers the functions above on a connection.
void registerTextFunctions(sqlite3 *db);

} // namespace store
