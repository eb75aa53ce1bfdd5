// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Two-step dialog that asks for a new language pair: first the learner's
// mother tongue, then the foreign language. It only collects the names and
// leaves them in AppState's newPair; creating the pair is the caller's
// business.
class frmLanguage : public QDialog
{
    Q_OBJECT

public:
    // Names normalised: mother tongue "Deutsch", foreign language "Latein",
    // table "t" + foreign.
    using NewPair = NewLanguagePair;

    explicit frmLanguage(QWidget *parent = nullptr);

    // The pair the learner asked for; empty unless the dialog was accepted.
    NewPair result() const { return result_; }

    // 1 while the mother tongue is asked, 2 while the foreign language is.
    int step() const { return step_; }

    // Blanks around a name are dropped; then the first character becomes
    // upper case and the rest lower case ("eNGLISCH" -> "Englisch").
    static QString normaliseName(const QString &typed);

public slots:
    // Cancelling, Escape and the window's close button all end up here.
    void reject() override;

private slots:
    void cmdOK_Click();
    void cmdBack_Click();

private:
    void placeControls();

    QGroupBox *frmStep1_ = nullptr;
    QGroupBox *frmStep2_ = nullptr;
    QLabel *lblHelp1_ = nullptr;
    QLabel *lblHelp2_ = nullptr;
    QLineEdit *txtMother_ = nullptr;
    QLineEdit *txtForeign_ = nullptr;
    QPushButton *cmdCancel_ = nullptr;
    QPushButton *cmdBack_ = nullptr;
    QPushButton *cmdOK_ = nullptr;

    int step_ = 1;
    NewPair result_;
};
