// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar: its menus, the language items made from the
// catalogue, and the option groups with their check marks.
#include "ui/main/frmMain.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/common/Controls.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"

#include <QActionGroup>
#include <QMenuBar>

using Controls::indexedName;

namespace {

QMenu *addMenu(QMenuBar *bar, QMenu *parentMenu, const QString &name, const QString &caption)
{
    QMenu *m = parentMenu ? parentMenu->addMenu(caption) : bar->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
}

QAction *addItem(QMenu *m, const QString &name, const QString &caption)
{
    QAction *a = m->addAction(caption);
    a->setObjectName(name);
    return a;
}

QAction *addSeparator(QMenu *m, const char *name)
{
    QAction *a = m->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    mSprache = addMenu(bar, nullptr, QStringLiteral("mSprache"), QStringLiteral("&Sprache"));
    mLanguage << addItem(mSprache, indexedName("mLanguage", 0), QStringLiteral("leerer Eintrag"));
    mLanguage[0]->setVisible(false);
    mSep1 = addSeparator(mSprache, "mSep1");
    mExit = addItem(mSprache, QStringLiteral("mExit"), QStringLiteral("&Beenden"));
    connect(mExit, &QAction::triggered, this, &QWidget::close);

    mWordBook = addMenu(bar, nullptr, QStringLiteral("mWordBook"), QStringLiteral("&Wörterbuch"));
    mWordBook->menuAction()->setEnabled(false);
    mWBook = addItem(mWordBook, QStringLiteral("mWBook"), QStringLiteral("&Wörterbuch"));
    connect(mWBook, &QAction::triggered, this, &frmMain::dictionaryCommand);

    buildVocabularyMenu();
    buildOptionsMenu();

    mExtra = addMenu(bar, nullptr, QStringLiteral("mExtra"), QStringLiteral("&Extras"));
    mAdmin = addItem(mExtra, QStringLiteral("mAdmin"), QStringLiteral("Vokabeln &verwalten"));
    mAdmin->setEnabled(false);
    connect(mAdmin, &QAction::triggered, this, &frmMain::managerCommand);
    mStatistik = addItem(mExtra, QStringLiteral("mStatistik"), QStringLiteral("&Statistik …"));
    mStatistik->setEnabled(false);
    connect(mStatistik, &QAction::triggered, this, &frmMain::statisticsCommand);
    addSeparator(mExtra, "mSep6");
    mAdd = addItem(mExtra, QStringLiteral("mAdd"), QStringLiteral("Sprache &Hinzufügen"));
    connect(mAdd, &QAction::triggered, this, &frmMain::addLanguageCommand);
    mRemove = addItem(mExtra, QStringLiteral("mRemove"), QStringLiteral("Sprache &Löschen"));
    addSeparator(mExtra, "mSep7");
    mSicherung = addItem(mExtra, QStringLiteral("mSicherung"), QStringLiteral("Si&cherungen …"));
    mSicherung->setEnabled(false);
    connect(mSicherung, &QAction::triggered, this, &frmMain::backupsCommand);

    mHilfe = addMenu(bar, nullptr, QStringLiteral("mHilfe"), QStringLiteral("&Hilfe"));
    mHelp = addItem(mHilfe, QStringLiteral("mHelp"), QStringLiteral("&Hilfe"));
    connect(mHelp, &QAction::triggered, this, &frmMain::helpCommand);
    addSeparator(mHilfe, "mSep8");
    mAbout = addItem(mHilfe, QStringLiteral("mAbout"), QStringLiteral("&About"));
    connect(mAbout, &QAction::triggered, this, &frmMain::aboutCommand);
}

// "Vokabeln": the four commands on a compartment, each with one item per
// compartment, and the entry form.
void frmMain::buildVocabularyMenu()
{
    QMenuBar *bar = menuBar();
    mVokabeln = addMenu(bar, nullptr, QStringLiteral("mVokabeln"), QStringLiteral("&Vokabeln"));
    mUeben = addMenu(bar, mVokabeln, QStringLiteral("mÜben"), QStringLiteral("&Üben"));
    mTabelle = addMenu(bar, mVokabeln, QStringLiteral("mTabelle"), QStringLiteral("Ü&bersicht"));
    mPaging = addMenu(bar, mVokabeln, QStringLiteral("mPaging"), QStringLiteral("&Blättern"));
    mDruck = addMenu(bar, mVokabeln, QStringLiteral("mDruck"), QStringLiteral("&Drucken"));
    mWork = mTable = mPage = mPrint = QVector<QAction *>(Fach::Count, nullptr);
    for (int c = Fach::Start; c <= Fach::Last; ++c) {
        const QString fach = QStringLiteral("Fach &%1").arg(c);
        mWork[c] = addItem(mUeben, indexedName("mWork", c), fach);
        mTable[c] = addItem(mTabelle, indexedName("mTable", c), fach);
        mPage[c] = addItem(mPaging, indexedName("mPage", c), fach);
        mPrint[c] = addItem(mDruck, indexedName("mPrint", c), QStringLiteral("Drucke Fach &%1").arg(c));
        connect(mWork[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Practice, c); });
        connect(mTable[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Table, c); });
        connect(mPage[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Paging, c); });
        connect(mPrint[c], &QAction::triggered, this, [this, c] { compartmentCommand(Windows::Kind::Print, c); });
        for (QAction *a : {mWork[c], mTable[c], mPage[c], mPrint[c]})
            a->setEnabled(false);
    }
    addSeparator(mVokabeln, "mSep2");
    mVAdd = addItem(mVokabeln, QStringLiteral("mVAdd"), QStringLiteral("&Eingeben"));
    connect(mVAdd, &QAction::triggered, this, &frmMain::entryCommand);
    addSeparator(mVokabeln, "mSepListe");
    mImport = addItem(mVokabeln, QStringLiteral("mImport"), QStringLiteral("Vokabeln &importieren …"));
    connect(mImport, &QAction::triggered, this, &frmMain::importCommand);
    mExport = addItem(mVokabeln, QStringLiteral("mExport"), QStringLiteral("Vokabeln e&xportieren …"));
    connect(mExport, &QAction::triggered, this, &frmMain::exportCommand);
}

// "Optionen": fonts and colours, the sound folder, and the three option
// groups, each of which has exactly one item checked.
void frmMain::buildOptionsMenu()
{
    QMenuBar *bar = menuBar();
    mOptions = addMenu(bar, nullptr, QStringLiteral("mOptions"), QStringLiteral("&Optionen"));
    mFF = addItem(mOptions, QStringLiteral("mFF"), QStringLiteral("Fonts und Farben"));
    connect(mFF, &QAction::triggered, this, &frmMain::fontsCommand);
    mSoundPath = addItem(mOptions, QStringLiteral("mSoundPath"), QStringLiteral("Sound&pfad einstellen"));
    connect(mSoundPath, &QAction::triggered, this, &frmMain::soundPathCommand);
    addSeparator(mOptions, "mSep3");
    // Items 1..n of a group; element 0 stays empty so numbers match the menu.
    const auto group = [this](QMenu *menu, const char *name, const QStringList &captions, void (frmMain::*command)(int)) {
        auto *exclusive = new QActionGroup(menu);
        QVector<QAction *> items(captions.size() + 1, nullptr);
        for (int k = 1; k <= captions.size(); ++k) {
            items[k] = addItem(menu, indexedName(name, k), captions[k - 1]);
            items[k]->setCheckable(true);
            exclusive->addAction(items[k]);
            connect(items[k], &QAction::triggered, this, [this, command, k] { (this->*command)(k); });
        }
        return items;
    };
    mMode = group(mOptions, "mMode",
                  {QStringLiteral("&Fremdwort abfragen"), QStringLiteral("&deutsches Wort abfragen"),
                   QStringLiteral("&wechselseitige Abfrage ")},
                  &frmMain::modeCommand);
    addSeparator(mOptions, "mSep4");
    const auto times = [](int n) {
        QStringList captions;
        for (int k = 1; k <= n; ++k)
            captions << QStringLiteral("&%1 mal").arg(k);
        return captions;
    };
    mWiederholung = addMenu(bar, mOptions, QStringLiteral("mWiederholung"), QStringLiteral("&Anzahl der Wiederholungen"));
    mRepeat = group(mWiederholung, "mRepeat", times(5), &frmMain::repeatCommand);
    mVersuche = addMenu(bar, mOptions, QStringLiteral("mVersuche"), QStringLiteral("Anzahl der Fehl&versuche"));
    mTrial = group(mVersuche, "mTrial", times(3), &frmMain::trialCommand);
}

QAction *frmMain::addLanguageItem(int k, const QString &caption)
{
    QAction *a = new QAction(caption, mSprache);
    a->setObjectName(indexedName("mLanguage", k));
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
    Catalogue::loadCatalogueRows();
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

void frmMain::enableTableCommands(bool on)
{
    mVAdd->setEnabled(on);
    mImport->setEnabled(on);
    mExport->setEnabled(on);
    // A file that cannot keep statistics has none to show.
    const auto &db = AppState::instance().Database;
    mStatistik->setEnabled(on && db && db->keepsStatistics());
    if (on)
        return; // the card-box refresh enables what has cards
    mWordBook->menuAction()->setEnabled(false);
    mAdmin->setEnabled(false);
    for (int c = Fach::Start; c <= Fach::Last; ++c)
        for (QAction *item : {mWork[c], mTable[c], mPage[c], mPrint[c]})
            item->setEnabled(false);
}

void frmMain::modeCommand(int k)
{
    mMode[k]->setChecked(true);
    AppState::instance().Abfrage = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}

void frmMain::repeatCommand(int k)
{
    mRepeat[k]->setChecked(true);
    AppState::instance().Repeats = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}

void frmMain::trialCommand(int k)
{
    mTrial[k]->setChecked(true);
    AppState::instance().Versuche = std::int16_t(k);
    Msg::guard(QStringLiteral("Vokamia"), [] { Settings::SaveSettings(); });
}
