// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/maintain/frmManage.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Appearance.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/RecordsetModel.h"
#include "ui/common/Windows.h"
#include "ui/maintain/CardList.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

QString countLabel(int fach, int count)
{
    return QStringLiteral("Vokabeln im Fach ") + QString::number(fach) + QStringLiteral(": ") + QString::number(count);
}

} // namespace

frmManage::frmManage(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmManage"));
    setWindowTitle(QStringLiteral("Verwalten von Vokabeln"));
    setModal(true);
    buildControls();
    load();
}

frmManage::~frmManage()
{
    // The views go before their models.
    lstSource->setModel(nullptr);
    lstDest->setModel(nullptr);
    delete sourceModel_;
    delete destModel_;
}

void frmManage::buildControls()
{
    auto makeButton = [this](const char *name, const QString &caption, const QString &tip) {
        return Controls::button(this, name, caption, tip);
    };

    frmSource = new QGroupBox(QStringLiteral("Entnahmefach"), this);
    frmSource->setObjectName(QStringLiteral("frmSource"));
    cboSource = new QComboBox(frmSource);
    cboSource->setObjectName(QStringLiteral("cboSource"));
    cboSource->setToolTip(QStringLiteral("Einstellen des Faches, dem Vokabeln entnommen werden sollen"));
    lstSource = CardList::makeView(this, "lstSource", QStringLiteral("zeigt die Vokabeln des Entnahmefaches"), 260, 300);
    lblSource = new QLabel(QStringLiteral("gesamter Wortschatz: "), frmSource);
    lblSource->setObjectName(QStringLiteral("lblSource"));
    auto *src = new QVBoxLayout(frmSource);
    src->addWidget(cboSource);
    src->addWidget(lstSource, 1);
    src->addWidget(lblSource);

    frmDest = new QGroupBox(QStringLiteral("Einfügen in "), this);
    frmDest->setObjectName(QStringLiteral("frmDest"));
    cboDest = new QComboBox(frmDest);
    cboDest->setObjectName(QStringLiteral("cboDest"));
    cboDest->setToolTip(QStringLiteral("Einstellen des Faches, in das Vokabeln eingefügt werden sollen."));
    lstDest = CardList::makeView(this, "lstDest", QStringLiteral("zeigt die Vokabeln des Einfügefachs"), 260, 300);
    lblDest = new QLabel(QStringLiteral("Vokabeln im Startfach: "), frmDest);
    lblDest->setObjectName(QStringLiteral("lblDest"));
    auto *dst = new QVBoxLayout(frmDest);
    dst->addWidget(cboDest);
    dst->addWidget(lstDest, 1);
    dst->addWidget(lblDest);

    btnAdd = makeButton("btnAdd", QStringLiteral(">"), QStringLiteral("ausgewählte Vokabeln einfügen"));
    btnAddAll = makeButton("btnAddAll", QStringLiteral(">>"), QStringLiteral("alle Vokabeln einfügen"));
    btnRemove = makeButton("btnRemove", QStringLiteral("<"), QStringLiteral("ausgewählte Vokabeln zuücklegen"));
    btnRemoveAll = makeButton("btnRemoveAll", QStringLiteral("<<"), QStringLiteral("alle Vokabeln zurücklegen"));
    for (QPushButton *b : {btnAdd, btnAddAll, btnRemove, btnRemoveAll}) {
        b->setEnabled(false);
        b->setFixedWidth(48);
    }

    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setToolTip(QStringLiteral("nach diesem Begriff wird gesucht"));
    txtSearch->installEventFilter(this);
    btnSearch = makeButton("btnSearch", QStringLiteral("&Suchen"), QStringLiteral("Starten der Suche"));
    btnSearch->setEnabled(false);
    btnHelp = makeButton("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfedialogs"));
    btnExit = makeButton("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Beenden des Verwalten-Dialoges"));

    connect(cboSource, &QComboBox::currentIndexChanged, this, &frmManage::cboSource_Click);
    connect(cboDest, &QComboBox::currentIndexChanged, this, &frmManage::cboDest_Click);
    CardList::onClick(lstSource, this, [this] { listClicked(Side::Source); });
    CardList::onClick(lstDest, this, [this] { listClicked(Side::Dest); });
    connect(lstSource, &QListView::doubleClicked, this, [this] { moveCards(Side::Source, false); });
    connect(lstDest, &QListView::doubleClicked, this, [this] { moveCards(Side::Dest, false); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { moveCards(Side::Source, false); });
    connect(btnAddAll, &QPushButton::clicked, this, [this] { moveCards(Side::Source, true); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { moveCards(Side::Dest, false); });
    connect(btnRemoveAll, &QPushButton::clicked, this, [this] { moveCards(Side::Dest, true); });
    connect(txtSearch, &QLineEdit::textChanged, this, &frmManage::txtSearch_Change);
    connect(btnSearch, &QPushButton::clicked, this, &frmManage::btnSearch_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("basis.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    auto *moves = new QVBoxLayout;
    moves->addStretch(1);
    for (QPushButton *b : {btnAdd, btnAddAll})
        moves->addWidget(b);
    moves->addSpacing(24);
    for (QPushButton *b : {btnRemove, btnRemoveAll})
        moves->addWidget(b);
    moves->addStretch(1);

    auto *lists = new QHBoxLayout;
    lists->addWidget(frmSource, 1);
    lists->addLayout(moves);
    lists->addWidget(frmDest, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(txtSearch, 1);
    bottom->addWidget(btnSearch);
    bottom->addSpacing(24);
    bottom->addWidget(btnHelp);
    bottom->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    resize(720, 520);
}

void frmManage::load()
{
    AppState &a = AppState::instance();
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + a.ForeignLanguage);
    if (a.ManagerFromPool) {
        cboSource->setVisible(false);
        cboDest->setVisible(false);
    }
    // Both lists show their lines in the foreign language's font.
    Appearance::apply(lstSource, Appearance::Language::Foreign, false);
    Appearance::apply(lstDest, Appearance::Language::Foreign, false);

    source_ = Fach::Pool;
    dest_ = Fach::Start;
    names_ = {QStringLiteral("Fach 0 (ungelernt)"), QStringLiteral("Fach 1 (Startfach)")};
    for (int i = Fach::Start + 1; i <= Fach::Last; ++i)
        names_ << QStringLiteral("Fach ") + QString::number(i);
    {
        const QSignalBlocker s(cboSource);
        const QSignalBlocker d(cboDest);
        // Cards move up from the source: the last compartment is no
        // source, the pool no destination.
        cboSource->addItems(names_.mid(Fach::Pool, Fach::Last));
        cboDest->addItems(names_.mid(Fach::Start, Fach::Last));
        cboSource->setCurrentIndex(0);
        cboDest->setCurrentIndex(0);
    }
    const int sourceCount = fillList(Side::Source);
    lblSource->setText(names_[source_] + QStringLiteral(": ") + QString::number(sourceCount));
    const int destCount = fillList(Side::Dest);
    lblDest->setText(names_[dest_] + QStringLiteral(": ") + QString::number(destCount));
    searchReset(false);
}

QListView *frmManage::listOf(Side side) const
{
    return side == Side::Source ? lstSource : lstDest;
}

RecordsetModel *&frmManage::modelOf(Side side)
{
    return side == Side::Source ? sourceModel_ : destModel_;
}

QLabel *frmManage::labelOf(Side side) const
{
    return side == Side::Source ? lblSource : lblDest;
}

QPushButton *frmManage::allButtonOf(Side side) const
{
    return side == Side::Source ? btnAddAll : btnRemoveAll;
}

void frmManage::dropList(Side side)
{
    // The view keeps every selection model it was given unless told.
    QItemSelectionModel *selection = listOf(side)->selectionModel();
    listOf(side)->setModel(nullptr);
    delete selection;
    delete modelOf(side);
    modelOf(side) = nullptr;
}

int frmManage::fillList(Side side)
{
    AppState &a = AppState::instance();
    const int fach = fachOf(side);
    dropList(side);
    int count = 0;
    Msg::guard(Msg::kAppTitle, [&] {
        a.SqlText = Records::countSql(fach);
        count = Records::countCompartment(fach);
        labelOf(side)->setText(countLabel(fach, count));
        allButtonOf(side)->setEnabled(count != 0);
        if (count == 0)
            return;
        a.SqlText = Records::managerListSql(fach);
        auto *model = new RecordsetModel(*a.Database, a.SqlText, {{QString(), RecordsetModel::joined({1, 2})}}, this);
        modelOf(side) = model;
        QListView *list = listOf(side);
        list->setModel(model);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, side](const QItemSelection &selected) {
                    if (!selected.isEmpty())
                        listClicked(side);
                });
    }, this);
    return count;
}

void frmManage::cboSource_Click(int index)
{
    if (index < 0)
        return;
    source_ = index;
    fillList(Side::Source);
    {
        const QSignalBlocker blocker(cboDest);
        cboDest->clear();
        cboDest->addItems(names_.mid(source_ + 1));
        cboDest->setCurrentIndex(0);
    }
    cboDest_Click(0);
    btnRemove->setEnabled(false);
}

void frmManage::cboDest_Click(int index)
{
    if (index < 0)
        return;
    dest_ = source_ + 1 + index;
    fillList(Side::Dest);
}

void frmManage::listClicked(Side side)
{
    if (selectionGuard_)
        return;
    if (side == Side::Source) {
        btnAdd->setEnabled(true);
        Controls::makeDefault(btnAdd);
        CardList::clearQuietly(lstDest, selectionGuard_);
        btnRemove->setEnabled(false);
    } else {
        btnRemove->setEnabled(true);
        Controls::makeDefault(btnRemove);
        CardList::clearQuietly(lstSource, selectionGuard_);
        btnAdd->setEnabled(false);
    }
}

void frmManage::moveCards(Side from, bool all)
{
    AppState &a = AppState::instance();
    std::optional<BusyCursor> hourglass(std::in_place);
    const Side to = from == Side::Source ? Side::Dest : Side::Source;
    const int target = fachOf(to);
    RecordsetModel *model = modelOf(from);

    QVector<std::int32_t> vnrs;
    if (model && all) {
        const int n = model->rowCount();
        vnrs.reserve(n);
        for (int r = 0; r < n; ++r)
            vnrs << std::int32_t(model->keyOfRow(r));
        // The list goes anyway; it need not hear of every card leaving it.
        dropList(from);
    } else if (model) {
        QList<int> rows;
        for (const QModelIndex &i : listOf(from)->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int r : rows)
            vnrs << std::int32_t(model->keyOfRow(r));
    }

    Records::MoveResult result;
    Msg::guard(Msg::kAppTitle, [&] { result = Records::moveCards(vnrs, target); }, this);
    if (result.notFound != 0) {
        const QString text = from == Side::Source
            ? QStringLiteral("Eintrag nicht gefunden!") + Msg::kCrLf + QStringLiteral("Vokabel nicht in Fach ")
                + QString::number(dest_) + QStringLiteral(" aufgenommen!")
            : QStringLiteral("Vokabel nicht gefunden!") + Msg::kCrLf + QStringLiteral("Vokabel nicht aus Fach ")
                + QString::number(dest_) + QStringLiteral(" entfernt!");
        hourglass.reset();
        Msg::show(text, Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok, this);
        // A whole list taken away shows again what is left of it.
        if (all)
            fillList(from);
        return;
    }

    // The side the cards left: its count, and its list without them.
    Msg::guard(Msg::kAppTitle, [&] {
        a.SqlText = Records::countSql(fachOf(from));
        labelOf(from)->setText(countLabel(fachOf(from), Records::countCompartment(fachOf(from))));
        if (all)
            dropList(from);
        else if (modelOf(from))
            modelOf(from)->refresh();
    }, this);
    fillList(to);
    searchReset(false);
    txtSearch->setFocus();
}

bool frmManage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearch && event->type() == QEvent::MouseButtonRelease)
        searchReset(false);
    return QDialog::eventFilter(watched, event);
}

void frmManage::searchReset(bool fromChange)
{
    searchPos_ = 0;
    if (!fromChange) {
        txtSearch->selectAll();
        Controls::makeDefault(btnSearch);
        btnAdd->setEnabled(false);
        btnRemove->setEnabled(false);
    }
    CardList::clearQuietly(lstSource, selectionGuard_);
    CardList::clearQuietly(lstDest, selectionGuard_);
}

void frmManage::txtSearch_Change()
{
    searchReset(true);
    if (!txtSearch->text().trimmed().isEmpty()) {
        btnSearch->setEnabled(true);
        Controls::makeDefault(btnSearch);
    } else {
        btnSearch->setEnabled(false);
        Controls::makeDefault(btnSearch, false);
    }
}

void frmManage::btnSearch_Click()
{
    const QString text = txtSearch->text();
    QVector<std::int32_t> hits;
    if (!Msg::guard(Msg::kAppTitle, [&] { hits = Records::lineStarts(source_, text); }, this))
        return;
    const std::int32_t found = CardList::nextHit(sourceModel_, hits, searchPos_, this);
    if (found == CardList::kDeclined)
        return;
    if (found < 0) {
        Msg::show(QStringLiteral("'") + text + QStringLiteral("' nicht gefunden."), Msg::kAppTitle,
                  QMessageBox::Information, QMessageBox::Ok, this);
        txtSearch->selectAll();
        return;
    }
    selectionGuard_ = true;
    lstSource->selectionModel()->select(sourceModel_->index(found, 0), QItemSelectionModel::ClearAndSelect);
    lstSource->scrollTo(sourceModel_->index(found, 0));
    selectionGuard_ = false;
    Controls::makeDefault(btnSearch, false);
    btnAdd->setEnabled(true);
    Controls::makeDefault(btnAdd);
}
