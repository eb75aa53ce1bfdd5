// SPDX-License-Identifier: GPL-3.0-or-later
// vokamia-mdbread: copies tables of an Access (Jet) file into a new file of
// Vokamia's own format, so the program can read them like any of its files.
//
//   vokamia-mdbread ACCESS-FILE NEW-FILE [TABLE ...]
//
// Without table names every user table is copied. The library that reads the
// Access format crashes or stops early on some damaged files, so the program
// runs this reader as a child process and trusts only a clean exit. For each
// table copied, one line "name<TAB>rows" goes to standard output. Exit status:
//   0  every table copied whole
//   2  wrong arguments, or the new file cannot be written
//   3  the file is no readable Access file
//   4  a table named is not in the file (its name on standard error)
//   5  a table yields fewer rows than its definition declares
//      (standard error: name<TAB>rows read<TAB>rows declared)
// The new file is written only by this process and never left behind half
// written: on failure it is removed.

#include <glib.h>
// glib must come first: the library's header declares C++-hostile templates
// otherwise.
#include <mdbtools.h>

#include "reader/TableCopy.h"


#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum Exit { Ok = 0, Usage = 2, NotAccess = 3, NoTable = 4, Shortfall = 5 };

struct Failure
{
    int code;
    std::string text;
};

enum class Kind { Integer, Real, Text, Skip };

Kind kindOf(int colType)
{
    switch (colType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return Kind::Integer;
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC:
        return Kind::Real;
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_DATETIME:
        return Kind::Text;
    default:
        return Kind::Skip; // pictures and other binary data: nothing to read as text
    }
}

// Copies one table; returns the number of rows copied.
long copyTable(MdbHandle *mdb, store::TableCopy &out, const std::string &name)
{
    std::vector<char> nameBuf(name.begin(), name.end());
    nameBuf.push_back('\0');
    MdbTableDef *table = mdb_read_table_by_name(mdb, nameBuf.data(), MDB_TABLE);
    if (!table)
        throw Failure{NoTable, name};
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        throw Failure{NotAccess, name};
    }

    const unsigned cols = table->num_cols;
    std::vector<std::vector<char>> values(cols, std::vector<char>(MDB_BIND_SIZE + 1));
    std::vector<int> lengths(cols);
    std::vector<Kind> kinds(cols);
    std::vector<std::pair<std::string, store::TableCopy::Type>> columns;
    for (unsigned i = 0; i < cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        kinds[i] = kindOf(col->col_type);
        mdb_bind_column(table, int(i) + 1, values[i].data(), &lengths[i]);
        columns.emplace_back(col->name, kinds[i] == Kind::Integer ? store::TableCopy::Type::Integer
                                            : kinds[i] == Kind::Real ? store::TableCopy::Type::Real
                                                                     : store::TableCopy::Type::Text);
    }
    out.beginTable(name, columns);

    // The bound values cannot tell a null from an empty text; the row's own
    // null mask can, so each row is taken apart once more for it.
    std::vector<MdbField> fields(cols + 1);
    long rows = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        int start = 0;
        size_t size = 0;
        const bool cracked = mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) == 0
            && mdb_crack_row(table, start, size, fields.data()) > 0;
        for (unsigned i = 0; i < cols; ++i) {
            const int c = int(i);
            const bool isNull = cracked ? fields[i].is_null != 0 : lengths[i] == 0;
            if (isNull || kinds[i] == Kind::Skip)
                out.setNull(c);
            else if (kinds[i] == Kind::Integer)
                out.setInteger(c, std::strtoll(values[i].data(), nullptr, 10));
            else if (kinds[i] == Kind::Real)
                out.setReal(c, std::strtod(values[i].data(), nullptr));
            else
                out.setText(c, values[i].data());
        }
        out.writeRow();
        ++rows;
    }

    // A file cut short ends the scan early without any error: only the count
    // the definition declares shows that rows are missing.
    const long declared = long(table->num_rows);
    mdb_free_tabledef(table);
    if (rows < declared)
        throw Failure{Shortfall, name + "\t" + std::to_string(rows) + "\t" + std::to_string(declared)};
    return rows;
}

std::vector<std::string> userTables(MdbHandle *mdb)
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && mdb_is_user_table(e))
            names.emplace_back(e->object_name);
    }
    return names;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ACCESS-FILE NEW-FILE [TABLE ...]\n", argv[0]);
        return Usage;
    }
    const char *outPath = argv[2];
    MdbHandle *mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_ANY)) {
        if (mdb)
            mdb_close(mdb);
        std::fprintf(stderr, "not an Access file\n");
        return NotAccess;
    }
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");

    int code = Ok;
    std::string text;
    try {
        store::TableCopy out(outPath);
        std::vector<std::string> names;
        for (int i = 3; i < argc; ++i)
            names.emplace_back(argv[i]);
        if (names.empty())
            names = userTables(mdb);
        std::string report;
        for (const std::string &n : names)
            report += n + "\t" + std::to_string(copyTable(mdb, out, n)) + "\n";
        out.commit();
        std::fputs(report.c_str(), stdout);
    } catch (const Failure &f) {
        code = f.code;
        text = f.text;
    } catch (const std::runtime_error &e) {
        code = Usage;
        text = e.what();
    }
    mdb_close(mdb);
    if (code != Ok) {
        std::remove(outPath);
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    return code;
}
