// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

// The learner's fonts and colours of the two languages (AppState's
// FremdFont/FremdColor and MutterFont/MutterColor) as the windows use them.
namespace Appearance {

enum class Language { Foreign, Native };

// A font of the stored family (a foundry tag left off). A family this
// system lacks (the first-start default "ms sans serif", or a font taken on
// another machine) comes back as the platform's substitute for it, never as
// an error.
QFont font(const QString &name, qreal pointSize = -1, bool bold = false);

// The family a font name stands for: the system names a family that
// several foundries make once per foundry ("Nimbus Sans [urw]"); the
// learner chooses, and the program stores, the family alone.
QString family(const QString &fontName);

// The language's family, a foundry tag stored earlier left off.
QString fontName(Language language);
QColor colour(Language language);

// What every window that shows vocabulary does when it loads: the widget
// takes the language's font family (keeping its size) and, unless
// withColour is false, its text colour.
void apply(QWidget *widget, Language language, bool withColour = true);

// The families offered in the fonts window, each once, in the system's
// order, and those that can also be printed. Printing renders outlines, so
// a family that has only bitmaps on this system cannot be printed.
QStringList screenFonts();
QStringList printerFonts();

// Tests fix both lists, as the system would name the families; empty lists
// give back the system's.
void setFontListsForTesting(const QStringList &screen, const QStringList &printer);

} // namespace Appearance
