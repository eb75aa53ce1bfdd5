// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"
#include "ui/common/Windows.h"

#include <QLabel>
#include <QMainWindow>
#include <QVector>

class QAction;
class QMenu;
class QRadioButton;

// A picture or label of the card box that reacts to a click.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The main window: the card box with one picture per compartment, the
// option buttons that decide what a click on a picture does, and the menu
// bar with every command of the program.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The card box's pictures and counts: compartments 1..7 at 0..6, the
    // pool's picture last.
    static constexpr int kPoolBox = Fach::Count - 1;
    static constexpr int boxOf(int fach) { return fach - Fach::Start; }

    void SetTitle();
    void CheckBoxes();
    void ShowStartCompartment();
    void CheckWordBook();
    void LoadLanguageCatalogue();
    void SelectLanguagePair(int n);
    void ValidateLanguageTable();
    // What the window does each time it becomes active again.
    void Form_Activate();

    // Commands of the menu bar (the card box reuses them).
    void compartmentCommand(Windows::Kind window, int fach);
    void entryCommand();
    void managerCommand();
    void dictionaryCommand();
    void fontsCommand();
    void modeCommand(int k);
    void repeatCommand(int k);
    void trialCommand(int k);
    void addLanguageCommand();
    void statisticsCommand();
    void helpCommand();
    void aboutCommand();
    void soundPathCommand();
    void importCommand();
    void exportCommand();
    void backupsCommand();
    // Shows what the database holds after a backup was restored into it.
    void reloadAfterRestore();

    void clickBox(int i);
    void clickMode(int k);

signals:
    // The card box has been recounted (Form_Activate ran).
    void refreshed();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openWindow(Windows::Kind window);
    void addLanguagePair(const NewLanguagePair &pair);
    void buildMenus();
    void buildVocabularyMenu();
    void buildOptionsMenu();
    void buildCardBox();
    void startUp();
    bool takeOverAccessDatabase();
    void makePairCurrent(int n);
    // Pair n of the catalogue becomes the current pair; the caption and the
    // heading name it.
    void showPair(int n);
    void placeCardBox();
    QAction *addLanguageItem(int k, const QString &caption);
    // Checks language item k alone (none for -1).
    void checkOnly(const QVector<QAction *> &group, int k);
    // The commands that need a usable current table.
    void enableTableCommands(bool on);

    void showHeading();
    // ShowStartCompartment or CheckBoxes, as the click action wants it.
    void recountCardBox();

    QWidget *central_ = nullptr;
    QLabel *heading_ = nullptr;
    bool shownOnce_ = false;
    bool staleOnActivation_ = false;

public:
    // Controls, by their names; arrays indexed as on screen.
    QWidget *picKasten = nullptr;
    QVector<ClickLabel *> imgBox;
    QVector<ClickLabel *> lblCount;
    QVector<QLabel *> lblBox;
    QVector<QRadioButton *> optMode;

    QMenu *mSprache = nullptr;
    QMenu *mWordBook = nullptr;
    QMenu *mVokabeln = nullptr;
    QMenu *mUeben = nullptr;
    QMenu *mTabelle = nullptr;
    QMenu *mPaging = nullptr;
    QMenu *mDruck = nullptr;
    QMenu *mOptions = nullptr;
    QMenu *mWiederholung = nullptr;
    QMenu *mVersuche = nullptr;
    QMenu *mExtra = nullptr;
    QMenu *mHilfe = nullptr;
    QVector<QAction *> mLanguage; // 0 is the invisible template
    QAction *mSep1 = nullptr;
    QAction *mExit = nullptr;
    QAction *mWBook = nullptr;
    QVector<QAction *> mWork, mTable, mPage, mPrint; // 1..7
    QAction *mVAdd = nullptr;
    QAction *mImport = nullptr;
    QAction *mExport = nullptr;
    QAction *mFF = nullptr;
    QAction *mSoundPath = nullptr;
    QVector<QAction *> mMode;   // 1..3
    QVector<QAction *> mRepeat; // 1..5
    QVector<QAction *> mTrial;  // 1..3
    QAction *mAdmin = nullptr;
    QAction *mStatistik = nullptr;
    QAction *mAdd = nullptr;
    QAction *mRemove = nullptr;
    QAction *mSicherung = nullptr;
    QAction *mHelp = nullptr;
    QAction *mAbout = nullptr;
};
