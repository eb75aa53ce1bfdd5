// The paging window against a real compartment and the tone backend: the
// ring in both directions with its running number, the keys, the article
// field, and what the window says to the multimedia layer.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmPage.h"
#include "ui/main/frmMain.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

struct Card
{
    int vnr;
    QString fvok;
    QVariant mvok; // null: no native word
    bool wordSound = false;
    bool sentenceSound = false;
};

template <typename T>
T *control(const QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// What the learner sees of the card on show: "number foreign/native".
QString screen(const QWidget &w)
{
    return control<QLabel>(w, "lblNr")->text() + QLatin1Char(' ') + control<QLineEdit>(w, "txtIVok")->text()
        + QLatin1Char('/') + control<QLineEdit>(w, "txtDVok")->text();
}

} // namespace

class TestFrmPage : public QObject
{
    Q_OBJECT

    Sandbox sb;
    Mci::ToneBackend *tone = nullptr;
    std::shared_ptr<store::Database> db;

    // Compartment 3 of a language table with these cards, prepared as the
    // paging command prepares it.
    void prepare(const QList<Card> &cards, const QString &language = QStringLiteral("Englisch"))
    {
        const QString table = QStringLiteral("t") + language;
        Catalogue::CreateLanguageTable(*db, table);
        Catalogue::EnsureSoundFolder(language);
        AppState &a = AppState::instance();
        a.Database = db;
        a.CurrentTable = table;
        a.ForeignLanguage = language;
        a.NativeLanguage = QStringLiteral("Deutsch");
        for (const Card &c : cards) {
            QVariant word, sentence;
            if (c.wordSound)
                word = soundFile(language, c.vnr, false);
            if (c.sentenceSound)
                sentence = soundFile(language, c.vnr, true);
            db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, MVok, Artikel, Fach, FVokSound, FSatzSound) "
                                       "VALUES (?, ?, ?, 'la', 3, ?, ?)")
                            .arg(table),
                        {c.vnr, c.fvok, c.mvok, word, sentence});
        }
        a.CurrentFach = 3;
        a.CompartmentRecordset = Records::openCompartment(3, true);
    }
    // A recording on disk; returns its stored path.
    QString soundFile(const QString &language, int vnr, bool sentence)
    {
        const QString name = QStringLiteral("%1%2%3.wav").arg(language.left(2), sentence ? "S" : "V").arg(vnr);
        QFile::copy(QStringLiteral(VOKAMIA_TEST_DATA "/sound/float16k.wav"), sb.work->file(language + u'/' + name));
        return QStringLiteral(".\\") + language + QStringLiteral("\\") + name;
    }
    // The backend's log as "play EnV1", "stop EnV1".
    QStringList sounds() const
    {
        QStringList out;
        for (const QString &line : tone->log()) {
            const QStringList words = line.split(QLatin1Char(' '));
            out << words.value(0) + QLatin1Char(' ') + QFileInfo(words.value(1)).completeBaseName();
        }
        return out;
    }
    static QList<Card> abc()
    {
        // Entered out of order; shown by the foreign word.
        return {{2, QStringLiteral("cherry"), QStringLiteral("Kirsche")},
                {1, QStringLiteral("Apple"), QStringLiteral("Apfel")},
                {3, QStringLiteral("banana"), QStringLiteral("Banane")}};
    }

private slots:
    void init()
    {
        sb.start();
        auto backend = std::make_unique<Mci::ToneBackend>();
        tone = backend.get();
        Mci::setBackend(std::move(backend));
        db = store::Database::create(sb.work->file(QStringLiteral("Vokabeln.mdb")), Catalogue::kLocale,
                                     Catalogue::kFormat);
    }
    void cleanup()
    {
        db.reset();
        Mci::setBackend(std::make_unique<Mci::ToneBackend>());
        tone = nullptr;
        sb.stop();
    }

    // The ring in both directions, from the first card by the foreign word.
    void pagesInARing_data()
    {
        QTest::addColumn<QList<Card>>("cards");
        QTest::addColumn<QString>("steps"); // n: forward, b: back
        QTest::addColumn<QStringList>("seen");

        QTest::newRow("empty compartment") << QList<Card>{} << "nb" << QStringList(3, QStringLiteral("0 /"));
        const QList<Card> one = {{5, QStringLiteral("house"), QStringLiteral("Haus")}};
        QTest::newRow("one card wraps onto itself")
            << one << "nb" << QStringList(3, QStringLiteral("1 house/Haus"));
        // A card without a native word is a card like any other: the number
        // keeps telling its place, in both directions.
        QList<Card> gap = abc();
        gap[2].mvok = QVariant();
        gap << Card{4, QStringLiteral("date"), QStringLiteral("Dattel")};
        QTest::newRow("a card without a native word")
            << gap << "nnnnbb"
            << QStringList{"1 Apple/Apfel", "2 banana/", "3 cherry/Kirsche", "4 date/Dattel", "1 Apple/Apfel",
                           "4 date/Dattel", "3 cherry/Kirsche"};
    }
    void pagesInARing()
    {
        QFETCH(QList<Card>, cards);
        QFETCH(QString, steps);
        QFETCH(QStringList, seen);
        prepare(cards);
        frmPage w;
        QStringList got{screen(w)};
        for (QChar s : steps) {
            QTest::mouseClick(control<QPushButton>(w, s == QLatin1Char('n') ? "btnNext" : "btnBack"), Qt::LeftButton);
            got << screen(w);
        }
        QCOMPARE(got, seen);
        QCOMPARE(sb.spy->count(), 0);
    }

    // Arrow and page keys page on whichever button has the focus; other keys
    // do nothing; Enter presses the default button, which pages forward.
    void keysPageOnEitherButton()
    {
        prepare(abc());
        const std::pair<int, const char *> keys[] = {{Qt::Key_Right, "2"}, {Qt::Key_Down, "2"},  {Qt::Key_PageDown, "2"},
                                                     {Qt::Key_Left, "3"},  {Qt::Key_Up, "3"},    {Qt::Key_PageUp, "3"},
                                                     {Qt::Key_Home, "1"},  {Qt::Key_End, "1"},   {Qt::Key_A, "1"},
                                                     {Qt::Key_Return, "2"}};
        for (const char *button : {"btnNext", "btnBack"}) {
            for (const auto &[key, number] : keys) {
                if (key == Qt::Key_Return && button[3] == 'B')
                    continue;
                frmPage w;
                w.show();
                QWidget *target = control<QPushButton>(w, button);
                target->setFocus();
                QTest::keyClick(target, Qt::Key(key));
                QVERIFY2(control<QLabel>(w, "lblNr")->text() == QLatin1String(number),
                         qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(button)).arg(key, 0, 16)));
                QVERIFY(w.isVisible());
            }
        }
        QVERIFY(sb.windows->opened().isEmpty());
    }

    void articleFieldOnlyWithoutEnglish_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("article");
        QTest::newRow("Englisch") << "Englisch" << false;
        QTest::newRow("lower case") << "englisch" << true;
        QTest::newRow("trailing blank") << "Englisch " << true;
        QTest::newRow("Französisch") << "Französisch" << true;
    }
    void articleFieldOnlyWithoutEnglish()
    {
        QFETCH(QString, language);
        QFETCH(bool, article);
        prepare({{1, QStringLiteral("maison"), QStringLiteral("Haus")}}, language);
        frmPage w;
        w.show();
        const QLineEdit *art = control<QLineEdit>(w, "txtArtikel");
        QCOMPARE(art->isVisible(), article);
        QCOMPARE(art->text(), QStringLiteral("la"));
    }

    // Every step stops what plays, then says the new card's word if it has
    // a recording; a click on a word or sentence says it again.
    void stopsBeforeEveryStepAndSaysTheWord()
    {
        QList<Card> cards = abc();
        cards[1].wordSound = true; // Apple
        cards[1].sentenceSound = true;
        cards[0].wordSound = true; // cherry
        prepare(cards);
        frmPage w;
        const auto next = [&w] { QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton); };
        const auto sentence = [&w] {
            QTest::mouseClick(control<QPlainTextEdit>(w, "txtISatz")->viewport(), Qt::LeftButton);
        };
        next(); // banana has no recording
        next();
        sentence(); // cherry has no sentence recording
        QTest::mouseClick(control<QLineEdit>(w, "txtIVok"), Qt::LeftButton);
        next();
        sentence();
        // Leaving stops what plays.
        QTest::mouseClick(control<QPushButton>(w, "btnExit"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(sounds(), (QStringList{"play EnV1", "stop EnV1", "play EnV2", "stop EnV2", "play EnV2", "stop EnV2",
                                        "play EnV1", "stop EnV1", "play EnS1", "stop EnS1"}));
        QCOMPARE(sb.spy->count(), 0);
    }

    // The card box opens both browsing windows on the compartment clicked,
    // in the order of the foreign word.
    void openedFromTheCardBox_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::newRow("paging") << 2 << "frmPage" << "Blättern im Fach 3 - 3 Vokabeln";
        QTest::newRow("table") << 3 << "frmTable" << "Übersicht Fach 3: 3 Vokabeln";
    }
    void openedFromTheCardBox()
    {
        QFETCH(int, mode);
        QFETCH(QString, window);
        QFETCH(QString, title);
        db = store::Database::create(Places::databasePath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::CreateCatalogueTable(*db);
        db->execute(QStringLiteral("INSERT INTO tSprache (Tabelle, Muttersprache, Fremdsprache) VALUES "
                                   "('tEnglisch', 'Deutsch', 'Englisch')"));
        prepare(abc());
        db.reset();
        AppState::resetForTesting();

        QString seenTitle, first;
        sb.windows->onOpen(window, [&](QDialog &w) {
            seenTitle = w.windowTitle();
            if (auto *word = w.findChild<QLineEdit *>(QStringLiteral("txtIVok")))
                first = word->text();
            else
                first = w.findChild<QAbstractItemView *>(QStringLiteral("lstView"))->model()->index(0, 1).data().toString();
            w.close();
        });
        frmMain main;
        main.show();
        QTest::mouseClick(main.findChild<QRadioButton *>(QStringLiteral("optMode(%1)").arg(mode)), Qt::LeftButton);
        QTest::mouseClick(main.findChild<QLabel *>(QStringLiteral("imgBox(2)")), Qt::LeftButton);
        QCOMPARE(sb.windows->opened(), QStringList{window});
        QCOMPARE(seenTitle, title);
        QCOMPARE(first, QStringLiteral("Apple"));
        QCOMPARE(sb.spy->count(), 0);
    }
};

QTEST_MAIN(TestFrmPage)
#include "tst_frmpage.moc"
