// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Appearance.h"

#include "core/AppState.h"
#include "core/Types.h"

#include <QFontDatabase>
#include <QPalette>
#include <QRegularExpression>
#include <QWidget>

namespace {

struct FontLists
{
    QStringList screen;
    QStringList printer;
};

FontLists &testLists()
{
    static FontLists l;
    return l;
}

// Each family once, by its plain name, in the order first named.
QStringList families(const QStringList &names)
{
    QStringList plain;
    for (const QString &name : names)
        if (const QString f = Appearance::family(name); !f.isEmpty() && !plain.contains(f))
            plain << f;
    return plain;
}

} // namespace

namespace Appearance {

QString family(const QString &fontName)
{
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\[\\]]*\\]\\s*$"));
    QString plain = fontName;
    plain.remove(foundry);
    // A name that is nothing but a tag stays as it is.
    return plain.isEmpty() ? fontName : plain;
}

QFont font(const QString &name, qreal pointSize, bool bold)
{
    QFont f;
    // Family matching goes through the platform's substitution, so a
    // missing family still gives a usable font.
    f.setFamilies({family(name)});
    if (pointSize > 0)
        f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QString fontName(Language language)
{
    const AppState &a = AppState::instance();
    return family(language == Language::Foreign ? a.FremdFont : a.MutterFont);
}

QColor colour(Language language)
{
    const AppState &a = AppState::instance();
    return Colour::decode(language == Language::Foreign ? a.FremdColor : a.MutterColor);
}

void apply(QWidget *widget, Language language, bool withColour)
{
    if (!widget)
        return;
    // No font chosen yet: the widget keeps the platform's.
    if (const QString name = fontName(language); !name.isEmpty()) {
        QFont f = widget->font();
        f.setFamilies({name});
        widget->setFont(f);
    }
    if (withColour) {
        QPalette p = widget->palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(role, colour(language));
        widget->setPalette(p);
    }
}

QStringList screenFonts()
{
    if (!testLists().screen.isEmpty())
        return families(testLists().screen);
    QStringList names;
    for (const QString &name : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(name))
            names << name;
    return families(names);
}

QStringList printerFonts()
{
    if (!testLists().screen.isEmpty())
        return families(testLists().printer);
    // Asked by its plain name, the font database answers for every
    // foundry's make of the family.
    QStringList fonts;
    for (const QString &f : screenFonts())
        if (QFontDatabase::isScalable(f))
            fonts << f;
    return fonts;
}

void setFontListsForTesting(const QStringList &screen, const QStringList &printer)
{
    testLists() = FontLists{screen, printer};
}

} // namespace Appearance
