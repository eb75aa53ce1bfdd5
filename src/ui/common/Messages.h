// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message the program shows is built here, as a real QMessageBox.
//
// Tests install a responder: it receives the fully built box instead of the
// box being executed, and returns the answer. So tests can read text, title,
// icon and buttons and answer without a modal loop.
namespace Msg {

inline const QString kAppTitle = QStringLiteral("Vokamia");

QMessageBox::StandardButton show(const QString &text,
                                 const QString &title = kAppTitle,
                                 QMessageBox::Icon icon = QMessageBox::NoIcon,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 QWidget *parent = nullptr);

// The usual report of a failure: the error's own text, critical icon.
void critical(const QString &text, const QString &title = kAppTitle, QWidget *parent = nullptr);

// True when the answer to a question counts as yes (anything else is no).
inline bool isYes(QMessageBox::StandardButton b) { return b == QMessageBox::Yes || b == QMessageBox::Ok; }

using Responder = std::function<QMessageBox::StandardButton(QMessageBox &)>;
// Replaces exec() for every following box; an empty function restores it.
void setResponder(Responder responder);

} // namespace Msg

// Shows the hourglass while an object of this type lives; always restores
// the pointer, whichever way the scope is left.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    // Ends the hourglass early (a window whose load is done).
    void release();

private:
    bool active_ = false;
};
