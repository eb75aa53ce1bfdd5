// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/maintain/CardList.h"

#include "ui/common/Messages.h"
#include "ui/common/RecordsetModel.h"

#include <QItemSelectionModel>
#include <QListView>

namespace CardList {

QListView *makeView(QWidget *parent, const char *name, const QString &tip, int minWidth, int minHeight)
{
    auto *l = new QListView(parent);
    l->setObjectName(QLatin1String(name));
    l->setToolTip(tip);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setUniformItemSizes(true);
    l->setMinimumSize(minWidth, minHeight);
    return l;
}

void clearQuietly(QListView *view, bool &guard)
{
    if (!view->selectionModel())
        return;
    guard = true;
    view->selectionModel()->clearSelection();
    view->selectionModel()->clearCurrentIndex();
    guard = false;
}

void onClick(QListView *view, QObject *context, std::function<void()> chosen)
{
    QObject::connect(view, &QAbstractItemView::clicked, context, [view, chosen = std::move(chosen)](const QModelIndex &line) {
        if (view->selectionModel() && view->selectionModel()->isSelected(line))
            chosen();
    });
}

std::int32_t nextHit(RecordsetModel *model, const QVector<std::int32_t> &hits, std::int32_t &pos, QWidget *parent)
{
    const std::int32_t last = model ? model->rowCount() - 1 : -1;
    while (true) {
        const std::int32_t found = model ? model->firstRowOf(hits, pos) : -1;
        if (found >= 0) {
            if (pos < last)
                pos = found + 1;
            return found;
        }
        if (pos <= 0)
            return -1;
        const auto answer = Msg::show(QStringLiteral("Kein weiterer Eintrag gefunden\r\n"
                                                     "Soll noch einmal von Anfang gesucht werden?"),
                                      Msg::kAppTitle, QMessageBox::Information, QMessageBox::Yes | QMessageBox::No,
                                      parent);
        if (!Msg::isYes(answer))
            return kDeclined;
        pos = 0;
    }
}

} // namespace CardList
