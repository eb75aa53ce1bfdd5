// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowTable.h"

#include "ui/appearance/frmFonts.h"
#include "ui/appearance/frmHelp.h"
#include "ui/backup/frmSicherung.h"
#include "ui/browse/frmPage.h"
#include "ui/browse/frmTable.h"
#include "ui/main/frmAbout.h"
#include "ui/main/frmLanguage.h"
#include "ui/maintain/frmManage.h"
#include "ui/maintain/frmNew.h"
#include "ui/maintain/frmWBook.h"
#include "ui/practice/frmVokabel.h"
#include "ui/print/frmPrint.h"
#include "ui/sound/frmSPfad.h"
#include "ui/sound/frmSound.h"
#include "ui/wordlist/frmExport.h"
#include "ui/wordlist/frmImport.h"
#include "ui/stats/frmStatistik.h"

namespace WindowTable {

QDialog *build(Windows::Kind kind, QWidget *parent)
{
    using K = Windows::Kind;
    switch (kind) {
    case K::Help: return new frmHelp(parent);
    case K::About: return new frmAbout(parent);
    case K::SoundFolder: return new frmSPfad(parent);
    case K::NewPair: return new frmLanguage(parent);
    case K::Recording: return new frmSound(parent);
    case K::Paging: return new frmPage(parent);
    case K::Table: return new frmTable(parent);
    case K::Fonts: return new frmFonts(parent);
    case K::Print: return new frmPrint(parent);
    case K::Practice: return new frmVokabel(parent);
    case K::Entry: return new frmNew(parent);
    case K::Manager: return new frmManage(parent);
    case K::Dictionary: return new frmWBook(parent);
    case K::Import: return new frmImport(parent);
    case K::Export: return new frmExport(parent);
    case K::Backups: return new frmSicherung(parent);
    case K::Statistics: return new frmStatistik(parent);
    }
    return nullptr;
}

void install()
{
    Windows::setFactory(&build);
}

} // namespace WindowTable
