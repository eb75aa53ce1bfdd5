// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the dictionary and the compartment manager do alike with their lists
// of one line per card: make the view, clear its selection without taking
// that for the learner's click, and find the next line among the hits.

#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>

class QListView;
class QObject;
class QWidget;
class RecordsetModel;

namespace CardList {

// A list of one text line per card, one line selectable at a time, not
// editable. Every line is one text line high: the view need not measure a
// list of a million cards.
QListView *makeView(QWidget *parent, const char *name, const QString &tip, int minWidth, int minHeight);

// Clears the view's selection and its current line; `guard` is set
// meanwhile, so the window's selection handler can tell it from a click.
// Without a current line, a line that later leaves the list (its card
// deleted or moved) hands no highlight to its neighbour.
void clearQuietly(QListView *view, bool &guard);

// Calls `chosen` for every click on a line that leaves it selected, also
// on the line that was highlighted already (which changes no selection).
void onClick(QListView *view, QObject *context, std::function<void()> chosen);

// The learner declined to search again from the top.
constexpr std::int32_t kDeclined = -2;

// The first row at or after `pos` whose card is among `hits`; `pos` moves
// past it unless it is the last row, so a search started there stays there.
// When nothing is left after a position above 0 the learner is asked
// whether to start again from the top: kDeclined when he does not. -1 when
// no row holds a hit at all.
std::int32_t nextHit(RecordsetModel *model, const QVector<std::int32_t> &hits, std::int32_t &pos, QWidget *parent);

} // namespace CardList
