// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Backups as the windows ask for them: before a change of many cards, and
// the automatic one at start-up. The copy runs on the backup thread; the
// windows keep painting meanwhile.
namespace Safeguard {

// The backup folder in effect for the open database.
QString folder();

// Makes a backup of the open database now and waits for it, showing
// progress once it takes longer than a second; the German reason when it
// failed, empty when it was made.
QString backupNow(QWidget *parent);

// Runs `work` on a thread of its own and waits for it the same way, with
// `label` in the progress dialog; throws what `work` threw. `work` must not
// touch the windows nor the open database's connection.
void inBackground(QWidget *parent, const QString &label, const std::function<void()> &work);

// Makes a backup of the open database before a change of many cards and
// waits for it, showing progress once it takes longer than a second. If it
// fails, the learner is asked whether to go on without one (default No).
// True when the change may go ahead.
bool beforeBulkChange(QWidget *parent);

// The backup at start-up, made in the background when the database differs
// from its newest backup. A failure is reported once per run; the program
// goes on. Does nothing unless switched on (the program does at start).
void atStartUp(QWidget *parent);
void setAutomatic(bool on);

// How long a backup runs before its progress shows (1000 ms).
void setProgressDelayForTesting(int ms);
// Forgets that a failure was reported in this run.
void resetForTesting();

} // namespace Safeguard
