// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct sqlite3;

namespace store {

// The engine's "general sort order": letter case is ignored, umlauts and
// accents stay distinct for equality, and words sort as in a German
// dictionary (Äpfel next to Apfel, not after Zebra).
int germanCompare(const QString &a, const QString &b);

// Same order on UTF-8 bytes, as SQLite hands them over.
int germanCompareUtf8(const char *a, int na, const char *b, int nb);

// Name of the collation every text column is declared with.
inline constexpr const char *kGermanCollation = "VKGERMAN";

// Registers the collation on a connection; needed on every connection that
// touches a text column.
void registerGermanCollation(sqlite3 *db);

} // namespace store
