// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up: settings, the database (with the take-over of
// an earlier one), the language catalogue and the current pair.
#include "ui/main/frmMain.h"

#include "core/AppState.h"
#include "core/Places.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/LegacyImport.h"
#include "store/Settings.h"
#include "store/Statistics.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Safeguard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QRadioButton>

namespace {

// Shows how far an import or take-over has come once it has taken longer
// than a second; a quick one shows nothing.
class ImportProgress
{
public:
    explicit ImportProgress(const QString &label)
    {
        clock_.start();
        LegacyImport::setProgress([this, label](int done, int steps) {
            if (!dialog_ && clock_.elapsed() < 1000)
                return;
            if (!dialog_) {
                dialog_ = new QProgressDialog(label, QString(), 0, steps);
                dialog_->setObjectName(QStringLiteral("dlgImport"));
                dialog_->setWindowTitle(QStringLiteral("Vokamia"));
                dialog_->setCancelButton(nullptr);
                dialog_->setMinimumDuration(0);
                dialog_->setWindowModality(Qt::ApplicationModal);
                dialog_->show();
            }
            dialog_->setMaximum(steps);
            dialog_->setValue(done);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
    ~ImportProgress()
    {
        LegacyImport::setProgress({});
        delete dialog_;
    }
    ImportProgress(const ImportProgress &) = delete;
    ImportProgress &operator=(const ImportProgress &) = delete;

private:
    QElapsedTimer clock_;
    QProgressDialog *dialog_ = nullptr;
};

} // namespace

// An Access database where ours should be (a learner copied the old file
// into the data folder) is taken over only when the learner agrees, and only
// as a whole. Returns false when there is no usable database file to open.
bool frmMain::takeOverAccessDatabase()
{
    const QString path = Places::databasePath();
    if (!LegacyImport::isAccessDatabase(path))
        return true;
    const QString problem = QStringLiteral("Problem");
    const auto answer = Msg::show(QStringLiteral("Die Datenbank %1 ist eine Access-Datenbank des früheren "
                                                 "Vokabeltrainers.\r\nSollen alle Sprachpaare mit allen Vokabeln in "
                                                 "eine neue Datenbank übernommen werden? Die Access-Datei bleibt "
                                                 "unverändert unter neuem Namen erhalten.")
                                      .arg(path),
                                  QStringLiteral("Vokamia"), QMessageBox::Question,
                                  QMessageBox::Yes | QMessageBox::No, this);
    if (!Msg::isYes(answer)) {
        Msg::critical(QStringLiteral("Die Datenbank %1 ist eine Access-Datenbank und kann so nicht verwendet werden. "
                                     "Die Datei wurde nicht verändert.")
                          .arg(path),
                      problem, this);
        return false;
    }
    return Msg::guard(
        problem,
        [&] {
            ImportProgress progress(QStringLiteral("Die Access-Datenbank wird übernommen ..."));
            LegacyImport::takeOverAccessDatabase(path);
        },
        this);
}

void frmMain::startUp()
{
    AppState &a = AppState::instance();
    const QString problem = QStringLiteral("Problem");
    SetTitle();
    a.EditMode = false;
    a.ManagerFromPool = false;
    a.TableValid = false;
    a.ClickAction = CardBoxClick::Practise;
    optMode[int(a.ClickAction) - 1]->setChecked(true);
    mRemove->setEnabled(false);

    Msg::guard(problem, [] { Settings::LoadAllSettings(); });

    if (takeOverAccessDatabase())
        Msg::guard(problem, [] {
            ImportProgress progress(QStringLiteral("Die Vokabeln aus vok1.mdb werden übernommen ..."));
            Catalogue::OpenVocabularyDatabase();
        });
    if (a.Database && !a.Database->keepsStatistics())
        Msg::show(QStringLiteral("Die Datenbank %1 kann keine Lernstatistik aufnehmen:\r\n%2\r\nVokamia arbeitet "
                                 "bis zum nächsten Start ohne Lernstatistik weiter.")
                      .arg(a.DatabasePath, a.Database->statisticsProblem()),
                  QStringLiteral("Lernstatistik"), QMessageBox::Information, QMessageBox::Ok, this);
    if (a.Database) {
        const bool catalogueRead = Msg::guard(problem, [this] { LoadLanguageCatalogue(); });
        Msg::guard(problem, [this, &a, catalogueRead] {
            const int wanted = a.SprachNr;
            // A catalogue that could not be read has been reported; there is
            // no pair to open, and start-up goes on without one.
            if (a.PairCount < 1 && !catalogueRead)
                return;
            if (a.PairCount < 1)
                throw store::Error(QStringLiteral("Die Datenbank %1 enthält kein Sprachpaar. Über „Sprache "
                                                  "Hinzufügen“ im Menü „Extras“ legen Sie eines an.")
                                       .arg(a.DatabasePath));
            if (wanted < 1 || wanted > a.PairCount) {
                // Fall back to the first pair, so the learner can work and
                // choose another pair from the menu.
                if (a.PairCount >= 1)
                    makePairCurrent(1);
                throw store::Error(QStringLiteral("Das gespeicherte Sprachpaar Nummer %1 ist nicht vorhanden; die "
                                                  "Datenbank kennt %2 Sprachpaar(e). Das erste Sprachpaar wird "
                                                  "geöffnet.")
                                       .arg(wanted)
                                       .arg(a.PairCount));
            }
            makePairCurrent(wanted);
        });
    }

    if (a.Repeats < 1 || a.Repeats > 5)
        a.Repeats = 1;
    mRepeat[a.Repeats]->setChecked(true);
    if (a.Abfrage < 1 || a.Abfrage > 3)
        a.Abfrage = 1;
    mMode[a.Abfrage]->setChecked(true);
    a.AskNative = a.Abfrage != 1;
    if (a.Versuche < 1 || a.Versuche > 3)
        a.Versuche = 3;
    mTrial[a.Versuche]->setChecked(true);

    ValidateLanguageTable();

    mSicherung->setEnabled(bool(a.Database));
    // Today's card box goes into the file before the backup of the start
    // copies it, so that the next start finds the file as that backup has it.
    if (a.TableValid)
        Msg::guard(problem, [] { Statistics::recordBoxNow(); });
    // In the background: the card box is usable at once.
    Safeguard::atStartUp(this);
}

void frmMain::makePairCurrent(int n)
{
    AppState &a = AppState::instance();
    if (n < 1 || n >= a.LanguageCatalogue.size())
        return;
    checkOnly(mLanguage, n);
    showPair(n);
}

void frmMain::showPair(int n)
{
    AppState &a = AppState::instance();
    const LanguagePair &p = a.LanguageCatalogue.at(n);
    a.SprachNr = std::int16_t(n);
    a.CurrentTable = p.Tabelle;
    a.ForeignLanguage = p.FremdSprache;
    a.NativeLanguage = p.MutterSprache;
    SetTitle();
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + a.ForeignLanguage);
    showHeading();
}

void frmMain::ValidateLanguageTable()
{
    AppState &a = AppState::instance();
    const QString init = QStringLiteral("Initialisierung");
    a.TableValid = false;
    // The language menu stays usable throughout: a pair whose table is
    // broken must not lock the learner out of the others, nor out of
    // "Beenden". Only the commands that work on the current table wait.
    enableTableCommands(false);
    // Without any pair (a catalogue that could not be read or holds none)
    // start-up has said why; there is no table to name.
    if (a.PairCount < 1)
        return;

    bool exists = false;
    Msg::guard(init, [&] {
        if (!a.Database)
            return;
        for (const QString &name : a.Database->tableNames())
            if (name == a.CurrentTable) {
                exists = true;
                break;
            }
    });
    if (!exists) {
        Msg::show(QStringLiteral("Die Lerntabelle ") + a.ForeignLanguage + QStringLiteral(" ist nicht vorhanden!\r\n")
                      + a.DatabasePath + QStringLiteral(" ist fehlerhaft!"),
                  QStringLiteral("Ungültige Datei!"), QMessageBox::Critical);
        return;
    }
    Msg::guard(init, [&] {
        a.TableRecordset = a.Database->openRecordset(a.CurrentTable, store::RecordsetType::Table);
        for (const QString &f : a.TableRecordset->fieldNames())
            if (f == QLatin1String("VNr")) {
                a.TableValid = true;
                break;
            }
    });
    if (a.TableValid) {
        enableTableCommands(true);
        Msg::guard(init, [] { Settings::SaveSprachNr(); });
    } else {
        Msg::show(QStringLiteral("Die Einträge der Tabelle ") + a.CurrentTable + QStringLiteral(" sind fehlerhaft!"),
                  QStringLiteral("Ungültige Tabelle!"), QMessageBox::Critical);
    }
}

void frmMain::SelectLanguagePair(int n)
{
    AppState &a = AppState::instance();
    checkOnly(mLanguage, -1);
    showPair(n);
    ValidateLanguageTable();
    CheckWordBook();
    recountCardBox();
    if (!a.TableValid)
        return;
    a.TableRecordset = a.Database->openRecordset(a.CurrentTable, store::RecordsetType::Table);
    Settings::SaveSettings();
    mLanguage[n]->setChecked(true);
}

void frmMain::reloadAfterRestore()
{
    AppState &a = AppState::instance();
    a.TableRecordset.reset();
    a.CompartmentRecordset.reset();
    const int wanted = a.SprachNr;
    SetTitle();
    const bool catalogueRead = Msg::guard(QStringLiteral("Problem"), [this] { LoadLanguageCatalogue(); }, this);
    if (catalogueRead && a.PairCount >= 1) {
        // A pair the restored file does not hold gives way to the first.
        const bool present = wanted >= 1 && wanted <= a.PairCount && !a.LanguageCatalogue[wanted].Tabelle.isEmpty();
        makePairCurrent(present ? wanted : 1);
    } else {
        checkOnly(mLanguage, -1);
        a.CurrentTable.clear();
        a.ForeignLanguage.clear();
        a.NativeLanguage.clear();
        showHeading();
    }
    ValidateLanguageTable();
    // The restored file has its own history: today's row of the card box is
    // written into it even where the counts happen to be those of before.
    if (a.TableValid)
        Msg::guard(QStringLiteral("Vokamia"), [&] { Statistics::recordBoxOf(*a.Database, a.SprachNr, a.CurrentTable); });
    Form_Activate();
}
