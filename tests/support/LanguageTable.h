// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A language table in a database of the program's own format, made the
// current pair as the start-up leaves it, with ways to put cards in and read
// them back.

#include "TestSupport.h"

#include "core/Types.h"

#include <QString>
#include <QVariantList>

#include <cstdint>
#include <memory>

namespace store {
class Database;
}

struct LanguageTable
{
    std::shared_ptr<store::Database> db;
    QString path;
    QString table;

    // A new database at `file` with the empty table "t" + foreign; AppState
    // has it as the current pair (Database, CurrentTable, the two language
    // names, TableValid, TableRecordset).
    void create(const QString &file, const QString &foreign = QStringLiteral("Englisch"));
    // The same as "Vokabeln.mdb" in the sandbox's working folder.
    void open(Sandbox &sb, const QString &foreign = QStringLiteral("Englisch"));
    // Ends a test: the state, the table and the sandbox go.
    void close(Sandbox &sb);

    // One row of these fields: insert("VNr, FVok, Fach", {17, "house", 3}).
    void insert(const QString &fields, const QVariantList &values) const;
    // A card; texts not given are stored empty, not missing.
    std::int32_t add(const QString &fvok, const QString &mvok, int fach = 0, const QString &fsatz = {},
                     const QString &msatz = {}, const QString &artikel = {}, int gewusst = 0) const;
    // Many cards at once, named w00000, w00001, ... with native words n...
    void addMany(int n, int fach) const;
    // Compartment `fach` prepared as a compartment command prepares it
    // (CurrentFach, CompartmentRecordset in alphabetical order).
    void openCompartment(int fach) const;

    // The stored card; VNr 0 when it is not there.
    VocabularyRecord card(std::int32_t vnr) const;
    // The cards of a compartment, or of the whole table for -1.
    static int count(int fach = -1);
    // Deleted by another program: a second connection to the same file.
    void deleteElsewhere(std::int32_t vnr) const;
};
