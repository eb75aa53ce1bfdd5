// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

// The recording window: records the pronunciation of the foreign word or of
// the foreign example sentence of card AppState::EditVNr into a WAV file and
// stores the file's path in the card (FVokSound or FSatzSound).
//
// Recording runs in the background of the multimedia command layer; the
// window only sends commands and never waits. While a recording runs, only
// "Stop" is usable: the choice between word and sentence is locked so that a
// recording always lands in the field it was started for, and leaving the
// window stops and closes the recording instead of leaving it running.
// While it runs the window asks the command layer now and then whether the
// device still records, so a sound server that never confirms the recording
// is reported after a few seconds instead of leaving the window waiting.
class frmSound : public QDialog
{
    Q_OBJECT

public:
    explicit frmSound(QWidget *parent = nullptr);
    ~frmSound() override;

    // The stored path of a card's recording, relative to the working folder:
    // ".\Englisch\EnV17.wav" for the word of card 17 of "Englisch",
    // ".\Englisch\EnS17.wav" for its sentence.
    static QString soundFilePath(const QString &foreignLanguage, bool sentence, std::int32_t vnr);

    // The instructions shown at the top of the window (lines end in CR LF).
    static QString helpText();

    // True between a successful start of a recording and its stop.
    bool isRecording() const { return recording_; }
    // False when the card to record for was not found at load.
    bool hasCard() const { return hasCard_; }
    // Path of the last recording started in this window (empty at first).
    QString currentPath() const { return path_; }

    QLabel *lblHelp = nullptr;
    QLineEdit *txtVokabel = nullptr;
    QLineEdit *txtSatz = nullptr;
    QVector<QRadioButton *> optSound; // 0: word, 1: sentence
    QPushButton *cmdRecord = nullptr;
    QPushButton *cmdStop = nullptr;
    QPushButton *cmdPlay = nullptr;
    QPushButton *btnExit = nullptr;

public slots:
    // Escape, the window's close button and "Beenden" all end here.
    void done(int result) override;

private slots:
    void optSound_Click(int index);
    void cmdRecord_Click();
    void cmdStop_Click();
    void cmdPlay_Click();
    void checkRecording();

private:
    void buildControls();
    void loadCard();
    void setRecordingState(bool recording);
    void reportMci(const QString &operation, int code);
    void storePath();
    // Ends a running recording without keeping it.
    void abandonRecording();

    bool hasCard_ = false;
    bool recording_ = false;
    bool recorded_ = false; // a recording was stopped in this window
    std::int32_t vnr_ = 0;
    QString path_;
    QString alias_;
    QString language_;
    bool sentence_ = false; // kind of the running (or last) recording
    QTimer *watch_ = nullptr;
};
