// The paging window against a real compartment and the tone backend: the
// ring in both directions with its running number, the keys, the article
// field, and what the window says to the multimedia layer.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "sound/Mci.h"
#include "sound/ToneBackend.h"
#include "sound/WaveFile.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/browse/frmPage.h"
#include "ui/main/frmMain.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
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
    QString fsatz = {};
    bool wordSound = false;
    bool sentenceSound = false;
    QString artikel = QStringLiteral("der");
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
            db->execute(QStringLiteral("INSERT INTO [%1] (VNr, FVok, MVok, FSatz, Artikel, Fach, FVokSound, FSatzSound) "
                                       "VALUES (?, ?, ?, ?, ?, 3, ?, ?)")
                            .arg(table),
                        {c.vnr, c.fvok, c.mvok, c.fsatz, c.artikel, word, sentence});
        }
        a.CurrentFach = 3;
        a.CompartmentRecordset = Records::openCompartment(3, true);
    }
    // A short recording on disk; returns its stored path.
    QString soundFile(const QString &language, int vnr, bool sentence)
    {
        const QString name = language.left(2) + (sentence ? QStringLiteral("S") : QStringLiteral("V"))
            + QString::number(vnr) + QStringLiteral(".wav");
        Mci::Clip clip;
        clip.pcm = QByteArray(200, '\0');
        if (Mci::writeWaveFile(sb.work->file(language + QLatin1Char('/') + name), clip, 16) != 0)
            qFatal("cannot write %s", qPrintable(name));
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

    void opensOnTheFirstCardInItsLanguages()
    {
        AppState &a = AppState::instance();
        a.FremdFont = QStringLiteral("DejaVu Serif");
        a.FremdColor = 255;             // red
        a.MutterFont = QStringLiteral("DejaVu Sans Mono");
        a.MutterColor = 65536 * 255;    // blue
        QList<Card> cards = abc();
        cards[1].fsatz = QStringLiteral("An apple a day.");
        prepare(cards);
        frmPage w;
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Blättern im Fach 3 - 3 Vokabeln"));
        QCOMPARE(control<QGroupBox>(w, "frmMother")->title(), QStringLiteral("  Muttersprache: Deutsch"));
        QCOMPARE(control<QGroupBox>(w, "frmForeign")->title(), QStringLiteral(" Fremdsprache: Englisch"));
        QCOMPARE(screen(w), QStringLiteral("1 Apple/Apfel"));
        QCOMPARE(control<QPlainTextEdit>(w, "txtISatz")->toPlainText(), QStringLiteral("An apple a day."));

        // Foreign fields in the foreign font and colour, native ones in the native.
        for (const char *name : {"txtIVok", "txtISatz", "txtDVok", "txtDSatz"}) {
            const QWidget *f = control<QWidget>(w, name);
            const bool foreign = name[3] == 'I';
            QCOMPARE(f->font().family(), foreign ? a.FremdFont : a.MutterFont);
            QCOMPARE(f->palette().color(QPalette::Text), foreign ? QColor(Qt::red) : QColor(Qt::blue));
        }
    }

    void pagesInARing_data()
    {
        QTest::addColumn<QList<Card>>("cards");
        QTest::addColumn<QString>("steps"); // n: forward, b: back
        QTest::addColumn<QStringList>("seen");

        const QList<Card> one = {{5, QStringLiteral("house"), QStringLiteral("Haus")}};
        QTest::newRow("one card wraps onto itself")
            << one << "nbnb" << QStringList(4, QStringLiteral("1 house/Haus"));
        QTest::newRow("forward past the last")
            << abc() << "nnnn"
            << QStringList{"2 banana/Banane", "3 cherry/Kirsche", "1 Apple/Apfel", "2 banana/Banane"};
        QTest::newRow("back past the first")
            << abc() << "bbb" << QStringList{"3 cherry/Kirsche", "2 banana/Banane", "1 Apple/Apfel"};

        // A card without a native word is a card like any other: the number
        // keeps telling its place, in both directions.
        QList<Card> gap = abc();
        gap[2].mvok = QVariant();
        gap << Card{4, QStringLiteral("date"), QStringLiteral("Dattel")};
        QTest::newRow("a card without a native word")
            << gap << "nnnnbb"
            << QStringList{"2 banana/", "3 cherry/Kirsche", "4 date/Dattel", "1 Apple/Apfel", "4 date/Dattel",
                           "3 cherry/Kirsche"};
    }
    void pagesInARing()
    {
        QFETCH(QList<Card>, cards);
        QFETCH(QString, steps);
        QFETCH(QStringList, seen);
        prepare(cards);
        frmPage w;
        QStringList got;
        for (QChar s : steps) {
            QTest::mouseClick(control<QPushButton>(w, s == QLatin1Char('n') ? "btnNext" : "btnBack"), Qt::LeftButton);
            got << screen(w);
        }
        QCOMPARE(got, seen);
        QCOMPARE(sb.spy->count(), 0);
    }

    void keysPageOnEitherButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("number");

        for (const char *button : {"btnNext", "btnBack"}) {
            for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown})
                QTest::addRow("%s forward %x", button, key) << button << key << "2";
            for (int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp})
                QTest::addRow("%s back %x", button, key) << button << key << "3";
            for (int key : {Qt::Key_Home, Qt::Key_End, Qt::Key_A})
                QTest::addRow("%s other %x", button, key) << button << key << "1";
        }
        // Enter presses the default button, which pages forward.
        QTest::newRow("Enter") << "btnNext" << int(Qt::Key_Return) << "2";
    }
    void keysPageOnEitherButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, number);
        prepare(abc());
        frmPage w;
        w.show();
        QWidget *target = control<QPushButton>(w, qPrintable(button));
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(control<QLabel>(w, "lblNr")->text(), number);
        QVERIFY(w.isVisible());
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
        prepare({{1, QStringLiteral("maison"), QStringLiteral("Haus"), {}, false, false, QStringLiteral("la")}},
                language);
        frmPage w;
        w.show();
        const QLineEdit *art = control<QLineEdit>(w, "txtArtikel");
        QCOMPARE(art->isVisible(), article);
        QCOMPARE(art->text(), QStringLiteral("la"));
        const int word = control<QLineEdit>(w, "txtIVok")->width();
        const int native = control<QLineEdit>(w, "txtDVok")->width();
        if (article) {
            QVERIFY(word < native);
            QVERIFY(!art->geometry().intersects(control<QLineEdit>(w, "txtIVok")->geometry()));
        } else {
            QCOMPARE(word, native);
        }
    }

    void stopsBeforeEveryStepAndSaysTheWord()
    {
        QList<Card> cards = abc();
        cards[1].wordSound = true;     // Apple
        cards[1].sentenceSound = true;
        cards[0].wordSound = true;     // cherry
        prepare(cards);
        frmPage w;
        QCOMPARE(sounds(), QStringList{"play EnV1"});
        tone->clearLog();

        // banana has no recording: the apple stops and nothing else plays.
        QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton);
        QCOMPARE(sounds(), QStringList{"stop EnV1"});
        QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton);
        QCOMPARE(sounds(), (QStringList{"stop EnV1", "play EnV2"}));
        tone->clearLog();

        // A click on the sentence of a card without its recording only stops;
        // a click on the word says it again.
        QTest::mouseClick(control<QPlainTextEdit>(w, "txtISatz")->viewport(), Qt::LeftButton);
        QCOMPARE(sounds(), QStringList{"stop EnV2"});
        QTest::mouseClick(control<QLineEdit>(w, "txtIVok"), Qt::LeftButton);
        QCOMPARE(sounds(), (QStringList{"stop EnV2", "play EnV2"}));
        tone->clearLog();

        // Round to the apple, whose sentence has its own recording.
        QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton);
        QTest::mouseClick(control<QPlainTextEdit>(w, "txtISatz")->viewport(), Qt::LeftButton);
        QCOMPARE(sounds(), (QStringList{"stop EnV2", "play EnV1", "stop EnV1", "play EnS1"}));
        tone->clearLog();

        // Leaving stops what plays, whichever way the window is left.
        QTest::mouseClick(control<QPushButton>(w, "btnExit"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(sounds(), QStringList{"stop EnS1"});
        QCOMPARE(sb.spy->count(), 0);
    }

    void oneCardSaysItsWordAtEveryStep()
    {
        prepare({{7, QStringLiteral("house"), QStringLiteral("Haus"), {}, true}});
        frmPage w;
        w.show();
        QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton);
        QTest::keyClick(control<QPushButton>(w, "btnNext"), Qt::Key_Up);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(sounds(), (QStringList{"play EnV7", "stop EnV7", "play EnV7", "stop EnV7", "play EnV7", "stop EnV7"}));
    }

    void emptyCompartmentShowsNoCard()
    {
        prepare({});
        frmPage w;
        QTest::mouseClick(control<QPushButton>(w, "btnNext"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "btnBack"), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Blättern im Fach 3 - 0 Vokabeln"));
        QCOMPARE(screen(w), QStringLiteral("0 /"));
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
