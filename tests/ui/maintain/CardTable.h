#pragma once

// A language table in the sandbox's database, made the current pair as the
// start-up leaves it, with a few ways to put cards in and read them back.

#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/RecordsetModel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QTest>

#include <memory>

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
    void close() { db.reset(); }

    std::int32_t add(const QString &fvok, const QString &mvok, int fach = 0, const QString &fsatz = {},
                     const QString &msatz = {}, const QString &artikel = {}, int gewusst = 0)
    {
        VocabularyRecord r;
        r.FVok = fvok;
        r.MVok = mvok;
        r.Fach = fach;
        r.FSatz = fsatz.isNull() ? QStringLiteral("") : fsatz;
        r.MSatz = msatz.isNull() ? QStringLiteral("") : msatz;
        r.Artikel = artikel.isNull() ? QStringLiteral("") : artikel;
        r.gewusst = gewusst;
        return Records::addCard(r);
    }
    // Many cards at once, named w00000, w00001, ... with native words n...
    void addMany(int n, int fach)
    {
        db->beginTrans();
        for (int i = 0; i < n; ++i)
            db->execute(QStringLiteral("INSERT INTO ") + Records::sqlTable()
                            + QStringLiteral(" (FVok, MVok, Fach) VALUES (?, ?, ?)"),
                        {QStringLiteral("w%1").arg(i, 5, 10, QLatin1Char('0')),
                         QStringLiteral("n%1").arg(i), fach});
        db->commitTrans();
    }
    bool exists(std::int32_t vnr)
    {
        auto rs = db->openRecordset(AppState::instance().CurrentTable, store::RecordsetType::Table);
        return Records::seekCard(*rs, vnr);
    }
    VocabularyRecord card(std::int32_t vnr)
    {
        auto rs = db->openRecordset(AppState::instance().CurrentTable, store::RecordsetType::Table);
        if (!Records::seekCard(*rs, vnr))
            return {};
        return Records::readCard(*rs);
    }
    int count() { return Records::countAll(); }
    int count(int fach) { return Records::countCompartment(fach); }
    // Deleted by another program: a second connection to the same file.
    void deleteElsewhere(std::int32_t vnr)
    {
        auto other = store::Database::open(path);
        other->execute(QStringLiteral("DELETE FROM ") + Records::sqlTable() + QStringLiteral(" WHERE VNr = ?"), {vnr});
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
    QTest::mouseClick(w.findChild<QAbstractButton *>(QString::fromLatin1(name)), Qt::LeftButton);
}

// The lines of a list as the learner reads them.
inline QStringList linesOf(const QAbstractItemView *view)
{
    QStringList lines;
    const QAbstractItemModel *m = view->model();
    for (int r = 0; m && r < m->rowCount(); ++r)
        lines << m->index(r, 0).data().toString();
    return lines;
}

inline int selectedRow(const QAbstractItemView *view)
{
    if (!view->selectionModel())
        return -1;
    const auto rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

inline void clickRow(QAbstractItemView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

inline void doubleClickRow(QAbstractItemView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
}
