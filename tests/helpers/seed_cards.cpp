// SPDX-License-Identifier: GPL-3.0-or-later
// Adds cards to the English table of a database through the program's own
// card operations, for screenshots and trials by hand. One card a line on
// standard input: foreign word|native word|foreign sentence|native sentence|compartment
//   seed_cards <database file> < cards.txt
#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    try {
        AppState &a = AppState::instance();
        a.Database = store::Database::open(QString::fromLocal8Bit(argv[1]));
        a.CurrentTable = QStringLiteral("tEnglisch");
        QTextStream in(stdin);
        int added = 0;
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(QLatin1Char('|'));
            if (f.size() < 5)
                continue;
            VocabularyRecord card;
            card.FVok = f[0];
            card.MVok = f[1];
            card.FSatz = f[2];
            card.MSatz = f[3];
            card.Fach = f[4].toInt();
            Records::addCard(card);
            ++added;
        }
        std::printf("%d cards added\n", added);
        a.Database.reset();
    } catch (const store::Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
