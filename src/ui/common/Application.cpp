// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Application.h"

#include "ui/common/AltKeys.h"
#include "ui/common/Guard.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    AltKeys::guard();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        Msg::reportFailure(e);
    } catch (...) {
        Msg::critical(QStringLiteral("Unbekannter Fehler."));
    }
    // The event counts as handled: the handler that failed has done all it
    // is going to do.
    return true;
}
