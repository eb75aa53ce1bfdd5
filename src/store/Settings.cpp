// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Settings.h"

#include "core/AppState.h"
#include "store/Engine.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>

namespace Settings {

namespace {

QString &storeFile()
{
    static QString path;
    return path;
}

std::unique_ptr<QSettings> openStore()
{
    if (!storeFile().isEmpty())
        return std::make_unique<QSettings>(storeFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vokamia"),
                                       QStringLiteral("Vokamia"));
}

// The value of section/key as it stands in the INI file, quotes taken off
// and the escapes the store writes undone; other backslashes stay, for a
// hand-written d:\Töne means what it says.
QString rawValue(const QString &file, const QString &section, const QString &key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    bool inSection = false;
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            inSection = t.compare(header, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (!inSection || eq < 0 || t.left(eq).trimmed() != key)
            continue;
        const QString v = t.mid(eq + 1).trimmed();
        QString out;
        for (qsizetype i = 0; i < v.size(); ++i) {
            const QChar c = v[i];
            if (c == QLatin1Char('"'))
                continue;
            if (c == QLatin1Char('\\') && i + 1 < v.size()) {
                const QChar n = v[i + 1];
                const QString undone = n == QLatin1Char('\\') ? QStringLiteral("\\")
                    : n == QLatin1Char('"')                    ? QStringLiteral("\"")
                    : n == QLatin1Char('n')                    ? QStringLiteral("\n")
                    : n == QLatin1Char('t')                    ? QStringLiteral("\t")
                    : n == QLatin1Char('r')                    ? QStringLiteral("\r")
                                                               : QString();
                if (!undone.isNull()) {
                    out += undone;
                    ++i;
                    continue;
                }
            }
            out += c;
        }
        return out;
    }
    return QString();
}

QString readText(QSettings &s, const QString &section, const QString &key, const QString &fallback)
{
    const QVariant v = s.value(section + QLatin1Char('/') + key);
    if (!v.isValid())
        return fallback;
    // The INI reader turns an unquoted text with a comma ("Arial, Bold")
    // into a list; the learner wrote one text.
    if (v.typeId() == QMetaType::QStringList)
        return rawValue(s.fileName(), section, key);
    return v.toString();
}

void writeText(QSettings &s, const QString &section, const QString &key, const QString &value)
{
    s.setValue(section + QLatin1Char('/') + key, value);
}

// A setting that silently failed to reach the disk would come back changed
// at the next start; say so while the learner can still react.
void commit(QSettings &s)
{
    s.sync();
    if (s.status() != QSettings::NoError)
        throw store::Error(QStringLiteral("Die Einstellungen konnten nicht in %1 gespeichert werden.").arg(s.fileName()));
}

double roundHalfEven(double v)
{
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(old);
    return r;
}

// Reads a 16-bit "number" key: leading numeric part, halves to even.
std::int16_t numberKey(QSettings &s, const QString &section, const QString &key, const QString &fallback)
{
    return leadingNumber(readText(s, section, key, fallback));
}

// A key that must hold a number and does not is reported, takes its
// default and the load goes on: one bad value must not cost the learner the
// keys after it, which the next save would overwrite.
std::int32_t strictKey(QSettings &s, const QString &section, const QString &key, const QString &fallback,
                       std::int64_t lo, std::int64_t hi, QStringList &problems)
{
    try {
        return strictInteger(readText(s, section, key, fallback), lo, hi, section + QLatin1Char('/') + key);
    } catch (const store::Error &e) {
        problems << e.description() + QStringLiteral(" Es gilt der Standardwert ") + fallback + QLatin1Char('.');
        return std::int32_t(fallback.toInt());
    }
}

std::int16_t shortKey(QSettings &s, const QString &section, const QString &key, const QString &fallback,
                      QStringList &problems)
{
    return std::int16_t(strictKey(s, section, key, fallback, -32768, 32767, problems));
}

std::int32_t longKey(QSettings &s, const QString &section, const QString &key, const QString &fallback,
                     QStringList &problems)
{
    return strictKey(s, section, key, fallback, std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max(), problems);
}

void report(const QStringList &problems)
{
    if (!problems.isEmpty())
        throw store::Error(problems.join(Msg::kCrLf));
}

const QString kSound = QStringLiteral("Sound");
const QString kColors = QStringLiteral("Colors");
const QString kFonts = QStringLiteral("Fonts");
const QString kOptions = QStringLiteral("Options");
const QString kDatabase = QStringLiteral("Database");
const QString kDruck = QStringLiteral("Druck");

} // namespace

std::int16_t leadingNumber(const QString &text)
{
    // Blanks, tabs and line feeds count for nothing anywhere in the text.
    QString t;
    for (const QChar ch : text)
        if (ch != QLatin1Char(' ') && ch != QLatin1Char('\t') && ch != QLatin1Char('\n') && ch != QLatin1Char('\r'))
            t += ch;
    double value = 0;
    if (t.startsWith(QStringLiteral("&H"), Qt::CaseInsensitive) || t.startsWith(QStringLiteral("&O"), Qt::CaseInsensitive)) {
        const int base = t[1].toUpper() == QLatin1Char('H') ? 16 : 8;
        int n = 2;
        while (n < t.size()) {
            bool digit = false;
            QString(t[n]).toInt(&digit, base);
            if (!digit)
                break;
            ++n;
        }
        bool ok = false;
        value = double(t.mid(2, n - 2).toLongLong(&ok, base));
        if (!ok)
            value = 0;
    } else {
        int n = 0;
        if (n < t.size() && (t[n] == QLatin1Char('+') || t[n] == QLatin1Char('-')))
            ++n;
        const int digitsFrom = n;
        while (n < t.size() && t[n].isDigit() && t[n].unicode() < 128)
            ++n;
        if (n < t.size() && t[n] == QLatin1Char('.')) {
            ++n;
            while (n < t.size() && t[n].isDigit() && t[n].unicode() < 128)
                ++n;
        }
        if (n > digitsFrom && n < t.size() && (t[n].toUpper() == QLatin1Char('E') || t[n].toUpper() == QLatin1Char('D'))) {
            int e = n + 1;
            if (e < t.size() && (t[e] == QLatin1Char('+') || t[e] == QLatin1Char('-')))
                ++e;
            const int expDigits = e;
            while (e < t.size() && t[e].isDigit() && t[e].unicode() < 128)
                ++e;
            if (e > expDigits)
                n = e;
        }
        QString number = t.left(n);
        number.replace(QLatin1Char('D'), QLatin1Char('E')).replace(QLatin1Char('d'), QLatin1Char('e'));
        bool ok = false;
        value = number.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            value = 0;
    }
    // Out of 16 bits is clamped: the option checks at start-up then put the
    // value back into its range instead of the whole load failing.
    const double r = roundHalfEven(value);
    if (r < -32768)
        return -32768;
    if (r > 32767)
        return 32767;
    return std::int16_t(r);
}

std::int32_t strictInteger(const QString &text, std::int64_t lo, std::int64_t hi, const QString &what)
{
    const QString t = text.trimmed();
    bool ok = false;
    double value = 0;
    if (t.startsWith(QStringLiteral("&H"), Qt::CaseInsensitive)) {
        value = double(t.mid(2).toLongLong(&ok, 16));
    } else {
        value = t.toDouble(&ok);
        ok = ok && std::isfinite(value);
    }
    if (!ok)
        throw store::Error(QStringLiteral("Die Einstellung %1 enthält „%2“, das ist keine Zahl (Typen unverträglich).")
                               .arg(what, text));
    const double r = roundHalfEven(value);
    if (r < double(lo) || r > double(hi))
        throw store::Error(QStringLiteral("Die Einstellung %1 enthält „%2“, das ist außerhalb des erlaubten Bereichs "
                                          "(Überlauf).")
                               .arg(what, text));
    return std::int32_t(r);
}

void LoadAllSettings()
{
    QStringList problems;
    for (void (*load)() : {LoadPrintLayout, LoadSettings, LoadSprachNr}) {
        try {
            load();
        } catch (const store::Error &e) {
            problems << e.description();
        }
    }
    report(problems);
}

void LoadSettings()
{
    auto s = openStore();
    AppState &a = AppState::instance();
    QStringList problems;
    a.SoundPath = readText(*s, kSound, QStringLiteral("SoundPath"), QStringLiteral("d:"));
    a.MutterColor = longKey(*s, kColors, QStringLiteral("Muttersprachen-Color"), QStringLiteral("0"), problems);
    a.FremdColor = longKey(*s, kColors, QStringLiteral("Fremdsprachen-Color"), QStringLiteral("0"), problems);
    a.MutterFont = readText(*s, kFonts, QStringLiteral("Muttersprachen-Font"), QStringLiteral("ms sans serif"));
    a.FremdFont = readText(*s, kFonts, QStringLiteral("Fremdsprachen-Font"), QStringLiteral("ms sans serif"));
    a.PairCount = numberKey(*s, kOptions, QStringLiteral("Sprache"), QStringLiteral("1"));
    a.Abfrage = numberKey(*s, kOptions, QStringLiteral("Abfrage"), QStringLiteral("1"));
    a.Repeats = numberKey(*s, kOptions, QStringLiteral("Repeats"), QStringLiteral("1"));
    a.Versuche = numberKey(*s, kOptions, QStringLiteral("Versuche"), QStringLiteral("3"));
    report(problems);
}

void SaveSettings()
{
    auto s = openStore();
    const AppState &a = AppState::instance();
    writeText(*s, kSound, QStringLiteral("SoundPath"), a.SoundPath);
    writeText(*s, kColors, QStringLiteral("Fremdsprachen-Color"), QString::number(a.FremdColor));
    writeText(*s, kColors, QStringLiteral("Muttersprachen-Color"), QString::number(a.MutterColor));
    writeText(*s, kFonts, QStringLiteral("Muttersprachen-Font"), a.MutterFont);
    writeText(*s, kFonts, QStringLiteral("Fremdsprachen-Font"), a.FremdFont);
    writeText(*s, kOptions, QStringLiteral("Sprache"), QString::number(a.PairCount));
    writeText(*s, kOptions, QStringLiteral("Abfrage"), QString::number(a.Abfrage));
    writeText(*s, kOptions, QStringLiteral("Repeats"), QString::number(a.Repeats));
    writeText(*s, kOptions, QStringLiteral("Versuche"), QString::number(a.Versuche));
    commit(*s);
}

void LoadSprachNr()
{
    auto s = openStore();
    AppState::instance().SprachNr = numberKey(*s, kDatabase, QStringLiteral("SprachNr"), QStringLiteral("1"));
}

void SaveSprachNr()
{
    auto s = openStore();
    writeText(*s, kDatabase, QStringLiteral("SprachNr"), QString::number(AppState::instance().SprachNr));
    commit(*s);
}

void LoadPrintLayout()
{
    auto s = openStore();
    AppState &a = AppState::instance();
    QStringList problems;
    a.xRand = shortKey(*s, kDruck, QStringLiteral("xRand"), QStringLiteral("10"), problems);
    a.yRand = shortKey(*s, kDruck, QStringLiteral("yRand"), QStringLiteral("10"), problems);
    a.xCard = shortKey(*s, kDruck, QStringLiteral("xCard"), QStringLiteral("74"), problems);
    a.yCard = shortKey(*s, kDruck, QStringLiteral("yCard"), QStringLiteral("52"), problems);
    a.xGap = shortKey(*s, kDruck, QStringLiteral("xGap"), QStringLiteral("0"), problems);
    a.yGap = shortKey(*s, kDruck, QStringLiteral("yGap"), QStringLiteral("0"), problems);
    report(problems);
}

void SavePrintLayout()
{
    auto s = openStore();
    const AppState &a = AppState::instance();
    writeText(*s, kDruck, QStringLiteral("xRand"), QString::number(a.xRand));
    writeText(*s, kDruck, QStringLiteral("yRand"), QString::number(a.yRand));
    writeText(*s, kDruck, QStringLiteral("xCard"), QString::number(a.xCard));
    writeText(*s, kDruck, QStringLiteral("yCard"), QString::number(a.yCard));
    writeText(*s, kDruck, QStringLiteral("xGap"), QString::number(a.xGap));
    writeText(*s, kDruck, QStringLiteral("yGap"), QString::number(a.yGap));
    commit(*s);
}

void setStoreFileForTesting(const QString &path)
{
    storeFile() = path;
}

} // namespace Settings
