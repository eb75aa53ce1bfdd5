// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/PrintLayout.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QPrinter;

// Printing flash cards: all fronts, then, once the learner has turned the
// sheets over, all backs, mirrored so each back lands behind its front.
namespace CardPrint {

struct Card
{
    QString FVok, FSatz, MVok, MSatz;
};

enum class Side { Fronts, Backs };

// What the cards are drawn on. Positions and sizes are millimetres of the
// sheet, measured from its top left corner.
class Sheets
{
public:
    virtual ~Sheets() = default;
    // Starts the first page of a side. A printer starts a document of its
    // own for each side; a file keeps both in one document, the backs on
    // the pages after the fronts.
    virtual bool beginSide(Side side) = 0;
    virtual void newPage() = 0;
    // The fronts' document goes to the printer before the learner is asked
    // to turn the sheets.
    virtual void endSide(Side side) = 0;
    // Ends whatever is still open (also after a cancelled run).
    virtual void finish() = 0;
    // `topLeft` is the top left corner of the text's line box.
    virtual void text(const QPointF &topLeft, const QString &text, const QFont &font, const QColor &colour) = 0;
    virtual void line(const QLineF &line) = 0;
    virtual qreal textWidth(const QString &text, const QFont &font) = 0;
    virtual qreal textHeight(const QFont &font) = 0;
};

// Sheets on a printer, or into the PDF file the printer is set to. Draws in
// device pixels, so type keeps its exact size.
std::unique_ptr<Sheets> printerSheets(QPrinter &printer);

// The caller fills in the learner's fonts and colours; only the families
// of the fonts count, sizes and weights are the printout's own.
struct Job
{
    PrintLayout layout;
    bool raster = false;
    QFont foreignFont, nativeFont;
    QColor foreignColour, nativeColour;
    std::vector<Card> cards;
};

struct Hooks
{
    // Asked between the sides; false prints no backs.
    std::function<bool()> turnOver;
    // After each card of either side (done of 2 x cards); false ends the
    // run where it stands.
    std::function<bool(qsizetype done, qsizetype total)> progress;
};

// Word 14 pt bold, sentence 10 pt.
constexpr qreal kWordPoints = 14;
constexpr qreal kSentencePoints = 10;
constexpr int kMaxLines = 5;

// Breaks a text into the lines that fit the inner width of a card: the text
// trimmed; one line when it is narrower than `width`; else word by word (a
// word keeps its trailing blank), a word that does not fit beginning the
// next line; a word too wide for an empty line stays there. A text that
// would need more than five lines ends its fifth line in "…".
QStringList fitLines(const QString &text, qreal width, const std::function<qreal(const QString &)> &widthOf);

// Prints the job; returns false when it stopped early (cancelled by the
// learner at the question or through the progress hook).
bool print(const Job &job, Sheets &sheets, const Hooks &hooks);

} // namespace CardPrint
