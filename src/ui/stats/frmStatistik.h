// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/Statistics.h"

#include <QDialog>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The learning statistics of the current pair: the card box over time, the
// answers of each day, the series of days practised, today's answers and
// the words that fail most, for a period the learner chooses. The figures
// come summed up from the store (Statistics::figures); the window only
// draws them.
class frmStatistik : public QDialog
{
    Q_OBJECT

public:
    explicit frmStatistik(QWidget *parent = nullptr);
    ~frmStatistik() override;

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void load();
    // Reads the figures of the chosen period and shows them.
    void refresh();
    void showFigures();
    void drawBoxChart();
    void drawAnswerChart();
    // A chart in the window's colours, with German labels for the days of
    // the period along its bottom.
    QChart *newChart(const QString &title) const;
    void labelDays(QChart *chart, qreal top, const QString &valueTitle);
    void replaceChart(QChartView *view, QChart *chart);

    QString dayText(qsizetype i) const;
    QString boxTip(qsizetype i) const;
    QString answersTip(qsizetype i) const;
    void showTip(QChartView *view, const QString &text);

    void cboZeitraum_Click(int index);
    void lstSchwierig_DblClick(QListWidgetItem *item);
    void btnNachFach1_Click();
    void btnBild_Click();

    Statistics::Figures figures_;

    QLabel *lblZeitraum = nullptr;
    QComboBox *cboZeitraum = nullptr;
    QLabel *lblSerie = nullptr;
    QLabel *lblHeute = nullptr;
    QLabel *lblLeer = nullptr;
    QLabel *lblFehler = nullptr;
    QChartView *chtVerlauf = nullptr;
    QChartView *chtTage = nullptr;
    QLabel *lblSchwierig = nullptr;
    QListWidget *lstSchwierig = nullptr;
    QPushButton *btnNachFach1 = nullptr;
    QPushButton *btnBild = nullptr;
    QPushButton *btnHelp = nullptr;
    QPushButton *btnExit = nullptr;
};
