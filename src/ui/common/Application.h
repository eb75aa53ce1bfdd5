// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

// The program's application object. Its notify() is the last net under
// every event handler: an exception that a handler let escape is shown
// (critical icon, title "Vokamia") instead of ending the program, and the
// event loop goes on. Handlers still guard their own steps (Msg::guard);
// the net only catches what they missed.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
