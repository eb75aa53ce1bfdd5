// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A language table in the sandbox's database, made the current pair as the
// start-up leaves it, with a few ways to put cards in and read them back,
// and the ways the maintenance windows are driven.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/RecordsetModel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QTest>

struct CardTable
{
    std::shared_ptr<store::Database> db;
    QString path;

    void open(Sandbox &sb, const QString &foreign = QStringLiteral("Englisch"))
    {
        path = sb.work->file(QStringLiteral("Vokabeln.mdb"));
        db = store::Database::create(path, Catalogue::kLocale, Catalogue::kFormat);
        const QString table = QStringLiteral("t") + foreign;
        Catalogue::CreateLanguageTable(*db, table);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = foreign;
        a.NativeLanguage = QStringLiteral("Deutsch");
        a.TableValid = true;
        a.TableRecordset = db->openRecordset(table, store::RecordsetType::Table);
    }
    // Ends a test: the state, the table and the sandbox go.
    void close(Sandbox &sb)
    {
        AppState::resetForTesting();
        db.reset();
        sb.stop();
    }

    // Texts not given are stored empty, not missing.
    std::int32_t add(const QString &fvok, const QString &mvok, int fach = 0, const QString &fsatz = {},
                     const QString &msatz = {}, const QString &artikel = {}, int gewusst = 0)
    {
        const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
        VocabularyRecord r;
        r.FVok = fvok;
        r.MVok = mvok;
        r.FSatz = text(fsatz);
        r.MSatz = text(msatz);
        r.Artikel = text(artikel);
        r.Fach = fach;
        r.gewusst = gewusst;
        return Records::addCard(r);
    }
    // Many cards at once, named w00000, w00001, ... with native words n...
    void addMany(int n, int fach)
    {
        db->execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
                                   "INSERT INTO ") + Records::sqlTable()
                        + QStringLiteral(" (FVok, MVok, Fach) SELECT printf('w%05d', i), 'n' || i, ? FROM n"),
                    {n, fach});
    }
    // The stored card; VNr 0 when it is not there.
    VocabularyRecord card(std::int32_t vnr)
    {
        auto rs = db->openRecordset(AppState::instance().CurrentTable, store::RecordsetType::Table);
        return Records::seekCard(*rs, vnr) ? Records::readCard(*rs) : VocabularyRecord{};
    }
    static int count(int fach = -1) { return fach < 0 ? Records::countAll() : Records::countCompartment(fach); }
    // Deleted by another program: a second connection to the same file.
    void deleteElsewhere(std::int32_t vnr)
    {
        store::Database::open(path)->execute(
            QStringLiteral("DELETE FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr});
    }
};

template <typename T = QWidget>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

inline void click(QWidget &w, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(w, name), Qt::LeftButton);
}

// The lines of a list as the learner reads them.
inline QStringList linesOf(const QAbstractItemView *view)
{
    QStringList lines;
    const QAbstractItemModel *m = view->model(); // none while a list is empty
    for (int r = 0; m && r < m->rowCount(); ++r)
        lines << m->index(r, 0).data().toString();
    return lines;
}

inline void clickRow(QAbstractItemView *view, int row)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
}
