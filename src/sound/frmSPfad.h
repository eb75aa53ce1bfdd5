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

    // The folder a stored setting stands for on this system. A drive letter
    // ("d:", the first-start default, or "D:\Sounds") names nothing here, so
    // it stands for the learner's data folder; every other value is shown as
    // it is. The stored value changes only when the learner confirms.
    static QString shownFolder(const QString &stored);

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

private:
    void showFolderInTree(const QString &folder);

    QFileSystemModel *model_ = nullptr;
    bool loading_ = false;
};
