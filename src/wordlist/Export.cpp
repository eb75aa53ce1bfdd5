// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlist/Export.h"

#include "store/Records.h"
#include "wordlist/Layout.h"
#include "wordlist/Text.h"

#include <QFileInfo>
#include <QSaveFile>

namespace WordList {

namespace {

QChar separatorOf(Format format)
{
    return format == Format::Csv ? QLatin1Char(';') : QLatin1Char('\t');
}

QString lineEnd(Format format)
{
    return format == Format::Csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
}

// Written in pieces of this size: large enough that writing costs little,
// small enough that a million cards never sit in memory at once.
constexpr qsizetype kFlushBytes = 256 * 1024;

class Writer
{
public:
    explicit Writer(const QString &path) : file_(path) {}

    void open()
    {
        if (QFileInfo(file_.fileName()).isDir() || !file_.open(QIODevice::WriteOnly))
            fail();
    }
    void add(const QString &text)
    {
        buffer_ += text.toUtf8();
        if (buffer_.size() >= kFlushBytes)
            flush();
    }
    void addBytes(const QByteArray &bytes) { buffer_ += bytes; }
    void finish()
    {
        flush();
        if (!file_.commit())
            fail();
    }

private:
    void flush()
    {
        if (file_.write(buffer_) != buffer_.size())
            fail();
        buffer_.clear();
    }
    [[noreturn]] void fail()
    {
        const QString why = file_.errorString();
        file_.cancelWriting();
        throw FileError(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden (%2). Eine Datei dieses Namens "
                                       "bleibt, wie sie war.")
                            .arg(QFileInfo(file_.fileName()).fileName(), why));
    }

    QSaveFile file_;
    QByteArray buffer_;
};

} // namespace

QString quotedField(const QString &field, Format format)
{
    const char16_t sep = separatorOf(format).unicode();
    // One pass over the field: most need no quotes at all.
    const auto needsQuotes = [&] {
        for (const QChar c : field) {
            const char16_t u = c.unicode();
            if (u == sep || u == u'"' || u == u'\n' || u == u'\r')
                return true;
        }
        return false;
    };
    if (!needsQuotes())
        return field;
    QString q = field;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString headerLine(Format format)
{
    return columnNames().mid(0, 7).join(separatorOf(format)) + lineEnd(format);
}

std::int64_t exportFile(const QString &path, int compartment, Format format)
{
    Writer out(path);
    out.open();
    if (format == Format::Csv)
        out.addBytes("\xEF\xBB\xBF");
    out.add(headerLine(format));
    const QChar sep = separatorOf(format);
    const QString end = lineEnd(format);
    std::int64_t count = 0;
    QString line;
    Records::forEachCard(compartment, [&](const VocabularyRecord &c) {
        line.clear();
        for (const QString *t : {&c.FVok, &c.MVok, &c.FSatz, &c.MSatz, &c.Artikel}) {
            line += quotedField(*t, format);
            line += sep;
        }
        line += QString::number(c.Fach);
        line += sep;
        line += QString::number(c.gewusst);
        line += end;
        out.add(line);
        ++count;
    });
    out.finish();
    return count;
}

} // namespace WordList
