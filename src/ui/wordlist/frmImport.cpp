// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/wordlist/frmImport.h"

#include "core/AppState.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Controls.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Safeguard.h"
#include "ui/common/Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace WordList;

namespace {

const QString kTitle = QStringLiteral("Wortliste importieren");
const QString kCrLf = QStringLiteral("\r\n");

const QStringList kEncodings = {QStringLiteral("UTF-8"), QStringLiteral("UTF-16"), QStringLiteral("Windows-1252")};
const Encoding kEncodingOf[] = {Encoding::Utf8, Encoding::Utf16, Encoding::Windows1252};
const QStringList kSeparatorNames = {QStringLiteral("Tabulator"), QStringLiteral("Semikolon"),
                                     QStringLiteral("Komma")};
const QStringList kDuplicates = {QStringLiteral("Doppelte überspringen"), QStringLiteral("Doppelte aktualisieren"),
                                 QStringLiteral("Doppelte trotzdem hinzufügen")};

QString indexed(const char *name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

PairNames currentPair()
{
    const AppState &a = AppState::instance();
    return {a.ForeignLanguage, a.NativeLanguage};
}

} // namespace

frmImport::frmImport(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmImport"));
    setModal(true);
    path_ = AppState::instance().WordListFile;
    setWindowTitle(kTitle + QStringLiteral(": ") + QFileInfo(path_).fileName());
    buildControls();
    load({}, {});
}

frmImport::~frmImport()
{
    // The table still reports its geometry while the dialog takes it down,
    // after the drop-downs' list is gone.
    for (QObject *sender : std::initializer_list<QObject *>{grdVorschau->horizontalHeader(), grdVorschau->verticalHeader(),
                                                             grdVorschau->horizontalScrollBar()})
        sender->disconnect(this);
}

void frmImport::buildControls()
{
    lblZeichensatz = new QLabel(QStringLiteral("&Zeichensatz:"), this);
    lblZeichensatz->setObjectName(QStringLiteral("lblZeichensatz"));
    cboZeichensatz = new QComboBox(this);
    cboZeichensatz->setObjectName(QStringLiteral("cboZeichensatz"));
    cboZeichensatz->addItems(kEncodings);
    cboZeichensatz->setToolTip(QStringLiteral("Wie die Zeichen der Datei gespeichert sind"));
    lblZeichensatz->setBuddy(cboZeichensatz);

    lblTrennzeichen = new QLabel(QStringLiteral("&Trennzeichen:"), this);
    lblTrennzeichen->setObjectName(QStringLiteral("lblTrennzeichen"));
    cboTrennzeichen = new QComboBox(this);
    cboTrennzeichen->setObjectName(QStringLiteral("cboTrennzeichen"));
    cboTrennzeichen->addItems(kSeparatorNames);
    cboTrennzeichen->setToolTip(QStringLiteral("Das Zeichen, das die Spalten einer Zeile trennt"));
    lblTrennzeichen->setBuddy(cboTrennzeichen);

    chkKopfzeile = new QCheckBox(QStringLiteral("Erste Zeile ist Kopfzeile"), this);
    chkKopfzeile->setObjectName(QStringLiteral("chkKopfzeile"));
    chkKopfzeile->setToolTip(QStringLiteral("Die erste Zeile nennt die Spalten und wird nicht importiert"));

    cboFach = new QComboBox(this);
    cboFach->setObjectName(QStringLiteral("cboFach"));
    for (int f = Fach::Pool; f <= Fach::Last; ++f)
        cboFach->addItem(QStringLiteral("Ziel: Fach %1").arg(f));
    cboFach->setCurrentIndex(Fach::Start);
    cboFach->setToolTip(QStringLiteral("Das Fach der neuen Vokabeln, wenn die Datei keine Spalte Fach hat"));

    cboDoppelte = new QComboBox(this);
    cboDoppelte->setObjectName(QStringLiteral("cboDoppelte"));
    cboDoppelte->addItems(kDuplicates);
    cboDoppelte->setToolTip(QStringLiteral("Was mit Zeilen geschieht, deren Fremdwort und Muttersprache es schon gibt"));

    picSpalten = new QWidget(this);
    picSpalten->setObjectName(QStringLiteral("picSpalten"));
    grdVorschau = new QTableWidget(this);
    grdVorschau->setObjectName(QStringLiteral("grdVorschau"));
    grdVorschau->setToolTip(QStringLiteral("Der Anfang der Datei, wie er gelesen wird; links die Zeilennummern"));
    grdVorschau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdVorschau->setSelectionMode(QAbstractItemView::NoSelection);
    grdVorschau->setWordWrap(false);
    grdVorschau->horizontalHeader()->hide();
    grdVorschau->installEventFilter(this);
    connect(grdVorschau->horizontalHeader(), &QHeaderView::sectionResized, this, &frmImport::placeColumnChoosers);
    connect(grdVorschau->horizontalScrollBar(), &QScrollBar::valueChanged, this, &frmImport::placeColumnChoosers);
    connect(grdVorschau->verticalHeader(), &QHeaderView::geometriesChanged, this, &frmImport::placeColumnChoosers);

    lblPruefung = new QLabel(this);
    lblPruefung->setObjectName(QStringLiteral("lblPruefung"));
    lblPruefung->setWordWrap(true);
    lblPruefung->setToolTip(QStringLiteral("Was der Import mit den jetzigen Einstellungen täte"));

    btnImport = Controls::button(this, "btnImport", QStringLiteral("&Importieren"),
                                 QStringLiteral("Die Vokabeln der Datei übernehmen"));
    btnImport->setDefault(true);
    btnHelp = Controls::button(this, "btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"));
    btnCancel = Controls::button(this, "btnCancel", QStringLiteral("&Abbrechen"),
                                 QStringLiteral("Nichts importieren und das Fenster schließen"));

    connect(cboZeichensatz, &QComboBox::currentIndexChanged, this, &frmImport::cboZeichensatz_Change);
    connect(cboTrennzeichen, &QComboBox::currentIndexChanged, this, &frmImport::cboTrennzeichen_Change);
    connect(chkKopfzeile, &QCheckBox::toggled, this, &frmImport::chkKopfzeile_Change);
    connect(cboDoppelte, &QComboBox::currentIndexChanged, this, &frmImport::recheck);
    connect(btnImport, &QPushButton::clicked, this, &frmImport::btnImport_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("Import.rtf"), this); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *settings = new QGridLayout;
    settings->addWidget(lblZeichensatz, 0, 0);
    settings->addWidget(cboZeichensatz, 0, 1);
    settings->addWidget(lblTrennzeichen, 0, 2);
    settings->addWidget(cboTrennzeichen, 0, 3);
    settings->addWidget(chkKopfzeile, 0, 4);
    settings->addWidget(cboFach, 1, 1);
    settings->addWidget(cboDoppelte, 1, 3, 1, 2);
    settings->setColumnStretch(5, 1);

    auto *preview = new QVBoxLayout;
    preview->setSpacing(0);
    preview->addWidget(picSpalten);
    preview->addWidget(grdVorschau, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnImport, btnHelp, btnCancel})
        buttons->addWidget(b);

    auto *all = new QVBoxLayout(this);
    all->addLayout(settings);
    all->addLayout(preview, 1);
    all->addWidget(lblPruefung);
    all->addLayout(buttons);
    setMinimumSize(560, 380);
    resize(820, 560);
}

void frmImport::load(std::optional<Encoding> encoding, std::optional<QChar> separator)
{
    BusyCursor busy;
    loaded_ = Msg::guard(kTitle, [&] { inspection_ = inspect(path_, currentPair(), encoding, separator); }, this);
    if (!loaded_)
        inspection_ = Inspection{};
    showLayout();
    fillPreview();
    recheck();
}

// The controls show what was found, without reacting to it.
void frmImport::showLayout()
{
    filling_ = true;
    const Layout &l = inspection_.layout;
    cboZeichensatz->setCurrentIndex(int(std::find(std::begin(kEncodingOf), std::end(kEncodingOf), l.encoding)
                                        - std::begin(kEncodingOf)));
    // A separator the file names that is none of the three is offered too.
    while (cboTrennzeichen->count() > kSeparatorNames.size())
        cboTrennzeichen->removeItem(cboTrennzeichen->count() - 1);
    const qsizetype known = kSeparators.indexOf(l.separator);
    if (known >= 0) {
        cboTrennzeichen->setCurrentIndex(int(known));
    } else {
        cboTrennzeichen->addItem(QStringLiteral("„%1“").arg(l.separator), QVariant(l.separator));
        cboTrennzeichen->setCurrentIndex(cboTrennzeichen->count() - 1);
    }
    chkKopfzeile->setChecked(l.header);
    filling_ = false;
}

void frmImport::fillPreview()
{
    filling_ = true;
    const Inspection &in = inspection_;
    const int columns = int(in.layout.columns.size());
    grdVorschau->clear();
    grdVorschau->setColumnCount(columns);
    grdVorschau->setRowCount(int(in.preview.size()));
    QStringList lines;
    for (int r = 0; r < in.preview.size(); ++r) {
        const Record &rec = in.preview[r];
        lines << QString::number(rec.line);
        for (int c = 0; c < rec.fields.size() && c < columns; ++c) {
            auto *item = new QTableWidgetItem(rec.fields[c]);
            item->setToolTip(rec.fields[c]);
            grdVorschau->setItem(r, c, item);
        }
    }
    grdVorschau->setVerticalHeaderLabels(lines);

    qDeleteAll(cboSpalte);
    cboSpalte.clear();
    for (int c = 0; c < columns; ++c) {
        auto *box = new QComboBox(picSpalten);
        box->setObjectName(indexed("cboSpalte", c));
        box->addItems(columnNames());
        box->setCurrentIndex(int(in.layout.columns[c]));
        box->setToolTip(QStringLiteral("Was Spalte %1 enthält").arg(c + 1));
        box->show();
        connect(box, &QComboBox::currentIndexChanged, this, [this, c] { cboSpalte_Change(c); });
        cboSpalte << box;
    }
    const int chooser = cboSpalte.isEmpty() ? 0 : cboSpalte.first()->sizeHint().height();
    picSpalten->setFixedHeight(chooser);
    grdVorschau->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c) {
        const int wanted = std::clamp(grdVorschau->columnWidth(c), cboSpalte[c]->sizeHint().width(), 320);
        grdVorschau->setColumnWidth(c, wanted);
    }
    // The header row, when there is one, is shown but not imported.
    for (int c = 0; c < columns && !in.preview.isEmpty(); ++c) {
        if (QTableWidgetItem *item = grdVorschau->item(0, c)) {
            QFont f = item->font();
            f.setItalic(in.layout.header);
            item->setFont(f);
            item->setForeground(in.layout.header ? palette().color(QPalette::PlaceholderText)
                                                 : palette().color(QPalette::Text));
        }
    }
    filling_ = false;
    placeColumnChoosers();
}

// Each column's drop-down stands right above it, however the table is
// scrolled or its columns are widened.
void frmImport::placeColumnChoosers()
{
    const QHeaderView *h = grdVorschau->horizontalHeader();
    const int left = grdVorschau->frameWidth() + grdVorschau->verticalHeader()->width();
    for (int c = 0; c < cboSpalte.size(); ++c) {
        const int x = left + h->sectionViewportPosition(c);
        const int w = h->sectionSize(c);
        cboSpalte[c]->setGeometry(x, 0, w, picSpalten->height());
        cboSpalte[c]->setVisible(x + w > left && x < grdVorschau->width());
    }
}

bool frmImport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdVorschau && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeColumnChoosers();
    return QDialog::eventFilter(watched, event);
}

Choices frmImport::choices() const
{
    Choices c;
    c.duplicates = Duplicates(cboDoppelte->currentIndex());
    c.compartment = cboFach->currentIndex();
    return c;
}

void frmImport::recheck()
{
    if (filling_)
        return;
    bool any = false;
    if (!loaded_) {
        lblPruefung->setText(QStringLiteral("Die Datei kann nicht gelesen werden."));
    } else {
        BusyCursor busy;
        const Check c = check(path_, inspection_.layout, choices());
        if (c.outcome) {
            lblPruefung->setText(c.outcome->summary());
            any = c.outcome->added + c.outcome->updated > 0;
        } else {
            lblPruefung->setText(c.problem);
        }
    }
    btnImport->setEnabled(any);
}

void frmImport::cboZeichensatz_Change()
{
    if (filling_)
        return;
    const int i = cboZeichensatz->currentIndex();
    const QChar separator = inspection_.layout.separator;
    load(kEncodingOf[i], separator);
}

void frmImport::cboTrennzeichen_Change()
{
    if (filling_)
        return;
    const int i = cboTrennzeichen->currentIndex();
    const QChar separator = i < kSeparators.size() ? kSeparators[i] : cboTrennzeichen->currentData().toChar();
    load(inspection_.layout.encoding, separator);
}

void frmImport::chkKopfzeile_Change()
{
    if (filling_)
        return;
    inspection_.layout.header = chkKopfzeile->isChecked();
    fillPreview();
    recheck();
}

// A meaning belongs to one column: given to another, it leaves the first.
void frmImport::cboSpalte_Change(int column)
{
    if (filling_)
        return;
    const auto chosen = Column(cboSpalte[column]->currentIndex());
    QVector<Column> &columns = inspection_.layout.columns;
    columns[column] = chosen;
    filling_ = true;
    for (int c = 0; c < columns.size(); ++c) {
        if (c != column && chosen != Column::Skip && columns[c] == chosen) {
            columns[c] = Column::Skip;
            cboSpalte[c]->setCurrentIndex(int(Column::Skip));
        }
    }
    filling_ = false;
    recheck();
}

bool frmImport::backupFirst()
{
    // A list can change thousands of cards in one go: a copy of the cards
    // comes first, and the learner decides whether to go on without one.
    return Safeguard::beforeBulkChange(this);
}

void frmImport::btnImport_Click()
{
    if (!btnImport->isEnabled() || !backupFirst())
        return;
    Outcome outcome;
    const bool stored = Msg::guard(kTitle, [&] {
        BusyCursor busy;
        outcome = importFile(path_, inspection_.layout, choices(), Mode::Store);
    }, this);
    if (!stored) {
        recheck();
        return;
    }
    QString text = outcome.report();
    if (outcome.rejected > 0) {
        text += kCrLf + kCrLf + QStringLiteral("Abgewiesene Zeilen:");
        for (const Rejection &r : outcome.firstRejections)
            text += kCrLf + describe(r);
        if (outcome.rejected > outcome.firstRejections.size())
            text += kCrLf + QStringLiteral("… und %1 weitere").arg(outcome.rejected - outcome.firstRejections.size());
    }
    Msg::show(text, kTitle, QMessageBox::NoIcon, QMessageBox::Ok, this);
    accept();
}
