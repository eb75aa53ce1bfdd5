// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"
#include "store/Statistics.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace store {
class Database;
class Recordset;
} // namespace store

// Access paths to the cards of the current language table.
namespace Records {

// The current table as it stands in SQL texts: the plain name, or the name
// in brackets when it holds blanks, quotes or other characters that would
// otherwise end it (a learner may call a language "Schwyzerdütsch (Bern)"),
// or when it spells an SQL keyword (the language "Hen" has the table tHen).
QString sqlTable();

QString countSql(int fach);
QString compartmentSql(int fach, bool alphabetical);
int countCompartment(int fach);
int countAll();
// Sets SqlText and opens the compartment as a dynaset.
std::shared_ptr<store::Recordset> openCompartment(int fach, bool alphabetical);

// Table recordset: index "VNr", seek "=" number; true when found.
bool seekCard(store::Recordset &rs, int vnr);
// Dynaset: find first with the criterion "VNr=" + number (or "VNr = ").
bool findCard(store::Recordset &rs, int vnr, bool spaced = false);

VocabularyRecord readCard(const store::Recordset &rs);

// Card operations on the current table. Every value is bound, never written
// into the statement; an operation that finds no card to change raises an
// error instead of reporting a save that stored nothing.

// Adds a card with its five texts, Fach and gewusst; returns its VNr.
std::int32_t addCard(const VocabularyRecord &card);
// Saves the texts of card.VNr: Artikel, FSatz and MSatz always, FVok and
// MVok only when they hold text. Fach, gewusst and the sound paths stay.
void saveCard(const VocabularyRecord &card);
// Puts one card into compartment `fach` with the given count of right
// answers (moving by hand starts the count again at 0).
void moveCard(std::int32_t vnr, int fach, int gewusst = 0);
// Stores a practised card's compartment and count of right answers in a row
// (committed at once outside a transaction). A card that is gone, deleted
// meanwhile here or by another program, is no error for a practice: false,
// nothing stored.
bool storeProgress(std::int32_t vnr, int fach, int gewusst);
// The same for a graded answer: the card and the answer's row in the
// learning statistics are committed together or not at all, so the log
// never tells of an answer the card does not show. A card that is gone
// logs nothing either.
bool storeProgress(std::int32_t vnr, int fach, int gewusst, const Statistics::LogRow &answer);

struct MoveResult
{
    qsizetype moved = 0;       // cards moved, from the first on
    std::int32_t notFound = 0; // the card the move stopped at, 0 if none
};
// Moves the cards in the order given into compartment `fach` (gewusst 0),
// in one transaction for speed; each card moved is logged in the learning
// statistics in that transaction. It stops at the first card that no longer
// exists. An engine error stops it too: what moved before stays moved and
// is committed, then the error is raised.
MoveResult moveCards(const QVector<std::int32_t> &vnrs, int fach);
// Every card of compartment `from` into `to`, in order of VNr.
MoveResult moveCompartment(int from, int to);
// The numbers of the cards of compartment `fach`, in order of VNr.
QVector<std::int32_t> cardsOf(int fach);

void deleteCard(std::int32_t vnr);

// Lists of cards and their searches. The lists are ordered by their lines
// in German dictionary order, letter case ignored, the card number last so
// that the order is the same every time; a search gives the cards of its
// hits in that same order.

// The compartment manager's list of compartment `fach`, one line
// FVok + " - " + MVok per card: fields VNr, FVok, MVok.
QString managerListSql(int fach);
// The cards of compartment `fach` whose line begins with `text`, letters
// compared without regard to case.
QVector<std::int32_t> lineStarts(int fach, const QString &text);

// The dictionary of every card, one line
// " " + FVok + " - " + MVok + " - " + Fach per card: fields VNr, FVok, MVok, Fach.
QString dictionarySql();
// The cards whose dictionary line holds a blank followed by `text`: a word
// of either language or the compartment number that begins with it, letters
// compared without regard to case.
QVector<std::int32_t> wordStarts(const QString &text);
// Stores the path of a recording: FSatzSound for the sentence, FVokSound
// for the word.
void setSoundPath(std::int32_t vnr, bool sentence, const QString &path);

// Word lists in and out.

// The sizes of the card's text fields as the current table defines them.
struct TextSizes
{
    int FVok = 50;
    int MVok = 50;
    int FSatz = 200;
    int MSatz = 200;
    int Artikel = 5;
};
TextSizes textSizes();

// Hands every card of the current table to `card` in dictionary order
// (FVok, MVok, Fach, VNr), or only those of compartment `fach` when it is 0
// or more. One card at a time is read, so a table of any size costs the
// memory of one card.
void forEachCard(int fach, const std::function<void(const VocabularyRecord &card)> &card);

// Cards added and changed in one transaction on the current table: nothing
// is stored unless commit() succeeds. A batch left without it, by an error
// or on purpose (to see what a change would do), leaves the table exactly as
// it was.
class PageCache;

class CardBatch
{
public:
    CardBatch();
    ~CardBatch();
    CardBatch(const CardBatch &) = delete;
    CardBatch &operator=(const CardBatch &) = delete;

    // The card with the lowest number whose foreign and native words both
    // equal these in the dictionary order (letter case ignored), the cards
    // of this batch included.
    std::optional<VocabularyRecord> find(const QString &fvok, const QString &mvok);
    // Adds a card with its five texts, Fach and gewusst.
    void add(const VocabularyRecord &card);
    // Stores Artikel, FSatz, MSatz, Fach and gewusst of card.VNr.
    void update(const VocabularyRecord &card);
    void commit();

private:
    store::Database *db_;
    QString table_;
    std::unique_ptr<PageCache> cache_;
    bool open_ = false;
};

} // namespace Records
