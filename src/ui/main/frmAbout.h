// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QTimer;

// The about box: title, the build's version and two pictures that take
// turns while the box is open.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // How long each of the two pictures stays up.
    static constexpr int kPictureIntervalMs = 800;

    explicit frmAbout(QWidget *parent = nullptr);

    // 0 while about1.png is shown, 1 while about2.png is shown.
    int currentPicture() const { return current_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void showNextPicture();

private:
    QPixmap loadPicture(const QString &name) const;
    void showPicture(int index);

    QLabel *imgPicture_ = nullptr;
    QTimer *tmrPictures_ = nullptr;
    QPixmap pictures_[2];
    int current_ = 0;
};
