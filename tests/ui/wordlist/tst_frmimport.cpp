// SPDX-License-Identifier: GPL-3.0-or-later
// The import window, opened from the card box's menu through the window
// opener, with the file chosen through the dialog hook.

#include "../../wordlist/WordListFiles.h"
#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/BackupCopy.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/main/frmMain.h"
#include "ui/wordlist/frmImport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace WordListFiles;

namespace {

template <typename T>
T *control(QWidget &w, const QString &name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

QString text(QWidget &w, const char *name)
{
    return control<QLabel>(w, QLatin1String(name))->text();
}

QString choice(QWidget &w, const QString &name)
{
    return control<QComboBox>(w, name)->currentText();
}

QStringList columnChoices(QWidget &w)
{
    QStringList all;
    for (int c = 0;; ++c) {
        auto *box = w.findChild<QComboBox *>(QStringLiteral("cboSpalte(%1)").arg(c));
        if (!box)
            return all;
        all << box->currentText();
    }
}

// The preview as the learner reads it: each row's line number, then its cells.
QStringList previewOf(QWidget &w)
{
    auto *grid = control<QTableWidget>(w, QStringLiteral("grdVorschau"));
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells{grid->verticalHeaderItem(r)->text()};
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

void pick(QWidget &w, const QString &name, const QString &item)
{
    auto *box = control<QComboBox>(w, name);
    const int i = box->findText(item);
    QVERIFY2(i >= 0, qPrintable(item));
    box->setCurrentIndex(i);
}

const QString kSpreadsheet = QStringLiteral("Fremdwort;Muttersprache;Satz Fremdsprache;Fach\r\n"
                                            "maison;Haus;\"La maison; grande\r\net belle.\";\r\n"
                                            "élève;Schüler;;5\r\n"
                                            ";Katze;;\r\n"
                                            "chat;katze;Le chat.;\r\n"
                                            "Chien;Hund;;\r\n");

} // namespace

class TestFrmImport : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::unique_ptr<frmMain> main;

    // The learner's database with the pairs Englisch and Französisch, the
    // latter current, holding "chat - Katze" in compartment 2.
    void makeDatabase()
    {
        QDir().mkpath(QFileInfo(Places::databasePath()).path());
        auto db = store::Database::create(Places::databasePath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), QStringLiteral("Englisch"));
        Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), QStringLiteral("Französisch"));
        db->execute(QStringLiteral("INSERT INTO tFranzösisch (FVok, MVok, Fach, FSatz) VALUES ('chat', 'Katze', 2, '')"));
        sb.putSetting(QStringLiteral("Database/SprachNr"), QStringLiteral("2"));
    }
    void start()
    {
        main = std::make_unique<frmMain>();
        main->show();
        main->Form_Activate();
    }
    QString listFile(const QByteArray &bytes, const QString &name = QStringLiteral("Liste.csv"))
    {
        const QString path = sb.work->file(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    QStringList cards()
    {
        QStringList lines;
        Records::forEachCard(-1, [&](const VocabularyRecord &c) {
            lines << QStringList{c.FVok, c.MVok, c.FSatz, QString::number(c.Fach)}.join(QLatin1Char('|'));
        });
        return lines;
    }

private slots:
    void init()
    {
        sb.start();
        makeDatabase();
        start();
    }
    void cleanup()
    {
        main.reset();
        sb.stop();
    }

    // A German spreadsheet's list: the window shows what it found, always
    // says what the import would do, and the import stores it; the card
    // box counts the new cards at once.
    void importASpreadsheetList()
    {
        const QString path = listFile(windows1252(kSpreadsheet));
        sb.dialogs->answer(path);
        QStringList checks;
        sb.windows->onOpen(QStringLiteral("frmImport"), [&](QDialog &w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Wortliste importieren: Liste.csv"));
            QCOMPARE(choice(w, QStringLiteral("cboZeichensatz")), QStringLiteral("Windows-1252"));
            QCOMPARE(choice(w, QStringLiteral("cboTrennzeichen")), QStringLiteral("Semikolon"));
            QVERIFY(control<QCheckBox>(w, QStringLiteral("chkKopfzeile"))->isChecked());
            QCOMPARE(columnChoices(w),
                     (QStringList{"Fremdwort", "Muttersprache", "Satz Fremdsprache", "Fach"}));
            QCOMPARE(previewOf(w), (QStringList{"1|Fremdwort|Muttersprache|Satz Fremdsprache|Fach",
                                                "2|maison|Haus|La maison; grande\r\net belle.|",
                                                "4|élève|Schüler||5", "5||Katze||", "6|chat|katze|Le chat.|",
                                                "7|Chien|Hund||"}));
            QCOMPARE(choice(w, QStringLiteral("cboFach")), QStringLiteral("Ziel: Fach 1"));
            QCOMPARE(choice(w, QStringLiteral("cboDoppelte")), QStringLiteral("Doppelte überspringen"));
            checks << text(w, "lblPruefung");
            pick(w, QStringLiteral("cboDoppelte"), QStringLiteral("Doppelte aktualisieren"));
            checks << text(w, "lblPruefung");
            pick(w, QStringLiteral("cboDoppelte"), QStringLiteral("Doppelte trotzdem hinzufügen"));
            checks << text(w, "lblPruefung");
            pick(w, QStringLiteral("cboDoppelte"), QStringLiteral("Doppelte aktualisieren"));
            pick(w, QStringLiteral("cboFach"), QStringLiteral("Ziel: Fach 3"));
            QVERIFY(control<QPushButton>(w, QStringLiteral("btnImport"))->isDefault());
            QTest::mouseClick(control<QPushButton>(w, QStringLiteral("btnImport")), Qt::LeftButton);
            QCOMPARE(w.result(), int(QDialog::Accepted));
        });
        main->findChild<QAction *>(QStringLiteral("mImport"))->trigger();

        QCOMPARE(sb.dialogs->asked().size(), 1);
        QCOMPARE(sb.dialogs->asked().first().kind, Dialogs::Kind::OpenFile);
        QCOMPARE(sb.dialogs->asked().first().filter, QStringLiteral("Wortlisten (*.csv *.tsv *.txt)"));
        QCOMPARE(sb.windows->opened(), QStringList{"frmImport"});
        QCOMPARE(checks, (QStringList{"3 neu, 0 aktualisiert, 1 übersprungen, 1 abgewiesen",
                                      "3 neu, 1 aktualisiert, 0 übersprungen, 1 abgewiesen",
                                      "4 neu, 0 aktualisiert, 0 übersprungen, 1 abgewiesen"}));
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Wortliste importieren"));
        QCOMPARE(sb.spy->last().text, QStringLiteral("3 Vokabeln importiert, 1 aktualisiert, 0 übersprungen, 1 abgewiesen"
                                                     "\n\nAbgewiesene Zeilen:\nZeile 5: Das Fremdwort fehlt."));
        QCOMPARE(cards(), (QStringList{"chat|Katze|Le chat.|2", "Chien|Hund||3", "élève|Schüler||5",
                                       "maison|Haus|La maison; grande\r\net belle.|3"}));
        // Recounted as the window closed: two new cards in compartment 3.
        QCOMPARE(main->findChild<QLabel *>(QStringLiteral("lblCount(2)"))->text(), QStringLiteral("2"));
    }

    // Every choice of the learner is followed at once by the preview and
    // the check; a meaning belongs to one column; nothing to add or update
    // leaves the import button off.
    void choicesAreFollowedAtOnce()
    {
        AppState::instance().WordListFile =
            listFile(utf8(QStringLiteral("chat,Katze;1\nchien,Hund;2\nchat,Katze;3\n")), QStringLiteral("l.txt"));
        frmImport w;
        w.show();
        auto *import = control<QPushButton>(w, QStringLiteral("btnImport"));
        QCOMPARE(choice(w, QStringLiteral("cboTrennzeichen")), QStringLiteral("Semikolon"));
        QCOMPARE(previewOf(w).first(), QStringLiteral("1|chat,Katze|1"));
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("3 neu, 0 aktualisiert, 0 übersprungen, 0 abgewiesen"));

        pick(w, QStringLiteral("cboTrennzeichen"), QStringLiteral("Komma"));
        QCOMPARE(previewOf(w), (QStringList{"1|chat|Katze;1", "2|chien|Hund;2", "3|chat|Katze;3"}));
        QCOMPARE(columnChoices(w), (QStringList{"Fremdwort", "Muttersprache"}));
        QVERIFY(import->isEnabled());

        // Fremdwort for the second column takes it from the first.
        pick(w, QStringLiteral("cboSpalte(1)"), QStringLiteral("Fremdwort"));
        QCOMPARE(columnChoices(w), (QStringList{"nicht importieren", "Fremdwort"}));
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("0 neu, 0 aktualisiert, 0 übersprungen, 3 abgewiesen"));
        QVERIFY(!import->isEnabled());
        pick(w, QStringLiteral("cboSpalte(0)"), QStringLiteral("Muttersprache"));
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("3 neu, 0 aktualisiert, 0 übersprungen, 0 abgewiesen"));

        control<QCheckBox>(w, QStringLiteral("chkKopfzeile"))->setChecked(true);
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("2 neu, 0 aktualisiert, 0 übersprungen, 0 abgewiesen"));
        QCOMPARE(previewOf(w).size(), 3);

        // Every row has its card already.
        for (const char *f : {"Katze;1", "Hund;2", "Katze;3"}) {
            VocabularyRecord card;
            card.FVok = QString::fromUtf8(f);
            card.MVok = card.FVok.startsWith(QLatin1Char('K')) ? QStringLiteral("CHAT") : QStringLiteral("Chien");
            Records::addCard(card);
        }
        control<QCheckBox>(w, QStringLiteral("chkKopfzeile"))->setChecked(false);
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("0 neu, 0 aktualisiert, 3 übersprungen, 0 abgewiesen"));
        QVERIFY(!import->isEnabled());

        pick(w, QStringLiteral("cboZeichensatz"), QStringLiteral("UTF-16"));
        QCOMPARE(choice(w, QStringLiteral("cboTrennzeichen")), QStringLiteral("Komma"));
        QVERIFY(previewOf(w).first() != QStringLiteral("1|chat|Katze;1"));
        QCOMPARE(sb.spy->count(), 0);
    }

    // A file that is no word list at all is named before any window opens.
    void noWindowForAFileThatIsNoList_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << "Die Datei „Liste.csv“ ist leer.";
        QTest::newRow("binary") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0", 10)
                                << "Die Datei „Liste.csv“ ist keine Wortliste, sondern enthält binäre Daten.";
    }
    void noWindowForAFileThatIsNoList()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        sb.dialogs->answer(listFile(bytes));
        main->findChild<QAction *>(QStringLiteral("mImport"))->trigger();
        QCOMPARE(sb.windows->requested(), QList<Windows::Kind>());
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, message);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QCOMPARE(sb.spy->last().title, QStringLiteral("Wortliste importieren"));
    }

    // Cancel in the file dialog: nothing opens, nothing is said.
    void cancelledFileDialog()
    {
        main->findChild<QAction *>(QStringLiteral("mImport"))->trigger();
        QCOMPARE(sb.dialogs->asked().size(), 1);
        QCOMPARE(sb.windows->requested(), QList<Windows::Kind>());
        QCOMPARE(sb.spy->count(), 0);
    }

    // A failure while storing: the learner is told that nothing was stored,
    // and the window stays open for another try.
    void failureWhileStoringKeepsTheWindow()
    {
        AppState::instance().Database->execute(
            QStringLiteral("CREATE TRIGGER voll BEFORE INSERT ON tFranzösisch WHEN NEW.FVok = 'Chien' "
                           "BEGIN SELECT RAISE(ABORT, 'Der Datenträger ist voll.'); END"));
        AppState::instance().WordListFile = listFile(utf8(kSpreadsheet));
        frmImport w;
        w.show();
        // The check runs into the failure too and says so.
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("Der Datenträger ist voll."));
        QVERIFY(!control<QPushButton>(w, QStringLiteral("btnImport"))->isEnabled());
        AppState::instance().Database->execute(QStringLiteral("DROP TRIGGER voll"));
        pick(w, QStringLiteral("cboDoppelte"), QStringLiteral("Doppelte aktualisieren"));
        QVERIFY(control<QPushButton>(w, QStringLiteral("btnImport"))->isEnabled());
        AppState::instance().Database->execute(
            QStringLiteral("CREATE TRIGGER voll BEFORE INSERT ON tFranzösisch WHEN NEW.FVok = 'Chien' "
                           "BEGIN SELECT RAISE(ABORT, 'Der Datenträger ist voll.'); END"));
        QTest::mouseClick(control<QPushButton>(w, QStringLiteral("btnImport")), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Der Datenträger ist voll.\nDer Import wurde abgebrochen und ganz "
                                                     "rückgängig gemacht: Es wurde keine Vokabel gespeichert."));
        QVERIFY(w.isVisible());
        QCOMPARE(cards(), QStringList{"chat|Katze||2"});
    }

    // The file gone between the window's opening and the import: the learner
    // is told so, nothing is stored, and the check says it too.
    void fileGoneBeforeTheImport()
    {
        AppState::instance().WordListFile = listFile(utf8(kSpreadsheet));
        frmImport w;
        w.show();
        QVERIFY(control<QPushButton>(w, QStringLiteral("btnImport"))->isEnabled());
        QVERIFY(QFile::remove(AppState::instance().WordListFile));
        QTest::mouseClick(control<QPushButton>(w, QStringLiteral("btnImport")), Qt::LeftButton);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("Die Datei „Liste.csv“ kann nicht gelesen werden.\nDer Import wurde "
                                                     "abgebrochen und ganz rückgängig gemacht: Es wurde keine Vokabel "
                                                     "gespeichert."));
        QCOMPARE(text(w, "lblPruefung"), QStringLiteral("Die Datei „Liste.csv“ kann nicht gelesen werden."));
        QVERIFY(!control<QPushButton>(w, QStringLiteral("btnImport"))->isEnabled());
        QCOMPARE(cards(), QStringList{"chat|Katze||2"});
    }

    // An import can change many cards at once: a backup holds them as they
    // were first. When it fails, the learner decides; only Yes imports.
    void importIsBackedUpFirst_data()
    {
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("cardsAfter");
        QTest::newRow("backup made") << false << int(QMessageBox::NoButton) << 4;
        QTest::newRow("failed, default No") << true << int(QMessageBox::NoButton) << 1;
        QTest::newRow("failed, No") << true << int(QMessageBox::No) << 1;
        QTest::newRow("failed, Yes") << true << int(QMessageBox::Yes) << 4;
    }
    void importIsBackedUpFirst()
    {
        QFETCH(bool, folderBlocked);
        QFETCH(int, answer);
        QFETCH(int, cardsAfter);
        QString folder = QFileInfo(Places::databasePath()).path() + QStringLiteral("/Sicherungen");
        if (folderBlocked) {
            folder = sb.work->file(QStringLiteral("kein Ordner"));
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            sb.putSetting(QStringLiteral("Sicherung/Ordner"), folder);
        }
        AppState::instance().WordListFile = listFile(utf8(kSpreadsheet));
        frmImport w;
        w.show();
        if (answer != int(QMessageBox::NoButton))
            sb.spy->answer(QMessageBox::StandardButton(answer));
        QTest::mouseClick(control<QPushButton>(w, QStringLiteral("btnImport")), Qt::LeftButton);
        QCOMPARE(int(cards().size()), cardsAfter);
        if (folderBlocked) {
            QVERIFY(sb.spy->count() >= 1);
            QCOMPARE(sb.spy->shown().at(0).buttons, QMessageBox::Yes | QMessageBox::No);
            QVERIFY2(sb.spy->shown().at(0).text.startsWith(QStringLiteral("Die Sicherung ist fehlgeschlagen: ")),
                     qPrintable(sb.spy->shown().at(0).text));
            QVERIFY(sb.spy->shown().at(0).text.endsWith(QStringLiteral("Trotzdem fortfahren?")));
            QCOMPARE(w.isVisible(), cardsAfter == 1);
            return;
        }
        const QStringList made = BackupCopy::list(folder);
        QCOMPARE(made.size(), 1);
        auto copy = store::Database::open(made.first());
        QCOMPARE(copy->openRecordset(QStringLiteral("Select count(*) from tFranzösisch"))->value(0).toInt(), 1);
    }

    void help()
    {
        AppState::instance().WordListFile = listFile(utf8(kSpreadsheet));
        frmImport w;
        w.show();
        QTest::mouseClick(control<QPushButton>(w, QStringLiteral("btnHelp")), Qt::LeftButton);
        QCOMPARE(sb.windows->requested(), QList<Windows::Kind>{Windows::Kind::Help});
        QCOMPARE(AppState::instance().HelpFile, Places::helpFile(QStringLiteral("Import.rtf")));
        QVERIFY(QFileInfo::exists(AppState::instance().HelpFile));
    }
};

QTEST_MAIN(TestFrmImport)
#include "tst_frmimport.moc"
