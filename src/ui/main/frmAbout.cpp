// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmAbout.h"
#include "ui/common/AltKeys.h"

#include "VokamiaVersion.h"

#include "core/Places.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Logical size of the pictures; the files carry twice as many pixels so
// that they stay sharp on HiDPI screens.
constexpr int kPictureWidth = 128;
constexpr int kPictureHeight = 96;
} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Über Vokamia"));
    setModal(true);
    setWindowIcon(QIcon(Places::programFile(QStringLiteral("pictures/vokamia.png"))));

    auto *lblTitle = new QLabel(QStringLiteral("Vokamia"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    auto *lblVersion = new QLabel(QStringLiteral("Version " VOKAMIA_VERSION_FULL), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto *lblText = new QLabel(QStringLiteral("Ein Vokabeltrainer mit Karteikasten:\n"
                                              "acht Fächer, vom Vorrat der neuen Wörter\n"
                                              "bis ins siebte Fach für die sicher gelernten."),
                               this);
    lblText->setObjectName(QStringLiteral("lblText"));

    imgPicture_ = new QLabel(this);
    imgPicture_->setObjectName(QStringLiteral("imgPicture"));
    imgPicture_->setFixedSize(kPictureWidth, kPictureHeight);
    imgPicture_->setAlignment(Qt::AlignCenter);

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblText);
    texts->addStretch();

    auto *top = new QHBoxLayout;
    top->addWidget(imgPicture_, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    pictures_[0] = loadPicture(QStringLiteral("about1.png"));
    pictures_[1] = loadPicture(QStringLiteral("about2.png"));
    showPicture(0);

    tmrPictures_ = new QTimer(this);
    tmrPictures_->setObjectName(QStringLiteral("tmrPictures"));
    tmrPictures_->setInterval(kPictureIntervalMs);
    connect(tmrPictures_, &QTimer::timeout, this, &frmAbout::showNextPicture);
}

QPixmap frmAbout::loadPicture(const QString &name) const
{
    // A missing picture leaves an empty space; the box is still useful.
    QPixmap file(Places::programFile(QStringLiteral("pictures/") + name));
    if (file.isNull())
        return file;
    const qreal ratio = devicePixelRatioF();
    QPixmap scaled = file.scaled(QSize(kPictureWidth, kPictureHeight) * ratio, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

void frmAbout::showPicture(int index)
{
    current_ = index;
    imgPicture_->setPixmap(pictures_[index]);
}

void frmAbout::showNextPicture()
{
    showPicture(1 - current_);
}

// The pictures only change while someone can see them.
void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    tmrPictures_->start();
}

void frmAbout::hideEvent(QHideEvent *event)
{
    tmrPictures_->stop();
    QDialog::hideEvent(event);
}
