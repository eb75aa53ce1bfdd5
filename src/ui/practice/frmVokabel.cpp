// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/practice/frmVokabel.h"

#include "core/AppState.h"
#include "core/Random.h"
#include "sound/Mci.h"
#include "store/Engine.h"
#include "store/Records.h"
#include "ui/common/Appearance.h"
#include "ui/common/Guard.h"
#include "ui/common/Messages.h"
#include "ui/common/Twips.h"
#include "ui/common/Windows.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <optional>
#include <utility>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kVNr = QStringLiteral("VNr");
const QString kFach = QStringLiteral("Fach");
const QString kGewusst = QStringLiteral("gewusst");

// Layout in twips.
constexpr Twips::Rect kWindow{0, 0, 7800, 4920};
constexpr Twips::Rect kLblMother{120, 120, 3600, 255};
constexpr Twips::Rect kTxtDVok{120, 400, 4920, 405};
constexpr Twips::Rect kTxtDSatz{120, 880, 4920, 720};
constexpr Twips::Rect kLblForeign{120, 1720, 3600, 255};
constexpr Twips::Rect kTxtIVok{120, 2000, 3960, 405};
constexpr Twips::Rect kTxtArtikel{4200, 2000, 840, 405};
constexpr Twips::Rect kBtnIVokSound{5160, 2000, 735, 405};
constexpr Twips::Rect kTxtISatz{120, 2480, 4920, 720};
constexpr Twips::Rect kBtnISatzSound{5160, 2480, 735, 405};
constexpr Twips::Rect kBtnKorrektur{6060, 400, 1590, 405};
constexpr Twips::Rect kBtnView{6060, 880, 1590, 405};
constexpr Twips::Rect kBtnRichtig{6060, 880, 780, 405};
constexpr Twips::Rect kBtnFalsch{6870, 880, 780, 405};
constexpr Twips::Rect kBtnHelp{6060, 2000, 1590, 405};
constexpr Twips::Rect kBtnChange{6060, 2480, 1590, 405};
constexpr Twips::Rect kBtnExit{6060, 2960, 1590, 405};
constexpr int kCounterTop = 3480;
constexpr int kCounterStep = 330;
constexpr Twips::Rect kMark{2640, 3360, 2400, 1440};

// The number of characters the learner sees: a letter with its accent and
// a letter outside the basic plane each count once.
qsizetype characters(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C).toUcs4().size();
}

QLabel *counterLabel(QWidget *parent, const char *name, const QString &text, const QString &tip)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setToolTip(tip);
    return l;
}

QLabel *mark(QWidget *parent, const char *name, const QString &text, const QString &tip, const QColor &colour)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setToolTip(tip);
    QFont f(QStringLiteral("Arial"), 72, QFont::Bold);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, QColor(224, 224, 224));
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

void setLanguageLook(QWidget *w, Appearance::Language language, qreal points)
{
    QFont f = w->font();
    f.setPointSizeF(points);
    w->setFont(f);
    Appearance::apply(w, language);
}

} // namespace

frmVokabel::frmVokabel(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmVokabel"));
    setWindowTitle(QStringLiteral("Vokabeln üben"));
    setModal(true);
    buildControls();
    load();
}

frmVokabel::~frmVokabel()
{
    // A window torn down without closing still lets go of the device.
    if (!closed_) {
        send(QStringLiteral("STOP ") + SoundFile);
        send(QStringLiteral("CLOSE waveaudio"));
    }
}

// ------------------------------------------------------------------ helpers

QVector<std::int32_t> frmVokabel::shuffled(const QVector<std::int32_t> &cards)
{
    const qsizetype n = cards.size();
    QVector<std::int32_t> order(n);
    // free[j] is the j-th position still free; the last free one moves into
    // the slot of each one used, so the free positions stay packed.
    QVector<qsizetype> free(n);
    for (qsizetype i = 0; i < n; ++i)
        free[i] = i;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype left = n - i;
        auto k = qsizetype(std::floor(double(left) * Random::next()));
        if (k >= left) // a draw so close to 1 that it rounds up
            k = left - 1;
        order[free[k]] = cards[i];
        free[k] = free[left - 1];
    }
    return order;
}

bool frmVokabel::isRightAnswer(const QString &stored, const QString &typed)
{
    if (stored.isEmpty())
        return false;
    const QString s = stored.normalized(QString::NormalizationForm_C);
    const QString t = typed.normalized(QString::NormalizationForm_C);
    if (!t.contains(s, Qt::CaseInsensitive))
        return false;
    const qsizetype typedLength = characters(t);
    return typedLength == characters(s) || typedLength > 7;
}

void frmVokabel::send(const QString &command)
{
    Mci::MciCommand(command);
}

void frmVokabel::makeDefault(QPushButton *button)
{
    for (QPushButton *b : {btnKorrektur, btnWeiter, btnView, btnRichtig, btnFalsch, btnHelp, btnChange, btnExit,
                           btnIVokSound, btnISatzSound})
        b->setDefault(b == button);
}

void frmVokabel::setCount(QLabel *label, qsizetype &counter, qsizetype value)
{
    counter = value;
    label->setText(QString::number(value));
}

QLineEdit *frmVokabel::answerField() const
{
    return AppState::instance().AskNative ? txtDVok : txtIVok;
}

store::Recordset *frmVokabel::cardRow()
{
    if (!rs_ || !cardLoaded_)
        return nullptr;
    // Finding the card also notices a delete by another connection.
    if (!Records::findCard(*rs_, CardVNr, true))
        return nullptr;
    return rs_.get();
}

// ------------------------------------------------------------------- layout

void frmVokabel::buildControls()
{
    auto line = [this](const char *name, const QString &tip, const Twips::Rect &r) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setToolTip(tip);
        Twips::place(e, r);
        return e;
    };
    auto sentence = [this](const char *name, const QString &tip, const Twips::Rect &r) {
        auto *e = new QPlainTextEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setToolTip(tip);
        e->setReadOnly(true);
        e->setTabChangesFocus(true);
        Twips::place(e, r);
        return e;
    };
    auto button = [this](const char *name, const QString &caption, const QString &tip, const Twips::Rect &r) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        // The window decides which button Enter presses.
        b->setAutoDefault(false);
        Twips::place(b, r);
        return b;
    };

    lblMother = new QLabel(QStringLiteral("Muttersprache"), this);
    lblMother->setObjectName(QStringLiteral("lblMother"));
    Twips::place(lblMother, kLblMother);
    txtDVok = line("txtDVok", QStringLiteral("Wort in der Muttersprache"), kTxtDVok);
    txtDSatz = sentence("txtDSatz", QStringLiteral("Beispielsatz in der Muttersprache"), kTxtDSatz);

    lblForeign = new QLabel(QStringLiteral("Fremdsprache"), this);
    lblForeign->setObjectName(QStringLiteral("lblForeign"));
    Twips::place(lblForeign, kLblForeign);
    txtIVok = line("txtIVok", QStringLiteral("Fremdwort"), kTxtIVok);
    txtArtikel = line("txtArtikel", QStringLiteral("Anzeige eines Artikels (für Englisch nicht vorhanden)"),
                      kTxtArtikel);
    txtArtikel->setText(QStringLiteral("m/f"));
    txtArtikel->setReadOnly(true);
    {
        QFont f = txtArtikel->font();
        f.setPointSizeF(12);
        txtArtikel->setFont(f);
    }
    btnIVokSound = button("btnIVokSound", QStringLiteral("&Play"),
                          QStringLiteral("Zum Abspielen der Sounds, falls vorhanden"), kBtnIVokSound);
    txtISatz = sentence("txtISatz", QStringLiteral("Beispielsatz in der Fremdsprache"), kTxtISatz);
    btnISatzSound = button("btnISatzSound", QStringLiteral("P&lay"),
                           QStringLiteral("spielt den Sound zum Beispielsatz ab, falls vorhanden"), kBtnISatzSound);

    btnKorrektur = button("btnKorrektur", QStringLiteral("&Korrektur"),
                          QStringLiteral("Korrektur wird bei Eingabe des ersten Zeichens aktiviert"), kBtnKorrektur);
    btnWeiter = button("btnWeiter", QStringLiteral("&Weiter"),
                       QStringLiteral("mit dieser Taste laden Sie die nächste Vokabel"), kBtnKorrektur);
    btnView = button("btnView", QStringLiteral("&Vorschau"),
                     QStringLiteral("Lösen im Quickmode - nach einer halben Sekunde sollte Ihre Antwort fallen!"),
                     kBtnView);
    btnRichtig = button("btnRichtig", QStringLiteral("&richtig"),
                        QStringLiteral("Vokabel gewusst; die Antwort soll innerhalb einer halben Sekunde erfolgen."),
                        kBtnRichtig);
    btnFalsch = button("btnFalsch", QStringLiteral("&falsch"),
                       QStringLiteral("Vokabel nicht gewusst, oder zu lange gebraucht"), kBtnFalsch);
    btnHelp = button("btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"), kBtnHelp);
    btnChange = button("btnChange", QStringLiteral("&Ändern"),
                       QStringLiteral("Ändern der aktuellen Vokabel (auch für Nachvertonung!)"), kBtnChange);
    btnExit = button("btnExit", QStringLiteral("&Beenden"), QStringLiteral("Ende des Lernmodes"), kBtnExit);

    struct Counter
    {
        const char *caption, *number;
        QString text, tip;
        QLabel **captionLabel, **numberLabel;
    };
    const Counter counters[] = {
        {"Label4", "lblRest", QStringLiteral("im Fach bleiben:"), QStringLiteral("Vokabeln, die im Fach bleiben"),
         &Label4, &lblRest},
        {"Label5", "lblRichtig", QStringLiteral("richtig:"), QStringLiteral("Anzeige der gewussten Vokabeln"),
         &Label5, &lblRichtig},
        {"Label8", "lblFalsch", QStringLiteral("falsch:"), QStringLiteral("Anzeige der nicht gewussten Vokabeln"),
         &Label8, &lblFalsch},
        {"Label1", "lblnOk", QStringLiteral("wie oft gewusst:"),
         QStringLiteral("nur Wiederholmode: wie oft wurde die Vokabel bisher richtig beantwortet"), &Label1, &lblnOk},
    };
    int top = kCounterTop;
    for (const Counter &c : counters) {
        *c.captionLabel = counterLabel(this, c.caption, c.text, QString());
        *c.numberLabel = counterLabel(this, c.number, QString(), c.tip);
        Twips::place(*c.captionLabel, {120, top, 1500, 255});
        Twips::place(*c.numberLabel, {1680, top, 840, 255});
        top += kCounterStep;
    }

    lblOk = mark(this, "lblOk", QStringLiteral("Ok"), QStringLiteral("richtig"), QColor(0, 160, 0));
    lblKo = mark(this, "lblKo", QStringLiteral("f"), QStringLiteral("falsch"), QColor(255, 0, 0));
    Twips::place(lblOk, kMark);
    Twips::place(lblKo, kMark);
    lblKo->hide();

    // As designed: the first card has yet to come.
    btnWeiter->hide();
    btnRichtig->hide();
    btnFalsch->hide();
    btnKorrektur->setEnabled(false);
    btnIVokSound->setEnabled(false);
    btnISatzSound->setEnabled(false);
    makeDefault(btnView);

    connect(txtDVok, &QLineEdit::textChanged, this, [this] { answerChanged(true); });
    connect(txtIVok, &QLineEdit::textChanged, this, [this] { answerChanged(false); });
    connect(btnKorrektur, &QPushButton::clicked, this, &frmVokabel::btnKorrektur_Click);
    connect(btnWeiter, &QPushButton::clicked, this, &frmVokabel::btnWeiter_Click);
    connect(btnView, &QPushButton::clicked, this, &frmVokabel::btnView_Click);
    connect(btnRichtig, &QPushButton::clicked, this, &frmVokabel::btnRichtig_Click);
    connect(btnFalsch, &QPushButton::clicked, this, &frmVokabel::btnFalsch_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmVokabel::btnHelp_Click);
    connect(btnChange, &QPushButton::clicked, this, &frmVokabel::btnChange_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmVokabel::btnExit_Click);
    connect(btnIVokSound, &QPushButton::clicked, this, &frmVokabel::btnIVokSound_Click);
    connect(btnISatzSound, &QPushButton::clicked, this, &frmVokabel::btnISatzSound_Click);

    const QRect size = Twips::toPixels(kWindow, this);
    setFixedSize(size.width(), size.height());
}

// ------------------------------------------------------------------ opening

void frmVokabel::load()
{
    AppState &a = AppState::instance();
    lblMother->setText(a.NativeLanguage);
    lblForeign->setText(a.ForeignLanguage);

    setLanguageLook(txtIVok, Appearance::Language::Foreign, 12);
    setLanguageLook(txtISatz, Appearance::Language::Foreign, 9.75);
    setLanguageLook(txtDVok, Appearance::Language::Native, 12);
    setLanguageLook(txtDSatz, Appearance::Language::Native, 9.75);

    FirstActivation = true;
    if (a.ForeignLanguage == QLatin1String("Englisch")) {
        txtArtikel->hide();
        txtIVok->resize(txtDVok->width(), txtIVok->height());
    }

    setCount(lblFalsch, falsch_, 0);
    setCount(lblRichtig, richtig_, 0);

    fach_ = a.CurrentFach;
    rs_ = a.CompartmentRecordset;
    QVector<std::int32_t> cards;
    Msg::guard(Msg::kAppTitle, [&] {
        if (!rs_)
            return;
        const qsizetype rows = rs_->rowCount();
        // The keys of the compartment's rows are the card numbers: the order
        // is made without reading a single row.
        cards.reserve(rows);
        for (qsizetype row = 0; row < rows; ++row)
            cards << std::int32_t(rs_->keyOfRow(row));
        const int vnrField = int(rs_->fieldNames().indexOf(kVNr));
        if (rows > 0 && rs_->valueAt(0, vnrField).toLongLong() != cards.first()) {
            for (qsizetype row = 0; row < rows; ++row)
                cards[row] = rs_->valueAt(row, vnrField).toInt();
        }
    }, this);
    CardCount = cards.size();
    setCount(lblRest, rest_, CardCount);
    CardPos = 0;
    setWindowTitle(QStringLiteral("Vokabeln üben - Fach %1 - %2 von %3").arg(fach_).arg(CardPos).arg(CardCount));
    CardOrder = shuffled(cards);

    send(QStringLiteral("open waveaudio"));
}

void frmVokabel::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A desktop without a window manager never activates the window; the
    // first card then comes as soon as the event loop runs.
    if (FirstActivation)
        QTimer::singleShot(0, this, &frmVokabel::firstActivation);
}

void frmVokabel::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        firstActivation();
}

void frmVokabel::firstActivation()
{
    if (!FirstActivation || closed_)
        return;
    FirstActivation = false;
    LoadNextCard();
}

// ------------------------------------------------------------- next card

void frmVokabel::LoadNextCard()
{
    btnIVokSound->setEnabled(false);
    btnISatzSound->setEnabled(false);
    btnView->show();
    btnView->setEnabled(true);
    makeDefault(btnView);
    btnRichtig->hide();
    btnFalsch->hide();
    btnKorrektur->show();
    btnKorrektur->setEnabled(false);
    btnWeiter->hide();
    FailCount = 0;

    bool lastWasRight = !lblOk->isHidden();
    lblOk->hide();
    lblKo->hide();
    cardLoaded_ = false;
    // A card that is no longer there is passed over.
    while (advance(lastWasRight)) {
        if (showCard() != Shown::Missing)
            return;
        lastWasRight = true;
    }
    endPractice();
}

// Moves CardPos on; false when the practice is done.
bool frmVokabel::advance(bool lastWasRight)
{
    if (fach_ != 1 || lastWasRight) {
        ++CardPos;
    } else if (CardPos < CardCount) {
        // A card not known in the start compartment goes back among the
        // cards not asked yet, the place it had included.
        const qsizetype left = CardCount - CardPos + 1;
        auto k = CardPos + qsizetype(std::floor(double(left) * Random::next()));
        if (k > CardCount)
            k = CardCount;
        if (k != CardPos)
            std::swap(CardOrder[CardPos - 1], CardOrder[k - 1]);
    }
    return CardPos <= CardCount;
}

frmVokabel::Shown frmVokabel::showCard()
{
    AppState &a = AppState::instance();
    setWindowTitle(QStringLiteral("Vokabeltrainer - Fach %1 - %2 von %3").arg(fach_).arg(CardPos).arg(CardCount));
    const std::int32_t vnr = CardOrder[CardPos - 1];
    VocabularyRecord card;
    bool nullCount = false;
    bool found = false;
    const bool read = Msg::guard(Msg::kAppTitle, [&] {
        if (!rs_)
            return;
        found = Records::findCard(*rs_, vnr, true);
        if (found) {
            card = Records::readCard(*rs_);
            nullCount = rs_->isNull(kGewusst);
        }
    }, this);
    if (!read)
        return Shown::Failed;
    if (!found)
        return Shown::Missing;

    NewFach = card.Fach;
    if (nullCount) {
        Msg::guard(Msg::kAppTitle, [&] {
            rs_->edit();
            try {
                rs_->setValue(kGewusst, 0);
                rs_->update();
            } catch (...) {
                rs_->cancelUpdate();
                throw;
            }
        }, this);
        card.gewusst = 0;
    }
    NewGewusst = card.gewusst;
    CardVNr = card.VNr;
    cardLoaded_ = true;
    lblnOk->setText(QString::number(NewGewusst));

    switch (a.Abfrage) {
    case 1: a.AskNative = false; break;
    case 2: a.AskNative = true; break;
    case 3: a.AskNative = std::floor(2 * Random::next()) != 0; break;
    default: break;
    }

    Loading = true;
    if (a.AskNative) {
        txtIVok->setReadOnly(true);
        txtDVok->setReadOnly(false);
        txtDVok->setFocus();
        txtDVok->clear();
        txtDSatz->clear();
        txtIVok->setText(card.FVok);
        txtISatz->setPlainText(card.FSatz);
        txtArtikel->setText(card.Artikel);
        txtIVok->setCursorPosition(0);
    } else {
        txtDVok->setReadOnly(true);
        txtIVok->setReadOnly(false);
        txtIVok->setFocus();
        txtDVok->setText(card.MVok);
        txtDSatz->setPlainText(card.MSatz);
        txtIVok->clear();
        txtISatz->clear();
        txtArtikel->clear();
        txtDVok->setCursorPosition(0);
    }
    Loading = false;
    return Shown::Card;
}

void frmVokabel::endPractice()
{
    QString message = QStringLiteral("richtig: %1").arg(richtig_) + kCrLf + QStringLiteral("falsch: %1").arg(falsch_);
    if (richtig_ != 0) {
        SoundFile = QStringLiteral("drum.wav");
        send(QStringLiteral("Play ") + SoundFile);
        message = QStringLiteral("Geschafft!") + kCrLf + kCrLf + message;
    }
    Msg::show(message, Msg::kAppTitle, QMessageBox::NoIcon, QMessageBox::Ok, this);
    done(QDialog::Accepted);
}

// ------------------------------------------------------------------ answers

void frmVokabel::answerChanged(bool nativeField)
{
    if (Loading || AppState::instance().AskNative != nativeField || btnKorrektur->isHidden())
        return;
    QLineEdit *field = nativeField ? txtDVok : txtIVok;
    // A revealed card's fields are read-only and filled: no test then.
    if (field->isReadOnly())
        return;
    lblKo->hide();
    const bool typed = !field->text().isEmpty();
    btnKorrektur->setEnabled(typed);
    btnView->setEnabled(!typed);
    makeDefault(typed ? btnKorrektur : btnView);
}

void frmVokabel::btnKorrektur_Click()
{
    if (!cardLoaded_)
        return;
    const bool askNative = AppState::instance().AskNative;
    QString stored;
    const bool read = Msg::guard(Msg::kAppTitle, [&] {
        if (store::Recordset *row = cardRow())
            stored = row->text(askNative ? QStringLiteral("MVok") : QStringLiteral("FVok"));
    }, this);
    if (!read)
        return;
    QLineEdit *field = answerField();
    if (isRightAnswer(stored, field->text())) {
        gradeRight(true);
    } else {
        SoundFile = QStringLiteral("wah.wav");
        send(QStringLiteral("Play ") + SoundFile);
        const int versuche = AppState::instance().Versuche;
        if (versuche > 1) {
            lblKo->show();
            ++FailCount;
            if (FailCount < versuche) {
                field->setFocus();
                field->setSelection(0, int(field->text().size()));
                return;
            }
        }
        gradeWrong();
    }
    revealAfterTest();
}

void frmVokabel::gradeRight(bool byTest)
{
    lblKo->hide();
    lblOk->show();
    const int repeats = AppState::instance().Repeats;
    if (NewGewusst < repeats - 1) {
        ++NewGewusst;
    } else if (NewFach < Fach::Last) {
        ++NewFach;
        NewGewusst = 0;
        setCount(lblRest, rest_, rest_ - 1);
    } else if (!byTest) {
        // "richtig" on the last compartment starts the count anew; a typed
        // answer keeps it.
        NewGewusst = 0;
    }
    setCount(lblRichtig, richtig_, richtig_ + 1);
}

void frmVokabel::gradeWrong()
{
    lblOk->hide();
    lblKo->show();
    setCount(lblFalsch, falsch_, falsch_ + 1);
    if (fach_ > 1)
        setCount(lblRest, rest_, rest_ - 1);
    NewGewusst = 0;
    NewFach = Fach::Start;
}

void frmVokabel::revealAfterTest()
{
    txtIVok->setReadOnly(true);
    txtDVok->setReadOnly(true);
    btnKorrektur->setDefault(false);
    btnKorrektur->hide();
    btnWeiter->show();
    makeDefault(btnWeiter);
    btnWeiter->setFocus();
    btnView->setEnabled(false);
    showWholeCard();
}

void frmVokabel::btnView_Click()
{
    if (!cardLoaded_)
        return;
    txtIVok->setReadOnly(true);
    txtDVok->setReadOnly(true);
    btnView->hide();
    btnFalsch->show();
    btnRichtig->show();
    makeDefault(btnRichtig);
    btnRichtig->setFocus();
    showWholeCard();
}

std::optional<VocabularyRecord> frmVokabel::cardOnScreen()
{
    std::optional<VocabularyRecord> card;
    Msg::guard(Msg::kAppTitle, [&] {
        if (store::Recordset *row = cardRow())
            card = Records::readCard(*row);
    }, this);
    return card;
}

void frmVokabel::showWholeCard()
{
    const std::optional<VocabularyRecord> read = cardOnScreen();
    if (!read)
        return;
    const VocabularyRecord &card = *read;
    Loading = true;
    txtDVok->setText(card.MVok);
    txtDSatz->setPlainText(card.MSatz);
    txtIVok->setText(card.FVok);
    txtISatz->setPlainText(card.FSatz);
    txtArtikel->setText(card.Artikel);
    txtDVok->setCursorPosition(0);
    txtIVok->setCursorPosition(0);
    Loading = false;
    if (!card.FSatzSound.isEmpty())
        btnISatzSound->setEnabled(true);
    if (!card.FVokSound.isEmpty()) {
        btnIVokSound->setEnabled(true);
        if (!AppState::instance().AskNative) {
            SoundFile = card.FVokSound;
            send(QStringLiteral("Play ") + SoundFile);
        }
    }
}

void frmVokabel::btnRichtig_Click()
{
    if (cardLoaded_)
        gradeRight(false);
    storeAndGoOn();
}

void frmVokabel::btnFalsch_Click()
{
    if (cardLoaded_)
        gradeWrong();
    storeAndGoOn();
}

void frmVokabel::btnWeiter_Click()
{
    storeAndGoOn();
}

void frmVokabel::storeAndGoOn()
{
    send(QStringLiteral("STOP ") + SoundFile);
    Msg::guard(Msg::kAppTitle, [&] {
        store::Recordset *row = cardRow();
        // A card deleted while it was asked has nothing left to store.
        if (!row)
            return;
        row->edit();
        try {
            row->setValue(kGewusst, NewGewusst);
            row->setValue(kFach, NewFach);
            row->update();
        } catch (...) {
            row->cancelUpdate();
            throw;
        }
    }, this);
    LoadNextCard();
}

// ------------------------------------------------------------ other buttons

void frmVokabel::btnHelp_Click()
{
    Windows::showHelp(QStringLiteral("vtrainer.rtf"), this);
}

void frmVokabel::btnChange_Click()
{
    AppState &a = AppState::instance();
    a.EditMode = true;
    a.EditVNr = CardVNr;
    Windows::open(Windows::Kind::Entry, this);
    a.EditMode = false;

    // The card as the entry form left it; only the fields that show text are
    // refreshed, so the side still asked stays hidden.
    const std::optional<VocabularyRecord> read = cardOnScreen();
    if (!read)
        return;
    const VocabularyRecord &card = *read;
    if (!txtDVok->text().isEmpty())
        txtDVok->setText(card.MVok);
    if (!txtDSatz->toPlainText().isEmpty())
        txtDSatz->setPlainText(card.MSatz);
    if (!txtIVok->text().isEmpty()) {
        txtIVok->setText(card.FVok);
        txtArtikel->setText(card.Artikel);
    }
    if (!txtISatz->toPlainText().isEmpty())
        txtISatz->setPlainText(card.FSatz);
}

void frmVokabel::btnExit_Click()
{
    send(QStringLiteral("STOP ") + SoundFile);
    close();
}

void frmVokabel::playCardSound(bool sentence)
{
    send(QStringLiteral("STOP ") + SoundFile);
    QString file;
    Msg::guard(Msg::kAppTitle, [&] {
        if (store::Recordset *row = cardRow())
            file = row->text(sentence ? QStringLiteral("FSatzSound") : QStringLiteral("FVokSound"));
    }, this);
    if (file.isEmpty())
        return;
    SoundFile = file;
    send(QStringLiteral("Play ") + SoundFile);
}

void frmVokabel::btnIVokSound_Click()
{
    playCardSound(false);
}

void frmVokabel::btnISatzSound_Click()
{
    playCardSound(true);
}

void frmVokabel::done(int result)
{
    if (!closed_) {
        closed_ = true;
        send(QStringLiteral("STOP ") + SoundFile);
        send(QStringLiteral("CLOSE waveaudio"));
    }
    QDialog::done(result);
}
