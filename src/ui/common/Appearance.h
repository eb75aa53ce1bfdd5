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

// A font of the stored family. A family this system lacks (the first-start
// default "ms sans serif", or a font taken on another machine) comes back
// as the platform's substitute for it, never as an error.
QFont font(const QString &family, qreal pointSize = -1, bool bold = false);

QString fontName(Language language);
QColor colour(Language language);

// What every window that shows vocabulary does when it loads: the widget
// takes the language's font family (keeping its size) and, unless
// withColour is false, its text colour.
void apply(QWidget *widget, Language language, bool withColour = true);

// The families offered in the fonts window, in the system's order, and those
// that can also be printed. Printing renders outlines, so a family that has
// only bitmaps on this system cannot be printed.
QStringList screenFonts();
QStringList printerFonts();

// Tests fix both lists; empty lists give back the system's.
void setFontListsForTesting(const QStringList &screen, const QStringList &printer);

} // namespace Appearance
