// SPDX-License-Identifier: GPL-3.0-or-later
// Times the windows that list every card or a whole compartment on large
// language tables: the dictionary and the compartment manager opening to
// their first screen, their searches, and ">>" / "<<" moving the pool, with
// the process's peak memory.
//
//   bench_maintain [folder] [sizes...]     default: /tmp 100000 1000000
//   BENCH_KEEP=1 keeps the filled files (filled in a child process, so the
//   filling does not count towards the peak memory).

#include "BenchData.h"
#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Messages.h"
#include "ui/maintain/frmManage.h"
#include "ui/maintain/frmWBook.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long peakKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

template <typename T = QWidget>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

// The window on screen with its first lines painted.
double openToFirstScreen(const std::function<QWidget *()> &make, std::unique_ptr<QWidget> &out)
{
    return msOf([&] {
        out.reset(make());
        out->show();
        QApplication::processEvents();
    });
}

double searchFor(QWidget &w, const QString &text)
{
    child<QLineEdit>(w, "txtSearch")->setText(text);
    return msOf([&] { child<QPushButton>(w, "btnSearch")->click(); });
}

QString selectedLine(QWidget &w, const char *list)
{
    auto *view = child<QAbstractItemView>(w, list);
    const auto rows = view->selectionModel() ? view->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? QStringLiteral("(none)") : rows.first().data().toString();
}

// A word from the middle of the table, to search for its beginning.
QString someWord(store::Database &db, const char *field, int fach)
{
    auto rs = db.openRecordset(QStringLiteral("Select %1 from tEnglisch where [Fach] = %2 and VNr > %3")
                                   .arg(QLatin1String(field))
                                   .arg(fach)
                                   .arg(db.openRecordset(QStringLiteral("Select count(*) from tEnglisch"))->value(0).toInt() / 2));
    return rs->text(QLatin1String(field));
}

void run(const QString &folder, int cards)
{
    const QString path = folder + QStringLiteral("/bench-maintain-%1.mdb").arg(cards);
    std::printf("\n== %d cards (%s)\n", cards, qPrintable(path));
    if (!QFileInfo::exists(path) || qEnvironmentVariableIsEmpty("BENCH_KEEP")) {
        const double ms = msOf([&] {
            const pid_t pid = fork();
            if (pid == 0) {
                fill(path, cards);
                _exit(0);
            }
            int status = 0;
            waitpid(pid, &status, 0);
        });
        std::printf("fill (child process): %.0f ms\n", ms);
    }
    AppState &a = AppState::instance();
    a.Database = store::Database::open(path);
    a.CurrentTable = QStringLiteral("tEnglisch");
    a.ForeignLanguage = QStringLiteral("Englisch");
    a.NativeLanguage = QStringLiteral("Deutsch");
    a.TableRecordset = a.Database->openRecordset(a.CurrentTable, store::RecordsetType::Table);
    std::printf("peak before the windows: %ld KiB\n", peakKiB());

    {
        std::unique_ptr<QWidget> w;
        const double open = openToFirstScreen([] { return new frmWBook; }, w);
        std::printf("dictionary: first screen %.1f ms, peak %ld KiB (%s)\n", open, peakKiB(),
                    qPrintable(w->windowTitle()));
        const QString word = someWord(*a.Database, "MVok", 5).left(4);
        for (int i = 0; i < 3; ++i) {
            const double ms = searchFor(*w, word);
            std::printf("dictionary: search \"%s\" %.1f ms -> %s\n", qPrintable(word), ms, qPrintable(selectedLine(*w, "List1")));
        }
        const double none = searchFor(*w, QStringLiteral("qqqqqq"));
        std::printf("dictionary: search without a hit %.1f ms\n", none);
    }
    {
        std::unique_ptr<QWidget> w;
        const double open = openToFirstScreen([] { return new frmManage; }, w);
        std::printf("manager: first screen %.1f ms, peak %ld KiB\n", open, peakKiB());
        const QString word = someWord(*a.Database, "FVok", 0).left(3);
        for (int i = 0; i < 3; ++i) {
            const double ms = searchFor(*w, word);
            std::printf("manager: prefix search \"%s\" %.1f ms -> %s\n", qPrintable(word), ms,
                        qPrintable(selectedLine(*w, "lstSource")));
        }
        const int pool = child<QAbstractItemView>(*w, "lstSource")->model()->rowCount();
        // "<<" brings back the start compartment as a whole; its own cards
        // go back there afterwards, so a kept file stays as it was.
        const QVector<std::int32_t> start = Records::cardsOf(1);
        const double in = msOf([&] {
            child<QPushButton>(*w, "btnAddAll")->click();
            QApplication::processEvents();
        });
        std::printf("manager: \">>\" %d cards %.0f ms\n", pool, in);
        const double back = msOf([&] {
            child<QPushButton>(*w, "btnRemoveAll")->click();
            QApplication::processEvents();
        });
        std::printf("manager: \"<<\" back %.0f ms, peak %ld KiB\n", back, peakKiB());
        Records::moveCards(start, 1);
    }
    a.TableRecordset.reset();
    a.Database.reset();
    if (qEnvironmentVariableIsEmpty("BENCH_KEEP"))
        QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A search without a hit asks or informs: answered at once.
    Msg::setResponder([](QMessageBox &) { return QMessageBox::No; });
    return runForSizes(argc, argv, {100000, 1000000}, run);
}
