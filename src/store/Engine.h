// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The database engine layer: databases, table definitions and recordsets over
// SQLite. Nothing of SQLite is visible past this header; every failure is an
// store::Error carrying a German description that callers show as it is.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace store {

class Error : public std::runtime_error
{
public:
    enum class Kind {
        General,
        InUse, // another program holds the file locked
    };
    explicit Error(const QString &description, Kind kind = Kind::General);
    const QString &description() const { return description_; }
    Kind kind() const { return kind_; }

private:
    QString description_;
    Kind kind_;
};

enum class FieldType {
    Long,     // 32-bit integer
    Integer,  // 16-bit integer
    Byte,     // 8-bit unsigned integer
    Text,     // text of at most `size` characters
    DateTime, // date and time, stored as ISO text
};

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Text;
    int size = 50; // characters; only for text
    bool autoIncrement = false;
    bool required = false;
    bool allowZeroLength = false; // the engine's default: not allowed
    QVariant defaultValue;        // null: none
};

struct IndexDef
{
    QString name;
    QStringList fields;
    bool primary = false;
    bool unique = false;
};

// A table definition: built up field by field and index by index, then
// appended to a database. With a connect string ";DATABASE=<file>" and a
// source table name it describes an attached table of another file instead.
class TableDef
{
public:
    TableDef() = default;
    explicit TableDef(QString name) : name(std::move(name)) {}

    QString name;
    QVector<FieldDef> fields;
    QVector<IndexDef> indexes;
    QString connect;
    QString sourceTableName;

    FieldDef &appendField(const QString &fieldName, FieldType type, int size = 0);
    IndexDef &appendIndex(const QString &indexName, const QString &field, bool primary = false, bool unique = false);
    const FieldDef *field(const QString &fieldName) const;
    bool isAttached() const { return !connect.isEmpty(); }
};

enum class RecordsetType { Table, Dynaset };

enum class EditMode { None, Edit, AddNew };

class Connection;
class Recordset;

class Database
{
public:
    // Creates a new file (it must not exist yet) and returns it opened. The
    // locale string and format option are recorded in the file.
    static std::shared_ptr<Database> create(const QString &path, const QString &locale, int formatOption);
    // Opens an existing file, shared and writable. A file that is missing,
    // read-only, empty, damaged or of another kind is refused and left as it is.
    static std::shared_ptr<Database> open(const QString &path);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const;
    QString locale() const;
    int formatOption() const;

    // Runs a statement (INSERT, INSERT ... SELECT, UPDATE, DELETE, ...);
    // returns the number of rows it changed. Literal values in the text are
    // bound, so texts that differ only in their values share one compiled
    // statement.
    int execute(const QString &sql);
    // The same with values bound to the ? marks of the statement, so no text
    // of the learner's can change the statement itself.
    int execute(const QString &sql, const QVariantList &params);

    // Runs a SELECT with values bound to its ? marks and hands each row to
    // `row` as it is read, keeping none: a walk over a table of any size, or
    // a sum over many rows, needs the memory of one row. The text is
    // compiled as it stands (its literals stay literals), so it may rely on
    // indexes whose condition it repeats. A `row` that returns bool stops
    // the walk by returning false.
    template <typename F>
    void forEachRow(const QString &sql, const QVariantList &params, F &&row)
    {
        forEachRowUntil(sql, params, [&](const QVariantList &values) {
            if constexpr (std::is_void_v<std::invoke_result_t<F &, const QVariantList &>>) {
                row(values);
                return true;
            } else {
                return bool(row(values));
            }
        });
    }
    void forEachRowUntil(const QString &sql, const QVariantList &params,
                         const std::function<bool(const QVariantList &row)> &row);

    // A SELECT statement (dynaset) or a table name (table type), positioned
    // on its first row.
    std::shared_ptr<Recordset> openRecordset(const QString &source, RecordsetType type = RecordsetType::Dynaset);

    // User tables, attached ones included, in order of creation.
    QStringList tableNames() const;
    bool hasTable(const QString &name) const;
    TableDef tableDef(const QString &name) const;
    void appendTableDef(const TableDef &def);
    void deleteTableDef(const QString &name);

    void beginTrans();
    void commitTrans();
    void rollback();
    bool inTransaction() const;

    // Replaces the whole content with that of another file of ours, through
    // SQLite's online backup interface: the file stays open, and every
    // recordset reads its rows again. Refused inside a transaction.
    void replaceContent(const QString &file);
    // The learning statistics of the file (its answer log and its card box
    // per day) are kept: opening or creating a file makes their tables
    // where they are missing. A file that cannot take them is opened all
    // the same, without statistics; statisticsProblem() then says why.
    bool keepsStatistics() const { return statisticsProblem_.isEmpty(); }
    const QString &statisticsProblem() const { return statisticsProblem_; }

private:
    explicit Database(std::shared_ptr<Connection> c);
    std::shared_ptr<Connection> c_;
    QString statisticsProblem_;
};

class Recordset
{
public:
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    RecordsetType type() const;
    bool updatable() const;

    int fieldCount() const;
    QString fieldName(int position) const;
    QStringList fieldNames() const;
    bool hasField(const QString &name) const;

    // Value of the current row (or of the edit buffer while editing). A null
    // value is an invalid QVariant; text() turns it into empty text.
    QVariant value(const QString &name) const;
    QVariant value(int position) const;
    QString text(const QString &name) const;
    bool isNull(const QString &name) const;

    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    int recordCount() const;

    // Criteria of the simple form  field op value  (op one of = <> < > <= >=
    // LIKE), joined by AND or OR; field names may stand in brackets.
    void findFirst(const QString &criteria);
    void findNext(const QString &criteria);
    void findPrevious(const QString &criteria);
    void findLast(const QString &criteria);
    bool noMatch() const;

    // Table recordsets only: choose an index by name, then seek a key.
    void setIndex(const QString &indexName);
    QString index() const;
    void seek(const QString &comparison, const QVariant &key);

    void edit();
    void addNew();
    void setValue(const QString &name, const QVariant &value);
    void update();
    void cancelUpdate();
    void deleteCurrent();
    EditMode editMode() const;

    // Rows as a list sees them (dynasets and snapshots, not table
    // recordsets): reading a row never moves the current row. Rows are
    // numbered 0 .. rowCount() - 1 in the order of the statement; a row's key
    // is its row id (the auto-number field of the program's tables) or, for
    // computed rows, its number.
    qint64 rowCount() const;
    QVariant valueAt(qint64 row, int field) const;
    qint64 keyOfRow(qint64 row) const;
    qint64 rowOfKey(qint64 key) const; // -1: not among the rows
    // Reads the rows of the statement again; the current row stays the same
    // card where it still belongs to the rows.
    void requery();

    // Told of changes: a row of the table was added, changed or deleted by
    // this connection (row: its number here, -1 when not among the rows);
    // values of any row may have changed (a rollback, another connection's
    // commit), the rows themselves staying until the next move or requery;
    // or the rows are read anew. A change of the rows comes in two steps,
    // one just before the rows change and one just after: AboutToAdd and
    // Added for a row joining this recordset (Added alone when it does not
    // join), AboutToDelete and Deleted, AboutToReload and Reloaded.
    struct Change
    {
        enum Kind { Added, Changed, Deleted, Everything, AboutToAdd, AboutToDelete, AboutToReload, Reloaded } kind;
        qint64 key = 0;
        qint64 row = -1;
    };
    using Listener = std::function<void(const Change &)>;
    int addListener(Listener listener);
    void removeListener(int id);

    struct Impl;

private:
    friend std::shared_ptr<Recordset> openRecordsetOn(const std::shared_ptr<Connection> &, const QString &,
                                                      RecordsetType);
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

} // namespace store
