// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QString>
#include <QVector>

#include <memory>

namespace store {
class Database;
class Recordset;
}

// The vocabulary database as a whole: its two table schemas, the language
// catalogue and the first-start seeding.
namespace Catalogue {

inline const QString kLocale = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");
constexpr int kFormat = 32;

// Creates the empty language table `name` with its fields and indexes.
void CreateLanguageTable(store::Database &db, const QString &name);
// Creates the catalogue table tSprache.
void CreateCatalogueTable(store::Database &db);

// Sets DatabasePath and Database in AppState: opens the file, or creates and
// seeds it on the first start (then imports the earlier database when
// "vok1.mdb" lies in the working directory). Returns true for a new file.
bool OpenVocabularyDatabase();

// Reads tSprache into AppState (PairCount, LanguageCatalogue 1..PairCount).
// Pair i is the row with SprachId = i; a missing row leaves an empty entry.
// When the catalogue cannot be read, it is left empty (PairCount 0).
void loadCatalogueRows();

// The sound folder of a language: the folder of that name right in the
// working directory. A name that would lead anywhere else (a path
// separator, nothing but dots, an empty name) is refused with an error.
QString soundFolder(const QString &foreignLanguage);
bool isFolderName(const QString &foreignLanguage);
// Creates the sound folder of a language unless it exists.
void ensureSoundFolder(const QString &foreignLanguage);

// Adds the pair native - foreign: its table "t" + foreign and its catalogue
// row, both or neither (a file without a catalogue table gets one). Returns
// the pair as the catalogue holds it. The sound folder is left to the caller.
LanguagePair addLanguagePair(store::Database &db, const QString &native, const QString &foreign);

} // namespace Catalogue
