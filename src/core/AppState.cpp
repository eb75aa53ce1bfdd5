// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppState.h"


namespace {
std::unique_ptr<AppState> &holder()
{
    static std::unique_ptr<AppState> s = std::make_unique<AppState>();
    return s;
}
} // namespace

AppState &AppState::instance()
{
    return *holder();
}

void AppState::resetForTesting()
{
    holder() = std::make_unique<AppState>();
}
