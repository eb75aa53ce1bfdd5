// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The sound-folder dialog: shows the folder setting AppState::SoundPath,
// lets the learner pick a folder in a tree or type one, and keeps it with
// Ok (written to the settings store at once) or leaves it with Cancel.
class frmSPfad : public QDialog
{
    Q_OBJECT

public:
    explicit frmSPfad(QWidget *parent = nullptr);

    // The folder the tree opens at for a stored setting. The text box always
    // shows the stored value itself; but a drive letter ("d:", the
    // first-start default, or "D:\Sounds") names nothing here, so the tree
    // starts at the learner's data folder instead, and at home for any other
    // value that is not a folder here.
    static QString treeFolder(const QString &stored);

    // The text of the box as it is stored: without one trailing "/" or "\",
    // unless that is all there is.
    static QString folderOf(const QString &typed);

    QLabel *lblPfad = nullptr;
    QLineEdit *txtSPfad = nullptr;
    QTreeView *Dir1 = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    QFileSystemModel *folderModel() const { return model_; }

public slots:
    // Cancel, Escape and the window's close button: the old folder stays.
    void reject() override;

private slots:
    void btnOk_Click();
    void btnHelp_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showFolderInTree(const QString &folder);
    void scrollToFolder();
    void scheduleScroll();

    QFileSystemModel *model_ = nullptr;
    bool loading_ = false;
    // The folder the tree is to show until every folder above it has been
    // read: the model reads them in the background, and each read that
    // inserts rows above it pushes it out of view again.
    QString pendingFolder_;
    bool scrollQueued_ = false;
};
