// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QMetaType>
#include <QString>

#include <cstdint>

namespace Msg {
// A line break inside a message text, as every message writes it.
inline const QString kCrLf = QStringLiteral("\r\n");
} // namespace Msg

// Compartments of the card box: 0 is the pool of unlearned cards, 1 the
// start compartment, 2..7 the further compartments.
namespace Fach {
constexpr int Pool = 0;
constexpr int Start = 1;
constexpr int Last = 7;
constexpr int Count = 8;
inline bool isValid(int fach) { return fach >= Pool && fach <= Last; }
} // namespace Fach

// What a click on a compartment picture of the card box does
// (AppState::ClickAction); the numbers are those the option buttons stand for.
enum class CardBoxClick : std::int16_t {
    Enter = 1,    // the entry form (only the start compartment is shown)
    Practise = 2, // the practice window
    Page = 3,     // paging through the compartment
    Table = 4,    // the table view
    Print = 5,    // printing its cards
};

// One row of a language table: one vocabulary card.
struct VocabularyRecord
{
    std::int32_t VNr = 0;
    QString FVok;
    QString Artikel;
    QString FSatz;
    QString MVok;
    QString MSatz;
    int Fach = 0;
    int gewusst = 0;
    QString FVokSound;
    QString FSatzSound;
    int Kapitel = 0;
    QString Datum;
};

// One entry of the language catalogue.
struct LanguagePair
{
    std::int16_t SprachId = 0;
    QString Tabelle;
    QString MutterSprache;
    QString FremdSprache;
};

// A language pair the learner asked for, not yet created: the two names as
// the catalogue keeps them and the name of the table to make ("tLatein").
struct NewLanguagePair
{
    QString native;
    QString foreign;
    QString table;
    bool isEmpty() const { return table.isEmpty(); }
};

// Colours are stored as one number: red + 256 * green + 65536 * blue.
namespace Colour {
inline std::int32_t encode(const QColor &c)
{
    return c.red() + 256 * c.green() + 65536 * c.blue();
}
inline QColor decode(std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    return QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
}
} // namespace Colour
