// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the maintenance windows are driven: their controls by name, their
// lists as the learner reads them; beside the shared language table.

#include "LanguageTable.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/RecordsetModel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QTest>

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
