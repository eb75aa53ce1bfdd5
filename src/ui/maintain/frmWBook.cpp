// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/maintain/frmWBook.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/RecordsetModel.h"
#include "ui/common/Windows.h"
#include "ui/maintain/CardList.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

} // namespace

frmWBook::frmWBook(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmWBook"));
    setWindowTitle(QStringLiteral("Wörterbuch"));
    setModal(true);
    buildControls();
    load();
}

frmWBook::~frmWBook()
{
    List1->setModel(nullptr);
    delete model_;
}

void frmWBook::buildControls()
{
    auto makeButton = [this](const char *name, const QString &caption, const QString &tip) {
        return Controls::button(this, name, caption, tip);
    };
    Label1 = new QLabel(QStringLiteral("Welches Wort suchen Sie?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Sie können nach Fremdworten oder nach deutschen Begriffen suchen lassen."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setToolTip(QStringLiteral("Eingabe des gesuchten Wortes"));
    txtSearch->installEventFilter(this);
    btnSearch = makeButton("btnSearch", QStringLiteral("&Suchen"), QStringLiteral("Starten der Suche"));
    btnSearch->setEnabled(false);

    List1 = CardList::makeView(this, "List1", QStringLiteral("Auflistung aller Vokabeln mit Angabe des Faches"), 440, 320);
    CardList::onClick(List1, this, [this] { List1_Click(); });

    btnChange = makeButton("btnChange", QStringLiteral("&Ändern"), QStringLiteral("Ändern der gewählten Vokabel (Nachvertonung!)"));
    btnDelete = makeButton("btnDelete", QStringLiteral("&Löschen"), QStringLiteral("Löschen der gewählten Vokabel"));
    btnHelp = makeButton("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"));
    btnExit = makeButton("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Beenden des Wörterbuch-fensters"));
    btnChange->setEnabled(false);
    btnDelete->setEnabled(false);

    connect(txtSearch, &QLineEdit::textChanged, this, &frmWBook::txtSearch_Change);
    connect(btnSearch, &QPushButton::clicked, this, &frmWBook::btnSearch_Click);
    connect(btnChange, &QPushButton::clicked, this, &frmWBook::btnChange_Click);
    connect(btnDelete, &QPushButton::clicked, this, &frmWBook::btnDelete_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("wbook.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    auto *search = new QHBoxLayout;
    search->addWidget(txtSearch, 1);
    search->addWidget(btnSearch);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {btnChange, btnDelete})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton *b : {btnHelp, btnExit})
        buttons->addWidget(b);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 1, 0, 1, 2);
    grid->addLayout(search, 2, 0);
    grid->addWidget(List1, 3, 0);
    grid->addLayout(buttons, 3, 1);
    grid->setRowStretch(3, 1);
    resize(620, 520);
}

QString frmWBook::entries(int n) const
{
    return AppState::instance().ForeignLanguage + QStringLiteral(" enthält ") + QString::number(n)
        + (n == 1 ? QStringLiteral(" Eintrag") : QStringLiteral(" Einträge"));
}

int frmWBook::countCards()
{
    const AppState &a = AppState::instance();
    count_ = 0;
    Msg::guard(Msg::kAppTitle, [&] {
        if (a.TableRecordset)
            count_ = a.TableRecordset->recordCount();
    }, this);
    return count_;
}

void frmWBook::load()
{
    AppState &a = AppState::instance();
    setWindowTitle(entries(countCards()));
    Msg::guard(Msg::kAppTitle, [&] {
        if (!a.Database)
            throw store::Error(QStringLiteral("Die Datenbank ist nicht geöffnet."));
        model_ = new RecordsetModel(*a.Database, Records::dictionarySql(),
                                    {{QString(), RecordsetModel::joined({1, 2, 3}, QStringLiteral(" "))}}, this);
        List1->setModel(model_);
        connect(List1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this](const QItemSelection &chosen) {
                    if (!chosen.isEmpty())
                        List1_Click();
                });
    }, this);
    searchReset(false);
}

void frmWBook::List1_Click()
{
    if (selectionGuard_)
        return;
    btnChange->setEnabled(true);
    btnDelete->setEnabled(true);
}

bool frmWBook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearch && event->type() == QEvent::MouseButtonRelease)
        searchReset(false);
    return QDialog::eventFilter(watched, event);
}

bool frmWBook::selected(int &row, std::int32_t &vnr) const
{
    if (!model_ || !List1->selectionModel())
        return false;
    const QModelIndexList rows = List1->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return false;
    row = rows.first().row();
    vnr = std::int32_t(model_->keyOfRow(row));
    return true;
}

void frmWBook::searchReset(bool fromChange)
{
    searchPos_ = 0;
    if (!fromChange)
        txtSearch->selectAll();
    btnSearch->setDefault(true);
    int row = 0;
    std::int32_t vnr = 0;
    if (selected(row, vnr)) {
        selectionGuard_ = true;
        btnDelete->setEnabled(false);
        btnChange->setEnabled(false);
        selectionGuard_ = false;
        CardList::clearQuietly(List1, selectionGuard_);
    }
}

void frmWBook::txtSearch_Change()
{
    searchReset(true);
    btnSearch->setEnabled(!txtSearch->text().trimmed().isEmpty() && count_ != 0);
}

void frmWBook::btnSearch_Click()
{
    const QString text = txtSearch->text();
    QVector<std::int32_t> hits;
    if (!Msg::guard(Msg::kAppTitle, [&] { hits = Records::wordStarts(text); }, this))
        return;
    const std::int32_t found = CardList::nextHit(model_, hits, searchPos_, this);
    if (found == CardList::kDeclined)
        return;
    if (found < 0) {
        Msg::show(text + QStringLiteral(" nicht vorhanden!"), Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok,
                  this);
        txtSearch->selectAll();
        return;
    }
    const QModelIndex line = model_->index(found, 0);
    List1->selectionModel()->select(line, QItemSelectionModel::ClearAndSelect);
    List1->scrollTo(line);
    btnChange->setEnabled(true);
    txtSearch->selectAll();
}

bool frmWBook::goToCard(std::int32_t vnr, VocabularyRecord *card)
{
    AppState &a = AppState::instance();
    bool found = false;
    if (!Msg::guard(Msg::kAppTitle, [&] {
            found = a.TableRecordset && Records::seekCard(*a.TableRecordset, vnr);
            if (found && card)
                *card = Records::readCard(*a.TableRecordset);
        }, this))
        return false;
    if (!found)
        Msg::show(QStringLiteral("Vokabel nicht gefunden!"), Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok,
                  this);
    return found;
}

void frmWBook::btnChange_Click()
{
    AppState &a = AppState::instance();
    int row = 0;
    std::int32_t vnr = -1;
    if (!selected(row, vnr) || vnr < 0)
        return;
    a.EditVNr = vnr;
    a.EditMode = true;
    Windows::open(Windows::Kind::Entry, this);
    a.EditMode = false;
    if (!goToCard(vnr))
        return;
    // The card's line as it now stands, at its sorted place.
    Msg::guard(Msg::kAppTitle, [&] {
        if (model_)
            model_->refresh();
    }, this);
    btnChange->setEnabled(false);
    btnDelete->setEnabled(false);
}

void frmWBook::btnDelete_Click()
{
    AppState &a = AppState::instance();
    int row = 0;
    std::int32_t vnr = -1;
    if (!selected(row, vnr) || vnr < 0)
        return;
    VocabularyRecord card;
    if (!goToCard(vnr, &card))
        return;
    const QString question = QStringLiteral("Möchten Sie den Eintrag: ") + Msg::kCrLf + Msg::kCrLf + card.FVok
        + QStringLiteral(" - ") + card.MVok + Msg::kCrLf + card.FSatz + Msg::kCrLf + card.MSatz + Msg::kCrLf + Msg::kCrLf
        + QStringLiteral("wirklich löschen?");
    const auto answer = Msg::show(question, QStringLiteral("Löschen"), QMessageBox::NoIcon,
                                  QMessageBox::Yes | QMessageBox::No, this);
    // No line stays chosen, whatever the answer: a deleted line must not
    // hand its highlight to the next one while both buttons go off.
    CardList::clearQuietly(List1, selectionGuard_);
    if (answer == QMessageBox::Yes) {
        // The list hears of the deletion and drops the line itself.
        Msg::guard(Msg::kAppTitle, [&] {
            Records::deleteCard(vnr);
            a.TableRecordset->moveLast();
        }, this);
    }
    btnChange->setEnabled(false);
    btnDelete->setEnabled(false);
    setWindowTitle(QStringLiteral("Wörterbuch ") + entries(countCards()));
}
