// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

// The commands that run without a window: the same data folder, settings
// and database as the window, on a console.
namespace Headless {

// Makes a backup of the learner's database into the backup folder and
// prints its path. Never creates a database or a data folder.
CommandLine::Reply backup();

} // namespace Headless
