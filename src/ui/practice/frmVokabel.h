// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "practice/PracticeSession.h"

#include <QDialog>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The practice window: asks every card of one compartment in a random order,
// by a typed answer that the program tests or by revealing the card and
// grading oneself. The practice itself (order, grading, storing) is its
// PracticeSession's; the window shows it and passes the learner's clicks on.
//
// It practises AppState::CompartmentRecordset (the compartment's rows, in
// no particular order) by CurrentFach, Abfrage, Repeats and Versuche of
// AppState, and leaves the side asked in AppState::AskNative. The first card
// is shown once the window is up.
class frmVokabel : public QDialog
{
    Q_OBJECT

public:
    explicit frmVokabel(QWidget *parent = nullptr);
    ~frmVokabel() override;

    // The session's order and answer test, as the window applies them.
    static QVector<std::int32_t> shuffled(const QVector<std::int32_t> &cards)
    {
        return PracticeSession::shuffled(cards);
    }
    static bool isRightAnswer(const QString &stored, const QString &typed)
    {
        return PracticeSession::isRightAnswer(stored, typed);
    }

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
    void buildFields();
    void buildButtons();
    void buildCounters();
    void connectControls();
    void load();
    void firstActivation();

    // Advances to the next card and shows its question side, or ends the
    // practice after the last one.
    void LoadNextCard();
    void resetButtons();
    void showQuestion();
    void endPractice();

    // Typing into the answer field of the card on screen.
    void answerChanged(bool nativeField);
    QLineEdit *answerField() const;

    void showGrading();
    void storeAndGoOn();
    void revealAfterTest();
    void showWholeCard();
    void playCardSound(bool sentence);
    // The card on screen as it stands in the table now; none when it is gone
    // (a failure to read it has been shown).
    std::optional<VocabularyRecord> cardOnScreen();

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

    PracticeSession session_;
    bool Loading = false;
    bool FirstActivation = true;
    QString SoundFile;
    bool closed_ = false;
};
