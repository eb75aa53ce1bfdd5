// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRect>

#include <cstdint>

// The grid of flash cards on an A4 sheet (210 x 297 mm, portrait): two
// columns and five rows, every length in whole millimetres.
struct PrintLayout
{
    std::int16_t left = 10;    // xRand
    std::int16_t top = 10;     // yRand
    std::int16_t width = 74;   // xCard
    std::int16_t height = 52;  // yCard
    std::int16_t xGap = 0;     // column gap
    std::int16_t yGap = 0;     // row gap

    static constexpr int kSheetWidth = 210;
    static constexpr int kSheetHeight = 297;
    static constexpr int kCardsPerSheet = 10;
    static constexpr int kRows = 5;
    static constexpr int kInsetX = 5;  // text inset from the card's left edge
    static constexpr int kInsetY = 7;  // and from its top edge
    static constexpr int kSentenceDown = 15;

    // Each value outside what a stored layout may hold takes its default
    // replacement (the row gap's is 10).
    PrintLayout replacedOutOfRange() const;

    // The grid must stay on the sheet; the height leaves a little room at
    // the bottom for the printer's margin.
    bool widthFits() const { return left + 2 * width + xGap <= kSheetWidth; }
    bool heightFits() const { return top + kRows * (height + yGap) <= 294; }

    // Distance of the grid from the right edge: the backs use it in place
    // of the left margin, so each back lies behind its own front.
    int rightMargin() const { return kSheetWidth - (left + 2 * width + xGap); }

    // The whole grid, and card k's cell (k = 0..9, two to a row).
    QRect grid() const { return QRect(left, top, 2 * width + xGap, kRows * height + (kRows - 1) * yGap); }
    QRect card(int k) const;
    // Where the preview draws card k: one unit inside its cell.
    QRect previewCard(int k) const { return card(k).adjusted(1, 1, 0, 0); }

    // Top left of the first text line of card slot k's word.
    QPointF frontOrigin(int k) const;
    QPointF backOrigin(int k) const;

    // The cutting guide: every card's outline, without drawing an edge
    // twice where cards touch.
    QList<QLineF> raster() const;

    bool operator==(const PrintLayout &) const = default;
};
