#pragma once

#include "core/Types.h"

#include <QString>
#include <QVector>

#include <functional>
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
// seeds it on the first start (then runs the import hook when the earlier
// database lies in the working directory). Returns true for a new file.
bool OpenVocabularyDatabase();

// The import of the earlier database; called on a first start when
// "vok1.mdb" lies in the working directory.
void setLegacyImport(std::function<void()> import);

// Reads tSprache into AppState (PairCount, LanguageCatalogue 1..PairCount).
// Pair i is the row with SprachId = i; a missing row leaves an empty entry.
void LoadCatalogueRows();

// Creates the sound folder of a language in the working directory.
void EnsureSoundFolder(const QString &foreignLanguage);

} // namespace Catalogue

// Access paths to the cards of the current language table.
namespace Records {

// The current table as it stands in SQL texts: the plain name, or the name
// in brackets when it holds blanks, quotes or other characters that would
// otherwise end it (a learner may call a language "Schwyzerdütsch (Bern)").
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

} // namespace Records
