// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Types.h"

#include <QDialog>
#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace store {
class Recordset;
}

// The practice window: asks every card of one compartment in a random order,
// by a typed answer that the program tests or by revealing the card and
// grading oneself, and writes each card back to its new compartment.
//
// It works on AppState::CompartmentRecordset (the compartment's rows, in
// no particular order) and reads CurrentFach, Abfrage, Repeats and Versuche
// from AppState. The first card is shown once the window is up.
class frmVokabel : public QDialog
{
    Q_OBJECT

public:
    explicit frmVokabel(QWidget *parent = nullptr);
    ~frmVokabel() override;

    // The asking order of these cards: every card gets one place, and every
    // order is equally likely. Draws cards.size() numbers from Random.
    static QVector<std::int32_t> shuffled(const QVector<std::int32_t> &cards);

    // Whether a typed answer counts as the stored word: the stored word
    // occurs in it, whatever the case, and it is exactly as long as the
    // stored word or more than 7 characters long. An empty stored word is
    // never answered by typing (only by grading oneself).
    static bool isRightAnswer(const QString &stored, const QString &typed);

public slots:
    // Every way the window closes ends the sound it started.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void btnKorrektur_Click();
    void btnWeiter_Click();
    void btnView_Click();
    void btnRichtig_Click();
    void btnFalsch_Click();
    void btnHelp_Click();
    void btnChange_Click();
    void btnExit_Click();
    void btnIVokSound_Click();
    void btnISatzSound_Click();

private:
    void buildControls();
    void load();
    void firstActivation();

    // Advances to the next card and shows its question side, or ends the
    // practice after the last one.
    void LoadNextCard();
    bool advance(bool lastWasRight);
    enum class Shown { Card, Missing, Failed };
    Shown showCard();
    void endPractice();

    // Typing into the answer field of the card on screen.
    void answerChanged(bool nativeField);
    QLineEdit *answerField() const;

    void gradeRight(bool byTest);
    void gradeWrong();
    void storeAndGoOn();
    void revealAfterTest();
    void showWholeCard();
    void playCardSound(bool sentence);

    // The compartment's row of the card on screen, made current; null when
    // it is no longer among the rows.
    store::Recordset *cardRow();
    // The card on screen as it stands in the table now; none when it is gone
    // (a failure to read it has been shown).
    std::optional<VocabularyRecord> cardOnScreen();

    void makeDefault(QPushButton *button);
    void setCount(QLabel *label, qsizetype &counter, qsizetype value);
    void send(const QString &command);

    QLabel *lblMother = nullptr;
    QLineEdit *txtDVok = nullptr;
    QPlainTextEdit *txtDSatz = nullptr;
    QLabel *lblForeign = nullptr;
    QLineEdit *txtIVok = nullptr;
    QLineEdit *txtArtikel = nullptr;
    QPushButton *btnIVokSound = nullptr;
    QPlainTextEdit *txtISatz = nullptr;
    QPushButton *btnISatzSound = nullptr;
    QPushButton *btnKorrektur = nullptr;
    QPushButton *btnWeiter = nullptr;
    QPushButton *btnView = nullptr;
    QPushButton *btnRichtig = nullptr;
    QPushButton *btnFalsch = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnChange = nullptr;
    QPushButton *btnExit = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *lblRest = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *lblRichtig = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *lblFalsch = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblnOk = nullptr;
    QLabel *lblOk = nullptr;
    QLabel *lblKo = nullptr;

    std::shared_ptr<store::Recordset> rs_;
    std::int16_t fach_ = 0;
    qsizetype CardCount = 0;
    QVector<std::int32_t> CardOrder; // position p is CardOrder[p - 1]
    qsizetype CardPos = 0;
    std::int32_t CardVNr = 0;
    bool cardLoaded_ = false;        // CardVNr and the pending values belong to the card on screen
    int NewFach = 0;
    int NewGewusst = 0;
    int FailCount = 0;
    bool Loading = false;
    bool FirstActivation = true;
    QString SoundFile;
    qsizetype rest_ = 0;
    qsizetype richtig_ = 0;
    qsizetype falsch_ = 0;
    bool closed_ = false;
};
