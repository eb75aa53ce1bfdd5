// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Messages.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QScreen>
#include <QSpacerItem>
#include <QWidget>

#include <algorithm>

namespace {
Msg::Responder &responder()
{
    static Msg::Responder r;
    return r;
}

// Qt sizes a box by its text; the window manager then writes the title
// into the frame it draws round the box, beside an icon and its buttons,
// and cuts off what does not fit. Frames set titles in bold of about the
// program's size, some a little wider (hence the sixth more); eight lines'
// height leaves room for an icon, three buttons, the gaps between them and
// the padding round the title (measured with a common frame: 83 px of
// 215 went to these at a line height of 14 px).
int titleRoom(const QMessageBox &box)
{
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics fm(font);
    int room = fm.horizontalAdvance(box.windowTitle()) * 7 / 6 + 8 * fm.height();
    if (const QScreen *screen = box.screen())
        room = std::min(room, screen->availableGeometry().width());
    return room;
}

// Keeps the box at least as wide as its title needs: a zero-height spacer
// across the box's grid, which Qt's own sizing then takes into account.
void reserveTitleRoom(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const QMargins margins = grid->contentsMargins();
    const int width = titleRoom(box) - margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), 0, 0, 1, grid->columnCount());
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
    shown.replace(kCrLf, QStringLiteral("\n"));

    QMessageBox box(icon, title, shown, buttons, parent);
    box.setObjectName(QStringLiteral("vokamiaMessage"));
    box.setTextFormat(Qt::PlainText);
    reserveTitleRoom(box);

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
