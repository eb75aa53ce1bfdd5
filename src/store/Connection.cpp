// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Connection.h"

#include "store/AccessFile.h"

#include "core/Places.h"
#include "store/Collation.h"
#include "store/SqlLexer.h"
#include "store/TextMatch.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace store {

Error::Error(const QString &description, Kind kind)
    : std::runtime_error(description.toStdString()), description_(description), kind_(kind)
{
}

QString quoteIdent(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString quoteText(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

namespace {

// SQLite speaks English; the learner reads German. The common failures get a
// German sentence of their own, the rest keep the engine's words after a
// German lead-in.
QString germanMessage(int rc, const QString &msg)
{
    static const QRegularExpression noTable(QStringLiteral("^no such table: (.*)$"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (.*)$"));
    static const QRegularExpression tableExists(QStringLiteral("^table (.*) already exists$"));
    static const QRegularExpression unique(QStringLiteral("^UNIQUE constraint failed: (.*)$"));
    QRegularExpressionMatch m;
    const int primary = rc & 0xFF;

    if (rc == SQLITE_CONSTRAINT_TRIGGER)
        return msg; // our own German text from the schema checks
    if ((m = noTable.match(msg)).hasMatch())
        return QStringLiteral("Die Tabelle oder Abfrage '%1' ist nicht vorhanden.").arg(m.captured(1));
    if ((m = noColumn.match(msg)).hasMatch())
        return QStringLiteral("Das Feld '%1' ist nicht vorhanden.").arg(m.captured(1));
    if ((m = tableExists.match(msg)).hasMatch())
        return QStringLiteral("Die Tabelle %1 ist bereits vorhanden.").arg(m.captured(1));
    if ((m = unique.match(msg)).hasMatch())
        return QStringLiteral("Der Wert von %1 ist bereits vergeben: Ein eindeutiger Index erlaubt keine doppelten "
                              "Werte. Die Änderung wurde nicht gespeichert.")
            .arg(m.captured(1));
    if (msg.contains(QStringLiteral("syntax error")) || msg.contains(QStringLiteral("incomplete input"))
        || msg.contains(QStringLiteral("unrecognized token")))
        return QStringLiteral("Syntaxfehler in der SQL-Anweisung (%1).").arg(msg);
    switch (primary) {
    case SQLITE_NOTADB:
        return QStringLiteral("Die Datei ist keine gültige Vokabeldatenbank.");
    case SQLITE_CORRUPT:
        return QStringLiteral("Die Datenbankdatei ist beschädigt.");
    case SQLITE_READONLY:
        return QStringLiteral("Die Datenbank ist schreibgeschützt; die Änderung wurde nicht gespeichert.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Die Datenbank ist gesperrt, weil ein anderes Programm sie gerade benutzt.");
    case SQLITE_FULL:
        return QStringLiteral("Der Datenträger ist voll; die Änderung wurde nicht gespeichert.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Datenbankdatei kann nicht geöffnet werden.");
    case SQLITE_IOERR:
        return QStringLiteral("Lese- oder Schreibfehler beim Zugriff auf die Datenbankdatei.");
    case SQLITE_TOOBIG:
        return QStringLiteral("Der Wert ist zu groß.");
    default:
        break;
    }
    return QStringLiteral("Datenbankfehler: %1").arg(msg);
}

} // namespace

Error sqliteError(int ext, const QString &msg)
{
    const int primary = ext & 0xFF;
    const bool inUse = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
    return Error(germanMessage(ext, msg), inUse ? Error::Kind::InUse : Error::Kind::General);
}

void throwSqlite(sqlite3 *db, int rc)
{
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    throw sqliteError(ext, msg);
}

// ---------------------------------------------------------------- Statement

void Statement::steal(Statement &o)
{
    db_ = o.db_;
    stmt_ = o.stmt_;
    slot_ = o.slot_;
    o.stmt_ = nullptr;
    o.slot_ = nullptr;
}

Statement &Statement::operator=(Statement &&o) noexcept
{
    if (this != &o) {
        release();
        steal(o);
    }
    return *this;
}

void Statement::release()
{
    if (!stmt_)
        return;
    if (!slot_) {
        sqlite3_finalize(stmt_);
    } else if (slot_->orphaned) {
        // The cache let go of it while it was ours: we are its last owner.
        sqlite3_finalize(stmt_);
        delete slot_;
    } else {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        slot_->busy = false;
    }
    stmt_ = nullptr;
    slot_ = nullptr;
}

void Statement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
            break;
        case QMetaType::QDate:
            {
                const QByteArray t = value.toDate().toString(Qt::ISODate).toUtf8();
                rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            break;
        case QMetaType::QDateTime: {
            const QByteArray t = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(stmt_, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

void Statement::bindAll(const QVariantList &values, int first)
{
    for (int i = 0; i < values.size(); ++i)
        bind(first + i, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The error text belongs to the connection; read it before the reset.
    const int ext = sqlite3_extended_errcode(db_);
    const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw sqliteError(ext, msg);
}

QVariant Statement::column(int i) const
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i)),
                                          sqlite3_column_bytes(stmt_, i)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt_, i)),
                                   sqlite3_column_bytes(stmt_, i)));
    default:
        return QVariant();
    }
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

// ------------------------------------------------------------ bound literals

BoundSql bindLiterals(const QString &sql)
{
    const BoundSql unchanged{sql, {}};
    std::vector<Token> toks;
    Lexer lx(sql);
    try {
        for (Token t = lx.next(); t.kind != Token::End; t = lx.next())
            toks.push_back(t);
    } catch (const Error &) {
        return unchanged; // SQLite words the syntax error better
    }
    if (toks.empty())
        return unchanged;
    const Token &first = toks.front();
    const bool isSelect = isKeyword(first, "select");
    if (!isSelect && !isKeyword(first, "insert") && !isKeyword(first, "update") && !isKeyword(first, "delete")
        && !isKeyword(first, "replace"))
        return unchanged; // schema statements take no parameters

    // Literals of the select list name its columns, and numbers after ORDER
    // BY or GROUP BY are column positions: both stay as they are.
    bool pastSelectList = !isSelect;
    int depth = 0;
    int keepDepth = -1; // depth of an ORDER BY or GROUP BY being passed
    std::vector<size_t> literals;
    for (size_t i = 0; i < toks.size(); ++i) {
        const Token &t = toks[i];
        if (t.kind == Token::Symbol) {
            if (t.text == QLatin1String("?") || t.text == QLatin1String(":") || t.text == QLatin1String("@")
                || t.text == QLatin1String("$"))
                return unchanged; // the caller binds values of its own
            if (t.text == QLatin1String("("))
                ++depth;
            if (t.text == QLatin1String(")")) {
                if (keepDepth == depth)
                    keepDepth = -1;
                --depth;
            }
            continue;
        }
        if (t.kind == Token::Word && !t.bracketed) {
            if (isSelect && depth == 0 && isKeyword(t, "from"))
                pastSelectList = true;
            if ((isKeyword(t, "order") || isKeyword(t, "group")) && i + 1 < toks.size() && isKeyword(toks[i + 1], "by"))
                keepDepth = depth;
            else if (keepDepth == depth
                     && (isKeyword(t, "limit") || isKeyword(t, "having") || isKeyword(t, "where")
                         || isKeyword(t, "union") || isKeyword(t, "except") || isKeyword(t, "intersect")
                         || isKeyword(t, "window")))
                keepDepth = -1;
            continue;
        }
        const bool literal = t.kind == Token::Number || (t.kind == Token::Quoted && !t.bracketed);
        if (!literal)
            continue;
        // 1e5 or 0x1F come as a number glued to a word: leave such texts alone.
        if (t.kind == Token::Number && i + 1 < toks.size() && toks[i + 1].begin == t.end
            && toks[i + 1].kind == Token::Word)
            return unchanged;
        if (pastSelectList && keepDepth < 0)
            literals.push_back(i);
    }
    if (literals.empty())
        return unchanged;
    BoundSql out;
    out.sql = sql;
    out.params.resize(qsizetype(literals.size()));
    for (size_t k = literals.size(); k-- > 0;) {
        const Token &t = toks[literals[k]];
        QVariant v;
        if (t.kind == Token::Number) {
            bool ok = false;
            if (t.text.contains(QLatin1Char('.')))
                v = t.text.toDouble(&ok);
            else
                v = t.text.toLongLong(&ok);
            if (!ok)
                return unchanged;
        } else {
            v = t.text;
        }
        out.params[qsizetype(k)] = v;
        out.sql.replace(t.begin, t.end - t.begin, QStringLiteral("?"));
    }
    return out;
}

// --------------------------------------------------------------- Connection

namespace {

// Every commit, by any program, counts up the change counter in the file's
// header. Reading it costs far less than asking SQLite, which has to lock
// the file. The descriptor used for that is shared by all connections of the
// process to one file and closed only after the last of them: closing any
// descriptor of a file drops every lock the process holds on it.
struct HeaderWatch
{
    int fd = -1;
    int users = 0;
};

QHash<QString, HeaderWatch> &headerWatches()
{
    // Never destroyed: connections held by static objects close after every
    // function-local static is gone.
    static auto *watches = new QHash<QString, HeaderWatch>;
    return *watches;
}

// Takes the process's descriptor of a file (opening it if need be); -1 when
// the file cannot be read.
int acquireWatch(const QString &canonical)
{
    HeaderWatch &w = headerWatches()[canonical];
    if (w.fd < 0)
        w.fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_CLOEXEC);
    ++w.users;
    return w.fd;
}

void releaseWatch(const QString &canonical)
{
    auto it = headerWatches().find(canonical);
    if (it != headerWatches().end() && --it->users == 0) {
        if (it->fd >= 0)
            ::close(it->fd);
        headerWatches().erase(it);
    }
}

} // namespace

std::optional<QByteArray> readFileStart(const QString &path, int bytes)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile())
        return std::nullopt;
    const int fd = acquireWatch(canonical);
    std::optional<QByteArray> start;
    if (fd >= 0) {
        QByteArray buffer(bytes, Qt::Uninitialized);
        const ssize_t got = ::pread(fd, buffer.data(), size_t(bytes), 0);
        if (got >= 0) {
            buffer.truncate(qsizetype(got));
            start = buffer;
        }
    }
    releaseWatch(canonical);
    return start;
}

int Connection::headerFd() const
{
    return watchKey_.isEmpty() ? -1 : headerWatches().value(watchKey_).fd;
}

Connection::Connection(sqlite3 *db, QString path) : db_(db), path_(std::move(path))
{
    registerGermanCollation(db_);
    registerTextFunctions(db_);
    sqlite3_busy_timeout(db_, 2000);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_update_hook(db_, &Connection::updateHook, this);
    // The process's descriptor of the file stays open as long as this
    // connection does, so that no header probe in between closes the last
    // one and drops the locks SQLite holds.
    const QFileInfo info(path_);
    if (info.isFile()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty()) {
            acquireWatch(canonical);
            watchKey_ = canonical;
        }
    }
}

Connection::~Connection()
{
    sqlite3_update_hook(db_, nullptr, nullptr);
    // Its connection goes first, so that this one is the last to the file
    // and writes what is left of the log back when it closes.
    sqlite3_wal_hook(db_, nullptr, nullptr);
    logWriter_.reset();
    versionStmt_.reset();
    dropCache(true);
    // Statements still held elsewhere keep the connection alive as a zombie
    // until they are finalised.
    sqlite3_close_v2(db_);
    if (!watchKey_.isEmpty())
        releaseWatch(watchKey_);
}

void Connection::dropCache(bool all)
{
    for (auto it = cache_.begin(); it != cache_.end();) {
        CachedStatement *slot = it.value();
        if (slot->busy) {
            if (!all) {
                ++it;
                continue;
            }
            slot->orphaned = true;
        } else {
            sqlite3_finalize(slot->stmt);
            delete slot;
        }
        it = cache_.erase(it);
    }
}

// The link a "no such table" failure is about, when that link is one whose
// file could not be attached.
QString Connection::brokenLinkIn(const QString &message) const
{
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:temp\\.)?(.*)$"));
    const QRegularExpressionMatch m = noTable.match(message);
    if (!m.hasMatch() || !linkErrors_.contains(m.captured(1).toLower()))
        return QString();
    return m.captured(1).toLower();
}

Statement Connection::prepare(const QString &sql, bool cache)
{
    if (cache) {
        if (CachedStatement *slot = cache_.value(sql); slot && !slot->busy) {
            slot->busy = true;
            slot->lastUse = ++useCounter_;
            return Statement(db_, slot);
        }
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        const QString link = brokenLinkIn(QString::fromUtf8(sqlite3_errmsg(db_)));
        if (link.isEmpty())
            throwSqlite(db_, rc);
        // The link's file may have come back since the connection was opened;
        // if not, say which file is missing rather than that the table is.
        QStringList def;
        {
            Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks WHERE name = ? COLLATE NOCASE"));
            st.bind(1, link);
            if (st.step())
                def = QStringList{st.column(0).toString(), st.column(1).toString(), st.column(2).toString()};
        }
        if (def.isEmpty())
            throw Error(linkErrors_.value(link));
        try {
            activateLink(def[0], def[1], def[2]);
        } catch (const Error &e) {
            linkErrors_.insert(link, e.description());
            throw;
        }
        return prepare(sql, cache);
    }
    if (!stmt)
        throw Error(QStringLiteral("Die SQL-Anweisung ist leer."));
    // One statement per call: a second one hidden after a semicolon is refused.
    if (tail && QByteArray(tail).trimmed().replace(';', "").trimmed().size() > 0) {
        sqlite3_finalize(stmt);
        throw Error(QStringLiteral("Nach dem Ende der SQL-Anweisung folgen weitere Zeichen."));
    }
    if (!cache || cache_.contains(sql))
        return Statement(db_, stmt);
    if (cache_.size() >= 64) {
        // Make room by dropping the statement unused for longest; one in use
        // stays where it is.
        auto victim = cache_.end();
        for (auto it = cache_.begin(); it != cache_.end(); ++it)
            if (!it.value()->busy && (victim == cache_.end() || it.value()->lastUse < victim.value()->lastUse))
                victim = it;
        if (victim == cache_.end())
            return Statement(db_, stmt);
        sqlite3_finalize(victim.value()->stmt);
        delete victim.value();
        cache_.erase(victim);
    }
    auto *slot = new CachedStatement;
    slot->stmt = stmt;
    slot->busy = true;
    slot->lastUse = ++useCounter_;
    cache_.insert(sql, slot);
    return Statement(db_, slot);
}

void Connection::exec(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (err)
        sqlite3_free(err);
    deliverChanges(rc == SQLITE_OK);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

int Connection::execChanges(const QString &sql, const QVariantList &params)
{
    // Writing statements are prepared once: compiling an INSERT also compiles
    // the table's checks, which costs far more than running it.
    Statement st = prepare(sql, true);
    st.bindAll(params);
    try {
        while (st.step()) {
        }
    } catch (const Error &) {
        deliverChanges(false);
        throw;
    }
    deliverChanges(true);
    return sqlite3_changes(db_);
}

QVariant Connection::scalar(const QString &sql, const QVariantList &params)
{
    Statement st = prepare(sql, true);
    st.bindAll(params);
    return st.step() ? st.column(0) : QVariant();
}

// SQLite calls this in the middle of a statement, when nothing may be done
// with the connection; the changes are delivered once the statement is done.
void Connection::updateHook(void *self, int op, const char *dbName, const char *table, sqlite3_int64 rowid)
{
    auto *c = static_cast<Connection *>(self);
    if (qstrcmp(dbName, "main") != 0)
        return;
    // A statement changes rows of one table, often thousands of them.
    if (c->hookTableUtf8_ != table) {
        c->hookTableUtf8_ = QByteArray(table);
        c->hookTable_ = QString::fromUtf8(table);
    }
    c->pending_.push_back({op, c->hookTable_, qint64(rowid)});
}

void Connection::deliverChanges(bool succeeded)
{
    if (pending_.empty())
        return;
    std::vector<PendingChange> changes;
    changes.swap(pending_);
    if (!succeeded) {
        // A failed statement undid its own changes; which of the reported
        // rows stayed as they were is unknown, so forget every row read.
        invalidateAll();
        return;
    }
    const QSet<ChangeSink *> sinks = sinks_;
    for (const PendingChange &ch : changes)
        for (ChangeSink *s : sinks)
            if (sinks_.contains(s))
                s->rowChanged(ch.op, ch.table, ch.rowid);
}

void Connection::invalidateAll()
{
    const QSet<ChangeSink *> sinks = sinks_;
    for (ChangeSink *s : sinks)
        if (sinks_.contains(s))
            s->everythingChanged();
}

void Connection::useWriteAheadLog()
{
    QString mode;
    try {
        mode = scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString();
        // After a large move the log would keep its size for good.
        scalar(QStringLiteral("PRAGMA journal_size_limit = 4194304"));
    } catch (const Error &) {
        // Left in the mode it had; a busy file is no reason to refuse it.
    }
    wal_ = mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
    haveShm_ = false;
    // The log is written back once it holds this many pages (as SQLite does
    // by itself), but not by the connection that has just committed.
    if (wal_ && !logWriter_ && !watchKey_.isEmpty()) {
        logWriter_ = std::make_unique<LogWriter>(watchKey_);
        sqlite3_wal_hook(db_, &Connection::logHook, this);
    }
}

int Connection::logHook(void *self, sqlite3 *, const char *dbName, int pages)
{
    constexpr int kPages = 1000;
    auto *c = static_cast<Connection *>(self);
    if (pages >= kPages && qstrcmp(dbName, "main") == 0)
        c->logWriter_->request();
    return SQLITE_OK;
}

LogWriter::LogWriter(const QString &path) : path_(path.toUtf8()), thread_([this] { run(); }) {}

LogWriter::~LogWriter()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LogWriter::request()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        wanted_ = true;
    }
    wake_.notify_one();
}

void LogWriter::run()
{
    sqlite3 *db = nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return wanted_ || stop_; });
        if (stop_)
            break;
        wanted_ = false;
        lock.unlock();
        if (!db && sqlite3_open_v2(path_.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
                != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
        }
        // Copies what no reader still needs and never waits for anyone; a
        // copy that cannot finish now is finished by a later one.
        if (db)
            sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close(db);
}

// The head of the log's index, which every commit rewrites (it counts the
// commits and names the last frame). It lies in memory SQLite shares among
// all connections to the file, of every program, so reading it needs no
// descriptor of our own and no lock; the real check follows only when it
// differs from what was seen last.
bool Connection::readShmHeader(unsigned char *out) const
{
    // Only while this connection has the log open (its journal is then the
    // log); asking for the index otherwise would make one.
    sqlite3_file *log = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK || !log || !log->pMethods)
        return false;
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods
        || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
        return false;
    volatile void *region = nullptr;
    // Region 0 of 32 KiB is where the log keeps its index head; 0: do not
    // make it if it is not there yet.
    if (file->pMethods->xShmMap(file, 0, 32768, 0, &region) != SQLITE_OK || !region)
        return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(out, const_cast<const void *>(region), kShmHeader);
    return true;
}

void Connection::syncExternal()
{
    // While this connection holds the write lock no other one can commit.
    if (sqlite3_txn_state(db_, "main") == SQLITE_TXN_WRITE)
        return;
    // A cheap look first: the head of the log's index in log mode, the
    // change counter in the file's header otherwise. Either is taken before
    // asking SQLite, so a commit in between is seen next time.
    if (wal_) {
        unsigned char head[kShmHeader];
        if (readShmHeader(head)) {
            if (dataVersion_ >= 0 && haveShm_ && std::memcmp(head, lastShm_, kShmHeader) == 0)
                return;
            std::memcpy(lastShm_, head, kShmHeader);
            haveShm_ = true;
        } else {
            haveShm_ = false;
        }
    } else {
        // Header bytes 18 and 19 are 2 once the file is in log mode, which
        // another connection may have switched it to; the counter at 24
        // then no longer moves with each commit.
        unsigned char header[10];
        const int fd = headerFd();
        if (fd >= 0 && ::pread(fd, header, sizeof header, 18) == sizeof header) {
            if (header[0] == 2 && header[1] == 2) {
                wal_ = true;
                haveShm_ = false;
            } else if (header[0] == 1 && header[1] == 1) {
                const quint32 counter
                    = quint32(header[6]) << 24 | quint32(header[7]) << 16 | quint32(header[8]) << 8 | header[9];
                if (dataVersion_ >= 0 && counter == lastCounter_)
                    return;
                lastCounter_ = counter;
            }
        }
    }
    if (!versionStmt_)
        versionStmt_ = std::make_unique<Statement>(prepare(QStringLiteral("PRAGMA data_version")));
    versionStmt_->reset();
    const qint64 v = versionStmt_->step() ? versionStmt_->columnInt(0) : -1;
    versionStmt_->reset();
    if (dataVersion_ >= 0 && v != dataVersion_)
        invalidateAll();
    dataVersion_ = v;
}

QString Connection::meta(const QString &key)
{
    return scalar(QStringLiteral("SELECT value FROM VkSysMeta WHERE key = ?"), {key}).toString();
}

QStringList Connection::realTables()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid"));
    while (st.step()) {
        const QString n = st.column(0).toString();
        if (!n.startsWith(kSysPrefix, Qt::CaseInsensitive) && !n.startsWith(QStringLiteral("sqlite_")))
            names << n;
    }
    return names;
}

QString Connection::realTableName(const QString &name)
{
    if (name.startsWith(kSysPrefix, Qt::CaseInsensitive) || name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive))
        return QString();
    // SQL finds a table whatever the letter case of its ASCII letters.
    return scalar(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                  {name})
        .toString();
}

QStringList Connection::linkNames()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM VkSysLinks ORDER BY rowid"));
    while (st.step())
        names << st.column(0).toString();
    return names;
}

// The engine's own description of a table lives in ordinary tables that a
// hand-edited file or an ALTER TABLE can contradict. The table's real columns
// are the truth; the description only adds what SQLite does not know.
TableDef definitionFromSqlite(Connection &c, const QString &table)
{
    TableDef def(table);
    {
        Statement p = c.prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
        p.bind(1, table);
        while (p.step()) {
            FieldDef fd;
            fd.name = p.column(0).toString();
            const QString t = p.column(1).toString().toUpper();
            fd.type = t.contains(QStringLiteral("INT")) ? FieldType::Long
                : t.contains(QStringLiteral("DATE")) ? FieldType::DateTime
                                                      : FieldType::Text;
            fd.size = fd.type == FieldType::Text ? 255 : 0;
            fd.autoIncrement = p.column(2).toInt() == 1 && t == QStringLiteral("INTEGER");
            fd.allowZeroLength = true;
            def.fields << fd;
        }
    }
    Statement f = c.prepare(QStringLiteral("SELECT name, type, size, autoinc, required, allowzero, dflt "
                                           "FROM VkSysFields WHERE tbl = ? ORDER BY pos"));
    f.bind(1, table);
    while (f.step()) {
        const QString name = f.column(0).toString();
        auto it = std::find_if(def.fields.begin(), def.fields.end(),
                               [&](const FieldDef &fd) { return fd.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (it == def.fields.end())
            continue; // describes a column the table no longer has
        const int type = f.column(1).toInt();
        if (type >= int(FieldType::Long) && type <= int(FieldType::DateTime))
            it->type = static_cast<FieldType>(type);
        const int size = f.column(2).toInt();
        it->size = it->type == FieldType::Text ? (size >= 1 && size <= 255 ? size : 255) : 0;
        it->autoIncrement = it->autoIncrement && f.column(3).toInt() != 0;
        it->required = f.column(4).toInt() != 0;
        it->allowZeroLength = f.column(5).toInt() != 0;
        it->defaultValue = f.column(6);
    }
    Statement i = c.prepare(
        QStringLiteral("SELECT name, fields, isprimary, isunique FROM VkSysIndexes WHERE tbl = ? ORDER BY rowid"));
    i.bind(1, table);
    while (i.step()) {
        IndexDef id;
        id.name = i.column(0).toString();
        id.primary = i.column(2).toInt() != 0;
        id.unique = i.column(3).toInt() != 0;
        // An index naming a field the table lacks cannot order anything;
        // it is left out rather than trusted.
        bool usable = !id.name.isEmpty();
        for (const QString &name : i.column(1).toString().split(QLatin1Char('\n'))) {
            const FieldDef *fd = def.field(name);
            if (!fd)
                usable = false;
            else
                id.fields << fd->name;
        }
        if (usable && !id.fields.isEmpty())
            def.indexes << id;
    }
    return def;
}

std::optional<TableDef> Connection::findTableDef(const QString &name)
{
    const QString key = name.toLower();
    if (auto it = defs_.constFind(key); it != defs_.constEnd())
        return *it;
    std::optional<TableDef> def;
    // sqlite_master keeps the name as created; use that spelling.
    if (const QString real = realTableName(name); !real.isEmpty()) {
        def = definitionFromSqlite(*this, real);
    } else {
        Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks WHERE name = ? COLLATE NOCASE"));
        st.bind(1, name);
        if (st.step()) {
            TableDef d(st.column(0).toString());
            d.connect = st.column(1).toString();
            d.sourceTableName = st.column(2).toString();
            def = d;
        }
    }
    if (def)
        defs_.insert(key, *def);
    return def;
}

QString fileNameFromConnect(const QString &connect)
{
    const QStringList parts = connect.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        const int eq = p.indexOf(QLatin1Char('='));
        if (eq > 0 && p.left(eq).trimmed().compare(QStringLiteral("DATABASE"), Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1).trimmed();
    }
    return QString();
}

void Connection::activateLink(const QString &name, const QString &connect, const QString &source)
{
    const QString file = fileNameFromConnect(connect);
    if (file.isEmpty())
        throw Error(QStringLiteral("Die Verbindungszeichenfolge '%1' nennt keine Datenbankdatei (;DATABASE=...).")
                        .arg(connect));
    const QString mapped = Places::mapStoredPath(file);
    const std::optional<QByteArray> start = readFileStart(mapped, 16);
    if (!start)
        throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' wurde nicht gefunden.").arg(file, name));
    const bool ours = start->startsWith("SQLite format 3");
    QString attachPath = mapped;
    std::unique_ptr<QTemporaryDir> copy;
    if (!ours) {
        if (!access::isAccessFile(mapped))
            throw Error(QStringLiteral("Die Datei '%1' der verknüpften Tabelle '%2' ist keine lesbare Datenbank.")
                            .arg(file, name));
        // An Access table is read once, whole, into a file of our own that
        // stands in for it as long as the link is active.
        copy = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vokamia-link-XXXXXX"));
        if (!copy->isValid())
            throw Error(QStringLiteral("Für die verknüpfte Tabelle '%1' lässt sich keine Arbeitsdatei anlegen.").arg(name));
        attachPath = copy->filePath(QStringLiteral("table.db"));
        access::convert(mapped, attachPath, {source}, file);
    }

    linkErrors_.remove(name.toLower());
    const QString schema = QStringLiteral("vklink%1").arg(++linkCounter_);
    execChanges(QStringLiteral("ATTACH DATABASE ? AS ") + quoteIdent(schema), {attachPath});
    try {
        exec(QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2.%3")
                 .arg(quoteIdent(name), quoteIdent(schema), quoteIdent(source)));
        // The view is only checked when used: use it once so a missing source
        // table shows now, not on the first query.
        prepare(QStringLiteral("SELECT * FROM temp.%1 LIMIT 0").arg(quoteIdent(name)));
    } catch (const Error &) {
        try {
            exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(quoteIdent(name)));
        } catch (const Error &) {
        }
        exec(QStringLiteral("DETACH DATABASE ") + quoteIdent(schema));
        throw Error(QStringLiteral("Die Tabelle '%1' ist in der Datei '%2' nicht vorhanden.").arg(source, file));
    }
    linkSchemas_.insert(name.toLower(), schema);
    if (copy)
        linkCopies_[name.toLower()] = std::move(copy);
}

void Connection::deactivateLink(const QString &name)
{
    linkErrors_.remove(name.toLower());
    const QString schema = linkSchemas_.take(name.toLower());
    if (schema.isEmpty())
        return;
    // Statements that read the view must go before it; one in use is let go
    // by its owner.
    dropCache(true);
    exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(quoteIdent(name)));
    exec(QStringLiteral("DETACH DATABASE ") + quoteIdent(schema));
    linkCopies_.erase(name.toLower());
}

void Connection::activateLinks()
{
    Statement st = prepare(QStringLiteral("SELECT name, connect, source FROM VkSysLinks ORDER BY rowid"));
    QList<QStringList> links;
    while (st.step())
        links << QStringList{st.column(0).toString(), st.column(1).toString(), st.column(2).toString()};
    st = Statement();
    for (const QStringList &l : links) {
        // A link whose file is gone stays defined; using it reports why.
        try {
            activateLink(l[0], l[1], l[2]);
        } catch (const Error &e) {
            linkErrors_.insert(l[0].toLower(), e.description());
        }
    }
}

} // namespace store
