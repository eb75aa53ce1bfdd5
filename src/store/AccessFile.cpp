// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/AccessFile.h"

#include "store/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace store::access {

namespace {

// Reading 20,000 cards takes a tenth of a second; a reader that is still at
// work after this long is stuck in a damaged file.
constexpr int kTimeLimitMs = 30000;

struct Override
{
    QString program;
    int timeLimitMs = 0;
};

std::function<void()> &waitHook()
{
    static std::function<void()> h;
    return h;
}

Override &testOverride()
{
    static Override o;
    return o;
}

// Exit codes of the reader.
enum { ReaderOk = 0, ReaderNotAccess = 3, ReaderNoTable = 4, ReaderShortfall = 5 };

} // namespace

bool isAccessFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(32);
    // Byte 4 on: "Standard Jet DB" (Access 97 to 2003), "Standard ACE DB"
    // (later versions).
    return head.size() >= 20
        && (head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB")
            || head.mid(4, 15) == QByteArrayLiteral("Standard ACE DB"));
}

QString readerProgram()
{
    if (!testOverride().program.isEmpty())
        return testOverride().program;
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString name = QStringLiteral("/" VOKAMIA_LIBEXEC_SUBDIR "/vokamia-mdbread");
    // Installed: <prefix>/bin/vokamia and <prefix>/libexec/vokamia-mdbread.
    // Tests and benchmarks lie deeper in the build tree.
    const QStringList candidates = {
        exeDir + QStringLiteral("/..") + name,
        exeDir + QStringLiteral("/../..") + name,
        exeDir + QStringLiteral("/../../..") + name,
        exeDir + QStringLiteral("/vokamia-mdbread"),
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable())
            return QDir::cleanPath(c);
    return QDir::cleanPath(candidates.first());
}

void setWaitHook(std::function<void()> hook)
{
    waitHook() = std::move(hook);
}

void setReaderForTesting(const QString &program, int timeLimitMs)
{
    testOverride() = Override{program, timeLimitMs};
}

QVector<TableCount> convert(const QString &accessFile, const QString &target, const QStringList &tables,
                            const QString &shownName)
{
    const QString program = readerProgram();
    if (!QFileInfo(program).isExecutable())
        throw Error(QStringLiteral("Das Programm zum Lesen von Access-Dateien (%1) fehlt; die Datei '%2' kann nicht "
                                   "gelesen werden.")
                        .arg(program, shownName));
    const QString what = tables.size() == 1 ? QStringLiteral("der Tabelle '%1'").arg(tables.first())
                                            : QStringLiteral("der Tabellen");
    QFile::remove(target);

    QProcess reader;
    reader.setProgram(program);
    reader.setArguments(QStringList{accessFile, target} + tables);
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted())
        throw Error(QStringLiteral("Das Programm zum Lesen von Access-Dateien (%1) lässt sich nicht starten.")
                        .arg(program));
    const int limit = testOverride().timeLimitMs > 0 ? testOverride().timeLimitMs : kTimeLimitMs;
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    while (!(finished = reader.waitForFinished(100)) && reader.state() != QProcess::NotRunning
           && clock.elapsed() < limit) {
        if (waitHook())
            waitHook()();
    }
    if (!finished && reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(-1);
        QFile::remove(target);
        throw Error(QStringLiteral("Die Access-Datei '%1' ist vermutlich beschädigt: das Lesen %2 dauerte länger als "
                                   "%3 Sekunden und wurde abgebrochen.")
                        .arg(shownName, what)
                        .arg(limit / 1000.0, 0, 'g', 3));
    }
    if (reader.exitStatus() != QProcess::NormalExit) {
        QFile::remove(target);
        throw Error(QStringLiteral("Die Access-Datei '%1' ist beschädigt: beim Lesen %2 ist das Leseprogramm "
                                   "abgestürzt. Es wurde nichts übernommen.")
                        .arg(shownName, what));
    }
    const QStringList err = QString::fromUtf8(reader.readAllStandardError()).split(QLatin1Char('\n'));
    const QString lastLine = [&] {
        for (auto it = err.crbegin(); it != err.crend(); ++it)
            if (!it->trimmed().isEmpty())
                return it->trimmed();
        return QString();
    }();
    switch (reader.exitCode()) {
    case ReaderOk:
        break;
    case ReaderNotAccess:
        QFile::remove(target);
        throw Error(QStringLiteral("Die Datei '%1' ist keine lesbare Access-Datenbank; sie ist beschädigt oder "
                                   "unvollständig.")
                        .arg(shownName));
    case ReaderNoTable:
        QFile::remove(target);
        throw Error(QStringLiteral("Die Tabelle '%1' ist in der Datei '%2' nicht vorhanden.").arg(lastLine, shownName));
    case ReaderShortfall: {
        QFile::remove(target);
        const QStringList f = lastLine.split(QLatin1Char('\t'));
        throw Error(QStringLiteral("Die Access-Datei '%1' ist beschädigt: die Tabelle '%2' hat laut ihrer "
                                   "Beschreibung %3 Datensätze, lesbar sind nur %4. Es wurde nichts übernommen.")
                        .arg(shownName, f.value(0), f.value(2), f.value(1)));
    }
    default:
        QFile::remove(target);
        throw Error(QStringLiteral("Die Access-Datei '%1' konnte nicht gelesen werden; sie ist vermutlich beschädigt "
                                   "(%2). Es wurde nichts übernommen.")
                        .arg(shownName, lastLine));
    }

    QVector<TableCount> counts;
    const QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int tab = line.lastIndexOf(QLatin1Char('\t'));
        if (tab > 0)
            counts << TableCount{line.left(tab), line.mid(tab + 1).toLongLong()};
    }
    return counts;
}

} // namespace store::access
