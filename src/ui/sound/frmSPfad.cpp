// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/sound/frmSPfad.h"
#include "ui/common/AltKeys.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "core/Places.h"
#include "store/Settings.h"
#include "ui/common/Guard.h"
#include "ui/common/Windows.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>


frmSPfad::frmSPfad(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmSPfad"));
    setWindowTitle(QStringLiteral("Soundpfad einstellen"));
    setModal(true);
    setSizeGripEnabled(true);

    lblPfad = new QLabel(QStringLiteral("eingestellter Soundpfad "), this);
    lblPfad->setObjectName(QStringLiteral("lblPfad"));

    txtSPfad = new QLineEdit(this);
    txtSPfad->setObjectName(QStringLiteral("txtSPfad"));
    lblPfad->setBuddy(txtSPfad);

    model_ = new QFileSystemModel(this);
    model_->setObjectName(QStringLiteral("folderModel"));
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));

    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        Dir1->hideColumn(column);
    Dir1->setHeaderHidden(true);
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1->setMinimumHeight(240);
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!loading_ && current.isValid())
                    txtSPfad->setText(model_->filePath(current));
            });

    btnOk = new QPushButton(QStringLiteral("&Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("&Hilfe"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton *b : {btnOk, btnCancel, btnHelp})
        b->setAutoDefault(false);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &frmSPfad::btnOk_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmSPfad::reject);
    connect(btnHelp, &QPushButton::clicked, this, &frmSPfad::btnHelp_Click);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(lblPfad);
    pathRow->addWidget(txtSPfad, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pathRow);
    layout->addWidget(Dir1, 1);
    layout->addLayout(buttons);
    resize(520, 420);

    const QString stored = AppState::instance().SoundPath;
    txtSPfad->setText(stored);
    showFolderInTree(treeFolder(stored));
    txtSPfad->setFocus();
}

QString frmSPfad::treeFolder(const QString &stored)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:([\\\\/].*)?$"));
    if (drive.match(stored).hasMatch())
        return Places::dataFolder();
    if (stored.isEmpty() || !QFileInfo(stored).isDir())
        return QDir::homePath();
    return QFileInfo(stored).absoluteFilePath();
}

QString frmSPfad::folderOf(const QString &typed)
{
    QString folder = typed;
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    return folder;
}

void frmSPfad::showFolderInTree(const QString &folder)
{
    // Selecting the folder must not touch the text the learner sees.
    const QModelIndex index = model_->index(folder);
    if (!index.isValid())
        return;
    loading_ = true;
    Dir1->setCurrentIndex(index);
    loading_ = false;
    pendingFolder_ = model_->filePath(index);
    // The model reads the folders above it in the background and inserts
    // and sorts their rows later; every such change moves it again.
    auto above = [this](const QModelIndex &parent) {
        if (pendingFolder_.isEmpty())
            return false;
        if (!parent.isValid())
            return true;
        const QString path = model_->filePath(parent);
        return pendingFolder_.startsWith(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'));
    };
    connect(model_, &QFileSystemModel::rowsInserted, this, [this, above](const QModelIndex &parent) {
        if (above(parent))
            scheduleScroll();
    });
    connect(model_, &QFileSystemModel::layoutChanged, this, [this] {
        if (!pendingFolder_.isEmpty())
            scheduleScroll();
    });
    // Once the learner scrolls himself, the tree is his.
    connect(Dir1->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { pendingFolder_.clear(); });
    scrollToFolder();
}

void frmSPfad::scheduleScroll()
{
    // After the view has laid the new rows out.
    if (!scrollQueued_) {
        scrollQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            scrollQueued_ = false;
            if (!pendingFolder_.isEmpty())
                scrollToFolder();
        });
    }
}

void frmSPfad::scrollToFolder()
{
    const QModelIndex index = model_->index(pendingFolder_);
    // Once the learner has picked another folder, the tree is his.
    if (!index.isValid() || Dir1->currentIndex() != index) {
        pendingFolder_.clear();
        return;
    }
    Dir1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void frmSPfad::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Only now has the tree its real height to centre the folder in.
    if (!pendingFolder_.isEmpty())
        scrollToFolder();
}

void frmSPfad::btnOk_Click()
{
    AppState &a = AppState::instance();
    const QString folder = folderOf(txtSPfad->text());
    const QString previous = a.SoundPath;
    a.SoundPath = folder;
    if (!Msg::guard(Msg::kAppTitle, [] { Settings::SaveSettings(); }, this)) {
        // What is not stored is not in force either; the dialog stays open
        // with the learner's text.
        a.SoundPath = previous;
        return;
    }
    Msg::show(QStringLiteral("Der neue Sound-Pfad ist ") + Msg::kCrLf + folder, QStringLiteral("Neuer Sound-Pfad"),
              QMessageBox::Information, QMessageBox::Ok, this);
    QDialog::accept();
}

void frmSPfad::reject()
{
    Msg::show(QStringLiteral("Der bisherige Soundpfad") + Msg::kCrLf + AppState::instance().SoundPath + Msg::kCrLf
                  + QStringLiteral("bleibt eingestellt."),
              Msg::kAppTitle, QMessageBox::Information, QMessageBox::Ok, this);
    QDialog::reject();
}

void frmSPfad::btnHelp_Click()
{
    Windows::showHelp(QStringLiteral("Spfad.rtf"), this);
}
