// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the program is asked to do, read from its arguments before anything
// touches the window system, so that a console without a display can ask
// for the usage or the version and scripts can run commands.
//
// Every option is a row of a table. A command (--help, --version, and the
// commands that work without a window) is what the run does; a setting
// refines a command and names the commands it belongs to; the toolkit's own
// options (-platform, -style, …) pass through untouched to the application
// object, which reads them from the original arguments.
namespace CommandLine {

// Exit statuses, as the manual page lists them.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Option
{
    enum class Role {
        Info,    // answered at once and wins over every command (--help)
        Command, // what the run does; two at once are refused
        Setting, // refines one of the commands in `commands`
        Toolkit, // the toolkit's own, single or double dash; never checked
    };
    enum class Value {
        None,   // a switch; "--name=x" is refused
        Text,   // anything not empty
        Choice, // one of `choices`, exactly
        Number, // a whole number from `minimum` to `maximum`
    };

    QString name; // long name, without dashes
    Role role = Role::Info;
    Value value = Value::None;
    QString valueName; // shown in the usage: "DATEI", "N"
    QStringList choices;
    int minimum = 0;
    int maximum = 0;
    QStringList commands; // a setting: the commands it may go with
    QString help;         // one German line for the usage
    QChar shortName = {}; // "-h"
};

using Options = std::vector<Option>;

// The program's own table.
const Options &programOptions();

struct Request
{
    // The name of the command or info option given, empty for the window.
    QString command;
    // Values of the command and its settings, by option name.
    QMap<QString, QString> values;
    // German, when the command line is wrong; nothing else is valid then.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// `arguments` without the program's name.
Request parse(const QStringList &arguments, const Options &options = programOptions());

// The German usage text, made from the table.
QString usage(const Options &options = programOptions());

// What the program prints and the status it ends with, for every request
// that needs no window; nothing when the window is to start.
struct Reply
{
    int status = kExitOk;
    QString out;
    QString err;
};
std::optional<Reply> reply(const Request &request, const Options &options = programOptions());

// argv[1] … argv[argc - 1], decoded as the system encodes file names.
QStringList arguments(int argc, char *argv[]);

} // namespace CommandLine
