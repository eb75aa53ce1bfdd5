// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Where Vokamia finds and keeps its files on this platform.
//
// The learner's data (the database, the per-language sound folders) lives in
// the per-user data folder, never beside the program, so that a rebuild or a
// reinstall cannot lose any card. Help texts, pictures and effect sounds are
// the program's own files and are found beside the executable.
namespace Places {

// Per-user data folder: $XDG_DATA_HOME/Vokamia (created on demand).
QString dataFolder();

// Full path of the vocabulary database in the data folder.
QString databasePath();
// The same path, without creating the data folder (for a command that
// must leave no trace where there is no database yet).
QString databaseLocation();

// Folder that holds the program's own files (help/, pictures/, sounds/).
QString programFolder();

// A file of the program's own: programFolder() + "/" + relative.
QString programFile(const QString &relative);

// Help file of the given name ("main.rtf"), as HelpFile expects it.
QString helpFile(const QString &name);

// Maps a stored path onto the file system: backslashes become slashes and a
// leading ".\" (or a plain relative path) is taken relative to the process's
// working directory. Absolute paths stay as they are.
QString mapStoredPath(const QString &stored);

// The program's own files that are not in programFolder(), as paths
// relative to it; empty when the installation is whole.
QStringList missingProgramFiles();

// Override for tests: the folder in which programFolder() is found.
void setProgramFolderForTesting(const QString &folder);

} // namespace Places
