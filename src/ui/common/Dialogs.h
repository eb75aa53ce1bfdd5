// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

// The platform's standard dialogs, each behind one function: colours, the
// printer and files. Tests install a responder that answers instead of the
// dialog, so no test ever opens a real one.
namespace Dialogs {

enum class Kind { Colour, Printer, OpenFile, SaveFile };

// What a dialog is asked; the responder reads it (and may set up the
// printer, e.g. to print into a file).
struct Request
{
    Kind kind = Kind::Colour;
    QString title;
    QWidget *parent = nullptr;
    QColor colour;               // Colour: the colour to start from
    QPrinter *printer = nullptr; // Printer: the printer being chosen
    QString path;                // file dialogs: starting folder or file
    QString filter;              // OpenFile, SaveFile: e.g. "Wave (*.wav)"
};

// Each returns nothing (or an empty path, or false) when the learner
// cancels.
std::optional<QColor> colour(const QColor &initial, QWidget *parent = nullptr, const QString &title = {});
bool printer(QPrinter &printer, QWidget *parent = nullptr);
QString openFile(const QString &title, const QString &path, const QString &filter, QWidget *parent = nullptr);
QString saveFile(const QString &title, const QString &path, const QString &filter, QWidget *parent = nullptr);

// The answer a responder gives: a QColor, a path (QString) or true
// (printer) for a confirmed dialog; an invalid QVariant for Cancel.
using Responder = std::function<QVariant(const Request &request)>;
// Answers every following dialog; an empty function restores the dialogs.
void setResponder(Responder responder);

} // namespace Dialogs
