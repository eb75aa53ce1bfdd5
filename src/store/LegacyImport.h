// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace store {
class Database;
}

// Cards of the program's earlier generation: the tables of "vok1.mdb", and a
// whole database of the newer layout kept in an Access file.
namespace LegacyImport {

// Copies the four tables of "vok1.mdb" in the working directory into the
// pairs English, French, Spanish and Italian of the database just created.
// The first failing step ends the import with its error; pairs completed
// before it stay, and nothing of the failing pair is left behind.
void ImportLegacyDatabase();

// Told of the progress of a long import or take-over: step done of steps.
using Progress = std::function<void(int done, int steps)>;
void setProgress(Progress progress);

// True when the file at `path` is an Access database rather than ours.
bool isAccessDatabase(const QString &path);

// Replaces the Access database at `path` by a file of our format with every
// pair of its catalogue and all their cards. The new file is built beside it
// under another name and checked table by table; only then does the original
// move aside, its bytes unchanged, and the new file take its place. Returns
// the name the original now has. On failure the original stays where it was
// and the error says why.
QString takeOverAccessDatabase(const QString &path);

} // namespace LegacyImport
