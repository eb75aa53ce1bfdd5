// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/PracticeSession.h"

#include "core/Random.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/Statistics.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace {

const QString kVNr = QStringLiteral("VNr");
const QString kGewusst = QStringLiteral("gewusst");

// The number of characters the learner sees: a letter with its accent and
// a letter outside the basic plane each count once.
qsizetype characters(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C).toUcs4().size();
}

// A draw k with 0 <= k < n.
qsizetype below(qsizetype n)
{
    const auto k = qsizetype(std::floor(double(n) * Random::next()));
    // A draw so close to 1 that it rounds up.
    return k < n ? k : n - 1;
}

} // namespace

PracticeSession::PracticeSession(std::shared_ptr<store::Recordset> cards, const Rules &rules)
    : rows_(std::move(cards)), rules_(rules), askNative_(rules.askNative)
{
}

QVector<std::int32_t> PracticeSession::shuffled(const QVector<std::int32_t> &cards)
{
    const qsizetype n = cards.size();
    QVector<std::int32_t> order(n);
    // free[j] is the j-th position still free; the last free one moves into
    // the slot of each one used, so the free positions stay packed.
    QVector<qsizetype> free(n);
    for (qsizetype i = 0; i < n; ++i)
        free[i] = i;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype left = n - i;
        const qsizetype k = below(left);
        order[free[k]] = cards[i];
        free[k] = free[left - 1];
    }
    return order;
}

bool PracticeSession::isRightAnswer(const QString &stored, const QString &typed)
{
    if (stored.isEmpty())
        return false;
    const QString s = stored.normalized(QString::NormalizationForm_C);
    const QString t = typed.normalized(QString::NormalizationForm_C);
    if (!t.contains(s, Qt::CaseInsensitive))
        return false;
    const qsizetype typedLength = characters(t);
    return typedLength == characters(s) || typedLength > 7;
}

// ------------------------------------------------------------- the order

void PracticeSession::open()
{
    QVector<std::int32_t> cards;
    const auto makeOrder = [&] {
        CardCount = cards.size();
        rest_ = CardCount;
        CardPos = 0;
        CardOrder = shuffled(cards);
    };
    try {
        if (rows_) {
            const qsizetype rows = rows_->rowCount();
            // The keys of the compartment's rows are the card numbers: the
            // order is made without reading a single row.
            cards.reserve(rows);
            for (qsizetype row = 0; row < rows; ++row)
                cards << std::int32_t(rows_->keyOfRow(row));
            const int vnrField = int(rows_->fieldNames().indexOf(kVNr));
            if (rows > 0 && rows_->valueAt(0, vnrField).toLongLong() != cards.first()) {
                for (qsizetype row = 0; row < rows; ++row)
                    cards[row] = rows_->valueAt(row, vnrField).toInt();
            }
        }
    } catch (...) {
        makeOrder();
        throw;
    }
    makeOrder();
}

bool PracticeSession::next()
{
    bool lastWasRight = std::exchange(lastWasRight_, false);
    card_.reset();
    answer_.reset();
    stored_ = false;
    countMissing_ = false;
    FailCount = 0;
    tests_ = 0;
    typed_.clear();
    while (advance(lastWasRight)) {
        if (std::optional<VocabularyRecord> found = readCard(CardOrder[CardPos - 1])) {
            show(*found);
            return true;
        }
        // A card that is no longer there is passed over.
        lastWasRight = true;
    }
    return false;
}

// Moves CardPos on; false when the practice is done.
bool PracticeSession::advance(bool lastWasRight)
{
    if (rules_.fach != Fach::Start || lastWasRight) {
        ++CardPos;
    } else if (CardPos < CardCount) {
        // A card not known in the start compartment goes back among the
        // cards not asked yet, the place it had included.
        const qsizetype k = CardPos + below(CardCount - CardPos + 1);
        if (k != CardPos)
            std::swap(CardOrder[CardPos - 1], CardOrder[k - 1]);
    }
    return CardPos <= CardCount;
}

std::optional<VocabularyRecord> PracticeSession::readCard(std::int32_t vnr)
{
    if (!rows_ || !Records::findCard(*rows_, vnr, true))
        return std::nullopt;
    VocabularyRecord card = Records::readCard(*rows_);
    countMissing_ = rows_->isNull(kGewusst);
    return card;
}

void PracticeSession::show(const VocabularyRecord &card)
{
    card_ = card;
    NewFach = card.Fach;
    NewGewusst = card.gewusst; // a missing count reads as 0
    CardVNr = card.VNr;
    switch (rules_.direction) {
    case Direction::Foreign: askNative_ = false; break;
    case Direction::Native: askNative_ = true; break;
    case Direction::Alternating: askNative_ = below(2) != 0; break;
    }
}

void PracticeSession::repairCount()
{
    if (!card_ || !countMissing_)
        return;
    countMissing_ = false;
    Records::storeProgress(CardVNr, card_->Fach, 0);
}

std::optional<VocabularyRecord> PracticeSession::cardNow() const
{
    // Finding the card by its number also notices that it is gone.
    if (!card_ || !rows_ || !Records::findCard(*rows_, CardVNr, true))
        return std::nullopt;
    return Records::readCard(*rows_);
}

// ---------------------------------------------------------------- grading

PracticeSession::Outcome PracticeSession::test(const QString &typed)
{
    if (!card_)
        throw std::logic_error("no card to test");
    if (answer_)
        return answer_->right ? Outcome::Right : Outcome::Wrong;
    const std::optional<VocabularyRecord> now = cardNow();
    const QString stored = !now ? QString() : askNative_ ? now->MVok : now->FVok;
    ++tests_;
    typed_ = typed;
    if (isRightAnswer(stored, typed)) {
        gradeAnswer(true, true);
        return Outcome::Right;
    }
    if (rules_.versuche > 1) {
        ++FailCount;
        if (FailCount < rules_.versuche)
            return Outcome::Retry;
    }
    gradeAnswer(false, true);
    return Outcome::Wrong;
}

void PracticeSession::grade(bool right)
{
    if (card_ && !answer_)
        gradeAnswer(right, false);
}

void PracticeSession::gradeAnswer(bool right, bool typed)
{
    lastWasRight_ = right;
    if (right) {
        if (NewGewusst < rules_.repeats - 1) {
            ++NewGewusst;
        } else if (NewFach < Fach::Last) {
            ++NewFach;
            NewGewusst = 0;
            --rest_;
        } else if (!typed) {
            // The learner's own "right" on the last compartment starts the
            // count anew; a typed answer keeps it.
            NewGewusst = 0;
        }
        ++right_;
    } else {
        ++wrong_;
        if (rules_.fach > Fach::Start)
            --rest_;
        NewGewusst = 0;
        NewFach = Fach::Start;
    }
    answer_ = Answer{CardVNr, card_->Fach, NewFach, NewGewusst, right, typed ? tests_ : 0, askNative_,
                     typed ? typed_ : QString()};
}

void PracticeSession::storeAnswer()
{
    if (!answer_ || stored_)
        return;
    stored_ = true;
    store(*answer_);
}

void PracticeSession::store(const Answer &answer)
{
    Statistics::LogRow row;
    row.vnr = answer.vnr;
    row.fachBefore = answer.fachBefore;
    row.fachAfter = answer.fachAfter;
    row.right = answer.right;
    // An answer graded by the learner took one look, as a first test does.
    row.tests = std::max(answer.tests, 1);
    row.direction = answer.askNative ? 2 : 1;
    row.typed = answer.typed;
    Records::storeProgress(answer.vnr, answer.fachAfter, answer.gewusstAfter, row);
}
