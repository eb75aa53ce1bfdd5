// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small builders for the controls every window makes the same way.

#include <QPushButton>
#include <QString>
#include <QWidget>

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

// The objectName of element i of a control array: "imgBox(3)".
inline QString indexedName(const char *name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

// Makes `button` the one button of its window that Enter presses; with `on`
// false it only stops `button` from being that button.
inline void makeDefault(QPushButton *button, bool on = true)
{
    if (!on) {
        button->setDefault(false);
        return;
    }
    for (QPushButton *b : button->window()->findChildren<QPushButton *>())
        b->setDefault(b == button);
}

} // namespace Controls
