// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Windows.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "core/Places.h"
#include "core/Random.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <utility>

namespace {

Windows::Factory &factory()
{
    static Windows::Factory f;
    return f;
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

void setFactory(Factory f)
{
    factory() = std::move(f);
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
        if (!factory())
            qFatal("Windows::open: no table of windows installed");
        window.reset(factory()(kind, parent));
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
