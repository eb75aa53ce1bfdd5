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
#include "store/Collation.h"
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
#include <sqlite3.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
        w.reset();
    }
    {
        // ">>" moves the pool into an empty start compartment and "<<" the
        // same cards back, so each moves an eighth of the cards; the start
        // compartment's own cards wait meanwhile where no window sees them.
        // Each step starts with the log written back whole.
        sqlite3 *bare = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &bare, SQLITE_OPEN_READWRITE, nullptr);
        store::registerGermanCollation(bare);
        a.Database->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 9 WHERE Fach = 1"));
        settleLog(bare);
        std::unique_ptr<QWidget> w(new frmManage);
        w->show();
        QApplication::processEvents();
        const int pool = child<QAbstractItemView>(*w, "lstSource")->model()->rowCount();
        const double in = msOf([&] {
            child<QPushButton>(*w, "btnAddAll")->click();
            QApplication::processEvents();
        });
        settleLog(bare);
        const double back = msOf([&] {
            child<QPushButton>(*w, "btnRemoveAll")->click();
            QApplication::processEvents();
        });
        settleLog(bare);
        const long peak = peakKiB();
        w.reset();
        // SQLite alone, the same cards in the same file: one prepared
        // single-row UPDATE per card, in order of VNr, in one transaction.
        const QVector<std::int32_t> cards = Records::cardsOf(0);
        a.TableRecordset.reset();
        const auto bareMove = [&](int to) {
            return msOf([&] {
                sqlite3_exec(bare, "BEGIN", nullptr, nullptr, nullptr);
                sqlite3_stmt *st = nullptr;
                sqlite3_prepare_v2(bare, "UPDATE tEnglisch SET Fach = ?, gewusst = 0 WHERE VNr = ?", -1, &st, nullptr);
                for (const std::int32_t vnr : cards) {
                    sqlite3_bind_int(st, 1, to);
                    sqlite3_bind_int(st, 2, vnr);
                    sqlite3_step(st);
                    sqlite3_reset(st);
                }
                sqlite3_finalize(st);
                sqlite3_exec(bare, "COMMIT", nullptr, nullptr, nullptr);
            });
        };
        const double bareIn = bareMove(1);
        settleLog(bare);
        const double bareBack = bareMove(0);
        settleLog(bare);
        sqlite3_close(bare);
        std::printf("manager: \">>\" %d cards %.0f ms, \"<<\" back %.0f ms (goal < 3000 ms each), peak %ld KiB; "
                    "SQLite alone %.0f ms and %.0f ms\n",
                    pool, in, back, peak, bareIn, bareBack);
        a.Database->execute(QStringLiteral("UPDATE tEnglisch SET Fach = 1 WHERE Fach = 9"));
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
