// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/Appearance.h"

#include "core/AppState.h"
#include "core/Types.h"

#include <QFontDatabase>
#include <QPalette>
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

} // namespace

namespace Appearance {

QFont font(const QString &family, qreal pointSize, bool bold)
{
    QFont f;
    // Family matching goes through the platform's substitution, so a
    // missing family still gives a usable font.
    f.setFamilies({family});
    if (pointSize > 0)
        f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QString fontName(Language language)
{
    const AppState &a = AppState::instance();
    return language == Language::Foreign ? a.FremdFont : a.MutterFont;
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
        return testLists().screen;
    QStringList fonts;
    for (const QString &family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            fonts << family;
    return fonts;
}

QStringList printerFonts()
{
    if (!testLists().screen.isEmpty())
        return testLists().printer;
    QStringList fonts;
    for (const QString &family : screenFonts())
        if (QFontDatabase::isScalable(family))
            fonts << family;
    return fonts;
}

void setFontListsForTesting(const QStringList &screen, const QStringList &printer)
{
    testLists() = FontLists{screen, printer};
}

} // namespace Appearance
