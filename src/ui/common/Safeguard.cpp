// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Safeguard.h"

#include "backup/BackupService.h"
#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/common/Messages.h"

#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <exception>
#include <optional>
#include <thread>

namespace Safeguard {

namespace {

struct State
{
    bool automatic = false;
    bool failureReported = false;
    int progressDelay = 1000;
};

State &state()
{
    static State s;
    return s;
}

QString chosenFolder()
{
    try {
        return Settings::BackupFolder();
    } catch (const std::exception &) {
        return QString();
    }
}

// The file of the open database, which is what a backup copies.
QString databasePath()
{
    const AppState &a = AppState::instance();
    return a.Database ? a.Database->path() : a.DatabasePath;
}

} // namespace

QString folder()
{
    return Backups::folderFor(databasePath(), chosenFolder());
}

namespace {

// Runs the local event loop until `finished` turns true: paints and timers
// go on, the learner's clicks wait (so nothing starts a second change
// meanwhile), and a progress dialog with `label` shows once the wait has
// taken longer than the delay.
void waitShowingProgress(QWidget *parent, const QString &label, QEventLoop &loop, const bool &finished)
{
    std::optional<QProgressDialog> progress;
    QTimer late;
    late.setSingleShot(true);
    QObject::connect(&late, &QTimer::timeout, &loop, [&] {
        progress.emplace(label, QString(), 0, 0, parent);
        progress->setObjectName(QStringLiteral("dlgSicherung"));
        progress->setWindowTitle(Msg::kAppTitle);
        progress->setCancelButton(nullptr);
        progress->setMinimumDuration(0);
        progress->setWindowModality(Qt::ApplicationModal);
        progress->show();
    });
    late.start(state().progressDelay);
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

QString backupNow(QWidget *parent)
{
    Backups::Result result;
    if (!AppState::instance().Database) {
        result.error = QStringLiteral("Es ist keine Datenbank geöffnet.");
    } else {
        QEventLoop loop;
        bool finished = false;
        Backups::Service::instance().request({databasePath(), folder(), false}, &loop,
                                             [&](const Backups::Result &r) {
                                                 result = r;
                                                 finished = true;
                                                 loop.quit();
                                             });
        waitShowingProgress(parent, QStringLiteral("Die Vokabeln werden gesichert ..."), loop, finished);
    }
    return result.ok ? QString() : result.error;
}

void inBackground(QWidget *parent, const QString &label, const std::function<void()> &work)
{
    QEventLoop loop;
    bool finished = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                finished = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    waitShowingProgress(parent, label, loop, finished);
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

bool beforeBulkChange(QWidget *parent)
{
    const QString error = backupNow(parent);
    if (error.isEmpty())
        return true;
    const auto answer = Msg::show(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1 Trotzdem fortfahren?").arg(error),
                                  Msg::kAppTitle, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, parent,
                                  QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void atStartUp(QWidget *parent)
{
    if (!state().automatic)
        return;
    if (!AppState::instance().Database)
        return;
    QPointer<QWidget> window(parent);
    Backups::Service::instance().request({databasePath(), folder(), true}, parent, [window](const Backups::Result &r) {
        if (r.ok || state().failureReported)
            return;
        state().failureReported = true;
        Msg::show(QStringLiteral("Die automatische Sicherung ist fehlgeschlagen: %1\r\nVokamia arbeitet ohne "
                                 "Sicherung weiter.")
                      .arg(r.error),
                  Msg::kAppTitle, QMessageBox::Warning, QMessageBox::Ok, window);
    });
}

void setAutomatic(bool on)
{
    state().automatic = on;
}

void setProgressDelayForTesting(int ms)
{
    state().progressDelay = ms;
}

void resetForTesting()
{
    state() = State();
}

} // namespace Safeguard
