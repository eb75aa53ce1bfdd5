// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

// The commands that run without a window: the same data folder, settings
// and database as the window, on a console.
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

// Makes a backup of the learner's database into the backup folder and
// prints its path. Never creates a database or a data folder.
CommandLine::Reply backup();

} // namespace Headless
