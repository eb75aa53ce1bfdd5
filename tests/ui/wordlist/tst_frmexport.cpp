// SPDX-License-Identifier: GPL-3.0-or-later
// The export window, opened from the card box's menu through the window
// opener, with the target chosen through the dialog hook.

#include "TestSupport.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "ui/main/frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

namespace {

template <typename T>
T *control(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void pick(QWidget &w, const char *name, const QString &item)
{
    auto *box = control<QComboBox>(w, name);
    const int i = box->findText(item);
    QVERIFY2(i >= 0, qPrintable(item));
    box->setCurrentIndex(i);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(fehlt)");
}

} // namespace

class TestFrmExport : public QObject
{
    Q_OBJECT

    Sandbox sb;
    std::unique_ptr<frmMain> main;

private slots:
    void init()
    {
        sb.start();
        QDir().mkpath(QFileInfo(Places::databasePath()).path());
        auto db = store::Database::create(Places::databasePath(), Catalogue::kLocale, Catalogue::kFormat);
        Catalogue::addLanguagePair(*db, QStringLiteral("Deutsch"), QStringLiteral("Englisch"));
        for (const char *row : {"('zebra', 'Zebra', 2, 'The \"zebra\"; striped.')", "('apple', 'Apfel', 2, '')",
                                "('tree', 'Baum', 4, '')"})
            db->execute(QStringLiteral("INSERT INTO tEnglisch (FVok, MVok, Fach, FSatz) VALUES ") + QLatin1String(row));
        main = std::make_unique<frmMain>();
        main->show();
        main->Form_Activate();
    }
    void cleanup()
    {
        main.reset();
        sb.stop();
    }

    void exportToFile_data()
    {
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("chosen"); // the name given in the save dialog
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("all for a spreadsheet")
            << "Alle Vokabeln" << "CSV für Tabellenkalkulation" << "Liste.csv" << "Liste.csv"
            << "CSV für Tabellenkalkulation (*.csv)"
            << QByteArray("\xEF\xBB\xBF"
                          "Fremdwort;Muttersprache;Satz Fremdsprache;Satz Muttersprache;Artikel;Fach;gewusst\r\n"
                          "apple;Apfel;;;;2;0\r\ntree;Baum;;;;4;0\r\n"
                          "zebra;Zebra;\"The \"\"zebra\"\"; striped.\";;;2;0\r\n");
        QTest::newRow("one compartment as text, the ending added")
            << "Fach 2" << "Text mit Tabulatoren" << "Fach2" << "Fach2.txt" << "Text mit Tabulatoren (*.txt *.tsv)"
            << QByteArray("Fremdwort\tMuttersprache\tSatz Fremdsprache\tSatz Muttersprache\tArtikel\tFach\tgewusst\n"
                          "apple\tApfel\t\t\t\t2\t0\nzebra\tZebra\t\"The \"\"zebra\"\"; striped.\"\t\t\t2\t0\n");
    }

    // The learner picks the scope and format, then the file; the message
    // names the count written.
    void exportToFile()
    {
        QFETCH(QString, scope);
        QFETCH(QString, format);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, filter);
        QFETCH(QByteArray, bytes);
        sb.dialogs->answer(sb.work->file(chosen));
        sb.windows->onOpen(QStringLiteral("frmExport"), [&](QDialog &w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Wortliste exportieren"));
            QCOMPARE(control<QComboBox>(w, "cboUmfang")->currentText(), QStringLiteral("Alle Vokabeln"));
            QCOMPARE(control<QComboBox>(w, "cboUmfang")->count(), 9);
            QCOMPARE(control<QComboBox>(w, "cboFormat")->currentText(), QStringLiteral("CSV für Tabellenkalkulation"));
            pick(w, "cboUmfang", scope);
            pick(w, "cboFormat", format);
            QVERIFY(control<QPushButton>(w, "btnExport")->isDefault());
            QTest::mouseClick(control<QPushButton>(w, "btnExport"), Qt::LeftButton);
            QCOMPARE(w.result(), int(QDialog::Accepted));
        });
        main->findChild<QAction *>(QStringLiteral("mExport"))->trigger();
        QCOMPARE(sb.windows->opened(), QStringList{"frmExport"});
        QCOMPARE(sb.dialogs->asked().size(), 1);
        QCOMPARE(sb.dialogs->asked().first().kind, Dialogs::Kind::SaveFile);
        QCOMPARE(sb.dialogs->asked().first().filter, filter);
        QCOMPARE(readAll(sb.work->file(written)), bytes);
        QCOMPARE(sb.spy->count(), 1);
        QCOMPARE(sb.spy->last().text, QStringLiteral("%1 Vokabeln exportiert").arg(scope == "Fach 2" ? 2 : 3));
        QCOMPARE(sb.spy->last().title, QStringLiteral("Wortliste exportieren"));
    }

    // Cancel in the save dialog writes nothing and keeps the window; a
    // target that cannot be written is named, and the window stays.
    void cancelledOrFailed()
    {
        sb.dialogs->answer(QVariant());
        sb.dialogs->answer(sb.work->file(QStringLiteral("fehlt/Liste.csv")));
        sb.windows->onOpen(QStringLiteral("frmExport"), [&](QDialog &w) {
            QTest::mouseClick(control<QPushButton>(w, "btnExport"), Qt::LeftButton);
            QCOMPARE(sb.spy->count(), 0);
            QVERIFY(w.isVisible());
            QTest::mouseClick(control<QPushButton>(w, "btnExport"), Qt::LeftButton);
            QCOMPARE(sb.spy->count(), 1);
            QCOMPARE(sb.spy->last().icon, QMessageBox::Critical);
            QVERIFY2(sb.spy->last().text.startsWith(QStringLiteral("Die Datei „Liste.csv“ kann nicht geschrieben werden")),
                     qPrintable(sb.spy->last().text));
            QVERIFY(w.isVisible());
            QTest::mouseClick(control<QPushButton>(w, "btnCancel"), Qt::LeftButton);
            QCOMPARE(w.result(), int(QDialog::Rejected));
        });
        main->findChild<QAction *>(QStringLiteral("mExport"))->trigger();
        QCOMPARE(sb.dialogs->asked().size(), 2);
        QCOMPARE(QDir(sb.work->path()).entryList({QStringLiteral("*.csv*")}, QDir::Files), QStringList());
    }

    void help()
    {
        sb.windows->onOpen(QStringLiteral("frmExport"), [&](QDialog &w) {
            QTest::mouseClick(control<QPushButton>(w, "btnHelp"), Qt::LeftButton);
        });
        main->findChild<QAction *>(QStringLiteral("mExport"))->trigger();
        QCOMPARE(sb.windows->requested(), (QList<Windows::Kind>{Windows::Kind::Export, Windows::Kind::Help}));
        QCOMPARE(AppState::instance().HelpFile, Places::helpFile(QStringLiteral("Export.rtf")));
        QVERIFY(QFileInfo::exists(AppState::instance().HelpFile));
    }
};

QTEST_MAIN(TestFrmExport)
#include "tst_frmexport.moc"
