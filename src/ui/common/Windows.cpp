// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Windows.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "core/Places.h"
#include "core/Random.h"
#include "sound/frmSPfad.h"
#include "sound/frmSound.h"
#include "ui/appearance/frmHelp.h"
#include "ui/main/frmAbout.h"
#include "ui/main/frmLanguage.h"
#include "ui/browse/frmPage.h"
#include "ui/browse/frmTable.h"
#include "ui/appearance/frmFonts.h"
#include "print/frmPrint.h"
#include "ui/practice/frmVokabel.h"
#include "ui/maintain/frmManage.h"
#include "ui/maintain/frmNew.h"
#include "ui/maintain/frmWBook.h"

#include <QPointer>

#include <memory>
#include <optional>

namespace {

// The table of windows: one line per window class. This is the only place
// below the windows that knows them.
QDialog *build(Windows::Kind kind, QWidget *parent)
{
    using K = Windows::Kind;
    switch (kind) {
    case K::Help: return new frmHelp(parent);
    case K::About: return new frmAbout(parent);
    case K::SoundFolder: return new frmSPfad(parent);
    case K::NewPair: return new frmLanguage(parent);
    case K::Recording: return new frmSound(parent);
    case K::Paging: return new frmPage(parent);
    case K::Table: return new frmTable(parent);
    case K::Fonts: return new frmFonts(parent);
    case K::Print: return new frmPrint(parent);
    case K::Practice: return new frmVokabel(parent);
    case K::Entry: return new frmNew(parent);
    case K::Manager: return new frmManage(parent);
    case K::Dictionary: return new frmWBook(parent);
    }
    return nullptr;
}

struct CardBox
{
    QPointer<QWidget> window;
    std::function<void()> refresh;
};

CardBox &cardBox()
{
    static CardBox c;
    return c;
}

Windows::Responder &responder()
{
    static Windows::Responder r;
    return r;
}

bool testing()
{
    return responder().admit || responder().drive;
}

} // namespace

namespace Windows {

QString className(Kind kind)
{
    switch (kind) {
    case Kind::Practice: return QStringLiteral("frmVokabel");
    case Kind::Table: return QStringLiteral("frmTable");
    case Kind::Paging: return QStringLiteral("frmPage");
    case Kind::Print: return QStringLiteral("frmPrint");
    case Kind::Entry: return QStringLiteral("frmNew");
    case Kind::Fonts: return QStringLiteral("frmFonts");
    case Kind::Manager: return QStringLiteral("frmManage");
    case Kind::Dictionary: return QStringLiteral("frmWBook");
    case Kind::Help: return QStringLiteral("frmHelp");
    case Kind::About: return QStringLiteral("frmAbout");
    case Kind::SoundFolder: return QStringLiteral("frmSPfad");
    case Kind::NewPair: return QStringLiteral("frmLanguage");
    case Kind::Recording: return QStringLiteral("frmSound");
    }
    return {};
}

Outcome open(Kind kind, QWidget *parent, const Closed &closed)
{
    Outcome outcome;
    if (responder().admit && !responder().admit(kind))
        return outcome;

    // Each practice gets an order of its own.
    if (kind == Kind::Practice)
        Random::seedFromClock();

    std::unique_ptr<QDialog> window;
    {
        // The window's load ends the hourglass; so does a failed load.
        std::optional<BusyCursor> hourglass;
        if (kind != Kind::Print)
            hourglass.emplace();
        window.reset(build(kind, parent));
    }
    if (!window)
        return outcome;

    outcome.opened = true;
    emit notifier().windowRequested(kind, window.get());
    if (testing()) {
        window->show();
        if (responder().drive)
            responder().drive(*window);
        if (window->isVisible())
            window->done(QDialog::Rejected);
        outcome.result = window->result();
    } else {
        outcome.result = window->exec();
    }
    if (closed)
        closed(*window);
    window.reset();

    const CardBox &box = cardBox();
    if (parent && box.window == parent && box.refresh)
        box.refresh();
    return outcome;
}

void showHelp(const QString &fileName, QWidget *parent)
{
    AppState::instance().HelpFile = Places::helpFile(fileName);
    open(Kind::Help, parent);
}

void setCardBox(QWidget *window, std::function<void()> refresh)
{
    cardBox() = CardBox{window, window ? std::move(refresh) : std::function<void()>()};
}

Notifier &notifier()
{
    static Notifier n;
    return n;
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

} // namespace Windows
