// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <QString>

// The commands that work without any window, on the same data folder and
// settings as the program: they need only the core application object, so
// a script on a machine without a display can run them.
namespace Headless {

// The learner's database for a command that must never create one: its
// path, or the German reason there is none to use (none yet, something
// else under its name, an Access database waiting to be taken over).
// Creates nothing, not even the data folder.
struct ExistingDatabase
{
    QString path;
    QString error; // empty when `path` may be used
};
ExistingDatabase existingDatabase();

// Opens the learner's database for a command, as the program opens it at
// start: in the data folder, which becomes the working directory. With
// `create`, a first start creates the folder and the database with the
// pair Englisch; without, only an existing database is opened. An Access
// database waiting to be taken over is left alone and refused, so is a
// database another program holds locked. Throws store::Error with the
// German reason.
void openDatabase(bool create);

// Makes the pair current whose foreign language is `foreign` (letter case
// ignored), or, when it is empty, the pair the settings keep as current.
void selectPair(const QString &foreign);

// --import FILE and --export FILE with their settings: what to print and
// the exit status. An import into an existing database makes a backup
// first and changes nothing when that fails.
CommandLine::Reply importList(const CommandLine::Request &request);
CommandLine::Reply exportList(const CommandLine::Request &request);

// Makes a backup of the learner's database into the backup folder and
// prints its path. Never creates a database or a data folder.
CommandLine::Reply backup();

} // namespace Headless
