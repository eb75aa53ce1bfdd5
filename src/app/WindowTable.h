// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/common/Windows.h"

class QDialog;
class QWidget;

// The composition root's table of windows: the one place that knows every
// window class. The opener gets it through install(); the program calls it
// before its first window, the test support before every test.
namespace WindowTable {

// A new window of that kind with its parent.
QDialog *build(Windows::Kind kind, QWidget *parent);

void install();

} // namespace WindowTable
