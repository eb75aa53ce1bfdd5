// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A learning history written straight into the statistics tables, with
// times given as the learner's local clock shows them, so that a test can
// say "answered at 23:59 and at 0:01" and mean two local days.

#include "core/Clock.h"
#include "store/Engine.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <array>
#include <ctime>
#include <cstdlib>

namespace History {

// Local days as in Berlin, with its changes to and from summer time (the
// last Sundays of March and October), whatever the machine's zone.
inline void useBerlinTime()
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

// "2025-03-30 00:30" (or with seconds) on the local clock.
inline QDateTime local(const QString &text)
{
    QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!t.isValid())
        t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm"));
    return t;
}

// The time as the answer log writes it: UTC with seconds.
inline QString zeit(const QString &localText)
{
    return local(localText).toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

inline void pinNow(const QString &localText)
{
    Clock::pin(local(localText));
}

// Writes the rows made while it lives in one transaction: a long history
// in one commit rather than in one commit per row.
class Batch
{
public:
    explicit Batch(store::Database &db) : db_(db) { db_.beginTrans(); }
    ~Batch() { db_.commitTrans(); }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

private:
    store::Database &db_;
};

struct Row
{
    QVariant zeit;
    QVariant pair = 1;
    QVariant vnr = 1;
    QVariant fachBefore = 1;
    QVariant fachAfter = 2;
    QVariant right = 1; // null: moved by hand
    QVariant tests = 1;
    QVariant direction = 1;
    QVariant typed = QString();
};

inline void put(store::Database &db, const Row &r)
{
    db.execute(QStringLiteral("INSERT INTO VkSysAntworten (Zeit, SprachId, VNr, FachVorher, FachNachher, Richtig, "
                              "Tests, Richtung, Eingabe) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {r.zeit, r.pair, r.vnr, r.fachBefore, r.fachAfter, r.right, r.tests, r.direction, r.typed});
}

// An answer of card `vnr` of pair `pair` at a local time.
inline void answer(store::Database &db, const QString &localText, int vnr, bool right, int pair = 1)
{
    Row r;
    r.zeit = zeit(localText);
    r.vnr = vnr;
    r.right = right ? 1 : 0;
    r.fachAfter = right ? 2 : 1;
    r.pair = pair;
    put(db, r);
}

// The card box of pair `pair` on a day, as start-up records it.
inline void box(store::Database &db, const QString &day, const std::array<int, 8> &counts, int pair = 1)
{
    QVariantList values{day, pair};
    for (int c : counts)
        values << c;
    db.execute(QStringLiteral("INSERT INTO VkSysKastenTage (Tag, SprachId, Fach0, Fach1, Fach2, Fach3, Fach4, Fach5, "
                              "Fach6, Fach7) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               values);
}

} // namespace History
