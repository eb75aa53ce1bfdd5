// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/wordlist/frmExport.h"

#include "core/AppState.h"
#include "core/Types.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Controls.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "wordlist/Export.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Wortliste exportieren");

struct FormatChoice
{
    const char *caption;
    WordList::Format format;
    const char *filter;
    const char *suffix;
};
const FormatChoice kFormats[] = {
    {"CSV für Tabellenkalkulation", WordList::Format::Csv, "CSV für Tabellenkalkulation (*.csv)", "csv"},
    {"Text mit Tabulatoren", WordList::Format::Tsv, "Text mit Tabulatoren (*.txt *.tsv)", "txt"},
};

} // namespace

frmExport::frmExport(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmExport"));
    setModal(true);
    setWindowTitle(kTitle);
    buildControls();
}

frmExport::~frmExport() = default;

void frmExport::buildControls()
{
    const AppState &a = AppState::instance();
    lblPaar = new QLabel(QStringLiteral("Sprachpaar: %1 – %2").arg(a.NativeLanguage, a.ForeignLanguage), this);
    lblPaar->setObjectName(QStringLiteral("lblPaar"));

    lblUmfang = new QLabel(QStringLiteral("&Umfang:"), this);
    lblUmfang->setObjectName(QStringLiteral("lblUmfang"));
    cboUmfang = new QComboBox(this);
    cboUmfang->setObjectName(QStringLiteral("cboUmfang"));
    cboUmfang->addItem(QStringLiteral("Alle Vokabeln"));
    for (int f = Fach::Pool; f <= Fach::Last; ++f)
        cboUmfang->addItem(QStringLiteral("Fach %1").arg(f));
    cboUmfang->setToolTip(QStringLiteral("Welche Vokabeln des Sprachpaars geschrieben werden"));
    lblUmfang->setBuddy(cboUmfang);

    lblFormat = new QLabel(QStringLiteral("&Format:"), this);
    lblFormat->setObjectName(QStringLiteral("lblFormat"));
    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    for (const FormatChoice &f : kFormats)
        cboFormat->addItem(QString::fromUtf8(f.caption));
    cboFormat->setToolTip(QStringLiteral("CSV öffnet eine Tabellenkalkulation so, wie sie ist; Text mit Tabulatoren "
                                         "lesen andere Programme"));
    lblFormat->setBuddy(cboFormat);

    btnExport = Controls::button(this, "btnExport", QStringLiteral("&Exportieren"),
                                 QStringLiteral("Die Vokabeln in eine Datei schreiben"));
    btnExport->setDefault(true);
    btnHelp = Controls::button(this, "btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"));
    btnCancel = Controls::button(this, "btnCancel", QStringLiteral("&Abbrechen"),
                                 QStringLiteral("Nichts schreiben und das Fenster schließen"));
    connect(btnExport, &QPushButton::clicked, this, &frmExport::btnExport_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("Export.rtf"), this); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(lblUmfang, 0, 0);
    grid->addWidget(cboUmfang, 0, 1);
    grid->addWidget(lblFormat, 1, 0);
    grid->addWidget(cboFormat, 1, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnExport, btnHelp, btnCancel})
        buttons->addWidget(b);

    auto *all = new QVBoxLayout(this);
    all->addWidget(lblPaar);
    all->addLayout(grid);
    all->addStretch(1);
    all->addLayout(buttons);
    // Two choices and three buttons: nothing would gain from more room.
    all->setSizeConstraint(QLayout::SetFixedSize);
}

void frmExport::btnExport_Click()
{
    const AppState &a = AppState::instance();
    const FormatChoice &format = kFormats[cboFormat->currentIndex()];
    const QString suggested = QDir::homePath() + QLatin1Char('/') + a.ForeignLanguage + QLatin1Char('.')
        + QLatin1String(format.suffix);
    QString path = Dialogs::saveFile(kTitle, suggested, QString::fromUtf8(format.filter), this);
    if (path.isEmpty())
        return;
    // A name without an ending gets the format's, so the file opens with
    // the right program.
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + QLatin1String(format.suffix);
    const int compartment = cboUmfang->currentIndex() - 1; // "Alle Vokabeln" first
    std::int64_t written = 0;
    const bool done = Msg::guard(kTitle, [&] {
        BusyCursor busy;
        written = WordList::exportFile(path, compartment, format.format);
    }, this);
    if (!done)
        return;
    Msg::show(QStringLiteral("%1 Vokabeln exportiert").arg(written), kTitle, QMessageBox::NoIcon, QMessageBox::Ok, this);
    accept();
}
