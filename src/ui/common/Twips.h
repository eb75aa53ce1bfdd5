// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QWidget>
#include <QtMath>

// Window layouts are kept in twips (1440 to the inch) and turned into pixels
// at the screen's logical resolution, so windows keep their proportions on
// any screen and scale with it.
namespace Twips {

struct Rect
{
    int left, top, width, height;
};

inline int toPixels(int twips, int dpi)
{
    return qRound(twips * dpi / 1440.0);
}

inline int x(int twips, const QWidget *w)
{
    return toPixels(twips, w->logicalDpiX());
}

inline int y(int twips, const QWidget *w)
{
    return toPixels(twips, w->logicalDpiY());
}

inline QRect toPixels(const Rect &r, const QWidget *w)
{
    return QRect(x(r.left, w), y(r.top, w), x(r.width, w), y(r.height, w));
}

inline void place(QWidget *child, const Rect &r)
{
    child->setGeometry(toPixels(r, child));
}

} // namespace Twips
