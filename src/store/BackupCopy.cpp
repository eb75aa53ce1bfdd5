// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/BackupCopy.h"

#include "store/Collation.h"
#include "store/Connection.h"
#include "store/Engine.h"
#include "store/Statistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BackupCopy {

namespace {

using store::Error;

const QString kPrefix = QStringLiteral("Vokabeln-");
const char *const kSuffixes[] = {"-journal", "-wal", "-shm"};

const QRegularExpression &backupPattern()
{
    static const QRegularExpression re(QStringLiteral("^Vokabeln-(\\d{8})-(\\d{6})(?:-([1-9]\\d{0,5}))?\\.mdb$"));
    return re;
}

const QRegularExpression &temporaryPattern()
{
    static const QRegularExpression re(QStringLiteral("^\\.Vokabeln-[0-9a-z]{10}\\.tmp(-journal|-wal|-shm)?$"));
    return re;
}

StepHook &stepHook()
{
    static StepHook hook;
    return hook;
}

void step(const char *name)
{
    if (stepHook())
        stepHook()(name);
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Vokamia darf dort nicht schreiben.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOENT:
        return QStringLiteral("Der Ordner ist nicht vorhanden.");
    case ENOTDIR:
        return QStringLiteral("Der Pfad führt nicht zu einem Ordner.");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

[[noreturn]] void unwritable(const QString &folder, int error)
{
    throw Error(QStringLiteral("Der Sicherungsordner „%1“ kann nicht beschrieben werden. %2")
                    .arg(QDir::toNativeSeparators(folder), systemReason(error)));
}

// One raw connection, closed whichever way the scope is left.
class Raw
{
public:
    Raw(const QString &path, int flags)
    {
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
            close();
            throw Error(QStringLiteral("Die Datenbank „%1“ kann nicht geöffnet werden (%2).").arg(path, why));
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 5000);
        store::registerGermanCollation(db_);
    }
    ~Raw() { close(); }
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;
    sqlite3 *db() const { return db_; }
    void close()
    {
        if (db_)
            sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    void exec(const char *sql)
    {
        char *message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const QString why = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
            sqlite3_free(message);
            throw Error(why);
        }
    }
    // Every row's first column, as text.
    QStringList column(const QString &sql)
    {
        QStringList out;
        store::Statement st = prepare(sql);
        while (st.step())
            out << st.column(0).toString();
        return out;
    }
    store::Statement prepare(const QString &sql)
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
        return store::Statement(db_, stmt);
    }

private:
    sqlite3 *db_ = nullptr;
};

QString sqliteReason(sqlite3 *db, int rc)
{
    if ((rc & 0xff) == SQLITE_FULL)
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz.");
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        return QStringLiteral("Die Datenbank wird gerade von einem anderen Programm benutzt.");
    if ((rc & 0xff) == SQLITE_NOTADB)
        return QStringLiteral("Die Datei ist keine Vokabeldatenbank.");
    if ((rc & 0xff) == SQLITE_CORRUPT)
        return QStringLiteral("Die Datenbank ist beschädigt.");
    if ((rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_READONLY)
        return QStringLiteral("Die Datei kann nicht geschrieben werden (%1).").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

// A 128-bit hash in two lanes of 64 bits, eight bytes at a time: a
// cryptographic hash cost twice the copy itself on a large file, and
// nothing here needs to resist a forger.
class Hash128
{
public:
    void add(const void *data, std::size_t n)
    {
        const auto *p = static_cast<const unsigned char *>(data);
        length_ += n;
        for (; n >= 8; n -= 8, p += 8) {
            quint64 w;
            std::memcpy(&w, p, 8);
            mix(w);
        }
        if (n > 0) {
            quint64 w = 0;
            std::memcpy(&w, p, n);
            mix(w ^ (quint64(n) << 56));
        }
    }
    void add(quint64 v) { add(&v, sizeof v); }
    QString result() const
    {
        const quint64 a = finish(a_ ^ length_);
        const quint64 b = finish(b_ ^ (length_ * 0x9E3779B97F4A7C15ULL));
        return QStringLiteral("%1%2").arg(a, 16, 16, QLatin1Char('0')).arg(b, 16, 16, QLatin1Char('0'));
    }

private:
    static quint64 rotl(quint64 x, int r) { return (x << r) | (x >> (64 - r)); }
    static quint64 finish(quint64 x)
    {
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDULL;
        x ^= x >> 33;
        x *= 0xC4CEB9FE1A85EC53ULL;
        x ^= x >> 33;
        return x;
    }
    void mix(quint64 w)
    {
        a_ = rotl(a_ ^ (w * 0x87C37B91114253D5ULL), 31) * 0x4CF5AD432745937FULL + b_;
        b_ = rotl(b_ ^ (w * 0x4CF5AD432745937FULL), 33) * 0x87C37B91114253D5ULL + 0x52DCE729;
    }
    quint64 a_ = 0x243F6A8885A308D3ULL;
    quint64 b_ = 0x13198A2E03707344ULL;
    quint64 length_ = 0;
};

// The whole content as one fingerprint: the schema and every row of every
// table, in the tables' own order, but for the card box per day, which only
// repeats the cards' counts. Two files with equal content give equal
// fingerprints however their pages lie; file times play no part.
QString fingerprint(Raw &raw)
{
    Hash128 hash;
    auto put = [&](sqlite3_stmt *st, int i) {
        const int type = sqlite3_column_type(st, i);
        switch (type) {
        case SQLITE_INTEGER:
            hash.add(quint64(type) << 32);
            hash.add(quint64(sqlite3_column_int64(st, i)));
            break;
        case SQLITE_FLOAT: {
            const double v = sqlite3_column_double(st, i);
            quint64 bits;
            std::memcpy(&bits, &v, sizeof bits);
            hash.add(quint64(type) << 32);
            hash.add(bits);
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const void *p = type == SQLITE_TEXT ? static_cast<const void *>(sqlite3_column_text(st, i))
                                                : sqlite3_column_blob(st, i);
            const int n = sqlite3_column_bytes(st, i);
            hash.add(quint64(type) << 32 | quint32(n));
            hash.add(p, std::size_t(n));
            break;
        }
        default:
            hash.add(quint64(type) << 32);
            break;
        }
    };

    QStringList tables;
    {
        store::Statement schema = raw.prepare(QStringLiteral(
            "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE name NOT LIKE 'sqlite_stat%' ORDER BY name"));
        while (schema.step()) {
            for (int i = 0; i < 4; ++i)
                put(schema.get(), i);
            if (schema.column(0).toString() == QLatin1String("table"))
                tables << schema.column(1).toString();
        }
    }
    for (const QString &t : tables) {
        const QByteArray name = t.toUtf8();
        hash.add(quint64(name.size()));
        hash.add(name.constData(), std::size_t(name.size()));
        if (t.compare(Statistics::kBoxDaysTable, Qt::CaseInsensitive) == 0)
            continue;
        store::Statement rows = raw.prepare(QStringLiteral("SELECT * FROM ") + store::quoteIdent(t));
        const int columns = rows.columnCount();
        while (rows.step()) {
            for (int i = 0; i < columns; ++i)
                put(rows.get(), i);
        }
    }
    return hash.result();
}

QVector<PairCount> counts(Raw &raw)
{
    QVector<PairCount> pairs;
    const QStringList tables = raw.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    auto hasTable = [&](const QString &name) {
        for (const QString &t : tables)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    if (!hasTable(QStringLiteral("tSprache")))
        return pairs;
    store::Statement st = raw.prepare(QStringLiteral("SELECT FremdSprache, Tabelle FROM tSprache ORDER BY SprachId"));
    while (st.step()) {
        PairCount p;
        p.language = st.column(0).toString().trimmed();
        const QString table = st.column(1).toString().trimmed();
        if (!table.isEmpty() && hasTable(table)) {
            store::Statement n = raw.prepare(QStringLiteral("SELECT count(*) FROM ") + store::quoteIdent(table));
            if (n.step())
                p.cards = std::int32_t(n.columnInt(0));
        }
        pairs << p;
    }
    return pairs;
}

// Creates the folder and those above it as needed; the reason it could
// not, or 0.
int makeFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QString sofar;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        sofar += QLatin1Char('/') + part;
        if (::mkdir(encoded(sofar).constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return QFileInfo(path).isDir() ? 0 : ENOTDIR;
}

// Forces a folder's entries (a rename) to the disk.
void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the copy out a few megabytes at a time. A large file flushed in
// one go holds up every other commit on the same disk until it is written
// (the file system orders a commit behind the data written before it), and
// the learner's next answer would wait for it.
void writeOutGradually(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return;
    constexpr off_t kChunk = 8 << 20;
    for (off_t at = 0; at < st.st_size; at += kChunk)
        if (::sync_file_range(fd, at, kChunk,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER)
            != 0)
            return; // the fsync that follows reports what went wrong
}

// Renames without ever replacing a file that is there; false when the
// target exists.
bool renameNew(const QString &from, const QString &to)
{
    const QByteArray f = encoded(from);
    const QByteArray t = encoded(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS)
        throw Error(QStringLiteral("Die Sicherung kann nicht umbenannt werden. %1").arg(systemReason(errno)));
    // A file system without that rename: a hard link is just as exclusive.
    if (::link(f.constData(), t.constData()) == 0) {
        ::unlink(f.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    throw Error(QStringLiteral("Die Sicherung kann nicht umbenannt werden. %1").arg(systemReason(errno)));
}

void removeTemporary(const QString &path)
{
    ::unlink(encoded(path).constData());
    for (const char *s : kSuffixes)
        ::unlink(encoded(path + QLatin1String(s)).constData());
}

QString temporaryName(const QString &folder);

// Deletes a backup. It first takes a temporary name, so a run killed
// meanwhile leaves a leftover for the next backup to clean, never a
// shortened file under a backup's name. Its space is then given back in
// slices: freeing all of it at once makes the file system's next commit
// (the learner's next answer) wait until the disk has been told about
// every block. False when the backup is still there.
bool removeBackup(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QString doomed;
    for (int attempt = 0;; ++attempt) {
        doomed = temporaryName(folder);
        try {
            if (renameNew(path, doomed))
                break;
        } catch (const Error &) {
            return !QFileInfo::exists(path);
        }
        if (attempt > 100)
            return false;
    }
    const int fd = ::open(encoded(doomed).constData(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX);
        struct stat st;
        if (::fstat(fd, &st) == 0) {
            const off_t slice = std::max<off_t>(1 << 20, std::min<off_t>(32 << 20, st.st_size / 8));
            for (off_t size = st.st_size; size > slice;) {
                step("shrinking");
                size -= slice;
                if (::ftruncate(fd, size) != 0)
                    break;
                ::usleep(20000);
            }
        }
    }
    ::unlink(encoded(doomed).constData());
    if (fd >= 0)
        ::close(fd);
    return true;
}

// A temporary file of ours that no running copy holds any more: its writer
// keeps a lock on it until the file has its final name.
void removeStaleTemporaries(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = temporaryPattern().match(name);
        if (!m.hasMatch())
            continue;
        const QString path = dir.filePath(name);
        if (m.capturedLength(1) > 0) {
            // SQLite's file beside a temporary copy that is gone.
            if (!names.contains(name.left(name.size() - m.capturedLength(1))))
                ::unlink(encoded(path).constData());
            continue;
        }
        const int fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            removeTemporary(path);
        ::close(fd);
    }
}

// A name of our temporary pattern in `folder`, likely not taken.
QString temporaryName(const QString &folder)
{
    static const char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QString name = QStringLiteral(".Vokabeln-");
    for (int i = 0; i < 10; ++i)
        name += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(36)]);
    name += QStringLiteral(".tmp");
    return QDir(folder).filePath(name);
}

// A new, locked temporary file in `folder`; returns its descriptor.
int createTemporary(const QString &folder, QString *path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = temporaryName(folder);
        const int fd = ::open(encoded(*path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST)
            unwritable(folder, errno);
    }
    unwritable(folder, EEXIST);
}

QString summaryText(const Summary &s)
{
    QString text = QStringLiteral("Prüfsumme\t") + s.fingerprint + QLatin1Char('\n');
    for (const PairCount &p : s.pairs) {
        // One line per pair, whatever the name holds.
        QString language = p.language;
        for (QChar &c : language)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        text += language + QLatin1Char('\t') + QString::number(p.cards) + QLatin1Char('\n');
    }
    return text;
}

// Writes the text file the same careful way as the copy: it appears whole
// or not at all.
void writeSummary(const QString &backupPath, const Summary &s)
{
    const QString folder = QFileInfo(backupPath).absolutePath();
    QString temporary;
    const int fd = createTemporary(folder, &temporary);
    const QByteArray data = summaryText(s).toUtf8();
    bool ok = true;
    for (qsizetype done = 0; ok && done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += n;
    }
    const int error = errno;
    ok = ok && ::fsync(fd) == 0;
    if (!ok || ::rename(encoded(temporary).constData(), encoded(summaryPath(backupPath)).constData()) != 0) {
        const int why = ok ? errno : error;
        ::unlink(encoded(temporary).constData());
        ::close(fd);
        unwritable(folder, why);
    }
    ::close(fd);
    syncFolder(folder);
}

} // namespace

qint64 Summary::cards() const
{
    qint64 n = 0;
    for (const PairCount &p : pairs)
        n += p.cards;
    return n;
}

QString fileName(const QDateTime &when, int n)
{
    const QString stamp = when.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return kPrefix + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QStringLiteral(".mdb");
}

std::optional<QDateTime> timeOf(const QString &name, int *n)
{
    const QRegularExpressionMatch m = backupPattern().match(name);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(m.captured(2), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const int number = m.capturedLength(3) > 0 ? m.captured(3).toInt() : 1;
    // "-1" is never written: the first backup of a second has no number.
    if (m.capturedLength(3) > 0 && number < 2)
        return std::nullopt;
    if (n)
        *n = number;
    return QDateTime(date, time, Qt::LocalTime);
}

bool isBackupName(const QString &name)
{
    return timeOf(name).has_value();
}

QString summaryPath(const QString &backupPath)
{
    return backupPath.left(backupPath.size() - 4) + QStringLiteral(".txt");
}

bool isTemporaryName(const QString &name)
{
    return temporaryPattern().match(name).hasMatch();
}

void setStepHook(StepHook hook)
{
    stepHook() = std::move(hook);
}

Made make(const QString &database, const QString &folder, const QDateTime &when, const Fingerprinting &f)
{
    if (!QFileInfo(database).isFile())
        throw Error(QStringLiteral("Die Datenbank „%1“ wurde nicht gefunden.").arg(QDir::toNativeSeparators(database)));
    if (const int error = makeFolder(folder))
        unwritable(folder, error);
    removeStaleTemporaries(folder);

    // Read-write only in name: a file in write-ahead mode is read through
    // its shared index, which a read-only connection may not be able to
    // make. A write-protected file opens read-only.
    Raw source(database, SQLITE_OPEN_READWRITE);
    Made made;
    if (f.take) {
        // One read transaction for the fingerprint and the copy: the
        // fingerprint is exactly the copy's.
        source.exec("BEGIN");
        made.summary.fingerprint = fingerprint(source);
        if (!f.unlessEqualTo.isEmpty() && made.summary.fingerprint == f.unlessEqualTo) {
            source.exec("COMMIT");
            made.unchanged = true;
            return made;
        }
    }

    QString temporary;
    const int fd = createTemporary(folder, &temporary);
    try {
        step("created");
        {
            Raw copy(temporary, SQLITE_OPEN_READWRITE);
            copy.exec("PRAGMA synchronous = OFF");
            sqlite3_backup *b = sqlite3_backup_init(copy.db(), "main", source.db(), "main");
            if (!b)
                throw Error(sqliteReason(copy.db(), sqlite3_extended_errcode(copy.db())));
            int rc = SQLITE_OK;
            // All pages in one step: the copy is one consistent state.
            for (int tries = 0; tries < 50; ++tries) {
                rc = sqlite3_backup_step(b, -1);
                if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
                    break;
                sqlite3_sleep(100);
            }
            sqlite3_backup_finish(b);
            if (rc != SQLITE_DONE)
                throw Error(sqliteReason(copy.db(), rc));
            step("copied");
            source.close();
            writeOutGradually(fd);
            // A copy of a file in write-ahead mode would be one too; a
            // backup is a single file that opens anywhere, even read-only.
            const QStringList mode = copy.column(QStringLiteral("PRAGMA journal_mode = DELETE"));
            if (mode.value(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
                throw Error(QStringLiteral("Die Kopie lässt sich nicht abschließen."));
            const QStringList verdict = copy.column(QStringLiteral("PRAGMA quick_check"));
            if (verdict != QStringList{QStringLiteral("ok")})
                throw Error(QStringLiteral("Die Kopie ist fehlerhaft (%1).").arg(verdict.join(QStringLiteral("; "))));
            step("checked");
            made.summary.pairs = counts(copy);
        }
        if (::fsync(fd) != 0)
            unwritable(folder, errno);
        step("synced");
        for (int n = 1;; ++n) {
            made.path = QDir(folder).filePath(fileName(when, n));
            if (renameNew(temporary, made.path))
                break;
            if (n > 999)
                throw Error(QStringLiteral("Im Sicherungsordner gibt es zu viele Sicherungen derselben Sekunde."));
        }
        syncFolder(folder);
        step("renamed");
    } catch (...) {
        removeTemporary(temporary);
        ::close(fd);
        throw;
    }
    ::close(fd);
    // A backup whose text file is missing is complete all the same: the
    // list reads it once and writes the file then.
    try {
        writeSummary(made.path, made.summary);
    } catch (const Error &) {
    }
    step("summarised");
    return made;
}

QString fingerprintOf(const QString &database)
{
    Raw raw(database, SQLITE_OPEN_READWRITE);
    raw.exec("BEGIN");
    const QString sum = fingerprint(raw);
    raw.exec("COMMIT");
    return sum;
}

QVector<PairCount> countsOf(const QString &database)
{
    Raw raw(database, SQLITE_OPEN_READWRITE);
    raw.exec("BEGIN");
    const QVector<PairCount> pairs = counts(raw);
    raw.exec("COMMIT");
    return pairs;
}

std::optional<Summary> readSummary(const QString &backupPath)
{
    QFile f(summaryPath(backupPath));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    Summary s;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype tab = i == 0 ? lines[i].indexOf(QLatin1Char('\t')) : lines[i].lastIndexOf(QLatin1Char('\t'));
        if (tab < 0)
            return std::nullopt;
        const QString key = lines[i].left(tab);
        const QString value = lines[i].mid(tab + 1);
        if (i == 0) {
            if (key != QStringLiteral("Prüfsumme"))
                return std::nullopt;
            s.fingerprint = value;
            continue;
        }
        bool ok = false;
        const int cards = value.toInt(&ok);
        if (!ok || cards < 0)
            return std::nullopt;
        s.pairs << PairCount{key, cards};
    }
    if (lines.isEmpty())
        return std::nullopt;
    return s;
}

Summary summaryOf(const QString &backupPath)
{
    if (auto s = readSummary(backupPath))
        return *s;
    Summary s;
    s.pairs = countsOf(backupPath);
    try {
        writeSummary(backupPath, s);
    } catch (const Error &) {
        // A folder one may read but not write: the list works all the same.
    }
    return s;
}

QString fingerprintOfBackup(const QString &backupPath)
{
    std::optional<Summary> s = readSummary(backupPath);
    if (s && !s->fingerprint.isEmpty())
        return s->fingerprint;
    if (!s) {
        s.emplace();
        s->pairs = countsOf(backupPath);
    }
    s->fingerprint = fingerprintOf(backupPath);
    try {
        writeSummary(backupPath, *s);
    } catch (const Error &) {
    }
    return s->fingerprint;
}

QStringList list(const QString &folder)
{
    struct Entry
    {
        QDateTime when;
        int n;
        QString path;
    };
    std::vector<Entry> entries;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files)) {
        int n = 1;
        if (const auto when = timeOf(name, &n))
            entries.push_back({*when, n, dir.filePath(name)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.when != b.when ? a.when > b.when : a.n > b.n;
    });
    QStringList paths;
    for (const Entry &e : entries)
        paths << e.path;
    return paths;
}

QStringList remove(const QStringList &backupPaths)
{
    QStringList left;
    for (const QString &p : backupPaths) {
        if (!isBackupName(QFileInfo(p).fileName()))
            continue;
        // The text file first: a backup without one is whole all the same.
        ::unlink(encoded(summaryPath(p)).constData());
        if (!removeBackup(p))
            left << p;
    }
    step("removed");
    return left;
}

CheckedCopy::~CheckedCopy()
{
    release();
}

void CheckedCopy::release()
{
    if (!path_.isEmpty())
        removeTemporary(path_);
    if (fd_ >= 0)
        ::close(fd_);
    path_.clear();
    fd_ = -1;
}

CheckedCopy &CheckedCopy::operator=(CheckedCopy &&o) noexcept
{
    if (this != &o) {
        release();
        path_ = std::move(o.path_);
        fd_ = o.fd_;
        o.path_.clear();
        o.fd_ = -1;
    }
    return *this;
}

CheckedCopy check(const QString &backupPath, const QString &workFolder)
{
    const QString shown = QFileInfo(backupPath).fileName();
    auto damaged = [&](const QString &why) {
        return Error(QStringLiteral("Die Sicherung „%1“ ist beschädigt und kann nicht wiederhergestellt werden: %2")
                         .arg(shown, why));
    };
    QString temporary;
    // Locked for as long as it lives, so no backup takes it for a leftover.
    const int fd = createTemporary(workFolder, &temporary);
    CheckedCopy copy(temporary, fd);
    {
        QFile from(backupPath);
        QFile to(temporary);
        if (!from.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Die Sicherung „%1“ kann nicht gelesen werden.").arg(shown));
        if (!to.open(QIODevice::WriteOnly | QIODevice::Truncate))
            unwritable(workFolder, EACCES);
        QByteArray block;
        while (!(block = from.read(1 << 20)).isEmpty())
            if (to.write(block) != block.size())
                unwritable(workFolder, ENOSPC);
        if (from.error() != QFile::NoError)
            throw Error(QStringLiteral("Die Sicherung „%1“ kann nicht gelesen werden.").arg(shown));
    }

    try {
        Raw raw(temporary, SQLITE_OPEN_READWRITE);
        const QStringList verdict = raw.column(QStringLiteral("PRAGMA integrity_check"));
        if (verdict != QStringList{QStringLiteral("ok")})
            throw damaged(verdict.mid(0, 3).join(QStringLiteral("; ")));
    } catch (const Error &e) {
        if (e.description().startsWith(QStringLiteral("Die Sicherung")))
            throw;
        throw damaged(e.description());
    }

    try {
        auto db = store::Database::open(temporary);
        if (!db->hasTable(QStringLiteral("tSprache")))
            throw damaged(QStringLiteral("Das Verzeichnis der Sprachpaare fehlt."));
        auto rs = db->openRecordset(QStringLiteral("Select * from tSprache order by SprachId"));
        for (; !rs->eof(); rs->moveNext()) {
            const QString table = rs->text(QStringLiteral("Tabelle")).trimmed();
            if (table.isEmpty() || !db->hasTable(table) || !db->tableDef(table).field(QStringLiteral("VNr")))
                throw damaged(QStringLiteral("Die Tabelle „%1“ des Sprachpaars „%2“ fehlt.")
                                  .arg(table, rs->text(QStringLiteral("FremdSprache")).trimmed()));
            // Every card readable, not just the table's name.
            auto cards = db->openRecordset(QStringLiteral("Select count(*) from ") + store::quoteIdent(table));
            cards->value(0);
        }
    } catch (const Error &e) {
        if (e.description().startsWith(QStringLiteral("Die Sicherung")))
            throw;
        throw damaged(e.description());
    }
    return copy;
}

} // namespace BackupCopy

namespace store {

void Database::replaceContent(const QString &file)
{
    if (c_->transactionDepth > 0)
        throw Error(QStringLiteral("Während einer Transaktion kann keine Sicherung zurückgeholt werden."));
    sqlite3 *source = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &source, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        sqlite3_close_v2(source);
        throw Error(QStringLiteral("Die Sicherung „%1“ kann nicht geöffnet werden.").arg(file));
    }
    registerGermanCollation(source);
    sqlite3_backup *b = sqlite3_backup_init(c_->db(), "main", source, "main");
    if (!b) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(c_->db()));
        sqlite3_close_v2(source);
        throw Error(QStringLiteral("Die Sicherung kann nicht zurückgeholt werden (%1).").arg(why));
    }
    int rc = SQLITE_OK;
    for (int tries = 0; tries < 50; ++tries) {
        rc = sqlite3_backup_step(b, -1);
        if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
            break;
        sqlite3_sleep(100);
    }
    sqlite3_backup_finish(b);
    sqlite3_close_v2(source);
    // Whatever happened, rows and definitions read before may be stale now.
    c_->forgetDefinitions();
    c_->changes().invalidateAll();
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw Error(QStringLiteral("Die Datenbank wird gerade von einem anderen Programm benutzt; die Sicherung wurde "
                                   "nicht zurückgeholt."),
                    Error::Kind::InUse);
    if (rc != SQLITE_DONE)
        throw Error(QStringLiteral("Die Sicherung kann nicht zurückgeholt werden (%1).").arg(BackupCopy::sqliteReason(c_->db(), rc)));
    // A backup from before the statistics were kept lacks their tables;
    // the restored file gets them as any file does when it is opened.
    statisticsProblem_ = Statistics::prepareFile(*this);
}

} // namespace store
