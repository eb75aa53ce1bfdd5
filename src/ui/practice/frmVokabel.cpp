// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/practice/frmVokabel.h"
#include "ui/common/AltKeys.h"
#include "ui/common/Controls.h"

#include "core/AppState.h"
#include "audio/Mci.h"
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

namespace {

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

QLineEdit *lineField(QWidget *parent, const char *name, const QString &tip, const Twips::Rect &r)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    Twips::place(e, r);
    return e;
}

QPlainTextEdit *sentenceField(QWidget *parent, const char *name, const QString &tip, const Twips::Rect &r)
{
    auto *e = new QPlainTextEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    e->setReadOnly(true);
    e->setTabChangesFocus(true);
    Twips::place(e, r);
    return e;
}

QPushButton *pushButton(QWidget *parent, const char *name, const QString &caption, const QString &tip,
                        const Twips::Rect &r)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    // The window decides which button Enter presses.
    b->setAutoDefault(false);
    Twips::place(b, r);
    return b;
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

// The practice as the learner's options set it.
PracticeSession::Rules practiceRules()
{
    const AppState &a = AppState::instance();
    PracticeSession::Rules rules;
    rules.fach = a.CurrentFach;
    rules.direction = PracticeSession::Direction(a.Abfrage);
    rules.repeats = a.Repeats;
    rules.versuche = a.Versuche;
    rules.askNative = a.AskNative;
    return rules;
}

} // namespace

frmVokabel::frmVokabel(QWidget *parent)
    : QDialog(parent), session_(AppState::instance().CompartmentRecordset, practiceRules())
{
    AltKeys::guard();
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

void frmVokabel::send(const QString &command)
{
    Mci::MciCommand(command);
}

QLineEdit *frmVokabel::answerField() const
{
    return AppState::instance().AskNative ? txtDVok : txtIVok;
}

std::optional<VocabularyRecord> frmVokabel::cardOnScreen()
{
    std::optional<VocabularyRecord> card;
    Msg::guard(Msg::kAppTitle, [&] { card = session_.cardNow(); }, this);
    return card;
}

// ------------------------------------------------------------------- layout

void frmVokabel::buildControls()
{
    buildFields();
    buildButtons();
    buildCounters();

    // As designed: the first card has yet to come.
    btnWeiter->hide();
    btnRichtig->hide();
    btnFalsch->hide();
    btnKorrektur->setEnabled(false);
    btnIVokSound->setEnabled(false);
    btnISatzSound->setEnabled(false);
    Controls::makeDefault(btnView);

    connectControls();
    const QRect size = Twips::toPixels(kWindow, this);
    setFixedSize(size.width(), size.height());
}

// The two languages' blocks, each with its play buttons; they are made in
// the order the Tab key goes through them.
void frmVokabel::buildFields()
{
    lblMother = new QLabel(QStringLiteral("Muttersprache"), this);
    lblMother->setObjectName(QStringLiteral("lblMother"));
    Twips::place(lblMother, kLblMother);
    txtDVok = lineField(this, "txtDVok", QStringLiteral("Wort in der Muttersprache"), kTxtDVok);
    txtDSatz = sentenceField(this, "txtDSatz", QStringLiteral("Beispielsatz in der Muttersprache"), kTxtDSatz);

    lblForeign = new QLabel(QStringLiteral("Fremdsprache"), this);
    lblForeign->setObjectName(QStringLiteral("lblForeign"));
    Twips::place(lblForeign, kLblForeign);
    txtIVok = lineField(this, "txtIVok", QStringLiteral("Fremdwort"), kTxtIVok);
    txtArtikel = lineField(this, "txtArtikel", QStringLiteral("Anzeige eines Artikels (für Englisch nicht vorhanden)"),
                           kTxtArtikel);
    txtArtikel->setText(QStringLiteral("m/f"));
    txtArtikel->setReadOnly(true);
    QFont f = txtArtikel->font();
    f.setPointSizeF(12);
    txtArtikel->setFont(f);
    btnIVokSound = pushButton(this, "btnIVokSound", QStringLiteral("&Play"),
                              QStringLiteral("Zum Abspielen der Sounds, falls vorhanden"), kBtnIVokSound);
    txtISatz = sentenceField(this, "txtISatz", QStringLiteral("Beispielsatz in der Fremdsprache"), kTxtISatz);
    btnISatzSound = pushButton(this, "btnISatzSound", QStringLiteral("P&lay"),
                               QStringLiteral("spielt den Sound zum Beispielsatz ab, falls vorhanden"), kBtnISatzSound);
}

// The column on the right.
void frmVokabel::buildButtons()
{
    btnKorrektur = pushButton(this, "btnKorrektur", QStringLiteral("&Korrektur"),
                              QStringLiteral("Korrektur wird bei Eingabe des ersten Zeichens aktiviert"), kBtnKorrektur);
    btnWeiter = pushButton(this, "btnWeiter", QStringLiteral("&Weiter"),
                           QStringLiteral("mit dieser Taste laden Sie die nächste Vokabel"), kBtnKorrektur);
    btnView = pushButton(this, "btnView", QStringLiteral("&Vorschau"),
                         QStringLiteral("Lösen im Quickmode - nach einer halben Sekunde sollte Ihre Antwort fallen!"),
                         kBtnView);
    btnRichtig = pushButton(this, "btnRichtig", QStringLiteral("&richtig"),
                            QStringLiteral("Vokabel gewusst; die Antwort soll innerhalb einer halben Sekunde erfolgen."),
                            kBtnRichtig);
    btnFalsch = pushButton(this, "btnFalsch", QStringLiteral("&falsch"),
                           QStringLiteral("Vokabel nicht gewusst, oder zu lange gebraucht"), kBtnFalsch);
    btnHelp = pushButton(this, "btnHelp", QStringLiteral("&Hilfe"), QStringLiteral("Anzeige des Hilfefensters"), kBtnHelp);
    btnChange = pushButton(this, "btnChange", QStringLiteral("&Ändern"),
                           QStringLiteral("Ändern der aktuellen Vokabel (auch für Nachvertonung!)"), kBtnChange);
    btnExit = pushButton(this, "btnExit", QStringLiteral("&Beenden"), QStringLiteral("Ende des Lernmodes"), kBtnExit);
}

void frmVokabel::buildCounters()
{
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
}

void frmVokabel::connectControls()
{
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

    Msg::guard(Msg::kAppTitle, [&] { session_.open(); }, this);
    showGrading();
    setWindowTitle(QStringLiteral("Vokabeln üben - Fach %1 - %2 von %3")
                       .arg(session_.fach())
                       .arg(session_.cardPos())
                       .arg(session_.cardCount()));

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
    resetButtons();
    lblOk->hide();
    lblKo->hide();
    bool more = true;
    const bool read = Msg::guard(Msg::kAppTitle, [&] { more = session_.next(); }, this);
    if (!more)
        return endPractice();
    setWindowTitle(QStringLiteral("Vokabeltrainer - Fach %1 - %2 von %3")
                       .arg(session_.fach())
                       .arg(session_.cardPos())
                       .arg(session_.cardCount()));
    if (read)
        showQuestion();
}

void frmVokabel::resetButtons()
{
    btnIVokSound->setEnabled(false);
    btnISatzSound->setEnabled(false);
    btnView->show();
    btnView->setEnabled(true);
    Controls::makeDefault(btnView);
    btnRichtig->hide();
    btnFalsch->hide();
    btnKorrektur->show();
    btnKorrektur->setEnabled(false);
    btnWeiter->hide();
}

void frmVokabel::showQuestion()
{
    Msg::guard(Msg::kAppTitle, [&] { session_.repairCount(); }, this);
    lblnOk->setText(QString::number(session_.newGewusst()));
    AppState &a = AppState::instance();
    a.AskNative = session_.askNative();

    const VocabularyRecord &card = session_.card();
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
}

void frmVokabel::endPractice()
{
    QString message = QStringLiteral("richtig: %1").arg(session_.right()) + Msg::kCrLf
        + QStringLiteral("falsch: %1").arg(session_.wrong());
    if (session_.right() != 0) {
        SoundFile = QStringLiteral("drum.wav");
        send(QStringLiteral("Play ") + SoundFile);
        message = QStringLiteral("Geschafft!") + Msg::kCrLf + Msg::kCrLf + message;
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
    Controls::makeDefault(typed ? btnKorrektur : btnView);
}

void frmVokabel::btnKorrektur_Click()
{
    if (!session_.hasCard())
        return;
    QLineEdit *field = answerField();
    auto outcome = PracticeSession::Outcome::Wrong;
    if (!Msg::guard(Msg::kAppTitle, [&] { outcome = session_.test(field->text()); }, this))
        return;
    if (outcome != PracticeSession::Outcome::Right) {
        SoundFile = QStringLiteral("wah.wav");
        send(QStringLiteral("Play ") + SoundFile);
    }
    if (outcome == PracticeSession::Outcome::Retry) {
        lblKo->show();
        field->setFocus();
        field->setSelection(0, int(field->text().size()));
        return;
    }
    showGrading();
    revealAfterTest();
}

// The marks and counters as the session stands after a grading.
void frmVokabel::showGrading()
{
    if (const std::optional<PracticeSession::Answer> &answer = session_.answer()) {
        lblOk->setVisible(answer->right);
        lblKo->setVisible(!answer->right);
    }
    lblRest->setText(QString::number(session_.rest()));
    lblRichtig->setText(QString::number(session_.right()));
    lblFalsch->setText(QString::number(session_.wrong()));
}

void frmVokabel::revealAfterTest()
{
    txtIVok->setReadOnly(true);
    txtDVok->setReadOnly(true);
    btnKorrektur->hide();
    btnWeiter->show();
    Controls::makeDefault(btnWeiter);
    btnWeiter->setFocus();
    btnView->setEnabled(false);
    showWholeCard();
}

void frmVokabel::btnView_Click()
{
    if (!session_.hasCard())
        return;
    txtIVok->setReadOnly(true);
    txtDVok->setReadOnly(true);
    btnView->hide();
    btnFalsch->show();
    btnRichtig->show();
    Controls::makeDefault(btnRichtig);
    btnRichtig->setFocus();
    showWholeCard();
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
    session_.grade(true);
    showGrading();
    storeAndGoOn();
}

void frmVokabel::btnFalsch_Click()
{
    session_.grade(false);
    showGrading();
    storeAndGoOn();
}

void frmVokabel::btnWeiter_Click()
{
    storeAndGoOn();
}

void frmVokabel::storeAndGoOn()
{
    send(QStringLiteral("STOP ") + SoundFile);
    Msg::guard(Msg::kAppTitle, [&] { session_.storeAnswer(); }, this);
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
    a.EditVNr = session_.cardVNr();
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
    const std::optional<VocabularyRecord> card = cardOnScreen();
    const QString file = !card ? QString() : sentence ? card->FSatzSound : card->FVokSound;
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
