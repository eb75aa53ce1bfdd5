// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Alt with a key is a command: a menu, or the access letter of a control.
// One that no command takes (its control disabled, no such letter) would
// otherwise reach the text field that has the focus as a typed character.
// Characters typed with AltGr arrive without the Alt modifier (on X11 with
// the group switch, or as plain text) and type as ever.
namespace AltKeys {

// Keeps Alt combinations out of every text field of the running
// application. Once per application is enough; further calls do nothing.
// The application object calls it as it starts, and every window as it is
// built, so a window is guarded on any application object, the plain one
// of the tests too.
void guard();

} // namespace AltKeys
