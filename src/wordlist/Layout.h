// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wordlist/Records.h"
#include "wordlist/Text.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// How a word list is laid out: its encoding, separator, whether the first
// record names the columns, and what each column holds. What the file says
// for certain (a mark, "#separator:", "#columns:") decides; the rest is
// found from its first records, the same way every time.
namespace WordList {

enum class Column {
    Foreign,         // Fremdwort
    Native,          // Muttersprache
    ForeignSentence, // Satz Fremdsprache
    NativeSentence,  // Satz Muttersprache
    Article,         // Artikel
    Compartment,     // Fach
    Known,           // gewusst
    Skip,            // nicht importieren
};
inline constexpr int kColumnKinds = 8;

// The names of the columns as the export writes them and the window lists
// them, in the order of Column; "nicht importieren" last.
const QStringList &columnNames();

// The separators a learner chooses from, in the order a tie is decided.
inline const QString kSeparators = QStringLiteral("\t;,");

struct Layout
{
    Encoding encoding = Encoding::Utf8;
    QChar separator = QLatin1Char('\t');
    bool header = false;
    QVector<Column> columns; // one per column of the file; Skip for the rest
    // Without a header the columns are taken in this order.
    static QVector<Column> inOrder(qsizetype count);
};

// The foreign and native language of the pair a list goes to: the table
// view's headings name columns too.
struct PairNames
{
    QString foreign;
    QString native;
};

// The column a header field names, if any (letter case ignored).
std::optional<Column> columnNamed(const QString &name, const PairNames &pair);

// A field as stored: blanks at both ends taken off, Unicode normal form C.
QString cleaned(const QString &field);

struct Inspection
{
    Layout layout;
    // The first records as read (the header among them), fields cleaned.
    QVector<Record> preview;
    qsizetype columnCount = 0; // the most fields of the records previewed
    bool separatorGiven = false; // named by the file itself
};

inline constexpr int kPreviewRecords = 20;
inline constexpr int kSampleRecords = 50;

// Reads the start of the file. An encoding or separator given is taken as it
// is; the others are found. Throws FileError for a file that cannot be read,
// is empty or binary.
Inspection inspect(const QString &path, const PairNames &pair, std::optional<Encoding> encoding = {},
                   std::optional<QChar> separator = {});

// The separator a "#separator:" value names; nothing for a value it cannot be.
std::optional<QChar> separatorNamed(const QString &value);

} // namespace WordList
