// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace store {
class Recordset;
}

// Pages through the cards of one compartment, both sides of a card at once,
// in the order the opening command gave (alphabetical by the foreign word).
// Paging runs in a ring both ways; each card shown says its foreign word if
// it has a recording. Nothing is written to the database.
class frmPage : public QDialog
{
    Q_OBJECT

public:
    explicit frmPage(QWidget *parent = nullptr);
    ~frmPage() override;

public slots:
    // "Beenden", Escape and the close box: the sound stops with the window.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void applyLanguages();
    void load();
    void showCard();
    // Stops what plays and says the current card's word (or sentence) if
    // it has a recording.
    void playSound(const QString &field);
    void stop();
    void btnNext_Click();
    void btnBack_Click();
    void setNumber(std::int32_t n);

    std::shared_ptr<store::Recordset> rs_;
    std::int32_t PageCount = 0;
    std::int32_t number_ = 0;
    QString SoundFile;
    bool stopped_ = false;

    QGroupBox *frmMother = nullptr;
    QLineEdit *txtDVok = nullptr;
    QPlainTextEdit *txtDSatz = nullptr;
    QGroupBox *frmForeign = nullptr;
    QLineEdit *txtIVok = nullptr;
    QLineEdit *txtArtikel = nullptr;
    QPlainTextEdit *txtISatz = nullptr;
    QLabel *lblNr = nullptr;
    QPushButton *btnBack = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
