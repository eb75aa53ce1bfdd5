#pragma once

#include "ui/common/Messages.h"

#include <QList>
#include <QTest>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>

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

    const QList<Shown> &shown() const { return shown_; }
    int count() const { return int(shown_.size()); }
    const Shown &last() const { return shown_.last(); }
    void clear() { shown_.clear(); }

private:
    QList<Shown> shown_;
    QList<QMessageBox::StandardButton> answers_;
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

#include <functional>

// Runs f on the next modal window as soon as it is shown (for windows a
// test opens with exec()); f must close it. Should f leave the window open,
// a failed check inside it for instance, the window is closed so that
// exec() returns, and the test fails.
void whenModal(std::function<void(QWidget *)> f);
// Fails the test when a window given to whenModal never opened, and forgets
// it; for cleanup(). Sandbox::stop() does this.
void failIfModalPending();

#include <memory>

// A fresh program world for each test case: its own working folder (which
// also holds the data folder and the settings file), a clean AppState and a
// message spy. start() in init(), stop() in cleanup().
struct Sandbox
{
    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<MessageSpy> spy;

    void start();
    void stop();
    QString settingsFile() const { return work->file(QStringLiteral("settings.conf")); }
    QString setting(const QString &key) const;
    void putSetting(const QString &key, const QString &value) const;
};

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
