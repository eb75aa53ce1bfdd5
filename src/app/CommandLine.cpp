// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "VokamiaVersion.h"

#include <QRegularExpression>

#include <algorithm>

namespace CommandLine {

namespace {

using Role = Option::Role;
using Value = Option::Value;

Option toolkit(const char *name, Value value)
{
    Option o;
    o.name = QLatin1String(name);
    o.role = Role::Toolkit;
    o.value = value;
    return o;
}

QString quoted(const QString &text)
{
    return QStringLiteral("„") + text + QStringLiteral("“");
}

QString dashed(const Option &o)
{
    return QStringLiteral("--") + o.name;
}

// „a“, „a“ oder „b“, „a“, „b“ oder „c“
QString alternatives(const QStringList &names)
{
    QStringList q;
    for (const QString &n : names)
        q << quoted(QStringLiteral("--") + n);
    if (q.size() < 2)
        return q.join(QString());
    const QString last = q.takeLast();
    return q.join(QStringLiteral(", ")) + QStringLiteral(" oder ") + last;
}

QString placeholder(const Option &o)
{
    return o.value == Value::Choice ? o.choices.join(QLatin1Char('|')) : o.valueName;
}

QString withValue(const Option &o)
{
    return o.value == Value::None ? dashed(o) : dashed(o) + QLatin1Char(' ') + placeholder(o);
}

const Option *find(const Options &options, const QString &name)
{
    const auto it = std::find_if(options.begin(), options.end(), [&](const Option &o) { return o.name == name; });
    return it == options.end() ? nullptr : &*it;
}

const Option *findShort(const Options &options, QChar c)
{
    const auto it = std::find_if(options.begin(), options.end(),
                                 [&](const Option &o) { return !o.shortName.isNull() && o.shortName == c; });
    return it == options.end() ? nullptr : &*it;
}

// Empty when the value is fine, else the German reason.
QString checkValue(const Option &o, const QString &v)
{
    const QString bad = QStringLiteral("Ungültiger Wert %1 für %2: ").arg(quoted(v), quoted(dashed(o)));
    switch (o.value) {
    case Value::Choice:
        if (!o.choices.contains(v))
            return bad + QStringLiteral("erlaubt sind %1.").arg(o.choices.join(QStringLiteral(", ")));
        break;
    case Value::Number: {
        // Digits only: "+3", " 3" and "3x" are typing mistakes, not numbers.
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
        const int n = digits.match(v).hasMatch() ? v.toInt() : -1;
        if (n < o.minimum || n > o.maximum)
            return bad + QStringLiteral("erlaubt ist eine ganze Zahl von %1 bis %2.").arg(o.minimum).arg(o.maximum);
        break;
    }
    case Value::None:
    case Value::Text:
        break;
    }
    return {};
}

Request failed(const QString &message)
{
    Request r;
    r.error = QStringLiteral("vokamia: ") + message;
    return r;
}

} // namespace

const Options &programOptions()
{
    static const Options options = [] {
        Options o;
        Option help;
        help.name = QStringLiteral("help");
        help.shortName = QLatin1Char('h');
        help.help = QStringLiteral("Diese Hilfe zeigen.");
        o.push_back(help);
        Option version;
        version.name = QStringLiteral("version");
        version.help = QStringLiteral("Die Version zeigen.");
        o.push_back(version);

        // The toolkit's own options that the application object reads from
        // the arguments (its documented ones and those of the X11 platform).
        for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                 "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "display",
                                 "name", "visual", "style", "stylesheet"})
            o.push_back(toolkit(name, Value::Text));
        for (const char *name : {"reverse", "widgetcount", "testability", "nograb", "dograb", "qmljsdebugger"})
            o.push_back(toolkit(name, Value::None));
        return o;
    }();
    return options;
}

Request parse(const QStringList &arguments, const Options &options)
{
    Request r;
    QString info;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (optionsEnded || arg.size() < 2 || !arg.startsWith(QLatin1Char('-')))
            return failed(QStringLiteral("Unerwartetes Argument %1.").arg(quoted(arg)));
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }

        const bool doubleDash = arg.startsWith(QLatin1String("--"));
        const QString body = arg.mid(doubleDash ? 2 : 1);
        const qsizetype eq = body.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? body : body.left(eq);
        const Option *o = nullptr;
        if (!doubleDash && name.size() == 1)
            o = findShort(options, name.at(0));
        else
            o = find(options, name);
        // The toolkit takes its options with one dash or two; ours take two.
        if (o && !doubleDash && o->role != Role::Toolkit && name.size() > 1)
            o = nullptr;
        if (!o)
            return failed(QStringLiteral("Unbekannte Option %1.").arg(quoted(doubleDash ? QStringLiteral("--") + name : arg)));

        if (o->role == Role::Toolkit) {
            if (o->value != Value::None && eq < 0)
                ++i;
            continue;
        }

        QString value;
        if (o->value == Value::None) {
            if (eq >= 0)
                return failed(QStringLiteral("Die Option %1 nimmt keinen Wert.").arg(quoted(dashed(*o))));
        } else {
            if (eq >= 0)
                value = body.mid(eq + 1);
            // An option right after a value option is taken for a forgotten
            // value, not for the value: a file that starts with a dash can
            // be named "--import=-datei" or "./-datei".
            else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-')))
                value = arguments.at(++i);
            if (value.isEmpty())
                return failed(QStringLiteral("Die Option %1 braucht einen Wert (%2).").arg(quoted(dashed(*o)), placeholder(*o)));
            const QString wrong = checkValue(*o, value);
            if (!wrong.isEmpty())
                return failed(wrong);
        }

        switch (o->role) {
        case Role::Info:
            if (info.isEmpty())
                info = o->name;
            break;
        case Role::Command:
            if (r.command == o->name)
                return failed(QStringLiteral("Die Option %1 ist mehrfach angegeben.").arg(quoted(dashed(*o))));
            if (!r.command.isEmpty())
                return failed(QStringLiteral("%1 und %2 lassen sich nicht zusammen angeben.")
                                  .arg(quoted(QStringLiteral("--") + r.command), quoted(dashed(*o))));
            r.command = o->name;
            r.values.insert(o->name, value);
            break;
        case Role::Setting:
            if (r.values.contains(o->name))
                return failed(QStringLiteral("Die Option %1 ist mehrfach angegeben.").arg(quoted(dashed(*o))));
            r.values.insert(o->name, value);
            break;
        case Role::Toolkit:
            break;
        }
    }

    if (!info.isEmpty()) {
        r.command = info;
        r.values.clear();
        return r;
    }
    for (const Option &o : options) {
        if (o.role == Role::Setting && r.values.contains(o.name) && !o.commands.contains(r.command))
            return failed(QStringLiteral("%1 gilt nur zusammen mit %2.").arg(quoted(dashed(o)), alternatives(o.commands)));
    }
    return r;
}

QString usage(const Options &options)
{
    const QString indent = QStringLiteral("        ");
    QString text = QStringLiteral("Aufruf: vokamia [QT-OPTION …]\n");
    for (const Option &o : options) {
        if (o.role == Role::Info) {
            text += indent + QStringLiteral("vokamia ") + dashed(o) + QLatin1Char('\n');
        } else if (o.role == Role::Command) {
            text += indent + QStringLiteral("vokamia ") + withValue(o);
            for (const Option &s : options) {
                if (s.role == Role::Setting && s.commands.contains(o.name))
                    text += QStringLiteral(" [") + withValue(s) + QLatin1Char(']');
            }
            text += QLatin1Char('\n');
        }
    }
    text += QStringLiteral("\nOhne Option öffnet Vokamia, der Vokabeltrainer mit Karteikasten, sein Fenster.\n"
                           "\nOptionen:\n");

    QStringList left;
    QStringList right;
    for (const Option &o : options) {
        if (o.role == Role::Toolkit)
            continue;
        const QString shortPart =
            o.shortName.isNull() ? QStringLiteral("    ") : QStringLiteral("-") + o.shortName + QStringLiteral(", ");
        left << QStringLiteral("  ") + shortPart + withValue(o);
        right << o.help;
    }
    qsizetype width = 0;
    for (const QString &l : left)
        width = std::max(width, l.size());
    for (qsizetype i = 0; i < left.size(); ++i)
        text += left.at(i).leftJustified(width + 2) + right.at(i) + QLatin1Char('\n');

    text += QStringLiteral("\nQT-OPTION: eine Option des Qt-Toolkits für das Fenster, etwa „-platform NAME“\n"
                           "oder „-style NAME“.\n"
                           "Mehr in der Handbuchseite: man vokamia\n");
    return text;
}

std::optional<Reply> reply(const Request &request, const Options &options)
{
    Reply r;
    if (!request.ok()) {
        r.status = kExitUsage;
        r.err = request.error + QStringLiteral("\n\n") + usage(options);
    } else if (request.command.isEmpty()) {
        return std::nullopt;
    } else if (request.command == QLatin1String("help")) {
        r.out = usage(options);
    } else if (request.command == QLatin1String("version")) {
        r.out = QStringLiteral("Vokamia " VOKAMIA_VERSION_FULL "\n");
    } else {
        r.status = kExitFailed;
        r.err = QStringLiteral("vokamia: %1 ist in dieser Version nicht verfügbar.\n").arg(quoted(QStringLiteral("--") + request.command));
    }
    return r;
}

QStringList arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

} // namespace CommandLine
