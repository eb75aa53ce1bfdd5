// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/print/frmPrint.h"
#include "ui/common/AltKeys.h"

#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "print/CardPrint.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/common/Appearance.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Pixels of the page preview per millimetre of the sheet.
constexpr qreal kPreviewScale = 1.3;

PrintLayout fromAppState()
{
    const AppState &a = AppState::instance();
    PrintLayout l;
    l.left = a.xRand;
    l.top = a.yRand;
    l.width = a.xCard;
    l.height = a.yCard;
    l.xGap = a.xGap;
    l.yGap = a.yGap;
    return l;
}

void toAppState(const PrintLayout &l)
{
    AppState &a = AppState::instance();
    a.xRand = l.left;
    a.yRand = l.top;
    a.xCard = l.width;
    a.yCard = l.height;
    a.xGap = l.xGap;
    a.yGap = l.yGap;
}

void placeShape(QFrame *shape, const QRect &units)
{
    // The rectangle in millimetres of the sheet, as the preview's scale
    // has it; the pixels follow from it.
    shape->setProperty("units", units);
    shape->setGeometry(qRound(units.left() * kPreviewScale), qRound(units.top() * kPreviewScale),
                       qRound(units.width() * kPreviewScale), qRound(units.height() * kPreviewScale));
}

} // namespace

frmPrint::frmPrint(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    AppState &a = AppState::instance();
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Einstellen der Druckoptionen und Ausdrucken") + QStringLiteral(" für Fach ")
                   + QString::number(a.CurrentFach));
    setModal(true);

    buildPreview();
    QGridLayout *barGrid = buildBars();
    buildButtons();
    arrange(barGrid);

    // The layout stays in AppState for the whole run: a change made here
    // holds when the window opens again, saved or not. Values no stored
    // layout may hold take their replacements.
    layout_ = fromAppState().replacedOutOfRange();
    toAppState(layout_);
    showLayout(layout_);
    opt1016->setChecked(true);
}

// The scaled picture of the sheet with the page's frame and the cards.
void frmPrint::buildPreview()
{
    picPage = new QFrame(this);
    picPage->setObjectName(QStringLiteral("picPage"));
    picPage->setToolTip(QStringLiteral("Anzeige der Druckeinstellungen"));
    picPage->setFixedSize(qRound(PrintLayout::kSheetWidth * kPreviewScale),
                          qRound(PrintLayout::kSheetHeight * kPreviewScale));
    picPage->setAutoFillBackground(true);
    picPage->setStyleSheet(QStringLiteral("#picPage { background: white; border: 1px solid #808080; }"));
    shpPage = new QFrame(picPage);
    shpPage->setObjectName(QStringLiteral("shpPage"));
    shpPage->setStyleSheet(QStringLiteral("#shpPage { border: 1px dashed #4060a0; }"));
    for (int i = 0; i < PrintLayout::kCardsPerSheet; ++i) {
        shpCard[size_t(i)] = new QFrame(picPage);
        shpCard[size_t(i)]->setObjectName(QStringLiteral("shpCard(%1)").arg(i));
        shpCard[size_t(i)]->setStyleSheet(QStringLiteral("QFrame { background: #e8eef8; border: 1px solid #203870; }"));
    }
}

// The six scroll bars of the layout, each with its caption and value.
QGridLayout *frmPrint::buildBars()
{
    struct BarSetup
    {
        const char *bar, *value, *caption;
        QString captionText, tip;
        Check check;
        std::int16_t PrintLayout::*field;
        int lo, hi;
    };
    const BarSetup setups[6] = {
        {"hscLeft", "lblLeft", "lblLeft1", QStringLiteral("Druckbeginn links"),
         QStringLiteral("Einstellen des linken Randes"), Check::Width, &PrintLayout::left, 0, 50},
        {"hscTop", "lblTop", "lblTop1", QStringLiteral("Druckbeginn oben"),
         QStringLiteral("Einstellen des oberen Randes"), Check::Height, &PrintLayout::top, 0, 50},
        {"hscX", "lblX", "lblCardWidth1", QStringLiteral("Kartenbreite"),
         QStringLiteral("Einstellen der Kärtchenbreite"), Check::Width, &PrintLayout::width, 50, 100},
        {"hscY", "lblY", "lblCardHeight1", QStringLiteral("Kartenhöhe"),
         QStringLiteral("Einstellen der Kärtchenhöhe"), Check::Height, &PrintLayout::height, 30, 60},
        {"hscXGap", "lblXGap", "lblXGap1", QStringLiteral("senkrechte Lücke"),
         QStringLiteral("Einstellen eines senkrechten Zwischenraumes"), Check::Width, &PrintLayout::xGap, 0, 50},
        {"hscYGap", "lblYGap", "lblYGap1", QStringLiteral("waagrechte Lücken"),
         QStringLiteral("Einstellen der waagrechten Zwischenräume"), Check::Height, &PrintLayout::yGap, 0, 30},
    };
    auto *barGrid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        const BarSetup &s = setups[i];
        Bar &b = bars_[size_t(i)];
        auto *caption = new QLabel(s.captionText, this);
        caption->setObjectName(QString::fromLatin1(s.caption));
        b.bar = new QScrollBar(Qt::Horizontal, this);
        b.bar->setObjectName(QString::fromLatin1(s.bar));
        b.bar->setRange(s.lo, s.hi);
        b.bar->setSingleStep(1);
        b.bar->setPageStep(1);
        b.bar->setMinimumWidth(160);
        b.value = new QLabel(this);
        b.value->setObjectName(QString::fromLatin1(s.value));
        b.value->setToolTip(s.tip);
        b.value->setMinimumWidth(30);
        b.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        b.check = s.check;
        b.field = s.field;
        b.lo = s.lo;
        b.hi = s.hi;
        barGrid->addWidget(caption, i, 0);
        barGrid->addWidget(b.bar, i, 1);
        barGrid->addWidget(b.value, i, 2);
        barGrid->addWidget(new QLabel(QStringLiteral("mm"), this), i, 3);
        connect(b.bar, &QScrollBar::valueChanged, this, [this, i] { scrolled(bars_[size_t(i)]); });
    }
    return barGrid;
}

void frmPrint::buildButtons()
{
    Frame1 = new QGroupBox(QStringLiteral("Druckeinstellungen"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    btnLoad = Controls::button(Frame1, "btnLoad", QStringLiteral("&Laden"),
                     QStringLiteral("Holen Sie die aktuell gespeicherten Einstellungen zurück"));
    btnDefault = Controls::button(Frame1, "btnDefault", QStringLiteral("&Standard"), QStringLiteral("Standard Einstellung laden"));
    btnSave = Controls::button(Frame1, "btnSave", QStringLiteral("S&peichern"),
                     QStringLiteral("Speichern Sie Ihre eigenen Druckeinstellungen"));
    auto *frameRow = new QHBoxLayout(Frame1);
    frameRow->addWidget(btnLoad);
    frameRow->addWidget(btnDefault);
    frameRow->addWidget(btnSave);
    connect(btnLoad, &QPushButton::clicked, this, &frmPrint::btnLoad_Click);
    connect(btnDefault, &QPushButton::clicked, this, &frmPrint::btnDefault_Click);
    connect(btnSave, &QPushButton::clicked, this, &frmPrint::btnSave_Click);

    opt1016 = new QRadioButton(QStringLiteral("10 Kärtchen drucken (2 x 5)"), this);
    opt1016->setObjectName(QStringLiteral("opt1016(1)"));
    chkRaster = new QCheckBox(QStringLiteral("mit Raster ausdrucken"), this);
    chkRaster->setObjectName(QStringLiteral("chkRaster"));
    chkRaster->setToolTip(QStringLiteral("gibt auf der Voderseite ein Raster aus"));

    btnOk = Controls::button(this, "btnOk", QStringLiteral("&Drucken"), QStringLiteral("Starten des Druckes"));
    btnOk->setDefault(true);
    btnCancel = Controls::button(this, "btnCancel", QStringLiteral("&Beenden"), QStringLiteral("Beenden des Druckdialoges"));
    btnHelp = Controls::button(this, "btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfedialoges"));
    connect(btnOk, &QPushButton::clicked, this, &frmPrint::btnOk_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmPrint::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("print.rtf"), this); });

    prgDruck = new QProgressBar(this);
    prgDruck->setObjectName(QStringLiteral("prgDruck"));
    prgDruck->setVisible(false);
}

void frmPrint::arrange(QGridLayout *barGrid)
{
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    auto *left = new QVBoxLayout;
    left->addLayout(barGrid);
    left->addSpacing(8);
    left->addWidget(Frame1);
    left->addSpacing(8);
    left->addWidget(opt1016);
    left->addWidget(chkRaster);
    left->addStretch(1);
    left->addWidget(prgDruck);
    left->addLayout(buttons);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addWidget(picPage, 0, Qt::AlignTop);
}

void frmPrint::showLayout(const PrintLayout &layout)
{
    for (Bar &b : bars_) {
        const int v = layout.*b.field;
        // A value beyond the bar's usual range (a row gap of 31 to 50 that
        // a stored layout may hold) widens the range, so the bar shows it
        // rather than a value that is not in force.
        const QSignalBlocker quiet(b.bar);
        b.bar->setRange(qMin(b.lo, v), qMax(b.hi, v));
        b.bar->setValue(v);
        b.value->setText(QString::number(v));
    }
    drawPreview();
}

bool frmPrint::widthCheck() const
{
    PrintLayout l;
    l.left = std::int16_t(bars_[0].bar->value());
    l.width = std::int16_t(bars_[2].bar->value());
    l.xGap = std::int16_t(bars_[4].bar->value());
    if (l.widthFits())
        return true;
    QApplication::beep();
    return false;
}

bool frmPrint::heightCheck() const
{
    PrintLayout l;
    l.top = std::int16_t(bars_[1].bar->value());
    l.height = std::int16_t(bars_[3].bar->value());
    l.yGap = std::int16_t(bars_[5].bar->value());
    if (l.heightFits())
        return true;
    QApplication::beep();
    return false;
}

void frmPrint::scrolled(Bar &b)
{
    if (b.busy)
        return;
    const bool fits = b.check == Check::Width ? widthCheck() : heightCheck();
    if (!fits) {
        b.busy = true;
        b.bar->setValue(b.bar->value() - 1);
        b.busy = false;
    }
    b.value->setText(QString::number(b.bar->value()));
    layout_.*b.field = std::int16_t(b.bar->value());
    toAppState(layout_);
    drawPreview();
}

void frmPrint::drawPreview()
{
    placeShape(shpPage, layout_.grid());
    for (int i = 0; i < PrintLayout::kCardsPerSheet; ++i)
        placeShape(shpCard[size_t(i)], layout_.previewCard(i));
}

void frmPrint::btnDefault_Click()
{
    layout_ = PrintLayout();
    toAppState(layout_);
    showLayout(layout_);
}

void frmPrint::btnLoad_Click()
{
    // A stored value that is no number is reported and takes its default;
    // the others are loaded all the same, so the window shows what is now
    // in force either way.
    const bool loaded = Msg::guard(Msg::kAppTitle, [] { Settings::LoadPrintLayout(); }, this);
    layout_ = fromAppState();
    showLayout(layout_);
    if (!loaded)
        return;
    Msg::show(QStringLiteral("Ihre presönlichen Format-Einstellungen wurden geladen."), Msg::kAppTitle,
              QMessageBox::Information, QMessageBox::Ok, this);
}

void frmPrint::btnSave_Click()
{
    toAppState(layout_);
    if (!Msg::guard(Msg::kAppTitle, [] { Settings::SavePrintLayout(); }, this))
        return;
    Msg::show(QStringLiteral("Ihre presönlichen Format-Einstellungen wurden gespeichert."), Msg::kAppTitle,
              QMessageBox::Information, QMessageBox::Ok, this);
}

void frmPrint::reject()
{
    if (printing_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

void frmPrint::setPrinting(bool printing)
{
    printing_ = printing;
    stop_ = false;
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(btnOk),
                       static_cast<QWidget *>(btnHelp), static_cast<QWidget *>(chkRaster)})
        w->setEnabled(!printing);
    for (Bar &b : bars_)
        b.bar->setEnabled(!printing);
    prgDruck->setVisible(printing);
}

void frmPrint::btnOk_Click()
{
    // What is printed is what the labels show.
    for (Bar &b : bars_) {
        bool ok = false;
        const int v = b.value->text().toInt(&ok);
        if (ok)
            layout_.*b.field = std::int16_t(v);
    }
    toAppState(layout_);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    // Cancelling the printer choice ends the run: asking again would leave
    // the learner no way out.
    if (!Dialogs::printer(printer, this))
        return;
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);

    CardPrint::Job job;
    job.layout = layout_;
    job.raster = chkRaster->isChecked();
    job.foreignFont = Appearance::font(Appearance::fontName(Appearance::Language::Foreign));
    job.nativeFont = Appearance::font(Appearance::fontName(Appearance::Language::Native));
    job.foreignColour = Appearance::colour(Appearance::Language::Foreign);
    job.nativeColour = Appearance::colour(Appearance::Language::Native);
    const bool read = Msg::guard(Msg::kAppTitle, [&job] {
        const auto &rs = AppState::instance().CompartmentRecordset;
        if (!rs)
            return;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            job.cards.push_back({rs->text(QStringLiteral("FVok")), rs->text(QStringLiteral("FSatz")),
                                 rs->text(QStringLiteral("MVok")), rs->text(QStringLiteral("MSatz"))});
    }, this);
    if (!read || job.cards.empty())
        return;

    CardPrint::Hooks hooks;
    hooks.turnOver = [this] {
        const auto answer = Msg::show(QStringLiteral("Die Vorderseiten werden gerade gedruckt.") + Msg::kCrLf
                                          + QStringLiteral("Warten Sie bitte bis die Vorderseiten vollständig gedruckt sind.")
                                          + Msg::kCrLf + QStringLiteral("Nach dem Druck Blatt/Blätter wenden, dann Ok drücken"),
                                      QStringLiteral("Bitte warten"), QMessageBox::Warning,
                                      QMessageBox::Ok | QMessageBox::Cancel, this);
        return answer == QMessageBox::Ok && !stop_;
    };
    hooks.progress = [this](qsizetype done, qsizetype total) {
        // Every tenth card, and when a side is done (the question waits
        // with the fronts shown complete).
        if (done % 10 == 0 || 2 * done == total || done == total) {
            prgDruck->setRange(0, int(qMin<qsizetype>(total, INT_MAX)));
            prgDruck->setValue(int(qMin<qsizetype>(done, INT_MAX)));
            QApplication::processEvents();
        }
        return !stop_;
    };

    setPrinting(true);
    {
        auto sheets = CardPrint::printerSheets(printer);
        Msg::guard(QStringLiteral("Drucker Initialisierung"), [&] { CardPrint::print(job, *sheets, hooks); }, this);
    }
    setPrinting(false);
}
