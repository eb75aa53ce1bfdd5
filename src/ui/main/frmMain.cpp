// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmMain.h"
#include "ui/common/AltKeys.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "core/Places.h"
#include "ui/common/Twips.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/LegacyImport.h"
#include "store/Records.h"
#include "store/Settings.h"
#include "ui/common/Guard.h"
#include "ui/common/Safeguard.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QFontMetrics>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QRadioButton>

#include <algorithm>
#include <utility>

namespace {

const QColor kWindowBlue(192, 192, 255);
const QColor kOptionGrey(192, 192, 192);
const QColor kCountGrey(224, 224, 224);

constexpr Twips::Rect kClientSize{0, 0, 12075, 7815};
constexpr Twips::Rect kPanel{0, 0, 8295, 3135};
constexpr int kCornerGap = 240;
// The language pair under the program's name in the heading.
constexpr int kPairPoints = 13;

Twips::Rect boxRect(int i)
{
    return i == 7 ? Twips::Rect{360, 1080, 975, 735} : Twips::Rect{360 + 1080 * i, 2040, 975, 735};
}

Twips::Rect countRect(int i)
{
    return i == 7 ? Twips::Rect{480, 1440, 735, 255} : Twips::Rect{480 + 1080 * i, 2400, 735, 255};
}

struct ModeButton
{
    Twips::Rect rect;
    const char *caption;
    const char *tip;
};

const ModeButton kModes[5] = {
    {{2520, 240, 3135, 300}, "Vokabeln eingeben (nur Fach1)", "neue Vokabeln eingeben"},
    {{5880, 240, 1935, 300}, "Vokabeln üben", "Üben der eingegebenen Vokabeln"},
    {{5880, 600, 1935, 300}, "Blättern", "Lernen im Schnelldurchlauf"},
    {{5880, 960, 1935, 300}, "Übersicht", "Tabellarische Darstellung von Vokabeln eines Faches"},
    {{5880, 1320, 1935, 300}, "Kärtchen drucken", "Ausdrucken von Vokabel-Kärtchen"},
};

void paint(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QString indexed(const char *name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

} // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(Places::programFile(QStringLiteral("pictures/vokamia.png"))));
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("centralWidget"));
    paint(central_, kWindowBlue);
    setCentralWidget(central_);
    central_->installEventFilter(this);

    buildMenus();
    buildCardBox();
    // The free upper left of the window names the card box on show.
    heading_ = new QLabel(central_);
    heading_->setObjectName(QStringLiteral("lblHeading"));
    heading_->setTextFormat(Qt::RichText);
    heading_->move(Twips::x(360, this), Twips::y(300, this));
    const QRect client = Twips::toPixels(kClientSize, this);
    showHeading();
    resize(client.width(), client.height() + menuBar()->sizeHint().height());

    startUp();
    // A window opened from here has the card box recounted when it closes.
    Windows::setCardBox(this, [this] {
        Form_Activate();
        staleOnActivation_ = false;
    });
}

frmMain::~frmMain() = default;

// ------------------------------------------------------------------- layout

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto menu = [&](QMenu *parentMenu, const QString &name, const QString &caption) {
        QMenu *m = parentMenu ? parentMenu->addMenu(caption) : bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto item = [&](QMenu *m, const QString &name, const QString &caption) {
        QAction *a = m->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    auto separator = [&](QMenu *m, const char *name) {
        QAction *a = m->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };

    mSprache = menu(nullptr, QStringLiteral("mSprache"), QStringLiteral("&Sprache"));
    mLanguage << item(mSprache, indexed("mLanguage", 0), QStringLiteral("leerer Eintrag"));
    mLanguage[0]->setVisible(false);
    mSep1 = separator(mSprache, "mSep1");
    mExit = item(mSprache, QStringLiteral("mExit"), QStringLiteral("&Beenden"));
    connect(mExit, &QAction::triggered, this, &QWidget::close);

    mWordBook = menu(nullptr, QStringLiteral("mWordBook"), QStringLiteral("&Wörterbuch"));
    mWordBook->menuAction()->setEnabled(false);
    mWBook = item(mWordBook, QStringLiteral("mWBook"), QStringLiteral("&Wörterbuch"));
    connect(mWBook, &QAction::triggered, this, &frmMain::dictionaryCommand);

    mVokabeln = menu(nullptr, QStringLiteral("mVokabeln"), QStringLiteral("&Vokabeln"));
    mUeben = menu(mVokabeln, QStringLiteral("mÜben"), QStringLiteral("&Üben"));
    mTabelle = menu(mVokabeln, QStringLiteral("mTabelle"), QStringLiteral("Ü&bersicht"));
    mPaging = menu(mVokabeln, QStringLiteral("mPaging"), QStringLiteral("&Blättern"));
    mDruck = menu(mVokabeln, QStringLiteral("mDruck"), QStringLiteral("&Drucken"));
    mWork = mTable = mPage = mPrint = QVector<QAction *>(8, nullptr);
    for (int c = 1; c <= 7; ++c) {
        const QString fach = QStringLiteral("Fach &%1").arg(c);
        mWork[c] = item(mUeben, indexed("mWork", c), fach);
        mTable[c] = item(mTabelle, indexed("mTable", c), fach);
        mPage[c] = item(mPaging, indexed("mPage", c), fach);
        mPrint[c] = item(mDruck, indexed("mPrint", c), QStringLiteral("Drucke Fach &%1").arg(c));
        connect(mWork[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Practice, c); });
        connect(mTable[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Table, c); });
        connect(mPage[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Paging, c); });
        connect(mPrint[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Print, c); });
        for (QAction *a : {mWork[c], mTable[c], mPage[c], mPrint[c]})
            a->setEnabled(false);
    }
    separator(mVokabeln, "mSep2");
    mVAdd = item(mVokabeln, QStringLiteral("mVAdd"), QStringLiteral("&Eingeben"));
    connect(mVAdd, &QAction::triggered, this, &frmMain::entryCommand);

    mOptions = menu(nullptr, QStringLiteral("mOptions"), QStringLiteral("&Optionen"));
    mFF = item(mOptions, QStringLiteral("mFF"), QStringLiteral("Fonts und Farben"));
    connect(mFF, &QAction::triggered, this, &frmMain::fontsCommand);
    mSoundPath = item(mOptions, QStringLiteral("mSoundPath"), QStringLiteral("Sound&pfad einstellen"));
    connect(mSoundPath, &QAction::triggered, this, &frmMain::soundPathCommand);
    separator(mOptions, "mSep3");
    const QString modes[3] = {QStringLiteral("&Fremdwort abfragen"), QStringLiteral("&deutsches Wort abfragen"),
                              QStringLiteral("&wechselseitige Abfrage ")};
    mMode = QVector<QAction *>(4, nullptr);
    for (int k = 1; k <= 3; ++k) {
        mMode[k] = item(mOptions, indexed("mMode", k), modes[k - 1]);
        mMode[k]->setCheckable(true);
        connect(mMode[k], &QAction::triggered, this, [this, k] { modeCommand(k); });
    }
    separator(mOptions, "mSep4");
    mWiederholung = menu(mOptions, QStringLiteral("mWiederholung"), QStringLiteral("&Anzahl der Wiederholungen"));
    mRepeat = QVector<QAction *>(6, nullptr);
    for (int k = 1; k <= 5; ++k) {
        mRepeat[k] = item(mWiederholung, indexed("mRepeat", k), QStringLiteral("&%1 mal").arg(k));
        mRepeat[k]->setCheckable(true);
        connect(mRepeat[k], &QAction::triggered, this, [this, k] { repeatCommand(k); });
    }
    mVersuche = menu(mOptions, QStringLiteral("mVersuche"), QStringLiteral("Anzahl der Fehl&versuche"));
    mTrial = QVector<QAction *>(4, nullptr);
    for (int k = 1; k <= 3; ++k) {
        mTrial[k] = item(mVersuche, indexed("mTrial", k), QStringLiteral("&%1 mal").arg(k));
        mTrial[k]->setCheckable(true);
        connect(mTrial[k], &QAction::triggered, this, [this, k] { trialCommand(k); });
    }

    mExtra = menu(nullptr, QStringLiteral("mExtra"), QStringLiteral("&Extras"));
    mAdmin = item(mExtra, QStringLiteral("mAdmin"), QStringLiteral("Vokabeln &verwalten"));
    mAdmin->setEnabled(false);
    connect(mAdmin, &QAction::triggered, this, &frmMain::managerCommand);
    separator(mExtra, "mSep6");
    mAdd = item(mExtra, QStringLiteral("mAdd"), QStringLiteral("Sprache &Hinzufügen"));
    connect(mAdd, &QAction::triggered, this, &frmMain::addLanguageCommand);
    mRemove = item(mExtra, QStringLiteral("mRemove"), QStringLiteral("Sprache &Löschen"));
    separator(mExtra, "mSep7");
    mSicherung = item(mExtra, QStringLiteral("mSicherung"), QStringLiteral("Si&cherungen …"));
    mSicherung->setEnabled(false);
    connect(mSicherung, &QAction::triggered, this, &frmMain::backupsCommand);

    mHilfe = menu(nullptr, QStringLiteral("mHilfe"), QStringLiteral("&Hilfe"));
    mHelp = item(mHilfe, QStringLiteral("mHelp"), QStringLiteral("&Hilfe"));
    connect(mHelp, &QAction::triggered, this, &frmMain::helpCommand);
    separator(mHilfe, "mSep8");
    mAbout = item(mHilfe, QStringLiteral("mAbout"), QStringLiteral("&About"));
    connect(mAbout, &QAction::triggered, this, &frmMain::aboutCommand);
}

void frmMain::buildCardBox()
{
    picKasten = new QWidget(central_);
    picKasten->setObjectName(QStringLiteral("picKasten"));
    picKasten->setFixedSize(Twips::x(kPanel.width, this), Twips::y(kPanel.height, this));
    paint(picKasten, kWindowBlue.lighter(106));

    const QPixmap box(Places::programFile(QStringLiteral("pictures/box.png")));
    const QPixmap pool(Places::programFile(QStringLiteral("pictures/pool.png")));
    const QPixmap pointerImage(Places::programFile(QStringLiteral("pictures/pointer.png")));
    const QCursor pointer = pointerImage.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pointerImage, 1, 1);

    QFont countFont;
    countFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    countFont.setPointSizeF(9.75);

    imgBox.resize(8);
    lblCount.resize(8);
    lblBox.resize(8);
    for (int i = 0; i < 8; ++i) {
        lblBox[i] = new QLabel(picKasten);
        lblBox[i]->setObjectName(indexed("lblBox", i));
        Twips::place(lblBox[i], boxRect(i));

        imgBox[i] = new ClickLabel(picKasten);
        imgBox[i]->setObjectName(indexed("imgBox", i));
        imgBox[i]->setPixmap(i == 7 ? pool : box);
        imgBox[i]->setScaledContents(true);
        imgBox[i]->setCursor(pointer);
        Twips::place(imgBox[i], boxRect(i));
        imgBox[i]->setVisible(i == 7);
        connect(imgBox[i], &ClickLabel::clicked, this, [this, i] { clickBox(i); });

        lblCount[i] = new ClickLabel(picKasten);
        lblCount[i]->setObjectName(indexed("lblCount", i));
        lblCount[i]->setFont(countFont);
        lblCount[i]->setAlignment(Qt::AlignCenter);
        paint(lblCount[i], kCountGrey);
        lblCount[i]->setCursor(pointer);
        Twips::place(lblCount[i], countRect(i));
        lblCount[i]->setVisible(i == 7);
        connect(lblCount[i], &ClickLabel::clicked, this, [this, i] { clickBox(i); });
    }
    for (int c = 1; c <= 7; ++c)
        imgBox[c - 1]->setToolTip(QStringLiteral("Fach %1").arg(c));
    imgBox[7]->setToolTip(QStringLiteral("Vokabeln, die noch nicht gelernt werden"));

    optMode.resize(5);
    for (int k = 0; k < 5; ++k) {
        optMode[k] = new QRadioButton(QString::fromUtf8(kModes[k].caption), picKasten);
        optMode[k]->setObjectName(indexed("optMode", k));
        optMode[k]->setToolTip(QString::fromUtf8(kModes[k].tip));
        paint(optMode[k], kOptionGrey);
        Twips::place(optMode[k], kModes[k].rect);
        connect(optMode[k], &QRadioButton::clicked, this, [this, k] { clickMode(k); });
    }
}

void frmMain::placeCardBox()
{
    const int left = central_->width() - picKasten->width() - Twips::x(kCornerGap, this);
    const int top = central_->height() - picKasten->height() - Twips::y(kCornerGap, this);
    picKasten->move(left, top);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == central_ && event->type() == QEvent::Resize)
        placeCardBox();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Losing the focus makes the counts doubtful; getting it back recounts
    // them, unless the window that took the focus has closed through the
    // window opener, which has recounted them already.
    if (!isActiveWindow())
        staleOnActivation_ = true;
    else if (staleOnActivation_) {
        staleOnActivation_ = false;
        Form_Activate();
    }
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Without a window manager the window may never be activated; the card
    // box must still be filled once.
    if (!shownOnce_) {
        shownOnce_ = true;
        Form_Activate();
    }
}

// ------------------------------------------------------------------ startup

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
            LegacyImport::TakeOverAccessDatabase(path);
        },
        this);
}

void frmMain::SetTitle()
{
    setWindowTitle(QStringLiteral("Vokamia"));
}

void frmMain::startUp()
{
    AppState &a = AppState::instance();
    const QString problem = QStringLiteral("Problem");
    SetTitle();
    a.EditMode = false;
    a.ManagerFromPool = false;
    a.TableValid = false;
    optMode[1]->setChecked(true);
    a.ClickAction = 2;
    mRemove->setEnabled(false);

    Msg::guard(problem, [] { Settings::LoadAllSettings(); });

    if (takeOverAccessDatabase())
        Msg::guard(problem, [] {
            ImportProgress progress(QStringLiteral("Die Vokabeln aus vok1.mdb werden übernommen ..."));
            Catalogue::OpenVocabularyDatabase();
        });
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
    checkOnly(mRepeat, a.Repeats);
    if (a.Abfrage < 1 || a.Abfrage > 3)
        a.Abfrage = 1;
    checkOnly(mMode, a.Abfrage);
    a.AskNative = a.Abfrage != 1;
    if (a.Versuche < 1 || a.Versuche > 3)
        a.Versuche = 3;
    checkOnly(mTrial, a.Versuche);

    ValidateLanguageTable();

    mSicherung->setEnabled(bool(a.Database));
    // In the background: the card box is usable at once.
    Safeguard::atStartUp(this);
}

void frmMain::makePairCurrent(int n)
{
    AppState &a = AppState::instance();
    if (n < 1 || n >= a.LanguageCatalogue.size())
        return;
    const LanguagePair &p = a.LanguageCatalogue[n];
    a.SprachNr = std::int16_t(n);
    a.CurrentTable = p.Tabelle;
    a.ForeignLanguage = p.FremdSprache;
    a.NativeLanguage = p.MutterSprache;
    checkOnly(mLanguage, n);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + a.ForeignLanguage);
    showHeading();
}

QAction *frmMain::addLanguageItem(int k, const QString &caption)
{
    QAction *a = new QAction(caption, mSprache);
    a->setObjectName(indexed("mLanguage", k));
    a->setCheckable(true);
    a->setChecked(false);
    a->setVisible(true);
    mSprache->insertAction(mSep1, a);
    connect(a, &QAction::triggered, this, [this, k] {
        Msg::guard(QStringLiteral("Vokamia"), [this, k] { SelectLanguagePair(k); });
    });
    if (mLanguage.size() <= k)
        mLanguage.resize(k + 1);
    mLanguage[k] = a;
    return a;
}

void frmMain::LoadLanguageCatalogue()
{
    for (int k = 1; k < mLanguage.size(); ++k)
        delete mLanguage[k];
    mLanguage.resize(1);
    Catalogue::LoadCatalogueRows();
    const AppState &a = AppState::instance();
    for (int i = 1; i <= a.PairCount; ++i) {
        const LanguagePair &p = a.LanguageCatalogue[i];
        addLanguageItem(i, p.MutterSprache + QStringLiteral(" - ") + p.FremdSprache);
    }
}

void frmMain::checkOnly(const QVector<QAction *> &group, int k)
{
    for (int i = 1; i < group.size(); ++i)
        if (group[i])
            group[i]->setChecked(i == k);
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

void frmMain::enableTableCommands(bool on)
{
    mVAdd->setEnabled(on);
    if (on)
        return; // the card-box refresh enables what has cards
    mWordBook->menuAction()->setEnabled(false);
    mAdmin->setEnabled(false);
    for (int c = 1; c <= 7; ++c)
        for (QAction *item : {mWork[c], mTable[c], mPage[c], mPrint[c]})
            item->setEnabled(false);
}

void frmMain::SelectLanguagePair(int n)
{
    AppState &a = AppState::instance();
    checkOnly(mLanguage, -1);
    const LanguagePair &p = a.LanguageCatalogue.at(n);
    a.CurrentTable = p.Tabelle;
    a.ForeignLanguage = p.FremdSprache;
    a.NativeLanguage = p.MutterSprache;
    a.SprachNr = std::int16_t(n);
    SetTitle();
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + a.ForeignLanguage);
    showHeading();
    ValidateLanguageTable();
    CheckWordBook();
    if (a.ClickAction == 1)
        ShowStartCompartment();
    else
        CheckBoxes();
    if (!a.TableValid)
        return;
    a.TableRecordset = a.Database->openRecordset(a.CurrentTable, store::RecordsetType::Table);
    Settings::SaveSettings();
    mLanguage[n]->setChecked(true);
}

// ----------------------------------------------------------------- card box

void frmMain::showHeading()
{
    const AppState &a = AppState::instance();
    // The heading is never wider than the card box below it: two long
    // language names are cut short here (the caption and the menu name
    // them whole) rather than widening the smallest window.
    const int room = picKasten->width();
    QFont pairFont = heading_->font();
    pairFont.setPointSizeF(kPairPoints);
    QString pair;
    if (!a.NativeLanguage.isEmpty() || !a.ForeignLanguage.isEmpty())
        pair = QFontMetrics(pairFont).elidedText(a.NativeLanguage + QStringLiteral(" – ") + a.ForeignLanguage,
                                                 Qt::ElideRight, room);
    heading_->setText(QStringLiteral("<div style='color:#303078'><span style='font-size:22pt; font-weight:bold'>"
                                     "Vokamia</span><br><span style='font-size:%2pt'>%1</span><br><br>"
                                     "<span style='font-size:9pt'>Klicken Sie auf ein Fach des Karteikastens.<br>"
                                     "Was dann geschieht, wählen Sie rechts unten.</span></div>")
                          .arg(pair.toHtmlEscaped())
                          .arg(kPairPoints));
    heading_->adjustSize();
    // The card box keeps to the lower right corner; the window never gets
    // so small that it would cover the heading in the upper left.
    const int gap = Twips::y(kCornerGap, this);
    const QRect text = heading_->geometry();
    central_->setMinimumSize(std::max(Twips::x(kPanel.width + 2 * kCornerGap, this), text.right() + 1 + gap),
                             text.bottom() + 1 + gap + picKasten->height() + gap);
}

void frmMain::Form_Activate()
{
    showHeading();
    CheckWordBook();
    if (AppState::instance().ClickAction == 1)
        ShowStartCompartment();
    else
        CheckBoxes();
    emit refreshed();
}

void frmMain::CheckBoxes()
{
    const AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    for (int c = 1; c <= 7; ++c) {
        Msg::guard(QStringLiteral("Vokamia"), [&] {
            const int n = Records::countCompartment(c);
            lblCount[c - 1]->setText(n ? QString::number(n) : QString());
            imgBox[c - 1]->setVisible(n != 0);
            lblCount[c - 1]->setVisible(n != 0);
            for (QAction *item : {mPage[c], mWork[c], mTable[c], mPrint[c]})
                item->setEnabled(n != 0);
        });
    }
    Msg::guard(QStringLiteral("Vokamia"), [&] {
        const int pool = Records::countCompartment(0);
        lblCount[7]->setText(pool ? QString::number(pool) : QStringLiteral("leer"));
    });
}

void frmMain::ShowStartCompartment()
{
    if (!AppState::instance().TableValid)
        return;
    Msg::guard(QStringLiteral("Vokamia"), [&] {
        const int n = Records::countCompartment(1);
        lblCount[0]->setText(n ? QString::number(n) : QStringLiteral("leer"));
    });
    imgBox[0]->setVisible(true);
    lblCount[0]->setVisible(true);
    for (int i = 1; i <= 6; ++i) {
        imgBox[i]->setVisible(false);
        lblCount[i]->setVisible(false);
    }
}

void frmMain::CheckWordBook()
{
    if (!AppState::instance().TableValid)
        return;
    Msg::guard(QStringLiteral("Vokamia"), [&] {
        const bool any = Records::countAll() != 0;
        mWordBook->menuAction()->setEnabled(any);
        mAdmin->setEnabled(any);
    });
}

void frmMain::clickBox(int i)
{
    AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    if (i == 7) {
        a.ManagerFromPool = true;
        managerCommand();
        a.ManagerFromPool = false;
        return;
    }
    const int c = i + 1;
    switch (a.ClickAction) {
    case 1:
        entryCommand();
        break;
    case 2:
        compartmentCommand(Windows::Kind::Practice, c);
        break;
    case 3:
        compartmentCommand(Windows::Kind::Paging, c);
        break;
    case 4:
        compartmentCommand(Windows::Kind::Table, c);
        break;
    case 5:
        compartmentCommand(Windows::Kind::Print, c);
        break;
    default:
        break;
    }
}

void frmMain::clickMode(int k)
{
    AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    a.ClickAction = std::int16_t(k + 1);
    if (a.ClickAction == 1)
        ShowStartCompartment();
    else
        CheckBoxes();
}

// ----------------------------------------------------------------- commands

void frmMain::openWindow(Windows::Kind window)
{
    Windows::open(window, this);
}

void frmMain::compartmentCommand(Windows::Kind window, int fach)
{
    AppState &a = AppState::instance();
    const bool prepared = Msg::guard([&] {
        a.CurrentFach = std::int16_t(fach);
        a.CompartmentRecordset.reset();
        a.CompartmentRecordset = Records::openCompartment(fach, window != Windows::Kind::Practice);
    });
    // A window without its rows could only fail further.
    if (prepared)
        openWindow(window);
}

void frmMain::entryCommand()
{
    openWindow(Windows::Kind::Entry);
}

void frmMain::managerCommand()
{
    openWindow(Windows::Kind::Manager);
}

void frmMain::dictionaryCommand()
{
    openWindow(Windows::Kind::Dictionary);
}

void frmMain::fontsCommand()
{
    openWindow(Windows::Kind::Fonts);
}

void frmMain::modeCommand(int k)
{
    AppState &a = AppState::instance();
    checkOnly(mMode, k);
    a.Abfrage = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}

void frmMain::repeatCommand(int k)
{
    checkOnly(mRepeat, k);
    AppState::instance().Repeats = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}

void frmMain::trialCommand(int k)
{
    checkOnly(mTrial, k);
    AppState::instance().Versuche = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}

void frmMain::addLanguageCommand()
{
    // The pair is added while the wizard still exists, so the card box is
    // recounted once, for the new pair.
    Windows::open(Windows::Kind::NewPair, this, [this](QDialog &window) {
        if (window.result() == QDialog::Accepted)
            addLanguagePair(std::exchange(AppState::instance().newPair, NewLanguagePair{}));
    });
}

void frmMain::addLanguagePair(const NewLanguagePair &pair)
{
    AppState &a = AppState::instance();
    if (!a.Database)
        return;

    // Table and catalogue row come together or not at all: a pair the engine
    // refuses leaves database, menu and current pair exactly as they were.
    const bool added
        = Msg::guard([&] { Catalogue::AddLanguagePair(*a.Database, pair.native, pair.foreign); });
    if (!added)
        return;

    a.PairCount = std::int16_t(a.PairCount + 1);
    addLanguageItem(a.PairCount, pair.native + QStringLiteral(" - ") + pair.foreign);
    Msg::guard([&] { Catalogue::EnsureSoundFolder(pair.foreign); });
    checkOnly(mLanguage, -1);
    a.LanguageCatalogue.resize(a.PairCount + 1);
    a.LanguageCatalogue[a.PairCount] = LanguagePair{a.PairCount, pair.table, pair.native, pair.foreign};
    a.SprachNr = a.PairCount;
    a.CurrentTable = pair.table;
    a.NativeLanguage = pair.native;
    a.ForeignLanguage = pair.foreign;
    mLanguage[a.PairCount]->setChecked(true);
    // The caption names the pair now current.
    SetTitle();
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + a.ForeignLanguage);
    showHeading();
    ValidateLanguageTable();
}

void frmMain::helpCommand()
{
    Windows::showHelp(QStringLiteral("main.rtf"), this);
}

void frmMain::aboutCommand()
{
    openWindow(Windows::Kind::About);
}

void frmMain::soundPathCommand()
{
    openWindow(Windows::Kind::SoundFolder);
}

void frmMain::backupsCommand()
{
    Windows::open(Windows::Kind::Backups, this, [this](QDialog &window) {
        if (window.result() == QDialog::Accepted)
            reloadAfterRestore();
    });
}

void frmMain::reloadAfterRestore()
{
    AppState &a = AppState::instance();
    const QString problem = QStringLiteral("Problem");
    a.TableRecordset.reset();
    a.CompartmentRecordset.reset();
    const int wanted = a.SprachNr;
    SetTitle();
    const bool catalogueRead = Msg::guard(problem, [this] { LoadLanguageCatalogue(); }, this);
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
    Form_Activate();
}
