// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small builders for the controls every window makes the same way.

#include <QPushButton>
#include <QString>

namespace Controls {

// A push button with its objectName and tooltip. It never becomes the
// default button by having the focus: each window decides which button
// Enter presses.
inline QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QString &tip)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace Controls
