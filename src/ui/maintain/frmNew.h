// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The entry and change form: the one place where the words and sentences of
// a card are written.
//
// Entry mode (AppState::EditMode false): new cards, one after the other,
// into the start compartment; the window stays open after each save. Change
// mode (EditMode true): the card AppState::EditVNr; one save closes it.
// After every save EditVNr is the card just stored. When the window closes,
// TableRecordset stands on that card with the index "VNr", as the windows
// that open this one expect.
//
// A save that the store refuses changes nothing: the typed texts stay, the
// window stays open, no recording window opens and EditVNr keeps its value,
// so the learner can correct the text and save again.
class frmNew : public QDialog
{
    Q_OBJECT

public:
    explicit frmNew(QWidget *parent = nullptr);

public slots:
    void done(int result) override;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void load();
    void txtIVok_Change();
    void txtDVok_Change();
    void cmdSearch_Click();
    void btnSave_Click();
    void btnHelp_Click();
    // Stores the card; false when the store refused it (already reported).
    bool storeCard();
    QString article() const;

    bool editMode_ = false;
    bool found_ = false; // change mode: the card was there at loading
    std::int32_t vnr_ = 0;

    QGroupBox *frmFremd = nullptr;
    QLineEdit *txtIVok = nullptr;
    QLineEdit *txtISatz = nullptr;
    QGroupBox *frmMutter = nullptr;
    QLineEdit *txtDVok = nullptr;
    QLineEdit *txtDSatz = nullptr;
    QGroupBox *frmArtikel = nullptr;
    QRadioButton *optm = nullptr;
    QRadioButton *optf = nullptr;
    QRadioButton *optmf = nullptr;
    QRadioButton *optohne = nullptr;
    QCheckBox *chkSound = nullptr;
    QPushButton *cmdSearch = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
