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

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace {

// The callback still waiting for its window, if any.
QPointer<QTimer> g_pendingModal;

// Closes every modal window, innermost first, so exec() returns.
void closeModalWindows()
{
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
        if (w->isVisible())
            w->hide();
    }
}

} // namespace

void whenModal(std::function<void(QWidget *)> f)
{
    delete g_pendingModal;
    auto *timer = new QTimer;
    g_pendingModal = timer;
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w)
            return;
        timer->stop();
        timer->deleteLater();
        g_pendingModal = nullptr;
        const QPointer<QWidget> window(w);
        f(w);
        if (window && window->isVisible()) {
            // A failed check returns from the callback before it closed
            // the window; closing it here lets the test end instead of
            // waiting for ever in exec().
            const bool failed = QTest::currentTestFailed();
            closeModalWindows();
            if (!failed)
                QTest::qFail("the window was left open by the test", __FILE__, __LINE__);
        }
    });
    timer->start(10);
}

void failIfModalPending()
{
    if (g_pendingModal.isNull())
        return;
    delete g_pendingModal;
    QTest::qFail("the window the test waited for never opened", __FILE__, __LINE__);
}

#include "core/AppState.h"
#include "store/Settings.h"

#include <QSettings>

void Sandbox::start()
{
    work = std::make_unique<TempWorkDir>();
    qputenv("XDG_DATA_HOME", work->file(QStringLiteral("data")).toUtf8());
    Settings::setStoreFileForTesting(settingsFile());
    AppState::resetForTesting();
    spy = std::make_unique<MessageSpy>();
}

void Sandbox::stop()
{
    AppState::resetForTesting();
    spy.reset();
    work.reset();
    failIfModalPending();
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
