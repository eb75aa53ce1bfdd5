// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/RtfToHtml.h"

#include "text/CodePages.h"
#include "text/RtfHtml.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

namespace Rtf {

namespace {

QString colourName(std::uint32_t rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
}

int twipsToPx(int twips, int lo, int hi)
{
    return std::clamp(twips / 15, lo, hi);
}

} // namespace

QString cssFontName(const QString &name)
{
    QString safe;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c == QLatin1Char('\'') || c == QLatin1Char('"')
            || c == QLatin1Char(';') || c == QLatin1Char(':') || c == QLatin1Char('\\')
            || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('&')
            || c == QLatin1Char('{') || c == QLatin1Char('}') || c == QLatin1Char('(')
            || c == QLatin1Char(')'))
            continue;
        safe += c;
    }
    return safe.trimmed();
}

void appendEscaped(QString &out, const QString &text)
{
    out.reserve(out.size() + text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case 0x2028: out += QLatin1String("<br />"); break;
        default: out += c; break;
        }
    }
}

QString HtmlWriter::styleOf(const CharFmt &fmt) const
{
    QString s;
    const int f = fmt.font >= 0 ? fmt.font : tables_.defaultFont;
    if (f >= 0) {
        const auto it = tables_.fonts.find(f);
        if (it != tables_.fonts.end() && !it->second.name.isEmpty())
            s += QStringLiteral("font-family:'%1'; ").arg(it->second.name);
    }
    const int hp = std::clamp(fmt.halfPoints, 8, 288);
    if (hp % 2)
        s += QStringLiteral("font-size:%1.5pt; ").arg(hp / 2);
    else
        s += QStringLiteral("font-size:%1pt; ").arg(hp / 2);
    if (fmt.bold)
        s += QLatin1String("font-weight:700; ");
    if (fmt.italic)
        s += QLatin1String("font-style:italic; ");
    if (fmt.underline && fmt.strike)
        s += QLatin1String("text-decoration:underline line-through; ");
    else if (fmt.underline)
        s += QLatin1String("text-decoration:underline; ");
    else if (fmt.strike)
        s += QLatin1String("text-decoration:line-through; ");
    if (fmt.vAlign == 1)
        s += QLatin1String("vertical-align:super; ");
    else if (fmt.vAlign == 2)
        s += QLatin1String("vertical-align:sub; ");
    if (fmt.colour > 0 && size_t(fmt.colour) < tables_.colours.size() && tables_.colours[size_t(fmt.colour)] >= 0)
        s += QStringLiteral("color:%1; ").arg(colourName(std::uint32_t(tables_.colours[size_t(fmt.colour)])));
    if (fmt.highlight > 0 && size_t(fmt.highlight) < tables_.colours.size()
        && tables_.colours[size_t(fmt.highlight)] >= 0)
        s += QStringLiteral("background-color:%1; ")
                 .arg(colourName(std::uint32_t(tables_.colours[size_t(fmt.highlight)])));
    return s.trimmed();
}

HtmlWriter::HtmlWriter(const DocumentTables &tables) : tables_(tables), html_(QStringLiteral("<html><body>")) {}

void HtmlWriter::paragraph(const ParaFmt &p, const std::vector<Run> &runs, int halfPoints)
{
    QString style = QStringLiteral("margin-top:%1px; margin-bottom:%2px; margin-left:%3px; "
                                   "margin-right:%4px; text-indent:%5px; white-space:pre-wrap;")
                        .arg(twipsToPx(p.spaceBefore, 0, 400))
                        .arg(twipsToPx(p.spaceAfter, 0, 400))
                        .arg(twipsToPx(p.leftIndent, 0, 800))
                        .arg(twipsToPx(p.rightIndent, 0, 800))
                        .arg(twipsToPx(p.firstIndent, -800, 800));
    // Proportional line spacing (\slN\slmult1, N in 240ths of a line) is
    // kept; "at least" and "exact" spacing show as single spacing.
    if (p.lineMultiple && p.lineSpacing > 0)
        style += QStringLiteral(" line-height:%1%;").arg(std::clamp(p.lineSpacing * 100 / 240, 50, 300));
    static const char *const aligns[] = {"left", "center", "right", "justify"};
    const QString align = QLatin1String(aligns[std::clamp(p.align, 0, 3)]);

    bool empty = true;
    for (const Run &r : runs) {
        if (!r.text.isEmpty()) {
            empty = false;
            break;
        }
    }
    if (empty) {
        // An empty line keeps the height of the text size in force.
        const int hp = std::clamp(halfPoints, 8, 288);
        html_ += QStringLiteral("<p align=\"%1\" style=\"-qt-paragraph-type:empty; %2 font-size:%3pt;\"><br /></p>")
                     .arg(align, style)
                     .arg(hp / 2);
    } else {
        html_ += QStringLiteral("<p align=\"%1\" style=\"%2\">").arg(align, style);
        for (const Run &r : runs) {
            if (r.text.isEmpty())
                continue;
            html_ += QLatin1String("<span style=\"");
            html_ += styleOf(r.fmt);
            html_ += QLatin1String("\">");
            appendEscaped(html_, r.text);
            html_ += QLatin1String("</span>");
        }
        html_ += QLatin1String("</p>");
    }
}

QString HtmlWriter::finish()
{
    html_ += QLatin1String("</body></html>");
    return html_;
}

bool looksLikeRtf(const QByteArray &data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

QString plainTextToHtml(const QByteArray &data)
{
    QString text;
    {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8.decode(data);
        if (utf8.hasError()) {
            text.clear();
            text.reserve(data.size());
            for (const char c : data) {
                const QChar q = decodeByte(static_cast<unsigned char>(c), westernTable());
                if (q.unicode() != 0)
                    text += q;
            }
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QString html = QStringLiteral("<html><body>");
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype li = 0; li < lines.size(); ++li) {
        if (li == lines.size() - 1 && lines[li].isEmpty())
            break; // the final line break ends the last line
        QString clean;
        for (const QChar c : lines[li]) {
            if (c == QLatin1Char('\t') || (c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() < 0xA0)))
                clean += c;
        }
        if (clean.isEmpty()) {
            html += QLatin1String("<p style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\"><br /></p>");
        } else {
            html += QLatin1String("<p style=\"margin-top:0px; margin-bottom:0px; white-space:pre-wrap;\">");
            appendEscaped(html, clean);
            html += QLatin1String("</p>");
        }
        if (html.size() >= kMaxOutput)
            break;
    }
    html += QLatin1String("</body></html>");
    return html;
}

QString toHtml(const QByteArray &data)
{
    if (data.isEmpty())
        return QString();
    if (!looksLikeRtf(data))
        return plainTextToHtml(data);
    return readRtf(data);
}

} // namespace Rtf
