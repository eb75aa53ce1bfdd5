// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Clock.h"

namespace {

std::optional<QDateTime> &pinned()
{
    static std::optional<QDateTime> instant;
    return instant;
}

} // namespace

namespace Clock {

QDateTime now()
{
    if (pinned())
        return pinned()->toUTC();
    return QDateTime::currentDateTimeUtc();
}

QDate today()
{
    return now().toLocalTime().date();
}

void pin(std::optional<QDateTime> instant)
{
    pinned() = std::move(instant);
}

} // namespace Clock
