// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/browse/frmPage.h"
#include "ui/common/AltKeys.h"

#include "core/AppState.h"
#include "core/Types.h"
#include "audio/Mci.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Appearance.h"
#include "ui/common/Guard.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr Twips::Rect kWindow{0, 0, 7215, 5025};
constexpr Twips::Rect kMotherFrame{120, 60, 6975, 1995};
constexpr Twips::Rect kForeignFrame{120, 2160, 6975, 1995};
// Inside either frame.
constexpr Twips::Rect kWord{240, 360, 6495, 405};
constexpr Twips::Rect kForeignWord{240, 360, 5295, 405};
constexpr Twips::Rect kArticle{5655, 360, 1080, 405};
constexpr Twips::Rect kSentence{240, 885, 6495, 960};
// The row at the bottom, from the left.
constexpr Twips::Rect kNumber{240, 4380, 1095, 375};
constexpr Twips::Rect kBack{1455, 4290, 735, 525};
constexpr Twips::Rect kNext{2310, 4290, 735, 525};
constexpr Twips::Rect kHelp{4440, 4350, 1215, 405};
constexpr Twips::Rect kExit{5880, 4350, 1215, 405};

constexpr qreal kWordPoints = 12;
constexpr qreal kSentencePoints = 9.75;

const QString kWordSound = QStringLiteral("FVokSound");
const QString kSentenceSound = QStringLiteral("FSatzSound");

QFont arial(qreal points, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QLineEdit *lineField(QWidget *parent, const char *name, const QString &tip, const Twips::Rect &r)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setToolTip(tip);
    t->setReadOnly(true);
    // The keys stay with the paging buttons, also after a click on a word.
    t->setFocusPolicy(Qt::NoFocus);
    QFont f = t->font();
    f.setPointSizeF(kWordPoints);
    t->setFont(f);
    Twips::place(t, r);
    return t;
}

QPlainTextEdit *textField(QWidget *parent, const char *name, const QString &tip, const Twips::Rect &r)
{
    auto *t = new QPlainTextEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setToolTip(tip);
    t->setReadOnly(true);
    t->setFocusPolicy(Qt::NoFocus);
    QFont f = t->font();
    f.setPointSizeF(kSentencePoints);
    t->setFont(f);
    Twips::place(t, r);
    return t;
}

} // namespace

frmPage::frmPage(QWidget *parent) : QDialog(parent)
{
    AltKeys::guard();
    setObjectName(QStringLiteral("frmPage"));
    setWindowTitle(QStringLiteral("Blättern"));
    setModal(true);
    buildControls();
    load();
}

frmPage::~frmPage() = default;

void frmPage::buildControls()
{
    setFixedSize(Twips::x(kWindow.width, this), Twips::y(kWindow.height, this));

    frmMother = new QGroupBox(QStringLiteral("  Muttersprache: "), this);
    frmMother->setObjectName(QStringLiteral("frmMother"));
    Twips::place(frmMother, kMotherFrame);
    txtDVok = lineField(frmMother, "txtDVok", QStringLiteral("Anzeige der deutschen Vokabel"), kWord);
    txtDSatz = textField(frmMother, "txtDSatz", QStringLiteral("Anzeige des deutschen Satzes, sofern vorhanden"),
                         kSentence);

    frmForeign = new QGroupBox(QStringLiteral(" Fremdsprache: "), this);
    frmForeign->setObjectName(QStringLiteral("frmForeign"));
    Twips::place(frmForeign, kForeignFrame);
    txtIVok = lineField(frmForeign, "txtIVok", QStringLiteral("Anzeige des Fremdwortes"), kForeignWord);
    txtArtikel = lineField(frmForeign, "txtArtikel", QStringLiteral("Artikel der Vokabel (Fremdsprache)"), kArticle);
    txtArtikel->setText(QStringLiteral("m/f"));
    txtISatz = textField(frmForeign, "txtISatz", QStringLiteral("Beispielsatz in der Fremdsprache"), kSentence);
    txtIVok->installEventFilter(this);
    txtISatz->viewport()->installEventFilter(this);

    lblNr = new QLabel(this);
    lblNr->setObjectName(QStringLiteral("lblNr"));
    lblNr->setToolTip(QStringLiteral("zeigt die laufende Nummer einer Vokabel an"));
    lblNr->setFont(arial(12));
    lblNr->setAlignment(Qt::AlignCenter);
    Twips::place(lblNr, kNumber);

    auto button = [this](const char *name, const QString &caption, const QString &tip, const Twips::Rect &r) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        Twips::place(b, r);
        return b;
    };
    btnBack = button("btnBack", QStringLiteral("<"), QStringLiteral("zurück Blättern"), kBack);
    btnNext = button("btnNext", QStringLiteral(">"), QStringLiteral("vorwärts Blättern"), kNext);
    btnHelp = button("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfedialoges"), kHelp);
    btnExit = button("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Beenden des Schnelldurchlaufes"), kExit);
    btnBack->setFont(arial(15.75, true));
    btnNext->setFont(arial(15.75, true));
    btnNext->setDefault(true);
    btnBack->installEventFilter(this);
    btnNext->installEventFilter(this);

    connect(btnNext, &QPushButton::clicked, this, &frmPage::btnNext_Click);
    connect(btnBack, &QPushButton::clicked, this, &frmPage::btnBack_Click);
    connect(btnHelp, &QPushButton::clicked, this, [this] { Windows::showHelp(QStringLiteral("View.rtf"), this); });
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(btnBack, btnNext);
    setTabOrder(btnNext, btnHelp);
    setTabOrder(btnHelp, btnExit);
    btnNext->setFocus();
}

void frmPage::applyLanguages()
{
    const AppState &a = AppState::instance();
    frmMother->setTitle(frmMother->title() + a.NativeLanguage);
    frmForeign->setTitle(frmForeign->title() + a.ForeignLanguage);
    Appearance::apply(txtIVok, Appearance::Language::Foreign);
    Appearance::apply(txtISatz, Appearance::Language::Foreign);
    Appearance::apply(txtDVok, Appearance::Language::Native);
    Appearance::apply(txtDSatz, Appearance::Language::Native);
    // English nouns have no article to learn.
    if (a.ForeignLanguage == QLatin1String("Englisch")) {
        txtArtikel->hide();
        txtIVok->resize(txtDVok->width(), txtIVok->height());
    }
}

void frmPage::load()
{
    const AppState &a = AppState::instance();
    applyLanguages();
    rs_ = a.CompartmentRecordset;
    Msg::guard(Msg::kAppTitle, [this] {
        if (!rs_)
            return;
        rs_->moveLast();
        PageCount = rs_->recordCount();
    }, this);
    setWindowTitle(QStringLiteral("Blättern im Fach ") + QString::number(a.CurrentFach) + QStringLiteral(" - ")
                   + QString::number(PageCount) + QStringLiteral(" Vokabeln"));
    // Without cards there is no first card to number.
    setNumber(PageCount > 0 ? 1 : 0);
    Mci::MciCommand(QStringLiteral("open waveaudio"));

    // Every card is shown, also one without a native word, so the number
    // always tells the card's place in the compartment.
    bool shown = false;
    Msg::guard(Msg::kAppTitle, [&] {
        if (!rs_ || PageCount == 0)
            return;
        rs_->moveFirst();
        showCard();
        shown = true;
    }, this);
    if (shown)
        Msg::guard(Msg::kAppTitle, [this] { playSound(kWordSound); }, this);
}

void frmPage::setNumber(std::int32_t n)
{
    number_ = n;
    lblNr->setText(QString::number(n));
}

void frmPage::showCard()
{
    const VocabularyRecord card = Records::readCard(*rs_);
    txtDVok->setText(card.MVok);
    txtDSatz->setPlainText(card.MSatz);
    txtIVok->setText(card.FVok);
    txtISatz->setPlainText(card.FSatz);
    txtArtikel->setText(card.Artikel);
    for (QLineEdit *t : {txtDVok, txtIVok, txtArtikel})
        t->setCursorPosition(0);
}

void frmPage::stop()
{
    Mci::MciCommand(QStringLiteral("STOP ") + SoundFile);
}

void frmPage::playSound(const QString &field)
{
    stop();
    if (!rs_ || rs_->eof() || rs_->bof())
        return;
    // An empty path is no recording either.
    const QString file = rs_->text(field);
    if (file.isEmpty())
        return;
    SoundFile = file;
    Mci::MciCommand(QStringLiteral("PLAY ") + SoundFile);
}

void frmPage::btnNext_Click()
{
    stop();
    bool shown = false;
    Msg::guard(Msg::kAppTitle, [&] {
        if (!rs_ || rs_->eof())
            return;
        rs_->moveNext();
        if (rs_->eof()) {
            rs_->moveFirst();
            setNumber(1);
        } else {
            setNumber(number_ + 1);
        }
        showCard();
        shown = true;
    }, this);
    if (shown)
        Msg::guard(Msg::kAppTitle, [this] { playSound(kWordSound); }, this);
}

void frmPage::btnBack_Click()
{
    stop();
    bool shown = false;
    Msg::guard(Msg::kAppTitle, [&] {
        if (!rs_ || rs_->bof())
            return;
        rs_->movePrevious();
        if (rs_->bof()) {
            rs_->moveLast();
            setNumber(rs_->recordCount());
        } else {
            setNumber(number_ - 1);
        }
        showCard();
        shown = true;
    }, this);
    if (shown)
        Msg::guard(Msg::kAppTitle, [this] { playSound(kWordSound); }, this);
}

void frmPage::done(int result)
{
    stop();
    QDialog::done(result);
}

bool frmPage::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == btnNext || watched == btnBack) && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            btnNext_Click();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            btnBack_Click();
            return true;
        default:
            break;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == txtIVok)
            Msg::guard(Msg::kAppTitle, [this] { playSound(kWordSound); }, this);
        else if (watched == txtISatz->viewport())
            Msg::guard(Msg::kAppTitle, [this] { playSound(kSentenceSound); }, this);
    }
    return QDialog::eventFilter(watched, event);
}
