// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// Writes the cards of the current pair, all or one compartment, as a word
// list: for a spreadsheet or as text with tabs.
class frmExport : public QDialog
{
    Q_OBJECT

public:
    explicit frmExport(QWidget *parent = nullptr);
    ~frmExport() override;

private:
    void buildControls();
    void btnExport_Click();

    QLabel *lblPaar = nullptr;
    QLabel *lblUmfang = nullptr;
    QComboBox *cboUmfang = nullptr;
    QLabel *lblFormat = nullptr;
    QComboBox *cboFormat = nullptr;
    QPushButton *btnExport = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnCancel = nullptr;
};
