// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/appearance/frmHelp.h"
#include "ui/common/AltKeys.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "text/RtfToHtml.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Vuruver-Uredidi-Hilfe"));
    setModal(true);
    setSizeGripEnabled(true);

    rtfHilfe = new QTextBrowser(this);
    rtfHilfe->setObjectName(QStringLiteral("rtfHilfe"));
    rtfHilfe->setReadOnly(true);
    // The text comes from a file; it must not open anything by itself.
    rtfHilfe->setOpenLinks(false);
    rtfHilfe->setOpenExternalLinks(false);
    rtfHilfe->document()->setDocumentMargin(12);
    // Half-inch tab stops, as in word processors.
    rtfHilfe->setTabStopDistance(48);

    btnExit = new QPushButton(QStringLiteral("&Beenden"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setToolTip(QStringLiteral("Beenden des Hilfefensters"));
    btnExit->setAutoDefault(false);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rtfHilfe, 1);
    layout->addLayout(buttons);

    resize(640, 520);
    rtfHilfe->setFocus();

    loadHelpFile();
}

void frmHelp::loadHelpFile()
{
    const QString path = AppState::instance().HelpFile;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        Msg::show(QStringLiteral("Hilfedatei") + Msg::kCrLf + path + Msg::kCrLf
                      + QStringLiteral("nicht vorhanden!"),
                  QStringLiteral("Hilfedatei fehlt"), QMessageBox::Warning, QMessageBox::Ok,
                  parentWidget());
        return;
    }
    if (info.size() > kMaxHelpFileSize)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.read(kMaxHelpFileSize);
    if (data.isEmpty())
        return;
    rtfHilfe->setHtml(rtfToHtml(data));
    alignHangingTabs();
    rtfHilfe->moveCursor(QTextCursor::Start);
}

// A list item in RTF is a paragraph with a hanging indent: bullet or
// number, a tab, then the text. Word processors let that tab reach the
// indent, where the following lines of the item start; a block with a
// negative first-line indent gets a tab stop there.
void frmHelp::alignHangingTabs()
{
    QTextDocument *doc = rtfHilfe->document();
    QTextCursor cursor(doc);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.textIndent() >= 0 || !block.text().contains(QLatin1Char('\t')))
            continue;
        format.setTabPositions({QTextOption::Tab(-format.textIndent(), QTextOption::LeftTab)});
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
}

bool frmHelp::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate && rtfHilfe)
        rtfHilfe->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(e);
}
