// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintLayout.h"

namespace {

std::int16_t within(std::int16_t v, int lo, int hi, std::int16_t replacement)
{
    return v < lo || v > hi ? replacement : v;
}

} // namespace

PrintLayout PrintLayout::replacedOutOfRange() const
{
    PrintLayout l = *this;
    l.left = within(left, 0, 50, 10);
    l.top = within(top, 0, 50, 10);
    l.width = within(width, 50, 100, 74);
    l.height = within(height, 30, 60, 52);
    l.xGap = within(xGap, 0, 50, 0);
    l.yGap = within(yGap, 0, 50, 10);
    return l;
}

QRect PrintLayout::card(int k) const
{
    const int c = k % 2;
    const int r = k / 2;
    return QRect(left + c * (width + xGap), top + r * (height + yGap), width, height);
}

QPointF PrintLayout::frontOrigin(int k) const
{
    const QRect cell = card(k);
    return QPointF(cell.left() + kInsetX, cell.top() + kInsetY);
}

QPointF PrintLayout::backOrigin(int k) const
{
    const int c = k % 2;
    const int r = k / 2;
    return QPointF(rightMargin() + (1 - c) * (width + xGap) + kInsetX, top + r * (height + yGap) + kInsetY);
}

QList<QLineF> PrintLayout::raster() const
{
    QList<QLineF> lines;
    const qreal x0 = left;
    const qreal x1 = left + 2 * width + xGap;
    for (int r = 0; r < kRows; ++r) {
        const qreal rowTop = top + r * (height + yGap);
        if (r == 0 || yGap != 0)
            lines << QLineF(x0, rowTop, x1, rowTop);
        lines << QLineF(x0, rowTop + height, x1, rowTop + height);
    }
    const qreal y0 = top;
    const qreal y1 = top + kRows * height + (kRows - 1) * yGap;
    lines << QLineF(left, y0, left, y1) << QLineF(left + width, y0, left + width, y1);
    if (xGap != 0)
        lines << QLineF(left + width + xGap, y0, left + width + xGap, y1);
    lines << QLineF(x1, y0, x1, y1);
    return lines;
}
