// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/backup/frmSicherung.h"

#include "core/AppState.h"
#include "store/BackupCopy.h"
#include "store/Engine.h"
#include "store/Settings.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Safeguard.h"
#include "ui/common/Windows.h"

#include <QDesktopServices>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString kTitle = QStringLiteral("Sicherungen");

frmSicherung::FolderOpener &opener()
{
    static frmSicherung::FolderOpener o = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    return o;
}

QString countsText(const QVector<BackupCopy::PairCount> &pairs)
{
    QStringList parts;
    qint64 total = 0;
    for (const BackupCopy::PairCount &p : pairs) {
        parts << QStringLiteral("%1: %2").arg(p.language).arg(p.cards);
        total += p.cards;
    }
    if (parts.isEmpty())
        return QStringLiteral("keine Vokabeln");
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" (zusammen %1 Vokabeln)").arg(total);
}

QString shownTime(const QString &backupPath)
{
    const auto when = BackupCopy::timeOf(QFileInfo(backupPath).fileName());
    return when ? when->toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QString();
}

} // namespace

frmSicherung::frmSicherung(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmSicherung"));
    setWindowTitle(kTitle);
    setModal(true);
    setSizeGripEnabled(true);

    auto *lblFolderCaption = new QLabel(QStringLiteral("Sicherungsordner:"), this);
    lblFolderCaption->setObjectName(QStringLiteral("lblOrdnerText"));
    lblOrdner = new QLabel(this);
    lblOrdner->setObjectName(QStringLiteral("lblOrdner"));
    lblOrdner->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblOrdner->setWordWrap(true);
    lblOrdner->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    lstSicherungen = new QListWidget(this);
    lstSicherungen->setObjectName(QStringLiteral("lstSicherungen"));
    lstSicherungen->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSicherungen->setMinimumHeight(120);

    lblAufnahmen = new QLabel(QStringLiteral("Die Tonaufnahmen der Vokabeln gehören nicht zur Sicherung; "
                                             "sichern Sie ihre Ordner bei Bedarf selbst."),
                              this);
    lblAufnahmen->setObjectName(QStringLiteral("lblAufnahmen"));
    lblAufnahmen->setWordWrap(true);

    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        return b;
    };
    btnJetzt = button("btnJetzt", QStringLiteral("&Jetzt sichern"));
    btnWiederherstellen = button("btnWiederherstellen", QStringLiteral("&Wiederherstellen"));
    btnOrdnerWaehlen = button("btnOrdnerWaehlen", QStringLiteral("&Ordner wählen …"));
    btnOrdner = button("btnOrdner", QStringLiteral("Ordner ö&ffnen"));
    btnHelp = button("btnHelp", QStringLiteral("&Hilfe"));
    btnExit = button("btnExit", QStringLiteral("&Beenden"));
    btnJetzt->setDefault(true);
    btnWiederherstellen->setEnabled(false);

    connect(btnJetzt, &QPushButton::clicked, this, &frmSicherung::btnJetzt_Click);
    connect(btnWiederherstellen, &QPushButton::clicked, this, &frmSicherung::btnWiederherstellen_Click);
    connect(btnOrdnerWaehlen, &QPushButton::clicked, this, &frmSicherung::btnOrdnerWaehlen_Click);
    connect(btnOrdner, &QPushButton::clicked, this, &frmSicherung::btnOrdner_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("Sicherung.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, [this] {
        if (property("restored").toBool())
            accept();
        else
            reject();
    });
    connect(lstSicherungen, &QListWidget::itemSelectionChanged, this,
            [this] { btnWiederherstellen->setEnabled(!selectedPath().isEmpty()); });

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(lblFolderCaption);
    folderRow->addWidget(lblOrdner, 1);

    auto *side = new QVBoxLayout;
    for (QPushButton *b : {btnJetzt, btnWiederherstellen, btnOrdnerWaehlen, btnOrdner})
        side->addWidget(b);
    side->addStretch(1);
    side->addWidget(btnHelp);
    side->addWidget(btnExit);

    auto *middle = new QHBoxLayout;
    middle->addWidget(lstSicherungen, 1);
    middle->addLayout(side);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addLayout(middle, 1);
    layout->addWidget(lblAufnahmen);

    resize(560, 360);

    fill();
}

void frmSicherung::showEvent(QShowEvent *event)
{
    // Measured once the style has polished the controls: before, their
    // sizes are not yet what the screen shows.
    if (!minimumFitted_) {
        minimumFitted_ = true;
        // Small enough for a small screen, never so small that the buttons
        // squeeze together or a line of the list is cut: the wrapped labels
        // would otherwise let the window shrink below what its controls need.
        const QFontMetrics fm(lstSicherungen->font());
        lstSicherungen->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("88.88.8888 88:88 - 8888888 Vokabeln - 8888 MB"))
                                        + 2 * lstSicherungen->frameWidth() + fm.averageCharWidth() * 2);
        lstSicherungen->setMinimumHeight(fm.lineSpacing() * 4 + 2 * lstSicherungen->frameWidth());
        layout()->activate();
        const int minWidth = layout()->minimumSize().width();
        setMinimumSize(minWidth, layout()->minimumHeightForWidth(minWidth));
        resize(std::max(width(), minimumWidth()), std::max(height(), minimumHeight()));
    }
    QDialog::showEvent(event);
}

void frmSicherung::setFolderOpener(FolderOpener o)
{
    opener() = o ? std::move(o) : [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

QString frmSicherung::lineFor(const QString &backupPath)
{
    const double mb = double(QFileInfo(backupPath).size()) / (1024.0 * 1024.0);
    const qint64 size = std::max<qint64>(1, std::llround(mb));
    QString cards;
    try {
        cards = QStringLiteral("%1 Vokabeln").arg(BackupCopy::summaryOf(backupPath).cards());
    } catch (const std::exception &) {
        cards = QStringLiteral("nicht lesbar");
    }
    return QStringLiteral("%1 - %2 - %3 MB").arg(shownTime(backupPath), cards).arg(size);
}

void frmSicherung::fill()
{
    const QString folder = Safeguard::folder();
    lblOrdner->setText(QDir::toNativeSeparators(folder));
    lstSicherungen->clear();
    for (const QString &path : BackupCopy::list(folder)) {
        auto *item = new QListWidgetItem(lineFor(path), lstSicherungen);
        item->setData(Qt::UserRole, path);
    }
    btnWiederherstellen->setEnabled(!selectedPath().isEmpty());
}

QString frmSicherung::selectedPath() const
{
    const QList<QListWidgetItem *> items = lstSicherungen->selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(Qt::UserRole).toString();
}

void frmSicherung::btnJetzt_Click()
{
    const QString error = Safeguard::backupNow(this);
    if (!error.isEmpty())
        Msg::critical(QStringLiteral("Die Sicherung ist fehlgeschlagen: %1").arg(error), kTitle, this);
    fill();
    if (lstSicherungen->count() > 0)
        lstSicherungen->setCurrentRow(0);
}

void frmSicherung::btnWiederherstellen_Click()
{
    AppState &a = AppState::instance();
    const QString path = selectedPath();
    if (path.isEmpty() || !a.Database)
        return;

    BackupCopy::Summary then;
    QVector<BackupCopy::PairCount> now;
    if (!Msg::guard(kTitle, [&] {
            then = BackupCopy::summaryOf(path);
            now = BackupCopy::countsOf(a.Database->path());
        }, this))
        return;
    const QString question =
        QStringLiteral("Sollen die Vokabeln auf den Stand vom %1 zurückgesetzt werden?\r\n\r\n"
                       "In der Sicherung: %2\r\nHeute: %3\r\n\r\n"
                       "Der heutige Stand wird vorher gesichert; so lässt sich das Wiederherstellen rückgängig "
                       "machen. Die Einstellungen bleiben, wie sie sind.")
            .arg(shownTime(path), countsText(then.pairs), countsText(now));
    if (Msg::show(question, kTitle, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, this, QMessageBox::No)
        != QMessageBox::Yes)
        return;

    // What is checked is what is restored: a copy of the backup, out of
    // reach of anything else that might change the file meanwhile.
    // A large backup takes a while to check; the window keeps painting.
    std::optional<BackupCopy::CheckedCopy> checked;
    const QString folder = Safeguard::folder();
    const bool ok = Msg::guard(kTitle, [&] {
        Safeguard::inBackground(this, QStringLiteral("Die Sicherung wird geprüft ..."), [&] {
            try {
                checked.emplace(BackupCopy::check(path, folder));
            } catch (const store::Error &e) {
                if (e.description().startsWith(QStringLiteral("Die Sicherung")))
                    throw;
                // A folder one can read but not write: check beside the
                // system's temporary files instead.
                checked.emplace(BackupCopy::check(path, QDir::tempPath()));
            }
        });
    }, this);
    if (!ok)
        return;
    if (!Safeguard::beforeBulkChange(this))
        return;
    const bool restored = Msg::guard(kTitle, [&] {
        BusyCursor hourglass;
        a.Database->replaceContent(checked->path());
    }, this);
    checked.reset();
    fill();
    if (!restored)
        return;
    setProperty("restored", true);
    Msg::show(QStringLiteral("Der Stand vom %1 ist wiederhergestellt.").arg(shownTime(path)), kTitle,
              QMessageBox::Information, QMessageBox::Ok, this);
    accept();
}

void frmSicherung::btnOrdnerWaehlen_Click()
{
    const QString chosen = Dialogs::directory(QStringLiteral("Sicherungsordner wählen"), Safeguard::folder(), this);
    if (chosen.isEmpty())
        return;
    if (Msg::guard(kTitle, [&] { Settings::SaveBackupFolder(QDir::cleanPath(chosen)); }, this))
        fill();
}

void frmSicherung::btnOrdner_Click()
{
    const QString folder = Safeguard::folder();
    if (!QDir().mkpath(folder) || !opener()(QUrl::fromLocalFile(folder)))
        Msg::critical(QStringLiteral("Der Ordner „%1“ lässt sich nicht öffnen.").arg(QDir::toNativeSeparators(folder)),
                      kTitle, this);
}
