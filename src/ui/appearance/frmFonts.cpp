// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/appearance/frmFonts.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "core/Types.h"
#include "store/Settings.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSample = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
// What a language falls back to when the learner declines a font that
// cannot be printed.
const QString kFallback = QStringLiteral("MS Sans Serif");

} // namespace

frmFonts::frmFonts(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmFonts"));
    setWindowTitle(QStringLiteral("Bildschirm- und Drucker-Fonts"));
    setModal(true);

    lblHelp = new QLabel(this);
    lblHelp->setObjectName(QStringLiteral("lblHelp"));
    // The label breaks at CR LF like any other line break.
    lblHelp->setText(QStringLiteral("Wählen Sie jeweils für die Muttersprache und ") + Msg::kCrLf
                     + QStringLiteral("für die Fremdsprache einen Font aus.") + Msg::kCrLf + Msg::kCrLf
                     + QStringLiteral("Beim Auswählen werden Ihre Einstellungen gespeichert."));

    Label1 = new QLabel(QStringLiteral("Bildschirm Fonts"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    lstSFonts = new QListWidget(this);
    lstSFonts->setObjectName(QStringLiteral("lstSFonts"));
    lstSFonts->setToolTip(QStringLiteral("Liste der auf Ihrem System verfügbaren Fonts"));
    lstSFonts->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSFonts->setMinimumWidth(220);

    lblAktuell = new QLabel(this);
    lblAktuell->setObjectName(QStringLiteral("lblAktuell"));
    txtAktuell = new QLineEdit(kSample, this);
    txtAktuell->setObjectName(QStringLiteral("txtAktuell"));
    txtAktuell->setToolTip(QStringLiteral("der Font, der aus der Fonts-Liste ausgewählt wurde"));

    auto makeFrame = [this](Side &side, const char *frameName, const char *sampleName, const QString &sampleTip,
                            QPushButton *wahl, QPushButton *colour) {
        side.frame = new QGroupBox(this);
        side.frame->setObjectName(QString::fromLatin1(frameName));
        side.sample = new QLabel(kSample, side.frame);
        side.sample->setObjectName(QString::fromLatin1(sampleName));
        side.sample->setToolTip(sampleTip);
        side.sample->setMinimumHeight(36);
        wahl->setParent(side.frame);
        colour->setParent(side.frame);
        auto *grid = new QGridLayout(side.frame);
        grid->addWidget(side.sample, 0, 0, 1, 2);
        grid->addWidget(wahl, 1, 0);
        grid->addWidget(colour, 1, 1);
    };
    btnMWahl = Controls::button(this, "btnMWahl", QStringLiteral("Font &Wählen"),
                      QStringLiteral("Speichert die ausgewählte Schrift für die Muttersprachen"));
    btnMColor = Controls::button(this, "btnMColor", QStringLiteral("&Farbe wählen"),
                       QStringLiteral("hier wählen Sie die Anzeige- und Druck-Farbe für Vokabeln in der Muttersprache"));
    btnFWahl = Controls::button(this, "btnFWahl", QStringLiteral("Font Wähle&n"),
                      QStringLiteral("Speichert die ausgewählte Schrift für dei Fremdworte"));
    btnFColor = Controls::button(this, "btnFColor", QStringLiteral("Far&be wählen"),
                       QStringLiteral("hier wählen Sie die Farbe mit der die Fremdworte angezeigt und gedruckt werden."));
    makeFrame(mother_, "MFrame", "lblMFont",
              QStringLiteral("mit dieser Schrift werden Ihre Vokabeln angezeigt bzw. ausgedruckt"), btnMWahl, btnMColor);
    makeFrame(foreign_, "FFrame", "lblFFont",
              QStringLiteral("Mit dieser Schrift werden Ihre Vokabeln angezeigt bzw. ausgedruckt."), btnFWahl, btnFColor);

    cmdExit = Controls::button(this, "cmdExit", QStringLiteral("Be&enden"), QStringLiteral("Beendet die Auswahl der Schriften"));
    cmdExit->setDefault(true);

    auto *left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addWidget(lstSFonts, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(lblHelp);
    right->addWidget(lblAktuell);
    right->addWidget(txtAktuell);
    right->addWidget(mother_.frame);
    right->addWidget(foreign_.frame);
    right->addStretch(1);
    auto *exitRow = new QHBoxLayout;
    exitRow->addStretch(1);
    exitRow->addWidget(cmdExit);
    right->addLayout(exitRow);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);

    connect(lstSFonts, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    connect(btnMWahl, &QPushButton::clicked, this, [this] { takeFont(mother_); });
    connect(btnFWahl, &QPushButton::clicked, this, [this] { takeFont(foreign_); });
    connect(btnMColor, &QPushButton::clicked, this, [this] { chooseColour(mother_); });
    connect(btnFColor, &QPushButton::clicked, this, [this] { chooseColour(foreign_); });
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::accept);

    lstSFonts->addItems(Appearance::screenFonts());
    if (lstSFonts->count() > 0)
        lstSFonts->setCurrentRow(0);
    showSelected();
    showSide(mother_);
    showSide(foreign_);
    resize(620, 420);
}

void frmFonts::showSelected()
{
    const QListWidgetItem *item = lstSFonts->currentItem();
    const QString name = item ? item->text() : QString();
    lblAktuell->setText(QStringLiteral("aktueller Font: ") + name);
    QFont f = txtAktuell->font();
    f.setFamilies({name});
    txtAktuell->setFont(f);
}

void frmFonts::showSide(Side &side)
{
    side.frame->setTitle(side.frameCaption + Appearance::fontName(side.language));
    Appearance::apply(side.sample, side.language);
}

void frmFonts::takeFont(Side &side)
{
    const QListWidgetItem *item = lstSFonts->currentItem();
    if (!item)
        return;
    const QString selected = item->text();
    QString chosen = selected;
    if (!Appearance::printerFonts().contains(selected, Qt::CaseSensitive)) {
        const auto answer = Msg::show(
            QStringLiteral("Kein zugehöriger Printer Font vorhanden. Soll der Font dennoch übernommen werden?"),
            Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        if (answer != QMessageBox::Yes)
            chosen = kFallback;
    }
    AppState &a = AppState::instance();
    (side.language == Appearance::Language::Foreign ? a.FremdFont : a.MutterFont) = chosen;
    Msg::guard(Msg::kAppTitle, [] { Settings::SaveSettings(); }, this);
    showSide(side);
}

void frmFonts::chooseColour(Side &side)
{
    const auto chosen = Dialogs::colour(Appearance::colour(side.language), this);
    if (!chosen)
        return;
    AppState &a = AppState::instance();
    (side.language == Appearance::Language::Foreign ? a.FremdColor : a.MutterColor) = Colour::encode(*chosen);
    Msg::guard(Msg::kAppTitle, [] { Settings::SaveSettings(); }, this);
    showSide(side);
}
