// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

namespace store {
class Database;
class Recordset;
} // namespace store

// The state all windows share, one instance for the whole run. Windows
// exchange data only through this and the database.
struct AppState
{
    static AppState &instance();
    // Tests start every case from a fresh state.
    static void resetForTesting();

    std::shared_ptr<store::Database> Database;
    QString DatabasePath;

    QString CurrentTable;
    QString NativeLanguage;
    QString ForeignLanguage;
    std::int16_t SprachNr = 0;
    std::int16_t PairCount = 0;
    // Index 1..PairCount; element 0 is unused so numbers match the menu.
    QVector<LanguagePair> LanguageCatalogue;

    bool TableValid = false;
    std::shared_ptr<store::Recordset> TableRecordset;
    std::shared_ptr<store::Recordset> CompartmentRecordset;
    std::int16_t CurrentFach = 0;
    QString SqlText;

    CardBoxClick ClickAction = CardBoxClick::Practise;
    bool EditMode = false;
    std::int32_t EditVNr = 0;
    bool ManagerFromPool = false;

    std::int16_t Abfrage = 0;
    std::int16_t Repeats = 0;
    std::int16_t Versuche = 0;
    bool AskNative = false;

    QString SoundPath;
    QString MutterFont;
    QString FremdFont;
    std::int32_t MutterColor = 0;
    std::int32_t FremdColor = 0;

    std::int16_t xRand = 0;
    std::int16_t yRand = 0;
    std::int16_t xCard = 0;
    std::int16_t yCard = 0;
    std::int16_t xGap = 0;
    std::int16_t yGap = 0;

    QString HelpFile;

    // What the new-pair window was closed with: the pair to add, or empty
    // when the learner cancelled.
    NewLanguagePair newPair;
};
