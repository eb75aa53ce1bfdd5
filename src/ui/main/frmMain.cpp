// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/frmMain.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "ui/common/Messages.h"
#include "core/Places.h"
#include "ui/common/Twips.h"
#include "store/Catalogue.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Dialogs.h"
#include "store/Statistics.h"
#include "ui/common/Guard.h"
#include "ui/common/Windows.h"
#include "wordlist/Layout.h"

#include <QDir>
#include <QFontMetrics>
#include <QDialog>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>

#include <algorithm>
#include <array>
#include <utility>

namespace {

const QColor kWindowBlue(192, 192, 255);
const QColor kOptionGrey(192, 192, 192);
const QColor kCountGrey(224, 224, 224);

constexpr Twips::Rect kClientSize{0, 0, 12075, 7815};
constexpr Twips::Rect kPanel{0, 0, 8295, 3135};
constexpr int kCornerGap = 240;
// The language pair under the program's name in the heading.
constexpr int kPairPoints = 13;

Twips::Rect boxRect(int i)
{
    return i == frmMain::kPoolBox ? Twips::Rect{360, 1080, 975, 735} : Twips::Rect{360 + 1080 * i, 2040, 975, 735};
}

Twips::Rect countRect(int i)
{
    return i == frmMain::kPoolBox ? Twips::Rect{480, 1440, 735, 255} : Twips::Rect{480 + 1080 * i, 2400, 735, 255};
}

struct ModeButton
{
    Twips::Rect rect;
    const char *caption;
    const char *tip;
};

const ModeButton kModes[5] = {
    {{2520, 240, 3135, 300}, "Vokabeln eingeben (nur Fach1)", "neue Vokabeln eingeben"},
    {{5880, 240, 1935, 300}, "Vokabeln üben", "Üben der eingegebenen Vokabeln"},
    {{5880, 600, 1935, 300}, "Blättern", "Lernen im Schnelldurchlauf"},
    {{5880, 960, 1935, 300}, "Übersicht", "Tabellarische Darstellung von Vokabeln eines Faches"},
    {{5880, 1320, 1935, 300}, "Kärtchen drucken", "Ausdrucken von Vokabel-Kärtchen"},
};

void paint(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(Places::programFile(QStringLiteral("pictures/vokamia.png"))));
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("centralWidget"));
    paint(central_, kWindowBlue);
    setCentralWidget(central_);
    central_->installEventFilter(this);

    buildMenus();
    buildCardBox();
    // The free upper left of the window names the card box on show.
    heading_ = new QLabel(central_);
    heading_->setObjectName(QStringLiteral("lblHeading"));
    heading_->setTextFormat(Qt::RichText);
    heading_->move(Twips::x(360, this), Twips::y(300, this));
    const QRect client = Twips::toPixels(kClientSize, this);
    showHeading();
    resize(client.width(), client.height() + menuBar()->sizeHint().height());

    startUp();
    // A window opened from here has the card box recounted when it closes.
    Windows::setCardBox(this, [this] {
        Form_Activate();
        staleOnActivation_ = false;
    });
}

frmMain::~frmMain() = default;

// ------------------------------------------------------------------- layout

void frmMain::buildCardBox()
{
    picKasten = new QWidget(central_);
    picKasten->setObjectName(QStringLiteral("picKasten"));
    picKasten->setFixedSize(Twips::x(kPanel.width, this), Twips::y(kPanel.height, this));
    paint(picKasten, kWindowBlue.lighter(106));

    const QPixmap box(Places::programFile(QStringLiteral("pictures/box.png")));
    const QPixmap pool(Places::programFile(QStringLiteral("pictures/pool.png")));
    const QPixmap pointerImage(Places::programFile(QStringLiteral("pictures/pointer.png")));
    const QCursor pointer = pointerImage.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(pointerImage, 1, 1);

    QFont countFont;
    countFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    countFont.setPointSizeF(9.75);

    imgBox.resize(Fach::Count);
    lblCount.resize(Fach::Count);
    lblBox.resize(Fach::Count);
    for (int i = 0; i < Fach::Count; ++i) {
        lblBox[i] = new QLabel(picKasten);
        lblBox[i]->setObjectName(Controls::indexedName("lblBox", i));
        Twips::place(lblBox[i], boxRect(i));

        imgBox[i] = new ClickLabel(picKasten);
        imgBox[i]->setObjectName(Controls::indexedName("imgBox", i));
        imgBox[i]->setPixmap(i == kPoolBox ? pool : box);
        imgBox[i]->setScaledContents(true);
        imgBox[i]->setCursor(pointer);
        Twips::place(imgBox[i], boxRect(i));
        imgBox[i]->setVisible(i == kPoolBox);
        connect(imgBox[i], &ClickLabel::clicked, this, [this, i] { clickBox(i); });

        lblCount[i] = new ClickLabel(picKasten);
        lblCount[i]->setObjectName(Controls::indexedName("lblCount", i));
        lblCount[i]->setFont(countFont);
        lblCount[i]->setAlignment(Qt::AlignCenter);
        paint(lblCount[i], kCountGrey);
        lblCount[i]->setCursor(pointer);
        Twips::place(lblCount[i], countRect(i));
        lblCount[i]->setVisible(i == kPoolBox);
        connect(lblCount[i], &ClickLabel::clicked, this, [this, i] { clickBox(i); });
    }
    for (int c = Fach::Start; c <= Fach::Last; ++c)
        imgBox[boxOf(c)]->setToolTip(QStringLiteral("Fach %1").arg(c));
    imgBox[kPoolBox]->setToolTip(QStringLiteral("Vokabeln, die noch nicht gelernt werden"));

    optMode.resize(5);
    for (int k = 0; k < 5; ++k) {
        optMode[k] = new QRadioButton(QString::fromUtf8(kModes[k].caption), picKasten);
        optMode[k]->setObjectName(Controls::indexedName("optMode", k));
        optMode[k]->setToolTip(QString::fromUtf8(kModes[k].tip));
        paint(optMode[k], kOptionGrey);
        Twips::place(optMode[k], kModes[k].rect);
        connect(optMode[k], &QRadioButton::clicked, this, [this, k] { clickMode(k); });
    }
}

void frmMain::placeCardBox()
{
    const int left = central_->width() - picKasten->width() - Twips::x(kCornerGap, this);
    const int top = central_->height() - picKasten->height() - Twips::y(kCornerGap, this);
    picKasten->move(left, top);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == central_ && event->type() == QEvent::Resize)
        placeCardBox();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Losing the focus makes the counts doubtful; getting it back recounts
    // them, unless the window that took the focus has closed through the
    // window opener, which has recounted them already.
    if (!isActiveWindow())
        staleOnActivation_ = true;
    else if (staleOnActivation_) {
        staleOnActivation_ = false;
        Form_Activate();
    }
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Without a window manager the window may never be activated; the card
    // box must still be filled once.
    if (!shownOnce_) {
        shownOnce_ = true;
        Form_Activate();
    }
}

void frmMain::SetTitle()
{
    setWindowTitle(QStringLiteral("Vokamia"));
}

// ----------------------------------------------------------------- card box

void frmMain::showHeading()
{
    const AppState &a = AppState::instance();
    // The heading is never wider than the card box below it: two long
    // language names are cut short here (the caption and the menu name
    // them whole) rather than widening the smallest window.
    const int room = picKasten->width();
    QFont pairFont = heading_->font();
    pairFont.setPointSizeF(kPairPoints);
    QString pair;
    if (!a.NativeLanguage.isEmpty() || !a.ForeignLanguage.isEmpty())
        pair = QFontMetrics(pairFont).elidedText(a.NativeLanguage + QStringLiteral(" – ") + a.ForeignLanguage,
                                                 Qt::ElideRight, room);
    heading_->setText(QStringLiteral("<div style='color:#303078'><span style='font-size:22pt; font-weight:bold'>"
                                     "Vokamia</span><br><span style='font-size:%2pt'>%1</span><br><br>"
                                     "<span style='font-size:9pt'>Klicken Sie auf ein Fach des Karteikastens.<br>"
                                     "Was dann geschieht, wählen Sie rechts unten.</span></div>")
                          .arg(pair.toHtmlEscaped())
                          .arg(kPairPoints));
    heading_->adjustSize();
    // The card box keeps to the lower right corner; the window never gets
    // so small that it would cover the heading in the upper left.
    const int gap = Twips::y(kCornerGap, this);
    const QRect text = heading_->geometry();
    central_->setMinimumSize(std::max(Twips::x(kPanel.width + 2 * kCornerGap, this), text.right() + 1 + gap),
                             text.bottom() + 1 + gap + picKasten->height() + gap);
}

void frmMain::Form_Activate()
{
    showHeading();
    CheckWordBook();
    recountCardBox();
    emit refreshed();
}

void frmMain::recountCardBox()
{
    // Entering new cards concerns the start compartment alone.
    if (AppState::instance().ClickAction == CardBoxClick::Enter)
        ShowStartCompartment();
    else
        CheckBoxes();
}

void frmMain::CheckBoxes()
{
    const AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    std::array<std::int32_t, Fach::Count> counts{};
    bool counted = true;
    for (int c = Fach::Start; c <= Fach::Last; ++c) {
        counted &= Msg::guard(QStringLiteral("Vokamia"), [&] {
            const int n = Records::countCompartment(c);
            counts[c] = n;
            lblCount[boxOf(c)]->setText(n ? QString::number(n) : QString());
            imgBox[boxOf(c)]->setVisible(n != 0);
            lblCount[boxOf(c)]->setVisible(n != 0);
            for (QAction *item : {mPage[c], mWork[c], mTable[c], mPrint[c]})
                item->setEnabled(n != 0);
        });
    }
    counted &= Msg::guard(QStringLiteral("Vokamia"), [&] {
        const int pool = Records::countCompartment(Fach::Pool);
        counts[Fach::Pool] = pool;
        lblCount[kPoolBox]->setText(pool ? QString::number(pool) : QStringLiteral("leer"));
    });
    // Whatever changed the cards (a practice, new cards, a deletion, another
    // program), the day's row of the card box follows the counts here.
    if (counted)
        Msg::guard(QStringLiteral("Vokamia"), [&] { Statistics::recordBox(counts); });
}

void frmMain::ShowStartCompartment()
{
    if (!AppState::instance().TableValid)
        return;
    Msg::guard(QStringLiteral("Vokamia"), [&] {
        const int n = Records::countCompartment(Fach::Start);
        lblCount[boxOf(Fach::Start)]->setText(n ? QString::number(n) : QStringLiteral("leer"));
    });
    Msg::guard(QStringLiteral("Vokamia"), [] { Statistics::recordBoxNow(); });
    for (int c = Fach::Start; c <= Fach::Last; ++c) {
        imgBox[boxOf(c)]->setVisible(c == Fach::Start);
        lblCount[boxOf(c)]->setVisible(c == Fach::Start);
    }
}

void frmMain::CheckWordBook()
{
    if (!AppState::instance().TableValid)
        return;
    Msg::guard(QStringLiteral("Vokamia"), [&] {
        const bool any = Records::countAll() != 0;
        mWordBook->menuAction()->setEnabled(any);
        mAdmin->setEnabled(any);
    });
}

void frmMain::clickBox(int i)
{
    AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    if (i == kPoolBox) {
        a.ManagerFromPool = true;
        managerCommand();
        a.ManagerFromPool = false;
        return;
    }
    const int c = i + Fach::Start;
    switch (a.ClickAction) {
    case CardBoxClick::Enter:
        entryCommand();
        break;
    case CardBoxClick::Practise:
        compartmentCommand(Windows::Kind::Practice, c);
        break;
    case CardBoxClick::Page:
        compartmentCommand(Windows::Kind::Paging, c);
        break;
    case CardBoxClick::Table:
        compartmentCommand(Windows::Kind::Table, c);
        break;
    case CardBoxClick::Print:
        compartmentCommand(Windows::Kind::Print, c);
        break;
    }
}

void frmMain::clickMode(int k)
{
    AppState &a = AppState::instance();
    if (!a.TableValid)
        return;
    // The option buttons stand in the order of the actions' numbers.
    a.ClickAction = CardBoxClick(k + 1);
    recountCardBox();
}

// ----------------------------------------------------------------- commands

void frmMain::openWindow(Windows::Kind window)
{
    Windows::open(window, this);
}

void frmMain::compartmentCommand(Windows::Kind window, int fach)
{
    AppState &a = AppState::instance();
    const bool prepared = Msg::guard([&] {
        a.CurrentFach = std::int16_t(fach);
        a.CompartmentRecordset.reset();
        a.CompartmentRecordset = Records::openCompartment(fach, window != Windows::Kind::Practice);
    });
    // A window without its rows could only fail further.
    if (prepared)
        openWindow(window);
}

void frmMain::entryCommand()
{
    openWindow(Windows::Kind::Entry);
}

void frmMain::managerCommand()
{
    openWindow(Windows::Kind::Manager);
}

void frmMain::statisticsCommand()
{
    openWindow(Windows::Kind::Statistics);
}

void frmMain::dictionaryCommand()
{
    openWindow(Windows::Kind::Dictionary);
}

void frmMain::fontsCommand()
{
    openWindow(Windows::Kind::Fonts);
}

void frmMain::addLanguageCommand()
{
    // The pair is added while the wizard still exists, so the card box is
    // recounted once, for the new pair.
    Windows::open(Windows::Kind::NewPair, this, [this](QDialog &window) {
        if (window.result() == QDialog::Accepted)
            addLanguagePair(std::exchange(AppState::instance().newPair, NewLanguagePair{}));
    });
}

void frmMain::addLanguagePair(const NewLanguagePair &pair)
{
    AppState &a = AppState::instance();
    if (!a.Database)
        return;

    // Table and catalogue row come together or not at all: a pair the engine
    // refuses leaves database, menu and current pair exactly as they were.
    const bool added
        = Msg::guard([&] { Catalogue::addLanguagePair(*a.Database, pair.native, pair.foreign); });
    if (!added)
        return;

    a.PairCount = std::int16_t(a.PairCount + 1);
    addLanguageItem(a.PairCount, pair.native + QStringLiteral(" - ") + pair.foreign);
    Msg::guard([&] { Catalogue::ensureSoundFolder(pair.foreign); });
    checkOnly(mLanguage, -1);
    a.LanguageCatalogue.resize(a.PairCount + 1);
    a.LanguageCatalogue[a.PairCount] = LanguagePair{a.PairCount, pair.table, pair.native, pair.foreign};
    mLanguage[a.PairCount]->setChecked(true);
    showPair(a.PairCount);
    ValidateLanguageTable();
}

void frmMain::helpCommand()
{
    Windows::showHelp(QStringLiteral("main.rtf"), this);
}

void frmMain::aboutCommand()
{
    openWindow(Windows::Kind::About);
}

void frmMain::soundPathCommand()
{
    openWindow(Windows::Kind::SoundFolder);
}

void frmMain::importCommand()
{
    AppState &a = AppState::instance();
    const QString title = QStringLiteral("Wortliste importieren");
    const QString path = Dialogs::openFile(title, QDir::homePath(), QStringLiteral("Wortlisten (*.csv *.tsv *.txt)"), this);
    if (path.isEmpty())
        return;
    // A file that is no word list at all (empty, binary, unreadable) is
    // refused before the window opens.
    const bool readable = Msg::guard(title, [&] {
        WordList::inspect(path, {a.ForeignLanguage, a.NativeLanguage});
    }, this);
    if (!readable)
        return;
    a.WordListFile = path;
    openWindow(Windows::Kind::Import);
}

void frmMain::exportCommand()
{
    openWindow(Windows::Kind::Export);
}

void frmMain::backupsCommand()
{
    Windows::open(Windows::Kind::Backups, this, [this](QDialog &window) {
        if (window.result() == QDialog::Accepted)
            reloadAfterRestore();
    });
}
