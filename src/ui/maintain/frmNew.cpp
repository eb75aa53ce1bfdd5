// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/maintain/frmNew.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Appearance.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

bool blank(const QLineEdit *box)
{
    return box->text().trimmed().isEmpty();
}

// An empty text is stored as empty text, never as a missing value.
QString asStored(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// The longest text a field of the current table takes; `fallback` when the
// table cannot tell.
int fieldSize(const QString &field, int fallback)
{
    const AppState &a = AppState::instance();
    int size = fallback;
    if (a.Database)
        Msg::guard([&] {
            const store::TableDef def = a.Database->tableDef(a.CurrentTable);
            if (const store::FieldDef *f = def.field(field); f && f->type == store::FieldType::Text && f->size > 0)
                size = f->size;
        });
    return size;
}

} // namespace

frmNew::frmNew(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmNew"));
    setWindowTitle(QStringLiteral("Neue Vokabeln eingeben"));
    setModal(true);
    buildControls();
    load();
}

void frmNew::buildControls()
{
    auto makeBox = [this](const char *name, const QString &tip, int maxLength) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(tip);
        box->setMaxLength(maxLength);
        return box;
    };
    // Typing stops at the size of the field, so a save never fails for a
    // text that is too long.
    txtIVok = makeBox("txtIVok", QStringLiteral("Geben Sie in dieses Feld das Fremdwort ein"), fieldSize(QStringLiteral("FVok"), 50));
    txtISatz = makeBox("txtISatz", QStringLiteral("Hier können Sie einen Satz in der Fremdsprache eingeben"),
                       fieldSize(QStringLiteral("FSatz"), 200));
    txtDVok = makeBox("txtDVok", QStringLiteral("Geben Sie hier das deutsche Wort ein"), fieldSize(QStringLiteral("MVok"), 50));
    txtDSatz = makeBox("txtDSatz", QStringLiteral("Hier können Sie einen deutschen Beispielsatz eingeben"),
                       fieldSize(QStringLiteral("MSatz"), 200));

    frmFremd = new QGroupBox(QStringLiteral(" Wort und Beispielsatz in der Fremdsprache "), this);
    frmFremd->setObjectName(QStringLiteral("frmFremd"));
    auto *fremd = new QVBoxLayout(frmFremd);
    fremd->addWidget(txtIVok);
    fremd->addWidget(txtISatz);

    frmMutter = new QGroupBox(QStringLiteral(" Wort und Beispielsatz in der Muttersprache "), this);
    frmMutter->setObjectName(QStringLiteral("frmMutter"));
    auto *mutter = new QVBoxLayout(frmMutter);
    mutter->addWidget(txtDVok);
    mutter->addWidget(txtDSatz);

    frmArtikel = new QGroupBox(QStringLiteral("Artikel"), this);
    frmArtikel->setObjectName(QStringLiteral("frmArtikel"));
    frmArtikel->setToolTip(QStringLiteral("Klicken Sie hier den gewünschten Artikel"));
    auto makeOption = [this](const char *name, const QString &caption) {
        auto *opt = new QRadioButton(caption, frmArtikel);
        opt->setObjectName(QLatin1String(name));
        return opt;
    };
    optm = makeOption("optm", QStringLiteral(" m"));
    optf = makeOption("optf", QStringLiteral(" f"));
    optmf = makeOption("optmf", QStringLiteral("m/f"));
    optohne = makeOption("optohne", QStringLiteral("ohne"));
    auto *artikel = new QVBoxLayout(frmArtikel);
    for (QRadioButton *o : {optm, optf, optmf, optohne})
        artikel->addWidget(o);

    chkSound = new QCheckBox(QStringLiteral("mit Sound- Aufnahme"), this);
    chkSound->setObjectName(QStringLiteral("chkSound"));
    chkSound->setToolTip(QStringLiteral("Wenn Sie Ihre Vokabeln vertonen möchten, kreuzen Sie bitte dieses Feld an."));

    auto makeButton = [this](const char *name, const QString &caption, const QString &tip) {
        return Controls::button(this, name, caption, tip);
    };
    cmdSearch = makeButton("cmdSearch", QStringLiteral("&Suchen"), QStringLiteral("sucht nach dem Fremdwort im ganzen Karteikasten"));
    btnSave = makeButton("btnSave", QStringLiteral("S&peichern"), QStringLiteral("speichert die eingegebenen Vokabeln"));
    btnHelp = makeButton("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"));
    btnExit = makeButton("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Beenden der Vokabel-Eingabe / Änderung"));
    cmdSearch->setVisible(false);
    cmdSearch->setEnabled(false);
    btnSave->setEnabled(false);

    connect(txtIVok, &QLineEdit::textChanged, this, &frmNew::txtIVok_Change);
    connect(txtDVok, &QLineEdit::textChanged, this, &frmNew::txtDVok_Change);
    connect(cmdSearch, &QPushButton::clicked, this, &frmNew::cmdSearch_Click);
    connect(btnSave, &QPushButton::clicked, this, &frmNew::btnSave_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmNew::btnHelp_Click);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    auto *side = new QVBoxLayout;
    side->addWidget(frmArtikel);
    side->addStretch(1);

    auto *grid = new QGridLayout;
    grid->addWidget(frmFremd, 0, 0);
    grid->addWidget(frmMutter, 1, 0);
    grid->addLayout(side, 0, 1, 2, 1);
    grid->addWidget(chkSound, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdSearch);
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnHelp);
    buttons->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    setTabOrder(txtIVok, txtISatz);
    setTabOrder(txtISatz, txtDVok);
    setTabOrder(txtDVok, txtDSatz);
    setTabOrder(txtDSatz, optm);
    setTabOrder(optm, chkSound);
    setTabOrder(chkSound, cmdSearch);
    setTabOrder(cmdSearch, btnSave);
    setTabOrder(btnSave, btnHelp);
    setTabOrder(btnHelp, btnExit);

    resize(620, sizeHint().height());
}

void frmNew::load()
{
    AppState &a = AppState::instance();
    editMode_ = a.EditMode;

    Appearance::apply(txtIVok, Appearance::Language::Foreign);
    Appearance::apply(txtISatz, Appearance::Language::Foreign);
    Appearance::apply(txtDVok, Appearance::Language::Native);
    Appearance::apply(txtDSatz, Appearance::Language::Native);

    frmFremd->setTitle(a.ForeignLanguage);
    frmMutter->setTitle(a.NativeLanguage);
    if (a.ForeignLanguage == QLatin1String("Englisch"))
        frmArtikel->setVisible(false);
    optohne->setChecked(true);

    if (editMode_) {
        chkSound->setText(QStringLiteral("Nachvertonung bzw. Sound ändern"));
        setWindowTitle(QStringLiteral("Ändern von Vokabeln"));
        vnr_ = a.EditVNr;
        VocabularyRecord card;
        const bool looked = Msg::guard(Msg::kAppTitle, [&] {
            const auto rs = a.TableRecordset;
            found_ = rs && Records::seekCard(*rs, vnr_);
            if (found_)
                card = Records::readCard(*rs);
        }, this);
        if (looked && !found_) {
            Msg::show(QStringLiteral("Vokabel nicht gefunden!"), Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok,
                      this);
            return;
        }
        if (found_) {
            txtDVok->setText(card.MVok);
            txtDSatz->setText(card.MSatz);
            txtIVok->setText(card.FVok);
            txtISatz->setText(card.FSatz);
            for (QLineEdit *box : {txtIVok, txtISatz, txtDVok, txtDSatz})
                box->setCursorPosition(0);
            if (card.Artikel == QLatin1String("m"))
                optm->setChecked(true);
            else if (card.Artikel == QLatin1String("f"))
                optf->setChecked(true);
            else if (card.Artikel == QLatin1String("m/f"))
                optmf->setChecked(true);
        }
    } else {
        chkSound->setText(QStringLiteral("Vertonung bzw. Sound aufnehmen"));
        cmdSearch->setVisible(true);
        setWindowTitle(QStringLiteral("Neue Vokabeln eingeben"));
    }
    btnExit->setText(editMode_ ? QStringLiteral("&Abbrechen") : QStringLiteral("&Beenden"));
}

void frmNew::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    txtIVok->setFocus();
}

void frmNew::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        txtIVok->setFocus();
}

void frmNew::txtIVok_Change()
{
    if (!blank(txtIVok)) {
        Controls::makeDefault(cmdSearch);
        cmdSearch->setEnabled(true);
    } else {
        cmdSearch->setEnabled(false);
        Controls::makeDefault(cmdSearch, false);
    }
    if (!blank(txtIVok) && !blank(txtDVok)) {
        Controls::makeDefault(btnSave);
        btnSave->setEnabled(true);
    } else {
        btnSave->setEnabled(false);
    }
}

void frmNew::txtDVok_Change()
{
    if (!blank(txtIVok) && !blank(txtDVok)) {
        Controls::makeDefault(btnSave);
        btnSave->setEnabled(true);
    } else {
        btnSave->setEnabled(false);
        Controls::makeDefault(cmdSearch);
    }
}

void frmNew::cmdSearch_Click()
{
    AppState &a = AppState::instance();
    const QString word = txtIVok->text();
    bool found = false;
    int fach = Fach::Pool;
    QString native;
    const bool looked = Msg::guard(Msg::kAppTitle, [&] {
        const auto rs = a.TableRecordset;
        if (!rs)
            throw store::Error(QStringLiteral("Kein aktueller Datensatz."));
        rs->setIndex(QStringLiteral("FVok"));
        rs->seek(QStringLiteral("="), word);
        found = !rs->noMatch();
        if (found) {
            fach = rs->value(QStringLiteral("Fach")).toInt();
            native = rs->text(QStringLiteral("MVok"));
        }
    }, this);
    if (!looked)
        return;
    if (!found) {
        Msg::show(QStringLiteral("'") + word + QStringLiteral("' ist nicht vorhanden!"), Msg::kAppTitle,
                  QMessageBox::NoIcon, QMessageBox::Ok, this);
        return;
    }
    const QString where = fach == Fach::Pool ? QStringLiteral("ist bereits im Fach 0 (ungelernte Vokabeln)")
                                    : QStringLiteral("ist bereits im Fach ") + QString::number(fach);
    Msg::show(word + QStringLiteral(" - ") + native + Msg::kCrLf + where, QStringLiteral("Vokabel vorhanden"),
              QMessageBox::NoIcon, QMessageBox::Ok, this);
}

QString frmNew::article() const
{
    if (optm->isChecked())
        return QStringLiteral("m");
    if (optf->isChecked())
        return QStringLiteral("f");
    if (optmf->isChecked())
        return QStringLiteral("m/f");
    return QStringLiteral("");
}

bool frmNew::storeCard()
{
    AppState &a = AppState::instance();
    return Msg::guard(Msg::kAppTitle, [&] {
        if (!a.TableRecordset)
            throw store::Error(QStringLiteral("Kein aktueller Datensatz."));
        VocabularyRecord card;
        card.Artikel = article();
        card.FVok = txtIVok->text();
        card.MVok = txtDVok->text();
        card.FSatz = asStored(txtISatz->text());
        card.MSatz = asStored(txtDSatz->text());
        if (editMode_) {
            // Only the card itself may be changed: a card that was not
            // there at loading, or has gone since, leaves every other card
            // alone.
            if (!found_)
                throw store::Error(QStringLiteral("Kein aktueller Datensatz."));
            card.VNr = vnr_;
            Records::saveCard(card);
        } else {
            card.Fach = Fach::Start;
            card.gewusst = 0;
            card.VNr = Records::addCard(card);
        }
        a.EditVNr = card.VNr;
    }, this);
}

void frmNew::btnSave_Click()
{
    if (!storeCard())
        return;
    if (chkSound->isChecked())
        Windows::open(Windows::Kind::Recording, this);
    if (editMode_) {
        accept();
        return;
    }
    for (QLineEdit *box : {txtIVok, txtISatz, txtDVok, txtDSatz})
        box->clear();
    txtIVok->setFocus();
    optohne->setChecked(true);
}

void frmNew::btnHelp_Click()
{
    Windows::showHelp(editMode_ ? QStringLiteral("Change.rtf") : QStringLiteral("Neuwort.rtf"), this);
}

void frmNew::done(int result)
{
    AppState &a = AppState::instance();
    // The opener reads the card from the table as it stands now.
    if (a.TableRecordset)
        Msg::guard(Msg::kAppTitle, [&] { Records::seekCard(*a.TableRecordset, a.EditVNr); }, this);
    QDialog::done(result);
}
