// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Messages.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace {
Msg::Responder &responder()
{
    static Msg::Responder r;
    return r;
}
} // namespace

namespace Msg {

QMessageBox::StandardButton show(const QString &text, const QString &title, QMessageBox::Icon icon,
                                 QMessageBox::StandardButtons buttons, QWidget *parent)
{
    if (!parent)
        parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                   : QApplication::activeWindow();
    // Stored texts separate lines with CR LF; a label wants plain line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QMessageBox box(icon, title, shown, buttons, parent);
    box.setObjectName(QStringLiteral("vokamiaMessage"));
    box.setTextFormat(Qt::PlainText);

    if (responder())
        return responder()(box);

    // A box must never show the hourglass of the command that led to it.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    return static_cast<QMessageBox::StandardButton>(answer);
}

void critical(const QString &text, const QString &title, QWidget *parent)
{
    show(text, title, QMessageBox::Critical, QMessageBox::Ok, parent);
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

} // namespace Msg

BusyCursor::BusyCursor()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        active_ = true;
    }
}

BusyCursor::~BusyCursor()
{
    release();
}

void BusyCursor::release()
{
    if (active_) {
        QApplication::restoreOverrideCursor();
        active_ = false;
    }
}
