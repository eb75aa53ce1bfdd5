// The help viewer frmHelp and the help command showHelp.
#include "core/AppState.h"
#include "core/Messages.h"
#include "core/Places.h"
#include "ui/appearance/frmHelp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <functional>

namespace {

struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Runs `inside` on the help viewer as soon as showHelp has opened it, then
// closes it with its "Beenden" button.
void whenHelpOpens(std::function<void(frmHelp *)> inside)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [inside, poll] {
        auto *dialog = qobject_cast<frmHelp *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, *poll);
            return;
        }
        inside(dialog);
        dialog->btnExit->click();
        *poll = nullptr; // break the cycle
    };
    QTimer::singleShot(0, *poll);
}

} // namespace

class TestFrmHelp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndControls();
    void missingFileIsReported();
    void missingFileThroughShowHelp();
    void missingEmptyPath();
    void emptyFileOpensEmpty();
    void nonRtfFileShowsPlainText();
    void damagedFileShowsWhatCanBeRead();
    void unreadableFileOpensEmptySilently();
    void helpFileShowsFormattedText();
    void everyShippedHelpFileOpens();
    void secondCallerWins();
    void exitClosesAndActivationFocusesText();

private:
    QTemporaryDir *tmp_ = nullptr;
    QList<SeenBox> boxes_;
    QString helpDir() const { return tmp_->path() + QStringLiteral("/help"); }
};

void TestFrmHelp::init()
{
    AppState::resetForTesting();
    delete tmp_;
    tmp_ = new QTemporaryDir;
    QVERIFY(tmp_->isValid());
    QVERIFY(QDir().mkpath(helpDir()));
    Places::setProgramFolderForTesting(tmp_->path());
    boxes_.clear();
    Msg::setResponder([this](QMessageBox &box) {
        boxes_.append({box.text(), box.windowTitle(), box.icon(), box.standardButtons()});
        return QMessageBox::Ok;
    });
}

void TestFrmHelp::cleanup()
{
    Msg::setResponder({});
    Places::setProgramFolderForTesting(QString());
    delete tmp_;
    tmp_ = nullptr;
}

void TestFrmHelp::windowAndControls()
{
    writeFile(helpDir() + QStringLiteral("/main.rtf"), "{\\rtf1\\ansi Hallo}");
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("main.rtf"));
    frmHelp dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("frmHelp"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Vuruver-Uredidi-Hilfe"));
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.rtfHilfe);
    QCOMPARE(dialog.rtfHilfe->objectName(), QStringLiteral("rtfHilfe"));
    QCOMPARE(dialog.findChild<QTextBrowser *>(QStringLiteral("rtfHilfe")), dialog.rtfHilfe);
    QVERIFY(dialog.rtfHilfe->isReadOnly());
    QCOMPARE(dialog.btnExit->objectName(), QStringLiteral("btnExit"));
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnExit")), dialog.btnExit);
    QCOMPARE(dialog.btnExit->text(), QStringLiteral("&Beenden"));
    QCOMPARE(dialog.btnExit->toolTip(), QStringLiteral("Beenden des Hilfefensters"));
    QVERIFY(dialog.width() >= 600 && dialog.height() >= 480);
    QVERIFY(boxes_.isEmpty());
}

void TestFrmHelp::missingFileIsReported()
{
    const QString path = helpDir() + QStringLiteral("/Table.rtf");
    AppState::instance().HelpFile = path;
    frmHelp dialog;

    QCOMPARE(boxes_.size(), 1);
    const SeenBox box = boxes_.first();
    // "Hilfedatei" CR LF path CR LF "nicht vorhanden!", shown with plain line
    // feeds by the message box.
    QCOMPARE(box.text, QStringLiteral("Hilfedatei\n") + path + QStringLiteral("\nnicht vorhanden!"));
    QCOMPARE(box.text.split(QLatin1Char('\n')).value(1), path);
    QCOMPARE(box.title, QStringLiteral("Hilfedatei fehlt"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // Then the viewer opens, empty.
    QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.isVisible());
    dialog.btnExit->click();
    QVERIFY(!dialog.isVisible());
}

void TestFrmHelp::missingFileThroughShowHelp()
{
    // The table view's help command with "Table.rtf" missing.
    QString shown = QStringLiteral("not opened");
    whenHelpOpens([&](frmHelp *d) { shown = d->rtfHilfe->toPlainText(); });
    showHelp(QStringLiteral("Table.rtf"));

    const QString path = Places::helpFile(QStringLiteral("Table.rtf"));
    QCOMPARE(AppState::instance().HelpFile, path);
    QVERIFY(path.startsWith(tmp_->path()));
    QVERIFY(path.endsWith(QStringLiteral("Table.rtf")));
    QCOMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_.first().text.split(QLatin1Char('\n')),
             (QStringList{QStringLiteral("Hilfedatei"), path, QStringLiteral("nicht vorhanden!")}));
    QCOMPARE(boxes_.first().title, QStringLiteral("Hilfedatei fehlt"));
    QCOMPARE(boxes_.first().icon, QMessageBox::Warning);
    QCOMPARE(shown, QString());
}

void TestFrmHelp::missingEmptyPath()
{
    AppState::instance().HelpFile.clear();
    frmHelp dialog;
    QCOMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_.first().text, QStringLiteral("Hilfedatei\n\nnicht vorhanden!"));
    QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());

    // A folder of that name is not a help file either.
    boxes_.clear();
    QVERIFY(QDir().mkpath(helpDir() + QStringLiteral("/folder.rtf")));
    AppState::instance().HelpFile = helpDir() + QStringLiteral("/folder.rtf");
    frmHelp dialog2;
    QCOMPARE(boxes_.size(), 1);
    QVERIFY(dialog2.rtfHilfe->toPlainText().isEmpty());
}

void TestFrmHelp::emptyFileOpensEmpty()
{
    writeFile(helpDir() + QStringLiteral("/wbook.rtf"), QByteArray());
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("wbook.rtf"));
    frmHelp dialog;
    QVERIFY(boxes_.isEmpty());
    QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());
}

void TestFrmHelp::nonRtfFileShowsPlainText()
{
    // A file that is not RTF is shown as plain text (Rtf::toHtml).
    writeFile(helpDir() + QStringLiteral("/View.rtf"), "Nur Text, kein RTF.\nZweite Zeile mit \xc3\xa4 <b>&");
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("View.rtf"));
    frmHelp dialog;
    QVERIFY(boxes_.isEmpty());
    QCOMPARE(dialog.rtfHilfe->toPlainText(),
             QStringLiteral("Nur Text, kein RTF.\nZweite Zeile mit ä <b>&"));

    // Binary junk is not RTF either: no crash, no message.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919) & 0xFF);
    writeFile(helpDir() + QStringLiteral("/print.rtf"), junk);
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("print.rtf"));
    frmHelp dialog2;
    QVERIFY(boxes_.isEmpty());
}

void TestFrmHelp::damagedFileShowsWhatCanBeRead()
{
    QByteArray damaged("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Anfang\\b0  der Hilfe\\par Zweiter Absatz mit \\'e4");
    damaged += QByteArray(20000, '{');
    damaged += "tief\\bin999999999 Rest";
    writeFile(helpDir() + QStringLiteral("/basis.rtf"), damaged);
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("basis.rtf"));
    frmHelp dialog;
    QVERIFY(boxes_.isEmpty());
    QCOMPARE(dialog.rtfHilfe->toPlainText(), QStringLiteral("Anfang der Hilfe\nZweiter Absatz mit ätief"));
}

void TestFrmHelp::unreadableFileOpensEmptySilently()
{
    // A file too large to be a help file (sparse, so the test stays cheap)
    // cannot be loaded: the viewer opens empty without a message.
    QFile big(helpDir() + QStringLiteral("/Spfad.rtf"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.write("{\\rtf1 Riesig") > 0);
    QVERIFY(big.resize(frmHelp::kMaxHelpFileSize + 1));
    big.close();
    AppState::instance().HelpFile = big.fileName();
    frmHelp dialog;
    QVERIFY(boxes_.isEmpty());
    QVERIFY(dialog.rtfHilfe->toPlainText().isEmpty());
}

void TestFrmHelp::helpFileShowsFormattedText()
{
    // The shipped main.rtf, as the build staged it.
    Places::setProgramFolderForTesting(QString());
    const QString shipped = Places::helpFile(QStringLiteral("main.rtf"));
    QVERIFY2(QFile::exists(shipped), qPrintable(shipped));
    Places::setProgramFolderForTesting(tmp_->path());
    writeFile(helpDir() + QStringLiteral("/main.rtf"), readFile(shipped));

    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("main.rtf"));
    frmHelp dialog;
    QVERIFY(boxes_.isEmpty());
    QTextDocument *doc = dialog.rtfHilfe->document();
    const QString text = doc->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("Willkommen bei Vokamia\n")));
    QVERIFY(text.contains(QStringLiteral("Fach 0")));
    QVERIFY(text.contains(QStringLiteral("zurück in Fach 1")));
    QVERIFY(text.contains(QStringLiteral("Kärtchen")));
    QVERIFY(text.contains(QStringLiteral("Größe")) || text.contains(QStringLiteral("größ"))
            || text.contains(QStringLiteral("Übung")));

    QTextCursor title(doc);
    title.setPosition(3);
    QTextCursor body(doc->findBlockByNumber(1));
    body.setPosition(body.position() + 3);
    QVERIFY(title.charFormat().fontWeight() >= QFont::Bold);
    QVERIFY(title.charFormat().fontPointSize() > body.charFormat().fontPointSize());
    QVERIFY(body.charFormat().fontWeight() < QFont::Bold);
    // Read-only text, scrolled to its beginning.
    QVERIFY(dialog.rtfHilfe->isReadOnly());
    QCOMPARE(dialog.rtfHilfe->textCursor().position(), 0);

    // List items: the tab after the bullet reaches the hanging indent.
    bool sawList = false;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (!b.text().startsWith(QStringLiteral("•\t")))
            continue;
        sawList = true;
        const QTextBlockFormat f = b.blockFormat();
        QVERIFY(f.textIndent() < 0);
        QCOMPARE(f.tabPositions().value(0).position, -f.textIndent());
    }
    QVERIFY(sawList);
}

void TestFrmHelp::everyShippedHelpFileOpens()
{
    Places::setProgramFolderForTesting(QString());
    for (const char *name : {"main.rtf", "basis.rtf", "Neuwort.rtf", "Change.rtf", "vtrainer.rtf", "wbook.rtf",
                             "View.rtf", "Table.rtf", "print.rtf", "Spfad.rtf"}) {
        QString shown;
        whenHelpOpens([&](frmHelp *d) { shown = d->rtfHilfe->toPlainText(); });
        showHelp(QString::fromLatin1(name));
        QVERIFY2(boxes_.isEmpty(), name);
        QVERIFY2(shown.size() > 800, name);
        QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]"))), name);
    }
}

void TestFrmHelp::secondCallerWins()
{
    writeFile(helpDir() + QStringLiteral("/Neuwort.rtf"), "{\\rtf1\\ansi Neue Vokabeln eingeben}");
    writeFile(helpDir() + QStringLiteral("/Change.rtf"), "{\\rtf1\\ansi Vokabeln \\'e4ndern}");

    QString first, second;
    whenHelpOpens([&](frmHelp *d) { first = d->rtfHilfe->toPlainText(); });
    showHelp(QStringLiteral("Neuwort.rtf"));
    QCOMPARE(first, QStringLiteral("Neue Vokabeln eingeben"));
    QCOMPARE(AppState::instance().HelpFile, helpDir() + QStringLiteral("/Neuwort.rtf"));

    whenHelpOpens([&](frmHelp *d) { second = d->rtfHilfe->toPlainText(); });
    showHelp(QStringLiteral("Change.rtf"));
    QCOMPARE(second, QStringLiteral("Vokabeln ändern"));
    QCOMPARE(AppState::instance().HelpFile, helpDir() + QStringLiteral("/Change.rtf"));
    QVERIFY(boxes_.isEmpty());
    // No hourglass is left behind.
    QVERIFY(!QApplication::overrideCursor());
}

void TestFrmHelp::exitClosesAndActivationFocusesText()
{
    writeFile(helpDir() + QStringLiteral("/vtrainer.rtf"), "{\\rtf1\\ansi \\b \\'dcben\\par}");
    AppState::instance().HelpFile = Places::helpFile(QStringLiteral("vtrainer.rtf"));
    QWidget owner;
    owner.show();
    frmHelp dialog(&owner);
    dialog.show();
    dialog.btnExit->setFocus();
    QApplication::setActiveWindow(&owner);
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.rtfHilfe));
    QCOMPARE(dialog.rtfHilfe->toPlainText(), QStringLiteral("Üben"));

    dialog.btnExit->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
