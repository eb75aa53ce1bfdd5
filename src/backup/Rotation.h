// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QStringList>

// Which backups go when a new one has been made. A folder keeps the newest
// backup of each of the last 7 calendar days, of each of the last 4 ISO
// weeks and of each of the last 12 calendar months, and never fewer than
// the 3 newest backups; a learner who goes back finds a recent state, one
// of a few weeks ago and one of most months of the year.
namespace Rotation {

// The names among `fileNames` to delete, given the time now. Names that are
// not a backup's are never among them, and neither is a backup dated after
// `now` (a clock set back must not cost the newest backups).
QStringList toDelete(const QStringList &fileNames, const QDateTime &now);

} // namespace Rotation
