// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/PrintLayout.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QCheckBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

// The print window: the grid of cards on the sheet, set with six scroll
// bars and shown on a scaled picture of the page; personal layouts are
// loaded and saved here; "&Drucken" prints the compartment's cards.
class frmPrint : public QDialog
{
    Q_OBJECT

public:
    explicit frmPrint(QWidget *parent = nullptr);

public slots:
    // While cards are being printed, Beenden (and Escape) stops the run
    // instead of closing the window under it.
    void reject() override;

private:
    enum class Check { Width, Height };
    struct Bar
    {
        QScrollBar *bar = nullptr;
        QLabel *value = nullptr;
        Check check = Check::Width;
        std::int16_t PrintLayout::*field = nullptr;
        int lo = 0, hi = 0;
        bool busy = false;
    };

    void buildPreview();
    QGridLayout *buildBars();
    void buildButtons();
    void arrange(QGridLayout *barGrid);
    void showLayout(const PrintLayout &layout);
    void scrolled(Bar &bar);
    bool widthCheck() const;
    bool heightCheck() const;
    void drawPreview();
    void btnLoad_Click();
    void btnDefault_Click();
    void btnSave_Click();
    void btnOk_Click();
    void setPrinting(bool printing);

    PrintLayout layout_;
    std::array<Bar, 6> bars_;
    QFrame *picPage = nullptr;
    QFrame *shpPage = nullptr;
    std::array<QFrame *, PrintLayout::kCardsPerSheet> shpCard{};
    QGroupBox *Frame1 = nullptr;
    QPushButton *btnLoad = nullptr;
    QPushButton *btnDefault = nullptr;
    QPushButton *btnSave = nullptr;
    QRadioButton *opt1016 = nullptr;
    QCheckBox *chkRaster = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;
    QProgressBar *prgDruck = nullptr;
    bool printing_ = false;
    bool stop_ = false;
};
