// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

// The program's one reading of the time of day, for what it records and
// sums up by day (the answer log, the card box per day, the statistics).
// Tests pin it so that a history built for them never depends on when they
// run.
namespace Clock {

// Now, in UTC.
QDateTime now();
// The local calendar day of now.
QDate today();

// Tests: every following now() is this instant; an empty value lets the
// clock decide again.
void pin(std::optional<QDateTime> instant);

} // namespace Clock
