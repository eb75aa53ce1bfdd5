// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SQLite's failures as the learner reads them: in German, and marked when
// another program holds the file.

#include "store/Engine.h"

struct sqlite3;

namespace store {

// The failure of an extended result code with SQLite's own message.
Error sqliteError(int extendedCode, const QString &message);

// The failure SQLite reports on `db` (or, without one, of `rc` alone).
[[noreturn]] void throwSqlite(sqlite3 *db, int rc);

} // namespace store
