// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QObject>
#include <QString>

#include <functional>

// The one way a window is opened. Every window other than the main window
// is modal: a command (or a button of another window) asks for a kind of
// window, and open() shows the hourglass while the window loads, builds it
// with its parent, runs it modally, and, when it was opened from the card
// box window, has the card box recounted once it closes.
//
// Tests install a responder: it sees every request, may refuse it, and gets
// each built window instead of its modal loop, so a test drives the window
// by objectName and closes it without ever blocking.
namespace Windows {

enum class Kind {
    Practice,    // frmVokabel
    Table,       // frmTable
    Paging,      // frmPage
    Print,       // frmPrint
    Entry,       // frmNew
    Fonts,       // frmFonts
    Manager,     // frmManage
    Dictionary,  // frmWBook
    Help,        // frmHelp
    About,       // frmAbout
    SoundFolder, // frmSPfad
    NewPair,     // frmLanguage
    Recording,   // frmSound
    Import,      // frmImport
    Export,      // frmExport
    Backups,     // frmSicherung
    Statistics,  // frmStatistik
};

struct Outcome
{
    bool opened = false;             // a window was built and shown
    int result = QDialog::Rejected;  // what it ended with
};

// Runs after the window closed, while it still exists (to read what the
// learner chose), and before the card box is recounted.
using Closed = std::function<void(QDialog &window)>;

// Builds the window of a kind with its parent. The opener knows no window
// class: the program's composition root installs the one table of them
// (app/WindowTable) before the first window opens; opening one without it
// is a fault of the program's set-up and stops it at once.
using Factory = std::function<QDialog *(Kind kind, QWidget *parent)>;
void setFactory(Factory factory);

// Opens a window of this kind modally and returns when it has closed. The
// print window is the one window that loads without the hourglass.
Outcome open(Kind kind, QWidget *parent, const Closed &closed = {});

// HelpFile := the program's help file of that name; then the help viewer
// opens. What every help button and the help command do.
void showHelp(const QString &fileName, QWidget *parent);

// The card box window and its refresh: after a window whose parent is
// `window` closes, `refresh` runs once. A null window clears it.
void setCardBox(QWidget *window, std::function<void()> refresh);

// Emits windowRequested as a window has been built and is about to show
// (never for a refused kind).
class Notifier : public QObject
{
    Q_OBJECT
signals:
    void windowRequested(Windows::Kind kind, QDialog *window);
};
Notifier &notifier();

struct Responder
{
    // Asked for every request, also for kinds without a window yet; false
    // refuses it: nothing is built, shown or announced. Empty: admit all.
    std::function<bool(Kind kind)> admit;
    // Runs instead of the modal loop, with the window built and shown; it
    // closes the window. Empty, or a window left open: the window is closed
    // with Rejected.
    std::function<void(QDialog &window)> drive;
};

// Replaces the modal loop for every following window; a responder with
// neither function restores it.
void setResponder(Responder responder);

} // namespace Windows
