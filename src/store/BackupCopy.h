// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Copies of the vocabulary database kept as backups, and the way back.
//
// A copy is taken with SQLite's online backup interface on a connection of
// its own, so it may run on another thread while the program goes on
// working. It is written under a temporary name, checked, flushed to the
// disk and only then renamed, so a file with a backup's name is always
// complete: a run killed midway leaves nothing but a temporary file, which
// the next backup in that folder removes.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <optional>

namespace BackupCopy {

struct PairCount
{
    QString language; // the foreign language of the pair
    std::int32_t cards = 0;
};

// What the companion text file of a backup holds: the cards of each pair
// and, once taken, a fingerprint of the whole content, which tells whether
// the database has changed since.
struct Summary
{
    QVector<PairCount> pairs;
    QString fingerprint; // empty: not taken yet
    qint64 cards() const;
};

// "Vokabeln-YYYYMMDD-HHMMSS.mdb", with "-n" before the extension from the
// second backup of the same second on (n >= 2).
QString fileName(const QDateTime &when, int n = 1);
// The time a backup's file name carries (local time); nothing for a name
// that is not a backup's. `n` receives the number behind the time (1 for
// none).
std::optional<QDateTime> timeOf(const QString &fileName, int *n = nullptr);
bool isBackupName(const QString &fileName);
// The companion of "…/Vokabeln-….mdb": "…/Vokabeln-….txt".
QString summaryPath(const QString &backupPath);
// Temporary files of an unfinished copy, and of the files SQLite keeps
// beside them.
bool isTemporaryName(const QString &fileName);

// Test hook: called at each step of make() with the step's name, so a test
// can stop or kill the process there.
using StepHook = std::function<void(const char *step)>;
void setStepHook(StepHook hook);

struct Made
{
    QString path; // the backup's final path; empty when unchanged
    Summary summary;
    bool unchanged = false;
};

// Whether make() fingerprints the content (it costs about as much as the
// copy), and the fingerprint for which it makes no backup at all.
struct Fingerprinting
{
    bool take = false;
    QString unlessEqualTo;
};

// Copies `database` into `folder` (created if missing) under the name for
// `when`. Removes temporary files that earlier runs left there. A
// fingerprint is taken in the same read transaction as the copy, so it is
// the copy's. Throws store::Error with a German text; then no backup name
// was used.
Made make(const QString &database, const QString &folder, const QDateTime &when, const Fingerprinting &f = {});

// The fingerprint of a database (or backup) as it is now, in one read
// transaction of a connection of its own.
QString fingerprintOf(const QString &database);

// The summary of a backup: from its text file, or the cards counted in the
// copy and the text file written (for a backup whose text file got lost).
// Throws store::Error when the copy cannot be read.
Summary summaryOf(const QString &backupPath);
// A backup's fingerprint: from its text file, or taken from the copy and
// written there.
QString fingerprintOfBackup(const QString &backupPath);
// Only from the text file; nothing when it is missing or unreadable.
std::optional<Summary> readSummary(const QString &backupPath);

// The card counts of the database as it is now.
QVector<PairCount> countsOf(const QString &database);

// The backups in `folder` (full paths), newest first.
QStringList list(const QString &folder);

// Removes the backups named (and their text files); returns what it could
// not remove.
QStringList remove(const QStringList &backupPaths);

// A copy of a backup that has passed every check, ready to be restored;
// its file goes when the object goes.
class CheckedCopy
{
public:
    CheckedCopy() = default;
    CheckedCopy(QString path, int lockedDescriptor) : path_(std::move(path)), fd_(lockedDescriptor) {}
    ~CheckedCopy();
    CheckedCopy(CheckedCopy &&o) noexcept : path_(std::move(o.path_)), fd_(o.fd_)
    {
        o.path_.clear();
        o.fd_ = -1;
    }
    CheckedCopy &operator=(CheckedCopy &&o) noexcept;
    CheckedCopy(const CheckedCopy &) = delete;
    CheckedCopy &operator=(const CheckedCopy &) = delete;
    const QString &path() const { return path_; }

private:
    void release();
    QString path_;
    int fd_ = -1;
};

// Copies a backup beside `workFolder` and checks that copy: the file's
// integrity, and through the engine its catalogue, each of whose rows must
// name an existing table with a card number. A damaged backup is refused
// with a German store::Error.
CheckedCopy check(const QString &backupPath, const QString &workFolder);

} // namespace BackupCopy
