// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace store {
class Database;
}

// The learning statistics: every graded answer and every card moved by hand
// in the answer log (VkSysAntworten), the eight counts of each pair's card
// box per local calendar day (VkSysKastenTage), and the figures the
// statistics window shows, summed up here by the database rather than row
// by row in the window.
//
// Both tables are the engine's own (VkSys), so they never show up as a
// language pair. Times in the log are UTC; days are the learner's local
// calendar days, taken from Clock.
namespace Statistics {

// The card box per day: counts taken from the cards, written at every
// start. A backup's fingerprint leaves its rows out, so a start-up alone
// never looks like a change worth a backup.
inline const QString kBoxDaysTable = QStringLiteral("VkSysKastenTage");

// Makes the tables and their indexes where they are missing, all in one
// unit. Returns why the file cannot take them (the file is then left as it
// was); empty when it can. Database::open and create call it.
QString prepareFile(store::Database &db);

// ------------------------------------------------------------- recording

// One row of the answer log.
struct LogRow
{
    std::int32_t vnr = 0;
    int fachBefore = 0;
    int fachAfter = 0;
    // Right or wrong; none for a card moved by hand.
    std::optional<bool> right;
    // Tests the answer took: 1 for a first right test or a self-graded
    // answer, 0 for a card moved by hand.
    int tests = 0;
    // 1: the foreign word was asked, 2: the native word; 0: none (moved).
    int direction = 0;
    // The text typed last; empty when the learner graded himself.
    QString typed;
};

// Appends `row` for the current pair at Clock::now(). Runs inside the
// caller's transaction (Records writes the card there too); nothing when the
// file keeps no statistics.
void logAnswer(store::Database &db, const LogRow &row);

// The log of cards moved by hand into compartment `fach` (Richtig null,
// Tests 0), all at one time. move() runs the card's own change (`update`,
// returning how many cards it changed) inside the caller's transaction and
// logs the card when it changed, with the compartment it left. A card that
// is gone logs nothing; without statistics nothing is logged at all.
class MoveLog
{
public:
    MoveLog(store::Database &db, int fach);
    int move(std::int32_t vnr, const std::function<int()> &update);

private:
    store::Database &db_;
    QString before_;
    QVariantList params_;
};

// Stores the eight counts of the current pair's card box as today's row,
// replacing an earlier one of today. The same counts written again for the
// same day and file are not written twice.
void recordBox(const std::array<std::int32_t, 8> &counts);
// Counts the current pair's card box and records it.
void recordBoxNow();
// Counts the card box of pair `pair` (its catalogue number, tSprache's
// SprachId) in language table `table` of `db` and records it as that
// pair's row of today. For whatever changes cards without the main window
// counting them afterwards (a bulk import, a command without a window, a
// restored file): call it once after the change, outside any transaction
// of one's own or inside it, as suits the caller.
void recordBoxOf(store::Database &db, int pair, const QString &table);

// ---------------------------------------------------------------- figures

enum class Period {
    Week,  // today and the six days before
    Month, // today and the 29 days before
    Year,  // today and the 364 days before
    All,   // from the first day anything was recorded
};

struct DayAnswers
{
    std::int32_t right = 0;
    std::int32_t wrong = 0;
};

struct HardWord
{
    std::int32_t vnr = 0;
    QString fvok;
    QString mvok;
    std::int32_t wrong = 0;
    std::int32_t right = 0;
};

inline constexpr int kHardWords = 20;

struct Figures
{
    QDate first; // the first day of the period
    QDate last;  // today
    // One entry per day from first to last.
    QVector<DayAnswers> answers;
    // One entry per day from first to last: the card box as it stood at the
    // end of that day, carried forward over days without a row. Days before
    // the first row known have none.
    QVector<std::optional<std::array<std::int32_t, 8>>> box;

    // Days in a row with answers up to today (today counts once practised),
    // and the longest such run ever.
    std::int32_t series = 0;
    std::int32_t longestSeries = 0;

    // Today: cards practised, answers right and wrong.
    std::int32_t todayCards = 0;
    std::int32_t todayRight = 0;
    std::int32_t todayWrong = 0;

    // The cards still in the pair answered wrong most often in the period,
    // at most kHardWords: most wrong first, then the one failed last.
    QVector<HardWord> hardest;

    // Rows left out: a time or day that does not parse, a compartment or
    // count out of range, a pair the catalogue does not know.
    std::int32_t unreadable = 0;

    // Any answer at all of this pair, in any period.
    bool anyAnswers = false;

    qsizetype days() const { return answers.size(); }
};

// The figures of the current pair (AppState) for the period up to today.
Figures figures(Period period);

} // namespace Statistics
