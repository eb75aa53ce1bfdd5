// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Statistics.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "store/SqlNames.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <limits>
#include <memory>

namespace Statistics {

namespace {

const QString kAnswers = QStringLiteral("VkSysAntworten");
const QString kBoxDays = kBoxDaysTable;

const QStringList kAnswerFields = {
    QStringLiteral("Zeit"),       QStringLiteral("SprachId"), QStringLiteral("VNr"),
    QStringLiteral("FachVorher"), QStringLiteral("FachNachher"), QStringLiteral("Richtig"),
    QStringLiteral("Tests"),      QStringLiteral("Richtung"), QStringLiteral("Eingabe"),
};

QStringList boxFields()
{
    QStringList fields{QStringLiteral("Tag"), QStringLiteral("SprachId")};
    for (int c = 0; c < 8; ++c)
        fields << QStringLiteral("Fach%1").arg(c);
    return fields;
}

// A calendar date YYYY-MM-DD at the start of `col`: digits where digits
// belong, a month 01..12 and a day that the month has. Only functions every
// SQLite knows, so that indexes made on it stay usable by any tool.
QString dateIsValid(const QString &col)
{
    const QString year = QStringLiteral("CAST(substr(") + col + QStringLiteral(", 1, 4) AS INTEGER)");
    const QString month = QStringLiteral("substr(") + col + QStringLiteral(", 6, 2)");
    return col + QStringLiteral(" GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]*' AND substr(") + col
        + QStringLiteral(", 1, 4) >= '0001' AND ") + month + QStringLiteral(" BETWEEN '01' AND '12' AND substr(")
        + col + QStringLiteral(", 9, 2) BETWEEN '01' AND CASE ") + month
        + QStringLiteral(" WHEN '02' THEN CASE WHEN ") + year + QStringLiteral(" % 400 = 0 OR (") + year
        + QStringLiteral(" % 4 = 0 AND ") + year
        + QStringLiteral(" % 100 <> 0) THEN '29' ELSE '28' END WHEN '04' THEN '30' WHEN '06' THEN '30' "
                         "WHEN '09' THEN '30' WHEN '11' THEN '30' ELSE '31' END");
}

// A readable row of the answer log: a UTC time with seconds, both
// compartments 0..7, right, wrong or (moved by hand) neither. The indexes of
// the log hold only such rows, and every query repeats this text word for
// word, which is what lets SQLite use them (and what spares it testing the
// rows one by one).
const QString &rowIsValid()
{
    static const QString v = QStringLiteral("(")
        + dateIsValid(QStringLiteral("Zeit"))
        + QStringLiteral(" AND length(Zeit) = 20 AND Zeit GLOB '*T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]Z'"
                         " AND substr(Zeit, 12, 2) < '24'"
                         " AND FachVorher IN (0, 1, 2, 3, 4, 5, 6, 7) AND FachNachher IN (0, 1, 2, 3, 4, 5, 6, 7)"
                         " AND (Richtig IS NULL OR Richtig IN (0, 1)))");
    return v;
}

// A readable day of the card box: a calendar day and eight counts that are
// whole numbers, none below 0.
const QString &boxIsValid()
{
    static const QString v = [] {
        QString s = QStringLiteral("(") + dateIsValid(QStringLiteral("Tag"))
            + QStringLiteral(" AND length(Tag) = 10");
        for (int c = 0; c < 8; ++c)
            s += QStringLiteral(" AND typeof(Fach%1) = 'integer' AND Fach%1 >= 0").arg(c);
        return s + QLatin1Char(')');
    }();
    return v;
}

QStringList schema()
{
    QString box = QStringLiteral("CREATE TABLE VkSysKastenTage (Tag TEXT, SprachId INTEGER");
    for (int c = 0; c < 8; ++c)
        box += QStringLiteral(", Fach%1 INTEGER").arg(c);
    box += QStringLiteral(", PRIMARY KEY (SprachId, Tag))");
    return {
        QStringLiteral("CREATE TABLE VkSysAntworten (Zeit TEXT, SprachId INTEGER, VNr INTEGER, FachVorher INTEGER, "
                       "FachNachher INTEGER, Richtig INTEGER, Tests INTEGER, Richtung INTEGER, Eingabe TEXT)"),
        box,
    };
}

struct IndexSql
{
    QString name;
    QString sql;
};

// The answers of a day in the order of time (the days, today, the series),
// the answers of a card (the hardest words), and the few unreadable rows
// apart, so that counting them is cheap too.
QVector<IndexSql> indexes()
{
    return {
        {QStringLiteral("VkSysAntworten$Zeit"),
         QStringLiteral("CREATE INDEX \"VkSysAntworten$Zeit\" ON VkSysAntworten "
                        "(SprachId, Zeit, Richtig, VNr, FachVorher, FachNachher) WHERE ")
             + rowIsValid()},
        {QStringLiteral("VkSysAntworten$Karte"),
         QStringLiteral("CREATE INDEX \"VkSysAntworten$Karte\" ON VkSysAntworten "
                        "(SprachId, Richtig, VNr, Zeit, FachVorher, FachNachher) WHERE ")
             + rowIsValid()},
        {QStringLiteral("VkSysAntworten$Defekt"),
         QStringLiteral("CREATE INDEX \"VkSysAntworten$Defekt\" ON VkSysAntworten (SprachId) WHERE ") + rowIsValid()
             + QStringLiteral(" IS NOT 1")},
    };
}

QStringList columnsOf(store::Database &db, const QString &table)
{
    QStringList names;
    db.forEachRow(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table},
                  [&](const QVariantList &row) { names << row[0].toString().toLower(); });
    return names;
}

bool hasIndex(store::Database &db, const QString &name)
{
    bool found = false;
    db.forEachRow(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"), {name},
                  [&](const QVariantList &) { found = true; });
    return found;
}

void makeMissing(store::Database &db)
{
    const QStringList tables{kAnswers, kBoxDays};
    const QStringList ddl = schema();
    const QList<QStringList> fields{kAnswerFields, boxFields()};
    for (int t = 0; t < tables.size(); ++t) {
        const QStringList have = columnsOf(db, tables[t]);
        if (have.isEmpty()) {
            db.execute(ddl[t]);
            continue;
        }
        for (const QString &f : fields[t])
            if (!have.contains(f.toLower()))
                throw store::Error(QStringLiteral("Die Tabelle %1 der Datei hat nicht die Felder, die die Lernstatistik "
                                                  "braucht (es fehlt %2).")
                                       .arg(tables[t], f));
    }
    for (const IndexSql &i : indexes())
        if (!hasIndex(db, i.name))
            db.execute(i.sql);
}

store::Database &currentDatabase()
{
    const auto &db = AppState::instance().Database;
    if (!db)
        throw store::Error(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    return *db;
}

int currentPair()
{
    return AppState::instance().SprachNr;
}

QString utcText(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

// Where the local calendar day begins, as the log writes times.
QString dayStart(const QDate &day)
{
    return utcText(day.startOfDay());
}

QDate localDay(const QString &zeit)
{
    QDateTime t = QDateTime::fromString(zeit, Qt::ISODate);
    return t.isValid() ? t.toLocalTime().date() : QDate();
}

std::int32_t toCount(const QVariant &v)
{
    return std::int32_t(std::clamp<qlonglong>(v.toLongLong(), 0, std::numeric_limits<std::int32_t>::max()));
}

// One query, one row of numbers.
QVariantList firstRow(store::Database &db, const QString &sql, const QVariantList &params)
{
    QVariantList result;
    db.forEachRow(sql, params, [&](const QVariantList &row) {
        if (result.isEmpty())
            result = row;
    });
    return result;
}

struct DayCount
{
    QDate day;
    DayAnswers answers;
};

// Every local day with answers, up to today, in order: one look-up of the
// next answer after each such day. Days without any answer cost nothing,
// however far apart the answers lie, and nothing is counted yet.
QVector<DayCount> daysWithAnswers(store::Database &db, int pair, const QDate &today)
{
    const QString next = QStringLiteral("SELECT Zeit FROM VkSysAntworten WHERE SprachId = ? AND Zeit >= ? AND "
                                        "Richtig IS NOT NULL AND ")
        + rowIsValid() + QStringLiteral(" ORDER BY Zeit LIMIT 1");
    QVector<DayCount> days;
    QString from;
    for (;;) {
        const QVariantList found = firstRow(db, next, {pair, from});
        if (found.isEmpty())
            break;
        const QString zeit = found[0].toString();
        const QDate day = localDay(zeit);
        if (!day.isValid() || day > today)
            break;
        const QString end = dayStart(day.addDays(1));
        // The day must end after the answer found in it, or the walk would
        // stand still.
        if (end <= zeit || end <= from)
            break;
        days << DayCount{day, {}};
        from = end;
    }
    return days;
}

// The answers of one local day: one indexed count over that day's rows.
DayAnswers countDay(store::Database &db, int pair, const QDate &day)
{
    const QString count = QStringLiteral("SELECT count(Richtig), total(Richtig) FROM VkSysAntworten WHERE SprachId = ? "
                                         "AND Zeit >= ? AND Zeit < ? AND ")
        + rowIsValid();
    const QVariantList sums = firstRow(db, count, {pair, dayStart(day), dayStart(day.addDays(1))});
    DayAnswers d;
    const std::int32_t all = toCount(sums.value(0));
    d.right = toCount(sums.value(1));
    d.wrong = std::max(0, all - d.right);
    return d;
}

void countSeries(Figures &f, const QVector<DayCount> &days, const QDate &today)
{
    std::int32_t run = 0;
    QDate previous;
    for (const DayCount &d : days) {
        run = previous.isValid() && previous.addDays(1) == d.day ? run + 1 : 1;
        f.longestSeries = std::max(f.longestSeries, run);
        previous = d.day;
    }
    // The run that ends today, or yesterday while today may still come.
    if (previous.isValid() && (previous == today || previous == today.addDays(-1)))
        f.series = run;
}

QDate firstBoxDay(store::Database &db, int pair, const QDate &today)
{
    const QVariantList row = firstRow(db,
                                      QStringLiteral("SELECT min(Tag) FROM VkSysKastenTage WHERE SprachId = ? AND "
                                                     "Tag <= ? AND ")
                                          + boxIsValid(),
                                      {pair, today});
    return row.isEmpty() ? QDate() : QDate::fromString(row[0].toString(), Qt::ISODate);
}

std::array<std::int32_t, 8> boxOf(const QVariantList &row)
{
    std::array<std::int32_t, 8> counts{};
    for (int c = 0; c < 8; ++c)
        counts[c] = toCount(row.value(c + 1));
    return counts;
}

void fillBox(store::Database &db, int pair, Figures &f)
{
    QString select = QStringLiteral("SELECT Tag");
    for (int c = 0; c < 8; ++c)
        select += QStringLiteral(", Fach%1").arg(c);
    select += QStringLiteral(" FROM VkSysKastenTage WHERE SprachId = ? AND ");
    std::optional<std::array<std::int32_t, 8>> current;
    db.forEachRow(select + QStringLiteral("Tag < ? AND ") + boxIsValid() + QStringLiteral(" ORDER BY Tag DESC LIMIT 1"),
                  {pair, f.first}, [&](const QVariantList &row) { current = boxOf(row); });
    QVector<std::pair<QDate, std::array<std::int32_t, 8>>> rows;
    db.forEachRow(select + QStringLiteral("Tag >= ? AND Tag <= ? AND ") + boxIsValid() + QStringLiteral(" ORDER BY Tag"),
                  {pair, f.first, f.last}, [&](const QVariantList &row) {
                      rows.append({QDate::fromString(row[0].toString(), Qt::ISODate), boxOf(row)});
                  });
    qsizetype next = 0;
    for (qsizetype i = 0; i < f.days(); ++i) {
        const QDate day = f.first.addDays(i);
        while (next < rows.size() && rows[next].first <= day)
            current = rows[next++].second;
        f.box[i] = current;
    }
}

void findHardest(store::Database &db, int pair, Figures &f)
{
    const QString start = dayStart(f.first);
    const QString end = dayStart(f.last.addDays(1));
    // A short period has few rows: read them by time and group them, rather
    // than every wrong answer ever by card (what the planner would pick).
    const QString byTime = f.days() <= 31 ? QStringLiteral("INDEXED BY \"VkSysAntworten$Zeit\" ") : QString();
    const QString wrongMost = QStringLiteral("SELECT VNr, count(*) AS falsch, max(Zeit) AS zuletzt FROM VkSysAntworten ")
        + byTime + QStringLiteral("WHERE SprachId = ? AND Richtig = 0 AND Zeit >= ? AND Zeit < ? AND ")
        + rowIsValid() + QStringLiteral(" GROUP BY VNr ORDER BY falsch DESC, zuletzt DESC, VNr LIMIT ? OFFSET ?");
    const QString card = QStringLiteral("SELECT FVok, MVok FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?");
    const QString rightOf = QStringLiteral("SELECT count(*) FROM VkSysAntworten WHERE SprachId = ? AND Richtig = 1 AND "
                                           "VNr = ? AND Zeit >= ? AND Zeit < ? AND ")
        + rowIsValid();
    // Cards deleted since are passed over: take more until the list is full
    // or no card is left.
    constexpr int kBatch = 2 * kHardWords;
    for (int offset = 0; f.hardest.size() < kHardWords; offset += kBatch) {
        QVector<HardWord> candidates;
        db.forEachRow(wrongMost, {pair, start, end, kBatch, offset}, [&](const QVariantList &row) {
            HardWord w;
            w.vnr = std::int32_t(row[0].toLongLong());
            w.wrong = toCount(row[1]);
            candidates << w;
        });
        for (HardWord &w : candidates) {
            bool present = false;
            db.forEachRow(card, {w.vnr}, [&](const QVariantList &row) {
                present = true;
                w.fvok = row[0].toString();
                w.mvok = row[1].toString();
            });
            if (!present)
                continue;
            w.right = toCount(firstRow(db, rightOf, {pair, w.vnr, start, end}).value(0));
            f.hardest << w;
            if (f.hardest.size() == kHardWords)
                break;
        }
        if (candidates.size() < kBatch)
            break;
    }
}

// Rows that cannot be shown: unreadable rows of this pair, and every row of
// a pair that the catalogue does not know (whose window would show it).
std::int32_t countUnreadable(store::Database &db, int pair)
{
    // A file without a catalogue knows only the pair in use.
    QVector<qlonglong> known;
    if (db.hasTable(QStringLiteral("tSprache")))
        db.forEachRow(QStringLiteral("SELECT DISTINCT SprachId FROM tSprache WHERE typeof(SprachId) = 'integer' "
                                     "ORDER BY SprachId"),
                      {}, [&](const QVariantList &row) { known << row[0].toLongLong(); });
    else
        known << pair;
    const QSet<qlonglong> knownSet(known.begin(), known.end());
    const auto isKnown = [&](const QVariant &id) {
        return id.typeId() == QMetaType::LongLong && knownSet.contains(id.toLongLong());
    };

    qlonglong bad = 0;
    db.forEachRow(QStringLiteral("SELECT SprachId, count(*) FROM VkSysAntworten WHERE ") + rowIsValid()
                      + QStringLiteral(" IS NOT 1 GROUP BY SprachId"),
                  {}, [&](const QVariantList &row) {
                      if (!isKnown(row[0]) || row[0].toLongLong() == pair)
                          bad += row[1].toLongLong();
                  });
    // Readable rows of unknown pairs: the ranges around the known numbers,
    // each one indexed count that touches only the rows it counts.
    const QString count = QStringLiteral("SELECT count(*) FROM VkSysAntworten WHERE %1 AND ") + rowIsValid();
    bad += firstRow(db, count.arg(QStringLiteral("SprachId IS NULL")), {}).value(0).toLongLong();
    if (known.isEmpty()) {
        bad += firstRow(db, count.arg(QStringLiteral("SprachId IS NOT NULL")), {}).value(0).toLongLong();
    } else {
        bad += firstRow(db, count.arg(QStringLiteral("SprachId < ?")), {known.first()}).value(0).toLongLong();
        for (qsizetype i = 0; i + 1 < known.size(); ++i)
            bad += firstRow(db, count.arg(QStringLiteral("SprachId > ? AND SprachId < ?")), {known[i], known[i + 1]})
                       .value(0)
                       .toLongLong();
        bad += firstRow(db, count.arg(QStringLiteral("SprachId > ?")), {known.last()}).value(0).toLongLong();
    }

    // The card box has a row a day: few enough to look at each group.
    db.forEachRow(QStringLiteral("SELECT SprachId, ") + boxIsValid()
                      + QStringLiteral(" IS 1, count(*) FROM VkSysKastenTage GROUP BY 1, 2"),
                  {}, [&](const QVariantList &row) {
                      if (!isKnown(row[0]) || (row[0].toLongLong() == pair && !row[1].toBool()))
                          bad += row[2].toLongLong();
                  });
    return std::int32_t(std::min<qlonglong>(bad, std::numeric_limits<std::int32_t>::max()));
}

struct LastBox
{
    std::weak_ptr<store::Database> db;
    int pair = 0;
    QDate day;
    std::array<std::int32_t, 8> counts{};
};

LastBox &lastBox()
{
    static LastBox last;
    return last;
}

} // namespace

QString prepareFile(store::Database &db)
{
    try {
        db.beginTrans();
        try {
            makeMissing(db);
            db.commitTrans();
        } catch (const store::Error &) {
            db.rollback();
            throw;
        }
    } catch (const store::Error &e) {
        return e.description();
    }
    return QString();
}

void logAnswer(store::Database &db, const LogRow &row)
{
    if (!db.keepsStatistics())
        return;
    const QVariant right = row.right ? QVariant(*row.right ? 1 : 0) : QVariant();
    const QVariant direction = row.direction ? QVariant(row.direction) : QVariant();
    db.execute(QStringLiteral("INSERT INTO VkSysAntworten (Zeit, SprachId, VNr, FachVorher, FachNachher, Richtig, "
                              "Tests, Richtung, Eingabe) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {utcText(Clock::now()), currentPair(), row.vnr, row.fachBefore, row.fachAfter, right, row.tests,
                direction, row.typed});
}

MoveLog::MoveLog(store::Database &db, int fach) : db_(db)
{
    if (!db.keepsStatistics())
        return;
    before_ = QStringLiteral("SELECT Fach FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?");
    params_ = {utcText(Clock::now()), currentPair(), fach};
}

int MoveLog::move(std::int32_t vnr, const std::function<int()> &update)
{
    if (before_.isEmpty())
        return update();
    const QVariantList card = firstRow(db_, before_, {vnr});
    const int changed = update();
    // The row follows the card's change, so that a change the engine
    // refuses leaves no row behind, even where the caller commits what
    // went before.
    if (changed > 0 && !card.isEmpty()) {
        QVariantList params = params_;
        params.insert(2, vnr);
        params.insert(3, card[0]);
        db_.execute(QStringLiteral("INSERT INTO VkSysAntworten (Zeit, SprachId, VNr, FachVorher, FachNachher, "
                                   "Richtig, Tests, Richtung, Eingabe) VALUES (?, ?, ?, ?, ?, NULL, 0, NULL, NULL)"),
                    params);
    }
    return changed;
}

namespace {

void writeBox(store::Database &db, int pair, const QDate &day, const std::array<std::int32_t, 8> &counts)
{
    QString names;
    QString marks;
    QString updates;
    QVariantList values{day, pair};
    for (int c = 0; c < 8; ++c) {
        names += QStringLiteral(", Fach%1").arg(c);
        marks += QStringLiteral(", ?");
        updates += QStringLiteral("%1Fach%2 = excluded.Fach%2").arg(c ? QStringLiteral(", ") : QString()).arg(c);
        values << counts[c];
    }
    db.execute(QStringLiteral("INSERT INTO VkSysKastenTage (Tag, SprachId") + names + QStringLiteral(") VALUES (?, ?")
                   + marks + QStringLiteral(") ON CONFLICT (SprachId, Tag) DO UPDATE SET ") + updates,
               values);
}

std::array<std::int32_t, 8> countBox(store::Database &db, const QString &sqlTable)
{
    std::array<std::int32_t, 8> counts{};
    db.forEachRow(QStringLiteral("SELECT Fach, count(*) FROM ") + sqlTable + QStringLiteral(" GROUP BY Fach"), {},
                  [&](const QVariantList &row) {
                      const qlonglong fach = row[0].toLongLong();
                      if (row[0].isValid() && fach >= 0 && fach < 8)
                          counts[fach] = toCount(row[1]);
                  });
    return counts;
}

} // namespace

void recordBox(const std::array<std::int32_t, 8> &counts)
{
    const AppState &a = AppState::instance();
    if (!a.Database || !a.Database->keepsStatistics() || a.SprachNr < 1)
        return;
    const QDate day = Clock::today();
    LastBox &last = lastBox();
    if (last.db.lock() == a.Database && last.pair == a.SprachNr && last.day == day && last.counts == counts)
        return;
    writeBox(*a.Database, a.SprachNr, day, counts);
    last = LastBox{a.Database, a.SprachNr, day, counts};
}

void recordBoxNow()
{
    recordBox(countBox(currentDatabase(), Records::sqlTable()));
}

void recordBoxOf(store::Database &db, int pair, const QString &table)
{
    if (!db.keepsStatistics() || pair < 1)
        return;
    writeBox(db, pair, Clock::today(), countBox(db, store::sqlName(table)));
    // The row the main window remembers writing may be another now.
    lastBox().day = QDate();
}

Figures figures(Period period)
{
    store::Database &db = currentDatabase();
    const int pair = currentPair();
    Figures f;
    f.last = Clock::today();
    f.first = f.last;
    if (!db.keepsStatistics()) {
        f.answers.resize(1);
        f.box.resize(1);
        return f;
    }

    const QVector<DayCount> days = daysWithAnswers(db, pair, f.last);
    f.anyAnswers = !days.isEmpty();
    countSeries(f, days, f.last);

    switch (period) {
    case Period::Week: f.first = f.last.addDays(-6); break;
    case Period::Month: f.first = f.last.addDays(-29); break;
    case Period::Year: f.first = f.last.addDays(-364); break;
    case Period::All: {
        if (!days.isEmpty())
            f.first = days.first().day;
        const QDate box = firstBoxDay(db, pair, f.last);
        if (box.isValid() && box < f.first)
            f.first = box;
        break;
    }
    }
    const qsizetype n = f.first.daysTo(f.last) + 1;
    f.answers.resize(n);
    f.box.resize(n);
    // Only the days of the period are counted.
    for (const DayCount &d : days) {
        const qint64 i = f.first.daysTo(d.day);
        if (i >= 0 && i < n)
            f.answers[i] = countDay(db, pair, d.day);
    }

    const QVariantList today = firstRow(db,
                                        QStringLiteral("SELECT count(DISTINCT VNr) FROM VkSysAntworten WHERE SprachId = "
                                                       "? AND Zeit >= ? AND Zeit < ? AND Richtig IS NOT NULL AND ")
                                            + rowIsValid(),
                                        {pair, dayStart(f.last), dayStart(f.last.addDays(1))});
    f.todayCards = toCount(today.value(0));
    f.todayRight = f.answers.last().right;
    f.todayWrong = f.answers.last().wrong;

    fillBox(db, pair, f);
    findHardest(db, pair, f);
    f.unreadable = countUnreadable(db, pair);
    return f;
}

} // namespace Statistics
