// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QTextBrowser;

// The help viewer: shows the rich-text help file named by
// AppState::instance().HelpFile, read-only.
//
// Loading (the constructor): a missing file is reported with the message
// "Hilfedatei" CR LF path CR LF "nicht vorhanden!" (warning icon, title
// "Hilfedatei fehlt") and the viewer opens empty; a file that exists but
// cannot be read (no permission, larger than kMaxHelpFileSize) opens empty
// without a message. The file is converted by Rtf::toHtml, so a file that is
// not RTF at all shows as plain text.
class frmHelp : public QDialog
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxHelpFileSize = 32 * 1024 * 1024;

    explicit frmHelp(QWidget *parent = nullptr);

    QTextBrowser *rtfHilfe = nullptr;
    QPushButton *btnExit = nullptr;

protected:
    bool event(QEvent *e) override;

private:
    void loadHelpFile();
    void alignHangingTabs();
};
