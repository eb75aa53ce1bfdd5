// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmLanguage.h"
#include "ui/common/AltKeys.h"

#include "core/AppState.h"
#include "store/Catalogue.h"
#include "ui/common/Messages.h"
#include "ui/common/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace {

constexpr Twips::Rect kClient{0, 0, 8205, 4635};
constexpr Twips::Rect kStep1{240, 240, 7695, 1335};
constexpr Twips::Rect kHelp1{240, 360, 4455, 735};
constexpr Twips::Rect kMother{4920, 360, 2295, 375};
constexpr Twips::Rect kStep2{240, 1800, 7695, 1455};
constexpr Twips::Rect kHelp2{240, 360, 4455, 855};
constexpr Twips::Rect kForeign{4920, 360, 2295, 375};
constexpr Twips::Rect kCancel{2520, 3840, 1695, 495};
constexpr Twips::Rect kBack{4320, 3840, 1695, 495};
constexpr Twips::Rect kOK{6120, 3840, 1815, 495};

const QColor kReadOnlyGrey(224, 224, 224);

} // namespace

frmLanguage::frmLanguage(QWidget *parent)
    : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmLanguage"));
    setWindowTitle(QStringLiteral("Muttersprache - Fremdsprache"));
    setModal(true);
    // Nothing asked for yet: a pair left from an earlier run of the window
    // must not be added again.
    AppState::instance().newPair = NewPair{};

    frmStep1_ = new QGroupBox(QStringLiteral(" Schritt 1  -  Muttersprache"), this);
    frmStep1_->setObjectName(QStringLiteral("frmStep1"));

    lblHelp1_ = new QLabel(QStringLiteral("Geben Sie bitte zuerst Ihre Muttersprache ein.\n"
                                          "Wenn Sie z. B. Deutscher sind, so wählen Sie jetzt: Deutsch."),
                           frmStep1_);
    lblHelp1_->setObjectName(QStringLiteral("lblHelp1"));

    txtMother_ = new QLineEdit(frmStep1_);
    txtMother_->setObjectName(QStringLiteral("txtMother"));
    txtMother_->setToolTip(QStringLiteral("Geben Sie hier Ihre Muttersprache ein."));

    frmStep2_ = new QGroupBox(QStringLiteral(" Schritt 2  -  Fremdsprache"), this);
    frmStep2_->setObjectName(QStringLiteral("frmStep2"));
    frmStep2_->setVisible(false);

    lblHelp2_ = new QLabel(QStringLiteral("Geben Sie jetzt die Fremdsprache, die Sie erlernen möchten, ein.\n"
                                          "Beispiel: Englisch oder Griechisch oder Latein."),
                           frmStep2_);
    lblHelp2_->setObjectName(QStringLiteral("lblHelp2"));

    txtForeign_ = new QLineEdit(frmStep2_);
    txtForeign_->setObjectName(QStringLiteral("txtForeign"));
    txtForeign_->setToolTip(QStringLiteral("Wählen Sie hier die Fremdsprache."));

    for (QLabel *help : {lblHelp1_, lblHelp2_}) {
        help->setWordWrap(true);
        help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    cmdCancel_ = new QPushButton(QStringLiteral("&Abbrechen"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setToolTip(QStringLiteral("Abbruch, keine Änderung der Sprachkarteien"));

    cmdBack_ = new QPushButton(QStringLiteral("&Zurück"), this);
    cmdBack_->setObjectName(QStringLiteral("cmdBack"));
    cmdBack_->setToolTip(QStringLiteral("Zurückspringen zum Schritt 1"));
    cmdBack_->setEnabled(false);

    cmdOK_ = new QPushButton(QStringLiteral("&Weiter"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setToolTip(QStringLiteral("Weiter zum Schritt 2, oder Beenden der Sprachwahl"));
    cmdOK_->setDefault(true);

    connect(cmdCancel_, &QPushButton::clicked, this, &frmLanguage::reject);
    connect(cmdBack_, &QPushButton::clicked, this, &frmLanguage::cmdBack_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &frmLanguage::cmdOK_Click);

    setTabOrder(txtMother_, txtForeign_);
    setTabOrder(txtForeign_, cmdOK_);
    setTabOrder(cmdOK_, cmdBack_);
    setTabOrder(cmdBack_, cmdCancel_);

    placeControls();
    txtMother_->setFocus();
}

void frmLanguage::placeControls()
{
    setFixedSize(Twips::toPixels(kClient, this).size());
    Twips::place(frmStep1_, kStep1);
    Twips::place(lblHelp1_, kHelp1);
    Twips::place(txtMother_, kMother);
    Twips::place(frmStep2_, kStep2);
    Twips::place(lblHelp2_, kHelp2);
    Twips::place(txtForeign_, kForeign);
    Twips::place(cmdCancel_, kCancel);
    Twips::place(cmdBack_, kBack);
    Twips::place(cmdOK_, kOK);
}

QString frmLanguage::normaliseName(const QString &typed)
{
    const QString name = typed.trimmed();
    if (name.isEmpty())
        return name;
    return name.left(1).toUpper() + name.mid(1).toLower();
}

void frmLanguage::cmdOK_Click()
{
    // A name of nothing but blanks is no name either.
    if (step_ == 1) {
        if (txtMother_->text().trimmed().isEmpty()) {
            Msg::show(QStringLiteral("Sie haben keine Muttersprache angegeben!"), Msg::kAppTitle,
                      QMessageBox::NoIcon, QMessageBox::Ok, this);
            txtMother_->setFocus();
            return;
        }
        step_ = 2;
        txtMother_->setReadOnly(true);
        QPalette grey = txtMother_->palette();
        grey.setColor(QPalette::Base, kReadOnlyGrey);
        txtMother_->setPalette(grey);
        frmStep2_->setVisible(true);
        txtForeign_->setFocus();
        cmdOK_->setText(QStringLiteral("&Speichern"));
        cmdBack_->setEnabled(true);
        return;
    }

    if (txtForeign_->text().trimmed().isEmpty()) {
        Msg::show(QStringLiteral("Sie haben keine Fremdsprache angegeben!"), Msg::kAppTitle,
                  QMessageBox::NoIcon, QMessageBox::Ok, this);
        txtForeign_->setFocus();
        return;
    }
    // The foreign language also names the folder of its recordings, which
    // must lie in the working directory and nowhere else.
    if (!Catalogue::isFolderName(normaliseName(txtForeign_->text()))) {
        Msg::show(QStringLiteral("Der Name der Fremdsprache darf weder / noch \\ enthalten und nicht nur aus Punkten "
                                 "bestehen, denn er ist auch der Name des Ordners für ihre Tonaufnahmen."),
                  Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok, this);
        txtForeign_->setFocus();
        return;
    }
    result_.native = normaliseName(txtMother_->text());
    result_.foreign = normaliseName(txtForeign_->text());
    result_.table = QStringLiteral("t") + result_.foreign;
    AppState::instance().newPair = result_;
    accept();
}

void frmLanguage::reject()
{
    result_ = NewPair{};
    AppState::instance().newPair = result_;
    QDialog::reject();
}

void frmLanguage::cmdBack_Click()
{
    // Only the mother tongue becomes editable again; the second frame, the
    // grey background and the enabled button stay as they are, and a
    // further press in step 1 changes nothing.
    if (step_ != 2)
        return;
    step_ = 1;
    txtMother_->setReadOnly(false);
    txtMother_->setFocus();
    cmdOK_->setText(QStringLiteral("&Weiter"));
}
