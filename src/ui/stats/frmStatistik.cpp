// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/stats/frmStatistik.h"

#include "core/AppState.h"
#include "core/Types.h"
#include "store/Records.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Appearance.h"
#include "ui/common/Controls.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QAreaSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

const QLocale &german()
{
    static const QLocale l(QLocale::German, QLocale::Germany);
    return l;
}

// Eight colours that keep apart on a light and on a dark background: from
// the pool's grey through the warm colours of the compartments still to
// learn to the greens of those nearly learned.
const QColor kCompartmentColours[Fach::Count] = {
    QColor(0x9e, 0x9e, 0x9e), QColor(0xe0, 0x52, 0x3a), QColor(0xf0, 0x8a, 0x24), QColor(0xe8, 0xc0, 0x2a),
    QColor(0x9c, 0xc8, 0x3c), QColor(0x4c, 0xaf, 0x50), QColor(0x26, 0x9e, 0x9a), QColor(0x3a, 0x78, 0xd0),
};
const QColor kRight(0x43, 0xa0, 0x47);
const QColor kWrong(0xe0, 0x4a, 0x3a);

const char *const kPeriods[] = {"7 Tage", "30 Tage", "1 Jahr", "Alles"};
constexpr Statistics::Period kPeriodValues[] = {Statistics::Period::Week, Statistics::Period::Month,
                                                Statistics::Period::Year, Statistics::Period::All};

// A scale top that five equal steps divide into round numbers, at least 5.
qreal niceTop(qreal value)
{
    if (value <= 5)
        return 5;
    const qreal power = std::pow(10.0, std::floor(std::log10(value)));
    for (qreal step : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0})
        if (step * power >= value)
            return step * power;
    return 10 * power;
}

} // namespace

frmStatistik::frmStatistik(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmStatistik"));
    setWindowTitle(QStringLiteral("Lernstatistik ") + AppState::instance().ForeignLanguage);
    setModal(true);
    buildControls();
    load();
}

frmStatistik::~frmStatistik() = default;

void frmStatistik::buildControls()
{
    lblZeitraum = new QLabel(QStringLiteral("&Zeitraum:"), this);
    lblZeitraum->setObjectName(QStringLiteral("lblZeitraum"));
    cboZeitraum = new QComboBox(this);
    cboZeitraum->setObjectName(QStringLiteral("cboZeitraum"));
    cboZeitraum->setToolTip(QStringLiteral("Zeitraum, den die Statistik zeigt"));
    for (const char *p : kPeriods)
        cboZeitraum->addItem(QString::fromUtf8(p));
    lblZeitraum->setBuddy(cboZeitraum);

    const auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    lblSerie = label("lblSerie");
    lblSerie->setToolTip(QStringLiteral("Tage in Folge, an denen Sie geübt haben"));
    lblHeute = label("lblHeute");
    lblHeute->setToolTip(QStringLiteral("Ihre Antworten von heute"));
    lblLeer = label("lblLeer");
    lblLeer->setText(QStringLiteral("Die Statistik füllt sich, sobald Sie Vokabeln üben."));
    lblFehler = label("lblFehler");
    for (QLabel *l : {lblSerie, lblHeute}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }

    const auto chartView = [this](const char *name, const QString &tip) {
        auto *v = new QChartView(this);
        v->setObjectName(QLatin1String(name));
        v->setRenderHint(QPainter::Antialiasing);
        v->setMinimumSize(420, 235);
        v->setWhatsThis(tip);
        return v;
    };
    chtVerlauf = chartView("chtVerlauf", QStringLiteral("Karten je Fach im Lauf der Zeit"));
    chtTage = chartView("chtTage", QStringLiteral("richtige und falsche Antworten pro Tag"));

    lblSchwierig = new QLabel(QStringLiteral("&Schwierigste Wörter:"), this);
    lblSchwierig->setObjectName(QStringLiteral("lblSchwierig"));
    lstSchwierig = new QListWidget(this);
    lstSchwierig->setObjectName(QStringLiteral("lstSchwierig"));
    lstSchwierig->setToolTip(QStringLiteral("die Vokabeln, die Sie im Zeitraum am häufigsten falsch beantwortet "
                                            "haben; Doppelklick ändert eine Vokabel"));
    lstSchwierig->setMinimumWidth(280);
    lblSchwierig->setBuddy(lstSchwierig);

    btnNachFach1 = Controls::button(this, "btnNachFach1", QStringLiteral("In Fach &1 legen"),
                                    QStringLiteral("die aufgelisteten Vokabeln wieder ins Startfach legen"));
    btnBild = Controls::button(this, "btnBild", QStringLiteral("Als &Bild speichern …"),
                               QStringLiteral("beide Diagramme in einer PNG-Datei speichern"));
    btnHelp = Controls::button(this, "btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfedialogs"));
    btnExit = Controls::button(this, "btnExit", QStringLiteral("&Beenden"),
                               QStringLiteral("Beenden der Lernstatistik"));

    connect(cboZeitraum, &QComboBox::currentIndexChanged, this, &frmStatistik::cboZeitraum_Click);
    connect(lstSchwierig, &QListWidget::itemDoubleClicked, this, &frmStatistik::lstSchwierig_DblClick);
    connect(btnNachFach1, &QPushButton::clicked, this, &frmStatistik::btnNachFach1_Click);
    connect(btnBild, &QPushButton::clicked, this, &frmStatistik::btnBild_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("Statistik.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(lblZeitraum);
    top->addWidget(cboZeitraum);
    top->addSpacing(24);
    top->addWidget(lblSerie);
    top->addSpacing(24);
    top->addWidget(lblHeute);
    top->addStretch(1);

    auto *charts = new QVBoxLayout;
    charts->addWidget(chtVerlauf, 1);
    charts->addWidget(chtTage, 1);

    auto *hardest = new QVBoxLayout;
    hardest->addWidget(lblSchwierig);
    hardest->addWidget(lstSchwierig, 1);
    hardest->addWidget(btnNachFach1);

    auto *middle = new QHBoxLayout;
    middle->addLayout(charts, 5);
    middle->addLayout(hardest, 2);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(btnBild);
    bottom->addStretch(1);
    bottom->addWidget(btnHelp);
    bottom->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblLeer);
    layout->addWidget(lblFehler);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(980, 660);
}

void frmStatistik::load()
{
    Appearance::apply(lstSchwierig, Appearance::Language::Foreign, false);
    {
        const QSignalBlocker quiet(cboZeitraum);
        cboZeitraum->setCurrentIndex(1);
    }
    refresh();
    Controls::makeDefault(btnExit);
}

void frmStatistik::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // The days named along the bottom depend on the width.
    if (event->size().width() != event->oldSize().width()) {
        drawBoxChart();
        drawAnswerChart();
    }
}

void frmStatistik::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The charts take the desktop's colours anew when its theme changes.
    if (event->type() == QEvent::PaletteChange && chtVerlauf)
        showFigures();
}

void frmStatistik::refresh()
{
    const int index = std::clamp(cboZeitraum->currentIndex(), 0, 3);
    Statistics::Figures read;
    if (!Msg::guard(Msg::kAppTitle, [&] { read = Statistics::figures(kPeriodValues[index]); }, this))
        read = Statistics::Figures{};
    figures_ = read;
    showFigures();
}

void frmStatistik::showFigures()
{
    const Statistics::Figures &f = figures_;
    lblSerie->setText(QStringLiteral("%1 Tage in Folge, längste Serie: %2 Tage").arg(f.series).arg(f.longestSeries));
    const std::int32_t answered = f.todayRight + f.todayWrong;
    const int percent = answered ? int(std::lround(100.0 * f.todayRight / answered)) : 0;
    lblHeute->setText(QStringLiteral("Heute: %1 Vokabeln geübt, %2 richtig, %3 falsch (%4 %)")
                          .arg(f.todayCards)
                          .arg(f.todayRight)
                          .arg(f.todayWrong)
                          .arg(percent));
    lblLeer->setVisible(!f.anyAnswers);
    lblFehler->setText(QStringLiteral("%1 Einträge konnten nicht gelesen werden").arg(f.unreadable));
    lblFehler->setVisible(f.unreadable > 0);

    lstSchwierig->clear();
    for (const Statistics::HardWord &w : f.hardest) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 - %2: %3 falsch, %4 richtig").arg(w.fvok, w.mvok).arg(w.wrong).arg(w.right), lstSchwierig);
        item->setData(Qt::UserRole, w.vnr);
        item->setToolTip(item->text());
    }
    btnNachFach1->setEnabled(!f.hardest.isEmpty());

    drawBoxChart();
    drawAnswerChart();
}

// ------------------------------------------------------------------ charts

QChart *frmStatistik::newChart(const QString &title) const
{
    const QPalette &p = palette();
    const bool dark = p.color(QPalette::Window).lightness() < 128;
    auto *chart = new QChart;
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setLocalizeNumbers(true);
    chart->setLocale(german());
    chart->setBackgroundBrush(p.color(QPalette::Base));
    chart->setBackgroundPen(QPen(p.color(QPalette::Mid)));
    chart->setPlotAreaBackgroundVisible(false);
    chart->setTitle(title);
    chart->setTitleBrush(p.color(QPalette::Text));
    QFont titleFont = font();
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setLabelColor(p.color(QPalette::Text));
    chart->legend()->setFont(font());
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// The days of the period lie at 0, 1, ... along the bottom. As many of them
// are named as the chart's width has room for: every day, every few days,
// Mondays, or the first of every month or every few months.
void frmStatistik::labelDays(QChart *chart, qreal top, const QString &valueTitle)
{
    const QPalette &p = palette();
    const qsizetype n = figures_.days();
    auto *x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->setRange(-0.5, std::max<qreal>(qreal(n) - 0.5, 0.5));
    // Beside the plot lie the value axis and the legend.
    const qreal plot = std::max(200, chtVerlauf->width() - 200);
    const qreal perDay = plot / qreal(std::max<qsizetype>(n, 1));
    const bool months = 50 / perDay > 7;
    const QString format = months ? QStringLiteral("MMM yyyy") : QStringLiteral("dd.MM.");
    const qsizetype everyDays = std::max<qsizetype>(1, qsizetype(std::ceil(50 / perDay)));
    int everyMonths = 12;
    for (int m : {1, 2, 3, 6})
        if (m * 30 * perDay >= 90) {
            everyMonths = m;
            break;
        }
    for (qsizetype i = 0; i < n; ++i) {
        const QDate day = figures_.first.addDays(i);
        bool name = false;
        if (months)
            name = day.day() == 1 && (day.month() - 1) % everyMonths == 0;
        else if (everyDays > 3)
            name = day.dayOfWeek() == Qt::Monday;
        else
            name = (n - 1 - i) % everyDays == 0; // counted back from today
        if (name)
            x->append(german().toString(day, format), qreal(i));
    }
    auto *y = new QValueAxis;
    y->setRange(0, niceTop(top));
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setTickCount(6);
    y->setTitleText(valueTitle);
    for (QAbstractAxis *axis : {static_cast<QAbstractAxis *>(x), static_cast<QAbstractAxis *>(y)}) {
        axis->setLabelsBrush(p.color(QPalette::Text));
        axis->setTitleBrush(p.color(QPalette::Text));
        axis->setLabelsFont(font());
        axis->setGridLineColor(p.color(QPalette::Mid));
        axis->setLinePenColor(p.color(QPalette::Mid));
        chart->addAxis(axis, axis == x ? Qt::AlignBottom : Qt::AlignLeft);
    }
    for (QAbstractSeries *s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

void frmStatistik::replaceChart(QChartView *view, QChart *chart)
{
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
}

void frmStatistik::drawBoxChart()
{
    const Statistics::Figures &f = figures_;
    QChart *chart = newChart(QStringLiteral("Karteikasten im Lauf der Zeit"));
    qreal top = 0;
    if (f.anyAnswers) {
        // Each compartment's area lies on the one below it: its lower line
        // is the upper line of the compartment before.
        QLineSeries *lower = nullptr;
        QVector<QAreaSeries *> areas;
        for (int c = Fach::Pool; c <= Fach::Last; ++c) {
            auto *upper = new QLineSeries(chart);
            QVector<QPointF> points;
            for (qsizetype i = 0; i < f.days(); ++i) {
                if (!f.box[i])
                    continue;
                qreal below = 0;
                for (int b = Fach::Pool; b < c; ++b)
                    below += (*f.box[i])[b];
                points << QPointF(qreal(i), below + (*f.box[i])[c]);
                top = std::max(top, points.last().y());
            }
            upper->replace(points);
            auto *area = new QAreaSeries(upper, lower);
            area->setName(c == Fach::Pool ? QStringLiteral("Fach 0") : QStringLiteral("Fach %1").arg(c));
            area->setColor(kCompartmentColours[c]);
            area->setBorderColor(kCompartmentColours[c].darker(115));
            connect(area, &QAreaSeries::hovered, this, [this](const QPointF &point, bool on) {
                if (on)
                    showTip(chtVerlauf, boxTip(qsizetype(std::lround(point.x()))));
            });
            areas.prepend(area);
            lower = upper;
        }
        // The legend lists them as they lie, the last compartment on top.
        for (QAreaSeries *area : areas)
            chart->addSeries(area);
    }
    labelDays(chart, top, QStringLiteral("Karten"));
    replaceChart(chtVerlauf, chart);
}

void frmStatistik::drawAnswerChart()
{
    const Statistics::Figures &f = figures_;
    QChart *chart = newChart(QStringLiteral("Antworten pro Tag"));
    qreal top = 0;
    if (f.anyAnswers) {
        auto *right = new QBarSet(QStringLiteral("richtig"));
        auto *wrong = new QBarSet(QStringLiteral("falsch"));
        right->setColor(kRight);
        wrong->setColor(kWrong);
        right->setBorderColor(kRight);
        wrong->setBorderColor(kWrong);
        for (const Statistics::DayAnswers &d : f.answers) {
            *right << d.right;
            *wrong << d.wrong;
            top = std::max(top, qreal(d.right) + d.wrong);
        }
        auto *bars = new QStackedBarSeries;
        bars->setBarWidth(f.days() > 60 ? 1.0 : 0.7);
        bars->append(right);
        bars->append(wrong);
        connect(bars, &QStackedBarSeries::hovered, this, [this](bool on, int index, QBarSet *) {
            if (on)
                showTip(chtTage, answersTip(index));
        });
        chart->addSeries(bars);
    }
    labelDays(chart, top, QStringLiteral("Antworten"));
    replaceChart(chtTage, chart);
}

QString frmStatistik::dayText(qsizetype i) const
{
    return german().toString(figures_.first.addDays(i), QStringLiteral("dddd, d. MMMM yyyy"));
}

QString frmStatistik::boxTip(qsizetype i) const
{
    if (i < 0 || i >= figures_.days() || !figures_.box[i])
        return QString();
    const auto &box = *figures_.box[i];
    QString text = dayText(i);
    std::int32_t all = 0;
    for (int c = Fach::Last; c >= Fach::Pool; --c) {
        text += QStringLiteral("\nFach %1: %2").arg(c).arg(box[c]);
        all += box[c];
    }
    return text + QStringLiteral("\nzusammen: %1").arg(all);
}

QString frmStatistik::answersTip(qsizetype i) const
{
    if (i < 0 || i >= figures_.days())
        return QString();
    const Statistics::DayAnswers &d = figures_.answers[i];
    return dayText(i) + QStringLiteral("\n%1 richtig, %2 falsch").arg(d.right).arg(d.wrong);
}

// The tip stays on the chart as its tooltip too, so it shows again where
// the pointer rests.
void frmStatistik::showTip(QChartView *view, const QString &text)
{
    view->setToolTip(text);
    if (!text.isEmpty() && view->isVisible())
        QToolTip::showText(QCursor::pos(), text, view);
}

// ---------------------------------------------------------------- commands

void frmStatistik::cboZeitraum_Click(int)
{
    refresh();
}

void frmStatistik::lstSchwierig_DblClick(QListWidgetItem *item)
{
    if (!item)
        return;
    AppState &a = AppState::instance();
    a.EditVNr = item->data(Qt::UserRole).toInt();
    a.EditMode = true;
    Windows::open(Windows::Kind::Entry, this);
    a.EditMode = false;
    // The card may have been changed or deleted there.
    refresh();
}

void frmStatistik::btnNachFach1_Click()
{
    QVector<std::int32_t> vnrs;
    for (const Statistics::HardWord &w : figures_.hardest)
        vnrs << w.vnr;
    if (vnrs.isEmpty())
        return;
    const QString question = vnrs.size() == 1
        ? QStringLiteral("Soll die aufgelistete Vokabel in Fach 1 gelegt werden?")
        : QStringLiteral("Sollen die %1 aufgelisteten Vokabeln in Fach 1 gelegt werden?").arg(vnrs.size());
    if (!Msg::isYes(Msg::show(question, Msg::kAppTitle, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                              this)))
        return;
    Records::MoveResult result;
    Msg::guard(Msg::kAppTitle, [&] { result = Records::moveCards(vnrs, Fach::Start); }, this);
    refresh();
}

void frmStatistik::btnBild_Click()
{
    const QString suggested = QDir::home().filePath(QStringLiteral("Lernstatistik %1 %2.png")
                                                        .arg(AppState::instance().ForeignLanguage,
                                                             figures_.last.toString(Qt::ISODate)));
    QString path = Dialogs::saveFile(QStringLiteral("Als Bild speichern"), suggested,
                                     QStringLiteral("PNG-Bilder (*.png)"), this);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().compare(QStringLiteral("png"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".png");

    // Both charts one below the other, each at the size it has on screen.
    const QImage upper = chtVerlauf->grab().toImage();
    const QImage lower = chtTage->grab().toImage();
    QImage picture(std::max(upper.width(), lower.width()), upper.height() + lower.height(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(upper.devicePixelRatio());
    picture.fill(palette().color(QPalette::Base));
    {
        QPainter painter(&picture);
        painter.drawImage(QPoint(0, 0), upper);
        painter.drawImage(QPoint(0, int(upper.height() / upper.devicePixelRatio())), lower);
    }
    if (!picture.save(path, "PNG"))
        Msg::critical(QStringLiteral("Das Bild konnte nicht gespeichert werden:\r\n%1").arg(QDir::toNativeSeparators(path)),
                      QStringLiteral("Problem"), this);
}
