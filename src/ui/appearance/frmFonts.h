// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/common/Appearance.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The fonts and colours of the two languages. Every choice is stored at
// once; other windows take it the next time they load.
class frmFonts : public QDialog
{
    Q_OBJECT

public:
    explicit frmFonts(QWidget *parent = nullptr);

private:
    struct Side
    {
        Appearance::Language language;
        QString frameCaption;
        QGroupBox *frame = nullptr;
        QLabel *sample = nullptr;
    };

    void showSelected();
    void takeFont(Side &side);
    void chooseColour(Side &side);
    void showSide(Side &side);

    QLabel *lblHelp = nullptr;
    QLabel *Label1 = nullptr;
    QListWidget *lstSFonts = nullptr;
    QLabel *lblAktuell = nullptr;
    QLineEdit *txtAktuell = nullptr;
    QPushButton *btnMWahl = nullptr;
    QPushButton *btnMColor = nullptr;
    QPushButton *btnFWahl = nullptr;
    QPushButton *btnFColor = nullptr;
    QPushButton *cmdExit = nullptr;
    Side mother_{Appearance::Language::Native, QStringLiteral("Muttersprachen-Font: ")};
    Side foreign_{Appearance::Language::Foreign, QStringLiteral("Fremdsprachen-Font: ")};
};
