// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/browse/frmTable.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "store/Engine.h"
#include "ui/common/Guard.h"
#include "ui/common/RecordsetModel.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

#include <algorithm>

namespace {

// The list's columns: the field each shows and its share of the list's
// width in percent. The shares leave a twentieth of the width free, room
// for the scroll bar.
struct ColumnDef
{
    const char *field;
    int share;
};
constexpr ColumnDef kColumns[5] = {{"VNr", 5}, {"FVok", 10}, {"MVok", 10}, {"FSatz", 35}, {"MSatz", 35}};

constexpr int kInitialColumnWidth = 2000;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kMargin = 20;    // around the buttons
constexpr int kListGap = 40;   // between the list and the buttons' row
constexpr Twips::Rect kWindow{0, 0, 12000, 6600};

QStringList headings()
{
    const AppState &a = AppState::instance();
    return {QStringLiteral("Nr"), a.ForeignLanguage, a.NativeLanguage, QStringLiteral("Satz ") + a.ForeignLanguage,
            QStringLiteral("Satz ") + a.NativeLanguage};
}

} // namespace

frmTable::frmTable(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmTable"));
    setModal(true);
    buildControls();
    load();
}

frmTable::~frmTable() = default;

QString frmTable::numberText(std::int64_t vnr)
{
    return vnr < 0 ? QString::number(vnr) : QStringLiteral(" ") + QString::number(vnr);
}

void frmTable::buildControls()
{
    lstView = new QTableView(this);
    lstView->setObjectName(QStringLiteral("lstView"));
    lstView->setToolTip(QStringLiteral("tabellarische Anzeige aller Vokabeln eines Faches"));
    lstView->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstView->setSelectionMode(QAbstractItemView::SingleSelection);
    lstView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstView->setShowGrid(false);
    lstView->setWordWrap(false);
    lstView->setTabKeyNavigation(false);
    lstView->verticalHeader()->hide();
    // Every line one text line high, never measured: a compartment of a
    // hundred thousand cards must not be read to lay the list out.
    lstView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstView->verticalHeader()->setDefaultSectionSize(lstView->fontMetrics().height() + 4);
    lstView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lstView->horizontalHeader()->setHighlightSections(false);
    lstView->horizontalHeader()->setStretchLastSection(false);
    // The shares hold however narrow the window gets.
    lstView->horizontalHeader()->setMinimumSectionSize(1);

    auto makeButton = [this](const char *name, const QString &caption, const QString &tip) {
        QPushButton *b = Controls::button(this, name, caption, tip);
        b->resize(Twips::x(kButtonWidth, this), Twips::y(kButtonHeight, this));
        return b;
    };
    btnHelp = makeButton("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"));
    btnExit = makeButton("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Beenden der tabellarischen Übersicht"));
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("Table.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::accept);

    setMinimumSize(Twips::x(2 * (kButtonWidth + kMargin) + 600, this), Twips::y(kButtonHeight + 1500, this));
    resize(Twips::x(kWindow.width, this), Twips::y(kWindow.height, this));
}

void frmTable::load()
{
    const AppState &a = AppState::instance();
    const auto rs = a.CompartmentRecordset;
    // A recordset that cannot be counted is reported and shows as empty.
    Msg::guard(Msg::kAppTitle, [&] {
        if (!rs)
            return;
        rs->moveLast();
        count_ = rs->recordCount();
    }, this);
    setWindowTitle(QStringLiteral("Übersicht Fach ") + QString::number(a.CurrentFach) + QStringLiteral(": ")
                   + QString::number(count_) + QStringLiteral(" Vokabeln"));

    const QStringList heads = headings();
    if (rs) {
        const QStringList fields = rs->fieldNames();
        QList<RecordsetModel::Column> columns;
        for (int i = 0; i < 5; ++i) {
            // A field the table lacks gives empty cells, as a missing value does.
            const int pos = int(fields.indexOf(QLatin1String(kColumns[i].field)));
            RecordsetModel::Format text;
            if (i == 0)
                text = [pos](const QVariantList &v) {
                    const QVariant n = v.value(pos);
                    return n.isNull() ? QString() : numberText(n.toLongLong());
                };
            else
                text = [pos](const QVariantList &v) {
                    const QVariant s = v.value(pos);
                    return s.isNull() ? QString() : s.toString();
                };
            columns << RecordsetModel::Column{heads[i], text};
        }
        model_ = new RecordsetModel(rs, columns, this);
        lstView->setModel(model_);
        Msg::guard(Msg::kAppTitle, [&] { rs->moveFirst(); }, this);
    } else {
        auto *empty = new QStandardItemModel(0, 5, this);
        empty->setHorizontalHeaderLabels(heads);
        lstView->setModel(empty);
    }
    for (int i = 0; i < 5; ++i)
        lstView->setColumnWidth(i, Twips::x(kInitialColumnWidth, this));
    layOut();
}

void frmTable::layOut()
{
    const int w = width();
    const int h = height();
    lstView->setGeometry(0, 0, w, std::max(0, h - btnExit->height() - Twips::y(kListGap, this)));
    const float listWidth = float(lstView->width());
    for (int i = 0; i < 5; ++i)
        lstView->setColumnWidth(i, int(listWidth * float(kColumns[i].share) / 100.0f));
    const int mx = Twips::x(kMargin, this);
    const int my = Twips::y(kMargin, this);
    btnHelp->move(w - 2 * (btnHelp->width() + mx), h - btnHelp->height() - my);
    btnExit->move(w - btnExit->width() - mx, h - btnExit->height() - my);
}

void frmTable::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layOut();
}

void frmTable::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    lstView->setFocus();
}

void frmTable::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        lstView->setFocus();
}
