// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sound/frmSound.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "audio/Mci.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Guard.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// How often a running recording is checked on.
constexpr int kWatchMs = 200;

// The text box that is being recorded for stands out; the other one stays
// visible but pale.
const QColor kChosen(0, 255, 255);
const QColor kNotChosen(192, 255, 255);

void paintBox(QLineEdit *box, const QColor &background)
{
    QPalette p = box->palette();
    p.setColor(QPalette::All, QPalette::Base, background);
    // Dark text on the light background whatever the desktop's theme is.
    p.setColor(QPalette::Active, QPalette::Text, Qt::black);
    p.setColor(QPalette::Inactive, QPalette::Text, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(96, 96, 96));
    box->setPalette(p);
}

} // namespace

frmSound::frmSound(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmSound"));
    setWindowTitle(QStringLiteral("Achtung Aufnahme"));
    setModal(true);
    watch_ = new QTimer(this);
    watch_->setInterval(kWatchMs);
    connect(watch_, &QTimer::timeout, this, &frmSound::checkRecording);
    buildControls();
    loadCard();
}

frmSound::~frmSound()
{
    abandonRecording();
}

QString frmSound::soundFilePath(const QString &foreignLanguage, bool sentence, std::int32_t vnr)
{
    return QStringLiteral(".\\") + foreignLanguage + QStringLiteral("\\") + foreignLanguage.left(2)
        + (sentence ? QStringLiteral("S") : QStringLiteral("V")) + QString::number(vnr) + QStringLiteral(".wav");
}

QString frmSound::helpText()
{
    return QStringLiteral("Wählen Sie zuerst aus, ob Sie für das Fremdwort, oder den Beispielsatz einen Ton ")
        + QStringLiteral("aufnehmen möchten.") + Msg::kCrLf + Msg::kCrLf
        + QStringLiteral("Beachten Sie die Reihenfolge: 1. Aufnahme, 2. Anhalten, 3. Hören der Aufnahme.") + Msg::kCrLf
        + Msg::kCrLf + QStringLiteral("Sie können die Vertonung so lange wiederholen, bis Sie mit dem Ergebnis zufrieden sind.");
}

void frmSound::buildControls()
{
    lblHelp = new QLabel(this);
    lblHelp->setObjectName(QStringLiteral("lblHelp"));
    lblHelp->setWordWrap(true);
    lblHelp->setTextFormat(Qt::PlainText);

    txtVokabel = new QLineEdit(this);
    txtVokabel->setObjectName(QStringLiteral("txtVokabel"));
    txtVokabel->setToolTip(QStringLiteral("zeigt das aktuelle Fremdwort an"));
    txtVokabel->setReadOnly(true);

    txtSatz = new QLineEdit(this);
    txtSatz->setObjectName(QStringLiteral("txtSatz"));
    txtSatz->setToolTip(QStringLiteral("zeigt den Beispielsatz in der Fremdsprache an, falls vorhanden"));
    txtSatz->setReadOnly(true);

    auto *choice = new QButtonGroup(this);
    const QString captions[2] = {QStringLiteral("Sound für Fremdwort aufnehmen"),
                                 QStringLiteral("Sound für Beispielsatz aufnehmen")};
    const QString tips[2] = {QStringLiteral("Hier wählen Sie die Vertonung für das Fremdwort"),
                             QStringLiteral("Hier wählen Sie die Vertonung für den Beispielsatz in der Fremdsprache")};
    for (int i = 0; i < 2; ++i) {
        auto *opt = new QRadioButton(captions[i], this);
        opt->setObjectName(QStringLiteral("optSound(%1)").arg(i));
        opt->setToolTip(tips[i]);
        choice->addButton(opt, i);
        optSound << opt;
    }
    optSound[0]->setChecked(true);
    connect(choice, &QButtonGroup::idClicked, this, &frmSound::optSound_Click);

    auto makeButton = [this](const char *name, const QString &caption, const QString &tip) {
        return Controls::button(this, name, caption, tip);
    };
    cmdRecord = makeButton("cmdRecord", QStringLiteral("1. Aufnahme starten"),
                           QStringLiteral("Mit dieser Taste starten Sie die Tonaufnahme"));
    cmdStop = makeButton("cmdStop", QStringLiteral("2. Aufnahme anhalten"),
                         QStringLiteral("Mit dieser Taste beenden Sie die aktuelle Tonaufnahme."));
    cmdPlay = makeButton("cmdPlay", QStringLiteral("3. Aufnahme abspielen"),
                         QStringLiteral("Mit dieser Taste können Sie sich die aktuelle Aufnahme anhören"));
    btnExit = makeButton("btnExit", QStringLiteral("Beenden"),
                         QStringLiteral("beendet die Tonaufnahme für die aktuelle Vokabel"));
    cmdStop->setEnabled(false);
    cmdPlay->setEnabled(false);
    connect(cmdRecord, &QPushButton::clicked, this, &frmSound::cmdRecord_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmSound::cmdStop_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmSound::cmdPlay_Click);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QGridLayout;
    texts->addWidget(optSound[0], 0, 0);
    texts->addWidget(txtVokabel, 0, 1);
    texts->addWidget(optSound[1], 1, 0);
    texts->addWidget(txtSatz, 1, 1);
    texts->setColumnStretch(1, 1);
    texts->setHorizontalSpacing(12);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdRecord);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdPlay);
    buttons->addStretch(1);
    buttons->addSpacing(24);
    buttons->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHelp);
    layout->addSpacing(10);
    layout->addLayout(texts);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    resize(680, sizeHint().height());
}

void frmSound::loadCard()
{
    QString text = helpText();
    text.replace(Msg::kCrLf, QStringLiteral("\n"));
    lblHelp->setText(text);

    AppState &a = AppState::instance();
    language_ = a.ForeignLanguage;
    const auto rs = a.TableRecordset;
    VocabularyRecord card;
    const bool failed = !Msg::guard(Msg::kAppTitle, [&] {
        hasCard_ = rs && Records::seekCard(*rs, a.EditVNr);
        if (hasCard_) {
            card = Records::readCard(*rs);
            vnr_ = card.VNr;
        }
    }, this);
    if (failed)
        hasCard_ = false;
    if (!hasCard_) {
        if (!failed)
            Msg::show(QStringLiteral("Vokabel nicht gefunden!"), Msg::kAppTitle, QMessageBox::NoIcon,
                      QMessageBox::Ok, this);
        // Without a card a recording would have nowhere to go.
        cmdRecord->setEnabled(false);
        Controls::makeDefault(btnExit);
        optSound_Click(0);
        return;
    }
    Controls::makeDefault(cmdRecord);
    txtVokabel->setText(card.FVok);
    txtSatz->setText(card.FSatz);
    txtVokabel->setCursorPosition(0);
    txtSatz->setCursorPosition(0);
    optSound_Click(0);
}

void frmSound::optSound_Click(int index)
{
    const bool word = index == 0;
    txtVokabel->setEnabled(word);
    paintBox(txtVokabel, word ? kChosen : kNotChosen);
    txtSatz->setEnabled(!word);
    paintBox(txtSatz, word ? kNotChosen : kChosen);
}

void frmSound::setRecordingState(bool recording)
{
    recording_ = recording;
    cmdStop->setEnabled(recording);
    cmdRecord->setEnabled(!recording && hasCard_);
    cmdPlay->setEnabled(!recording && recorded_);
    btnExit->setEnabled(!recording);
    for (QRadioButton *opt : std::as_const(optSound))
        opt->setEnabled(!recording);
}

void frmSound::reportMci(const QString &operation, int code)
{
    Msg::show(operation + QStringLiteral(" ERROR:  ") + Mci::errorText(code), Msg::kAppTitle, QMessageBox::NoIcon,
              QMessageBox::Ok, this);
}

void frmSound::cmdRecord_Click()
{
    if (recording_ || !hasCard_)
        return;
    setRecordingState(true);
    Controls::makeDefault(cmdStop);

    const bool sentence = !optSound[0]->isChecked();
    const QString alias = sentence ? QStringLiteral("NeuSatz") : QStringLiteral("NeuWort");
    language_ = AppState::instance().ForeignLanguage;

    // A recording that cannot start leaves the window as it was, so Stop
    // can never save and store a recording that does not exist.
    int rc = Mci::send(QStringLiteral("OPEN NEW TYPE WAVEAUDIO ALIAS ") + alias);
    if (rc != 0) {
        reportMci(QStringLiteral("open"), rc);
        setRecordingState(false);
        Controls::makeDefault(cmdRecord);
        return;
    }
    sentence_ = sentence;
    alias_ = alias;
    path_ = soundFilePath(language_, sentence, vnr_);
    Mci::send(QStringLiteral("Set ") + alias_ + QStringLiteral(" bitspersample 16"));
    Mci::send(QStringLiteral("Set ") + alias_ + QStringLiteral(" samplespersec 22050"));
    rc = Mci::send(QStringLiteral("Set ") + alias_ + QStringLiteral(" channels 1"));
    if (rc != 0)
        reportMci(QStringLiteral("channels"), rc);
    rc = Mci::send(QStringLiteral("RECORD ") + alias_);
    if (rc != 0) {
        reportMci(QStringLiteral("record"), rc);
        Mci::send(QStringLiteral("CLOSE ") + alias_);
        setRecordingState(false);
        Controls::makeDefault(cmdRecord);
        return;
    }
    watch_->start();
}

void frmSound::checkRecording()
{
    if (!recording_) {
        watch_->stop();
        return;
    }
    QString mode;
    const int rc = Mci::send(QStringLiteral("STATUS ") + alias_ + QStringLiteral(" MODE"), &mode);
    if (rc == 0)
        return;
    // The device never confirmed the recording, or ended it: nothing will
    // come of it, so the window goes back to where it was before Record.
    watch_->stop();
    Mci::send(QStringLiteral("CLOSE ") + alias_);
    setRecordingState(false);
    Controls::makeDefault(cmdRecord);
    reportMci(QStringLiteral("record"), rc);
}

void frmSound::cmdStop_Click()
{
    if (!recording_)
        return;
    watch_->stop();
    recorded_ = true;
    setRecordingState(false);
    Controls::makeDefault(cmdPlay);

    int rc = Mci::send(QStringLiteral("STOP ") + alias_);
    if (rc != 0)
        reportMci(QStringLiteral("stop"), rc);
    // The learner may have removed the language's folder meanwhile. A pair
    // whose name is no folder name gets no recording at all.
    bool folder = true;
    try {
        Catalogue::ensureSoundFolder(language_);
    } catch (const store::Error &e) {
        Msg::critical(e.description(), Msg::kAppTitle, this);
        folder = false;
    }
    if (folder) {
        rc = Mci::send(QStringLiteral("SAVE ") + alias_ + QStringLiteral(" ") + path_);
        if (rc != 0)
            reportMci(QStringLiteral("save"), rc);
        else
            // Only a file that was written is worth a path in the card.
            storePath();
    }
    rc = Mci::send(QStringLiteral("CLOSE ") + alias_);
    if (rc != 0)
        reportMci(QStringLiteral("close"), rc);
}

void frmSound::storePath()
{
    const auto rs = AppState::instance().TableRecordset;
    if (!rs)
        return;
    Msg::guard(Msg::kAppTitle, [&] {
        // Go back to the card itself: the record set is shared.
        if (!Records::seekCard(*rs, vnr_)) {
            Msg::show(QStringLiteral("Vokabel nicht gefunden!"), Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok,
                      this);
            return;
        }
        Records::setSoundPath(vnr_, sentence_, path_);
    }, this);
}

void frmSound::cmdPlay_Click()
{
    Controls::makeDefault(cmdRecord);
    const int rc = Mci::send(QStringLiteral("PLAY ") + path_);
    if (rc != 0)
        reportMci(QStringLiteral("play"), rc);
}

void frmSound::abandonRecording()
{
    if (!recording_)
        return;
    // The window goes away: its recording must not run on unseen.
    watch_->stop();
    Mci::send(QStringLiteral("STOP ") + alias_);
    Mci::send(QStringLiteral("CLOSE ") + alias_);
    setRecordingState(false);
}

void frmSound::done(int result)
{
    abandonRecording();
    QDialog::done(result);
}
