// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/AltKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

const QString kName = QStringLiteral("vokamiaAltKeys");

// Sees every key press before its widget does. A command has been offered
// its shortcut by then: a press that arrives here was taken by none.
class AltKeyFilter : public QObject
{
public:
    explicit AltKeyFilter(QObject *parent) : QObject(parent) { setObjectName(kName); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (!key->modifiers().testFlag(Qt::AltModifier) || key->text().isEmpty() || !key->text().at(0).isPrint())
            return false;
        // Only what takes typed text; menus still take Alt and a letter
        // for their items.
        return static_cast<QWidget *>(watched)->testAttribute(Qt::WA_InputMethodEnabled);
    }
};

} // namespace

namespace AltKeys {

void guard()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || app->findChild<QObject *>(kName, Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new AltKeyFilter(app));
}

} // namespace AltKeys
