#pragma once

#include "core/Types.h"

#include <QString>

#include <memory>

namespace store {
class Recordset;
}

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

} // namespace Records
