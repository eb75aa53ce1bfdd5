// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/CardPrint.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>

#include <stdexcept>

namespace CardPrint {

namespace {

const QString kEllipsis = QStringLiteral("…");

QFont sized(QFont font, qreal points, bool bold)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

class PrinterSheets : public Sheets
{
public:
    explicit PrinterSheets(QPrinter &printer)
        : printer_(printer),
          toFile_(printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty())
    {
    }
    ~PrinterSheets() override { finish(); }

    bool beginSide(Side side) override
    {
        if (side == Side::Backs && painter_.isActive()) {
            // Into a file: the backs follow the fronts in the same document,
            // since a second document would replace the first.
            return printer_.newPage();
        }
        if (!painter_.begin(&printer_))
            return false;
        pxPerMm_ = printer_.resolution() / 25.4;
        pen_ = QPen(Qt::black, 0.2 * pxPerMm_);
        return true;
    }
    void newPage() override { printer_.newPage(); }
    void endSide(Side) override
    {
        if (!toFile_)
            painter_.end();
    }
    void finish() override
    {
        if (painter_.isActive())
            painter_.end();
    }
    void text(const QPointF &topLeft, const QString &text, const QFont &font, const QColor &colour) override
    {
        painter_.setFont(font);
        painter_.setPen(colour);
        const QFontMetricsF &fm = metrics(font);
        painter_.drawText(QPointF(topLeft.x() * pxPerMm_, topLeft.y() * pxPerMm_ + fm.ascent()), text);
    }
    void line(const QLineF &l) override
    {
        painter_.setPen(pen_);
        painter_.drawLine(QLineF(l.p1() * pxPerMm_, l.p2() * pxPerMm_));
    }
    qreal textWidth(const QString &text, const QFont &font) override
    {
        return metrics(font).horizontalAdvance(text) / pxPerMm_;
    }
    qreal textHeight(const QFont &font) override { return metrics(font).height() / pxPerMm_; }

private:
    const QFontMetricsF &metrics(const QFont &font)
    {
        const QString key = font.key();
        auto it = metrics_.find(key);
        if (it == metrics_.end())
            it = metrics_.insert(key, QFontMetricsF(font, &printer_));
        return *it;
    }

    QPrinter &printer_;
    bool toFile_;
    QPainter painter_;
    QPen pen_;
    qreal pxPerMm_ = 1;
    QHash<QString, QFontMetricsF> metrics_;
};

void printText(Sheets &sheets, const QPointF &origin, const QString &text, const QFont &font, const QColor &colour,
               qreal innerWidth)
{
    const QStringList lines =
        fitLines(text, innerWidth, [&](const QString &s) { return sheets.textWidth(s, font); });
    const qreal lineHeight = lines.size() > 1 ? sheets.textHeight(font) : 0;
    for (qsizetype j = 0; j < lines.size(); ++j)
        sheets.text(QPointF(origin.x(), origin.y() + j * lineHeight), lines[j], font, colour);
}

} // namespace

std::unique_ptr<Sheets> printerSheets(QPrinter &printer)
{
    return std::make_unique<PrinterSheets>(printer);
}

QStringList fitLines(const QString &text, qreal width, const std::function<qreal(const QString &)> &widthOf)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    if (widthOf(t) < width)
        return {t};

    QStringList lines{QString()};
    bool cut = false;
    for (qsizetype pos = 0; pos < t.size();) {
        const qsizetype blank = t.indexOf(QLatin1Char(' '), pos);
        const QString word = blank < 0 ? t.mid(pos) : t.mid(pos, blank - pos + 1);
        pos += word.size();
        if (!lines.last().isEmpty() && widthOf(lines.last() + word) >= width) {
            if (lines.size() == kMaxLines) {
                cut = true;
                break;
            }
            lines << word;
        } else {
            lines.last() += word;
        }
    }
    if (cut) {
        // The rest does not fit on the card: show that something is missing
        // rather than lose it without a trace.
        QString &last = lines.last();
        while (last.endsWith(QLatin1Char(' ')))
            last.chop(1);
        while (last.size() > 1 && widthOf(last + kEllipsis) >= width)
            last.chop(1);
        last += kEllipsis;
    }
    return lines;
}

bool print(const Job &job, Sheets &sheets, const Hooks &hooks)
{
    const qsizetype n = qsizetype(job.cards.size());
    if (n == 0)
        return true;
    const PrintLayout &l = job.layout;
    const qreal inner = l.width - 2 * PrintLayout::kInsetX;
    const QFont foreignWord = sized(job.foreignFont, kWordPoints, true);
    const QFont foreignSentence = sized(job.foreignFont, kSentencePoints, false);
    const QFont nativeWord = sized(job.nativeFont, kWordPoints, true);
    const QFont nativeSentence = sized(job.nativeFont, kSentencePoints, false);
    const qsizetype total = 2 * n;
    const QPointF sentenceDown(0, PrintLayout::kSentenceDown);

    struct Finish
    {
        Sheets &s;
        ~Finish() { s.finish(); }
    } finish{sheets};

    if (!sheets.beginSide(Side::Fronts))
        throw std::runtime_error("Der Drucker konnte nicht angesprochen werden.");
    for (qsizetype i = 0; i < n; ++i) {
        const int k = int(i % PrintLayout::kCardsPerSheet);
        if (k == 0) {
            if (i > 0)
                sheets.newPage();
            if (job.raster)
                for (const QLineF &line : l.raster())
                    sheets.line(line);
        }
        const Card &card = job.cards[size_t(i)];
        const QPointF origin = l.frontOrigin(k);
        printText(sheets, origin, card.FVok, foreignWord, job.foreignColour, inner);
        printText(sheets, origin + sentenceDown, card.FSatz, foreignSentence, job.foreignColour, inner);
        if (hooks.progress && !hooks.progress(i + 1, total))
            return false;
    }
    sheets.endSide(Side::Fronts);

    if (hooks.turnOver && !hooks.turnOver())
        return false;

    if (!sheets.beginSide(Side::Backs))
        throw std::runtime_error("Der Drucker konnte nicht angesprochen werden.");
    for (qsizetype i = 0; i < n; ++i) {
        const int k = int(i % PrintLayout::kCardsPerSheet);
        if (i > 0 && k == 0)
            sheets.newPage();
        const Card &card = job.cards[size_t(i)];
        const QPointF origin = l.backOrigin(k);
        printText(sheets, origin, card.MVok, nativeWord, job.nativeColour, inner);
        printText(sheets, origin + sentenceDown, card.MSatz, nativeSentence, job.nativeColour, inner);
        if (hooks.progress && !hooks.progress(n + i + 1, total))
            return false;
    }
    sheets.endSide(Side::Backs);
    return true;
}

} // namespace CardPrint
