// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class RecordsetModel;

// The compartment manager: moves cards by hand from a source compartment up
// into a destination compartment and back, above all from the pool into the
// start compartment. Opened from the pool picture (AppState::ManagerFromPool)
// it works only between those two.
//
// Both lists show one line FVok + " - " + MVok per card in dictionary order
// and read their rows from the database as they are shown, so a compartment
// of any size opens at once. Moving a whole list is one transaction.
class frmManage : public QDialog
{
    Q_OBJECT

public:
    explicit frmManage(QWidget *parent = nullptr);
    ~frmManage() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Side { Source, Dest };

    void buildControls();
    void load();
    // Fills one side's list from the database; returns its count.
    int fillList(Side side);
    void dropList(Side side);
    void cboSource_Click(int index);
    void cboDest_Click(int index);
    void listClicked(Side side);
    void moveCards(Side from, bool all);
    void searchReset(bool fromChange);
    void txtSearch_Change();
    void btnSearch_Click();

    QListView *listOf(Side side) const;
    RecordsetModel *&modelOf(Side side);
    int fachOf(Side side) const { return side == Side::Source ? source_ : dest_; }
    QLabel *labelOf(Side side) const;
    QPushButton *allButtonOf(Side side) const;

    int source_ = Fach::Pool;
    int dest_ = Fach::Start;
    QStringList names_;
    RecordsetModel *sourceModel_ = nullptr;
    RecordsetModel *destModel_ = nullptr;
    std::int32_t searchPos_ = 0;
    bool selectionGuard_ = false;

    QGroupBox *frmSource = nullptr;
    QComboBox *cboSource = nullptr;
    QListView *lstSource = nullptr;
    QLabel *lblSource = nullptr;
    QGroupBox *frmDest = nullptr;
    QComboBox *cboDest = nullptr;
    QListView *lstDest = nullptr;
    QLabel *lblDest = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnAddAll = nullptr;
    QPushButton *btnRemove = nullptr;
    QPushButton *btnRemoveAll = nullptr;
    QLineEdit *txtSearch = nullptr;
    QPushButton *btnSearch = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
