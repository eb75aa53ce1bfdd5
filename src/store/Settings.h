// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QSettings;

// The learner's options, appearance, sound folder, print layout and current
// language pair, kept per user under the application "Vokamia". Values are
// read once at start-up into AppState and written back group by group as
// soon as the learner changes one of them.
namespace Settings {

// A key that must hold a number and holds other text takes its default; the
// other keys are read all the same, and the load then raises one error that
// names every such key.
void LoadAllSettings();  // LoadPrintLayout, LoadSettings, LoadSprachNr
void LoadSettings();     // Sound, Colors, Fonts, Options
void SaveSettings();
void LoadSprachNr();
void SaveSprachNr();
void LoadPrintLayout();  // Druck
void SavePrintLayout();

// The folder the learner chose for backups ([Sicherung] Ordner); empty for
// the default beside the database.
QString BackupFolder();
void SaveBackupFolder(const QString &folder);

// Conversions of stored text. Both throw store::Error for text that is no
// number where one is required.
// Leading numeric part (0 when there is none), rounded halves to even and
// kept within 16 bits.
std::int16_t leadingNumber(const QString &text);
// The whole text must be a number; rounded halves to even; range checked.
std::int32_t strictInteger(const QString &text, std::int64_t lo, std::int64_t hi, const QString &what);

// Tests point the store at a file of their own; an empty path restores the
// learner's real store.
void setStoreFileForTesting(const QString &path);

} // namespace Settings
