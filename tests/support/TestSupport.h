// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/common/Messages.h"

#include <QList>
#include <QTest>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class QWidget;

// Records every message box the program builds and answers it at once, so
// no test ever waits in a modal loop.
class MessageSpy
{
public:
    struct Shown
    {
        QString text;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };

    MessageSpy();
    ~MessageSpy();
    MessageSpy(const MessageSpy &) = delete;
    MessageSpy &operator=(const MessageSpy &) = delete;

    // Answers for the next boxes, in order; after them the default button
    // (or the first one) is pressed.
    void answer(QMessageBox::StandardButton b) { answers_ << b; }
    // Looks at every following box as it is built, before it is answered.
    void look(std::function<void(QMessageBox &)> f) { look_ = std::move(f); }

    const QList<Shown> &shown() const { return shown_; }
    int count() const { return int(shown_.size()); }
    const Shown &last() const { return shown_.last(); }
    void clear() { shown_.clear(); }

private:
    QList<Shown> shown_;
    QList<QMessageBox::StandardButton> answers_;
    std::function<void(QMessageBox &)> look_;
};

// Types any text, umlauts included, into a widget key by key.
void typeText(QWidget *w, const QString &text);

// A temporary folder that is also the working directory while it lives.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Copies a file from tests/data into the given folder; returns the new path.
QString copyTestData(const QString &relative, const QString &toFolder);

#include "ui/common/Dialogs.h"
#include "ui/common/Windows.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>

class QDialog;

// Stands in for the modal loop of every window the opener opens: records
// each request and hands each window to the driver given for its
// objectName; a window without a driver is closed at once (Rejected).
// Drivers may open further windows; those come back here too.
class WindowSpy
{
public:
    using Driver = std::function<void(QDialog &window)>;

    WindowSpy();
    ~WindowSpy();
    WindowSpy(const WindowSpy &) = delete;
    WindowSpy &operator=(const WindowSpy &) = delete;

    // Drives every following window of this name; the driver closes it.
    void onOpen(const QString &objectName, Driver driver) { drivers_.insert(objectName, std::move(driver)); }
    // Refuses every following request of this kind: nothing is built.
    void refuse(Windows::Kind kind) { refused_.insert(kind); }
    // Runs at each request, before anything is built: AppState is as the
    // command prepared it.
    void onRequest(std::function<void(Windows::Kind)> f) { onRequest_ = std::move(f); }

    // Every request, in order, also of kinds that have no window yet.
    const QList<Windows::Kind> &requested() const { return requested_; }
    // The objectName of every window that opened, in order.
    const QStringList &opened() const { return opened_; }
    void clear()
    {
        requested_.clear();
        opened_.clear();
    }

private:
    QHash<QString, Driver> drivers_;
    QSet<Windows::Kind> refused_;
    std::function<void(Windows::Kind)> onRequest_;
    QList<Windows::Kind> requested_;
    QStringList opened_;
};

// Answers every standard dialog instead of the learner: with the queued
// answers in order, then with Cancel.
class DialogSpy
{
public:
    DialogSpy();
    ~DialogSpy();
    DialogSpy(const DialogSpy &) = delete;
    DialogSpy &operator=(const DialogSpy &) = delete;

    // The next answer: a QColor, path, true (printer); QVariant() is
    // Cancel. A function may look at the request (e.g. set up the printer).
    void answer(const QVariant &a) { answers_ << [a](const Dialogs::Request &) { return a; }; }
    void answer(std::function<QVariant(const Dialogs::Request &)> f) { answers_ << std::move(f); }

    const QList<Dialogs::Request> &asked() const { return asked_; }

private:
    QList<Dialogs::Request> asked_;
    QList<std::function<QVariant(const Dialogs::Request &)>> answers_;
};

// A fresh program world for each test case: its own working folder (which
// also holds the data folder and the settings file), a clean AppState and a
// message spy, a window spy and a dialog spy, so nothing ever waits for a
// learner. start() in init(), stop() in cleanup().
//
// stop() puts back every process-wide hook a test may have set, whether
// through the spies or by hand: the message, dialog and window responders,
// the card box and the opener's signal, the multimedia backend and its
// start timeout, the settings file, the Access reader and its wait hook,
// the import's progress, the program folder, the font lists, a pinned
// Random seed, AppState, the working folder and the data folder. So no test
// leaks into the next; the destructor does it too for a test that forgets.
// The table of windows (WindowTable) stays: it is the program's, not a hook.
struct Sandbox
{
    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<MessageSpy> spy;
    std::unique_ptr<WindowSpy> windows;
    std::unique_ptr<DialogSpy> dialogs;

    Sandbox() = default;
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    void start();
    void stop();
    QString settingsFile() const { return work->file(QStringLiteral("settings.conf")); }
    QString setting(const QString &key) const;
    void putSetting(const QString &key, const QString &value) const;

private:
    bool started_ = false;
    QByteArray dataHome_; // XDG_DATA_HOME before start()
    bool hadDataHome_ = false;
};

// Every process-wide hook back to what the program has without tests.
void restoreProcessHooks();

// True when the test command runs the tests: everything it installs must be
// there, so a missing tool or helper is a failure, not a reason to skip.
bool requireAll();

// Skips a test for something missing, or fails it under the test command.
#define VOKAMIA_SKIP(reason)                                                   \
    do {                                                                       \
        if (requireAll())                                                      \
            QFAIL(reason);                                                     \
        else                                                                   \
            QSKIP(reason);                                                     \
    } while (false)
