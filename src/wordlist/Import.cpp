// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Import.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"

namespace WordList {

namespace {

// Characters as the database counts them: a character beyond the 16-bit
// range is one, not two.
qsizetype characters(const QString &s)
{
    qsizetype n = s.size();
    for (qsizetype i = 1; i < s.size(); ++i)
        if (s[i].isLowSurrogate() && s[i - 1].isHighSurrogate())
            --n;
    return n;
}

// A control character has no place in a card; tab and line breaks do in a
// sentence copied from a text.
bool hasControl(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            return true;
    return false;
}

// A whole number from 0 to `max`, digits only; -1 otherwise.
int wholeNumber(const QString &s, int max)
{
    if (s.isEmpty() || s.size() > 9)
        return -1;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    const int n = s.toInt();
    return n <= max ? n : -1;
}

} // namespace

QString Outcome::summary() const
{
    return QStringLiteral("%1 neu, %2 aktualisiert, %3 übersprungen, %4 abgewiesen")
        .arg(added)
        .arg(updated)
        .arg(skipped)
        .arg(rejected);
}

QString Outcome::report() const
{
    return QStringLiteral("%1 Vokabeln importiert, %2 aktualisiert, %3 übersprungen, %4 abgewiesen")
        .arg(added)
        .arg(updated)
        .arg(skipped)
        .arg(rejected);
}

QString describe(const Rejection &r)
{
    return QStringLiteral("Zeile %1: %2").arg(r.line).arg(r.reason);
}

Rules Rules::current()
{
    Rules r;
    r.sizes = Records::textSizes();
    // The program keeps no article for English, wherever it shows a card.
    r.articles = AppState::instance().ForeignLanguage != QLatin1String("Englisch");
    return r;
}

std::optional<Row> Rules::apply(const Record &record, const QVector<Column> &columns, QString &reason) const
{
    reason.clear();
    QString value[kColumnKinds];
    bool any = false;
    for (qsizetype i = 0; i < record.fields.size(); ++i) {
        const QString v = cleaned(record.fields[i]);
        any = any || !v.isEmpty();
        const Column c = i < columns.size() ? columns[i] : Column::Skip;
        if (c != Column::Skip && value[int(c)].isNull())
            value[int(c)] = v.isNull() ? QStringLiteral("") : v;
    }
    if (!any)
        return std::nullopt;

    const auto text = [&](Column c) { return value[int(c)].isNull() ? QStringLiteral("") : value[int(c)]; };
    Row row;
    VocabularyRecord &card = row.card;
    card.FVok = text(Column::Foreign);
    card.MVok = text(Column::Native);
    card.FSatz = text(Column::ForeignSentence);
    card.MSatz = text(Column::NativeSentence);
    const QString article = text(Column::Article);
    const QString fach = text(Column::Compartment);
    const QString known = text(Column::Known);

    if (card.FVok.isEmpty()) {
        reason = QStringLiteral("Das Fremdwort fehlt.");
        return std::nullopt;
    }
    if (card.MVok.isEmpty()) {
        reason = QStringLiteral("Das Wort in der Muttersprache fehlt.");
        return std::nullopt;
    }
    const QString *const all[] = {&card.FVok, &card.MVok, &card.FSatz, &card.MSatz, &article, &fach, &known};
    for (const QString *t : all) {
        if (hasControl(*t)) {
            reason = QStringLiteral("Der Text enthält ein Steuerzeichen, das auf keiner Karte stehen darf.");
            return std::nullopt;
        }
    }
    const struct
    {
        const QString &text;
        int size;
        const char *what;
    } lengths[] = {
        {card.FVok, sizes.FVok, "Das Fremdwort"},
        {card.MVok, sizes.MVok, "Das Wort in der Muttersprache"},
        {card.FSatz, sizes.FSatz, "Der Satz in der Fremdsprache"},
        {card.MSatz, sizes.MSatz, "Der Satz in der Muttersprache"},
    };
    for (const auto &l : lengths) {
        if (characters(l.text) > l.size) {
            reason = QStringLiteral("%1 ist länger als %2 Zeichen.").arg(QString::fromUtf8(l.what)).arg(l.size);
            return std::nullopt;
        }
    }
    if (articles) {
        if (!article.isEmpty() && article != QLatin1String("m") && article != QLatin1String("f")
            && article != QLatin1String("m/f")) {
            reason = QStringLiteral("Der Artikel „%1“ ist nicht erlaubt: nur m, f, m/f oder nichts.").arg(article);
            return std::nullopt;
        }
        if (characters(article) > sizes.Artikel) {
            reason = QStringLiteral("Der Artikel ist länger als %1 Zeichen.").arg(sizes.Artikel);
            return std::nullopt;
        }
        card.Artikel = article;
        row.hasArtikel = !article.isEmpty();
    } else {
        card.Artikel = QStringLiteral("");
    }
    if (!fach.isEmpty()) {
        card.Fach = wholeNumber(fach, Fach::Last);
        if (card.Fach < 0) {
            reason = QStringLiteral("Das Fach „%1“ gibt es nicht: erlaubt ist eine ganze Zahl von 0 bis 7.").arg(fach);
            return std::nullopt;
        }
        row.hasFach = true;
    }
    if (!known.isEmpty()) {
        card.gewusst = wholeNumber(known, 255);
        if (card.gewusst < 0) {
            reason = QStringLiteral("„%1“ ist keine Anzahl für gewusst: erlaubt ist eine ganze Zahl von 0 bis 255.")
                         .arg(known);
            return std::nullopt;
        }
        row.hasGewusst = true;
    }
    row.hasFSatz = !card.FSatz.isEmpty();
    row.hasMSatz = !card.MSatz.isEmpty();
    return row;
}

namespace {

Outcome importRecords(const QString &path, const Layout &layout, const Choices &choices, Mode mode,
                      const std::function<void(const Rejection &)> &rejected)
{
    TextReader text(path, layout.encoding);
    RecordReader reader(text);
    reader.readDirectives();
    reader.setSeparator(layout.separator);
    const Rules rules = Rules::current();

    Outcome out;
    // Every card goes into one transaction: the first failure, of the file
    // or of the database, leaves the pair as it was. A row equal to an
    // earlier one of the same file finds the card that one made.
    Records::CardBatch batch;
    Record record;
    bool first = true;
    QString reason;
    while (reader.next(record)) {
        if (std::exchange(first, false) && layout.header)
            continue;
        std::optional<Row> row = rules.apply(record, layout.columns, reason);
        if (!row) {
            if (!reason.isEmpty()) {
                const Rejection r{record.line, reason};
                if (out.firstRejections.size() < kShownRejections)
                    out.firstRejections << r;
                ++out.rejected;
                if (rejected)
                    rejected(r);
            }
            continue;
        }
        VocabularyRecord &card = row->card;
        std::optional<VocabularyRecord> twin;
        if (choices.duplicates != Duplicates::Add)
            twin = batch.find(card.FVok, card.MVok);
        if (!twin) {
            if (!row->hasFach)
                card.Fach = choices.compartment;
            if (!row->hasGewusst)
                card.gewusst = 0;
            batch.add(card);
            ++out.added;
            continue;
        }
        if (choices.duplicates == Duplicates::Skip) {
            ++out.skipped;
            continue;
        }
        // The card takes what the row gives; the target compartment is for
        // new cards only.
        VocabularyRecord changed = *twin;
        if (row->hasFSatz)
            changed.FSatz = card.FSatz;
        if (row->hasMSatz)
            changed.MSatz = card.MSatz;
        if (row->hasArtikel)
            changed.Artikel = card.Artikel;
        if (row->hasFach)
            changed.Fach = card.Fach;
        if (row->hasGewusst)
            changed.gewusst = card.gewusst;
        if (changed.FSatz == twin->FSatz && changed.MSatz == twin->MSatz && changed.Artikel == twin->Artikel
            && changed.Fach == twin->Fach && changed.gewusst == twin->gewusst) {
            ++out.skipped;
            continue;
        }
        batch.update(changed);
        ++out.updated;
    }
    if (mode == Mode::Store)
        batch.commit();
    return out;
}

} // namespace

Outcome importFile(const QString &path, const Layout &layout, const Choices &choices, Mode mode,
                   const std::function<void(const Rejection &)> &rejected)
{
    if (mode == Mode::Check)
        return importRecords(path, layout, choices, mode, rejected);
    const QString undone = QStringLiteral("\r\nDer Import wurde abgebrochen und ganz rückgängig gemacht: Es wurde keine "
                                          "Vokabel gespeichert.");
    try {
        return importRecords(path, layout, choices, mode, rejected);
    } catch (const store::Error &e) {
        throw store::Error(e.description() + undone, e.kind());
    } catch (const FileError &e) {
        throw FileError(e.message() + undone, e.line());
    }
}

Check check(const QString &path, const Layout &layout, const Choices &choices)
{
    Check c;
    try {
        c.outcome = importFile(path, layout, choices, Mode::Check);
    } catch (const store::Error &e) {
        c.problem = e.description();
    } catch (const FileError &e) {
        c.problem = e.message();
    }
    return c;
}

} // namespace WordList
