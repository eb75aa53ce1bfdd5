// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wordlist/Import.h"
#include "wordlist/Layout.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QWidget;

// Brings a word list (the file the command chose, in AppState::WordListFile)
// into the current pair. The window shows the start of the file as read,
// what was found about it (encoding, separator, header, the meaning of each
// column), lets the learner change each of these, and always says what the
// import would do before anything is stored.
class frmImport : public QDialog
{
    Q_OBJECT

public:
    explicit frmImport(QWidget *parent = nullptr);
    ~frmImport() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Reads the start of the file again, with the encoding and separator
    // given (found when not).
    void load(std::optional<WordList::Encoding> encoding, std::optional<QChar> separator);
    void showLayout();
    void fillPreview();
    void placeColumnChoosers();
    // Runs the import without storing and shows its outcome.
    void recheck();
    WordList::Choices choices() const;

    void cboZeichensatz_Change();
    void cboTrennzeichen_Change();
    void chkKopfzeile_Change();
    void cboSpalte_Change(int column);
    void btnImport_Click();
    // Where a copy of the cards is made before an import changes them;
    // false when the learner would rather not go on.
    bool backupFirst();

    QString path_;
    WordList::Inspection inspection_;
    bool loaded_ = false;
    bool filling_ = false;

    QLabel *lblZeichensatz = nullptr;
    QComboBox *cboZeichensatz = nullptr;
    QLabel *lblTrennzeichen = nullptr;
    QComboBox *cboTrennzeichen = nullptr;
    QCheckBox *chkKopfzeile = nullptr;
    QComboBox *cboFach = nullptr;
    QComboBox *cboDoppelte = nullptr;
    QWidget *picSpalten = nullptr;
    QVector<QComboBox *> cboSpalte;
    QTableWidget *grdVorschau = nullptr;
    QLabel *lblPruefung = nullptr;
    QPushButton *btnImport = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnCancel = nullptr;
};
