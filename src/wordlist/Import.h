// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"
#include "store/Records.h"
#include "wordlist/Layout.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>
#include <optional>

// Bringing a word list into the current pair: each record checked by the
// rules of a card, compared with the cards already there, and stored, all in
// one transaction. The same run without storing tells what an import would
// do.
namespace WordList {

enum class Duplicates {
    Skip,   // Doppelte überspringen
    Update, // Doppelte aktualisieren
    Add,    // Doppelte trotzdem hinzufügen
};

struct Choices
{
    Duplicates duplicates = Duplicates::Skip;
    int compartment = Fach::Start; // of new cards without a Fach of their own
};

// A record the rules refuse, with the line it starts on and why.
struct Rejection
{
    std::int64_t line = 0;
    QString reason;
};

struct Outcome
{
    std::int64_t added = 0;
    std::int64_t updated = 0;
    std::int64_t skipped = 0;
    std::int64_t rejected = 0;
    QVector<Rejection> firstRejections; // the first kShownRejections

    // "123 neu, 4 aktualisiert, 2 übersprungen, 1 abgewiesen"
    QString summary() const;
    // "123 Vokabeln importiert, 4 aktualisiert, 2 übersprungen, 1 abgewiesen"
    QString report() const;
};
inline constexpr int kShownRejections = 20;

// "Zeile 12: Das Fremdwort fehlt."
QString describe(const Rejection &r);

// What the rules make of one record: a card, nothing (a record of empty
// fields only, passed over like an empty line), or a rejection.
struct Row
{
    VocabularyRecord card;
    // Which of the optional values the record gives (a non-empty field of a
    // column that holds them).
    bool hasFSatz = false, hasMSatz = false, hasArtikel = false, hasFach = false, hasGewusst = false;
};

struct Rules
{
    Records::TextSizes sizes;
    bool articles = true; // false for the pair whose foreign language is "Englisch"

    // The rules of the current pair.
    static Rules current();
    // Empty when the record holds nothing at all.
    std::optional<Row> apply(const Record &record, const QVector<Column> &columns, QString &reason) const;
};

enum class Mode {
    Check, // everything but storing: what the import would do
    Store,
};

// Reads the whole file with the layout and runs the import. Every rejected
// record goes to `rejected` as it is found. Throws FileError when the file
// cannot be read to its end, store::Error when the database fails; in both
// cases nothing is stored, and when storing, the error says so.
Outcome importFile(const QString &path, const Layout &layout, const Choices &choices, Mode mode,
                   const std::function<void(const Rejection &)> &rejected = {});

// What an import would do, or why it cannot: never an exception, so that a
// window can show it at every change of the learner's choices.
struct Check
{
    std::optional<Outcome> outcome;
    QString problem; // German, when there is no outcome
};
Check check(const QString &path, const Layout &layout, const Choices &choices);

} // namespace WordList
