// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Layout.h"

#include <QFileInfo>

#include <algorithm>
#include <map>

namespace WordList {

namespace {

// The records a separator cuts the start of the file into, up to `limit`;
// a quote that never closes ends the sample where it stands.
QVector<Record> sample(const QString &path, Encoding encoding, QChar separator, int limit,
                       QVector<Directive> *directives = nullptr)
{
    TextReader text(path, encoding);
    RecordReader reader(text);
    const QVector<Directive> found = reader.readDirectives();
    if (directives)
        *directives = found;
    reader.setSeparator(separator);
    QVector<Record> records;
    Record r;
    try {
        while (records.size() < limit && reader.next(r))
            records << r;
    } catch (const FileError &) {
        // The whole file is read again for the import, which says so.
    }
    return records;
}

// How well a separator fits: the number of records that have the most
// common count of fields, when that count is more than one.
qsizetype fit(const QVector<Record> &records)
{
    std::map<qsizetype, qsizetype> counts;
    for (const Record &r : records)
        if (r.fields.size() > 1)
            ++counts[r.fields.size()];
    qsizetype best = 0;
    for (const auto &[fields, n] : counts)
        best = std::max(best, n);
    return best;
}

QVector<Column> columnsFromNames(const QStringList &names, const PairNames &pair, int *known)
{
    QVector<Column> columns;
    QVector<bool> taken(kColumnKinds, false);
    *known = 0;
    for (const QString &n : names) {
        const std::optional<Column> c = columnNamed(n, pair);
        if (c && !taken[int(*c)]) {
            taken[int(*c)] = true;
            columns << *c;
            ++*known;
        } else {
            columns << Column::Skip;
        }
    }
    return columns;
}

} // namespace

const QStringList &columnNames()
{
    static const QStringList names = {
        QStringLiteral("Fremdwort"),         QStringLiteral("Muttersprache"), QStringLiteral("Satz Fremdsprache"),
        QStringLiteral("Satz Muttersprache"), QStringLiteral("Artikel"),       QStringLiteral("Fach"),
        QStringLiteral("gewusst"),           QStringLiteral("nicht importieren"),
    };
    return names;
}

QVector<Column> Layout::inOrder(qsizetype count)
{
    QVector<Column> columns;
    const Column first[] = {Column::Foreign, Column::Native, Column::ForeignSentence, Column::NativeSentence};
    for (qsizetype i = 0; i < count; ++i)
        columns << (i < 4 ? first[i] : Column::Skip);
    return columns;
}

std::optional<Column> columnNamed(const QString &name, const PairNames &pair)
{
    const QString n = cleaned(name);
    if (n.isEmpty())
        return std::nullopt;
    const auto is = [&](const QString &other) {
        return !other.isEmpty() && n.compare(other, Qt::CaseInsensitive) == 0;
    };
    for (int k = 0; k < int(Column::Skip); ++k)
        if (is(columnNames()[k]))
            return Column(k);
    // The headings of the table view of this pair.
    if (is(pair.foreign))
        return Column::Foreign;
    if (is(pair.native))
        return Column::Native;
    if (!pair.foreign.isEmpty() && is(QStringLiteral("Satz ") + pair.foreign))
        return Column::ForeignSentence;
    if (!pair.native.isEmpty() && is(QStringLiteral("Satz ") + pair.native))
        return Column::NativeSentence;
    return std::nullopt;
}

QString cleaned(const QString &field)
{
    return field.trimmed().normalized(QString::NormalizationForm_C);
}

std::optional<QChar> separatorNamed(const QString &value)
{
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("tab"))
        return QLatin1Char('\t');
    if (v == QLatin1String("semicolon"))
        return QLatin1Char(';');
    if (v == QLatin1String("comma"))
        return QLatin1Char(',');
    if (v == QLatin1String("pipe"))
        return QLatin1Char('|');
    // The character itself; a tab stands as it is, blanks around others go.
    const QString c = value == QLatin1String("\t") ? value : value.trimmed();
    // The parser cuts at one byte: a character of the ASCII range, and not
    // one it gives a meaning of its own.
    if (c.size() == 1 && c[0].unicode() < 0x80 && c[0] != QLatin1Char('"') && c[0] != QLatin1Char('\r')
        && c[0] != QLatin1Char('\n') && c[0] != QLatin1Char(' '))
        return c[0];
    return std::nullopt;
}

Inspection inspect(const QString &path, const PairNames &pair, std::optional<Encoding> encoding,
                   std::optional<QChar> separator)
{
    const Sniffed sniffed = sniff(path);
    Inspection result;
    Layout &layout = result.layout;
    layout.encoding = encoding.value_or(sniffed.encoding);

    QVector<Directive> directives;
    sample(path, layout.encoding, QLatin1Char('\t'), 0, &directives);
    std::optional<QChar> named;
    QString columnsLine;
    for (const Directive &d : directives) {
        if (d.name == QLatin1String("separator") && !named)
            named = separatorNamed(d.value);
        else if (d.name == QLatin1String("columns") && columnsLine.isNull())
            columnsLine = d.value;
    }
    result.separatorGiven = named.has_value();

    if (separator) {
        layout.separator = *separator;
    } else if (named) {
        layout.separator = *named;
    } else {
        // Each candidate cuts the first records; the one that gives the
        // same number of fields most often wins, a tie the earlier one.
        qsizetype best = -1;
        for (const QChar c : kSeparators) {
            const qsizetype f = fit(sample(path, layout.encoding, c, kSampleRecords));
            if (f > best) {
                best = f;
                layout.separator = c;
            }
        }
    }

    result.preview = sample(path, layout.encoding, layout.separator, kPreviewRecords);
    if (result.preview.isEmpty()) {
        // Nothing but empty lines, or a first record that never ends: the
        // full reading says which.
        TextReader text(path, layout.encoding);
        RecordReader reader(text);
        reader.readDirectives();
        reader.setSeparator(layout.separator);
        Record r;
        if (!reader.next(r))
            throw FileError(QStringLiteral("Die Datei „%1“ ist leer.").arg(QFileInfo(path).fileName()));
    }
    for (Record &r : result.preview) {
        for (QString &f : r.fields)
            f = cleaned(f);
        result.columnCount = std::max(result.columnCount, r.fields.size());
    }

    int known = 0;
    QVector<Column> fromHeader;
    if (!result.preview.isEmpty())
        fromHeader = columnsFromNames(result.preview.first().fields, pair, &known);
    layout.header = known >= 2;
    if (!columnsLine.isNull()) {
        int namedColumns = 0;
        const QVector<Column> fromDirective =
            columnsFromNames(columnsLine.split(layout.separator), pair, &namedColumns);
        if (namedColumns >= 2) {
            fromHeader = fromDirective;
            known = namedColumns;
        }
    }
    layout.columns = known >= 2 ? fromHeader : Layout::inOrder(result.columnCount);
    while (layout.columns.size() < result.columnCount)
        layout.columns << Column::Skip;
    return result;
}

} // namespace WordList
