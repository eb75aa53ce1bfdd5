// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>
#include <optional>

namespace store {
class Recordset;
}

// One practice of a compartment: every card of it asked once in a random
// order (in the start compartment until it is known), each answer graded
// right or wrong and the card written back to its new compartment. It knows
// nothing of windows: the practice window shows its state and forwards the
// learner's clicks.
//
// Cards are read through the compartment's recordset and each graded
// answer is written at once through Records, so every stored card is a
// commit of its own that other programs see immediately. A failure of the
// store arrives as store::Error; the step that failed leaves the session
// where it was.
class PracticeSession
{
public:
    // Which side of the cards is asked (the learner's option).
    enum class Direction {
        Foreign = 1,     // the native word is shown, the foreign word asked
        Native = 2,      // the foreign word is shown, the native word asked
        Alternating = 3, // a fresh even chance for every card shown
    };

    struct Rules
    {
        int fach = Fach::Start; // the compartment practised
        Direction direction = Direction::Foreign;
        int repeats = 1;        // right answers in a row that move a card up
        int versuche = 1;       // tests a typed answer may take on one card
        bool askNative = false; // the side asked while no direction decides
    };

    // How the test of a typed answer came out.
    enum class Outcome {
        Right,
        Retry, // wrong, with attempts left: nothing graded yet
        Wrong,
    };

    // A graded answer, as it is stored.
    struct Answer
    {
        std::int32_t vnr = 0;
        int fachBefore = 0;
        int fachAfter = 0;
        int gewusstAfter = 0;
        bool right = false;
        int tests = 0; // tests of a typed answer it took; 0: graded by the learner
        bool askNative = false;
        QString typed; // the last text tested; empty when graded by the learner
    };

    // `cards` are the rows of the compartment, in no particular order; a
    // session without rows has no cards.
    PracticeSession(std::shared_ptr<store::Recordset> cards, const Rules &rules);

    // The asking order of these cards: every card gets one place, and every
    // order is equally likely. Draws cards.size() numbers from Random.
    static QVector<std::int32_t> shuffled(const QVector<std::int32_t> &cards);

    // Whether a typed answer counts as the stored word: the stored word
    // occurs in it, whatever the case, and it is exactly as long as the
    // stored word or more than 7 characters long. An empty stored word is
    // never answered by typing (only by grading oneself).
    static bool isRightAnswer(const QString &stored, const QString &typed);

    // Reads the card numbers and makes the asking order. Should reading
    // fail, the cards read before are practised.
    void open();

    // Goes on to the next card, passing over cards that are gone: true when
    // a card is on screen, false when the practice is done. In the start
    // compartment a card answered wrong goes back among those not yet
    // asked. Should reading the card fail, the position has moved on and no
    // card is on screen.
    bool next();
    // A card shown without a count of right answers gets 0 stored.
    void repairCount();

    // The test of a typed answer against the card as it stands in the table
    // now; grades it unless attempts are left. Only with a card on screen.
    Outcome test(const QString &typed);
    // The learner's own grading of a revealed card; nothing without a card
    // on screen or once it is graded.
    void grade(bool right);
    // Stores the graded answer of the card on screen, once. A card deleted
    // meanwhile, here or by another program, has nothing left to store.
    void storeAnswer();

    int fach() const { return rules_.fach; }
    qsizetype cardCount() const { return CardCount; }
    // 0 before the first card; above cardCount() when done.
    qsizetype cardPos() const { return CardPos; }
    bool hasCard() const { return card_.has_value(); }
    // The card on screen as it was read when shown.
    const VocabularyRecord &card() const { return *card_; }
    // The number of the card last shown (also once it is gone).
    std::int32_t cardVNr() const { return CardVNr; }
    bool askNative() const { return askNative_; }
    // What the card on screen will be stored with.
    int newFach() const { return NewFach; }
    int newGewusst() const { return NewGewusst; }
    int failCount() const { return FailCount; }
    // The answer graded for the card on screen; none before it is graded.
    const std::optional<Answer> &answer() const { return answer_; }

    // Cards that stay in the compartment, answers right and wrong so far.
    qsizetype rest() const { return rest_; }
    qsizetype right() const { return right_; }
    qsizetype wrong() const { return wrong_; }

    // The card on screen as the table holds it now; none without a card on
    // screen or when it is gone.
    std::optional<VocabularyRecord> cardNow() const;

private:
    bool advance(bool lastWasRight);
    std::optional<VocabularyRecord> readCard(std::int32_t vnr);
    void show(const VocabularyRecord &card);
    void gradeAnswer(bool right, bool typed);
    // Every graded answer is stored here and nowhere else.
    void store(const Answer &answer);

    std::shared_ptr<store::Recordset> rows_;
    Rules rules_;

    qsizetype CardCount = 0;
    QVector<std::int32_t> CardOrder; // position p is CardOrder[p - 1]
    qsizetype CardPos = 0;
    std::int32_t CardVNr = 0;
    int NewFach = 0;
    int NewGewusst = 0;
    int FailCount = 0;

    std::optional<VocabularyRecord> card_;
    bool countMissing_ = false;   // the card on screen has no count stored
    bool askNative_ = false;
    bool lastWasRight_ = true;    // no answer yet counts as right: the first card is the first
    int tests_ = 0;
    QString typed_;
    std::optional<Answer> answer_;
    bool stored_ = false;
    qsizetype rest_ = 0;
    qsizetype right_ = 0;
    qsizetype wrong_ = 0;
};
