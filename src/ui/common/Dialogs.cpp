// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

Dialogs::Responder &responder()
{
    static Dialogs::Responder r;
    return r;
}

// A dialog must never show the hourglass of the command that led to it.
class ArrowWhileAsking
{
public:
    ArrowWhileAsking() : busy_(QApplication::overrideCursor() != nullptr)
    {
        if (busy_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking()
    {
        if (busy_)
            QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking &) = delete;
    ArrowWhileAsking &operator=(const ArrowWhileAsking &) = delete;

private:
    bool busy_;
};

QWidget *parentOr(QWidget *parent)
{
    if (parent)
        return parent;
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

Dialogs::Request request(Dialogs::Kind kind, const QString &title, QWidget *parent)
{
    Dialogs::Request r;
    r.kind = kind;
    r.title = title;
    r.parent = parentOr(parent);
    return r;
}

QString askPath(Dialogs::Request r)
{
    if (responder())
        return responder()(r).toString();
    ArrowWhileAsking arrow;
    if (r.kind == Dialogs::Kind::OpenFile)
        return QFileDialog::getOpenFileName(r.parent, r.title, r.path, r.filter);
    return QFileDialog::getSaveFileName(r.parent, r.title, r.path, r.filter);
}

} // namespace

namespace Dialogs {

std::optional<QColor> colour(const QColor &initial, QWidget *parent, const QString &title)
{
    Request r = request(Kind::Colour, title, parent);
    r.colour = initial;
    QColor chosen;
    if (responder()) {
        const QVariant answer = responder()(r);
        if (answer.isValid())
            chosen = answer.value<QColor>();
    } else {
        ArrowWhileAsking arrow;
        chosen = QColorDialog::getColor(initial, r.parent, title);
    }
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
}

bool printer(QPrinter &printer, QWidget *parent)
{
    Request r = request(Kind::Printer, QString(), parent);
    r.printer = &printer;
    if (responder())
        return responder()(r).toBool();
    ArrowWhileAsking arrow;
    QPrintDialog dialog(&printer, r.parent);
    return dialog.exec() == QDialog::Accepted;
}

QString openFile(const QString &title, const QString &path, const QString &filter, QWidget *parent)
{
    Request r = request(Kind::OpenFile, title, parent);
    r.path = path;
    r.filter = filter;
    return askPath(r);
}

QString saveFile(const QString &title, const QString &path, const QString &filter, QWidget *parent)
{
    Request r = request(Kind::SaveFile, title, parent);
    r.path = path;
    r.filter = filter;
    return askPath(r);
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

} // namespace Dialogs
