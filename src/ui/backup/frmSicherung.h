// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// The backups of the vocabulary database: the folder they go to, the list
// of them (newest first), a backup made now, and the way back to one of
// them. The window ends Accepted when it restored a backup, so the card box
// shows the restored cards.
class frmSicherung : public QDialog
{
    Q_OBJECT
public:
    explicit frmSicherung(QWidget *parent = nullptr);

    // How "Ordner öffnen" hands the folder to the desktop; tests replace it.
    using FolderOpener = std::function<bool(const QUrl &folder)>;
    static void setFolderOpener(FolderOpener opener);

    // One line of the list: "DD.MM.YYYY HH:MM - N Vokabeln - N MB".
    static QString lineFor(const QString &backupPath);

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool minimumFitted_ = false;
    void fill();
    void btnJetzt_Click();
    void btnWiederherstellen_Click();
    void btnOrdnerWaehlen_Click();
    void btnOrdner_Click();
    QString selectedPath() const;

    QLabel *lblOrdner = nullptr;
    QListWidget *lstSicherungen = nullptr;
    QLabel *lblAufnahmen = nullptr;
    QPushButton *btnJetzt = nullptr;
    QPushButton *btnWiederherstellen = nullptr;
    QPushButton *btnOrdnerWaehlen = nullptr;
    QPushButton *btnOrdner = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
