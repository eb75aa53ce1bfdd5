// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class RecordsetModel;

// The dictionary: every card of the current pair as one line
// " " + FVok + " - " + MVok + " - " + Fach in dictionary order. The learner
// searches it for words that begin with a text in either language (or for a
// compartment number), changes a card in the entry form or deletes it.
//
// The list reads only the rows it shows; a search asks the database, so both
// stay quick with a million cards.
class frmWBook : public QDialog
{
    Q_OBJECT

public:
    explicit frmWBook(QWidget *parent = nullptr);
    ~frmWBook() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void load();
    int countCards();
    QString entries(int n) const;
    void List1_Click();
    void searchReset(bool fromChange);
    void txtSearch_Change();
    void btnSearch_Click();
    // Puts the table on card vnr and reads it into *card; tells the learner
    // when it is gone. False when there is no card to go on with.
    bool goToCard(std::int32_t vnr, VocabularyRecord *card = nullptr);
    void btnChange_Click();
    void btnDelete_Click();
    // The selected line and its card; false when no line is selected.
    bool selected(int &row, std::int32_t &vnr) const;

    RecordsetModel *model_ = nullptr;
    int count_ = 0;
    std::int32_t searchPos_ = 0;
    bool selectionGuard_ = false;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtSearch = nullptr;
    QPushButton *btnSearch = nullptr;
    QListView *List1 = nullptr;
    QPushButton *btnChange = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
