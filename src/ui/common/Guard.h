// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/common/Messages.h"

#include <QString>

#include <exception>

class QWidget;

namespace Msg {

// The text a failure shows: a store error's own description, otherwise what
// the exception says about itself.
QString describe(const std::exception &e);

// Shows a failure the usual way: its own text, critical icon.
void reportFailure(const std::exception &e, const QString &title = kAppTitle, QWidget *parent = nullptr);

// Runs one step of a handler. A failure is shown with its own text and the
// critical icon, and the handler goes on with its next step; the result
// tells whether the step ran to its end. Every step that can reach the
// store runs in a guard, so no exception is left for the event loop.
template <typename F>
bool guard(const QString &title, F &&step, QWidget *parent = nullptr)
{
    try {
        step();
        return true;
    } catch (const std::exception &e) {
        reportFailure(e, title, parent);
        return false;
    }
}

template <typename F>
bool guard(F &&step)
{
    return guard(kAppTitle, static_cast<F &&>(step));
}

} // namespace Msg
