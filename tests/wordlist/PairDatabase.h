// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A database in a temporary folder with language pairs, one of them made
// the current pair as the start-up leaves it, and its cards read back.

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QStringList>
#include <QTemporaryDir>

struct PairDatabase
{
    QTemporaryDir dir;
    std::shared_ptr<store::Database> db;

    explicit PairDatabase(const QStringList &foreignLanguages = {QStringLiteral("Englisch")})
    {
        db = store::Database::create(dir.filePath(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
        for (const QString &f : foreignLanguages)
            Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), f);
        AppState::instance().Database = db;
        use(foreignLanguages.first());
    }
    ~PairDatabase() { AppState::resetForTesting(); }

    void use(const QString &foreign) const
    {
        AppState &a = AppState::instance();
        a.CurrentTable = QStringLiteral("t") + foreign;
        a.ForeignLanguage = foreign;
        a.NativeLanguage = QStringLiteral("Deutsch");
    }

    std::int32_t add(const QString &fvok, const QString &mvok, int fach = 1, const QString &fsatz = QStringLiteral(""),
                     const QString &msatz = QStringLiteral(""), const QString &artikel = QStringLiteral(""),
                     int gewusst = 0) const
    {
        VocabularyRecord r;
        r.FVok = fvok;
        r.MVok = mvok;
        r.FSatz = fsatz;
        r.MSatz = msatz;
        r.Artikel = artikel;
        r.Fach = fach;
        r.gewusst = gewusst;
        return Records::addCard(r);
    }

    // Every card of the current pair in dictionary order, one line each:
    // FVok|MVok|FSatz|MSatz|Artikel|Fach|gewusst.
    static QStringList cards()
    {
        QStringList lines;
        Records::forEachCard(-1, [&](const VocabularyRecord &c) {
            lines << QStringList{c.FVok, c.MVok, c.FSatz, c.MSatz, c.Artikel, QString::number(c.Fach),
                                 QString::number(c.gewusst)}
                         .join(QLatin1Char('|'));
        });
        return lines;
    }
};
