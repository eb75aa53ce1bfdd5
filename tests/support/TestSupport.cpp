// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QWidget>

MessageSpy::MessageSpy()
{
    Msg::setResponder([this](QMessageBox &box) {
        shown_ << Shown{box.text(), box.windowTitle(), box.icon(), box.standardButtons()};
        if (look_)
            look_(box);
        if (!answers_.isEmpty())
            return answers_.takeFirst();
        if (QAbstractButton *def = box.defaultButton())
            return box.standardButton(def);
        const auto buttons = box.buttons();
        return buttons.isEmpty() ? QMessageBox::NoButton : box.standardButton(buttons.first());
    });
}

MessageSpy::~MessageSpy()
{
    Msg::setResponder({});
}

void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(w, c.toLatin1());
        } else {
            const auto key = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, w, key, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, key, QString(c), Qt::NoModifier);
        }
    }
}

TempWorkDir::TempWorkDir() : previous_(QDir::currentPath())
{
    QDir::setCurrent(dir_.path());
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(previous_);
}

QString copyTestData(const QString &relative, const QString &toFolder)
{
    const QString from = QStringLiteral(VOKAMIA_TEST_DATA "/") + relative;
    const QString to = toFolder + QLatin1Char('/') + QFileInfo(relative).fileName();
    QFile::remove(to);
    QFile::copy(from, to);
    QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    return to;
}

#include "app/WindowTable.h"

#include <QDialog>

WindowSpy::WindowSpy()
{
    // Every window a test opens is built as the program builds it.
    WindowTable::install();
    Windows::Responder r;
    r.admit = [this](Windows::Kind kind) {
        requested_ << kind;
        if (onRequest_)
            onRequest_(kind);
        return !refused_.contains(kind);
    };
    r.drive = [this](QDialog &window) {
        opened_ << window.objectName();
        const auto driver = drivers_.value(window.objectName());
        if (driver)
            driver(window);
    };
    Windows::setResponder(std::move(r));
}

WindowSpy::~WindowSpy()
{
    Windows::setResponder({});
}

DialogSpy::DialogSpy()
{
    Dialogs::setResponder([this](const Dialogs::Request &r) {
        asked_ << r;
        return answers_.isEmpty() ? QVariant() : answers_.takeFirst()(r);
    });
}

DialogSpy::~DialogSpy()
{
    Dialogs::setResponder({});
}

#include "audio/Mci.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Places.h"
#include "core/Random.h"
#include "store/AccessFile.h"
#include "store/LegacyImport.h"
#include "store/Settings.h"
#include "backup/BackupService.h"
#include "ui/backup/frmSicherung.h"
#include "ui/common/Appearance.h"
#include "ui/common/Safeguard.h"

#include <QSettings>

void restoreProcessHooks()
{
    Msg::setResponder({});
    Dialogs::setResponder({});
    Windows::setResponder({});
    Windows::setCardBox(nullptr, {});
    QObject::disconnect(&Windows::notifier(), nullptr, nullptr, nullptr);
    Mci::setBackend(nullptr);
    Mci::setStartTimeout(Mci::kDefaultStartTimeoutMs);
    Settings::setStoreFileForTesting(QString());
    store::access::setReaderForTesting(QString());
    store::access::setWaitHook({});
    LegacyImport::setProgress({});
    Places::setProgramFolderForTesting(QString());
    Appearance::setFontListsForTesting({}, {});
    Random::pinSeed(std::nullopt);
    Safeguard::resetForTesting();
    frmSicherung::setFolderOpener({});
    Clock::pin(std::nullopt);
}

void Sandbox::start()
{
    if (started_)
        stop();
    started_ = true;
    hadDataHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    dataHome_ = qgetenv("XDG_DATA_HOME");
    work = std::make_unique<TempWorkDir>();
    qputenv("XDG_DATA_HOME", work->file(QStringLiteral("data")).toUtf8());
    Settings::setStoreFileForTesting(settingsFile());
    AppState::resetForTesting();
    Safeguard::resetForTesting();
    spy = std::make_unique<MessageSpy>();
    windows = std::make_unique<WindowSpy>();
    dialogs = std::make_unique<DialogSpy>();
}

void Sandbox::stop()
{
    if (!started_)
        return;
    started_ = false;
    // No backup may still write into the folder about to go.
    Backups::Service::instance().waitForIdle();
    // The state goes first: the database and recordsets it holds may still
    // reach the hooks as they close.
    AppState::resetForTesting();
    dialogs.reset();
    windows.reset();
    spy.reset();
    restoreProcessHooks();
    work.reset();
    if (hadDataHome_)
        qputenv("XDG_DATA_HOME", dataHome_);
    else
        qunsetenv("XDG_DATA_HOME");
}

Sandbox::~Sandbox()
{
    stop();
}

QString Sandbox::setting(const QString &key) const
{
    return QSettings(settingsFile(), QSettings::IniFormat).value(key).toString();
}

void Sandbox::putSetting(const QString &key, const QString &value) const
{
    QSettings(settingsFile(), QSettings::IniFormat).setValue(key, value);
}

bool requireAll()
{
    return qEnvironmentVariableIntValue("VOKAMIA_REQUIRE_ALL") != 0;
}
