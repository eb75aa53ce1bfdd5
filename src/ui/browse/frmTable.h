// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <cstdint>

class QPushButton;
class QTableView;
class RecordsetModel;

// Lists every card of one compartment as a table of five columns: number,
// foreign word, native word and the two sentences. It only shows; nothing
// here changes a card. The rows are those of the compartment's recordset
// as the opening command prepared it, read a screen at a time, so a large
// compartment stands at once.
class frmTable : public QDialog
{
    Q_OBJECT

public:
    explicit frmTable(QWidget *parent = nullptr);
    ~frmTable() override;

    // The number as the first column shows it: a blank before a number
    // that is not negative (" 17"), the minus sign otherwise.
    static QString numberText(std::int64_t vnr);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void load();
    void layOut();

    QTableView *lstView = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
    RecordsetModel *model_ = nullptr;
    std::int32_t count_ = 0;
};
